#include "ui/mainform.h"

#include <gtest/gtest.h>

#include "change/changecycle.h"
#include "framework/base/inidocument.h"
#include "framework/base/inifile.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"
#include "tray/trayhelpers.h"
#include "tray/trayicon.h"

using framework::JoinPath;

namespace {

// The keys a run's end writes, in their order.
const std::vector<std::string> kProgramEndKeys = {
    "Path",      "StartUpChange", "TaskTray",      "TimerChange", "Hour",      "Minute",         "CPUUseRate",
    "Compulsory", "Splash",       "ChangeStyle",   "Dlay",        "LastBuf",   "ConvertToJpeg",  "PlaySound",
    "SoundFile", "Filter",        "MemoryCount",   "ProgramVersion", "RandomRoutine"};

// Opens a file or folder as another program that shares nothing does: until
// the guard goes, it can be neither listed nor deleted.
auto HoldOpen(const std::string& path) {
  HANDLE h = CreateFileW(framework::Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
  return framework::ScopeExit([h] { CloseHandle(h); });
}

// A shell that refuses every notification icon: its tray window, found
// before the real one, answers no to each request.
class RefusingShell {
 public:
  RefusingShell() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Refuse;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, wc.hInstance, nullptr);
  }
  ~RefusingShell() { DestroyWindow(window_); }
  RefusingShell(const RefusingShell&) = delete;
  RefusingShell& operator=(const RefusingShell&) = delete;

 private:
  static LRESULT CALLBACK Refuse(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return msg == WM_COPYDATA ? FALSE : DefWindowProcW(hwnd, msg, wp, lp);
  }
  HWND window_;
};

}  // namespace

TEST(MainWindow, LaidOutAsARealWindowOfItsClass) {
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  EXPECT_EQ(f.ClassName(), "TMyMainForm");
  EXPECT_EQ(f.Caption(), "Kaleidon v0.6.1");
  EXPECT_EQ(f.ClientSize().cx, 516);
  EXPECT_EQ(f.ClientSize().cy, 410);
  LONG style = GetWindowLongW(f.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(Widgets(f).Button3->Text(), "ランダム(&R)");
  EXPECT_EQ(Widgets(f).Button3->Left(), 90);
  EXPECT_EQ(Widgets(f).Button3->Top(), 265);
  EXPECT_FALSE(Widgets(f).Button6->Enabled());
  EXPECT_EQ(Widgets(f).FileListBox2->Bounds().right, 511);
  EXPECT_EQ(Widgets(f).Label1->Text(), w.folder.path());
  EXPECT_EQ(f.CurrentFolder.empty(), false);
  EXPECT_FALSE(Widgets(f).Timer1->Enabled());
  EXPECT_EQ(Widgets(f).Timer1->Interval(), 60000u);
  EXPECT_EQ(Widgets(f).TrayIcon1->TipHelp(), "カレイドン参上！");
  EXPECT_TRUE(Widgets(f).TrayIcon1->Visible());
}

TEST(MainWindow, FilterIndexBeyondTheLastEntryTakesTheCustomFilter) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nFilter=42\r\nCustomMask=*.PIC;*.MAG\r\n");
  kaleidon::TForm1& f = *w.main;
  EXPECT_EQ(Widgets(f).FilterComboBox1->ItemIndex(), Widgets(f).FilterComboBox1->Count() - 1);
  EXPECT_EQ(Widgets(f).FilterComboBox1->Items().back(), "カスタムフィルタ");
  EXPECT_EQ(Widgets(f).FileListBox2->Mask(), "*.PIC;*.MAG");
}

