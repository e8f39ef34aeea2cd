// The change cycle driven through its interface: a host that lists a real
// folder as the main window's file list does, real pictures, history files
// and archives, and the wallpaper bitmap in a program folder of the test's.
#include "change/changecycle.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/lzhwriter.h"
#include "archive/unlha32.h"
#include "framework/base/filemask.h"
#include "framework/base/folderfiles.h"
#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "core/wallpapermonitors.h"
#include "framework/imaging/bitmap.h"
#include "selection/exclusions.h"
#include "support/fixtures.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"

using namespace kaleidon;
using Names = std::vector<std::string>;

namespace {

std::string SmallBitmap(int width, int height) {
  framework::Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, framework::Rgb{uint8_t(x * 40), uint8_t(y * 40), 90});
  return b.SaveToBytes();
}

// What a window would hold and show of the change, as values: the folder
// and its mask, the names the change listed, the status line; folder memory
// over slots of the test's when the options use it. Requests carry the
// values, and the outcomes change them.
class Host : public ChangeCycleHost {
 public:
  std::string folder;
  std::string mask = "*.bmp";
  Names names;
  Names shownNames;
  std::vector<int> selectedRows;
  int busyNow = 0, busyShown = 0, rereads = 0;
  FolderSlots slots;
  int currentSlot = 1;

  // The names as a file list reads them.
  void List() { names = framework::ListFolderFiles(folder, mask, kListedFileTypes); }

  ChangeRequest Request(const ProgramOptions& options, bool apply) {
    return ChangeRequest{.options = options,
                         .apply = apply,
                         .slots = &slots,
                         .currentSlot = currentSlot,
                         .folder = folder,
                         .mask = mask,
                         .listed = names};
  }
  ChangeOutcome Take(ChangeOutcome outcome) {
    if (outcome.status) shownNames.push_back(*outcome.status);
    if (outcome.listRow) selectedRows.push_back(*outcome.listRow);
    rereads += outcome.listRead;
    if (outcome.folderChanged || outcome.listRead) {
      folder = outcome.folder;
      names = outcome.names;
    }
    if (outcome.currentSlot >= 1) currentSlot = outcome.currentSlot;
    return outcome;
  }
  ChangeOutcome Change(ChangeCycle& cycle, const ProgramOptions& options, bool apply,
                       const std::string& onlyMonitor = {}) {
    ChangeRequest request = Request(options, apply);
    request.onlyMonitor = onlyMonitor;
    return Take(cycle.ChangeWallpaper(request));
  }
  bool Back(ChangeCycle& cycle) { return Take(cycle.GoBack(Request({}, true))).done; }
  bool Again(ChangeCycle& cycle) { return Take(cycle.PrepareAgain(ProgramOptions{}.Wallpaper())).done; }

  void ShowBusy(bool busy) override {
    busyNow = busy;
    busyShown += busy;
  }
  HWND Owner() const override { return nullptr; }
};

class ChangeCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(program.path());
    program.MakeFolder("Temp");
    SetSoundPlayer([this](const std::string& path) { sounds.push_back(path); });
    UseFolder(pictures);
    pictures.WriteFile("one.bmp", SmallBitmap(4, 3));
    pictures.WriteFile("two.bmp", SmallBitmap(5, 2));
    host.List();
  }
  void TearDown() override {
    SetSoundPlayer(nullptr);
    OverrideDesktop(std::nullopt);
    framework::OverrideProgramFolder("");
  }
  void UseFolder(const TempDir& dir, const std::string& mask = "*.bmp") {
    host.folder = dir.path();
    host.mask = mask;
    host.List();
  }
  void Change(bool apply = false, ProgramOptions options = {}) {
    options.playSound = true;
    options.soundFile = program.PathOf("chime.wav");
    program.WriteFile("chime.wav", "RIFF");
    host.Change(cycle, options, apply);
    EXPECT_FALSE(cycle.ChangeBusy);
    EXPECT_EQ(host.busyNow, 0) << "the hourglass stays after the change";
  }
  size_t BoxesCaptioned(const std::string& caption) const {
    const Names captions = boxes.Captions();
    return static_cast<size_t>(std::count(captions.begin(), captions.end(), caption));
  }

  TempDir program, pictures;
  Host host;
  MessageBoxRecorder boxes;
  ChangeCycle cycle{host, boxes, framework::IniFile(program.PathOf("Kaleidon.ini"))};
  Names sounds;
};

}  // namespace

