// The main window's change: the change cycle over the window's own controls
// (the slot box, the folder tree and file list, the random button's cursor
// and the shown-file label) and its interval timer. The cycle itself is
// tested in tests/change.
#include <gtest/gtest.h>

#include "change/changecycle.h"
#include "core/monitors.h"
#include "core/wallpaper.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/gui/application.h"
#include "selection/exclusions.h"
#include "support/programwindows.h"
#include "support/userinput.h"
#include "support/mainwindow.h"
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
  return "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(path) + "\r\n" + extra;
}

// The program sees the desktop tests override until the result goes; the
// user's desktop style is put back then.
auto KeepDesktopStyle() {
  return framework::ScopeExit([style = kaleidon::ReadDesktopValue("WallpaperStyle"),
                               tile = kaleidon::ReadDesktopValue("TileWallpaper")] {
    kaleidon::OverrideDesktop(std::nullopt);
    kaleidon::WriteDesktopValue("WallpaperStyle", style);
    kaleidon::WriteDesktopValue("TileWallpaper", tile);
  });
}

class MainWindowChange : public ::testing::Test {
 protected:
  void SetUp() override {
    pictures.WriteFile("one.bmp", SmallBitmap(4, 3));
    pictures.WriteFile("two.bmp", SmallBitmap(5, 2));
  }
  TempDir pictures;
};

}  // namespace

TEST_F(MainWindowChange, OneSlotRecallsItsFolderBeforeEveryChange) {
  TempDir elsewhere;
  ProgramWindows w(Settings(elsewhere.path(), "MemoryCount=1\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::EncodeStoredText(pictures.path()) + "\r\n");
  ASSERT_TRUE(Widgets(*w.main).SpinEdit1->Enabled());
  EXPECT_EQ(w.folderList->Cell(1, 1), pictures.path());
  w.boxes.Clear();
  Widgets(*w.main).Button3->Click();
  EXPECT_EQ(w.boxes.Count(), 0u);
  EXPECT_EQ(JoinPath(Widgets(*w.main).dlb1->Directory(), ""), pictures.path());
  const std::string shown = Widgets(*w.main).Label7->Text();
  EXPECT_TRUE(shown == "one.bmp" || shown == "two.bmp") << shown;
  const framework::FileListBox& list = *Widgets(*w.main).FileListBox2;
  EXPECT_EQ(list.Items().at(static_cast<size_t>(list.ItemIndex())), shown);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), shown + "\r\n");
  EXPECT_EQ(Widgets(*w.main).Button3->Cursor(), nullptr);
  EXPECT_FALSE(w.main->Cycle->ChangeBusy);
}

TEST_F(MainWindowChange, BackButtonAndTrayItemGoBackAndPastTheOldestBeep) {
  pictures.WriteFile("three.bmp", SmallBitmap(6, 2));
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=0\r\n"));
  int beeps = 0;
  w.main->Beep = [&beeps] { ++beeps; };
  std::vector<std::string> shown;
  for (int i = 0; i < 3; ++i) {
    Widgets(*w.main).Button3->Click();
    shown.push_back(Widgets(*w.main).Label7->Text());
  }
  w.boxes.Clear();
  const std::string history = pictures.ReadFile("_Buf.RFB");

  // The button, pressed as a user presses it.
  w.main->Show();
  SetForegroundWindow(w.main->Handle());
  const RECT button = Widgets(*w.main).Button11->Bounds();
  ClickAt(w.main->Handle(), POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
  for (int i = 0; i < 200 && Widgets(*w.main).Label7->Text() != shown[1]; ++i) {
    framework::Application::Instance().ProcessMessages();
    Sleep(10);
  }
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), shown[1]);

  Widgets(*w.main).PopupMenu1->OnPopup();
  EXPECT_TRUE(Widgets(*w.main).PopupMenu1->Item("Back1").Enabled());
  Widgets(*w.main).PopupMenu1->Item("Back1").Click();
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), shown[0]);
  EXPECT_EQ(beeps, 0);
  Widgets(*w.main).Button11->Click();
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), shown[0]);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  EXPECT_EQ(w.boxes.Count(), 0u);
}

