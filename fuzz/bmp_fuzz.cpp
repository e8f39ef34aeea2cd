// BMP files and DIB blocks from anywhere: a picture or EInvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "framework/imaging/resample.h"

namespace {

// The fuzzer is after the parsing of headers, colour tables and RLE runs. A
// few bytes can declare a picture of up to 2^27 pixels, and every input that
// does spends its time filling, converting and resampling them, through
// loops whose every comparison the fuzzer's instrumentation records: a
// quarter of a second for half a million pixels. Those loops are the same
// for any size and the unit tests cover them on large pictures, so such
// inputs are passed over, as libjpeg-turbo's own fuzzers pass over large
// pictures. Sizes beyond the program's limits still go to the decoder,
// which refuses them from the header.
constexpr int64_t kMaxFuzzedPixels = int64_t{1} << 14;

uint32_t Le(std::string_view b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

// Whether the DIB header at the start of info declares a picture the
// decoder would fill but the fuzzer passes over. A header too short to say
// is left to the decoder.
bool DeclaresLargePicture(std::string_view info) {
  if (info.size() < 12) return false;
  int64_t width, height;
  if (Le(info, 0, 4) == 12) {  // BITMAPCOREHEADER
    width = Le(info, 4, 2);
    height = Le(info, 6, 2);
  } else {
    width = static_cast<int32_t>(Le(info, 4, 4));
    height = std::llabs(static_cast<int32_t>(Le(info, 8, 4)));
  }
  return width * height > kMaxFuzzedPixels && framework::FitsBitmapLimits(width, height);
}

constexpr size_t kFileHeaderSize = 14;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  framework::Bitmap b;
  try {
    if (bytes.starts_with("BM") && size >= kFileHeaderSize &&
        DeclaresLargePicture(bytes.substr(kFileHeaderSize))) return 0;
    b.LoadFromBytes(bytes);
  } catch (const framework::EInvalidGraphic&) {
    // A DIB block as a plug-in hands it over: header and colour table, then
    // the bits, split where the first byte says.
    if (size < 2) return 0;
    size_t split = 1 + data[0] * size / 256;
    std::string_view info = bytes.substr(1, split - 1);
    if (DeclaresLargePicture(info)) return 0;
    try {
      framework::DecodeDib(info, bytes.substr(split), b);
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
