// The caption on the wallpaper: its text from the template, the facts it
// reads from a picture, and where and how it is drawn into the wallpaper.
#include "core/caption.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "core/wallpaper.h"
#include "core/wallpapermonitors.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "support/jpegfiles.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"

using namespace kaleidon;
using framework::Bitmap;
using framework::Rgb;

namespace {

// Eight pixels a character: widths that a test can count.
int CountedWidth(const std::string& text) {
  return static_cast<int>(8 * framework::Widen(text).size());
}

Bitmap Plain(int width, int height, Rgb colour) {
  Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, colour);
  return b;
}

struct Changed {
  int count = 0;
  RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  int darkest = 255;
  int lightest = 0;
};

// Where two pictures of one size differ, and how dark and light the
// differing pixels of after are.
Changed Difference(const Bitmap& before, const Bitmap& after) {
  Changed changed;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x) {
      const Rgb a = before.PixelColor(x, y), b = after.PixelColor(x, y);
      if (a == b) continue;
      ++changed.count;
      changed.bounds = {std::min<LONG>(changed.bounds.left, x), std::min<LONG>(changed.bounds.top, y),
                        std::max<LONG>(changed.bounds.right, x + 1), std::max<LONG>(changed.bounds.bottom, y + 1)};
      const int level = (b.red + b.green + b.blue) / 3;
      changed.darkest = std::min(changed.darkest, level);
      changed.lightest = std::max(changed.lightest, level);
    }
  return changed;
}

// The wallpaper's preparation with the caption's watcher and a desktop of
// the test's own, put back when the test ends.
class CaptionOnWallpaper : public testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(program.path());
    SetCaptionWatcher([this](const std::string& text, const CaptionBox& box) {
      texts.push_back(text);
      boxes.push_back(box);
    });
  }
  void TearDown() override {
    SetCaptionWatcher(nullptr);
    OverrideDesktop(std::nullopt);
    framework::OverrideProgramFolder("");
  }

  // The single picture's wallpaper, fitted to a screen of the primary
  // monitor's size.
  Bitmap Made(const std::string& picture, const CaptionOptions& caption, const MonitorArea& monitor,
              const PictureOrigin& origin = {}) {
    OverrideDesktop(Desktop{{monitor}, WallpaperSpread::Span, 32});
    WallpaperOptions options;
    options.fitToScreen = true;
    options.caption = caption;
    EXPECT_TRUE(WriteWallpaperBitmap(picture, options, {monitor.width, monitor.height, 32}, recorder, origin));
    Bitmap made;
    made.LoadFromFile(program.PathOf("WPFile.BMP"));
    return made;
  }

  TempDir program;
  TempDir pictures;
  MessageBoxRecorder recorder;
  std::vector<std::string> texts;
  std::vector<CaptionBox> boxes;
};

}  // namespace

TEST(CaptionTemplate, FillsItsFieldsOnOneLineAndShortensAPathInItsMiddleToFit) {
  const CaptionFacts facts{"IMG_0001.jpg", "旅行", "C:\\写真\\旅行\\IMG_0001.jpg", "2019年7月4日"};
  // A path of 300 characters: its start and its file name stay.
  const std::string longPath = "C:\\" + std::string(284, 'a') + "\\IMG_0001.jpg";
  ASSERT_EQ(longPath.size(), 300u);
  const CaptionFacts deep{"IMG_0001.jpg", "a", longPath, "2019年7月4日"};
  const std::string longName = std::string(100, 'n') + ".jpg";
  struct Case {
    std::string format;
    CaptionFacts facts;
    int maxWidth;
    std::string expected;
  } cases[] = {
      {kDefaultCaptionFormat, facts, 1000, "IMG_0001.jpg　2019年7月4日"},
      {"{folder} / {name}", facts, 1000, "旅行 / IMG_0001.jpg"},
      {"撮影日：{date}\r\n{path}", facts, 1000, "撮影日：2019年7月4日  C:\\写真\\旅行\\IMG_0001.jpg"},
      {"{name} {unknown}", facts, 1000, "IMG_0001.jpg {unknown}"},
      // 50 characters of 8 pixels: the date, a blank, "…" and 39 of the path.
      {"{date} {path}", deep, 400, "2019年7月4日 " + longPath.substr(0, 19) + "…" + longPath.substr(300 - 20)},
      // Without a path the whole text gives way.
      {"{name}", {longName, "", "", ""}, 200, longName.substr(0, 12) + "…" + longName.substr(104 - 12)},
      {"{name}", facts, 4, ""},
  };
  for (const Case& c : cases) {
    const std::string text = CaptionText(c.format, c.facts, c.maxWidth, CountedWidth);
    EXPECT_EQ(text, c.expected) << c.format;
    EXPECT_LE(CountedWidth(text), c.maxWidth) << c.format;
  }
}