TEST_F(ChangeCycleTest, AChangeMakesTheWallpaperBitmapRecordsThePictureAndNamesIt) {
  Change(false);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(host.busyShown, 1);
  ASSERT_EQ(host.shownNames.size(), 1u);
  const std::string shown = host.shownNames[0];
  ASSERT_TRUE(shown == "one.bmp" || shown == "two.bmp") << shown;
  EXPECT_EQ(host.names.at(static_cast<size_t>(host.selectedRows.back())), shown);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), shown + "\r\n");
  framework::Bitmap wallpaper;
  wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP"));
  EXPECT_EQ(wallpaper.Width(), shown == "one.bmp" ? 4 : 5);
  EXPECT_TRUE(sounds.empty());  // only stored, so no sound

  // The next change shows the other picture, at once and with the sound.
  Change(true);
  ASSERT_EQ(host.shownNames.size(), 2u);
  EXPECT_NE(host.shownNames[1], shown);
  EXPECT_EQ(sounds, Names{program.PathOf("chime.wav")});
}

// Folder memory on values alone: the rotation moves between the slots'
// folders, each once in a pass, and names the folder and slot it moved to;
// a slot whose folder is gone says so, holds the program folder from then on
// (in the slots and the settings) and the change draws there.
TEST_F(ChangeCycleTest, FolderMemoryRotatesAmongTheSlotsFoldersAndAGoneOneBecomesTheProgramFolder) {
  TempDir second;
  second.WriteFile("three.bmp", SmallBitmap(3, 3));
  host.slots.SetFolder(1, pictures.path());
  host.slots.SetFolder(2, second.path());
  ProgramOptions options;
  options.slotCount = 2;
  std::vector<std::string> folders;
  for (int change = 0; change < 2; ++change) {
    const ChangeOutcome outcome = host.Change(cycle, options, false);
    ASSERT_TRUE(outcome.done);
    EXPECT_EQ(host.slots.Folder(outcome.currentSlot), outcome.folder);
    EXPECT_EQ(outcome.names, framework::ListFolderFiles(outcome.folder, "*.bmp"));
    EXPECT_EQ(outcome.names.at(static_cast<size_t>(*outcome.listRow)), *outcome.status);
    folders.push_back(outcome.folder);
  }
  EXPECT_NE(folders[0], folders[1]) << "one pass gives each folder its turn";
  EXPECT_EQ(boxes.Count(), 0u);

  program.WriteFile("own.bmp", SmallBitmap(2, 2));
  host.slots.SetFolder(1, "C:\\no\\such\\folder\\");
  host.slots.SetFolder(2, "");
  const ChangeOutcome gone = host.Change(cycle, options, false);
  EXPECT_EQ(boxes.Captions(), Names{"暗黒のエラー"});
  EXPECT_TRUE(gone.slotsChanged);
  EXPECT_EQ(host.slots.Folder(1), program.path());
  EXPECT_EQ(gone.folder, program.path());
  EXPECT_EQ(gone.status, "own.bmp");
  EXPECT_NE(program.ReadFile("Kaleidon.ini").find("PathMemory1=" + framework::EncodeStoredText(program.path())),
            std::string::npos);
}

TEST_F(ChangeCycleTest, AnEmptyListIsReportedAtEveryAttemptAndAVanishedLastFileLikeIt) {
  TempDir empty;
  UseFolder(empty);
  Change();
  Change();
  ASSERT_EQ(BoxesCaptioned("悪のエラー"), 2u);
  EXPECT_EQ(boxes.Last().flags, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(boxes.Last().text, "はわぁ！読み込む正義の画像がないぞ！\r指定した正義のフォルダに読み込める\r"
                               "正義の画像ファイルがない。何とかしてくれ");
  EXPECT_FALSE(program.Exists("WPFile.BMP"));

  // The only listed file went away after the list was read: the list is read
  // again, and the emptied folder ends the change like an empty one.
  TempDir one;
  one.WriteFile("only.bmp", SmallBitmap(2, 2));
  UseFolder(one);
  framework::ForceDeleteFile(one.PathOf("only.bmp"));
  boxes.Clear();
  Change(true);
  EXPECT_EQ(host.rereads, 1);
  EXPECT_EQ(boxes.Captions(), Names{"悪のエラー"});
  EXPECT_FALSE(program.Exists("WPFile.BMP"));
  EXPECT_TRUE(host.shownNames.empty());
}

TEST_F(ChangeCycleTest, AFolderOfOnlyExcludedPicturesEndsTheChangeLikeAnEmptyOne) {
  ExcludePicture({pictures.PathOf("one.bmp"), {}});
  Change();
  ASSERT_EQ(host.shownNames, Names{"two.bmp"});
  ExcludePicture({pictures.PathOf("two.bmp"), {}});
  boxes.Clear();
  const std::string wallpaper = program.ReadFile("WPFile.BMP");
  Change(true);
  EXPECT_EQ(boxes.Captions(), Names{"悪のエラー"});
  EXPECT_EQ(boxes.Last().text, "はわぁ！読み込む正義の画像がないぞ！\r指定した正義のフォルダに読み込める\r"
                               "正義の画像ファイルがない。何とかしてくれ");
  EXPECT_EQ(host.shownNames, Names{"two.bmp"});
  EXPECT_EQ(program.ReadFile("WPFile.BMP"), wallpaper);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "");  // the pass started over
}

