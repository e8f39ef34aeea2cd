// The wallpaper of several monitors, checked as the system shows it: a
// desktop pixel shows the bitmap's pixel at its offset from the bounding
// rectangle's corner (span), or at its coordinates modulo the bitmap's size
// (tiled from the primary monitor's corner).
#include "core/composition.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "core/wallpapermonitors.h"
#include "framework/base/paths.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"

using namespace kaleidon;
using framework::Bitmap;
using framework::Rgb;

namespace {

MonitorArea Monitor(int left, int top, int width, int height, bool primary = false) {
  return MonitorArea{"\\\\.\\DISPLAY", left, top, width, height, primary};
}

// Monitor i's picture: its pixel (x, y) tells the monitor and where in the
// picture it lies, so a shifted, flipped or cut picture shows.
Rgb Marker(size_t monitor, int x, int y, int width, int height) {
  return Rgb{static_cast<uint8_t>(60 + 60 * monitor), static_cast<uint8_t>(1 + x * 250 / width),
             static_cast<uint8_t>(1 + y * 250 / height)};
}

Bitmap MarkedPicture(size_t monitor, int width, int height) {
  Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, Marker(monitor, x, y, width, height));
  return b;
}

// What the system shows at the desktop's point (x, y).
Rgb Shown(const Bitmap& bitmap, const std::vector<MonitorArea>& monitors, WallpaperSpread spread, int x, int y) {
  if (spread == WallpaperSpread::Tile)
    return bitmap.PixelColor(((x % bitmap.Width()) + bitmap.Width()) % bitmap.Width(),
                             ((y % bitmap.Height()) + bitmap.Height()) % bitmap.Height());
  int left = monitors[0].left, top = monitors[0].top;
  for (const MonitorArea& m : monitors) left = std::min(left, m.left), top = std::min(top, m.top);
  return bitmap.PixelColor(x - left, y - top);
}

Bitmap Compose(const std::vector<MonitorArea>& monitors, WallpaperSpread spread, const std::string& path) {
  std::vector<size_t> asked;
  ComposeWallpaper(
      LayOutComposition(monitors, spread),
      [&](size_t monitor) {
        asked.push_back(monitor);
        return MarkedPicture(monitor, monitors[monitor].width, monitors[monitor].height);
      },
      path);
  // Each picture is made once, one after the other.
  std::vector<size_t> once = asked;
  std::sort(once.begin(), once.end());
  EXPECT_EQ(std::unique(once.begin(), once.end()), once.end()) << "a monitor's picture was made twice";
  // Row by row, several monitors at a time: the very same file.
  const std::string byRows = path + ".rows";
  ComposeWallpaperByRows(
      LayOutComposition(monitors, spread),
      [&](size_t monitor, const framework::RowSink& sink) {
        const Bitmap picture = MarkedPicture(monitor, monitors[monitor].width, monitors[monitor].height);
        for (int y = 0; y < picture.Height(); ++y) sink(y, picture.ScanLine(y));
      },
      byRows);
  const std::string bytes = *framework::ReadWholeFile(path);
  EXPECT_EQ(*framework::ReadWholeFile(byRows), bytes);
  framework::ForceDeleteFile(byRows);
  Bitmap bitmap;
  bitmap.LoadFromBytes(bytes);
  return bitmap;
}

struct Arrangement {
  const char* name;
  std::vector<MonitorArea> monitors;
  int width, height;  // of the bitmap
  std::vector<POINT> uncovered;  // desktop points no monitor shows (span)
};

const std::vector<Arrangement> kArrangements = {
    {"side by side", {Monitor(0, 0, 64, 48, true), Monitor(64, 0, 64, 48)}, 128, 48, {}},
    {"stacked", {Monitor(0, 0, 64, 48, true), Monitor(0, 48, 64, 48)}, 64, 96, {}},
    {"portrait left of the primary", {Monitor(0, 0, 64, 48, true), Monitor(-30, -10, 30, 56)}, 94, 58,
     {{-20, 47}, {10, -5}}},
    {"different sizes and a gap", {Monitor(0, 0, 40, 30, true), Monitor(50, 8, 24, 50)}, 74, 58, {{45, 10}, {10, 40}}},
    {"primary right of and below another", {Monitor(0, 0, 40, 30, true), Monitor(-50, -20, 50, 20)}, 90, 50,
     {{-10, 10}, {10, -10}}},
};

}  // namespace