TEST(CaptionFactsOfAPicture, TheDateTakenOfItsExifElseItsFileDateAndAnArchivesMemberByItsOwnName) {
  TempDir folder;
  const std::string jpeg = framework::EncodeJpeg(Plain(8, 8, {90, 90, 90}), 90);
  for (bool motorola : {false, true}) {
    folder.WriteFile("写真\\photo.jpg", WithExifDateTaken(jpeg, "2019:07:04 10:20:30", motorola));
    const CaptionFacts facts = FactsOf(folder.PathOf("写真\\photo.jpg"), {});
    EXPECT_EQ(facts.date, "2019年7月4日");
    EXPECT_EQ(facts.name, "photo.jpg");
    EXPECT_EQ(facts.folder, "写真");
    EXPECT_EQ(facts.path, folder.PathOf("写真\\photo.jpg"));
  }
  // No date taken (none, or a camera's unset clock): the file's own date.
  folder.WriteFile("plain.jpg", WithExifDateTaken(jpeg, "0000:00:00 00:00:00"));
  HANDLE h = CreateFileW(framework::Widen(folder.PathOf("plain.jpg")).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SYSTEMTIME local{2001, 2, 0, 3, 12, 0, 0, 0};
  FILETIME localTime{}, time{};
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &time);
  SetFileTime(h, nullptr, nullptr, &time);
  CloseHandle(h);
  EXPECT_EQ(FactsOf(folder.PathOf("plain.jpg"), {}).date, "2001年2月3日");

  // A member, drawn from its copy in Temp: named as it is in its archive.
  const CaptionFacts member = FactsOf(folder.PathOf("plain.jpg"), {"D:\\写真\\2019.lzh", "夏/海.jpg"});
  EXPECT_EQ(member.name, "海.jpg");
  EXPECT_EQ(member.folder, "写真");
  EXPECT_EQ(member.path, "D:\\写真\\2019.lzh\\夏\\海.jpg");
}

TEST_F(CaptionOnWallpaper, LiesInItsCornerInsideTheWorkAreaOnlyReadableOnWhiteAndBlackAndGrowsWithTheDpi) {
  // A taskbar below and bars on the other sides: the work area is inside.
  MonitorArea monitor{"\\\\.\\DISPLAY1", 0, 0, 640, 480, true, 30, 20, 560, 420, 96};
  const RECT work{30, 20, 590, 440};
  int heightAt96 = 0;
  for (int dpi : {96, 144})
    for (Rgb colour : {Rgb{255, 255, 255}, Rgb{0, 0, 0}}) {
      monitor.dpi = dpi;
      pictures.WriteFile("plain.bmp", Plain(64, 48, colour).SaveToBytes());
      const Bitmap without = Made(pictures.PathOf("plain.bmp"), {}, monitor);
      for (CaptionCorner corner :
           {CaptionCorner::BottomRight, CaptionCorner::BottomLeft, CaptionCorner::TopRight, CaptionCorner::TopLeft}) {
        SCOPED_TRACE(testing::Message() << "dpi " << dpi << ", colour " << int(colour.red) << ", corner "
                                        << int(corner));
        texts.clear();
        const Bitmap with = Made(pictures.PathOf("plain.bmp"), {true, "{name}", corner}, monitor);
        ASSERT_EQ(texts, std::vector<std::string>{"plain.bmp"});
        const Changed c = Difference(without, with);
        ASSERT_GT(c.count, 100);
        // Inside the work area, in the corner asked for, within what the
        // watcher was told.
        EXPECT_GE(c.bounds.left, work.left);
        EXPECT_GE(c.bounds.top, work.top);
        EXPECT_LE(c.bounds.right, work.right);
        EXPECT_LE(c.bounds.bottom, work.bottom);
        const bool right = corner == CaptionCorner::BottomRight || corner == CaptionCorner::TopRight;
        const bool bottom = corner == CaptionCorner::BottomRight || corner == CaptionCorner::BottomLeft;
        EXPECT_EQ(right, c.bounds.left > (work.left + work.right) / 2);
        EXPECT_EQ(bottom, c.bounds.top > (work.top + work.bottom) / 2);
        const CaptionBox& box = boxes.back();
        EXPECT_LE(box.left, c.bounds.left);
        EXPECT_LE(box.top, c.bounds.top);
        EXPECT_GE(box.right, c.bounds.right);
        EXPECT_GE(box.bottom, c.bounds.bottom);
        // Light letters with a dark edge: something to read on either.
        if (colour.red == 255)
          EXPECT_LT(c.darkest, 80);
        else
          EXPECT_GT(c.lightest, 200);
        if (dpi == 96) heightAt96 = box.bottom - box.top;
        if (dpi == 144) {
          EXPECT_NEAR(box.bottom - box.top, heightAt96 * 3 / 2, 5);
        }
      }
    }
}

