#include "framework/imaging/bmpcodec.h"

#include <algorithm>
#include <cstring>

#include "framework/imaging/bitmap.h"

namespace framework {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

[[noreturn]] void Fail(const char* what) { throw EInvalidGraphic(std::string("ビットマップが不正です: ") + what); }

uint16_t U16(std::string_view d, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(d[at]) | static_cast<uint8_t>(d[at + 1]) << 8);
}
uint32_t U32(std::string_view d, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(d[at])) | static_cast<uint32_t>(static_cast<uint8_t>(d[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 3])) << 24;
}
int32_t I32(std::string_view d, size_t at) { return static_cast<int32_t>(U32(d, at)); }

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One colour channel of a bit-field pixel: where it sits and how to widen it
// to eight bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // mask >> shift

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (mask == 0) return;
    while (!((mask >> shift) & 1)) ++shift;
    max = mask >> shift;
  }
  uint8_t Extract(uint32_t pixel) const {
    if (max == 0) return 0;
    uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

struct DibHeader {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // always positive
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t colorsUsed = 0;
  bool tripleColors = false;  // core header: three-byte colour table entries
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  size_t tableOffset = 0;  // where the colour table starts in the info block
};

DibHeader ReadHeader(std::string_view info) {
  DibHeader h;
  if (info.size() < 4) Fail("ヘッダーが短すぎます");
  h.size = U32(info, 0);
  if (h.size < 12 || h.size > info.size()) Fail("ヘッダーの大きさ");
  if (h.size == 12) {
    // BITMAPCOREHEADER: unsigned 16-bit sizes, always bottom-up.
    h.width = U16(info, 4);
    h.height = U16(info, 6);
    h.bits = U16(info, 10);
    h.tripleColors = true;
  } else {
    if (h.size < 16) Fail("ヘッダーの大きさ");
    h.width = I32(info, 4);
    int64_t height = I32(info, 8);
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bits = U16(info, 14);
    if (h.size >= 20) h.compression = U32(info, 16);
    if (h.size >= 36) h.colorsUsed = U32(info, 32);
    bool os2 = h.size < kInfoHeaderSize || h.size == 64;
    if (os2) {
      // OS/2 2.x: compression 3 and 4 mean Huffman and RLE24 there.
      if (h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4) Fail("対応していない圧縮形式");
    } else if (h.size >= 52) {
      for (int i = 0; i < 3; ++i) h.masks[i] = U32(info, 40 + 4 * i);
      if (h.size >= 56) h.masks[3] = U32(info, 52);
    }
  }
  h.tableOffset = h.size;
  if (h.size == kInfoHeaderSize && (h.compression == kBitFields || h.compression == kAlphaBitFields)) {
    size_t count = h.compression == kBitFields ? 3 : 4;
    if (info.size() < h.size + 4 * count) Fail("ビットフィールドがありません");
    for (size_t i = 0; i < count; ++i) h.masks[i] = U32(info, h.size + 4 * i);
    h.tableOffset += 4 * count;
  }

  if (h.width <= 0 || h.height <= 0) Fail("大きさが 0 です");
  if (h.width > kMaxBitmapSide || h.height > kMaxBitmapSide || h.width * h.height > kMaxBitmapPixels)
    Fail("大きすぎます");
  switch (h.compression) {
    case kRgb:
      if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        Fail("対応していない色数");
      break;
    case kRle8:
      if (h.bits != 8) Fail("RLE8 の色数");
      break;
    case kRle4:
      if (h.bits != 4) Fail("RLE4 の色数");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (h.bits != 16 && h.bits != 32) Fail("ビットフィールドの色数");
      break;
    default:
      Fail("対応していない圧縮形式");
  }
  return h;
}

std::vector<PaletteEntry> ReadColorTable(const DibHeader& h, std::string_view info) {
  std::vector<PaletteEntry> palette;
  if (h.bits > 8) return palette;
  size_t max = size_t{1} << h.bits;
  size_t declared = h.colorsUsed == 0 ? max : std::min<size_t>(h.colorsUsed, max);
  size_t entrySize = h.tripleColors ? 3 : 4;
  size_t available = info.size() > h.tableOffset ? (info.size() - h.tableOffset) / entrySize : 0;
  size_t count = std::min(declared, available);
  palette.resize(count);
  for (size_t i = 0; i < count; ++i) {
    size_t at = h.tableOffset + i * entrySize;
    palette[i].blue = static_cast<uint8_t>(info[at]);
    palette[i].green = static_cast<uint8_t>(info[at + 1]);
    palette[i].red = static_cast<uint8_t>(info[at + 2]);
  }
  return palette;
}

// Rows of the DIB as stored, bottom row first unless top-down: the row of
// the bitmap (top-down) that stored row i belongs to.
int TargetRow(const DibHeader& h, int64_t storedRow) {
  return static_cast<int>(h.topDown ? storedRow : h.height - 1 - storedRow);
}

void DecodeUncompressed(const DibHeader& h, std::string_view bits, Bitmap& out) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
  const size_t rowBytes = (static_cast<size_t>(h.width) * h.bits + 7) / 8;
  // The last row's padding may be missing; anything less is a truncated file.
  if (bits.size() < stride * (static_cast<size_t>(height) - 1) + rowBytes) Fail("画素データが足りません");

  bool plain = h.compression == kRgb && h.bits != 16;
  if (plain) {
    out = Bitmap(width, height, h.bits);
    for (int64_t r = 0; r < height; ++r)
      std::memcpy(out.ScanLine(TargetRow(h, r)), bits.data() + r * stride, rowBytes);
    return;
  }

  // 16-bit and bit-field pixels: widened to 24 bits, or 32 when the source
  // has 32 bits (its alpha channel kept where a mask names one).
  uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
  if (h.compression == kRgb) {  // 16 bits, 5-5-5
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
    masks[3] = 0;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  const int outBits = h.bits == 32 ? 32 : 24;
  const int outBytes = outBits / 8;
  out = Bitmap(width, height, outBits);
  for (int64_t r = 0; r < height; ++r) {
    const char* src = bits.data() + r * stride;
    uint8_t* dst = out.ScanLine(TargetRow(h, r));
    for (int x = 0; x < width; ++x) {
      uint32_t p;
      if (h.bits == 16) {
        p = U16(std::string_view(src + 2 * x, 2), 0);
      } else {
        p = U32(std::string_view(src + 4 * x, 4), 0);
      }
      dst[x * outBytes] = blue.Extract(p);
      dst[x * outBytes + 1] = green.Extract(p);
      dst[x * outBytes + 2] = red.Extract(p);
      if (outBits == 32) dst[x * outBytes + 3] = alpha.Extract(p);
    }
  }
}

// RLE8 / RLE4. Pixels that fall outside the bitmap are dropped; data that
// ends early leaves the rest of the picture at index 0.
void DecodeRle(const DibHeader& h, std::string_view bits, Bitmap& out) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const bool four = h.compression == kRle4;
  out = Bitmap(width, height, h.bits);
  int64_t x = 0, y = 0;
  auto put = [&](int value) {
    if (x >= 0 && x < width && y < height) out.SetPixelIndex(static_cast<int>(x), TargetRow(h, y), value);
    ++x;
  };
  size_t i = 0;
  const size_t n = bits.size();
  while (i + 1 < n && y < height) {
    uint8_t count = static_cast<uint8_t>(bits[i]);
    uint8_t value = static_cast<uint8_t>(bits[i + 1]);
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count && x < width; ++k) put(four ? (k % 2 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (i + 1 >= n) break;
      x += static_cast<uint8_t>(bits[i]);
      y += static_cast<uint8_t>(bits[i + 1]);
      i += 2;
    } else {  // literal run
      size_t bytes = four ? (value + 1) / 2 : value;
      size_t take = std::min(bytes, n - i);
      for (int k = 0; k < value; ++k) {
        size_t at = i + (four ? k / 2 : k);
        if (at >= i + take) break;
        uint8_t b = static_cast<uint8_t>(bits[at]);
        if (x < width) put(four ? (k % 2 ? b & 0x0F : b >> 4) : b);
      }
      i += bytes + (bytes & 1);
    }
  }
}

}  // namespace

