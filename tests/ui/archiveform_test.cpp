// The archive dialog, opened from the main window as a user opens it, over
// the test build's UNLHA32.DLL, which writes down every command it is given.
#include "ui/archiveform.h"

#include <gtest/gtest.h>

#include <functional>

#include "archive/lzhwriter.h"
#include "archive/unlha32.h"
#include "change/backlist.h"
#include "change/changecycle.h"
#include "core/monitors.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/imaging/bitmap.h"
#include "support/filedialogs.h"
#include "support/fixtures.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

using kaleidon::TForm6;

namespace {

const std::vector<std::string> kEntries = {"a.bmp", "sub\\b.JPG", "c.txt", "壁紙.bmp"};

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  if (auto* dialog = dynamic_cast<TForm6*>(framework::Form::FromHandle(window))) {
    *reinterpret_cast<TForm6**>(found) = dialog;
    return FALSE;
  }
  return TRUE;
}

// The archive set.lzh in a picture folder, chosen by hand in the main window.
class ArchiveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(BindFixtureArchiveLibrary());
    SetEnvironmentVariableW(L"KALEIDON_UNLHA_LOG", framework::Widen(log.PathOf("commands.txt")).c_str());
    Archive(framework::ReadWholeFile(BuildOutputPath("fixtures/archives/level1.lzh")).value_or(""));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"KALEIDON_UNLHA_LOG", nullptr);
    kaleidon::FreeUnlhaLibrary();
  }

  void Archive(const std::string& bytes) {
    folder.WriteFile("set.lzh", bytes);
    windows.reset();  // the program's windows exist once at a time
    windows = std::make_unique<ProgramWindows>("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" +
                                               framework::ToAnsi(folder.path()) +
                                               "\r\nCustomMask=*.bmp;*.jpg;*.lzh\r\nFilter=99\r\n");
  }

  // Chooses set.lzh by hand; use runs while the dialog is up, which is
  // closed after it. Returns the dialog's window, gone by then.
  HWND Open(const std::function<void(TForm6&)>& use) {
    HWND seen = nullptr;
    framework::Application::Instance().Queue([&] {
      TForm6* dialog = nullptr;
      EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (!dialog) return;
      seen = dialog->Handle();
      use(*dialog);
      dialog->Close();
    });
    kaleidon::TForm1& main = *windows->main;
    Widgets(main).FileListBox2->SetItemIndex(Widgets(main).FileListBox2->IndexOf("set.lzh"));
    main.FileListBox2DblClick();
    EXPECT_NE(seen, nullptr) << "no archive dialog came up";
    return seen;
  }

  // The command lines the library was given since the last call.
  std::vector<std::string> Commands() {
    std::vector<std::string> lines = framework::SplitLines(framework::FromAnsi(log.ReadFile("commands.txt")));
    std::vector<std::string> fresh(lines.begin() + std::min(lines.size(), seenCommands), lines.end());
    seenCommands = lines.size();
    return fresh;
  }

  static void Select(TForm6& d, const std::string& entry) { d.ListBox1->SetItemIndex(d.ListBox1->IndexOf(entry)); }

  TempDir folder, log, target;
  std::unique_ptr<ProgramWindows> windows;
  size_t seenCommands = 0;
};

}  // namespace