TEST_F(MainWindowChange, NeverAgainExcludesTheShownPictureAndChangesAtOnce) {
  pictures.WriteFile("three.bmp", SmallBitmap(6, 2));
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=0\r\n"));
  Widgets(*w.main).PopupMenu1->OnPopup();
  EXPECT_FALSE(Widgets(*w.main).PopupMenu1->Item("NeverAgain1").Enabled());  // nothing shown yet
  Widgets(*w.main).Button3->Click();
  const std::string disliked = Widgets(*w.main).Label7->Text();
  Widgets(*w.main).PopupMenu1->OnPopup();
  ASSERT_TRUE(Widgets(*w.main).PopupMenu1->Item("NeverAgain1").Enabled());
  Widgets(*w.main).PopupMenu1->Item("NeverAgain1").Click();
  EXPECT_NE(Widgets(*w.main).Label7->Text(), disliked);
  EXPECT_EQ(framework::DecodeStoredText(pictures.ReadFile("_Never.RFB")), disliked + "\r\n");
  for (int i = 0; i < 12; ++i) {
    Widgets(*w.main).Button3->Click();
    EXPECT_NE(Widgets(*w.main).Label7->Text(), disliked);
  }
  EXPECT_TRUE(pictures.Exists(disliked));  // nothing is deleted from the disk

  // A list that cannot be written: said, and the wallpaper stays.
  const std::string shown = Widgets(*w.main).Label7->Text();
  pictures.SetReadOnly("_Never.RFB", true);
  w.boxes.Clear();
  Widgets(*w.main).PopupMenu1->Item("NeverAgain1").Click();
  pictures.SetReadOnly("_Never.RFB", false);
  EXPECT_EQ(w.boxes.Captions(), std::vector<std::string>{"悪のエラー"});
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), shown);
}

TEST_F(MainWindowChange, NeverAgainOnTwoMonitorsAsksWhichAndChangesThatMonitorOnly) {
  using kaleidon::MonitorArea;
  auto restore = KeepDesktopStyle();
  kaleidon::OverrideDesktop(kaleidon::Desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
      kaleidon::WallpaperSpread::Span, 32});
  pictures.WriteFile("three.bmp", SmallBitmap(6, 2));
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=0\r\n"));
  Widgets(*w.main).Button3->Click();
  const kaleidon::ShownSources before = w.main->Cycle->ShownNow();
  ASSERT_EQ(before.size(), 2u);
  // The second monitor's picture, chosen with the keys in the menu that asks.
  std::vector<std::string> captions;
  Widgets(*w.main).NeverAgainMenu->OnPopup = [&] {
    for (size_t i = 0; i < Widgets(*w.main).NeverAgainMenu->Count(); ++i)
      captions.push_back(Widgets(*w.main).NeverAgainMenu->Items(i)->Caption());
    HWND window = Widgets(*w.main).NeverAgainMenu->Window();
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      PostMessageW(window, WM_KEYDOWN, key, 1);
      PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    }
  };
  Widgets(*w.main).PopupMenu1->Item("NeverAgain1").Click();
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(captions[1], "モニター2：" + framework::ExtractFileName(before[1].source.file));
  const kaleidon::ShownSources after = w.main->Cycle->ShownNow();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_NE(after[1].source, before[1].source);
  EXPECT_EQ(framework::DecodeStoredText(pictures.ReadFile("_Never.RFB")),
            framework::ExtractFileName(before[1].source.file) + "\r\n");
}

TEST_F(MainWindowChange, OpeningThePicturesPlaceShowsItInExplorerAndOnTwoMonitorsAsksWhich) {
  using kaleidon::MonitorArea;
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=0\r\n"));
  std::vector<std::string> opened;
  int beeps = 0;
  w.main->OpenExplorer = [&opened](const std::string& path) { opened.push_back(path); };
  w.main->Beep = [&beeps] { ++beeps; };
  framework::MenuItem& item = Widgets(*w.main).PopupMenu1->Item("OpenPlace1");
  Widgets(*w.main).PopupMenu1->OnPopup();
  EXPECT_FALSE(item.Enabled());  // nothing shown yet
  item.Click();
  EXPECT_EQ(beeps, 1);

  Widgets(*w.main).Button3->Click();
  Widgets(*w.main).PopupMenu1->OnPopup();
  EXPECT_TRUE(item.Enabled());
  item.Click();
  EXPECT_EQ(opened, std::vector<std::string>{pictures.PathOf(Widgets(*w.main).Label7->Text())});

  auto restore = KeepDesktopStyle();
  kaleidon::OverrideDesktop(kaleidon::Desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
      kaleidon::WallpaperSpread::Span, 32});
  Widgets(*w.main).Button3->Click();
  const kaleidon::ShownSources shown = w.main->Cycle->ShownNow();
  ASSERT_EQ(shown.size(), 2u);
  // The second monitor's picture, chosen with the keys in the menu that asks.
  Widgets(*w.main).NeverAgainMenu->OnPopup = [&] {
    HWND window = Widgets(*w.main).NeverAgainMenu->Window();
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      PostMessageW(window, WM_KEYDOWN, key, 1);
      PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    }
  };
  opened.clear();
  item.Click();
  EXPECT_EQ(opened, std::vector<std::string>{shown[1].source.file});
  EXPECT_EQ(w.main->Cycle->ShownNow(), shown);  // only shown, nothing changed
}