TEST(Composition, EachMonitorShowsItsOwnPictureWholeInSpanAndTiledAlike) {
  TempDir dir;
  for (const Arrangement& a : kArrangements) {
    for (WallpaperSpread spread : {WallpaperSpread::Span, WallpaperSpread::Tile}) {
      SCOPED_TRACE(std::string(a.name) + (spread == WallpaperSpread::Span ? ", span" : ", tile"));
      const Bitmap bitmap = Compose(a.monitors, spread, dir.PathOf("WPFile.BMP"));
      EXPECT_EQ(bitmap.Width(), a.width);
      EXPECT_EQ(bitmap.Height(), a.height);
      EXPECT_EQ(bitmap.BitsPerPixel(), 24);
      for (size_t i = 0; i < a.monitors.size(); ++i) {
        const MonitorArea& m = a.monitors[i];
        // Every pixel of the monitor, so that no piece is off by one.
        for (int y = 0; y < m.height; ++y)
          for (int x = 0; x < m.width; ++x)
            ASSERT_EQ(Shown(bitmap, a.monitors, spread, m.left + x, m.top + y), Marker(i, x, y, m.width, m.height))
                << "monitor " << i << " at " << x << "," << y;
      }
      if (spread == WallpaperSpread::Span) {
        for (POINT p : a.uncovered) EXPECT_EQ(Shown(bitmap, a.monitors, spread, p.x, p.y), (Rgb{0, 0, 0}));
      }
    }
  }
}

TEST(Composition, APictureSmallerThanItsMonitorLeavesTheRestBlackAndAFailureLeavesTheFileAlone) {
  TempDir dir;
  const std::string path = dir.PathOf("WPFile.BMP");
  const std::vector<MonitorArea> monitors = {Monitor(0, 0, 20, 10, true), Monitor(20, 0, 20, 10)};
  ComposeWallpaper(
      LayOutComposition(monitors, WallpaperSpread::Span),
      [](size_t monitor) { return MarkedPicture(monitor, monitor == 0 ? 20 : 5, monitor == 0 ? 10 : 4); }, path);
  Bitmap bitmap;
  bitmap.LoadFromBytes(*framework::ReadWholeFile(path));
  EXPECT_EQ(bitmap.PixelColor(24, 3), Marker(1, 4, 3, 5, 4));
  EXPECT_EQ(bitmap.PixelColor(25, 3), (Rgb{0, 0, 0}));
  EXPECT_EQ(bitmap.PixelColor(20, 4), (Rgb{0, 0, 0}));

  const std::string before = *framework::ReadWholeFile(path);
  EXPECT_THROW(ComposeWallpaper(
                   LayOutComposition(monitors, WallpaperSpread::Span),
                   [](size_t monitor) -> Bitmap {
                     if (monitor == 1) throw framework::EInvalidGraphic("broken");
                     return MarkedPicture(monitor, 20, 10);
                   },
                   path),
               framework::EInvalidGraphic);
  EXPECT_EQ(*framework::ReadWholeFile(path), before);
  // Row by row, of three monitors two failing, the first one's failure.
  const std::vector<MonitorArea> three = {Monitor(0, 0, 20, 10, true), Monitor(20, 0, 20, 10), Monitor(40, 0, 20, 10)};
  try {
    ComposeWallpaperByRows(
        LayOutComposition(three, WallpaperSpread::Span),
        [](size_t monitor, const framework::RowSink& sink) {
          const Bitmap picture = MarkedPicture(monitor, 20, 10);
          for (int y = 0; y < picture.Height(); ++y) {
            if (monitor > 0 && y == 5) throw framework::EInvalidGraphic("broken " + std::to_string(monitor));
            sink(y, picture.ScanLine(y));
          }
        },
        path);
    ADD_FAILURE() << "no failure passed on";
  } catch (const framework::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "broken 1");
  }
  EXPECT_EQ(*framework::ReadWholeFile(path), before);
  EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"WPFile.BMP"});  // no temporary file left
}

TEST(Composition, MonitorsThatShowTheSameRowsHaveThemMadeOnce) {
  TempDir dir;
  const std::string path = dir.PathOf("WPFile.BMP");
  // Monitors 0, 2 and 3 show one picture: the rows are made for 0 and
  // written for all three, unless monitors overlap.
  const std::vector<MonitorArea> apart = {Monitor(0, 0, 20, 10, true), Monitor(20, 0, 20, 10), Monitor(40, 0, 20, 10),
                                          Monitor(0, 10, 20, 10)};
  const std::vector<MonitorArea> overlapping = {apart[0], apart[1], Monitor(10, 5, 20, 10), apart[3]};
  const auto picture = [](size_t monitor) { return monitor == 1 ? 1 : 0; };
  for (const auto* monitors : {&apart, &overlapping}) {
    SCOPED_TRACE(monitors == &apart ? "apart" : "overlapping");
    const CompositionLayout layout = LayOutComposition(*monitors, WallpaperSpread::Span);
    ComposeWallpaper(layout, [&](size_t monitor) { return MarkedPicture(picture(monitor), 20, 10); }, path);
    const std::string each = *framework::ReadWholeFile(path);
    std::mutex asking;
    std::vector<size_t> asked;
    ComposeWallpaperByRows(
        layout,
        [&](size_t monitor, const framework::RowSink& sink) {
          {
            std::lock_guard<std::mutex> lock(asking);
            asked.push_back(monitor);
          }
          const Bitmap made = MarkedPicture(picture(monitor), 20, 10);
          for (int y = 0; y < made.Height(); ++y) sink(y, made.ScanLine(y));
        },
        path, [&](size_t earlier, size_t later) { return picture(earlier) == picture(later); });
    EXPECT_EQ(*framework::ReadWholeFile(path), each);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (monitors == &apart ? std::vector<size_t>{0, 1} : std::vector<size_t>{0, 1, 2, 3}));
  }
}

