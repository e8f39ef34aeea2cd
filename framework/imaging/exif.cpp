#include "framework/imaging/exif.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace framework {

namespace {

constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeIfd = 13;
constexpr uint16_t kExifBlockTag = 0x8769;    // IFD0: where the EXIF sub-block lies
constexpr uint16_t kDateTakenTag = 0x9003;    // the EXIF sub-block: DateTimeOriginal
constexpr size_t kDateTextSize = 19;          // "YYYY:MM:DD HH:MM:SS"
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
  // Callers check Has(at, size) first.
  std::string_view Text(size_t at, size_t size) const { return data_.substr(at, size); }

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

// The TIFF block of an EXIF APP1 segment; nothing when the segment is none.
std::optional<TiffReader> OpenTiff(std::string_view app1) {
  constexpr std::string_view kSignature("Exif\0\0", 6);
  if (app1.substr(0, kSignature.size()) != kSignature) return std::nullopt;
  std::string_view tiff = app1.substr(kSignature.size());
  if (tiff.size() < 8) return std::nullopt;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return std::nullopt;
  }
  TiffReader r(tiff, little);
  if (r.U16(2) != kTiffMagic) return std::nullopt;
  return r;
}

// The entry of a tag in the IFD at ifd; nothing when it holds none.
std::optional<size_t> FindEntry(const TiffReader& r, size_t ifd, uint16_t tag) {
  if (!r.Has(ifd, 2)) return std::nullopt;
  const size_t count = r.U16(ifd);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + i * kEntrySize;
    if (!r.Has(entry, kEntrySize)) break;
    if (r.U16(entry) == tag) return entry;
  }
  return std::nullopt;
}

// The decimal number of digits text[at, at + count), or -1.
int Digits(std::string_view text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<ExifDate> ExifDateTaken(std::string_view app1) {
  const std::optional<TiffReader> r = OpenTiff(app1);
  if (!r) return std::nullopt;
  const std::optional<size_t> block = FindEntry(*r, r->U32(4), kExifBlockTag);
  if (!block || (r->U16(*block + 2) != kTypeLong && r->U16(*block + 2) != kTypeIfd)) return std::nullopt;
  const std::optional<size_t> entry = FindEntry(*r, r->U32(*block + 8), kDateTakenTag);
  if (!entry || r->U16(*entry + 2) != kTypeAscii || r->U32(*entry + 4) < kDateTextSize) return std::nullopt;
  // Twenty characters with the end: always stored apart from the entry.
  const size_t at = r->U32(*entry + 8);
  if (!r->Has(at, kDateTextSize)) return std::nullopt;
  const std::string_view text = r->Text(at, kDateTextSize);
  if (text[4] != ':' || text[7] != ':') return std::nullopt;
  const ExifDate date{Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2)};
  // A camera without a set clock writes "0000:00:00" or blanks.
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return std::nullopt;
  return date;
}

std::optional<ExifDate> JpegDateTaken(std::string_view data) {
  if (data.size() < 4 || static_cast<uint8_t>(data[0]) != 0xFF || static_cast<uint8_t>(data[1]) != 0xD8)
    return std::nullopt;
  size_t at = 2;
  // Each marker: FF, its code, a big-endian length that counts itself.
  while (at + 4 <= data.size()) {
    if (static_cast<uint8_t>(data[at]) != 0xFF) return std::nullopt;
    const uint8_t code = static_cast<uint8_t>(data[at + 1]);
    if (code == 0xFF) {  // fill bytes
      ++at;
      continue;
    }
    if (code == 0xDA || code == 0xD9) return std::nullopt;  // the scan, or the end: no EXIF before it
    const size_t length = static_cast<size_t>(static_cast<uint8_t>(data[at + 2])) << 8 | static_cast<uint8_t>(data[at + 3]);
    if (length < 2 || data.size() - (at + 2) < length) return std::nullopt;
    const std::string_view segment = data.substr(at + 4, length - 2);
    if (code == 0xE1 && segment.substr(0, 4) == "Exif") return ExifDateTaken(segment);
    at += 2 + length;
  }
  return std::nullopt;
}

int ExifOrientation(std::string_view app1) {
  const std::optional<TiffReader> opened = OpenTiff(app1);
  if (!opened) return kOrientationNormal;
  const TiffReader& r = *opened;
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
