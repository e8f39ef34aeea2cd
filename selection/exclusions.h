#pragma once
// Pictures the user never wants to see again. Each picture folder keeps its
// list in _Never.RFB beside its history _Buf.RFB, in the same form (one name
// a line; Shift-JIS, or UTF-8 after a byte-order mark when a name needs it)
// and written the same way (a temporary file renamed over the old one). An
// entry is a picture's file name, or "<archive file name>\<member name>" for
// a member of an archive in that folder. Names compare ignoring case, as the
// history's do. The random choice never draws an excluded picture.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "selection/history.h"
#include "selection/picturesource.h"

namespace kaleidon {

inline constexpr const char* kExclusionFileName = "_Never.RFB";

// <folder>_Never.RFB of a picture folder (with or without its trailing '\').
std::string ExclusionFilePath(const std::string& folder);
// The folder whose list holds the picture, with a trailing '\'.
std::string ExclusionFolder(const PictureSource& source);
// The picture's entry: its file name, or "<archive file name>\<member>".
std::string ExclusionEntry(const PictureSource& source);

// A folder's list, loaded once for a choice and asked many times.
class Exclusions {
 public:
  Exclusions() = default;
  // A missing file is an empty list; one that cannot be read raises
  // framework::Exception.
  static Exclusions Load(const std::string& folder);

  bool Empty() const { return names_.Empty(); }
  size_t Size() const { return names_.Size(); }
  // fold and hash of a file name as NameFold and HashBytes make them.
  bool Excludes(std::string_view fold, uint32_t hash) const { return names_.Contains(fold, hash); }
  bool ExcludesFile(std::string_view fileName) const { return names_.Contains(fileName); }
  bool ExcludesMember(std::string_view archiveFileName, std::string_view member) const;
  // The members of the archive (its file name) that are not excluded, in
  // their order.
  std::vector<std::string> AllowedMembers(std::string_view archiveFileName,
                                          const std::vector<std::string>& members) const;

 private:
  History names_;
};

// Adds the picture to its folder's list (a picture listed already leaves the
// file as it is). A refused write raises framework::EWriteRefused and leaves
// the old file whole; an unreadable list raises framework::Exception.
void ExcludePicture(const PictureSource& source);

// How many pictures the folder's list holds.
size_t ExcludedCount(const std::string& folder);

// Deletes the folder's list, so that every picture may be drawn again. A
// list that cannot be deleted raises framework::EWriteRefused.
void ClearExclusions(const std::string& folder);

}  // namespace kaleidon
