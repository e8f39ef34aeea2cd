// BMP files and DIB blocks from anywhere: a picture or EInvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/bitmap.h"
#include "framework/bmpcodec.h"
#include "framework/resample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  framework::Bitmap b;
  try {
    b.LoadFromBytes(bytes);
  } catch (const framework::EInvalidGraphic&) {
    // A DIB block as a plug-in hands it over: header and colour table, then
    // the bits, split where the first byte says.
    if (size < 2) return 0;
    size_t split = 1 + data[0] * size / 256;
    try {
      framework::DecodeDib(bytes.substr(1, split - 1), bytes.substr(split), b);
    } catch (const framework::EInvalidGraphic&) {
      return 0;
    }
  }
  // What the program does with a loaded bitmap must hold for any of them.
  framework::Bitmap copy;
  copy.LoadFromBytes(b.SaveToBytes());
  if (!(copy == b) && (b.BitsPerPixel() > 8 || !b.Palette().empty())) __builtin_trap();
  for (int y = 0; y < b.Height(); y += 1 + b.Height() / 16)
    for (int x = 0; x < b.Width(); x += 1 + b.Width() / 16) (void)b.PixelColor(x, y);
  framework::Bitmap small = framework::Resample(b, 1 + b.Width() % 37, 1 + b.Height() % 23);
  if (small.Empty()) __builtin_trap();
  b.Crop(b.Width() / 2 + 1, b.Height() / 3 + 1);
  return 0;
}
