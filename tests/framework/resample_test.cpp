#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/imaging/resample.h"

using namespace framework;

namespace {

Bitmap Uniform(int width, int height, int bits, Rgb color) {
  Bitmap b(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, color);
  return b;
}

std::vector<int> RedRow(const Bitmap& b, int y) {
  std::vector<int> row;
  for (int x = 0; x < b.Width(); ++x) row.push_back(b.PixelColor(x, y).red);
  return row;
}

}  // namespace

TEST(Resample, GivesExactlyTheSizeAskedAndKeepsAUniformPictureUniform) {
  const Rgb color{201, 37, 118};
  struct Size {
    int width, height;
  } sizes[] = {{1, 1}, {7, 3}, {64, 48}, {100, 75}, {333, 17}, {3, 250}};
  for (int bits : {8, 24, 32}) {
    Bitmap source = Uniform(64, 48, bits, color);
    const Rgb expected = source.PixelColor(0, 0);  // the palette's nearest at 8 bits
    for (const Size& s : sizes) {
      SCOPED_TRACE(testing::Message() << bits << " bits to " << s.width << "x" << s.height);
      Bitmap out = Resample(source, s.width, s.height);
      ASSERT_EQ(out.Width(), s.width);
      ASSERT_EQ(out.Height(), s.height);
      EXPECT_EQ(out.BitsPerPixel(), bits == 32 ? 32 : 24);
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) ASSERT_EQ(out.PixelColor(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_TRUE(Resample(Bitmap(), 10, 10).Empty());
  EXPECT_TRUE(Resample(Uniform(4, 4, 24, color), 0, 10).Empty());
}

TEST(Resample, GradientsStayMonotonicWhenShrinkingAndEnlarging) {
  Bitmap ramp(256, 40, 24);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 256; ++x)
      ramp.SetPixelColor(x, y, {static_cast<uint8_t>(x), 0, static_cast<uint8_t>(y * 6)});
  for (int width : {17, 100, 255, 257, 600, 1000}) {
    for (int height : {5, 40, 97}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height);
      Bitmap out = Resample(ramp, width, height);
      std::vector<int> row = RedRow(out, height / 2);
      for (int x = 1; x < width; ++x) ASSERT_LE(row[x - 1], row[x]) << x;
      EXPECT_LE(row.front(), 8);
      EXPECT_GE(row.back(), 247);
      for (int y = 1; y < height; ++y) ASSERT_LE(out.PixelColor(width / 2, y - 1).blue, out.PixelColor(width / 2, y).blue);
    }
  }
}

TEST(Resample, ShrinkingAveragesAreasAndEnlargingInterpolates) {
  Bitmap four(4, 1, 24);
  const uint8_t values[] = {0, 0, 255, 255};
  for (int x = 0; x < 4; ++x) four.SetPixelColor(x, 0, {values[x], 0, 0});
  EXPECT_EQ(RedRow(Resample(four, 2, 1), 0), (std::vector<int>{0, 255}));
  // Three into two: each output pixel covers one and a half source pixels.
  Bitmap three(3, 1, 24);
  three.SetPixelColor(0, 0, {0, 0, 0});
  three.SetPixelColor(1, 0, {90, 0, 0});
  three.SetPixelColor(2, 0, {240, 0, 0});
  EXPECT_EQ(RedRow(Resample(three, 2, 1), 0), (std::vector<int>{30, 190}));
  // A thin line is not lost when shrinking (no pixel is simply skipped).
  Bitmap line = Uniform(10, 1, 24, {0, 0, 0});
  line.SetPixelColor(5, 0, {250, 0, 0});
  EXPECT_EQ(RedRow(Resample(line, 5, 1), 0), (std::vector<int>{0, 0, 125, 0, 0}));

  Bitmap two(2, 1, 24);
  two.SetPixelColor(0, 0, {0, 0, 0});
  two.SetPixelColor(1, 0, {255, 0, 0});
  EXPECT_EQ(RedRow(Resample(two, 4, 1), 0), (std::vector<int>{0, 64, 191, 255}));
  // The same size is an exact copy.
  Bitmap same = Resample(three, 3, 1);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(same.PixelColor(x, 0), three.PixelColor(x, 0));
}

namespace {

// Pixels of every value, not smooth: rounding differences show.
Bitmap Noise(int width, int height, int bits, unsigned seed) {
  Bitmap b(width, height, bits);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (size_t i = 0; i < static_cast<size_t>(width) * bits / 8; ++i) {
      seed = seed * 1103515245u + 12345u;
      row[i] = static_cast<uint8_t>(seed >> 16);
    }
  }
  return b;
}

Bitmap RowByRow(const Bitmap& source, int width, int height, int pushedRows) {
  Bitmap out(width, height, source.BitsPerPixel());
  RowResampler resampler(source.Width(), source.Height(), source.BitsPerPixel() / 8, out);
  for (int y = 0; y < pushedRows; ++y) {
    if (y < source.Height()) {
      EXPECT_FALSE(resampler.Done()) << y;
    }
    resampler.Push(source.ScanLine(std::min(y, source.Height() - 1)));
  }
  EXPECT_TRUE(resampler.Done());
  return out;
}

}  // namespace