TEST(PictureEntries, KeepEntriesWhoseExtensionIsAPatternOfTheMask) {
  const std::vector<std::string> entries = {"a.bmp", "sub\\b.JPG", "c.txt", "README", "d.x\\e"};
  std::string many;
  for (int i = 0; i < 31; ++i) many += "*.p" + std::to_string(i) + ";";
  struct Case {
    std::string mask;
    std::vector<std::string> kept;
  } cases[] = {
      {"*.bmp;*.jpg", {"a.bmp", "sub\\b.JPG"}},
      {"*.bmp;*.bmp", {"a.bmp", "a.bmp"}},
      {"*.BMP;;*.txt", {"a.bmp", "c.txt"}},
      {"*", {"README", "d.x\\e"}},  // no extension: the folder's dot does not count
      {"*.*;a*.bmp;.bmp", {}},
      {many + "*.txt", {}},  // only the first 31 patterns count
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(kaleidon::FilterPictureEntries(entries, c.mask), c.kept) << c.mask;
}

TEST_F(ArchiveDialog, ListsTheEntriesAndTheCheckBoxKeepsThoseOfTheChosenFileType) {
  std::vector<std::string> listed, filtered, again;
  std::string caption;
  HWND first = Open([&](TForm6& d) {
    caption = d.Caption();
    listed = d.ListBox1->Items();
    d.CheckBox1->SetChecked(true);
    filtered = d.ListBox1->Items();
    d.CheckBox1->SetChecked(false);
    again = d.ListBox1->Items();
    d.CheckBox1->SetChecked(true);
  });
  EXPECT_EQ(caption, "ｱｰｶｲﾌﾞﾌｧｲﾙ");
  EXPECT_EQ(listed, kEntries);
  EXPECT_EQ(filtered, (std::vector<std::string>{"a.bmp", "sub\\b.JPG", "壁紙.bmp"}));
  EXPECT_EQ(again, kEntries);
  EXPECT_FALSE(IsWindow(first));  // released when closed

  // Every opening starts afresh: all entries, the box cleared.
  bool checked = true;
  HWND second = Open([&](TForm6& d) {
    listed = d.ListBox1->Items();
    checked = d.CheckBox1->Checked();
    d.Button4->Click();
  });
  EXPECT_EQ(listed, kEntries);
  EXPECT_FALSE(checked);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ArchiveDialog, ExtractsTheChosenEntryOrAllIntoTheFolderChosenInTheSaveDialog) {
  const std::string archive = folder.PathOf("set.lzh");
  Open([&](TForm6& d) {
    {
      // Nothing chosen: neither a dialog nor a library call.
      d.ListBox1->SetItemIndex(-1);
      FileDialogAnswer unseen("解凍", "");
      d.Button1->Click();
      d.Button3->Click();
      EXPECT_FALSE(unseen.Seen());
      EXPECT_TRUE(Commands().empty());
    }

    Select(d, "sub\\b.JPG");
    FileDialogAnswer one("解凍", target.PathOf("what the user typed.dat"));
    d.Button1->Click();
    EXPECT_EQ(one.OfferedName(), "b.JPG");  // the system's dialog shows the name part of sub\b.JPG
    EXPECT_EQ(Commands(), (std::vector<std::string>{"e \"" + archive + "\" \"" + target.path() + "\" \"b.JPG\""}));
    EXPECT_EQ(target.FileNames(), (std::vector<std::string>{"b.JPG"}));

    FileDialogAnswer cancelled("解凍", "");
    d.Button2->Click();
    EXPECT_TRUE(cancelled.Seen());
    EXPECT_TRUE(Commands().empty());

    target.MakeFolder("all");
    FileDialogAnswer all("解凍", target.PathOf("all\\x"));
    d.Button2->Click();
    EXPECT_EQ(all.OfferedName(), "全てのﾌｧｲﾙ");
    EXPECT_EQ(Commands(), (std::vector<std::string>{"e \"" + archive + "\" \"" + target.PathOf("all\\") + "\" \"*.*\""}));
    EXPECT_EQ(target.FileNames("all\\"), (std::vector<std::string>{"a.bmp", "b.JPG", "c.txt", "壁紙.bmp"}));
    EXPECT_TRUE(d.Visible());  // the dialog stays open
  });
}

TEST_F(ArchiveDialog, MakesTheChosenEntryTheWallpaperThroughTemp) {
  const std::string archive = folder.PathOf("set.lzh");
  const std::string temp = windows->folder.PathOf("Temp\\");
  Open([&](TForm6& d) {
    Select(d, "sub\\b.JPG");
    d.Button3->Click();
  });
  EXPECT_EQ(Commands(), (std::vector<std::string>{"e -n \"" + archive + "\" \"" + temp + "\" \"b.JPG\""}));
  framework::Bitmap wallpaper;
  ASSERT_NO_THROW(wallpaper.LoadFromBytes(windows->folder.ReadFile("WPFile.BMP")));
  EXPECT_EQ(wallpaper.Width(), 32);
  // The extracted picture waits in Temp for the next change to delete it.
  EXPECT_TRUE(windows->main->Cycle->MeltFile.Extracted);
  EXPECT_EQ(windows->main->Cycle->MeltFile.FileName, temp + "b.JPG");
  EXPECT_TRUE(windows->folder.Exists("Temp\\b.JPG"));
  EXPECT_EQ(windows->boxes.Count(), 0u);
}

// On two monitors the entry goes on the primary monitor as a change's
// picture does: recorded with its archive and member (never-again excludes
// the member) and in the back list.
TEST_F(ArchiveDialog, TheChosenEntryOnTwoMonitorsIsRecordedLikeAChangesPicture) {
  using kaleidon::MonitorArea;
  const std::string style = kaleidon::ReadDesktopValue("WallpaperStyle");
  const std::string tile = kaleidon::ReadDesktopValue("TileWallpaper");
  auto restore = framework::ScopeExit([&] {
    kaleidon::OverrideDesktop(std::nullopt);
    kaleidon::WriteDesktopValue("WallpaperStyle", style);
    kaleidon::WriteDesktopValue("TileWallpaper", tile);
  });
  kaleidon::OverrideDesktop(kaleidon::Desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 40, 30}},
      kaleidon::WallpaperSpread::Span, 32});
  Open([&](TForm6& d) {
    Select(d, "sub\\b.JPG");
    d.Button3->Click();
  });
  framework::Bitmap wallpaper;
  ASSERT_NO_THROW(wallpaper.LoadFromBytes(windows->folder.ReadFile("WPFile.BMP")));
  EXPECT_EQ(wallpaper.Width(), 80);  // made for both monitors, not the primary's size spanned
  const kaleidon::ShownSources shown = windows->main->Cycle->ShownNow();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].source, (kaleidon::PictureSource{folder.PathOf("set.lzh"), "b.JPG"}));
  const kaleidon::BackList back =
      kaleidon::BackList::Load(kaleidon::BackList::PathBeside(windows->folder.PathOf("Kaleidon.ini")));
  ASSERT_EQ(back.Entries().size(), 1u);
  EXPECT_EQ(back.Entries()[0], shown);
  EXPECT_EQ(windows->boxes.Count(), 0u);
}

