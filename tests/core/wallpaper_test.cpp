#include "core/wallpaper.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "framework/imaging/resample.h"
#include "support/fixtures.h"
#include "support/jpegfiles.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"

using namespace kaleidon;
using framework::Bitmap;
using framework::Rgb;

namespace {

// Four quadrants: red, green / blue, white.
Rgb QuadrantColour(int x, int y, int width, int height) {
  bool right = x >= width / 2, bottom = y >= height / 2;
  return !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0}) : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
}

Bitmap Quadrants(int width, int height) {
  Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, QuadrantColour(x, y, width, height));
  return b;
}

int Distance(Rgb a, Rgb b) {
  return std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

// Red, green / blue, white, a quarter of the way in from each corner.
void ExpectQuadrants(const Bitmap& w) {
  const int left = w.Width() / 4, right = w.Width() * 3 / 4, top = w.Height() / 4, bottom = w.Height() * 3 / 4;
  EXPECT_LE(Distance(w.PixelColor(left, top), {255, 0, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(right, top), {0, 255, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(left, bottom), {0, 0, 255}), 12);
  EXPECT_LE(Distance(w.PixelColor(right, bottom), {255, 255, 255}), 12);
}

std::string RegistryWallpaper() {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallPaper", RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return "";
  return framework::Narrow(value);
}

std::string ShownWallpaper() {
  wchar_t value[MAX_PATH + 1] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, value, 0);
  return framework::Narrow(value);
}

class Wallpaper : public testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(program.path());
    framework::Picture::ResetFileFormats();
    framework::Picture::ForgetMetafilesAndIcons();
    SetSoundPlayer([this](const std::string& path) { played.push_back(path); });
    savedRegistryValue = RegistryWallpaper();
  }
  void TearDown() override {
    SetSoundPlayer(nullptr);
    framework::OverrideProgramFolder("");
    if (!savedRegistryValue.empty()) SetWallpaper(savedRegistryValue, false, WallpaperOptions{});
  }

  std::string Prepare(const std::string& name, const std::string& bytes, WallpaperOptions options, ScreenInfo screen) {
    pictures.WriteFile(name, bytes);
    return PrepareWallpaperBitmap(pictures.PathOf(name), options, screen, boxes);
  }
  Bitmap Result() {
    Bitmap b;
    b.LoadFromFile(program.PathOf("WPFile.BMP"));
    return b;
  }

  TempDir program;
  TempDir pictures;
  MessageBoxRecorder boxes;
  std::vector<std::string> played;
  std::string savedRegistryValue;
};

const ScreenInfo kPaletteScreen{1024, 768, 8};
const ScreenInfo kTrueColourScreen{1024, 768, 32};

}  // namespace

