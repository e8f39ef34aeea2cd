// One random change of the main window, end to end inside the test process:
// the windows are real, the pictures and history files are real files.
#include <gtest/gtest.h>

#include "archive/lzhwriter.h"
#include "archive/unlha32.h"
#include "core/wallpaper.h"
#include "framework/imaging/bitmap.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/program.h"
#include "support/programwindows.h"
#include "ui/folderlistform.h"

using framework::JoinPath;

namespace {

std::string SmallBitmap(int width, int height) {
  framework::Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, framework::Rgb{uint8_t(x * 40), uint8_t(y * 40), 90});
  return b.SaveToBytes();
}

std::string Settings(const std::string& path, const std::string& extra = "") {
  return "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::ToAnsi(path) + "\r\n" + extra;
}

void CopyFixtureArchive(const std::string& name, const std::string& target) {
  std::string archive = BuildOutputPath("fixtures/archives/" + name);
  ASSERT_TRUE(CopyFileW(framework::Widen(archive).c_str(), framework::Widen(target).c_str(), FALSE)) << archive;
}

class ChangeCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    pictures.WriteFile("one.bmp", SmallBitmap(4, 3));
    pictures.WriteFile("two.bmp", SmallBitmap(5, 2));
    kaleidon::SetSoundPlayer([this](const std::string& path) { sounds.push_back(path); });
  }
  void TearDown() override { kaleidon::SetSoundPlayer(nullptr); }

  size_t CountBoxes(const ProgramWindows& w, const std::string& caption) {
    size_t n = 0;
    for (const auto& c : w.boxes.Calls()) n += c.caption == caption;
    return n;
  }

  TempDir pictures;
  std::vector<std::string> sounds;
};

}  // namespace

TEST_F(ChangeCycle, AChangeMakesTheWallpaperBitmapAndRecordsThePicture) {
  ProgramWindows w(Settings(pictures.path()));
  w.boxes.Clear();
  w.main->ChangeWallpaper(false);
  EXPECT_FALSE(w.main->ChangeBusy);
  EXPECT_EQ(w.boxes.Count(), 0u);
  std::string shown = w.main->Label7->Text();
  ASSERT_TRUE(shown == "one.bmp" || shown == "two.bmp") << shown;
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), shown + "\r\n");
  framework::Bitmap wallpaper;
  wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"));
  EXPECT_EQ(wallpaper.Width(), shown == "one.bmp" ? 4 : 5);
  EXPECT_TRUE(sounds.empty());  // only stored, so no sound
  // The second change shows the other picture.
  w.main->ChangeWallpaper(false);
  EXPECT_NE(w.main->Label7->Text(), shown);
}

TEST_F(ChangeCycle, EmptyFolderIsReportedAtEveryAttemptAndTheButtonKeepsWorking) {
  TempDir empty;
  ProgramWindows w(Settings(empty.path()));
  w.boxes.Clear();
  w.main->Button3->Click();
  w.main->Button3->Click();
  ASSERT_EQ(CountBoxes(w, "悪のエラー"), 2u);
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(w.boxes.Last().text.substr(0, w.boxes.Last().text.find('\r')), "はわぁ！読み込む正義の画像がないぞ！");
  EXPECT_FALSE(w.main->ChangeBusy);
  EXPECT_FALSE(w.folder.Exists("WPFile.BMP"));
}

TEST_F(ChangeCycle, ListedFileThatVanishedEndsLikeAnEmptyFolderWhenNothingIsLeft) {
  TempDir one;
  one.WriteFile("only.bmp", SmallBitmap(2, 2));
  ProgramWindows w(Settings(one.path()));
  ASSERT_EQ(w.main->FileListBox2->Count(), 1);
  framework::ForceDeleteFile(one.PathOf("only.bmp"));
  w.boxes.Clear();
  w.main->ChangeWallpaper(true);
  EXPECT_EQ(CountBoxes(w, "悪のエラー"), 1u);
  EXPECT_EQ(CountBoxes(w, "悪のファイル読み込みエラー"), 0u);
  EXPECT_FALSE(w.main->ChangeBusy);
  EXPECT_FALSE(w.folder.Exists("WPFile.BMP"));
}

