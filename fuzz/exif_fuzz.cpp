// An APP1 segment from anywhere: an orientation from 1 to 8 and a real date
// or none, never a read outside the segment; the same bytes as the start of
// a JPEG file. Inputs that start with "II" or "MM" get the EXIF
// signature put in front, so that the fuzzer spends its time in the TIFF
// block.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "framework/imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr char kSignature[] = "Exif\0";  // with the string's own end: six bytes
  const bool tiff = size >= 2 && (std::memcmp(data, "II", 2) == 0 || std::memcmp(data, "MM", 2) == 0);
  const size_t prefix = tiff ? sizeof kSignature : 0;
  // Exactly the segment's bytes on the heap, so that ASan sees any read past them.
  std::unique_ptr<char[]> segment(new char[prefix + size]);
  std::memcpy(segment.get(), kSignature, prefix);
  if (size) std::memcpy(segment.get() + prefix, data, size);
  int orientation = framework::ExifOrientation(std::string_view(segment.get(), prefix + size));
  if (orientation < 1 || orientation > 8) __builtin_trap();
  const auto date = framework::ExifDateTaken(std::string_view(segment.get(), prefix + size));
  if (date && (date->month < 1 || date->month > 12 || date->day < 1 || date->day > 31)) __builtin_trap();
  std::unique_ptr<char[]> file(new char[size]);
  if (size) std::memcpy(file.get(), data, size);
  (void)framework::JpegDateTaken(std::string_view(file.get(), size));
  return 0;
}