void DecodeDib(std::string_view info, std::string_view bits, Bitmap& out) {
  DibHeader h = ReadHeader(info);
  std::vector<PaletteEntry> palette = ReadColorTable(h, info);
  Bitmap result;
  if (h.compression == kRle8 || h.compression == kRle4)
    DecodeRle(h, bits, result);
  else
    DecodeUncompressed(h, bits, result);
  if (result.BitsPerPixel() <= 8) result.SetPalette(std::move(palette));
  out = std::move(result);
}

void DecodeBmp(std::string_view file, Bitmap& out) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') Fail("BMP ファイルではありません");
  size_t offBits = U32(file, 10);
  size_t headerSize = U32(file, kFileHeaderSize);
  if (headerSize > file.size() - kFileHeaderSize) Fail("ヘッダーの大きさ");
  if (offBits < kFileHeaderSize + headerSize || offBits > file.size()) Fail("画素データの位置");
  DecodeDib(file.substr(kFileHeaderSize, offBits - kFileHeaderSize), file.substr(offBits), out);
}


namespace {
// The file header and the info header of an uncompressed, bottom-up file.
void PutHeaders(std::string& out, int width, int height, int bitsPerPixel, size_t imageSize, uint32_t colors) {
  const size_t offBits = kFileHeaderSize + kInfoHeaderSize + 4 * size_t{colors};
  out += "BM";
  Put32(out, static_cast<uint32_t>(offBits + imageSize));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(offBits));
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bitsPerPixel));
  Put32(out, kRgb);
  Put32(out, static_cast<uint32_t>(imageSize));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colors);
  Put32(out, 0);
}