TEST_F(ChangeCycleTest, AFolderThatTakesNoHistorySaysSoOnceAndTheWallpaperStillChanges) {
  pictures.WriteFile("_Buf.RFB", "one.bmp\r\n");
  pictures.SetReadOnly("_Buf.RFB", true);
  for (int change = 0; change < 2; ++change) {
    program.WriteFile("WPFile.BMP", "");
    Change(true);
    framework::Bitmap wallpaper;
    EXPECT_NO_THROW(wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP")));
  }
  EXPECT_EQ(host.shownNames, (Names{"two.bmp", "two.bmp"}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().caption, "悪のエラー");
  EXPECT_EQ(boxes.Last().text, pictures.path() + "_Buf.RFB に書き込めません");
  EXPECT_EQ(boxes.Last().flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
  pictures.SetReadOnly("_Buf.RFB", false);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "one.bmp\r\n");
  EXPECT_EQ(pictures.FileNames(), (Names{"_Buf.RFB", "one.bmp", "two.bmp"}));
}

namespace {

MonitorArea Monitor(const char* device, int left, int top, int width, int height, bool primary = false) {
  return MonitorArea{device, left, top, width, height, primary};
}

Names HistoryLines(std::string history) {
  Names lines;
  for (size_t end; (end = history.find("\r\n")) != std::string::npos; history.erase(0, end + 2))
    lines.push_back(history.substr(0, end));
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The user's desktop settings a spread wallpaper replaces, put back as they
// were.
class MonitorChangeTest : public ChangeCycleTest {
 protected:
  void SetUp() override {
    ChangeCycleTest::SetUp();
    style = {ReadDesktopValue("WallpaperStyle"), ReadDesktopValue("TileWallpaper")};
    WriteDesktopValue("WallpaperStyle", "10");
    WriteDesktopValue("TileWallpaper", "0");
  }
  void TearDown() override {
    WriteDesktopValue("WallpaperStyle", style.style);
    WriteDesktopValue("TileWallpaper", style.tile);
    ChangeCycleTest::TearDown();
  }
  framework::Bitmap Wallpaper() const {
    framework::Bitmap b;
    b.LoadFromBytes(program.ReadFile("WPFile.BMP"));
    return b;
  }
  WallpaperStyle style;
  const Desktop twoMonitors{
      {Monitor("\\\\.\\DISPLAY1", 0, 0, 40, 30, true), Monitor("\\\\.\\DISPLAY2", 40, -10, 30, 40)},
      WallpaperSpread::Span, 32};
};

}  // namespace

TEST_F(MonitorChangeTest, TwoMonitorsGetTwoPicturesOfOneFolderInOneChangeAndTheOptionOffGivesOne) {
  OverrideDesktop(twoMonitors);
  Change(true);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(HistoryLines(pictures.ReadFile("_Buf.RFB")), (Names{"one.bmp", "two.bmp"}));
  ASSERT_EQ(host.shownNames.size(), 1u);
  EXPECT_TRUE(host.shownNames[0] == "one.bmp / two.bmp" || host.shownNames[0] == "two.bmp / one.bmp")
      << host.shownNames[0];
  EXPECT_EQ(sounds.size(), 1u);  // one change, one sound
  framework::Bitmap w = Wallpaper();
  ASSERT_EQ(w.Width(), 70);
  ASSERT_EQ(w.Height(), 40);
  // The primary monitor lies 10 rows down; each monitor is filled by its
  // own picture (the user's style: fill), which the other does not show.
  EXPECT_EQ(w.PixelColor(20, 5), (framework::Rgb{0, 0, 0}));
  EXPECT_NE(w.PixelColor(39, 39), w.PixelColor(40, 39));
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "22");
  EXPECT_EQ(ReadDesktopValue("WallPaper"), program.PathOf("WPFile.BMP"));

  // Off: one picture, as with one monitor, and the user's style is back.
  ProgramOptions single;
  single.perMonitor = false;
  Change(true, single);
  ASSERT_EQ(host.shownNames.size(), 2u);
  w = Wallpaper();
  EXPECT_EQ(w.Width(), host.shownNames[1] == "one.bmp" ? 4 : 5);  // the picture at its own size
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "10");
  EXPECT_EQ(ReadDesktopValue("TileWallpaper"), "0");
  EXPECT_FALSE(framework::IniFile(program.PathOf("Kaleidon.ini")).SectionExists("Desktop"));
}

TEST_F(MonitorChangeTest, EachMonitorGetsPicturesOfItsOwnShapeAndAFolderOfNoneStillChanges) {
  // Twenty pictures of each shape, which two monitors use up in twenty
  // changes: the landscape primary monitor the wide ones, the other the tall.
  TempDir mixed;
  for (int i = 0; i < 20; ++i) {
    mixed.WriteFile("wide" + std::to_string(i) + ".bmp", SmallBitmap(6, 4));
    mixed.WriteFile("tall" + std::to_string(i) + ".bmp", SmallBitmap(4, 6));
  }
  UseFolder(mixed);
  OverrideDesktop(twoMonitors);
  ProgramOptions byShape;
  byShape.matchShape = true;
  for (int change = 0; change < 20; ++change) {
    Change(false, byShape);
    const std::string& shown = host.shownNames.back();
    const size_t slash = shown.find(" / ");
    ASSERT_NE(slash, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(0, 4), "wide") << shown;
    EXPECT_EQ(shown.substr(slash + 3, 4), "tall") << shown;
  }
  EXPECT_EQ(HistoryLines(mixed.ReadFile("_Buf.RFB")).size(), 40u);  // each picture once

  // Nothing suits the portrait monitor and nothing is large enough: the
  // pictures are shown all the same, each once.
  byShape.minPictureShare = 100;
  UseFolder(pictures);
  Change(false, byShape);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(HistoryLines(pictures.ReadFile("_Buf.RFB")), (Names{"one.bmp", "two.bmp"}));
}

TEST_F(MonitorChangeTest, ADisplayChangeMakesTheShownPicturesAgainWithoutANewDraw) {
  OverrideDesktop(twoMonitors);
  Change(true);
  const std::string history = pictures.ReadFile("_Buf.RFB");
  const Names shown = host.shownNames;
  const framework::Bitmap before = Wallpaper();
  EXPECT_FALSE(host.Again(cycle));  // nothing changed

  // The second monitor turned to landscape and moved below the first.
  Desktop turned = twoMonitors;
  turned.monitors[1] = Monitor("\\\\.\\DISPLAY2", 0, 30, 40, 30);
  OverrideDesktop(turned);
  EXPECT_TRUE(host.Again(cycle));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  ASSERT_EQ(host.shownNames.size(), 2u);
  EXPECT_EQ(host.shownNames[1], shown[0]);  // the same picture on the same monitor
  framework::Bitmap after = Wallpaper();
  ASSERT_EQ(after.Width(), 40);
  ASSERT_EQ(after.Height(), 60);
  // The primary monitor's picture, made for the same size, is the same.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(after.PixelColor(x, y), before.PixelColor(x, y + 10));
  EXPECT_EQ(sounds.size(), 1u);  // made again without the change's sound

  // A later run knows what the monitors show: the first display change
  // makes them again.
  ChangeCycle later{host, boxes, framework::IniFile(program.PathOf("Kaleidon.ini"))};
  EXPECT_FALSE(host.Again(later));
  OverrideDesktop(twoMonitors);
  EXPECT_TRUE(host.Again(later));
  EXPECT_EQ(Wallpaper(), before);
  EXPECT_EQ(host.shownNames.back(), shown[0]);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);

  // Another wallpaper chosen meanwhile is left alone.
  WriteDesktopValue("WallPaper", pictures.PathOf("one.bmp"));
  OverrideDesktop(twoMonitors);  // not what this cycle made it for
  EXPECT_FALSE(host.Again(cycle));
  EXPECT_EQ(Wallpaper(), before);
}

