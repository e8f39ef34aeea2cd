// The start-up sequence run inside the test process, with the program folder
// pointed at a fresh folder; the main window is closed from the message loop.
#include "app/startup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/forms.h"
#include "framework/imaging/bitmap.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "support/mainwindow.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "selection/foldermemory.h"
#include "ui/splashform.h"

using framework::Application;

namespace {

class StartupSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(dir.path());
    kaleidon::TForm3::StatusShown = [this](const std::string& s) { statuses.push_back(s); };
    // Close the main window as soon as the message loop runs.
    Application::Instance().Initialize();
    if (ClosesAtOnce()) {
      Application::Instance().Queue([] {
        if (framework::MainWindow* main = Application::Instance().MainForm()) main->Close();
      });
    }
  }
  virtual bool ClosesAtOnce() const { return true; }
  void TearDown() override {
    kaleidon::TForm3::StatusShown = nullptr;
    framework::OverrideProgramFolder("");
  }

  TempDir dir;
  MessageBoxRecorder boxes;
  std::vector<std::string> statuses;
};

}  // namespace

TEST_F(StartupSequence, SplashShowsTheStatusTextsInOrder) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nDlay=1\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_EQ(statuses, (std::vector<std::string>{"ｶﾚｲﾄﾞﾝ起動中", "起動処理中...", "ｵﾌﾟｼｮﾝ設定更新中...",
                                                "ｽﾛｰｽﾀｰﾄ待機中..."}));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(StartupSequence, NoSplashWhenSwitchedOff) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nDlay=1\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(Application::Instance().Title(), "カレイドン");
  EXPECT_EQ(Application::Instance().HelpFile(), "KALEIDON.hlp");
}

TEST_F(StartupSequence, MissingFolderIsReportedOnceAndReplacedByTheProgramFolder) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nPath=C:\\no\\such\\folder\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().caption, "暗黒のエラー");
  EXPECT_EQ(boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONQUESTION));
  std::string ini = dir.ReadFile("Kaleidon.ini");
  EXPECT_NE(ini.find("Path=" + framework::EncodeStoredText(dir.path().substr(0, dir.path().size() - 1))), std::string::npos) << ini;
}

namespace {

// A settings file of version 0.5 with folder memory off and a list with a
// gap and a duplicate; the start-up change (in the program folder, which
// holds no picture) and the command-line change only say so.
constexpr const char* kOlderSettings =
    "[SysInfo]\r\nProgramVersion=0.5\r\nSplash=0\r\nStartUpChange=1\r\nCPUUseRate=100\r\nMemoryCount=0\r\n"
    "[DirectoryBuf]\r\nPathMemory1=C:\\A\\\r\nPathMemory3=C:\\B\\\r\nPathMemory4=c:\\a\\\r\n";

}  // namespace

TEST_F(StartupSequence, TheListOfAnOlderSettingsFileIsCompactedAtTheEndOfTheStartAndMemoryStaysOff) {
  dir.WriteFile("Kaleidon.ini", kOlderSettings);
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_EQ(boxes.Captions(), (std::vector<std::string>{"カレイドン Version0.6", "悪のエラー"}));
  framework::IniDocument ini(dir.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("DirectoryBuf"), (std::vector<std::string>{"PathMemory1", "PathMemory2"}));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory2"), "C:\\B\\");
  EXPECT_EQ(ini.Value("SysInfo", "MemoryCount"), "0");
  EXPECT_EQ(ini.Value("SysInfo", "ProgramVersion"), "0.6");
}

TEST_F(StartupSequence, TheCommandLineChangeEndsTheRunBeforeTheListIsUpgraded) {
  dir.WriteFile("Kaleidon.ini", kOlderSettings);
  EXPECT_EQ(kaleidon::RunKaleidon({"/E"}), 0);
  EXPECT_EQ(boxes.Captions(), (std::vector<std::string>{"カレイドン Version0.6", "悪のエラー"}));
  framework::IniDocument ini(dir.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("DirectoryBuf"), (std::vector<std::string>{"PathMemory1", "PathMemory3", "PathMemory4"}));
}

namespace {

// The top-level windows (message-only ones too) the test's thread makes
// while it lives, by class name; the system's input-method windows aside.
class WindowsMade {
 public:
  WindowsMade() { hook_ = SetWindowsHookExW(WH_CBT, &Made, nullptr, GetCurrentThreadId()); }
  ~WindowsMade() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  static inline std::vector<std::string> classes;

