#include "framework/imaging/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "framework/imaging/bmpcodec.h"
#include "framework/imaging/exif.h"

namespace framework {

size_t Bitmap::StrideFor(int width, int bitsPerPixel) {
  if (width < 0 || width > kMaxBitmapSide || !ValidBitsPerPixel(bitsPerPixel)) return 0;
  return ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) {
  Allocate(width, height, bitsPerPixel);
  if (bitsPerPixel <= 8) palette_ = StandardPalette(bitsPerPixel);
}

void Bitmap::Allocate(int width, int height, int bitsPerPixel) {
  if (!ValidBitsPerPixel(bitsPerPixel)) throw EInvalidGraphic("対応していない画素形式です");
  if (!FitsBitmapLimits(width, height)) throw EInvalidGraphic("ビットマップが大きすぎます");
  size_t stride = StrideFor(width, bitsPerPixel);
  std::vector<uint8_t> pixels;
  try {
    pixels.assign(stride * static_cast<size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    throw EInvalidGraphic("ビットマップのメモリが足りません");
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  stride_ = stride;
  pixels_ = std::move(pixels);
}

void Bitmap::LoadFromBytes(std::string_view bytes) { DecodeBmp(bytes, *this); }

std::string Bitmap::SaveToBytes() const { return EncodeBmp(*this); }

void Bitmap::LoadFromDib(std::string_view info, std::string_view bits) { DecodeDib(info, bits, *this); }

void Bitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  Bitmap resized;
  resized.Allocate(width, height, bitsPerPixel_);
  resized.palette_ = palette_;
  int rows = std::min(height, height_);
  size_t bytes = std::min(resized.stride_, stride_);
  // Whole bytes first; a partial byte at the right edge of a 1/4-bit row
  // keeps only the pixels inside.
  size_t keptBits = static_cast<size_t>(std::min(width, width_)) * bitsPerPixel_;
  bytes = std::min(bytes, keptBits / 8);
  int partialBits = static_cast<int>(keptBits % 8);
  for (int y = 0; y < rows; ++y) {
    std::memcpy(resized.ScanLine(y), ScanLine(y), bytes);
    if (partialBits) {
      uint8_t mask = static_cast<uint8_t>(0xFF00 >> partialBits);
      resized.ScanLine(y)[bytes] = ScanLine(y)[bytes] & mask;
    }
  }
  *this = std::move(resized);
}

void Bitmap::Crop(int width, int height) { SetSize(std::clamp(width, 0, width_), std::clamp(height, 0, height_)); }

void Bitmap::SetPalette(std::vector<PaletteEntry> palette) {
  if (bitsPerPixel_ <= 8 && palette.size() > (size_t{1} << bitsPerPixel_)) palette.resize(size_t{1} << bitsPerPixel_);
  palette_ = std::move(palette);
}

int Bitmap::PixelIndex(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || bitsPerPixel_ > 8) return 0;
  const uint8_t* row = ScanLine(y);
  switch (bitsPerPixel_) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
      return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    default:
      return row[x];
  }
}

void Bitmap::SetPixelIndex(int x, int y, int index) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || bitsPerPixel_ > 8) return;
  uint8_t* row = ScanLine(y);
  switch (bitsPerPixel_) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = static_cast<uint8_t>(index & 1 ? row[x / 8] | bit : row[x / 8] & ~bit);
      break;
    }
    case 4:
      row[x / 2] = static_cast<uint8_t>(x % 2 ? (row[x / 2] & 0xF0) | (index & 0x0F)
                                              : (row[x / 2] & 0x0F) | (index & 0x0F) << 4);
      break;
    default:
      row[x] = static_cast<uint8_t>(index);
  }
}

Rgb Bitmap::PixelColor(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  if (bitsPerPixel_ <= 8) {
    size_t i = static_cast<size_t>(PixelIndex(x, y));
    if (i >= palette_.size()) return {};
    return {palette_[i].red, palette_[i].green, palette_[i].blue};
  }
  const uint8_t* p = ScanLine(y) + static_cast<size_t>(x) * (bitsPerPixel_ / 8);
  return {p[2], p[1], p[0]};
}

void Bitmap::SetPixelColor(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (bitsPerPixel_ <= 8) {
    SetPixelIndex(x, y, NearestPaletteIndex(color));
    return;
  }
  uint8_t* p = ScanLine(y) + static_cast<size_t>(x) * (bitsPerPixel_ / 8);
  p[0] = color.blue;
  p[1] = color.green;
  p[2] = color.red;
}