void PutColor(std::string& out, const PaletteEntry& e) {
  out += static_cast<char>(e.blue);
  out += static_cast<char>(e.green);
  out += static_cast<char>(e.red);
  out += '\0';
}
}  // namespace

std::string EncodeBmp(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic("空のビットマップは保存できません");
  std::vector<PaletteEntry> palette;
  if (bitmap.BitsPerPixel() <= 8) {
    palette = bitmap.Palette();
    if (palette.empty()) palette = StandardPalette(bitmap.BitsPerPixel());
  }
  const size_t imageSize = bitmap.Stride() * static_cast<size_t>(bitmap.Height());
  std::string out;
  out.reserve(kFileHeaderSize + kInfoHeaderSize + 4 * palette.size() + imageSize);
  PutHeaders(out, bitmap.Width(), bitmap.Height(), bitmap.BitsPerPixel(), imageSize,
             static_cast<uint32_t>(palette.size()));
  for (const PaletteEntry& e : palette) PutColor(out, e);
  for (int y = bitmap.Height() - 1; y >= 0; --y)
    out.append(reinterpret_cast<const char*>(bitmap.ScanLine(y)), bitmap.Stride());
  return out;
}

std::string EncodeBmpHeaders(int width, int height, int bitsPerPixel) {
  const size_t stride = Bitmap::StrideFor(width, bitsPerPixel);
  if (width <= 0 || height <= 0 || bitsPerPixel < 24 || stride == 0 || !FitsBitmapLimits(width, height))
    throw EInvalidGraphic("この大きさのビットマップは保存できません");
  std::string out;
  PutHeaders(out, width, height, bitsPerPixel, stride * static_cast<size_t>(height), 0);
  return out;
}

// A bitmap's own file format is the BMP file.
void Bitmap::LoadFromBytes(std::string_view bytes) { DecodeBmp(bytes, *this); }

std::string Bitmap::SaveToBytes() const { return EncodeBmp(*this); }

}  // namespace framework