TEST(MainWindow, TheStoredFileTypeIsChosenWithItsToolTipAndTheFolderReadOnce) {
  TempDir pictures;
  pictures.WriteFile("a.bmp", "x");
  pictures.WriteFile("b.jpg", "x");
  pictures.WriteFile("c.PIC", "x");
  for (const char* filter : {"0", "1", "3", "42"}) {
    SCOPED_TRACE(filter);
    ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nCustomMask=*.PIC\r\nFilter=" + std::string(filter) +
                     "\r\nPath=" + framework::EncodeStoredText(pictures.path()) + "\r\n");
    kaleidon::TForm1& f = *w.main;
    int chosen = Widgets(f).FilterComboBox1->ItemIndex();
    EXPECT_EQ(chosen, std::string(filter) == "42" ? Widgets(f).FilterComboBox1->Count() - 1 : std::stoi(filter));
    const std::string mask = Widgets(f).FilterComboBox1->Masks().at(static_cast<size_t>(chosen));
    EXPECT_EQ(Widgets(f).FileListBox2->Mask(), mask);
    EXPECT_EQ(Widgets(f).FilterComboBox1->Hint(), mask);
    EXPECT_EQ(Widgets(f).FileListBox2->ReadCount(), 1u);
    for (const std::string& name : Widgets(f).FileListBox2->Items())
      EXPECT_TRUE(framework::MatchesMask(mask, name)) << name;
  }
}

TEST(MainWindow, ChosenFilterGivesItsMaskToTheFileListAndTheToolTip) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nFilter=0\r\n");
  w.folder.WriteFile("a.bmp", "x");
  w.folder.WriteFile("b.jpg", "x");
  w.folder.WriteFile("c.txt", "x");
  kaleidon::TForm1& f = *w.main;
  Widgets(f).FileListBox2->Update();
  EXPECT_EQ(Widgets(f).FileListBox2->Items(), (std::vector<std::string>{"a.bmp", "b.jpg"}));
  int bitmapEntry = -1;
  auto items = Widgets(f).FilterComboBox1->Items();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)") bitmapEntry = static_cast<int>(i);
  ASSERT_GE(bitmapEntry, 0);
  Widgets(f).FilterComboBox1->SetItemIndex(bitmapEntry);
  f.FilterComboBox1Change();
  EXPECT_EQ(Widgets(f).FilterComboBox1->Hint(), "*.bmp");
}

TEST(MainWindow, CloseWritesTheProgramEndKeysInOrderAndEmptiesTemp) {
  ProgramWindows w("[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\n");
  w.boxes.Clear();
  w.folder.WriteFile("Temp\\shown.bmp", "x");
  w.folder.WriteFile("Temp\\locked.jpg", "x");
  w.folder.WriteFile("Temp\\secret.bmp", "x");
  w.folder.SetReadOnly("Temp\\locked.jpg", true);
  SetFileAttributesW(framework::Widen(w.folder.PathOf("Temp\\secret.bmp")).c_str(),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  w.main->Show();
  const uint64_t replacements = framework::IniFile::Replacements();
  w.main->Close();
  EXPECT_FALSE(w.main->Visible());
  EXPECT_EQ(framework::IniFile::Replacements() - replacements, 1u);  // every key in one replacement
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("SysInfo"), kProgramEndKeys);
  EXPECT_EQ(ini.Value("SysInfo", "ConvertToJpeg"), "Reserved");
  EXPECT_EQ(ini.Value("SysInfo", "Minute"), "15");
  EXPECT_EQ(ini.Value("SysInfo", "Splash"), "1");
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), "C:\\a\\");
  EXPECT_TRUE(w.folder.Exists("Temp"));
  EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
}

TEST(MainWindow, ARefusedSettingsWriteIsSaidAndTheWindowClosesAllTheSame) {
  ProgramWindows w;
  w.boxes.Clear();
  w.folder.WriteFile("Temp\\shown.bmp", "x");
  const std::string stored = w.folder.ReadFile("Kaleidon.ini");
  w.folder.SetReadOnly("Kaleidon.ini", true);
  w.main->Show();
  w.main->Close();
  EXPECT_FALSE(w.main->Visible());
  EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
  EXPECT_EQ(w.boxes.Captions(), std::vector<std::string>{"悪のエラー"});
  EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません");
  EXPECT_FALSE(w.folder.Exists("Temp\\shown.bmp"));
  w.folder.SetReadOnly("Kaleidon.ini", false);
}

