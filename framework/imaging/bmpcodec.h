#pragma once
// Reading and writing Windows bitmap files and DIB blocks. Outside data is
// never trusted: every size, offset and count is checked against the bytes
// at hand, and anything that does not fit raises EInvalidGraphic.
// No Win32 here: this also builds natively for fuzzing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

class Bitmap;

// A whole .bmp file (file header, info header, colour table, pixels).
// Handles the core, info, V4 and V5 headers (and OS/2 2.x ones), bottom-up
// and top-down rows, uncompressed data at 1/4/8/16/24/32 bits, RLE8, RLE4
// and bit fields. 16-bit and bit-field pictures become 24 or 32 bits.
void DecodeBmp(std::string_view file, Bitmap& out);
// The same from a DIB in two blocks, as a BMP file holds it after the file
// header: the information block (header, masks, colour table) and the pixels.
void DecodeDib(std::string_view info, std::string_view bits, Bitmap& out);

// A bottom-up BMP file with a BITMAPINFOHEADER, uncompressed.
std::string EncodeBmp(const Bitmap& bitmap);
// The headers of such a file of 24 or 32 bits per pixel, for a writer that
// puts its rows (bottom row first, each padded to four bytes) after them.
std::string EncodeBmpHeaders(int width, int height, int bitsPerPixel);

}  // namespace framework
