#pragma once
// A link from one folder to another for a test, removed when the test ends:
// a junction where the system makes them. Wine cannot make junctions; there
// it is a Unix symbolic link in the prefix, which Wine follows the same way
// and reports as a reparse point.
#include <string>

class FolderLink {
 public:
  FolderLink(const std::string& link, const std::string& target);
  ~FolderLink();
  FolderLink(const FolderLink&) = delete;
  FolderLink& operator=(const FolderLink&) = delete;

  // "junction", "unix symlink", or empty when no link could be made.
  const std::string& Kind() const { return kind_; }

 private:
  std::string link_;
  std::string kind_;
};