TEST_F(MainWindowChange, NoSlotsMeansThePictureComesFromTheShownFolder) {
  TempDir other;
  other.WriteFile("x.bmp", SmallBitmap(3, 3));
  ProgramWindows w(Settings(other.path(), "MemoryCount=0\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::EncodeStoredText(pictures.path()) + "\r\n");
  EXPECT_FALSE(Widgets(*w.main).SpinEdit1->Enabled());
  w.main->ChangeWallpaper(false);
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), "x.bmp");
  EXPECT_EQ(JoinPath(Widgets(*w.main).dlb1->Directory(), ""), other.path());
}

TEST_F(MainWindowChange, TheRotationPassesOverAFolderWhosePicturesAreAllExcluded) {
  TempDir excluded;
  excluded.WriteFile("never.bmp", SmallBitmap(2, 2));
  kaleidon::ExcludePicture({excluded.PathOf("never.bmp"), {}});
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=2\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::EncodeStoredText(excluded.path()) + "\r\nPathMemory2=" +
                   framework::EncodeStoredText(pictures.path()) + "\r\n");
  w.boxes.Clear();
  for (int change = 0; change < 6; ++change) {
    Widgets(*w.main).Button3->Click();
    const std::string shown = Widgets(*w.main).Label7->Text();
    EXPECT_TRUE(shown == "one.bmp" || shown == "two.bmp") << shown;
  }
  EXPECT_EQ(w.boxes.Count(), 0u);
  EXPECT_EQ(JoinPath(Widgets(*w.main).dlb1->Directory(), ""), pictures.path());

  // Nothing left anywhere: the empty list's box, and no endless turning.
  kaleidon::ExcludePicture({pictures.PathOf("one.bmp"), {}});
  kaleidon::ExcludePicture({pictures.PathOf("two.bmp"), {}});
  Widgets(*w.main).Button3->Click();
  EXPECT_EQ(w.boxes.Captions(), std::vector<std::string>{"悪のエラー"});
  EXPECT_FALSE(w.main->Cycle->ChangeBusy);
}

TEST_F(MainWindowChange, ADisplayChangeMakesTheWallpaperAgainAndTheShellsRestartAppliesIt) {
  using kaleidon::MonitorArea;
  auto restore = KeepDesktopStyle();
  kaleidon::Desktop desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
      kaleidon::WallpaperSpread::Span, 32};
  kaleidon::OverrideDesktop(desktop);
  ProgramWindows w(Settings(pictures.path()));
  w.main->ChangeWallpaper(false);  // stored, not shown
  const std::string history = pictures.ReadFile("_Buf.RFB");
  const std::string shown = Widgets(*w.main).Label7->Text();
  ASSERT_NE(shown.find(" / "), std::string::npos) << shown;
  std::wstring none(MAX_PATH, L'\0');
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none.data(), 0);

  // The second monitor turned: the messages of the change make the
  // wallpaper once, for the new arrangement, of the same pictures.
  desktop.monitors[1] = MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 40, 30};
  kaleidon::OverrideDesktop(desktop);
  HWND main = w.main->Handle();
  SendMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(80, 30));
  SendMessageW(main, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  w.folder.WriteFile("WPFile.BMP", "");
  framework::Application::Instance().ProcessMessages();
  framework::Bitmap wallpaper;
  wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"));
  EXPECT_EQ(wallpaper.Width(), 80);
  EXPECT_EQ(wallpaper.Height(), 30);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), shown);
  wchar_t applied[MAX_PATH + 1] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, applied, 0);
  EXPECT_EQ(framework::Narrow(applied), w.folder.PathOf("WPFile.BMP"));

  // The shell started again: the same wallpaper is applied again.
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none.data(), 0);
  SendMessageW(main, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  framework::Application::Instance().ProcessMessages();
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, applied, 0);
  EXPECT_EQ(framework::Narrow(applied), w.folder.PathOf("WPFile.BMP"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  EXPECT_EQ(w.boxes.Count(), 0u);
}

TEST(IntervalTimer, CountsWholeTicksAgainstTheLiveInterval) {
  TempDir empty;  // every change ends with the empty-folder message: one per change
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(empty.path()) + "\r\n");
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

// Between two runs the second monitor went (a laptop undocked): the start
// makes the pictures shown again for the one monitor, before the window
// shows, without a new draw.
TEST_F(MainWindowChange, AStartOnFewerMonitorsMakesTheWallpaperAgainForThem) {
  using kaleidon::MonitorArea;
  auto restore = KeepDesktopStyle();
  kaleidon::OverrideDesktop(kaleidon::Desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
      kaleidon::WallpaperSpread::Span, 32});
  ProgramWindows w(Settings(pictures.path()));
  w.main->ChangeWallpaper(true);
  const std::string history = pictures.ReadFile("_Buf.RFB");
  const kaleidon::ShownSources shown = w.main->Cycle->ShownNow();
  ASSERT_EQ(shown.size(), 2u);
  const std::string onPrimary = framework::ExtractFileName(shown[0].source.file);
  w.Destroy();

  kaleidon::OverrideDesktop(
      kaleidon::Desktop{{MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}}, kaleidon::WallpaperSpread::Span, 32});
  w.Create(kaleidon::CommandLine{""});
  EXPECT_FALSE(w.main->Visible());
  framework::Bitmap wallpaper;
  wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"));
  // The primary monitor's picture, alone, at its own size.
  EXPECT_EQ(wallpaper.Width(), onPrimary == "one.bmp" ? 4 : 5);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), history);
  EXPECT_FALSE(framework::IniFile(w.folder.PathOf("Kaleidon.ini")).SectionExists("Desktop"));
}