TEST(MainWindow, ATempThatCannotBeReadOrEmptiedNeverHoldsUpTheClose) {
  for (bool holdFolder : {true, false}) {
    SCOPED_TRACE(holdFolder ? "Temp held open" : "a file in Temp held open");
    ProgramWindows w;
    w.boxes.Clear();
    w.folder.WriteFile("Temp\\shown.bmp", "x");
    w.folder.WriteFile("Temp\\in use.bmp", "x");
    w.main->Show();
    {
      auto held = HoldOpen(w.folder.PathOf(holdFolder ? "Temp" : "Temp\\in use.bmp"));
      w.main->Close();
    }
    EXPECT_FALSE(w.main->Visible());
    EXPECT_EQ(w.boxes.Count(), 0u);
    EXPECT_EQ(framework::IniDocument(w.folder.ReadFile("Kaleidon.ini")).Value("SysInfo", "RandomRoutine"), "0.5");
    // What could go went.
    EXPECT_EQ(w.folder.FileNames("Temp\\"),
              holdFolder ? (std::vector<std::string>{"in use.bmp", "shown.bmp"}) : std::vector<std::string>{"in use.bmp"});
  }
}

TEST(MainWindow, SessionEndEndsTheRunAsACloseDoesWithoutAMessageBox) {
  for (bool writable : {true, false}) {
    SCOPED_TRACE(writable ? "settings writable" : "settings read-only");
    ProgramWindows w("[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\n");
    w.boxes.Clear();
    w.folder.WriteFile("Temp\\shown.bmp", "x");
    w.folder.SetReadOnly("Kaleidon.ini", !writable);
    const std::string before = w.folder.ReadFile("Kaleidon.ini");
    w.main->Show();
    EXPECT_EQ(SendMessageW(w.main->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    const std::string written = w.folder.ReadFile("Kaleidon.ini");
    SendMessageW(w.main->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(w.main->Visible());
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // and the run ends
    EXPECT_EQ(w.boxes.Count(), 0u);
    EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
    // Written once, at the question; a refused write leaves the file as it was.
    EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), written);
    framework::IniDocument ini(written);
    if (writable) {
      EXPECT_EQ(ini.Keys("SysInfo"), kProgramEndKeys);
      EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), "C:\\a\\");
    } else {
      EXPECT_EQ(written, before);
    }
    w.folder.SetReadOnly("Kaleidon.ini", false);
  }
}