TEST_F(MonitorChangeTest, TheShellsRestartShowsTheWallpaperBitmapAgainOnlyWhileItIsTheDesktops) {
  auto desktopWallpaper = [] {
    wchar_t value[MAX_PATH + 1] = {};
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, value, 0);
    return framework::Narrow(value);
  };
  std::wstring none(MAX_PATH, L'\0');
  // An earlier run's wallpaper: nothing shown by this run yet.
  program.WriteFile("WPFile.BMP", SmallBitmap(4, 3));
  SetWallpaper(program.PathOf("WPFile.BMP"), false, {});
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none.data(), 0);
  cycle.ApplyAgain();
  EXPECT_EQ(desktopWallpaper(), program.PathOf("WPFile.BMP"));

  // The user chose another wallpaper meanwhile.
  SetWallpaper(pictures.PathOf("one.bmp"), false, {});
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none.data(), 0);
  cycle.ApplyAgain();
  EXPECT_EQ(desktopWallpaper(), "");
  EXPECT_EQ(ReadDesktopValue("WallPaper"), pictures.PathOf("one.bmp"));
  EXPECT_TRUE(sounds.empty());
}

TEST_F(MonitorChangeTest, WithOneMonitorTheWallpaperIsTodaysToTheByte) {
  OverrideDesktop(Desktop{{Monitor("\\\\.\\DISPLAY1", 0, 0, 1024, 768, true)}, WallpaperSpread::Span, 32});
  pictures.WriteFile("_Buf.RFB", "two.bmp\r\n");
  for (bool fit : {false, true}) {
    SCOPED_TRACE(fit ? "fit to the screen" : "at its own size");
    ProgramOptions options;
    options.fitToScreen = fit;
    Change(true, options);
    TempDir today;
    framework::OverrideProgramFolder(today.path());
    PrepareWallpaperBitmap(pictures.PathOf("one.bmp"), options.Wallpaper(), CurrentScreen(), boxes);
    framework::OverrideProgramFolder(program.path());
    EXPECT_EQ(program.ReadFile("WPFile.BMP"), today.ReadFile("WPFile.BMP"));
    pictures.WriteFile("_Buf.RFB", "two.bmp\r\n");
  }
  EXPECT_EQ(host.shownNames, (Names{"one.bmp", "one.bmp"}));
  EXPECT_FALSE(program.Exists("Kaleidon.ini"));
  EXPECT_EQ(ReadDesktopValue("WallpaperStyle"), "10");
}

