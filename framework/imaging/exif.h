#pragma once
// The orientation that cameras and phones record in a JPEG file's EXIF
// block: how the stored picture has to be turned to stand as it was taken.
// The block is outside data: every offset and count in it is checked.
// No Win32 here: this also builds natively for fuzzing.
#include <string_view>

namespace framework {

// The EXIF orientations: how the stored rows and columns lie in the picture
// as it is seen.
enum ExifOrientationValue : int {
  kOrientationNormal = 1,       // as stored
  kOrientationMirrored = 2,     // mirrored left to right
  kOrientationHalfTurn = 3,     // upside down
  kOrientationFlipped = 4,      // mirrored top to bottom
  kOrientationTransposed = 5,   // mirrored along the top-left to bottom-right diagonal
  kOrientationQuarterCw = 6,    // to be turned a quarter clockwise (a phone held upright)
  kOrientationTransverse = 7,   // mirrored along the other diagonal
  kOrientationQuarterCcw = 8,   // to be turned a quarter anticlockwise
};

// The orientation held in the data of a JPEG APP1 segment (what follows its
// length field: "Exif\0\0", then a TIFF header and IFD0 with tag 0x0112).
// kOrientationNormal when the segment is not EXIF, is damaged or holds no
// valid orientation.
int ExifOrientation(std::string_view app1);

// Whether an orientation stands the picture on its side (width and height
// trade places).
inline bool SwapsSides(int orientation) {
  return orientation >= kOrientationTransposed && orientation <= kOrientationQuarterCcw;
}

}  // namespace framework