TEST_F(ArchiveDialog, EntryNamesThatCouldLeaveTheFolderOrTheirQuotesAreRefusedBeforeTheLibrary) {
  LzhWriter lzh;
  const std::vector<std::string> refused = {"..\\..\\up.bmp", "C:\\drive.bmp", "\\root.bmp", "say\"hi\".bmp",
                                            "tab\there.bmp", "CON.bmp"};
  for (const std::string& name : refused) lzh.AddLevel0(name, "x");
  lzh.AddLevel0("fine.bmp", "x");
  Archive(lzh.Bytes());
  Open([&](TForm6& d) {
    ASSERT_EQ(d.ListBox1->Count(), 7);
    for (const std::string& name : refused) {
      SCOPED_TRACE(name);
      Select(d, name);
      windows->boxes.Clear();
      FileDialogAnswer unseen("解凍", target.PathOf("x"));
      d.Button1->Click();
      d.Button3->Click();
      EXPECT_FALSE(unseen.Seen());
      ASSERT_EQ(windows->boxes.Count(), 2u);
      EXPECT_EQ(windows->boxes.Last().caption, "悪のファイル名エラー");
      EXPECT_EQ(windows->boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
      EXPECT_NE(windows->boxes.Last().text.find(name == "tab\there.bmp" ? "tab?here.bmp" : name), std::string::npos);
    }
    // All of them: the first such entry is named and nothing is extracted.
    windows->boxes.Clear();
    FileDialogAnswer all("解凍", target.PathOf("x"));
    d.Button2->Click();
    EXPECT_TRUE(all.Seen());
    ASSERT_EQ(windows->boxes.Count(), 1u);
    EXPECT_NE(windows->boxes.Last().text.find("..\\..\\up.bmp"), std::string::npos);
  });
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(target.FileNames().empty());
  EXPECT_FALSE(windows->folder.Exists("WPFile.BMP"));
}

TEST_F(ArchiveDialog, WithoutTheLibraryTheListStaysEmptyAfterItsReport) {
  kaleidon::FreeUnlhaLibrary();
  windows->boxes.Clear();
  std::vector<std::string> listed = {"?"};
  Open([&](TForm6& d) {
    listed = d.ListBox1->Items();
    d.CheckBox1->SetChecked(true);
    d.CheckBox1->SetChecked(false);
  });
  EXPECT_TRUE(listed.empty());
  ASSERT_GE(windows->boxes.Count(), 1u);
  EXPECT_EQ(windows->boxes.Calls()[0].text, "UnlhaOpenArchive: LHA.DLL not loaded.");
  EXPECT_EQ(windows->boxes.Calls()[0].caption, "PANIC!!");
}