// The cycle sees two monitors side by side until the result goes; the
// user's desktop style is put back then.
auto ShowTwoMonitorsSideBySide() {
  const WallpaperStyle style{ReadDesktopValue("WallpaperStyle"), ReadDesktopValue("TileWallpaper")};
  OverrideDesktop(Desktop{{Monitor("\\\\.\\DISPLAY1", 0, 0, 40, 30, true), Monitor("\\\\.\\DISPLAY2", 40, 0, 40, 30)},
                          WallpaperSpread::Span, 32});
  return framework::ScopeExit([style] {
    WriteDesktopValue("WallpaperStyle", style.style);
    WriteDesktopValue("TileWallpaper", style.tile);
  });
}

class ArchiveChangeTest : public ChangeCycleTest {
 protected:
  void SetUp() override {
    ChangeCycleTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  }
  void TearDown() override {
    FreeUnlhaLibrary();
    ChangeCycleTest::TearDown();
  }
  void CopyArchive(const std::string& fixture, const TempDir& to, const std::string& name) {
    const std::string from = BuildOutputPath("fixtures/archives/" + fixture);
    ASSERT_TRUE(CopyFileW(framework::Widen(from).c_str(), framework::Widen(to.PathOf(name)).c_str(), FALSE)) << from;
  }
  TempDir folder;
};

