#include "plugins/dib.h"

#include <cstdint>
#include <cstdlib>

#include "framework/imaging/graphics.h"

namespace kaleidon {

namespace {

constexpr const char* kUnreadable = "認識できない画像形式です";
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

uint32_t U32(std::string_view d, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(d[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 3])) << 24;
}
uint16_t U16(std::string_view d, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(d[at]) | static_cast<uint8_t>(d[at + 1]) << 8);
}

[[noreturn]] void Refuse() { throw framework::EInvalidGraphic(kUnreadable); }

}  // namespace

PluginDib ReadPluginDib(std::string_view info, std::string_view bits) {
  if (info.size() < kInfoHeaderSize) Refuse();
  const uint32_t headerSize = U32(info, 0);
  const int64_t width = static_cast<int32_t>(U32(info, 4));
  const int64_t height = static_cast<int32_t>(U32(info, 8));
  const int bitCount = U16(info, 14);
  const uint32_t compression = U32(info, 16);
  const uint32_t colorsUsed = U32(info, 32);
  if (headerSize < kInfoHeaderSize || width <= 0 || height == 0) Refuse();
  if (!framework::FitsBitmapLimits(width, std::llabs(height))) Refuse();
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) Refuse();

  uint64_t colors = colorsUsed;
  if (colors == 0) colors = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
  // The header as the block declares it, with the masks that follow a plain
  // BITMAPINFOHEADER when its compression uses bit fields.
  uint64_t headerBytes = headerSize;
  if (headerSize == kInfoHeaderSize && compression == kBitFields) headerBytes += 12;
  if (headerSize == kInfoHeaderSize && compression == kAlphaBitFields) headerBytes += 16;
  const uint64_t infoBytes = headerBytes + 4 * colors;
  if (infoBytes > info.size()) Refuse();

  // A row is at least four bytes (width > 0): rows * rowBytes cannot overflow
  // once the row count is checked against the block.
  const uint64_t rowBytes = (static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width) + 31) / 32 * 4;
  const uint64_t rows = static_cast<uint64_t>(std::llabs(height));
  if (rows > bits.size() / rowBytes) Refuse();
  const uint64_t imageSize = rowBytes * rows;

  PluginDib dib;
  dib.bitCount = bitCount;
  if (bitCount <= 8) {
    dib.colorTable.resize(colors);
    for (size_t i = 0; i < colors; ++i) {
      size_t at = headerBytes + 4 * i;
      dib.colorTable[i] = {static_cast<uint8_t>(info[at]), static_cast<uint8_t>(info[at + 1]),
                           static_cast<uint8_t>(info[at + 2]), 0};
    }
  }
  // The header as it is (a top-down one keeps its negative height).
  dib.info = info.substr(0, infoBytes);
  dib.bits = bits.substr(0, imageSize);
  return dib;
}

}  // namespace kaleidon
