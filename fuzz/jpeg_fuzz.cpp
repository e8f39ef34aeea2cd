// JPEG data from anywhere through libjpeg: a picture or EInvalidGraphic,
// whatever the decoding options.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  framework::JpegDecodeOptions options;
  options.scaleEighths = 1 + (data[0] & 7);
  options.smoothing = (data[0] & 8) != 0;
  options.pixelFormat = (data[0] & 16) ? framework::JpegPixelFormat::k8Bit : framework::JpegPixelFormat::k24Bit;
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    framework::Bitmap b = framework::DecodeJpeg(bytes, options);
    if (b.Empty()) __builtin_trap();
    if (options.pixelFormat == framework::JpegPixelFormat::k8Bit && b.BitsPerPixel() != 8) __builtin_trap();
  } catch (const framework::EInvalidGraphic&) {
  }
  return 0;
}