TEST_F(ChangeCycle, AFolderThatTakesNoHistorySaysSoOnceAndNothingElseChanges) {
  // A folder the system lets nobody write in, as a protected folder or a CD
  // is on Windows: the test runs as the machine's administrator, whom a
  // read-only folder of its own would not stop.
  const std::string systemFolder = "Z:\\proc\\sys\\kernel\\";
  struct Case {
    const char* what;
    std::string folder;
    std::string mask;
  } cases[] = {
      {"a read-only history", pictures.path(), "*.bmp"},
      {"a folder that takes no file", systemFolder, "*"},
  };
  pictures.WriteFile("_Buf.RFB", "one.bmp\r\n");
  pictures.SetReadOnly("_Buf.RFB", true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramWindows w(Settings(c.folder, "CustomMask=" + c.mask + "\r\nFilter=99\r\n"));
    ASSERT_GT(w.main->FileListBox2->Count(), 0);
    w.boxes.Clear();
    w.main->ChangeWallpaper(true);
    ASSERT_EQ(w.boxes.Count(), 1u);
    EXPECT_EQ(w.boxes.Last().caption, "悪のエラー");
    EXPECT_EQ(w.boxes.Last().text, c.folder + "_Buf.RFB に書き込めません");
    EXPECT_EQ(w.boxes.Last().flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(w.main->ChangeBusy);
    EXPECT_EQ(w.main->Button3->Cursor(), nullptr);
    EXPECT_FALSE(w.folder.Exists("WPFile.BMP"));
    EXPECT_EQ(w.main->Label7->Text(), "");
  }
  pictures.SetReadOnly("_Buf.RFB", false);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "one.bmp\r\n");
  EXPECT_EQ(pictures.FileNames(), (std::vector<std::string>{"_Buf.RFB", "one.bmp", "two.bmp"}));
}

