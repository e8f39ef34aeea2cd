#pragma once
// A file list's mask: ";"-separated wildcard patterns, "*" any run of
// characters, "?" one character, "*.*" every name, "name.*" also a name
// without extension, "*." only names without one. Blanks around a pattern
// are ignored, empty patterns match nothing.
//
// Both the mask and the names come already folded to one case (the file
// lists fold with the system's upper case, as the file system compares), so
// this needs no system call and also builds natively for fuzzing.
#include <string>
#include <string_view>
#include <vector>

namespace framework {

class FileMask {
 public:
  explicit FileMask(std::wstring_view foldedMask);

  bool Matches(std::wstring_view foldedName) const;
  // A mask of empty patterns only: it matches nothing.
  bool Empty() const { return patterns_.empty(); }

 private:
  struct Pattern {
    std::wstring text;
    std::wstring bare;         // the pattern without its ".*"
    bool orBare = false;       // "name.*" also matches "name"
    bool noExtension = false;  // "name." matches only names without a dot
  };
  void Add(std::wstring text);

  std::vector<Pattern> patterns_;
};

}  // namespace framework