TEST_F(ArchiveChangeTest, AnArchiveMemberBecomesTheWallpaperAndItsTemporaryFileGoes) {
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level1.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh;*.bmp");
  Change();
  EXPECT_EQ(boxes.Count(), 0u);
  ASSERT_EQ(host.shownNames.size(), 1u);
  const std::string shown = host.shownNames[0];
  EXPECT_TRUE(shown == "a.bmp" || shown == "壁紙.bmp") << shown;
  EXPECT_TRUE(program.Exists("WPFile.BMP"));
  EXPECT_TRUE(program.FileNames("Temp").empty());
  EXPECT_FALSE(cycle.MeltFile.Extracted);
  EXPECT_NE(framework::DecodeStoredText(folder.ReadFile("set.RFB")).find(shown), std::string::npos);
}

TEST_F(ArchiveChangeTest, AnArchiveWithoutAPictureIsMarkedShownWithoutAMessage) {
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level2.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh");
  Change();
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(folder.ReadFile("_Buf.RFB"), "set.lzh\r\n");
  EXPECT_FALSE(program.Exists("WPFile.BMP"));
}

TEST_F(ArchiveChangeTest, AMemberRefusedOnBothDrawsLeavesTheWallpaperAlone) {
  LzhWriter inner, outer;
  inner.AddLevel0("a.bmp", SmallBitmap(2, 2));
  outer.AddLevel0("inner.lzh", inner.Bytes());
  folder.WriteFile("nested.lzh", outer.Bytes());
  UseFolder(folder, "*.lzh");
  Change(true);
  // The list is read again and drawn once more: the same refusal, and the
  // change ends there, without a load error for the Temp folder.
  EXPECT_EQ(host.rereads, 1);
  EXPECT_EQ(boxes.Captions(), (Names{"暗黒のｴﾗｰ", "暗黒のｴﾗｰ"}));
  EXPECT_FALSE(program.Exists("WPFile.BMP"));
  EXPECT_TRUE(host.shownNames.empty());
  EXPECT_TRUE(sounds.empty());
}

TEST_F(ArchiveChangeTest, AMemberTakenOutByHandGoesAfterTheNextChangeThatShowsAPicture) {
  program.WriteFile("Temp\\by-hand.bmp", SmallBitmap(2, 2));
  cycle.TakeExtracted({PickResult::Kind::Picture, program.PathOf("Temp\\by-hand.bmp"), true});
  // What is no extracted member changes nothing.
  cycle.TakeExtracted({PickResult::Kind::ArchiveUsedUp, folder.PathOf("set.lzh"), false});
  EXPECT_EQ(cycle.MeltFile.FileName, program.PathOf("Temp\\by-hand.bmp"));
  TempDir empty;
  UseFolder(empty);
  Change();
  EXPECT_TRUE(program.Exists("Temp\\by-hand.bmp"));  // no picture was shown
  UseFolder(pictures);
  Change();
  EXPECT_FALSE(program.Exists("Temp\\by-hand.bmp"));
  EXPECT_FALSE(cycle.MeltFile.Extracted);
}

TEST_F(ArchiveChangeTest, OnTwoMonitorsTheMembersShownStayUntilAChangeReplacesThem) {
  auto twoMonitors = ShowTwoMonitorsSideBySide();
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level1.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh;*.bmp");
  Change();
  EXPECT_EQ(boxes.Count(), 0u);
  ASSERT_EQ(host.shownNames.size(), 1u);
  EXPECT_TRUE(host.shownNames[0] == "a.bmp / 壁紙.bmp" || host.shownNames[0] == "壁紙.bmp / a.bmp")
      << host.shownNames[0];
  // The desktop may ask for them again (a display change) while they show.
  EXPECT_EQ(program.FileNames("Temp").size(), 2u);

  UseFolder(pictures);
  Change();
  EXPECT_EQ(HistoryLines(pictures.ReadFile("_Buf.RFB")), (Names{"one.bmp", "two.bmp"}));
  EXPECT_TRUE(program.FileNames("Temp").empty());
  EXPECT_FALSE(cycle.MeltFile.Extracted);
}

namespace {

// Going back through the wallpapers the cycle showed.
class BackTest : public ArchiveChangeTest {
 protected:
  void SetUp() override {
    ArchiveChangeTest::SetUp();
    pictures.WriteFile("three.bmp", SmallBitmap(6, 2));
    host.List();
  }
  std::string Back(bool expectShown = true) {
    EXPECT_EQ(host.Back(cycle), expectShown);
    EXPECT_FALSE(cycle.ChangeBusy);
    EXPECT_EQ(host.busyNow, 0);
    return program.ReadFile("WPFile.BMP");
  }
  // Three changes; the wallpaper bitmap after each.
  Names ThreeChanges() {
    Names wallpapers;
    for (int i = 0; i < 3; ++i) {
      Change(true);
      wallpapers.push_back(program.ReadFile("WPFile.BMP"));
    }
    return wallpapers;
  }
};

}  // namespace