TEST_F(ChangeCycle, OneSlotRecallsItsFolderBeforeEveryChange) {
  TempDir elsewhere;
  ProgramWindows w(Settings(elsewhere.path(), "MemoryCount=1\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::ToAnsi(pictures.path()) + "\r\n");
  ASSERT_TRUE(w.main->SpinEdit1->Enabled());
  EXPECT_EQ(w.folderList->Cell(1, 1), pictures.path());
  w.boxes.Clear();
  w.main->ChangeWallpaper(false);
  EXPECT_EQ(w.boxes.Count(), 0u);
  EXPECT_EQ(JoinPath(w.main->dlb1->Directory(), ""), pictures.path());
  EXPECT_TRUE(pictures.Exists("_Buf.RFB"));
}

TEST_F(ChangeCycle, NoSlotsMeansThePictureComesFromTheShownFolder) {
  TempDir other;
  other.WriteFile("x.bmp", SmallBitmap(3, 3));
  ProgramWindows w(Settings(other.path(), "MemoryCount=0\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::ToAnsi(pictures.path()) + "\r\n");
  EXPECT_FALSE(w.main->SpinEdit1->Enabled());
  w.main->ChangeWallpaper(false);
  EXPECT_EQ(w.main->Label7->Text(), "x.bmp");
  EXPECT_EQ(JoinPath(w.main->dlb1->Directory(), ""), other.path());
}

TEST_F(ChangeCycle, ArchiveWithoutAPictureIsMarkedShownWithoutAMessage) {
  ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  TempDir folder;
  ASSERT_NO_FATAL_FAILURE(CopyFixtureArchive("level2.lzh", folder.PathOf("set.lzh")));
  ProgramWindows w(Settings(folder.path(), "CustomMask=*.lzh\r\nFilter=99\r\n"));
  ASSERT_EQ(w.main->FileListBox2->Items(), std::vector<std::string>{"set.lzh"});
  w.boxes.Clear();
  w.main->ChangeWallpaper(false);
  kaleidon::FreeUnlhaLibrary();
  EXPECT_EQ(w.boxes.Count(), 0u);
  EXPECT_FALSE(w.main->ChangeBusy);
  EXPECT_EQ(folder.ReadFile("_Buf.RFB"), "set.lzh\r\n");
  EXPECT_FALSE(w.folder.Exists("WPFile.BMP"));
}

TEST_F(ChangeCycle, ArchiveMemberBecomesTheWallpaperAndItsTemporaryFileGoes) {
  ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  TempDir folder;
  ASSERT_NO_FATAL_FAILURE(CopyFixtureArchive("level1.lzh", folder.PathOf("set.lzh")));
  ProgramWindows w(Settings(folder.path(), "CustomMask=*.lzh;*.bmp\r\nFilter=99\r\n"));
  w.boxes.Clear();
  w.main->ChangeWallpaper(false);
  kaleidon::FreeUnlhaLibrary();
  EXPECT_FALSE(w.main->ChangeBusy);
  std::string shown = w.main->Label7->Text();
  EXPECT_TRUE(shown == "a.bmp" || shown == "壁紙.bmp") << shown;
  EXPECT_TRUE(w.folder.Exists("WPFile.BMP"));
  EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
  EXPECT_FALSE(w.main->MeltFile.Extracted);
  EXPECT_NE(framework::FromAnsi(folder.ReadFile("set.RFB")).find(shown), std::string::npos);
}

TEST_F(ChangeCycle, ArchiveMemberRefusedOnBothDrawsLeavesTheWallpaperAlone) {
  ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  TempDir folder;
  LzhWriter inner, outer;
  inner.AddLevel0("a.bmp", SmallBitmap(2, 2));
  outer.AddLevel0("inner.lzh", inner.Bytes());
  folder.WriteFile("nested.lzh", outer.Bytes());
  ProgramWindows w(Settings(folder.path(), "CustomMask=*.lzh\r\nFilter=99\r\n"));
  w.boxes.Clear();
  w.main->ChangeWallpaper(true);
  kaleidon::FreeUnlhaLibrary();
  // The list is read again and drawn once more: the same refusal, and the
  // change ends there, without a load error for the Temp folder.
  EXPECT_EQ(CountBoxes(w, "暗黒のｴﾗｰ"), 2u);
  EXPECT_EQ(w.boxes.Count(), 2u);
  EXPECT_FALSE(w.main->ChangeBusy);
  EXPECT_EQ(w.main->Button3->Cursor(), nullptr);
  EXPECT_FALSE(w.folder.Exists("WPFile.BMP"));
  EXPECT_EQ(w.main->Label7->Text(), "");
  EXPECT_TRUE(sounds.empty());
}

TEST(IntervalTimer, CountsWholeTicksAgainstTheLiveInterval) {
  TempDir empty;  // every change ends with the empty-folder message: one per change
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::ToAnsi(empty.path()) + "\r\n");
  auto changes = [&] {
    size_t n = 0;
    for (const auto& c : w.boxes.Calls()) n += c.caption == "悪のエラー";
    return n;
  };
  w.boxes.Clear();
  w.options->SpinEdit1->SetValue(0);
  w.options->SpinEdit2->SetValue(1);
  w.main->Timer1Timer();
  w.main->Timer1Timer();
  EXPECT_EQ(changes(), 2u);  // every minute

  w.boxes.Clear();
  w.options->SpinEdit1->SetValue(1);
  w.options->SpinEdit2->SetValue(30);
  for (int i = 0; i < 89; ++i) w.main->Timer1Timer();
  EXPECT_EQ(changes(), 0u);
  w.main->Timer1Timer();
  EXPECT_EQ(changes(), 1u);  // after 90 minutes
  EXPECT_EQ(w.main->TimerTicks, 0);

  w.boxes.Clear();
  w.main->TimerTicks = 20;  // counted before a pause
  w.options->SpinEdit1->SetValue(0);
  w.options->SpinEdit2->SetValue(15);
  w.main->Timer1Timer();
  EXPECT_EQ(changes(), 1u);
}
