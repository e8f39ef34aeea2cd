#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "framework/base/paths.h"
#include "framework/imaging/exif.h"
#include "framework/imaging/jpeg.h"
#include "framework/imaging/resample.h"
#include "support/fixtures.h"
#include "support/jpegfiles.h"

using namespace framework;

namespace {

Bitmap BmpFixture(const std::string& name) {
  Bitmap b;
  b.LoadFromBytes(PictureFixture(name));
  return b;
}

// Same size and every pixel the same colour.
void ExpectSamePicture(const Bitmap& got, const Bitmap& expected) {
  ASSERT_EQ(got.Width(), expected.Width());
  ASSERT_EQ(got.Height(), expected.Height());
  int differences = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      if (!(got.PixelColor(x, y) == expected.PixelColor(x, y)) && ++differences <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " differs";
  EXPECT_EQ(differences, 0);
}

// The SOF marker's size fields changed: a header that claims another size.
std::string WithDeclaredSize(std::string jpeg, int width, int height) {
  for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
    if (static_cast<uint8_t>(jpeg[i]) == 0xFF && (static_cast<uint8_t>(jpeg[i + 1]) & 0xF0) == 0xC0 &&
        static_cast<uint8_t>(jpeg[i + 1]) != 0xC4 && static_cast<uint8_t>(jpeg[i + 1]) != 0xC8 &&
        static_cast<uint8_t>(jpeg[i + 1]) != 0xCC) {
      jpeg[i + 5] = static_cast<char>(height >> 8);
      jpeg[i + 6] = static_cast<char>(height & 0xFF);
      jpeg[i + 7] = static_cast<char>(width >> 8);
      jpeg[i + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no SOF marker";
  return jpeg;
}

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// Four quadrants: red, green / blue, white.
Rgb QuadrantColour(int x, int y, int width, int height) {
  bool right = x >= width / 2, bottom = y >= height / 2;
  return !bottom ? (right ? kGreen : kRed) : (right ? kWhite : kBlue);
}

std::string QuadrantsJpeg(int width, int height, int quality) {
  return StreamedJpeg(width, height, quality, [=](int x, int y) { return QuadrantColour(x, y, width, height); });
}

bool Near(Rgb a, Rgb b) {
  return std::abs(a.red - b.red) <= 12 && std::abs(a.green - b.green) <= 12 && std::abs(a.blue - b.blue) <= 12;
}

// The colours a quarter of the way in from each corner.
struct Corners {
  Rgb topLeft, topRight, bottomLeft, bottomRight;
};
Corners CornersOf(const Bitmap& b) {
  int left = b.Width() / 4, right = b.Width() * 3 / 4, top = b.Height() / 4, bottom = b.Height() * 3 / 4;
  return {b.PixelColor(left, top), b.PixelColor(right, top), b.PixelColor(left, bottom), b.PixelColor(right, bottom)};
}

}  // namespace

TEST(JpegDecoding, GivesExactlyWhatDjpegGives) {
  ExpectSamePicture(DecodeJpeg(PictureFixture("photo.jpg")), BmpFixture("photo.bmp"));
  ExpectSamePicture(DecodeJpeg(PictureFixture("progressive.jpg")), BmpFixture("progressive.bmp"));
  Bitmap gray = DecodeJpeg(PictureFixture("gray.jpg"));
  EXPECT_EQ(gray.BitsPerPixel(), 24);
  ExpectSamePicture(gray, BmpFixture("gray.bmp"));
}

TEST(JpegDecoding, TheSplashPictureDecodesAsDjpegDecodesIt) {
  std::optional<std::string> splash =
      ReadWholeFile(std::string("Z:") + KALEIDON_SOURCE_DIR + "\\resources\\splash.jpg");
  ASSERT_TRUE(splash);
  std::string expected = PictureFixture("splash.expected");
  int width = 0, height = 0;
  unsigned long long hash = 0;
  ASSERT_EQ(std::sscanf(expected.c_str(), "%d %d %llx", &width, &height, &hash), 3);

  JpegHeader header = ReadJpegHeader(*splash);
  EXPECT_TRUE(header.progressive);
  EXPECT_EQ(header.components, 3);
  Bitmap b = DecodeJpeg(*splash);
  ASSERT_EQ(b.Width(), width);
  ASSERT_EQ(b.Height(), height);
  unsigned long long v = 0xcbf29ce484222325ULL;
  for (int y = 0; y < b.Height(); ++y)
    for (int i = 0; i < b.Width() * 3; ++i) v = (v ^ b.ScanLine(y)[i]) * 0x100000001b3ULL;
  EXPECT_EQ(v, hash);
}

TEST(JpegDecoding, ScaledDecodingMatchesDjpegAndPicksTheSmallestCoveringScale) {
  JpegDecodeOptions options;
  options.scaleEighths = 3;
  ExpectSamePicture(DecodeJpeg(PictureFixture("photo.jpg"), options), BmpFixture("photo-3-8.bmp"));
  options.scaleEighths = 1;
  ExpectSamePicture(DecodeJpeg(PictureFixture("photo.jpg"), options), BmpFixture("photo-1-8.bmp"));

  JpegImage jpeg;  // 77 x 51
  jpeg.LoadFromBytes(PictureFixture("photo.jpg"));
  struct Case {
    int width, height, eighths;
  } cases[] = {{29, 20, 3}, {30, 20, 4}, {29, 21, 4}, {1, 1, 1}, {10, 7, 1}, {11, 7, 2},
               {77, 51, 8}, {78, 10, 8}, {500, 500, 8}};
  for (const Case& c : cases) {
    jpeg.ScaleToAtLeast(c.width, c.height);
    EXPECT_EQ(jpeg.ScaleEighths(), c.eighths) << c.width << "x" << c.height;
    EXPECT_GE(jpeg.Width(), std::min(c.width, 77));
    EXPECT_GE(jpeg.Height(), std::min(c.height, 51));
    Bitmap decoded = jpeg.ToBitmap();
    EXPECT_EQ(decoded.Width(), jpeg.Width());
    EXPECT_EQ(decoded.Height(), jpeg.Height());
  }

  // A photo's size: 6000 x 4000 for a 1920 x 1080 screen decodes at 3/8;
  // taken upright on a phone (stored on its side, orientation 6) the
  // upright width of 4000 decides: 4/8.
  struct Photo {
    int orientation, width, height, eighths, scaledWidth, scaledHeight;
  } photos[] = {{1, 6000, 4000, 3, 2250, 1500}, {6, 4000, 6000, 4, 2000, 3000}};
  for (const Photo& p : photos) {
    JpegImage big;
    big.LoadFromBytes(WithExifOrientation(WithDeclaredSize(PictureFixture("photo.jpg"), 6000, 4000), p.orientation));
    EXPECT_EQ(big.ImageWidth(), p.width);
    EXPECT_EQ(big.ImageHeight(), p.height);
    big.ScaleToAtLeast(1920, 1080);
    EXPECT_EQ(big.ScaleEighths(), p.eighths);
    EXPECT_EQ(big.Width(), p.scaledWidth);
    EXPECT_EQ(big.Height(), p.scaledHeight);
  }

  // Before resampling, half as much again is left to the averaging: 3000
  // for a width of 1920, 2250 for 1440; a small picture is decoded whole.
  JpegImage photo;
  photo.LoadFromBytes(WithDeclaredSize(PictureFixture("photo.jpg"), 6000, 4000));
  photo.ScaleForResampling(1920, 1080);
  EXPECT_EQ(photo.ScaleEighths(), 4);
  photo.ScaleForResampling(1440, 900);
  EXPECT_EQ(photo.ScaleEighths(), 3);
  photo.ScaleForResampling(6000, 4000);
  EXPECT_EQ(photo.ScaleEighths(), 8);
  jpeg.ScaleForResampling(60, 40);
  EXPECT_EQ(jpeg.ScaleEighths(), 8);
}

TEST(JpegDecoding, ResampledDecodingLooksLikeTheWholeDecodeResampled) {
  const std::string photo = PictureFixture("photo.jpg");  // 77 x 51
  struct Case {
    int eighths, width, height;
  } cases[] = {{8, 40, 30}, {3, 25, 17}, {4, 100, 60}, {8, 77, 51}, {1, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.eighths << "/8 to " << c.width << "x" << c.height);
    JpegDecodeOptions options;
    options.scaleEighths = c.eighths;
    const Bitmap streamed = DecodeJpegResampled(photo, options, c.width, c.height);
    const Bitmap whole = Resample(DecodeJpeg(photo, options), c.width, c.height);
    ASSERT_EQ(streamed.Width(), c.width);
    ASSERT_EQ(streamed.Height(), c.height);
    ASSERT_EQ(streamed.BitsPerPixel(), 24);
    int64_t sum = 0;
    for (int y = 0; y < c.height; ++y)
      for (int i = 0; i < c.width * 3; ++i) sum += std::abs(streamed.ScanLine(y)[i] - whole.ScanLine(y)[i]);
    EXPECT_LT(static_cast<double>(sum) / (c.width * c.height * 3), 1.0);
  }

  // A turned picture and a CMYK one come out turned and in their colours,
  // as the whole decode gives them.
  JpegImage turned;
  turned.LoadFromBytes(WithExifOrientation(QuadrantsJpeg(32, 16, 95), 6, true));
  Corners got = CornersOf(turned.ToBitmap(20, 40));
  EXPECT_TRUE(Near(got.topLeft, kBlue));
  EXPECT_TRUE(Near(got.topRight, kRed));
  EXPECT_TRUE(Near(got.bottomLeft, kWhite));
  EXPECT_TRUE(Near(got.bottomRight, kGreen));
  const Bitmap cmyk = DecodeJpegResampled(PictureFixture("cmyk.jpg"), {}, 30, 20);
  const Bitmap cmykWhole = Resample(DecodeJpeg(PictureFixture("cmyk.jpg")), 30, 20);
  EXPECT_TRUE(Near(cmyk.PixelColor(15, 10), cmykWhole.PixelColor(15, 10)));

  // Damage gives an EInvalidGraphic, never a crash or a picture of nothing.
  EXPECT_THROW(DecodeJpegResampled(photo.substr(0, photo.size() / 2), {}, 40, 30), EInvalidGraphic);
  std::mt19937 random(5);
  for (int round = 0; round < 100; ++round) {
    std::string s = photo;
    for (int i = 0; i < 3; ++i) s[random() % s.size()] = static_cast<char>(random());
    try {
      DecodeJpegResampled(s, {}, 1 + static_cast<int>(random() % 90), 1 + static_cast<int>(random() % 60));
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST(JpegDecoding, RowsComeInOrderEachOnceToAReceiverOfAnySpeed) {
  // Taller than the rows the decoding hands on at a time, so that a slow
  // receiver holds the decoding up and a quick one waits for it.
  const std::string jpeg = StreamedJpeg(48, 700, 90, [](int x, int y) {
    return Rgb{static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y % 256), static_cast<uint8_t>((x + y) % 256)};
  });
  const Bitmap expected = Resample(DecodeJpeg(jpeg), 40, 600);
  for (int pauseEvery : {0, 50}) {
    SCOPED_TRACE(testing::Message() << "a pause every " << pauseEvery << " rows");
    Bitmap got(40, 600, 24);
    int next = 0;
    DecodeJpegRows(jpeg, {}, std::nullopt, 40, 600, [&](int y, const uint8_t* row) {
      EXPECT_EQ(y, next++);
      if (y >= 0 && y < got.Height()) std::copy(row, row + 3 * 40, got.ScanLine(y));
      if (pauseEvery && y % pauseEvery == 0) std::this_thread::sleep_for(std::chrono::milliseconds(12));
    });
    EXPECT_EQ(next, 600);
    ExpectSamePicture(got, expected);
  }
}

TEST(JpegDecoding, EightBitOutputIsLibjpegsQuantisedPictureWithItsOwnPalette) {
  JpegImage jpeg;
  jpeg.LoadFromBytes(PictureFixture("photo.jpg"));
  jpeg.SetSmoothing(false);
  jpeg.SetPixelFormat(JpegPixelFormat::k8Bit);
  Bitmap b = jpeg.ToBitmap();
  EXPECT_EQ(b.BitsPerPixel(), 8);
  EXPECT_LE(b.Palette().size(), 256u);
  EXPECT_GT(b.Palette().size(), 16u);
  // djpeg -colors 256 -nosmooth: the same palette choice and dithering.
  ExpectSamePicture(b, BmpFixture("photo-256.bmp"));

  // A grey picture quantises to greys.
  JpegDecodeOptions grey;
  grey.pixelFormat = JpegPixelFormat::k8Bit;
  Bitmap g = DecodeJpeg(PictureFixture("gray.jpg"), grey);
  ASSERT_EQ(g.BitsPerPixel(), 8);
  for (int x = 0; x < g.Width(); x += 5) {
    Rgb c = g.PixelColor(x, 20);
    EXPECT_TRUE(c.red == c.green && c.green == c.blue) << x;
  }
}

TEST(JpegDecoding, CmykPicturesComeOutInTheirColours) {
  Bitmap cmyk = DecodeJpeg(PictureFixture("cmyk.jpg"));
  Bitmap rgb = BmpFixture("photo.bmp");
  ASSERT_EQ(cmyk.Width(), rgb.Width());
  ASSERT_EQ(cmyk.Height(), rgb.Height());
  long total = 0;
  for (int y = 0; y < rgb.Height(); ++y)
    for (int x = 0; x < rgb.Width(); ++x) {
      Rgb a = cmyk.PixelColor(x, y), b = rgb.PixelColor(x, y);
      total += std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
    }
  EXPECT_LT(total / (rgb.Width() * rgb.Height() * 3), 12);
}

TEST(JpegDecoding, DamagedOrTruncatedDataRaisesInsteadOfGivingAPicture) {
  for (const char* name : {"photo.jpg", "progressive.jpg"}) {
    SCOPED_TRACE(name);
    const std::string good = PictureFixture(name);
    // Truncated anywhere before the end marker.
    for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{20}, size_t{150}, good.size() / 2, good.size() - 3})
      EXPECT_THROW(DecodeJpeg(good.substr(0, n)), EInvalidGraphic) << "cut at " << n;
    JpegImage image;
    EXPECT_THROW(image.LoadFromBytes(good.substr(0, 100)), EInvalidGraphic);
    EXPECT_TRUE(image.Empty());
  }
  const std::string good = PictureFixture("photo.jpg");
  EXPECT_THROW(DecodeJpeg("not a jpeg at all"), EInvalidGraphic);
  EXPECT_THROW(DecodeJpeg(WithDeclaredSize(good, 0, 51)), EInvalidGraphic);
  // Declared far larger than anything the program can hold.
  EXPECT_THROW(DecodeJpeg(WithDeclaredSize(good, 65000, 65000)), EInvalidGraphic);
  // A header claiming a huge picture with the data of a small one.
  EXPECT_THROW(DecodeJpeg(WithDeclaredSize(good, 4000, 3000)), EInvalidGraphic);
  std::string badPrecision = good;
  size_t sof = badPrecision.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  badPrecision[sof + 4] = 3;
  EXPECT_THROW(DecodeJpeg(badPrecision), EInvalidGraphic);

  // Random damage: a picture or an EInvalidGraphic, never a crash.
  std::mt19937 random(99);
  for (int round = 0; round < 400; ++round) {
    std::string s = round % 2 ? good : PictureFixture("progressive.jpg");
    for (int i = 0; i < 3; ++i) s[random() % s.size()] = static_cast<char>(random());
    try {
      JpegDecodeOptions options;
      options.pixelFormat = round % 3 == 0 ? JpegPixelFormat::k8Bit : JpegPixelFormat::k24Bit;
      options.scaleEighths = 1 + static_cast<int>(random() % 8);
      DecodeJpeg(s, options);
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST(JpegEncoding, ABitmapCompressedAtFullQualityComesBackCloseAndTheImageFollowsItsSettings) {
  Bitmap original = BmpFixture("photo.bmp");
  JpegImage jpeg;
  jpeg.Assign(original);
  EXPECT_EQ(jpeg.Width(), 77);
  EXPECT_TRUE(jpeg.ToBitmap() == original);  // not yet compressed: the bitmap itself
  jpeg.SetCompressionQuality(100);
  jpeg.Compress();
  EXPECT_FALSE(jpeg.Data().empty());
  EXPECT_EQ(jpeg.SaveToBytes(), jpeg.Data());
  Bitmap back = jpeg.ToBitmap();
  ASSERT_EQ(back.Width(), 77);
  ASSERT_EQ(back.Height(), 51);
  long total = 0;
  for (int y = 0; y < 51; ++y)
    for (int x = 0; x < 77; ++x) {
      Rgb a = back.PixelColor(x, y), b = original.PixelColor(x, y);
      total += std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
    }
  EXPECT_LE(total / (77 * 51 * 3), 2);

  // Lower quality, smaller file; palette bitmaps are compressed too.
  std::string q100 = EncodeJpeg(original, 100);
  std::string q20 = EncodeJpeg(original, 20);
  EXPECT_LT(q20.size(), q100.size());
  Bitmap paletted = original;
  paletted.SetBitsPerPixel(8);
  EXPECT_EQ(DecodeJpeg(EncodeJpeg(paletted, 90)).Width(), 77);
  EXPECT_THROW(EncodeJpeg(Bitmap(), 90), EInvalidGraphic);
}

TEST(ExifOrientation, IsReadInEitherByteOrderAndADamagedBlockCountsAsStored) {
  for (int value = 1; value <= 8; ++value) {
    EXPECT_EQ(ExifOrientation(ExifBlock(value)), value);
    EXPECT_EQ(ExifOrientation(ExifBlock(value, true)), value);
  }
  EXPECT_EQ(ExifOrientation(ExifBlock(0)), 1);
  EXPECT_EQ(ExifOrientation(ExifBlock(9, true)), 1);
  EXPECT_EQ(ExifOrientation(""), 1);
  EXPECT_EQ(ExifOrientation(std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta/>"), 1);

  // Cut anywhere before the end of the orientation entry (signature 6, TIFF
  // header 8, entry count 2, two entries of 12 bytes): nothing read past the end.
  const std::string block = ExifBlock(6, true);
  for (size_t n = 0; n < block.size(); ++n) EXPECT_EQ(ExifOrientation(block.substr(0, n)), n >= 40 ? 6 : 1) << n;

  struct Damage {
    const char* what;
    size_t at;
    std::string bytes;
    int expected;
  } damages[] = {
      {"not the TIFF magic number", 8, std::string("\0\x2B", 2), 1},
      {"unknown byte order", 6, "IM", 1},
      {"IFD0 beyond the block", 10, std::string("\0\0\x10\0", 4), 1},
      {"more entries than the block holds", 14, "\xFF\xFF", 6},
      {"orientation given as LONG", 30, std::string("\0\x04\0\0\0\x01\0\0\0\x08", 10), 8},
      {"orientation of no values", 32, std::string("\0\0\0\0", 4), 1},
      {"orientation of another type", 30, std::string("\0\x02", 2), 1},
  };
  for (const Damage& d : damages) {
    std::string damaged = block;
    damaged.replace(d.at, d.bytes.size(), d.bytes);
    EXPECT_EQ(ExifOrientation(damaged), d.expected) << d.what;
  }
}

TEST(JpegOrientation, EveryOrientationTurnsThePictureAsItWasTaken) {
  // Stored as 32 x 16 quadrants: red, green / blue, white.
  const std::string stored = QuadrantsJpeg(32, 16, 95);
  struct Case {
    int orientation, width, height;
    Corners seen;
  } cases[] = {
      {1, 32, 16, {kRed, kGreen, kBlue, kWhite}},    // as stored
      {2, 32, 16, {kGreen, kRed, kWhite, kBlue}},    // mirrored left to right
      {3, 32, 16, {kWhite, kBlue, kGreen, kRed}},    // upside down
      {4, 32, 16, {kBlue, kWhite, kRed, kGreen}},    // mirrored top to bottom
      {5, 16, 32, {kRed, kBlue, kGreen, kWhite}},    // transposed
      {6, 16, 32, {kBlue, kRed, kWhite, kGreen}},    // turned a quarter clockwise
      {7, 16, 32, {kWhite, kGreen, kBlue, kRed}},    // transverse
      {8, 16, 32, {kGreen, kWhite, kRed, kBlue}},    // turned a quarter anticlockwise
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation);
    const std::string file = WithExifOrientation(stored, c.orientation, c.orientation % 2 == 0);
    EXPECT_EQ(ReadJpegHeader(file).width, 32);  // the header tells the stored size
    JpegImage jpeg;
    jpeg.LoadFromBytes(file);
    EXPECT_EQ(jpeg.Orientation(), c.orientation);
    EXPECT_EQ(jpeg.Width(), c.width);
    EXPECT_EQ(jpeg.Height(), c.height);
    for (JpegPixelFormat format : {JpegPixelFormat::k24Bit, JpegPixelFormat::k8Bit}) {
      jpeg.SetPixelFormat(format);
      Bitmap seen = jpeg.ToBitmap();
      ASSERT_EQ(seen.Width(), c.width);
      ASSERT_EQ(seen.Height(), c.height);
      Corners got = CornersOf(seen);
      EXPECT_TRUE(Near(got.topLeft, c.seen.topLeft));
      EXPECT_TRUE(Near(got.topRight, c.seen.topRight));
      EXPECT_TRUE(Near(got.bottomLeft, c.seen.bottomLeft));
      EXPECT_TRUE(Near(got.bottomRight, c.seen.bottomRight));
    }
  }
}

TEST(JpegDecoding, TheSizeLimitsHoldForWhatIsDecodedNotForTheStoredPicture) {
  // A 16000 x 9000 panorama: too large to hold whole, a 2000 x 1125 picture at 1/8.
  JpegImage panorama;
  panorama.LoadFromBytes(QuadrantsJpeg(16000, 9000, 30));
  EXPECT_EQ(panorama.ImageWidth(), 16000);
  EXPECT_THROW(panorama.ToBitmap(), EInvalidGraphic);
  panorama.ScaleToAtLeast(1024, 768);
  EXPECT_EQ(panorama.ScaleEighths(), 1);
  Bitmap small = panorama.ToBitmap();
  ASSERT_EQ(small.Width(), 2000);
  ASSERT_EQ(small.Height(), 1125);
  Corners got = CornersOf(small);
  EXPECT_TRUE(Near(got.topLeft, kRed));
  EXPECT_TRUE(Near(got.topRight, kGreen));
  EXPECT_TRUE(Near(got.bottomLeft, kBlue));
  EXPECT_TRUE(Near(got.bottomRight, kWhite));

  // When no scale covers the screen, the largest one that can be held.
  JpegImage strip;
  strip.LoadFromBytes(WithDeclaredSize(PictureFixture("photo.jpg"), 65000, 3000));
  strip.ScaleToAtLeast(1024, 4000);
  EXPECT_EQ(strip.ScaleEighths(), 6);  // 48750 x 2250; 7/8 would be 149 million pixels
  EXPECT_TRUE(FitsBitmapLimits(strip.Width(), strip.Height()));
}
