// Folder and file names in any script, through every file the program
// stores: the settings file, the histories, the archive library's paths.
// These tests run twice, with the Japanese code page (932) and with an
// English one (1252) as the system's ANSI code page: the files are
// Shift-JIS in both, or UTF-8 after a byte-order mark where a name needs it.
#include <gtest/gtest.h>

#include <set>

#include "app/startup.h"
#include "archive/unlha32.h"
#include "change/changecycle.h"
#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "support/fixtures.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "support/mainwindow.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

using Names = std::vector<std::string>;

namespace {

// Names no single code page holds: accented Latin, Hangul, simplified
// Chinese, an emoji, a character beyond the Basic Multilingual Plane.
const Names kFolders = {"Café", "한글", "写真🌸", "简体中文", "𠮷野"};
const Names kPictures = {"Zoë.bmp", "夏の思い出🌻.bmp", "한글.bmp", "𠮷.bmp", "冬.bmp"};

std::string SmallBitmap() {
  framework::Bitmap b(3, 2, 24);
  return b.SaveToBytes();
}

// Shift-JIS as the system converts it, whatever the ANSI code page.
std::string ShiftJis(const std::string& utf8) {
  const std::wstring wide = framework::Widen(utf8);
  int n = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string WithByteOrderMark(const std::string& utf8) { return std::string(framework::kUtf8ByteOrderMark) + utf8; }

// The program's windows over a program folder of the test's own (anywhere,
// any name), made as the start-up makes them.
class Windows : public kaleidon::ProgramWindows {
 public:
  Windows(const std::string& programFolder, const std::string& settings) {
    framework::OverrideProgramFolder(programFolder);
    framework::CreateFolder(programFolder);
    if (!settings.empty())
      framework::WriteFileAtomically(framework::JoinPath(programFolder, "Kaleidon.ini"), settings);
    Create(kaleidon::CommandLine{""});
  }
  ~Windows() {
    Destroy();
    framework::OverrideProgramFolder("");
  }
  std::string Settings() const {
    return framework::ReadWholeFile(framework::JoinPath(framework::ProgramFolder(), "Kaleidon.ini")).value_or("");
  }
  MessageBoxRecorder boxes;
};

std::string SettingsWith(const std::string& path, const std::string& extra = "") {
  return "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + path + "\r\n" + extra;
}

}  // namespace

TEST(NamesInAnyScript, AutomaticRegistrationStoresAndRecallsThemExactly) {
  TempDir tree, program;
  for (const std::string& folder : kFolders) tree.WriteFile(folder + "\\p.bmp", SmallBitmap());
  std::set<std::string> expected;
  for (const std::string& folder : kFolders) expected.insert(tree.PathOf(folder + "\\"));
  {
    Windows w(program.path(), SettingsWith(tree.path()));
    Widgets(*w.main).Button12->Click();
    ASSERT_EQ(w.boxes.Count(), 0u) << w.boxes.Last().text;
    ASSERT_EQ(w.options->Values().slotCount, static_cast<int>(kFolders.size()));
    std::set<std::string> slots;
    for (int n = 1; n <= static_cast<int>(kFolders.size()); ++n) slots.insert(w.folderList->Cell(1, n));
    EXPECT_EQ(slots, expected);
    // The whole file in UTF-8 once a name needs it, and every name exact.
    const std::string stored = w.Settings();
    ASSERT_TRUE(stored.starts_with(framework::kUtf8ByteOrderMark));
    framework::IniDocument ini(stored.substr(3));
    std::set<std::string> inFile;
    for (int n = 1; n <= static_cast<int>(kFolders.size()); ++n)
      inFile.insert(ini.Value("DirectoryBuf", "PathMemory" + std::to_string(n)).value_or(""));
    EXPECT_EQ(inFile, expected);
    // Each slot recalls its folder, none is taken for gone.
    for (int n = 1; n <= static_cast<int>(kFolders.size()); ++n) {
      Widgets(*w.main).SpinEdit1->SetValue(n);
      Widgets(*w.main).Button8->Click();
      EXPECT_EQ(framework::JoinPath(Widgets(*w.main).dlb1->Directory(), ""), w.folderList->Cell(1, n));
    }
    EXPECT_EQ(w.boxes.Count(), 0u);
    w.main->Close();
  }
  // The next start reads them back as they were.
  Windows again(program.path(), "");
  std::set<std::string> slots;
  for (int n = 1; n <= static_cast<int>(kFolders.size()); ++n) slots.insert(again.folderList->Cell(1, n));
  EXPECT_EQ(slots, expected);
}

TEST(NamesInAnyScript, PicturesAreShownOnceEachBeforeAnyRepeatAcrossRestarts) {
  TempDir pictures, program;
  for (const std::string& name : kPictures) pictures.WriteFile(name, SmallBitmap());
  const std::string settings = WithByteOrderMark(SettingsWith(pictures.path()));
  for (int pass = 0; pass < 2; ++pass) {
    std::set<std::string> shown;
    for (size_t i = 0; i < kPictures.size(); ++i) {
      Windows w(program.path(), settings);  // a start of its own for every change
      w.main->ChangeWallpaper(false);
      ASSERT_EQ(w.boxes.Count(), 0u) << w.boxes.Last().text;
      const std::string name = Widgets(*w.main).Label7->Text();
      EXPECT_TRUE(shown.insert(name).second) << name << " twice in pass " << pass;
    }
    EXPECT_EQ(shown, std::set<std::string>(kPictures.begin(), kPictures.end()));
    const std::string history = pictures.ReadFile("_Buf.RFB");
    EXPECT_TRUE(history.starts_with(framework::kUtf8ByteOrderMark)) << history;
  }
}

TEST(NamesInAnyScript, AProgramFolderWithAnAccentedNameKeepsItsPaths) {
  TempDir base, pictures;
  base.MakeFolder("José\\Kaleidon");
  const std::string program = base.PathOf("José\\Kaleidon\\");
  ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  const std::string archive = BuildOutputPath("fixtures/archives/level1.lzh");
  ASSERT_TRUE(CopyFileW(framework::Widen(archive).c_str(), framework::Widen(pictures.PathOf("set.lzh")).c_str(), FALSE));
  for (bool shortNames : {true, false}) {
    SCOPED_TRACE(shortNames ? "with short names" : "without short names");
    kaleidon::UseShortNamesForLibrary(shortNames);
    {
      Windows w(program, "");
      EXPECT_EQ(framework::JoinPath(Widgets(*w.main).dlb1->Directory(), ""), program);
      Widgets(*w.main).dlb1->SetDirectory(pictures.path());
      w.boxes.Clear();
      w.main->Close();
    }
    // What a close stores: the folder shown, exactly, in Shift-JIS.
    const std::string stored = framework::ReadWholeFile(program + "Kaleidon.ini").value_or("");
    framework::IniDocument ini(framework::DecodeStoredText(stored));
    EXPECT_EQ(framework::JoinPath(ini.Value("SysInfo", "Path").value_or(""), ""), pictures.path());
    EXPECT_FALSE(stored.starts_with(framework::kUtf8ByteOrderMark));

    // A member taken out of an archive into Temp below that folder.
    Windows w(program, SettingsWith(pictures.path(), "CustomMask=*.lzh;*.bmp\r\nFilter=99\r\n"));
    w.main->ChangeWallpaper(false);
    EXPECT_EQ(w.boxes.Count(), 0u) << (w.boxes.Count() ? w.boxes.Last().text : "");
    // (A member's name is what the archive library makes of it in the
    // system's code page: "壁紙.bmp" with 932.)
    const std::string shown = Widgets(*w.main).Label7->Text();
    EXPECT_TRUE(shown.ends_with(".bmp")) << shown;
    EXPECT_TRUE(framework::FileExists(program + "WPFile.BMP"));
    EXPECT_TRUE(framework::ListFiles(program + "Temp").empty());
    for (const std::string& name : pictures.FileNames()) EXPECT_NE(name[0], '~') << name;  // nothing left beside it
    for (const char* history : {"set.RFB", "_Buf.RFB"}) framework::DeleteFileAt(pictures.PathOf(history));
    w.main->Close();
    framework::DeleteFileAt(program + "Kaleidon.ini");
  }
  kaleidon::UseShortNamesForLibrary(true);
  kaleidon::FreeUnlhaLibrary();
}

TEST(NamesInAnyScript, AnArchiveTheCodePageCannotNameIsReadWithoutShortNames) {
  ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
  kaleidon::UseShortNamesForLibrary(false);
  TempDir dir, staging;
  staging.WriteFile("~kaleidon-7-1.lzh", "left by a run that was ended");
  kaleidon::SetUnlhaStagingFolder(staging.path());
  EXPECT_EQ(staging.FileNames(), Names{});
  const std::string folder = dir.PathOf("Café🌸\\"), target = dir.PathOf("目標 ☃\\");
  framework::CreateFolder(folder);
  framework::CreateFolder(target);
  const std::string archive = folder + "写真🌸.lzh";
  ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath("fixtures/archives/level1.lzh")).c_str(),
                        framework::Widen(archive).c_str(), FALSE));
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  EXPECT_EQ(kaleidon::ListArchiveEntries(archive, 10).size(), 4u);
  EXPECT_TRUE(kaleidon::ExtractArchiveMember(nullptr, archive, target, "a.bmp", true));
  EXPECT_EQ(dir.FileNames("目標 ☃"), Names{"a.bmp"});
  EXPECT_EQ(dir.FileNames("Café🌸"), Names{"写真🌸.lzh"});  // nothing made for the call, there or
  EXPECT_EQ(staging.FileNames(), Names{});                // where it was staged
  wchar_t after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::wstring(after), std::wstring(before));
  kaleidon::UseShortNamesForLibrary(true);
  kaleidon::FreeUnlhaLibrary();
}

