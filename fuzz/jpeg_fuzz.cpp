// JPEG data from anywhere through libjpeg: a picture or EInvalidGraphic,
// whatever the decoding options, decoded whole or row by row.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/imaging/jpeg.h"
#include "framework/imaging/jpegsplit.h"

namespace {

// The fuzzer is after the parsing of markers and of the entropy-coded
// stream. A few bytes can declare a picture of up to 2^27 pixels, which
// libjpeg then decodes in full from made-up data, and every input that does
// spends its time in the decoder's and the colour conversion's loops, the
// same for any size and covered by the unit tests on large pictures. Such
// inputs are passed over once their header is read, as libjpeg-turbo's own
// fuzzers do; sizes beyond the program's limits still go to the decoder,
// which refuses them before decoding.
constexpr int64_t kMaxFuzzedPixels = int64_t{1} << 20;

bool DeclaresLargePicture(const framework::JpegHeader& header, int scaleEighths) {
  return int64_t{header.width} * header.height > kMaxFuzzedPixels &&
         framework::FitsBitmapLimits(framework::JpegScaledSide(header.width, scaleEighths),
                                     framework::JpegScaledSide(header.height, scaleEighths));
}

// The picture, or the error, with the scan's entropy decoding split at a
// point the input chooses (even for the smallest scans), or on one thread.
std::string Outcome(std::string_view bytes, const framework::JpegDecodeOptions& options, bool split, int permille,
                    size_t memoryCap, bool firstWaits) {
  framework::EntropySplitSettings settings;
  settings.minimumBytes = split ? 0 : ~size_t{0};
  settings.startPermille = permille;
  settings.memoryCap = memoryCap;
  settings.evenWithoutSpareProcessor = true;
  settings.firstWaitsForSecond = firstWaits;
  framework::ForcedEntropySplit forced(settings);
  std::string out;
  try {
    const framework::Bitmap b = framework::DecodeJpeg(bytes, options);
    out.assign(reinterpret_cast<const char*>(b.Pixels().data()), b.Pixels().size());
  } catch (const framework::EInvalidGraphic& e) {
    out = std::string("error: ") + e.what();
  }
  try {
    framework::DecodeJpegRows(bytes, options, std::nullopt, 7, 5, [&](int, const uint8_t* row) {
      out.append(reinterpret_cast<const char*>(row), 7 * 3);
    });
  } catch (const framework::EInvalidGraphic& e) {
    out += std::string("error: ") + e.what();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // With the split: the same pictures, rows and errors as one decoder gives.
  if ((data[0] & 64) != 0 && size >= 3) {
    framework::JpegDecodeOptions options;
    options.scaleEighths = 1 + (data[0] & 7);
    options.smoothing = (data[0] & 8) != 0;
    const int permille = 1 + data[1] * 998 / 255;
    const size_t cap = (data[0] & 128) ? 8 * 1024 : size_t{24} << 20;
    std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    try {
      if (DeclaresLargePicture(framework::ReadJpegHeader(bytes), options.scaleEighths)) return 0;
    } catch (const framework::EInvalidGraphic&) {
      return 0;
    }
    const bool waits = (data[0] & 32) != 0;
    if (Outcome(bytes, options, true, permille, cap, waits) != Outcome(bytes, options, false, permille, cap, waits))
      __builtin_trap();
    return 0;
  }
  framework::JpegDecodeOptions options;
  options.scaleEighths = 1 + (data[0] & 7);
  options.smoothing = (data[0] & 8) != 0;
  options.pixelFormat = (data[0] & 16) ? framework::JpegPixelFormat::k8Bit : framework::JpegPixelFormat::k24Bit;
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    if (DeclaresLargePicture(framework::ReadJpegHeader(bytes), options.scaleEighths)) return 0;
    framework::Bitmap b = framework::DecodeJpeg(bytes, options);
    if (b.Empty()) __builtin_trap();
    if (options.pixelFormat == framework::JpegPixelFormat::k8Bit && b.BitsPerPixel() != 8) __builtin_trap();
  } catch (const framework::EInvalidGraphic&) {
  }
  // Row by row, the decoding handing its rows to a thread that scales them:
  // the rows come in order, each once, also when the data breaks off. Rows
  // are decoded whatever the picture's size (none is held whole): large
  // ones are passed over here as above.
  if ((data[0] & 32) == 0) return 0;
  try {
    const framework::JpegHeader header = framework::ReadJpegHeader(bytes);
    if (int64_t{header.width} * header.height > kMaxFuzzedPixels) return 0;
    int next = 0;
    framework::DecodeJpegRows(bytes, options, std::nullopt, 7, 5, [&](int y, const uint8_t*) {
      if (y != next++) __builtin_trap();
    });
    if (next != 5) __builtin_trap();
  } catch (const framework::EInvalidGraphic&) {
  }
  return 0;
}
