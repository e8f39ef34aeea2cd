#pragma once
// MeltFile: the picture the file choice extracted from an archive into Temp,
// which the change cycle deletes once the wallpaper is applied.
#include <string>

namespace kaleidon {

struct TMeltFile {
  std::string FileName;
  bool Extracted = false;  // FileName is an extracted file still to be deleted
};

// The program-wide value is the main window's MeltFile; the file choice is
// handed it (FileChoice::meltFile).

}  // namespace kaleidon