// The desktop changes while going back or a picture set by hand shows its
// error box: the wallpaper is made for the new desktop once the box is
// answered and the operation has ended, never inside it.
TEST_F(MainWindowChange, ADisplayChangeDuringGoingBackOrAPictureByHandIsMadeAfterIt) {
  using kaleidon::MonitorArea;
  auto restore = KeepDesktopStyle();
  const kaleidon::Desktop desktop{
      {MonitorArea{"\\\\.\\DISPLAY1", 0, 0, 40, 30, true}, MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 30, 40}},
      kaleidon::WallpaperSpread::Span, 32};
  kaleidon::Desktop turned = desktop;
  turned.monitors[1] = MonitorArea{"\\\\.\\DISPLAY2", 40, 0, 40, 30};
  struct Case {
    const char* name;
    // Breaks a picture and asks for it; the folder holds one.bmp to four.bmp.
    std::function<void(ProgramWindows&, TempDir&, const kaleidon::ShownSources& before)> act;
  };
  const Case cases[] = {
      {"going back to a picture that cannot be read",
       [](ProgramWindows& w, TempDir& folder, const kaleidon::ShownSources& before) {
         folder.WriteFile(framework::ExtractFileName(before[0].source.file), "BM broken");
         Widgets(*w.main).Button11->Click();
       }},
      {"a picture by hand that cannot be read",
       [](ProgramWindows& w, TempDir& folder, const kaleidon::ShownSources&) {
         folder.WriteFile("broken.bmp", "BM broken");
         Widgets(*w.main).FileListBox2->Update();
         const std::vector<std::string> names = Widgets(*w.main).FileListBox2->Items();
         Widgets(*w.main).FileListBox2->SetItemIndex(
             static_cast<int>(std::find(names.begin(), names.end(), "broken.bmp") - names.begin()));
         Widgets(*w.main).Button1->Click();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kaleidon::OverrideDesktop(desktop);
    TempDir folder;
    for (const char* name : {"one.bmp", "two.bmp", "three.bmp", "four.bmp"}) folder.WriteFile(name, SmallBitmap(4, 3));
    ProgramWindows w(Settings(folder.path()));
    w.main->ChangeWallpaper(true);
    const kaleidon::ShownSources first = w.main->Cycle->ShownNow();
    w.main->ChangeWallpaper(true);

    bool busyInBox = false;
    framework::Application::Instance().SetMessageBoxHook([&](const framework::MessageBoxCall&) {
      kaleidon::OverrideDesktop(turned);
      SendMessageW(w.main->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(80, 30));
      framework::Application::Instance().ProcessMessages();
      busyInBox = w.main->Cycle->ChangeBusy;
      return IDOK;
    });
    c.act(w, folder, first);
    framework::Application::Instance().ProcessMessages();
    EXPECT_TRUE(busyInBox);
    framework::Bitmap wallpaper;
    wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"));
    EXPECT_EQ(wallpaper.Width(), 80);
    EXPECT_EQ(wallpaper.Height(), 30);
  }
}

// The interval timer comes due while a change shows its box: no second
// change runs inside the first; the timer's change comes once, after it.
// What the user asks for meanwhile (the random button, the hotkeys, a
// picture by hand) only asks to wait.
TEST(IntervalTimer, ATimerDueDuringAChangesBoxChangesOnceAfterIt) {
  TempDir folder;  // empty: the first change ends with the empty-folder message
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(folder.path()) + "\r\n");
  w.options->SpinEdit1->SetValue(0);
  w.options->SpinEdit2->SetValue(1);
  int boxes = 0;
  std::vector<std::string> captions;
  bool changedInBox = true;
  framework::Application::Instance().SetMessageBoxHook([&](const framework::MessageBoxCall& call) {
    captions.push_back(call.caption);
    if (++boxes == 1) {
      folder.WriteFile("one.bmp", SmallBitmap(4, 3));
      Widgets(*w.main).FileListBox2->Update();
      w.main->Timer1Timer();  // a minute passed while the box waited
      Widgets(*w.main).Button3->Click();
      w.main->WMHotKey(1);
      w.main->WMHotKey(2);
      Widgets(*w.main).FileListBox2->SetItemIndex(0);
      Widgets(*w.main).Button1->Click();
      changedInBox = w.folder.Exists("WPFile.BMP");
    }
    return IDOK;
  });
  Widgets(*w.main).Button3->Click();
  EXPECT_EQ(captions, (std::vector<std::string>{"悪のエラー", "待ってくれ", "待ってくれ", "待ってくれ",
                                                          "待ってくれ"}));
  EXPECT_EQ(boxes, 5);
  EXPECT_FALSE(changedInBox);
  EXPECT_TRUE(w.folder.Exists("WPFile.BMP"));
  EXPECT_EQ(folder.ReadFile("_Buf.RFB"), "one.bmp\r\n");
}

