#pragma once
// Where a wallpaper picture came from: a picture file, or a member of an
// archive (which is extracted into Temp only for as long as it is shown).
#include <string>

#include "framework/base/paths.h"

namespace kaleidon {

struct PictureSource {
  std::string file;    // the picture file, or the archive holding the member
  std::string member;  // the member's name inside the archive; empty for a picture file

  bool InArchive() const { return !member.empty(); }
  // The picture's file name: the member's for a member of an archive.
  std::string Name() const { return framework::ExtractFileName(InArchive() ? member : file); }
  bool operator==(const PictureSource&) const = default;
};

}  // namespace kaleidon
