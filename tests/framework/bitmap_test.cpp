#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "framework/base/paths.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "support/fixtures.h"
#include "support/tempdir.h"

using namespace framework;

namespace {

void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}

// A BMP file with an info header, built field by field.
std::string MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                    const std::vector<uint32_t>& extra, const std::string& pixels) {
  std::string s(14 + 40, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 14, 40);
  Put32(s, 18, static_cast<uint32_t>(width));
  Put32(s, 22, static_cast<uint32_t>(height));
  Put16(s, 26, 1);
  Put16(s, 28, bits);
  Put32(s, 30, compression);
  for (uint32_t v : extra) {
    std::string word(4, '\0');
    Put32(word, 0, v);
    s += word;
  }
  Put32(s, 10, static_cast<uint32_t>(s.size()));
  s += pixels;
  Put32(s, 2, static_cast<uint32_t>(s.size()));
  return s;
}

Bitmap Decode(const std::string& bytes) {
  Bitmap b;
  b.LoadFromBytes(bytes);
  return b;
}

// Every pixel's colour, row by row.
std::vector<Rgb> Colors(const Bitmap& b) {
  std::vector<Rgb> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.push_back(b.PixelColor(x, y));
  return out;
}

Bitmap PatternBitmap(int width, int height, int bits, unsigned seed) {
  std::mt19937 random(seed);
  Bitmap b(width, height, bits);
  if (bits <= 8) {
    std::vector<PaletteEntry> palette(size_t{1} << bits);
    for (auto& e : palette) e = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    b.SetPalette(palette);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) b.SetPixelIndex(x, y, static_cast<int>(random() % palette.size()));
  } else {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width * bits / 8; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(random());
  }
  return b;
}

}  // namespace

TEST(BmpFiles, EveryPixelFormatSurvivesAWriteAndAReadUnchanged) {
  TempDir dir;
  for (int bits : {1, 4, 8, 24, 32}) {
    for (int width : {1, 3, 7, 33}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
      Bitmap original = PatternBitmap(width, 5, bits, static_cast<unsigned>(bits * 100 + width));
      Bitmap copy = Decode(original.SaveToBytes());
      EXPECT_TRUE(copy == original);

      std::string path = dir.PathOf("round.bmp");
      original.SaveToFile(path);
      Bitmap fromFile;
      fromFile.LoadFromFile(path);
      EXPECT_TRUE(fromFile == original);
      EXPECT_EQ(dir.ReadFile("round.bmp"), original.SaveToBytes());
    }
  }
  // A screen-sized picture goes to its file in pieces: the same bytes.
  for (int bits : {24, 32}) {
    const Bitmap large = PatternBitmap(1031, 467, bits, 5u);
    large.SaveToFile(dir.PathOf("large.bmp"));
    EXPECT_EQ(dir.ReadFile("large.bmp"), large.SaveToBytes()) << bits;
  }
}

TEST(BmpFiles, WrittenFilesAreBottomUpInfoHeaderBitmapsOthersCanRead) {
  Bitmap b(2, 2, 24);
  b.SetPixelColor(0, 0, {255, 0, 0});  // top-left red
  b.SetPixelColor(1, 1, {0, 0, 255});  // bottom-right blue
  std::string file = b.SaveToBytes();
  ASSERT_EQ(file.size(), 14u + 40u + 2 * 8u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(file[14]), 40);
  EXPECT_EQ(static_cast<uint8_t>(file[22]), 2);  // positive height: bottom row first
  // First stored row is the bottom one: black, then blue (B G R order).
  EXPECT_EQ(file.substr(54, 6), std::string("\0\0\0\xFF\0\0", 6));
  EXPECT_EQ(file.substr(62, 6), std::string("\0\0\xFF\0\0\0", 6));
}

TEST(BmpFiles, VariantsWrittenByOtherProgramsGiveTheSamePicture) {
  Bitmap reference = Decode(PictureFixture("sixteen-24.bmp"));
  ASSERT_EQ(reference.Width(), 29);
  ASSERT_EQ(reference.Height(), 17);
  std::vector<Rgb> expected = Colors(reference);

  Bitmap rle8 = Decode(PictureFixture("sixteen-rle8.bmp"));
  EXPECT_EQ(rle8.BitsPerPixel(), 8);
  EXPECT_EQ(Colors(rle8), expected);

  Bitmap core = Decode(PictureFixture("sixteen-core.bmp"));
  EXPECT_EQ(core.BitsPerPixel(), 4);
  EXPECT_EQ(Colors(core), expected);

  Bitmap v5 = Decode(PictureFixture("sixteen-v5-32.bmp"));
  EXPECT_EQ(v5.BitsPerPixel(), 32);
  EXPECT_EQ(Colors(v5), expected);

  // 5-6-5 cannot hold every colour exactly: each channel within one step.
  Bitmap rgb565 = Decode(PictureFixture("sixteen-565.bmp"));
  EXPECT_EQ(rgb565.BitsPerPixel(), 24);
  std::vector<Rgb> got = Colors(rgb565);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].red, expected[i].red, 8) << i;
    EXPECT_NEAR(got[i].green, expected[i].green, 4) << i;
    EXPECT_NEAR(got[i].blue, expected[i].blue, 8) << i;
  }
}