TEST(Composition, WindowsEightAndLaterSpanAndWindowsSevenTiles) {
  EXPECT_EQ(SpreadForWindowsVersion(6, 1), WallpaperSpread::Tile);
  EXPECT_EQ(SpreadForWindowsVersion(6, 2), WallpaperSpread::Span);
  EXPECT_EQ(SpreadForWindowsVersion(6, 3), WallpaperSpread::Span);
  EXPECT_EQ(SpreadForWindowsVersion(10, 0), WallpaperSpread::Span);
  EXPECT_EQ(SpreadForWindowsVersion(5, 1), WallpaperSpread::Tile);
}

namespace {

// Quadrants red, green / blue, white of width x height, as a BMP file.
std::string QuadrantsFile(int width, int height) {
  Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      b.SetPixelColor(x, y, !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                    : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255}));
    }
  return b.SaveToBytes();
}

int Distance(Rgb a, Rgb b) {
  return std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

// The quadrants of the picture inside the rectangle, a quarter of the way in.
void ExpectQuadrantsIn(const Bitmap& w, int left, int top, int width, int height) {
  const int l = left + width / 4, r = left + width * 3 / 4, t = top + height / 4, b = top + height * 3 / 4;
  EXPECT_LE(Distance(w.PixelColor(l, t), {255, 0, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(r, t), {0, 255, 0}), 12);
  EXPECT_LE(Distance(w.PixelColor(l, b), {0, 0, 255}), 12);
  EXPECT_LE(Distance(w.PixelColor(r, b), {255, 255, 255}), 12);
}

class MonitorWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override { framework::OverrideProgramFolder(program.path()); }
  void TearDown() override { framework::OverrideProgramFolder(""); }
  Bitmap Wallpaper() const {
    Bitmap b;
    b.LoadFromBytes(program.ReadFile("WPFile.BMP"));
    return b;
  }
  TempDir program, pictures;
  MessageBoxRecorder boxes;
};

}  // namespace