int Bitmap::NearestPaletteIndex(Rgb c) const {
  int best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < palette_.size(); ++i) {
    long dr = palette_[i].red - c.red, dg = palette_[i].green - c.green, db = palette_[i].blue - c.blue;
    long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

void Bitmap::SetBitsPerPixel(int bits) {
  if (!ValidBitsPerPixel(bits)) throw EInvalidGraphic("対応していない画素形式です");
  if (bits == bitsPerPixel_) return;
  Bitmap converted;
  converted.Allocate(width_, height_, bits);
  if (bits <= 8) {
    converted.palette_ = palette_.empty() || bitsPerPixel_ > 8 ? StandardPalette(bits) : palette_;
    converted.SetPalette(converted.palette_);
    // Nearest colours, remembered per 15-bit colour: pictures repeat colours.
    std::vector<int16_t> cache(32768, -1);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        Rgb c = PixelColor(x, y);
        int key = (c.red >> 3) << 10 | (c.green >> 3) << 5 | (c.blue >> 3);
        if (cache[key] < 0) cache[key] = static_cast<int16_t>(converted.NearestPaletteIndex(c));
        converted.SetPixelIndex(x, y, cache[key]);
      }
    }
  } else {
    const int outBytes = bits / 8;
    for (int y = 0; y < height_; ++y) {
      uint8_t* dst = converted.ScanLine(y);
      if (bitsPerPixel_ > 8) {
        const uint8_t* src = ScanLine(y);
        const int inBytes = bitsPerPixel_ / 8;
        for (int x = 0; x < width_; ++x) std::memcpy(dst + x * outBytes, src + x * inBytes, 3);
      } else {
        for (int x = 0; x < width_; ++x) {
          Rgb c = PixelColor(x, y);
          dst[x * outBytes] = c.blue;
          dst[x * outBytes + 1] = c.green;
          dst[x * outBytes + 2] = c.red;
        }
      }
    }
  }
  *this = std::move(converted);
}

Bitmap TurnedUpright(const Bitmap& stored, int orientation) {
  if (orientation < kOrientationMirrored || orientation > kOrientationQuarterCcw) return stored;
  const int w = stored.Width(), h = stored.Height();
  const bool swap = SwapsSides(orientation);
  Bitmap out(swap ? h : w, swap ? w : h, stored.BitsPerPixel());
  out.SetPalette(stored.Palette());
  // The stored pixel seen at (x, y).
  auto source = [&](int x, int y) -> std::pair<int, int> {
    switch (orientation) {
      case kOrientationMirrored: return {w - 1 - x, y};
      case kOrientationHalfTurn: return {w - 1 - x, h - 1 - y};
      case kOrientationFlipped: return {x, h - 1 - y};
      case kOrientationTransposed: return {y, x};
      case kOrientationQuarterCw: return {y, h - 1 - x};
      case kOrientationTransverse: return {w - 1 - y, h - 1 - x};
      default: return {w - 1 - y, x};  // kOrientationQuarterCcw
    }
  };
  const int bits = stored.BitsPerPixel();
  const size_t bytes = static_cast<size_t>(bits / 8);
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* row = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x) {
      auto [sx, sy] = source(x, y);
      if (bits >= 8)
        std::memcpy(row + static_cast<size_t>(x) * bytes, stored.ScanLine(sy) + static_cast<size_t>(sx) * bytes, bytes);
      else
        out.SetPixelIndex(x, y, stored.PixelIndex(sx, sy));
    }
  }
  return out;
}

std::vector<PaletteEntry> StandardPalette(int bitsPerPixel) {
  std::vector<PaletteEntry> p;
  auto add = [&](int r, int g, int b) {
    p.push_back({static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0});
  };
  switch (bitsPerPixel) {
    case 1:
      add(0, 0, 0);
      add(255, 255, 255);
      break;
    case 4: {
      static const uint8_t vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                         {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                         {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                         {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
      for (const auto& c : vga) add(c[0], c[1], c[2]);
      break;
    }
    case 8:
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b) add(r * 51, g * 51, b * 51);
      // Greys between the cube's own greys.
      for (int i = 0; p.size() < 256; ++i) {
        int v = (i + 1) * 255 / 41;
        if (v % 51 == 0) v += 3;
        add(v, v, v);
      }
      break;
    default:
      break;
  }
  return p;
}

}  // namespace framework
