#include "framework/imaging/exif.h"

#include <cstddef>
#include <cstdint>

namespace framework {

namespace {

constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr size_t kEntrySize = 12;

// Reads the TIFF block's numbers in its byte order; reads outside the block
// give nothing.
class TiffReader {
 public:
  TiffReader(std::string_view data, bool littleEndian) : data_(data), little_(littleEndian) {}

  bool Has(size_t at, size_t size) const { return at <= data_.size() && data_.size() - at >= size; }

  // Callers check Has(at, 2 or 4) first.
  uint32_t U16(size_t at) const { return Number(at, 2); }
  uint32_t U32(size_t at) const { return Number(at, 4); }

 private:
  uint32_t Number(size_t at, size_t size) const {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) {
      uint32_t byte = static_cast<uint8_t>(data_[at + (little_ ? size - 1 - i : i)]);
      value = value << 8 | byte;
    }
    return value;
  }

  std::string_view data_;
  bool little_;
};

}  // namespace

int ExifOrientation(std::string_view app1) {
  constexpr std::string_view kSignature("Exif\0\0", 6);
  if (app1.substr(0, kSignature.size()) != kSignature) return kOrientationNormal;
  std::string_view tiff = app1.substr(kSignature.size());
  if (tiff.size() < 8) return kOrientationNormal;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return kOrientationNormal;
  }
  TiffReader r(tiff, little);
  if (r.U16(2) != kTiffMagic) return kOrientationNormal;
  size_t ifd = r.U32(4);
  if (!r.Has(ifd, 2)) return kOrientationNormal;
  size_t count = r.U16(ifd);
  for (size_t i = 0; i < count; ++i) {
    size_t entry = ifd + 2 + i * kEntrySize;
    if (!r.Has(entry, kEntrySize)) break;
    if (r.U16(entry) != kOrientationTag) continue;
    uint32_t type = r.U16(entry + 2);
    uint32_t values = r.U32(entry + 4);
    // One value, held in the entry itself.
    uint32_t value = 0;
    if (values >= 1 && type == kTypeShort) value = r.U16(entry + 8);
    if (values >= 1 && type == kTypeLong) value = r.U32(entry + 8);
    return value >= kOrientationNormal && value <= kOrientationQuarterCcw ? static_cast<int>(value)
                                                                          : kOrientationNormal;
  }
  return kOrientationNormal;
}

}  // namespace framework