TEST(RowResampler, GivesWhatTheWholePictureResampleGivesWithoutHoldingThePicture) {
  struct Case {
    int sourceWidth, sourceHeight, width, height;
  } cases[] = {
      {300, 100, 100, 90},    // the rows first
      {2250, 150, 1920, 108},  // the columns first
      {4500, 300, 3840, 216},  {77, 51, 200, 130}, {40, 200, 39, 7}, {5, 3, 1, 1}, {1, 1, 9, 4}, {64, 48, 64, 48},
  };
  for (int bits : {24, 32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << bits << " bits, " << c.sourceWidth << "x" << c.sourceHeight << " to "
                                      << c.width << "x" << c.height);
      const Bitmap source = Noise(c.sourceWidth, c.sourceHeight, bits, 7u + c.width);
      const Bitmap whole = Resample(source, c.width, c.height);
      // Rows past the last are ignored.
      const Bitmap rows = RowByRow(source, c.width, c.height, c.sourceHeight + 3);
      ASSERT_EQ(rows.Width(), c.width);
      ASSERT_EQ(rows.Height(), c.height);
      // Both take the passes in the same order: the very same bytes.
      for (int y = 0; y < c.height; ++y)
        ASSERT_EQ(0, std::memcmp(rows.ScanLine(y), whole.ScanLine(y), static_cast<size_t>(c.width) * bits / 8)) << y;
    }
  }
}

TEST(Resample, ATrueColourPictureAndItsCopyWithAFourthByteGetTheSameColours) {
  // Shrinking by less than half and by more, the same size, enlarging: each
  // way a row is scaled along its width, the pixels whole.
  struct Case {
    int sourceWidth, sourceHeight, width, height;
  } cases[] = {{6000, 8, 3840, 5}, {4500, 6, 3840, 4}, {2250, 5, 1920, 3}, {333, 7, 97, 5},
               {1000, 4, 500, 2},  {640, 3, 640, 3},   {150, 4, 1601, 3},  {7, 2, 3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sourceWidth << "x" << c.sourceHeight << " to " << c.width << "x" << c.height);
    const Bitmap four = Noise(c.sourceWidth, c.sourceHeight, 32, 11u + c.width);
    Bitmap three = four;
    three.SetBitsPerPixel(24);
    const Bitmap fromThree = Resample(three, c.width, c.height), fromFour = Resample(four, c.width, c.height);
    ASSERT_EQ(fromThree.BitsPerPixel(), 24);
    ASSERT_EQ(fromFour.BitsPerPixel(), 32);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(fromThree.PixelColor(x, y), fromFour.PixelColor(x, y)) << x << "," << y;
  }
}
