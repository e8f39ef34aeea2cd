#pragma once
// Where a wallpaper picture came from: a picture file, or a member of an
// archive (which is extracted into Temp only for as long as it is shown).
#include <string>

namespace kaleidon {

struct PictureSource {
  std::string file;    // the picture file, or the archive holding the member
  std::string member;  // the member's name inside the archive; empty for a picture file

  bool InArchive() const { return !member.empty(); }
  bool operator==(const PictureSource&) const = default;
};

}  // namespace kaleidon
