#pragma once
// A fresh folder under the system temp folder, removed with everything in it
// when the test ends (folder links in it are removed, never followed).
// Names and contents are UTF-8 / raw bytes.
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing '\'.
  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& relative) const { return path_ + relative; }

  // Makes the folders on the way as needed.
  void WriteFile(const std::string& relative, const std::string& bytes) const;
  std::string ReadFile(const std::string& relative) const;  // empty when missing
  bool Exists(const std::string& relative) const;
  void MakeFolder(const std::string& relative) const;
  void SetReadOnly(const std::string& relative, bool on) const;
  // File names directly in the folder (or a subfolder), sorted.
  std::vector<std::string> FileNames(const std::string& relative = "") const;

  static void RemoveTree(const std::string& folder);

 private:
  std::string path_;
};
