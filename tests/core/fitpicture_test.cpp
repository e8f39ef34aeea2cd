// A picture fitted to one monitor: a JPEG is decoded and scaled row by row,
// and gives the very pixels of its whole decoding fitted the same way, also
// when the rows are handed on as they are made.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/wallpapermonitors.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/jpeg.h"
#include "support/jpegfiles.h"

using namespace kaleidon;
using framework::Bitmap;
using framework::JpegImage;

TEST(FitPicture, AJpegFittedRowByRowIsItsWholeDecodingFittedToThePixel) {
  // Grain in every channel, so that a pixel's worth of shift or a rounding
  // of its own shows.
  const std::string stored = StreamedJpeg(640, 400, 90, [](int x, int y) {
    const unsigned v = static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u;
    return framework::Rgb{static_cast<uint8_t>(x / 3 + (v >> 29)), static_cast<uint8_t>(y / 2 + (v >> 27) % 8),
                          static_cast<uint8_t>((v >> 24) & 0x3f)};
  });
  const struct {
    const char* name;
    std::string bytes;
  } pictures[] = {{"as stored", stored}, {"turned upright", WithExifOrientation(stored, 6)}};
  const PictureFit fits[] = {PictureFit::Stretch, PictureFit::Fill,      PictureFit::Fit,    PictureFit::FitOnBlur,
                             PictureFit::FitOnColour, PictureFit::Tile, PictureFit::Center};
  const struct {
    int width, height;
  } monitors[] = {{200, 90}, {90, 160}, {384, 216}, {700, 500}};
  for (const auto& picture : pictures)
    for (PictureFit fit : fits)
      for (const auto& monitor : monitors) {
        SCOPED_TRACE(testing::Message() << picture.name << ", fit " << static_cast<int>(fit) << ", on "
                                        << monitor.width << "x" << monitor.height);
        JpegImage jpeg;
        jpeg.LoadFromBytes(picture.bytes);
        const Bitmap streamed = FitPicture(jpeg, monitor.width, monitor.height, fit);
        // The same fit of the picture decoded whole at the scale the JPEG took.
        framework::JpegDecodeOptions options;
        options.scaleEighths = jpeg.ScaleEighths();
        Bitmap decoded = framework::DecodeJpeg(picture.bytes, options);
        const Bitmap whole = FitPicture(decoded, monitor.width, monitor.height, fit);
        ASSERT_EQ(streamed.Width(), monitor.width);
        ASSERT_EQ(streamed.Height(), monitor.height);
        ASSERT_EQ(streamed.BitsPerPixel(), 24);
        ASSERT_EQ(whole.Width(), monitor.width);
        ASSERT_EQ(whole.Height(), monitor.height);
        for (int y = 0; y < monitor.height; ++y)
          ASSERT_EQ(0, std::memcmp(streamed.ScanLine(y), whole.ScanLine(y), 3 * static_cast<size_t>(monitor.width)))
              << "row " << y;
        // Handed on row by row: the same rows, each once, top first.
        JpegImage again;
        again.LoadFromBytes(picture.bytes);
        int next = 0;
        FitPictureRows(again, monitor.width, monitor.height, fit, [&](int y, const uint8_t* row) {
          ASSERT_EQ(y, next++);
          ASSERT_EQ(0, std::memcmp(row, whole.ScanLine(y), 3 * static_cast<size_t>(monitor.width))) << "row " << y;
        });
        EXPECT_EQ(next, monitor.height);
      }
}