TEST_F(Wallpaper, OnA256ColourScreenATrueColourBitmapIsCutToTheScreenAndReducedTo256Colours) {
  Bitmap source = Quadrants(2000, 1500);  // the screen holds the top-left 1024 x 768
  for (int y = 700; y < 768; ++y)
    for (int x = 0; x < 100; ++x) source.SetPixelColor(x, y, {255, 255, 0});
  WallpaperOptions fit;
  fit.fitToScreen = true;  // no stretching on a palette screen
  std::string path = Prepare("big.bmp", source.SaveToBytes(), fit, kPaletteScreen);

  EXPECT_EQ(path, program.PathOf("WPFile.BMP"));
  EXPECT_EQ(boxes.Count(), 0u);
  Bitmap w = Result();
  EXPECT_EQ(w.Width(), 1024);
  EXPECT_EQ(w.Height(), 768);
  EXPECT_EQ(w.BitsPerPixel(), 8);
  EXPECT_GE(w.Palette().size(), 2u);
  EXPECT_LE(w.Palette().size(), 256u);
  EXPECT_LE(Distance(w.PixelColor(500, 300), {255, 0, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(50, 740), {255, 255, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(1010, 10), {0, 255, 0}), 12);  // green starts at x = 1000
  EXPECT_LE(Distance(w.PixelColor(500, 760), {0, 0, 255}), 12);  // blue at y = 750
}

TEST_F(Wallpaper, OnATrueColourScreenFittingStretchesOverExactlyTheScreen) {
  WallpaperOptions fit;
  fit.fitToScreen = true;
  Prepare("big.bmp", Quadrants(2000, 1500).SaveToBytes(), fit, kTrueColourScreen);
  Bitmap w = Result();
  ASSERT_EQ(w.Width(), 1024);
  ASSERT_EQ(w.Height(), 768);
  EXPECT_EQ(w.PixelColor(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(w.PixelColor(1023, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(w.PixelColor(0, 767), (Rgb{0, 0, 255}));
  EXPECT_EQ(w.PixelColor(1023, 767), (Rgb{255, 255, 255}));
  EXPECT_EQ(w.PixelColor(511, 383), (Rgb{255, 0, 0}));
  EXPECT_EQ(w.PixelColor(512, 384), (Rgb{255, 255, 255}));

  // A small picture is enlarged, not kept in a corner; the aspect is not kept.
  Prepare("small.bmp", Quadrants(40, 10).SaveToBytes(), fit, ScreenInfo{300, 200, 16});
  Bitmap small = Result();
  ASSERT_EQ(small.Width(), 300);
  ASSERT_EQ(small.Height(), 200);
  EXPECT_EQ(small.PixelColor(299, 199), (Rgb{255, 255, 255}));
  EXPECT_EQ(small.PixelColor(10, 190), (Rgb{0, 0, 255}));
}

TEST_F(Wallpaper, WithoutFittingOrOnAPaletteScreenOtherPicturesKeepTheirSizeAndFormat) {
  WallpaperOptions fit;
  fit.fitToScreen = true;
  Bitmap paletted = Quadrants(1500, 900);
  paletted.SetBitsPerPixel(8);
  Prepare("palette.bmp", paletted.SaveToBytes(), fit, kPaletteScreen);
  EXPECT_TRUE(Result() == paletted);

  Bitmap deep = Quadrants(300, 100);
  deep.SetBitsPerPixel(32);
  Prepare("deep.bmp", deep.SaveToBytes(), fit, kPaletteScreen);
  EXPECT_TRUE(Result() == deep);

  Prepare("true.bmp", Quadrants(1500, 900).SaveToBytes(), WallpaperOptions{}, kTrueColourScreen);
  EXPECT_TRUE(Result() == Quadrants(1500, 900));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(Wallpaper, JpegsAreDecodedInFullWithoutFittingAndNeverReducedTo256Colours) {
  Bitmap expected;
  expected.LoadFromBytes(PictureFixture("photo.bmp"));
  for (ScreenInfo screen : {kPaletteScreen, kTrueColourScreen}) {
    Prepare("photo.jpg", PictureFixture("photo.jpg"), WallpaperOptions{}, screen);
    Bitmap w = Result();
    EXPECT_EQ(w.BitsPerPixel(), 24);
    EXPECT_TRUE(w == expected);
  }
  WallpaperOptions fit;
  fit.fitToScreen = true;
  Prepare("photo.jpg", PictureFixture("photo.jpg"), fit, kPaletteScreen);
  EXPECT_TRUE(Result() == expected);
}

TEST_F(Wallpaper, AFittedJpegIsScaledWhileDecodingAndThenToTheExactScreen) {
  WallpaperOptions fit;
  fit.fitToScreen = true;
  // 1600 x 1200 on 500 x 300: decoded at 3/8 (600 x 450), then shrunk.
  Bitmap quadrants = Quadrants(1600, 1200);
  Prepare("q.jpg", framework::EncodeJpeg(quadrants, 95), fit, ScreenInfo{500, 300, 32});
  Bitmap w = Result();
  ASSERT_EQ(w.Width(), 500);
  ASSERT_EQ(w.Height(), 300);
  ExpectQuadrants(w);
  // Larger than the picture: enlarged from the full decode.
  Prepare("photo.jpg", PictureFixture("photo.jpg"), fit, ScreenInfo{160, 100, 24});
  EXPECT_EQ(Result().Width(), 160);
  EXPECT_EQ(Result().Height(), 100);
}

namespace {

int Luma(Rgb c) { return (299 * c.red + 587 * c.green + 114 * c.blue) / 1000; }

struct Area {
  int left, top, width, height;
  bool Holds(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

// The mean difference of horizontally neighbouring pixels of w that both lie
// in or both out of the area: how sharp that part is.
double Sharpness(const Bitmap& w, const Area& a, bool inside) {
  double sum = 0;
  int count = 0;
  for (int y = 0; y < w.Height(); ++y)
    for (int x = 0; x + 1 < w.Width(); ++x)
      if (a.Holds(x, y) == inside && a.Holds(x + 1, y) == inside) {
        const Rgb p = w.PixelColor(x, y), q = w.PixelColor(x + 1, y);
        sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue), ++count;
      }
  for (int y = 0; y + 1 < w.Height(); ++y)
    for (int x = 0; x < w.Width(); ++x)
      if (a.Holds(x, y) == inside && a.Holds(x, y + 1) == inside) {
        const Rgb p = w.PixelColor(x, y), q = w.PixelColor(x, y + 1);
        sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue), ++count;
      }
  return sum / (3.0 * count);
}

// The mean colour of a bitmap's area's outermost pixels.
Rgb EdgeMean(const Bitmap& b, const Area& a) {
  long sum[3] = {}, count = 0;
  for (int y = a.top; y < a.top + a.height; ++y)
    for (int x = a.left; x < a.left + a.width; ++x)
      if (x == a.left || y == a.top || x == a.left + a.width - 1 || y == a.top + a.height - 1) {
        const Rgb c = b.PixelColor(x, y);
        sum[0] += c.red, sum[1] += c.green, sum[2] += c.blue, ++count;
      }
  return Rgb{static_cast<uint8_t>(sum[0] / count), static_cast<uint8_t>(sum[1] / count),
             static_cast<uint8_t>(sum[2] / count)};
}

}  // namespace

// The photo (77 x 51) on a landscape and a portrait screen in each style:
// where the picture lies, at what size, and what fills the rest.
TEST_F(Wallpaper, EachFitStyleShowsThePictureAtItsSizeAndPlaceAndFillsTheRestAsItSays) {
  struct Case {
    FitStyle style;
    int screenWidth, screenHeight;
    Area picture;  // the picture's place on the screen, past its edges where cut
  };
  const Case cases[] = {
      {FitStyle::Stretch, 160, 90, {0, 0, 160, 90}},
      {FitStyle::Stretch, 90, 160, {0, 0, 90, 160}},
      {FitStyle::Crop, 160, 90, {0, -8, 160, 106}},      // 105.97 rows, 16 cut
      {FitStyle::Crop, 90, 160, {-76, 0, 242, 160}},     // 241.57 columns, 152 cut
      {FitStyle::WholeOnBlur, 160, 90, {12, 0, 136, 90}},  // 135.88 columns
      {FitStyle::WholeOnBlur, 90, 160, {0, 50, 90, 60}},   // 59.61 rows
      {FitStyle::WholeOnColour, 160, 90, {12, 0, 136, 90}},
      {FitStyle::WholeOnColour, 90, 160, {0, 50, 90, 60}},
  };
  Bitmap photo;
  photo.LoadFromBytes(PictureFixture("photo.bmp"));  // the photo's decoded pixels
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.style) << " on " << c.screenWidth << "x" << c.screenHeight);
    WallpaperOptions options;
    options.fitToScreen = true;
    options.fitStyle = c.style;
    Prepare("photo.jpg", PictureFixture("photo.jpg"), options, ScreenInfo{c.screenWidth, c.screenHeight, 32});
    const Bitmap w = Result();
    ASSERT_EQ(w.Width(), c.screenWidth);
    ASSERT_EQ(w.Height(), c.screenHeight);
    // Where the picture lies it is the photo scaled to that size, its shape
    // kept to a pixel (nothing uncovered by a stretch or a cut, nothing cut
    // from a whole picture).
    const Bitmap scaled = framework::Resample(photo, c.picture.width, c.picture.height);
    double difference = 0;
    int shown = 0;
    for (int y = 0; y < w.Height(); ++y)
      for (int x = 0; x < w.Width(); ++x)
        if (c.picture.Holds(x, y)) {
          const Rgb p = w.PixelColor(x, y), q = scaled.PixelColor(x - c.picture.left, y - c.picture.top);
          difference += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue), ++shown;
        }
    EXPECT_LT(difference / (3.0 * shown), 3.0);
    const Area onScreen{std::max(0, c.picture.left), std::max(0, c.picture.top),
                        std::min(c.picture.width, c.screenWidth), std::min(c.picture.height, c.screenHeight)};
    if (c.style == FitStyle::WholeOnBlur) {
      // The bars: blurred, and darker than the picture's own edges.
      EXPECT_LT(Sharpness(w, onScreen, false), Sharpness(w, onScreen, true) / 3);
      double bars = 0;
      int count = 0;
      for (int y = 0; y < w.Height(); ++y)
        for (int x = 0; x < w.Width(); ++x)
          if (!onScreen.Holds(x, y)) bars += Luma(w.PixelColor(x, y)), ++count;
      EXPECT_LT(bars / count, Luma(EdgeMean(w, onScreen)) - 20);
    }
    if (c.style == FitStyle::WholeOnColour) {
      // The bars: one colour, that of the picture's edges.
      const Rgb edges = EdgeMean(scaled, {0, 0, scaled.Width(), scaled.Height()});
      for (int y = 0; y < w.Height(); ++y)
        for (int x = 0; x < w.Width(); ++x)
          if (!onScreen.Holds(x, y)) {
            ASSERT_LE(Distance(w.PixelColor(x, y), edges), 3) << x << "," << y;
          }
    }
  }
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(Wallpaper, AFittedPanoramaTooLargeToHoldWholeIsDecodedSmallAndFillsTheRealScreen) {
  // 16000 x 9000 quadrants: 144 million pixels, more than a bitmap may hold.
  constexpr int kWidth = 16000, kHeight = 9000;
  const std::string panorama =
      StreamedJpeg(kWidth, kHeight, 30, [](int x, int y) { return QuadrantColour(x, y, kWidth, kHeight); });
  const ScreenInfo screen = CurrentScreen();
  WallpaperOptions fit;
  fit.fitToScreen = true;
  Prepare("panorama.jpg", panorama, fit, screen);
  EXPECT_EQ(boxes.Count(), 0u);
  Bitmap w = Result();
  ASSERT_EQ(w.Width(), 1024);
  ASSERT_EQ(w.Height(), 768);
  ExpectQuadrants(w);

  // Without fitting the whole picture would have to be held: the picture
  // cannot be used, as with any other, and the wallpaper stays as it was.
  const std::string previous = program.ReadFile("WPFile.BMP");
  Prepare("panorama.jpg", panorama, WallpaperOptions{}, screen);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().caption, "悪のファイル読み込みエラー");
  EXPECT_NE(boxes.Last().text.find(pictures.PathOf("panorama.jpg")), std::string::npos);
  EXPECT_EQ(program.ReadFile("WPFile.BMP"), previous);
}

TEST_F(Wallpaper, APhotoTakenUprightOnAPhoneBecomesAnUprightWallpaper) {
  // As it was taken, 800 x 600: a red top band with a green corner at the
  // top left, blue below. The phone stores it on its side (600 x 800) with
  // EXIF orientation 6: turn a quarter clockwise to see it.
  auto seen = [](int x, int y) -> Rgb {
    if (x < 100 && y < 100) return {0, 255, 0};
    return y < 150 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
  };
  const std::string stored = StreamedJpeg(600, 800, 90, [&](int x, int y) { return seen(799 - y, x); });
  const std::string photo = WithExifOrientation(stored, 6);

  Prepare("IMG_0001.JPG", photo, WallpaperOptions{}, CurrentScreen());
  Bitmap full = Result();
  ASSERT_EQ(full.Width(), 800);
  ASSERT_EQ(full.Height(), 600);
  for (auto [x, y] : {std::pair{50, 50}, {400, 70}, {780, 130}, {50, 300}, {400, 590}})
    EXPECT_LE(Distance(full.PixelColor(x, y), seen(x, y)), 12) << x << "," << y;

  WallpaperOptions fit;
  fit.fitToScreen = true;
  Prepare("IMG_0001.JPG", photo, fit, CurrentScreen());
  Bitmap fitted = Result();
  ASSERT_EQ(fitted.Width(), 1024);
  ASSERT_EQ(fitted.Height(), 768);
  for (auto [x, y] : {std::pair{50, 50}, {400, 70}, {780, 130}, {50, 300}, {400, 590}})
    EXPECT_LE(Distance(fitted.PixelColor(x * 1024 / 800, y * 768 / 600), seen(x, y)), 12) << x << "," << y;
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(Wallpaper, AnUnusablePictureIsReportedByNameAndThePreviousWallpaperStays) {
  Prepare("first.bmp", Quadrants(20, 10).SaveToBytes(), WallpaperOptions{}, kTrueColourScreen);
  const std::string previous = program.ReadFile("WPFile.BMP");
  ASSERT_FALSE(previous.empty());

  std::string jpeg = PictureFixture("photo.jpg");
  struct Bad {
    std::string name, bytes;
  } bad[] = {
      {"icon.ico", std::string("\0\0\1\0\1\0", 6) + std::string(100, 'x')},
      {"drawing.wmf", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(60, '\0')},
      {"damaged.jpg", jpeg.substr(0, jpeg.size() / 2)},
      {"garbage.bmp", "BM this is not a bitmap"},
      {"picture.xyz", jpeg},
      {"写真 ﾃｽﾄ.jpeg", "\xFF\xD8\xFF"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    boxes.Clear();
    std::string path = Prepare(b.name, b.bytes, WallpaperOptions{}, kTrueColourScreen);
    EXPECT_EQ(path, program.PathOf("WPFile.BMP"));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().caption, "悪のファイル読み込みエラー");
    EXPECT_EQ(boxes.Last().text,
              "ふぬ～っ！ファ、ファイルが開けない･･･ﾊｧﾊｧ\rこの謎のフォーマットには対応していないか、"
              "暗黒の破損している可能性があるぞ。\r因みにファイル名は" +
                  pictures.PathOf(b.name) + "だ。調べて見てくれ");
    EXPECT_EQ(boxes.Last().flags, static_cast<unsigned>(MB_ICONERROR | MB_OK));
    EXPECT_EQ(boxes.Last().owner, framework::Application::Instance().Handle());
    EXPECT_EQ(program.ReadFile("WPFile.BMP"), previous);
  }
  // A file that is not there at all.
  boxes.Clear();
  PrepareWallpaperBitmap(pictures.PathOf("gone.bmp"), WallpaperOptions{}, kTrueColourScreen, boxes);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(program.ReadFile("WPFile.BMP"), previous);
  EXPECT_EQ(program.FileNames(), (std::vector<std::string>{"WPFile.BMP"}));  // no temporary file left
}

TEST_F(Wallpaper, AWallpaperBitmapThatCannotBeWrittenIsReportedByItsNameAndLeftWhole) {
  Prepare("first.bmp", Quadrants(20, 10).SaveToBytes(), WallpaperOptions{}, kTrueColourScreen);
  const std::string previous = program.ReadFile("WPFile.BMP");
  struct Case {
    const char* what;
    std::string programFolder;
  } cases[] = {
      {"a read-only WPFile.BMP", program.path()},
      {"a program folder that takes no file", program.PathOf("no such folder\\")},
  };
  program.SetReadOnly("WPFile.BMP", true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    framework::OverrideProgramFolder(c.programFolder);
    boxes.Clear();
    std::string path = Prepare("second.bmp", Quadrants(30, 30).SaveToBytes(), WallpaperOptions{}, kTrueColourScreen);
    EXPECT_EQ(path, c.programFolder + "WPFile.BMP");
    ASSERT_EQ(boxes.Count(), 1u);  // the picture is fine: no word of a damaged file
    EXPECT_EQ(boxes.Last().caption, "悪のエラー");
    EXPECT_EQ(boxes.Last().text, path + " に書き込めません");
    EXPECT_EQ(boxes.Last().flags, static_cast<unsigned>(MB_ICONERROR | MB_OK));
    EXPECT_EQ(program.ReadFile("WPFile.BMP"), previous);
  }
  program.SetReadOnly("WPFile.BMP", false);
}

TEST_F(Wallpaper, SettingItStoresThePathAndShowsItOnlyWhenAsked) {
  WallpaperOptions sound;
  sound.playSound = true;
  sound.soundFile = pictures.PathOf("change.wav");
  pictures.WriteFile("change.wav", "RIFF");
  const std::string first = program.PathOf("WPFile.BMP");
  Prepare("first.bmp", Quadrants(20, 10).SaveToBytes(), WallpaperOptions{}, kTrueColourScreen);

  SetWallpaper(first, true, sound);
  EXPECT_EQ(RegistryWallpaper(), first);
  EXPECT_TRUE(framework::SameTextNoCase(ShownWallpaper(), first)) << ShownWallpaper();
  EXPECT_EQ(played, (std::vector<std::string>{sound.soundFile}));

  // Apply off: the registry changes, the desktop and the speaker do not.
  const std::string second = pictures.PathOf("other.bmp");
  SetWallpaper(second, false, sound);
  EXPECT_EQ(RegistryWallpaper(), second);
  EXPECT_TRUE(framework::SameTextNoCase(ShownWallpaper(), first)) << ShownWallpaper();
  EXPECT_EQ(played.size(), 1u);
}

TEST_F(Wallpaper, TheChangeSoundPlaysOnlyWhenOnNamedAndPresent) {
  pictures.WriteFile("change.wav", "RIFF");
  WallpaperOptions options;
  options.soundFile = pictures.PathOf("change.wav");
  PlayChangeSound(options);  // sound off
  options.playSound = true;
  options.soundFile = "";
  PlayChangeSound(options);  // no file named
  options.soundFile = pictures.PathOf("missing.wav");
  PlayChangeSound(options);  // file gone
  options.soundFile = pictures.path();
  PlayChangeSound(options);  // a folder, not a file
  EXPECT_TRUE(played.empty());
  EXPECT_EQ(boxes.Count(), 0u);
  options.soundFile = pictures.PathOf("change.wav");
  PlayChangeSound(options);
  EXPECT_EQ(played, (std::vector<std::string>{pictures.PathOf("change.wav")}));
}

TEST(CurrentScreenInfo, IsTheDisplaysCurrentModeInRealPixels) {
  // What the display really shows, whatever scaling the program's metrics
  // may be under: the current display mode, here the tests' 1024 x 768 screen.
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  ASSERT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  ScreenInfo screen = CurrentScreen();
  EXPECT_EQ(screen.width, static_cast<int>(mode.dmPelsWidth));
  EXPECT_EQ(screen.height, static_cast<int>(mode.dmPelsHeight));
  EXPECT_EQ(screen.width, 1024);
  EXPECT_EQ(screen.height, 768);
  EXPECT_TRUE(screen.bitsPerPixel == 8 || screen.bitsPerPixel == 16 || screen.bitsPerPixel == 24 ||
              screen.bitsPerPixel == 32)
      << screen.bitsPerPixel;
}

TEST(PictureFormatsOfTheProgram, MetafilesAndIconsAreForgottenOnceTheProgramIsLoaded) {
  std::vector<std::string> extensions;
  for (const framework::FileFormat& f : framework::Picture::Formats()) extensions.push_back(f.extension);
  EXPECT_EQ(extensions, (std::vector<std::string>{"bmp", "jpg", "jpeg"}));
}