TEST(BmpFiles, TopDownRowsBitFieldsAndRle4AreDecoded) {
  // Top-down 24 bits: the first stored row is the top one.
  std::string rows("\x00\x00\xFF\x00\xFF\x00\x00\x00"   // red, green, padding
                   "\xFF\x00\x00\xFF\xFF\xFF\x00\x00",  // blue, white, padding
                   16);
  Bitmap topDown = Decode(MakeBmp(2, -2, 24, 0, {}, rows));
  EXPECT_EQ(topDown.PixelColor(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(topDown.PixelColor(1, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(topDown.PixelColor(0, 1), (Rgb{0, 0, 255}));
  EXPECT_EQ(topDown.PixelColor(1, 1), (Rgb{255, 255, 255}));

  // 16-bit bit fields (5-6-5) after an info header; one pixel, pure green.
  Bitmap fields = Decode(MakeBmp(1, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, std::string("\xE0\x07\0\0", 4)));
  EXPECT_EQ(fields.PixelColor(0, 0), (Rgb{0, 255, 0}));

  // RLE4, 6 x 3, bottom-up, 16-entry palette: a run, a literal, a move and
  // the end of the picture before the last row is reached.
  std::vector<uint32_t> palette;
  for (uint32_t i = 0; i < 16; ++i) palette.push_back(i * 0x101010);
  std::string rle("\x04\x12"            // 1 2 1 2 (bottom row)
                  "\x00\x03\x34\x50"    // literal 3 4 5 (word padded)
                  "\x00\x00"            // end of line
                  "\x00\x02\x02\x00"    // move right by 2
                  "\x02\xFF"            // F F at x = 2, 3
                  "\x00\x01",           // end of picture
                  16);
  std::string file = MakeBmp(6, 3, 4, 2, palette, rle);
  Put32(file, 46, 16);  // colours used
  Bitmap rle4 = Decode(file);
  ASSERT_EQ(rle4.BitsPerPixel(), 4);
  std::vector<int> bottom, middle, top;
  for (int x = 0; x < 6; ++x) {
    bottom.push_back(rle4.PixelIndex(x, 2));
    middle.push_back(rle4.PixelIndex(x, 1));
    top.push_back(rle4.PixelIndex(x, 0));
  }
  EXPECT_EQ(bottom, (std::vector<int>{1, 2, 1, 2, 3, 4}));
  EXPECT_EQ(middle, (std::vector<int>{0, 0, 15, 15, 0, 0}));
  EXPECT_EQ(top, (std::vector<int>(6, 0)));
  EXPECT_EQ(rle4.PixelColor(2, 1), (Rgb{0xF0, 0xF0, 0xF0}));
}

TEST(BmpFiles, DamagedFilesAreRefusedWithoutReadingPastTheData) {
  const std::string good = PatternBitmap(9, 4, 24, 7).SaveToBytes();
  ASSERT_NO_THROW(Decode(good));
  // Cut anywhere: never a picture from half a file.
  for (size_t n = 0; n < good.size() - 3; ++n)
    EXPECT_THROW(Decode(good.substr(0, n)), EInvalidGraphic) << "cut at " << n;

  auto with32 = [&](size_t at, uint32_t v) {
    std::string s = good;
    Put32(s, at, v);
    return s;
  };
  auto with16 = [&](size_t at, uint16_t v) {
    std::string s = good;
    Put16(s, at, v);
    return s;
  };
  // Pixel offsets outside the file or inside the headers.
  EXPECT_THROW(Decode(with32(10, static_cast<uint32_t>(good.size() + 1))), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(10, 0xFFFFFFFF)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(10, 20)), EInvalidGraphic);
  // Header sizes that do not fit.
  EXPECT_THROW(Decode(with32(14, 0xFFFFFFF0)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(14, 8)), EInvalidGraphic);
  // Absurd and empty dimensions.
  EXPECT_THROW(Decode(with32(18, 0x7FFFFFFF)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(22, 0x80000000)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(18, 0)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(18, static_cast<uint32_t>(-5))), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(22, 40000)), EInvalidGraphic);
  // Depths and compressions that do not exist or go together.
  EXPECT_THROW(Decode(with16(28, 2)), EInvalidGraphic);
  EXPECT_THROW(Decode(with16(28, 64)), EInvalidGraphic);
  EXPECT_THROW(Decode(with32(30, 4)), EInvalidGraphic);  // embedded JPEG
  EXPECT_THROW(Decode(with32(30, 1)), EInvalidGraphic);  // RLE8 at 24 bits
  EXPECT_THROW(Decode(with32(30, 3)), EInvalidGraphic);  // bit fields without masks
  EXPECT_THROW(Decode("BM"), EInvalidGraphic);
  EXPECT_THROW(Decode(std::string(100, '\0')), EInvalidGraphic);

  // A huge picture declared by a few bytes of RLE data is refused before
  // any memory is taken for it.
  EXPECT_THROW(Decode(MakeBmp(60000, 60000, 8, 1, {}, std::string("\0\1", 2))), EInvalidGraphic);
}

TEST(BmpFiles, RleDataThatRunsOffThePictureIsClippedNotWrittenOutside) {
  std::string wild("\xFF\x07"            // a run far wider than the picture
                   "\x00\x02\xFF\xFF"    // a move beyond the right and top edges
                   "\x00\xFF\x01\x02"    // a literal run longer than the data
                   , 10);
  Bitmap b = Decode(MakeBmp(3, 2, 8, 1, {}, wild));
  EXPECT_EQ(b.PixelIndex(0, 1), 7);
  EXPECT_EQ(b.PixelIndex(2, 1), 7);
  EXPECT_EQ(b.PixelIndex(0, 0), 0);

  // Random damage to a compressed file: a picture or an EInvalidGraphic,
  // never anything else.
  const std::string rle = PictureFixture("sixteen-rle8.bmp");
  std::mt19937 random(1234);
  for (int round = 0; round < 3000; ++round) {
    std::string s = rle;
    int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      size_t at = random() % (round % 2 ? 70 : s.size());
      s[at] = static_cast<char>(random());
    }
    if (round % 3 == 0) s.resize(random() % s.size());
    try {
      Bitmap damaged = Decode(s);
      EXPECT_GT(damaged.Width(), 0);
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST(BitmapEditing, CropKeepsTheTopLeftPartAndConversionsKeepColours) {
  Bitmap b = PatternBitmap(10, 8, 24, 3);
  std::vector<Rgb> before = Colors(b);
  b.Crop(4, 20);  // a size beyond the picture is limited to it
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.PixelColor(x, y), before[static_cast<size_t>(y) * 10 + x]);

  // 1-bit crop to a width inside a byte leaves no stray bits behind.
  Bitmap mono = PatternBitmap(13, 2, 1, 5);
  Bitmap monoCropped = mono;
  monoCropped.Crop(5, 2);
  monoCropped.SetSize(13, 2);
  for (int x = 0; x < 13; ++x) EXPECT_EQ(monoCropped.PixelIndex(x, 0), x < 5 ? mono.PixelIndex(x, 0) : 0) << x;

  Bitmap paletted = PatternBitmap(7, 3, 8, 9);
  Bitmap wide = paletted;
  wide.SetBitsPerPixel(24);
  EXPECT_EQ(Colors(wide), Colors(paletted));
  wide.SetBitsPerPixel(32);
  EXPECT_EQ(Colors(wide), Colors(paletted));

  // Back to 8 bits: every colour is in the standard palette's cube.
  Bitmap cube(3, 1, 24);
  cube.SetPixelColor(0, 0, {255, 0, 0});
  cube.SetPixelColor(1, 0, {51, 102, 153});
  cube.SetPixelColor(2, 0, {253, 253, 253});
  cube.SetBitsPerPixel(8);
  EXPECT_EQ(cube.BitsPerPixel(), 8);
  EXPECT_EQ(cube.PixelColor(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(cube.PixelColor(1, 0), (Rgb{51, 102, 153}));
  EXPECT_EQ(cube.PixelColor(2, 0), (Rgb{255, 255, 255}));
}

namespace {
// Pixels a GDI operation painted on a 24-bit top-down DIB section.
std::vector<Rgb> Painted(int width, int height, const std::function<void(HDC)>& paint) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  paint(dc);
  GdiFlush();
  std::vector<Rgb> out;
  size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(bits) + y * stride + x * 3;
      out.push_back({p[2], p[1], p[0]});
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
  return out;
}
}  // namespace

TEST(BitmapDisplay, DrawAndDibSectionsShowThePictureTheRightWayUp) {
  for (int bits : {4, 8, 24, 32}) {
    SCOPED_TRACE(bits);
    Bitmap b = PatternBitmap(5, 3, bits, 11);
    std::vector<Rgb> expected = Colors(b);
    EXPECT_EQ(Painted(5, 3, [&](HDC dc) { b.Draw(dc, 0, 0, 5, 3); }), expected);

    HBITMAP handle = b.CreateHBITMAP();
    ASSERT_NE(handle, nullptr);
    std::vector<Rgb> shown = Painted(5, 3, [&](HDC dc) {
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, handle);
      BitBlt(dc, 0, 0, 5, 3, source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
    });
    EXPECT_EQ(shown, expected);
    DeleteObject(handle);
  }
  // Stretched twice as large: each source pixel covers a 2 x 2 block's
  // centre.
  Bitmap two(2, 1, 24);
  two.SetPixelColor(0, 0, {255, 0, 0});
  two.SetPixelColor(1, 0, {0, 0, 255});
  std::vector<Rgb> big = Painted(4, 2, [&](HDC dc) { two.Draw(dc, 0, 0, 4, 2); });
  EXPECT_GT(big[0].red, 200);
  EXPECT_GT(big[7].blue, 200);
}
