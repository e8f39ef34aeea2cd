// The settings file through the whole program: one held by another program,
// saved by an editor, made read-only; a change costs it one replacement.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "core/monitors.h"
#include "core/wallpaper.h"
#include "core/wallpapermonitors.h"
#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "support/fixtures.h"
#include "support/program.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

namespace {

std::string SmallBitmap(int width) {
  framework::Bitmap b(width, 2, 24);
  for (int x = 0; x < width; ++x) b.SetPixelColor(x, 0, framework::Rgb{uint8_t(x * 40), 80, 90});
  return b.SaveToBytes();
}

// Two picture folders remembered in two slots, as a close stores them.
struct TwoSlots {
  TempDir first, second;
  TwoSlots() {
    for (const TempDir* folder : {&first, &second}) {
      folder->WriteFile("a.bmp", SmallBitmap(3));
      folder->WriteFile("b.bmp", SmallBitmap(4));
    }
  }
  std::string Settings() const {
    return "[SysInfo]\r\nPath=" + framework::EncodeStoredText(first.path()) +
           "\r\nStartUpChange=0\r\nTaskTray=0\r\nTimerChange=0\r\nHour=5\r\nMinute=15\r\nCPUUseRate=15\r\n"
           "Compulsory=30\r\nSplash=1\r\nChangeStyle=1\r\nDlay=0\r\nLastBuf=1\r\nConvertToJpeg=Reserved\r\n"
           "PlaySound=0\r\nSoundFile=\r\nFilter=0\r\nMemoryCount=2\r\nProgramVersion=0.6\r\nRandomRoutine=0.5\r\n"
           "[DirectoryBuf]\r\nPathMemory1=" +
           framework::EncodeStoredText(first.path()) + "\r\nPathMemory2=" + framework::EncodeStoredText(second.path()) +
           "\r\n";
  }
};

size_t CountCaption(const MessageBoxRecorder& boxes, const std::string& caption) {
  const std::vector<std::string> captions = boxes.Captions();
  return static_cast<size_t>(std::count(captions.begin(), captions.end(), caption));
}

}  // namespace

namespace {

// Starts hold-file.exe on the file and waits until nobody can read it.
ProgramProcess HoldUnreadable(const std::string& path) {
  ProgramProcess holder = ProgramProcess::Start(BuildOutputPath("fixtures/hold-file.exe"), "\"" + path + "\"");
  // A busy machine may take a while to start a program.
  for (int tries = 0; tries < 2400 && holder.Running() && framework::ReadWholeFile(path); ++tries) Sleep(25);
  return holder;
}

}  // namespace

TEST(StoredSettings, AFileAnotherProgramHoldsIsNeitherGreetedNorWrittenOverNorTakenForTheRun) {
  for (const bool fromTheStart : {true, false}) {
    SCOPED_TRACE(fromTheStart ? "held while the program starts" : "held once it has started");
    TwoSlots slots;
    const std::string stored = slots.Settings();
    std::optional<ProgramProcess> holder;
    ProgramWindows w(stored, "", [&](TempDir& folder) {
      folder.WriteFile("here.bmp", SmallBitmap(5));  // what the defaults show
      if (fromTheStart) holder.emplace(HoldUnreadable(folder.PathOf("Kaleidon.ini")));
    });
    if (!fromTheStart) holder.emplace(HoldUnreadable(w.folder.PathOf("Kaleidon.ini")));
    ASSERT_FALSE(framework::ReadWholeFile(w.folder.PathOf("Kaleidon.ini"))) << "the file is not held";
    kaleidon::RunStartupChange(w, kaleidon::CommandLine{});  // the folder list's upgrade, were it one
    Widgets(*w.main).Button3->Click();  // with the slots known, a rotation
    const std::string shown = Widgets(*w.main).Label7->Text();
    EXPECT_TRUE(fromTheStart ? shown == "here.bmp" : shown == "a.bmp" || shown == "b.bmp") << shown;
    w.options->SpinEdit1->SetValue(7);
    w.options->Button2->Click();  // cancelled: back to the run's, not to defaults
    EXPECT_EQ(w.options->Values().hours, fromTheStart ? 0 : 5);
    w.options->Button1->Click();
    EXPECT_EQ(w.folderList->Cell(1, 2), fromTheStart ? "" : slots.second.path());  // the run's slots stay
    // Said once, naming the file; no greeting, no upgrade.
    EXPECT_EQ(CountCaption(w.boxes, "闇のエラー"), 1u);
    ASSERT_FALSE(w.boxes.Calls().empty());
    EXPECT_EQ(w.boxes.Calls().front().caption, "闇のエラー");
    EXPECT_NE(w.boxes.Calls().front().text.find(w.folder.PathOf("Kaleidon.ini")), std::string::npos);
    // Released before the close: what the run never read is not written.
    if (fromTheStart) holder->Kill();
    w.main->Close();
    EXPECT_FALSE(w.main->Visible());
    holder->Kill();
    EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
    EXPECT_EQ(CountCaption(w.boxes, "闇のエラー"), 1u);
  }
}

