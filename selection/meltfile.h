#pragma once
// MeltFile: how the file choice hands the change cycle a picture extracted
// from an archive into Temp (deleted once the wallpaper is applied), or, after
// an archive without a usable member, that archive's path.
#include <string>

namespace kaleidon {

struct TMeltFile {
  std::string FileName;
  bool Extracted = false;
};

// The program-wide value is the main window's MeltFile; the file choice is
// handed it (FileChoice::meltFile).

}  // namespace kaleidon
