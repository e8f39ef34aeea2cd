#pragma once
// What cameras and phones record in a JPEG file's EXIF block that the
// program uses: the orientation (how the stored picture has to be turned to
// stand as it was taken) and the day the photo was taken.
// The block is outside data: every offset and count in it is checked.
// No Win32 here: this also builds natively for fuzzing.
#include <optional>
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

// The day a photo was taken, as a camera records it (DateTimeOriginal of
// the EXIF sub-block, "YYYY:MM:DD HH:MM:SS").
struct ExifDate {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const ExifDate&) const = default;
};
// The date taken held in an APP1 segment's data, as for ExifOrientation;
// nothing when there is none or it is no real date.
std::optional<ExifDate> ExifDateTaken(std::string_view app1);
// The same from the start of a JPEG file: its markers are walked up to the
// first scan for the EXIF segment. Nothing for any other file.
std::optional<ExifDate> JpegDateTaken(std::string_view fileStart);

}  // namespace framework
