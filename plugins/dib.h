#pragma once
// The picture a plug-in hands over: a bitmap-information block (a
// BITMAPINFOHEADER, bit-field masks where its compression has them, and the
// colour table) and a separate block of pixel bits. Both are outside data:
// every size the header gives is checked against the blocks as received,
// and nothing is read past them.
// No Win32 here: this also builds natively for fuzzing.
#include <string_view>
#include <vector>

#include "framework/imaging/bitmap.h"

namespace kaleidon {

struct PluginDib {
  // The parts of the blocks that the header declares: its header, masks and
  // colour table, and its rows of pixels. They view the blocks received:
  // a picture is never copied whole on its way to a bitmap.
  std::string_view info;
  std::string_view bits;
  int bitCount = 0;
  // The colour table as the header counts it: colours used, or for 0 the
  // full table of a 1, 4 or 8-bit picture.
  std::vector<framework::PaletteEntry> colorTable;
};

// Raises framework::EInvalidGraphic for blocks that do not hold what their
// header says (short blocks, unknown header, bit count other than 1, 4, 8,
// 16, 24 or 32, a size of zero) and for a picture beyond the bitmap limits.
PluginDib ReadPluginDib(std::string_view info, std::string_view bits);

}  // namespace kaleidon