 private:
  static LRESULT CALLBACK Made(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
      const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
      if (!create->hwndParent || create->hwndParent == HWND_MESSAGE) {
        wchar_t name[256] = {};
        GetClassNameW(reinterpret_cast<HWND>(wp), name, 256);
        const std::string made = framework::Narrow(name);
        if (made != "IME" && made != "Default IME") classes.push_back(made);
      }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  HHOOK hook_ = nullptr;
};

}  // namespace

// "/E" makes no window: no main window, options, viewer, folder list or
// tray icon, and still the wallpaper, its registry value and the history.
TEST_F(StartupSequence, TheCommandLineChangeMakesNoWindow) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nCPUUseRate=100\r\n");
  framework::Bitmap picture(3, 2, 24);
  dir.WriteFile("only.bmp", picture.SaveToBytes());
  WindowsMade::classes.clear();
  {
    WindowsMade made;
    EXPECT_EQ(kaleidon::RunKaleidon({"/E"}), 0);
  }
  EXPECT_EQ(WindowsMade::classes, std::vector<std::string>{});
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(dir.Exists("WPFile.BMP"));
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "only.bmp\r\n");
  HKEY desktop = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ, &desktop), ERROR_SUCCESS);
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  RegQueryValueExW(desktop, L"WallPaper", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(desktop);
  EXPECT_EQ(framework::Narrow(value), dir.PathOf("WPFile.BMP"));
}

namespace {

// What the main window holds at a moment of the start.
struct Seen {
  bool othersMade = false;  // the options, the viewer and the folder list
  bool viewerMade = false;
  bool anyOtherMade = false;
  bool enabled = false;
  bool visible = false;
  bool trayIcon = false;  // in the notification area
};

// What the main window holds at the first message of the loop and once the
// loop has been idle (after what the test does then), after which it is
// closed.
class StartupWindowsInTheLoop : public StartupSequence {
 protected:
  bool ClosesAtOnce() const override { return false; }

  static Seen Look() {
    auto* main = dynamic_cast<kaleidon::TForm1*>(Application::Instance().MainForm());
    if (!main) return {};
    const auto kept = Widgets(*main);
    return {kept.Options != nullptr && kept.Viewer != nullptr && kept.FolderList != nullptr, kept.Viewer != nullptr,
            kept.Options != nullptr || kept.Viewer != nullptr || kept.FolderList != nullptr, IsWindowEnabled(main->Handle()) != FALSE, main->Visible(), kept.TrayIcon1->Registered()};
  }

  void Run(const kaleidon::CommandLine& commandLine, std::function<void(kaleidon::TForm1&)> atIdle = nullptr) {
    Application::Instance().Queue([this, atIdle] {
      atFirstMessage = Look();
      Application::Instance().WhenIdle([this, atIdle] {
        auto* main = dynamic_cast<kaleidon::TForm1*>(Application::Instance().MainForm());
        if (main && atIdle) atIdle(*main);
        whenIdle = Look();
        if (framework::MainWindow* main = Application::Instance().MainForm()) main->Close();
      });
    });
    EXPECT_EQ(kaleidon::RunKaleidon(commandLine), 0);
  }

  // The file list's own window procedure, seeing a press first.
  static LRESULT CALLBACK SeeingPress(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_LBUTTONDOWN) {
      pressed = true;
      atPress = Look();
      PostMessageW(GetAncestor(h, GA_ROOT), WM_CLOSE, 0, 0);
    }
    return CallWindowProcW(listProc, h, m, w, l);
  }

  Seen atFirstMessage, whenIdle;
  static inline Seen atPress;
  static inline bool pressed = false;
  static inline WNDPROC listProc = nullptr;
};

}  // namespace

TEST_F(StartupWindowsInTheLoop, APlainStartMakesNoOtherWindowUntilOneIsNeeded) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nMemoryCount=7\r\n");
  Run({});
  EXPECT_FALSE(atFirstMessage.anyOtherMade);
  EXPECT_TRUE(atFirstMessage.enabled);
  EXPECT_TRUE(atFirstMessage.visible);
  EXPECT_FALSE(whenIdle.anyOtherMade);
  EXPECT_TRUE(whenIdle.enabled);
  EXPECT_TRUE(whenIdle.visible);
  EXPECT_TRUE(whenIdle.trayIcon);  // added once the window shows
  EXPECT_EQ(boxes.Count(), 0u);
}