TEST(NamesInAnyScript, AnOlderShiftJisFileStaysShiftJisByteForByte) {
  TempDir pictures, program;
  pictures.WriteFile("1写真.bmp", SmallBitmap());
  pictures.WriteFile("2風景.bmp", SmallBitmap());
  pictures.WriteFile("_Buf.RFB", ShiftJis("1写真.bmp\r\n"));
  const std::string folder = pictures.path().substr(0, pictures.path().size() - 1);
  // A settings file as the close writes it, in its order, with Japanese
  // names the code page holds.
  const std::string older = ShiftJis(
      "[SysInfo]\r\nPath=" + folder +
      "\r\nStartUpChange=0\r\nTaskTray=0\r\nTimerChange=0\r\nHour=0\r\nMinute=15\r\nCPUUseRate=15\r\nCompulsory=30\r\n"
      "Splash=1\r\nChangeStyle=1\r\nDlay=0\r\nLastBuf=1\r\nConvertToJpeg=Reserved\r\nPlaySound=0\r\nSoundFile=\r\n"
      "Filter=0\r\nMemoryCount=1\r\nProgramVersion=0.6\r\nRandomRoutine=0.5\r\n[DirectoryBuf]\r\nPathMemory1=" +
      pictures.path() + "\r\n");
  Windows w(program.path(), older);
  w.main->ChangeWallpaper(false);
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), "2風景.bmp");
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), ShiftJis("1写真.bmp\r\n2風景.bmp\r\n"));
  w.main->Close();
  EXPECT_EQ(w.Settings(), older);
}