TEST_F(BackTest, BackShowsTheSecondThenTheFirstAndPastTheOldestNothingWithTheHistoryUntouched) {
  const Names wallpapers = ThreeChanges();
  ASSERT_EQ(host.shownNames.size(), 3u);
  const std::string history = pictures.ReadFile("_Buf.RFB");
  EXPECT_EQ(Back(), wallpapers[1]);
  EXPECT_EQ(host.shownNames.back(), host.shownNames[1]);
  EXPECT_EQ(Back(), wallpapers[0]);
  EXPECT_EQ(host.shownNames.back(), host.shownNames[0]);
  EXPECT_EQ(Back(false), wallpapers[0]);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  EXPECT_EQ(boxes.Count(), 0u);

  // The place in the list lasts into the next run; a change from there
  // drops the wallpapers that came after it.
  ChangeCycle next{host, boxes, framework::IniFile(program.PathOf("Kaleidon.ini"))};
  EXPECT_FALSE(host.Back(next));
  host.Change(next, {}, true);
  EXPECT_TRUE(host.Back(next));
  EXPECT_EQ(program.ReadFile("WPFile.BMP"), wallpapers[0]);
}

TEST_F(BackTest, ABackListAnotherProgramHoldsIsNeverWrittenOverAndTheChangesGoOn) {
  Change(true);
  const std::string list = program.ReadFile("Kaleidon.back");
  HANDLE held = CreateFileW(framework::Widen(program.PathOf("Kaleidon.back")).c_str(), GENERIC_READ,
                            FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  boxes.Clear();
  const std::string before = program.ReadFile("WPFile.BMP");
  Change(true);
  EXPECT_NE(program.ReadFile("WPFile.BMP"), before);
  EXPECT_FALSE(host.Back(cycle));
  CloseHandle(held);
  EXPECT_EQ(program.ReadFile("Kaleidon.back"), list);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().caption, "闇のエラー");
  EXPECT_NE(boxes.Last().text.find(program.PathOf("Kaleidon.back")), std::string::npos);
}

