#pragma once
// A device-independent bitmap in memory: 1, 4 or 8 bits per pixel with a
// palette, or 24 / 32 bits per pixel in the system's blue-green-red order.
// Rows are kept top-down, each padded to a multiple of four bytes, so a row
// is laid out exactly as the system expects it in a DIB.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/imaging/graphics.h"

namespace framework {

// One palette colour in the system's RGBQUAD order.
struct PaletteEntry {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  bool operator==(const PaletteEntry&) const = default;
};

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// Largest bitmap this program handles: a bigger one is refused as invalid
// rather than exhausting the memory of a 32-bit process.
inline constexpr int64_t kMaxBitmapPixels = int64_t{1} << 27;
inline constexpr int kMaxBitmapSide = 65535;
inline bool FitsBitmapLimits(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxBitmapPixels;
}
// Largest picture file read: the largest bitmap at 32 bits per pixel, with
// room for its headers. A larger file is refused before it is read.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{kMaxBitmapPixels} * 4 + (uint64_t{1} << 20);

class Bitmap : public Graphic {
 public:
  Bitmap() = default;
  // A black bitmap (palette index 0) of the given size and format.
  Bitmap(int width, int height, int bitsPerPixel);

  void LoadFromBytes(std::string_view bytes) override;  // a BMP file
  std::string SaveToBytes() const override;             // a BMP file
  void SaveToFile(const std::string& path) const override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  Bitmap ToBitmap() const override { return *this; }

  // Changes the size; the top-left part of the picture is kept, new parts
  // are black (palette index 0).
  void SetSize(int width, int height);
  // Keeps the top-left width x height part (sizes larger than the bitmap
  // are limited to it).
  void Crop(int width, int height);
  // Converts the pixels. Going up (to 24 or 32 bits) keeps every colour;
  // going down to a palette format maps each pixel to the nearest colour of
  // the current palette (a standard palette when there is none).
  void SetBitsPerPixel(int bitsPerPixel);

  size_t Stride() const { return stride_; }
  uint8_t* ScanLine(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* ScanLine(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }

  const std::vector<PaletteEntry>& Palette() const { return palette_; }
  // At most 2^bits entries are kept.
  void SetPalette(std::vector<PaletteEntry> palette);

  // The colour of a pixel; black outside the bitmap or for an index beyond
  // the palette.
  Rgb PixelColor(int x, int y) const;
  // Sets a pixel of a 24/32-bit bitmap to a colour, or of a palette bitmap
  // to the nearest palette colour. Outside the bitmap nothing happens.
  void SetPixelColor(int x, int y, Rgb color);
  // The palette index of a pixel of a 1/4/8-bit bitmap (0 otherwise).
  int PixelIndex(int x, int y) const;
  void SetPixelIndex(int x, int y, int index);

  // The nearest palette entry to a colour (0 for an empty palette).
  int NearestPaletteIndex(Rgb color) const;

#ifdef _WIN32
  void Draw(HDC__* dc, int x, int y, int width, int height) const override;
  // A new DIB section holding a copy of the pixels; the caller deletes it.
  // Null for an empty bitmap.
  HBITMAP__* CreateHBITMAP() const;
#endif

  bool operator==(const Bitmap& other) const {
    return width_ == other.width_ && height_ == other.height_ && bitsPerPixel_ == other.bitsPerPixel_ &&
           palette_ == other.palette_ && pixels_ == other.pixels_;
  }

  // Row size in bytes of a DIB of this width and depth, or 0 when it would
  // not fit the limits above.
  static size_t StrideFor(int width, int bitsPerPixel);
  static bool ValidBitsPerPixel(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
  }

 private:
  void Allocate(int width, int height, int bitsPerPixel);

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 24;
  size_t stride_ = 0;
  std::vector<PaletteEntry> palette_;
  std::vector<uint8_t> pixels_;
};

// The picture as it is seen, from one stored in an EXIF orientation (1 to 8,
// see framework/imaging/exif.h): mirrored and turned, width and height exchanged for
// the orientations 5 to 8. Any other value gives the picture as stored.
Bitmap TurnedUpright(const Bitmap& stored, int orientation);

// The system's standard palettes: black and white (1 bit), the 16 VGA
// colours (4 bits) and a 6x6x6 colour cube with greys (8 bits).
std::vector<PaletteEntry> StandardPalette(int bitsPerPixel);

}  // namespace framework