TEST_F(MainWindowChange, TheFolderShownChangesWhenItsSpanEndsAndAfterAResume) {
  TempDir day, night;
  for (TempDir* folder : {&day, &night}) {
    folder->WriteFile("a.bmp", SmallBitmap(4, 3));
    folder->WriteFile("b.bmp", SmallBitmap(5, 2));
  }
  const std::string dayFolder = JoinPath(day.path(), ""), nightFolder = JoinPath(night.path(), "");
  ProgramWindows w(Settings(pictures.path(), "MemoryCount=2\r\n") + "[DirectoryBuf]\r\nPathMemory1=" +
                   framework::EncodeStoredText(dayFolder) + "\r\nPathSpan1=" +
                   framework::EncodeStoredText("6:00-18:00|" + dayFolder) + "\r\nPathMemory2=" +
                   framework::EncodeStoredText(nightFolder) + "\r\nPathSpan2=" +
                   framework::EncodeStoredText("18:00-6:00|" + nightFolder) + "\r\n");
  auto style = KeepDesktopStyle();
  w.main->Quiet = kaleidon::QuietEnvironment{[] { return 0; }, [] { return 1; }};
  kaleidon::TimeOfDay now{12 * 60};
  w.main->DayTime.clock = [&now] { return now; };

  // At noon only the day folder is in its time, and the clock leaves it so.
  w.main->Button3Click();
  EXPECT_EQ(Widgets(*w.main).SpinEdit1->Value(), 1);
  EXPECT_TRUE(day.Exists("_Buf.RFB"));
  now.minute = 17 * 60 + 59;
  w.main->CheckTimeOfDay();
  EXPECT_FALSE(night.Exists("_Buf.RFB"));
  // At 18:00 the day folder's span ends: the night folder's picture comes.
  now.minute = 18 * 60;
  w.main->CheckTimeOfDay();
  EXPECT_EQ(Widgets(*w.main).SpinEdit1->Value(), 2);
  EXPECT_TRUE(night.Exists("_Buf.RFB"));
  // Asleep over the morning: the resume looks at the clock at once.
  ASSERT_TRUE(DeleteFileW(framework::Widen(day.PathOf("_Buf.RFB")).c_str()));
  now.minute = 7 * 60;
  SendMessageW(w.main->Handle(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_EQ(Widgets(*w.main).SpinEdit1->Value(), 1);
  EXPECT_TRUE(day.Exists("_Buf.RFB"));
}