TEST_F(BackTest, APictureGoneSinceIsPassedOverAndNamedOnTheStatusLineWithoutABox) {
  const Names wallpapers = ThreeChanges();
  const Names shown = host.shownNames;
  ASSERT_TRUE(framework::DeleteFileAt(pictures.PathOf(shown[1])));
  EXPECT_EQ(Back(), wallpapers[0]);
  ASSERT_EQ(host.shownNames.size(), 4u);  // one status line per outcome
  // What is shown stays named with the picture passed over.
  EXPECT_EQ(host.shownNames.back(), shown[0] + "　" + shown[1] + "（はぐぁ！指定した正義のファイルが存在しない････）");

  // Nothing older left to show: nothing changes, and still no box.
  ASSERT_TRUE(framework::DeleteFileAt(pictures.PathOf(shown[0])));
  ChangeCycle next{host, boxes, framework::IniFile(program.PathOf("Kaleidon.ini"))};
  host.Change(next, {}, true);
  const std::string now = program.ReadFile("WPFile.BMP");
  EXPECT_EQ(Back(false), now);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(BackTest, AMemberGoneBackToIsTakenOutOfItsArchiveAgainAndItsArchiveHistoryStays) {
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level1.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh;*.bmp");
  Change(true);
  const std::string first = program.ReadFile("WPFile.BMP");
  const std::string firstName = host.shownNames.back();
  Change(true);
  ASSERT_NE(host.shownNames.back(), firstName);
  const std::string history = folder.ReadFile("set.RFB");
  EXPECT_EQ(Back(), first);
  EXPECT_EQ(host.shownNames.back(), firstName);
  EXPECT_EQ(folder.ReadFile("set.RFB"), history);
  EXPECT_TRUE(program.FileNames("Temp").empty());
}

TEST_F(BackTest, OnTwoMonitorsEachGetsBackWhatItShowed) {
  auto twoMonitors = ShowTwoMonitorsSideBySide();
  const Names wallpapers = ThreeChanges();
  ASSERT_NE(wallpapers[0], wallpapers[1]);
  EXPECT_EQ(Back(), wallpapers[1]);
  EXPECT_EQ(Back(), wallpapers[0]);
}

TEST_F(BackTest, AChangeForOneMonitorLeavesTheOthersPicture) {
  auto twoMonitors = ShowTwoMonitorsSideBySide();
  Change(true);
  const ShownSources before = cycle.ShownNow();
  ASSERT_EQ(before.size(), 2u);
  host.Change(cycle, {}, true, "\\\\.\\DISPLAY2");
  const ShownSources after = cycle.ShownNow();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_NE(after[1].source, before[1].source);
  // The one picture the first change did not show.
  EXPECT_EQ(HistoryLines(pictures.ReadFile("_Buf.RFB")), (Names{"one.bmp", "three.bmp", "two.bmp"}));

  // A monitor no longer there: both get a new picture.
  host.Change(cycle, {}, true, "\\\\.\\DISPLAY9");
  EXPECT_EQ(HistoryLines(pictures.ReadFile("_Buf.RFB")).size(), 2u);
}

// After a restart the cycle still knows where the wallpaper shown came from,
// on one monitor and on two: the archive and its member, not the member's
// copy in Temp, so that never-again excludes the member.
TEST_F(BackTest, ARestartKnowsWhichArchiveMembersTheWallpaperShows) {
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level1.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh;*.bmp");
  const auto changeAndRestart = [&](size_t monitors) {
    Change(true);
    const ShownSources shown = cycle.ShownNow();
    ASSERT_EQ(shown.size(), monitors);
    for (const ScreenSource& screen : shown) EXPECT_EQ(screen.source.file, folder.PathOf("set.lzh"));
    ChangeCycle restarted{host, boxes, framework::IniFile(program.PathOf("Kaleidon.ini"))};
    EXPECT_EQ(restarted.ShownNow(), shown);
  };
  changeAndRestart(1);
  auto twoMonitors = ShowTwoMonitorsSideBySide();
  changeAndRestart(2);
}

TEST_F(BackTest, TheCaptionNamesAnArchivesMemberAndComesAgainGoingBackAndWhenTheTaskbarMoves) {
  // The screen as one monitor, its taskbar below.
  const ScreenInfo screen = CurrentScreen();
  Desktop desktop{{Monitor("\\\\.\\DISPLAY1", 0, 0, screen.width, screen.height, true)}, WallpaperSpread::Span, 32};
  MonitorArea& monitor = desktop.monitors[0];
  monitor.workWidth = screen.width;
  monitor.workHeight = screen.height - 40;
  monitor.dpi = 96;
  OverrideDesktop(desktop);
  Names captions;
  std::vector<CaptionBox> drawn;
  SetCaptionWatcher([&](const std::string& text, const CaptionBox& box) {
    captions.push_back(text);
    drawn.push_back(box);
  });
  auto unwatch = framework::ScopeExit([] { SetCaptionWatcher(nullptr); });
  ProgramOptions options;
  options.fitToScreen = true;
  options.caption = true;
  options.captionFormat = "{path}";
  ASSERT_NO_FATAL_FAILURE(CopyArchive("level1.lzh", folder, "set.lzh"));
  UseFolder(folder, "*.lzh;*.bmp");
  Change(true, options);
  Change(true, options);
  ASSERT_EQ(captions.size(), 2u);
  // The member by its place in the archive, not its copy in Temp.
  EXPECT_EQ(captions[0].rfind(folder.PathOf("set.lzh\\"), 0), 0u) << captions[0];
  const std::string history = folder.ReadFile("set.RFB");
  const std::string first = captions[0];

  captions.clear();
  EXPECT_TRUE(host.Take(cycle.GoBack(host.Request(options, true))).done);
  EXPECT_EQ(captions, Names{first});

  // The taskbar moved to the top: the caption moves down with the work area.
  UseFolder(pictures);
  Change(true, options);
  monitor.workTop = 40;
  OverrideDesktop(desktop);
  captions.clear();
  EXPECT_TRUE(cycle.PrepareAgain(options.Wallpaper()).done);
  ASSERT_EQ(captions.size(), 1u);
  EXPECT_GT(drawn.back().bottom, screen.height - 40);
  // Without a caption a taskbar's move changes nothing.
  monitor.workTop = 0;
  OverrideDesktop(desktop);
  EXPECT_FALSE(cycle.PrepareAgain(ProgramOptions{}.Wallpaper()).done);
  EXPECT_EQ(folder.ReadFile("set.RFB"), history);
}