TEST(MainWindow, AShutdownCancelledByAnotherProgramLeavesTheRunGoingAndTheCloseToCome) {
  TempDir elsewhere;
  ProgramWindows w;
  w.boxes.Clear();
  w.main->Show();
  EXPECT_EQ(SendMessageW(w.main->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageW(w.main->Handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_TRUE(w.main->Visible());
  // The run goes on; its end, when it comes, stores what it has by then.
  Widgets(*w.main).dlb1->SetDirectory(elsewhere.path());
  w.folder.WriteFile("Temp\\later.bmp", "x");
  w.main->Close();
  EXPECT_FALSE(w.main->Visible());
  EXPECT_EQ(w.boxes.Count(), 0u);
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(JoinPath(ini.Value("SysInfo", "Path").value_or(""), ""), elsewhere.path());
  EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
}

// A close or the session's end that comes while a change shows its box
// ends the run once the change has ended: Temp, where the change's picture
// may lie, is emptied after it, not under it.
TEST(MainWindow, ACloseOrASessionEndDuringAChangeEndsTheRunAfterIt) {
  const std::vector<std::pair<const char*, std::function<void(HWND)>>> endings = {
      {"close", [](HWND main) { SendMessageW(main, WM_CLOSE, 0, 0); }},
      {"session end", [](HWND main) {
         SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
         SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
       }}};
  for (const auto& [name, end] : endings) {
    SCOPED_TRACE(name);
    TempDir empty;  // the change ends with the empty-folder message
    ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(empty.path()) + "\r\n");
    w.main->Show();
    w.folder.WriteFile("Temp\\shown.bmp", "x");
    bool endedInBox = true;
    framework::Application::Instance().SetMessageBoxHook([&](const framework::MessageBoxCall&) {
      end(w.main->Handle());
      endedInBox = !w.main->Visible() || w.folder.FileNames("Temp\\").empty();
      return IDOK;
    });
    Widgets(*w.main).Button3->Click();
    framework::Application::Instance().SetMessageBoxHook(nullptr);
    EXPECT_FALSE(endedInBox);
    EXPECT_FALSE(w.main->Visible());
    EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

TEST(MainWindow, WithATrayIconTheShellRefusesTheWindowShowsWhateverSaidToHideIt) {
  RefusingShell shell;
  for (const char* argument : {"/s", ""}) {
    SCOPED_TRACE(argument);
    framework::Application::Instance().SetShowMainForm(true);
    ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nTaskTray=1\r\n", argument);
    EXPECT_FALSE(Widgets(*w.main).TrayIcon1->Registered());
    ASSERT_EQ(w.boxes.Count(), 1u);
    EXPECT_EQ(w.boxes.Last().text, "タスクトレイにアイコンを登録できません。");  // its own full stop only
    EXPECT_TRUE(framework::Application::Instance().ShowMainForm());
  }
}

TEST(MainWindow, TheTrayOfAStartUpThatFailedLeavesAloneTheWindowsThatWereNeverMade) {
  TempDir folder;
  framework::OverrideProgramFolder(folder.path());
  folder.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\n");
  folder.WriteFile("Temp\\left.bmp", "x");
  MessageBoxRecorder boxes;
  {
    // The start-up failed right after the main window: no options, no viewer,
    // no folder list.
    kaleidon::TForm1 main(kaleidon::CommandLine{});
    int menus = 0;
    Widgets(main).PopupMenu1->OnPopup = [&menus] { ++menus; };
    using namespace traytest;
    Notify(*Widgets(main).TrayIcon1, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    FinishSingleClicks();
    Notify(*Widgets(main).TrayIcon1,
           {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP});
    FinishSingleClicks();
    EXPECT_EQ(menus, 0);
    EXPECT_FALSE(main.Visible());
    EXPECT_FALSE(main.Cycle->ChangeBusy);
    // Its end (here the session's) writes no options it never had.
    const std::string settings = folder.ReadFile("Kaleidon.ini");
    EXPECT_EQ(SendMessageW(main.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(folder.ReadFile("Kaleidon.ini"), settings);
    EXPECT_TRUE(folder.FileNames("Temp\\").empty());
    EXPECT_EQ(boxes.Count(), 0u);
  }
  framework::OverrideProgramFolder("");
}

TEST(MainWindow, RandomAndChosenFileButtonsWhileAChangeRunsOnlyAskToWait) {
  ProgramWindows w;
  w.boxes.Clear();
  w.main->Cycle->ChangeBusy = true;
  Widgets(*w.main).Button3->Click();
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "待ってくれ");
  EXPECT_EQ(w.boxes.Last().text, "そう急かさないでくれ");
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, 0u);
  // The change by hand too: a change waiting for a picture answers clicks.
  Widgets(*w.main).Button1->Click();
  ASSERT_EQ(w.boxes.Count(), 2u);
  EXPECT_EQ(w.boxes.Last().text, "そう急かさないでくれ");
}

TEST(MainWindow, MinimiseLeavesOnlyTheTrayIconAndADoubleClickBringsItBack) {
  ProgramWindows w;
  w.main->Show();
  SendMessageW(w.main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(w.main->Visible());
  EXPECT_TRUE(Widgets(*w.main).TrayIcon1->Visible());
  Widgets(*w.main).TrayIcon1->OnDblClick(*Widgets(*w.main).TrayIcon1);
  EXPECT_TRUE(w.main->Visible());
  EXPECT_FALSE(IsIconic(w.main->Handle()));
  framework::Application::Instance().Minimize();
  EXPECT_FALSE(w.main->Visible());
}

TEST(MainWindow, TrayMenuTimerEntryFollowsAndTogglesTheIntervalTimer) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nTimerChange=1\r\n");
  kaleidon::TForm1& f = *w.main;
  EXPECT_TRUE(Widgets(f).Timer1->Enabled());
  Widgets(f).PopupMenu1->OnPopup();
  EXPECT_EQ(Widgets(f).PopupMenu1->Item("TimerSS").Caption(), "ﾀｲﾏｰｽﾄｯﾌﾟ");
  Widgets(f).PopupMenu1->Item("TimerSS").Click();
  EXPECT_FALSE(Widgets(f).Timer1->Enabled());
  EXPECT_FALSE(w.options->CheckBox4->Checked());
  Widgets(f).PopupMenu1->OnPopup();
  EXPECT_EQ(Widgets(f).PopupMenu1->Item("TimerSS").Caption(), "ﾀｲﾏｰｽﾀｰﾄ");
  std::vector<std::string> captions;
  const framework::PopupMenu& menu = *Widgets(f).PopupMenu1;
  for (size_t i = 0; i < menu.Count(); ++i) captions.push_back(menu.Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"表示", "ﾀｲﾏｰｽﾀｰﾄ", "ﾗﾝﾀﾞﾑ", "前の壁紙に戻す(&B)", "この壁紙を今後使わない(&X)", "この画像の場所を開く(&O)", "ｵﾌﾟｼｮﾝ", "-", "終了"}));
}

TEST(MainWindow, DriveThatCannotBeEnteredIsReportedAndRolledBack) {
  // A drive letter whose folder does not exist: listed, but not enterable.
  std::string missing = JoinPath(framework::TempFolderPath(), "kaleidon-no-such-drive-folder");
  if (!DefineDosDeviceW(0, L"Q:", framework::Widen(missing).c_str())) GTEST_SKIP() << "cannot map a drive";
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  Widgets(f).dcb1->Refresh();
  std::string before = Widgets(f).dlb1->Directory();
  w.boxes.Clear();
  Widgets(f).dcb1->SetDrive('Q');
  DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "暗黒のドライブチェンジエラー");
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(Widgets(f).dlb1->Directory(), before);
  EXPECT_EQ(Widgets(f).dcb1->Drive(), before[0]);
  EXPECT_EQ(f.CurrentFolder, before);
}

TEST(MainWindow, JpegFromPlugInsIsRefused) {
  EXPECT_FALSE(kaleidon::SPIs1PictureRegister("jpg"));
  EXPECT_FALSE(kaleidon::SPIs1PictureRegister("JPEG"));
  EXPECT_TRUE(kaleidon::SPIs1PictureRegister("PIC"));
}

TEST(MainWindow, RememberAndRecallWorkOnTheSlotTableAndTheSettings) {
  TempDir a, b;
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=2\r\nPath=" + framework::EncodeStoredText(a.path()) + "\r\n");
  kaleidon::TForm1& f = *w.main;
  ASSERT_TRUE(Widgets(f).SpinEdit1->Enabled());
  ASSERT_TRUE(Widgets(f).Button6->Enabled());
  EXPECT_EQ(Widgets(f).SpinEdit1->MaxValue(), 2);
  EXPECT_EQ(w.folderList->Cell(1, 0), std::string(35, ' ') + "フォルダのフルパス");
  EXPECT_EQ(w.folderList->Cell(0, 2), "Memory[2]");
  EXPECT_EQ(w.folderList->Cell(0, 3), "");
  Widgets(f).Button6->Click();  // remember a in slot 1
  EXPECT_EQ(Widgets(f).SpinEdit1->Value(), 2);
  EXPECT_EQ(w.folderList->Cell(1, 1), a.path());
  EXPECT_EQ(w.folderList->Cell(0, 1), "Memory[1]");
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), framework::EncodeStoredText(a.path()));
  w.boxes.Clear();
  Widgets(f).Button6->Click();  // the same folder again: refused
  EXPECT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.folderList->Cell(1, 2), "");

  Widgets(f).dlb1->SetDirectory(b.path());
  Widgets(f).SpinEdit1->SetValue(1);
  EXPECT_EQ(Widgets(f).Label4->Text(), a.path());
  Widgets(f).Button8->Click();  // recall slot 1
  EXPECT_EQ(JoinPath(Widgets(f).dlb1->Directory(), ""), a.path());
  EXPECT_EQ(JoinPath(Widgets(f).FileListBox2->Directory(), ""), a.path());
}