// The viewer's button with no file chosen: the viewer alone is made, the
// box says to choose one.
TEST_F(StartupWindowsInTheLoop, TheButtonOfAnotherWindowMakesItWhenFirstPressed) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n");
  Run({}, [](kaleidon::TForm1& main) {
    Widgets(main).FileListBox2->SetItemIndex(-1);
    Widgets(main).Button7->Click();
  });
  EXPECT_FALSE(atFirstMessage.anyOtherMade);
  EXPECT_TRUE(whenIdle.viewerMade);
  EXPECT_FALSE(whenIdle.othersMade);
  EXPECT_EQ(boxes.Captions(), (std::vector<std::string>{"闇のエラー"}));
}

// The folder list made later shows the slots the start read, with no read
// of its own (the file has changed since).
TEST_F(StartupWindowsInTheLoop, TheFolderListMadeLaterShowsTheSlotsTheStartRead) {
  dir.WriteFile("Kaleidon.ini",
                "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nMemoryCount=3\r\n"
                "[DirectoryBuf]\r\nPathMemory2=C:\\b\\\r\nPathSpan2=22:00-5:00|C:\\b\\\r\n");
  std::vector<std::string> row;
  Run({}, [this, &row](kaleidon::TForm1& main) {
    dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nMemoryCount=3\r\n");
    main.MakeLaterWindow(kaleidon::LaterWindow::FolderList);
    const kaleidon::TForm5& list = *Widgets(main).FolderList;
    for (int column = 0; column < 3; ++column) row.push_back(list.StringGrid1->Cells(column, 2));
  });
  EXPECT_EQ(row, (std::vector<std::string>{kaleidon::SlotLabel(2), "C:\\b\\", "22:00-5:00"}));
  EXPECT_FALSE(whenIdle.othersMade);
}

// Each run of the loop is a test of its own: a process runs one.
TEST_F(StartupWindowsInTheLoop, ACloseAtTheFirstMessageStoresTheProgramEnd) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n");
  // Closed at the first message, with no other window made: the close
  // stores the options as read.
  Application::Instance().Queue([] {
    if (framework::MainWindow* main = Application::Instance().MainForm())
      PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  const std::string stored = dir.ReadFile("Kaleidon.ini");
  EXPECT_NE(stored.find("LastBuf="), std::string::npos) << stored;
}

TEST_F(StartupWindowsInTheLoop, APressAtTheFirstMessageNeedsNoOtherWindow) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n");
  // A press on the main window's file list at the first message: the list
  // takes it with the other windows still unmade.
  Application::Instance().Queue([] {
    auto* main = dynamic_cast<kaleidon::TForm1*>(Application::Instance().MainForm());
    ASSERT_NE(main, nullptr);
    HWND list = Widgets(*main).FileListBox2->Handle();
    listProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SeeingPress));
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  });
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(atPress.anyOtherMade);
  EXPECT_TRUE(atPress.enabled);
}

TEST_F(StartupWindowsInTheLoop, ASilentStartStaysHiddenOnceTheWindowsAreMade) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n");
  Run(kaleidon::CommandLine{"/s"}, [](kaleidon::TForm1& main) {
    for (auto window : {kaleidon::LaterWindow::Options, kaleidon::LaterWindow::Viewer, kaleidon::LaterWindow::FolderList})
      main.MakeLaterWindow(window);
  });
  EXPECT_FALSE(atFirstMessage.visible);
  EXPECT_TRUE(atFirstMessage.trayIcon);  // the only way to the hidden window
  EXPECT_TRUE(whenIdle.othersMade);
  EXPECT_FALSE(whenIdle.visible);
}

TEST_F(StartupWindowsInTheLoop, AChangeAtStartNeedsNoOtherWindow) {
  dir.WriteFile("only.bmp", framework::Bitmap(3, 2, 24).SaveToBytes());
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nStartUpChange=1\r\nCPUUseRate=100\r\n");
  Run({});
  EXPECT_FALSE(atFirstMessage.anyOtherMade);
  EXPECT_TRUE(dir.Exists("WPFile.BMP"));
}

// Starts that upgrade or reset make every window before the loop.

TEST_F(StartupWindowsInTheLoop, AnOlderSettingsFileMakesEveryWindowBeforeTheLoop) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.5\r\nSplash=0\r\n");
  Run({});
  EXPECT_TRUE(atFirstMessage.othersMade);
}

TEST_F(StartupWindowsInTheLoop, AFirstStartMakesEveryWindowBeforeTheLoop) {
  Run({});
  EXPECT_TRUE(atFirstMessage.othersMade);
}

TEST_F(StartupWindowsInTheLoop, AResetMakesEveryWindowBeforeTheLoop) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n");
  Run(kaleidon::CommandLine{"/f"});
  EXPECT_TRUE(atFirstMessage.othersMade);
}