// The sizes a fill or a fit crops and scales to are whole numbers rounded
// half up, the same in both builds: a ratio worked in floating point lands
// just below a half (103.49999...) on one processor and on it on another.
TEST(Composition, ScaledSizesRoundHalvesUpTheSameEverywhere) {
  struct Case {
    PictureSize shape, box;
    bool cover;
    PictureSize expected;
  };
  const Case cases[] = {
      {{1920, 1080}, {184, 113}, false, {184, 104}},   // 103.5 rows of a 184 x 113 picture fill 1920 x 1080
      {{1920, 1080}, {184, 200}, false, {184, 104}},
      {{184, 113}, {1920, 1080}, true, {1920, 1179}},  // 1179.13
      {{184, 113}, {1920, 1080}, false, {1759, 1080}}, // 1758.58
      {{4000, 6000}, {3840, 2160}, true, {3840, 5760}},
      {{4000, 6000}, {3840, 2160}, false, {1440, 2160}},
      {{1, 65535}, {1920, 1080}, false, {1, 1080}},    // never narrower than a pixel
      {{65535, 65535}, {65535, 1}, true, {65535, 65535}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaledSize(c.shape, c.box, c.cover), c.expected)
        << c.shape.width << "x" << c.shape.height << (c.cover ? " covering " : " inside ") << c.box.width << "x"
        << c.box.height;
}

TEST_F(MonitorWallpaperTest, EachMonitorGetsItsPictureFittedToItsSizeAndOrientation) {
  pictures.WriteFile("wide.bmp", QuadrantsFile(160, 90));
  pictures.WriteFile("tall.bmp", QuadrantsFile(60, 120));
  // A landscape primary monitor and a portrait one left of it, above its top.
  Desktop desktop{{Monitor(0, 0, 200, 150, true), Monitor(-90, -30, 90, 160)}, WallpaperSpread::Span, 32};
  WallpaperOptions stretch;
  stretch.fitToScreen = true;
  ASSERT_TRUE(PrepareMonitorWallpapers({pictures.PathOf("wide.bmp"), pictures.PathOf("tall.bmp")}, stretch, desktop,
                                       {}, boxes));
  Bitmap w = Wallpaper();
  ASSERT_EQ(w.Width(), 290);
  ASSERT_EQ(w.Height(), 180);
  ExpectQuadrantsIn(w, 90, 30, 200, 150);  // stretched over each monitor whole
  ExpectQuadrantsIn(w, 0, 0, 90, 160);
  EXPECT_EQ(w.PixelColor(150, 10), (Rgb{0, 0, 0}));  // above the primary: no monitor

  // The user's "fit" style: the wide picture on the portrait monitor keeps
  // its proportions, black above and below.
  ASSERT_TRUE(PrepareMonitorWallpapers({pictures.PathOf("tall.bmp"), pictures.PathOf("wide.bmp")}, {}, desktop,
                                       {"6", "0"}, boxes));
  w = Wallpaper();
  EXPECT_EQ(w.PixelColor(45, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(w.PixelColor(45, 150), (Rgb{0, 0, 0}));
  ExpectQuadrantsIn(w, 0, 80 - 25, 90, 50);  // 160 x 90 made 90 x 51, in the middle
  ExpectQuadrantsIn(w, 90 + 62, 30, 75, 150);  // 60 x 120 made 75 x 150, in the middle
  // Fitting that keeps the whole picture on a plain colour: the same places,
  // the rest of each monitor of one colour.
  WallpaperOptions whole;
  whole.fitToScreen = true;
  whole.fitStyle = FitStyle::WholeOnColour;
  ASSERT_TRUE(PrepareMonitorWallpapers({pictures.PathOf("tall.bmp"), pictures.PathOf("wide.bmp")}, whole, desktop,
                                       {"2", "0"}, boxes));
  w = Wallpaper();
  EXPECT_NE(w.PixelColor(45, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(w.PixelColor(45, 10), w.PixelColor(45, 150));
  EXPECT_EQ(w.PixelColor(90 + 10, 100), w.PixelColor(90 + 190, 100));
  ExpectQuadrantsIn(w, 0, 80 - 25, 90, 50);
  ExpectQuadrantsIn(w, 90 + 62, 30, 75, 150);
  EXPECT_EQ(boxes.Count(), 0u);

  // A picture that cannot be read is named, and the wallpaper stays.
  pictures.WriteFile("broken.bmp", "BM not really");
  const std::string before = program.ReadFile("WPFile.BMP");
  EXPECT_FALSE(PrepareMonitorWallpapers({pictures.PathOf("wide.bmp"), pictures.PathOf("broken.bmp")}, {}, desktop,
                                        {}, boxes));
  EXPECT_EQ(program.ReadFile("WPFile.BMP"), before);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Last().text.find("broken.bmp"), std::string::npos);
}

TEST_F(MonitorWallpaperTest, TheUsersStyleAndWhatEachMonitorShowsAreKeptWhileASpreadWallpaperShows) {
  const framework::IniFile settings(program.PathOf("Kaleidon.ini"));
  WriteDesktopValue("WallpaperStyle", "6");
  WriteDesktopValue("TileWallpaper", "0");
  const std::vector<MonitorPicture> shown = {
      {{"\\\\.\\DISPLAY1", 0, 0, 1920, 1080, true}, pictures.PathOf("夕焼け🌅.jpg")},
      {{"\\\\.\\DISPLAY2", -1080, -420, 1080, 1920}, pictures.PathOf("Ελλάδα.bmp")}};
  const uint64_t replacements = framework::IniFile::Replacements();
  SetSpreadWallpaper(program.PathOf("WPFile.BMP"), false, {}, WallpaperSpread::Span, shown, settings);
  EXPECT_EQ(framework::IniFile::Replacements() - replacements, 1u);
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "22");
  EXPECT_EQ(ReadDesktopValue("TileWallpaper"), "0");
  EXPECT_TRUE(DesktopShowsWallpaperBitmap());
  EXPECT_EQ(ShownMonitorPictures(settings), shown);
  // A second spread wallpaper keeps what the user had, not the span, and
  // what the monitors show now.
  SetSpreadWallpaper(program.PathOf("WPFile.BMP"), false, {}, WallpaperSpread::Tile, {shown[1]}, settings);
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "0");
  EXPECT_EQ(ReadDesktopValue("TileWallpaper"), "1");
  EXPECT_EQ(UserWallpaperStyle(settings), (WallpaperStyle{"6", "0"}));
  EXPECT_EQ(ShownMonitorPictures(settings), std::vector<MonitorPicture>{shown[1]});

  RestoreUserWallpaperStyle(settings);
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "6");
  EXPECT_EQ(ReadDesktopValue("TileWallpaper"), "0");
  EXPECT_FALSE(settings.SectionExists("Desktop"));
  EXPECT_TRUE(ShownMonitorPictures(settings).empty());
  RestoreUserWallpaperStyle(settings);  // nothing kept: nothing changes
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "6");
}