TEST_F(CaptionOnWallpaper, NamesInAnyScriptAreDrawnAsTheyAre) {
  const MonitorArea monitor{"\\\\.\\DISPLAY1", 0, 0, 400, 120, true, 0, 0, 400, 120, 96};
  pictures.WriteFile("plain.bmp", Plain(40, 12, {40, 90, 160}).SaveToBytes());
  const Bitmap without = Made(pictures.PathOf("plain.bmp"), {}, monitor);
  // Two names of each script, of the same length: a missing glyph's box
  // would look the same for both.
  const std::pair<std::string, std::string> names[] = {
      {"夏の海.jpg", "冬の山.jpg"}, {"한국어.jpg", "서울시.jpg"}, {"\U0001F600\U0001F60D.jpg", "\U0001F60E\U0001F62D.jpg"}};
  for (const auto& [first, second] : names) {
    SCOPED_TRACE(first);
    std::vector<Bitmap> drawn;
    for (const std::string& name : {first, second}) {
      texts.clear();
      drawn.push_back(Made(pictures.PathOf("plain.bmp"), {true, "{name}"}, monitor, {"C:\\写真\\" + name, ""}));
      EXPECT_EQ(texts, std::vector<std::string>{name});
      EXPECT_GT(Difference(without, drawn.back()).count, 100);
    }
    EXPECT_GT(Difference(drawn[0], drawn[1]).count, 20);
  }
}

TEST_F(CaptionOnWallpaper, EachMonitorsPictureGetsItsOwnInItsOwnWorkArea) {
  const Desktop desktop{{MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 320, 240, true, 0, 0, 320, 200, 96},
                         MonitorArea{"\\\\.\\DISPLAY2", 320, 0, 200, 300, false, 0, 0, 200, 300, 144}},
                        WallpaperSpread::Span, 32};
  OverrideDesktop(desktop);
  pictures.WriteFile("one.bmp", Plain(32, 24, {255, 255, 255}).SaveToBytes());
  pictures.WriteFile("two.bmp", Plain(20, 30, {255, 255, 255}).SaveToBytes());
  WallpaperOptions options;
  options.fitToScreen = true;
  options.caption = {true, "{name}", CaptionCorner::BottomRight};
  ASSERT_TRUE(PrepareMonitorWallpapers({pictures.PathOf("one.bmp"), pictures.PathOf("two.bmp")}, options, desktop, {},
                                       recorder, {{}, {"E:\\x.lzh", "b/二.jpg"}}));
  EXPECT_EQ(texts, (std::vector<std::string>{"one.bmp", "二.jpg"}));
  ASSERT_EQ(boxes.size(), 2u);
  // Above the first monitor's taskbar; the second's larger, at its DPI.
  EXPECT_LE(boxes[0].bottom, 200);
  EXPECT_GT(boxes[0].bottom, 150);
  EXPECT_GT(boxes[1].bottom - boxes[1].top, boxes[0].bottom - boxes[0].top);
  EXPECT_LE(boxes[1].right, 200);
}