TEST(StoredSettings, AFileAnEditorSavedIsReadExactlyAndKeptAfterAClose) {
  TempDir japanese;
  for (const char* name : {"写真\\", "旅行 ☃\\"}) {
    framework::CreateFolder(japanese.PathOf(name));
    japanese.WriteFile(std::string(name) + "a.bmp", SmallBitmap(3));
  }
  const std::string one = japanese.PathOf("写真\\"), two = japanese.PathOf("旅行 ☃\\");
  const std::string text = "[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=2\r\nHour=5\r\n[DirectoryBuf]\r\nPathMemory1=" +
                           one + "\r\nPathMemory2=" + two + "\r\n";
  std::wstring wide = framework::Widen(text);
  std::string utf16 = "\xFF\xFE";
  for (wchar_t unit : wide) utf16 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  for (const auto& [what, bytes] : {std::pair{"UTF-8 without a mark", text}, std::pair{"UTF-16", utf16}}) {
    SCOPED_TRACE(what);
    ProgramWindows w(bytes);
    EXPECT_EQ(w.folderList->Cell(1, 1), one);
    EXPECT_EQ(w.folderList->Cell(1, 2), two);
    EXPECT_EQ(w.options->Values().hours, 5);
    w.main->Close();
    framework::IniDocument after(framework::DecodeStoredText(w.folder.ReadFile("Kaleidon.ini")));
    EXPECT_EQ(after.Value("DirectoryBuf", "PathMemory1"), one);
    EXPECT_EQ(after.Value("DirectoryBuf", "PathMemory2"), two);
    EXPECT_EQ(after.Value("SysInfo", "Hour"), "5");
  }
}

TEST(StoredSettings, AReadOnlyFileStillChangesTheWallpaperSaysSoOnceAndLetsTheWindowClose) {
  TwoSlots slots;
  const std::string stored = slots.Settings();
  ProgramWindows w(stored);
  w.folder.SetReadOnly("Kaleidon.ini", true);
  auto writable = framework::ScopeExit([&w] { w.folder.SetReadOnly("Kaleidon.ini", false); });
  w.boxes.Clear();
  for (int change = 0; change < 3; ++change) {
    w.folder.WriteFile("WPFile.BMP", "");
    Widgets(*w.main).Button3->Click();
    framework::Bitmap wallpaper;
    EXPECT_NO_THROW(wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"))) << change;
  }
  w.main->Close();
  EXPECT_FALSE(w.main->Visible());
  EXPECT_EQ(w.boxes.Captions(), std::vector<std::string>{"悪のエラー"});
  EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません");
  EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
}

TEST(StoredSettings, AStartThatWritesIntoAReadOnlyFileStartsAndSaysSoOnce) {
  TwoSlots slots;
  const std::string gone = slots.first.PathOf("gone\\");
  const struct {
    const char* what;
    const char* argument;
    std::vector<std::string> captions;
  } cases[] = {
      {"the stored folder gone", "", {"暗黒のエラー", "悪のエラー"}},
      {"a reset start", "/F", {"悪のエラー"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string stored = "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(gone) + "\r\n";
    ProgramWindows w(stored, c.argument, [](TempDir& folder) { folder.SetReadOnly("Kaleidon.ini", true); });
    auto writable = framework::ScopeExit([&w] { w.folder.SetReadOnly("Kaleidon.ini", false); });
    ASSERT_EQ(w.boxes.Captions(), c.captions);
    EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません");
    EXPECT_EQ(framework::JoinPath(Widgets(*w.main).dlb1->Directory(), ""), w.folder.path());
    EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
  }
}

TEST(StoredSettings, OneChangeOnTwoMonitorsWithFolderMemoryIsOneReplacement) {
  const kaleidon::WallpaperStyle style{kaleidon::ReadDesktopValue("WallpaperStyle"),
                                       kaleidon::ReadDesktopValue("TileWallpaper")};
  auto restore = framework::ScopeExit([style] {
    kaleidon::OverrideDesktop(std::nullopt);
    kaleidon::WriteDesktopValue("WallpaperStyle", style.style);
    kaleidon::WriteDesktopValue("TileWallpaper", style.tile);
  });
  kaleidon::OverrideDesktop(kaleidon::Desktop{{kaleidon::MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true},
                                               kaleidon::MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
                                              kaleidon::WallpaperSpread::Span, 32});
  TwoSlots slots;
  ProgramWindows w(slots.Settings());
  // Enough changes for every pass to end: each folder has two pictures.
  for (int change = 0; change < 6; ++change) {
    const uint64_t before = framework::IniFile::Replacements();
    Widgets(*w.main).Button3->Click();
    EXPECT_LE(framework::IniFile::Replacements() - before, 1u) << change;
    EXPECT_NE(Widgets(*w.main).Label7->Text().find(" / "), std::string::npos) << Widgets(*w.main).Label7->Text();
  }
  EXPECT_TRUE(w.boxes.Calls().empty());
}
