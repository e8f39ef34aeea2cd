// The program started as a user starts it: a copy in a program folder of its
// own, its windows found from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "support/program.h"

namespace {

constexpr DWORD kStartTimeout = 30000;

HWND WaitForMainWindow(const ProgramProcess& p) {
  return WaitForWindow(L"TMyMainForm", "Kaleidon v0.6.1", p.Id(), kStartTimeout);
}

// The main window once the start-up has shown it.
HWND WaitForShownMainWindow(const ProgramProcess& p) {
  HWND main = WaitForMainWindow(p);
  for (DWORD waited = 0; main && !IsWindowVisible(main) && waited < kStartTimeout; waited += 50) Sleep(50);
  return main && IsWindowVisible(main) ? main : nullptr;
}

// Answers a message box of the process and returns its text.
std::string AnswerMessageBox(const ProgramProcess& p, const std::string& caption) {
  HWND box = WaitForWindow(L"#32770", caption, p.Id(), kStartTimeout);
  if (!box) return "(no message box " + caption + ")";
  std::string text = MessageBoxText(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return text;
}

void CloseMainWindow(ProgramProcess& p) {
  HWND main = WaitForMainWindow(p);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kStartTimeout), std::optional<DWORD>(0));
}

// Whether a lies above b among the top-level windows.
bool Above(HWND a, HWND b) {
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == a) return true;
    if (h == b) return false;
  }
  return false;
}

// Polls a condition for a while; whether it came true.
bool Eventually(const std::function<bool()>& condition) {
  for (DWORD waited = 0; waited < kStartTimeout; waited += 50) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

std::optional<std::string> SysInfoValue(const InstalledProgram& program, const char* key) {
  return framework::IniDocument(program.ReadFile("Kaleidon.ini")).Value("SysInfo", key);
}

}  // namespace

TEST(Startup, SecondCopyReportsTheRunningOneAndEndsWithZero) {
  InstalledProgram program;
  program.WriteSettings();
  ProgramProcess first = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownMainWindow(first);
  ASSERT_NE(main, nullptr);
  std::string settingsBefore = program.ReadFile("Kaleidon.ini");

  ProgramProcess second = ProgramProcess::Start(program.Exe());
  EXPECT_EQ(AnswerMessageBox(second, "二重起動"), "カレイドンは既に起動されています。同時に複数の起動はできません。");
  EXPECT_EQ(second.WaitForExit(kStartTimeout), std::optional<DWORD>(0));
  // The second copy touched nothing: no change, no settings, no bitmap.
  EXPECT_EQ(program.ReadFile("Kaleidon.ini"), settingsBefore);
  EXPECT_FALSE(program.Exists("WPFile.BMP"));
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(main));
  CloseMainWindow(first);
}

namespace {

// The lines of a history or exclusion file.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// A start with a command, while a copy runs: its exit code, and whether it
// showed a box before it ended.
std::pair<std::optional<DWORD>, std::string> HandOver(const InstalledProgram& program, const std::string& command) {
  ProgramProcess p = ProgramProcess::Start(program.Exe(), command);
  std::optional<DWORD> exit;
  HWND box = nullptr;
  for (int i = 0; i < 300 && !exit && !box; ++i) {
    exit = p.WaitForExit(100);
    if (!exit) box = WaitForWindow(L"#32770", "", p.Id(), 0);
  }
  if (box) {
    const std::string text = MessageBoxText(box);
    p.Kill();
    return {std::nullopt, text};
  }
  return {exit, ""};
}

// The width of the wallpaper bitmap, 0 while there is none that reads.
int WallpaperWidth(const InstalledProgram& program) {
  try {
    framework::Bitmap wallpaper;
    wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP"));
    return wallpaper.Width();
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

TEST(Startup, CommandsOfASecondStartAreCarriedOutByTheRunningCopyWithoutABox) {
  InstalledProgram program;
  TempDir pictures;
  // Each picture is told by the wallpaper's width.
  const std::map<std::string, int> widths = {{"a.bmp", 16}, {"b.bmp", 24}, {"c.bmp", 40}};
  for (const auto& [name, width] : widths) {
    framework::Bitmap b(width, 8, 24);
    pictures.WriteFile(name, b.SaveToBytes());
  }
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");
  ProgramProcess first = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownMainWindow(first);
  ASSERT_NE(main, nullptr);
  auto history = [&pictures] {
    std::vector<std::string> lines;
    if (pictures.Exists("_Buf.RFB")) lines = Lines(pictures.ReadFile("_Buf.RFB"));
    return lines;
  };

  // The history is sorted: the picture a change drew is the name it added.
  std::vector<std::string> drawn;
  auto added = [&] {
    for (const std::string& name : history())
      if (std::find(drawn.begin(), drawn.end(), name) == drawn.end()) return name;
    return std::string();
  };
  auto shows = [&](const std::string& name) { return !name.empty() && WallpaperWidth(program) == widths.at(name); };

  // "/E" twice: two changes in the running copy, each ended at once with 0.
  for (size_t n = 1; n <= 2; ++n) {
    EXPECT_EQ(HandOver(program, "/E"), std::make_pair(std::optional<DWORD>(0), std::string()));
    ASSERT_TRUE(Eventually([&] { return history().size() == n && shows(added()); })) << n;
    drawn.push_back(added());
  }
  // "/B": back to the first, as the tray's item goes back.
  EXPECT_EQ(HandOver(program, "/B"), std::make_pair(std::optional<DWORD>(0), std::string()));
  EXPECT_TRUE(Eventually([&] { return shows(drawn[0]); }));
  // "/X": the picture shown never again, and a new one at once.
  EXPECT_EQ(HandOver(program, "/X"), std::make_pair(std::optional<DWORD>(0), std::string()));
  EXPECT_TRUE(Eventually([&] { return pictures.Exists("_Never.RFB") && history().size() == 3 && shows(added()); }));
  EXPECT_EQ(Lines(pictures.ReadFile("_Never.RFB")), std::vector<std::string>{drawn[0]});
  // A monitor the running copy's desktop does not have is said so.
  EXPECT_EQ(HandOver(program, "/X9").first, std::optional<DWORD>(4));
  EXPECT_EQ(WaitForWindow(L"#32770", "", first.Id(), 0), nullptr);
  CloseMainWindow(first);
}

TEST(Startup, FirstStartGreetsCreatesTempAndWritesTheSettingsAtTheEnd) {
  InstalledProgram program;
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  std::string greeting = AnswerMessageBox(p, "作者の挨拶");
  EXPECT_EQ(greeting.substr(0, greeting.find('\r')), "初めまして、「カレイドン」作者の「白樺　雫」です。");
  ASSERT_NE(WaitForShownMainWindow(p), nullptr);
  EXPECT_TRUE(program.Exists("Temp"));
  EXPECT_FALSE(program.Exists("Kaleidon.ini"));
  CloseMainWindow(p);
  EXPECT_EQ(SysInfoValue(program, "ProgramVersion"), "0.6");
  EXPECT_EQ(SysInfoValue(program, "RandomRoutine"), "0.5");
  EXPECT_EQ(SysInfoValue(program, "Minute"), "15");
  EXPECT_EQ(framework::JoinPath(SysInfoValue(program, "Path").value_or(""), ""), program.path());
}

TEST(Startup, UpgradeStartExplainsAndErasesTheRotationSections) {
  InstalledProgram program;
  program.WriteFile("Kaleidon.ini",
                    "[SysInfo]\r\nProgramVersion=0.60\r\nSplash=0\r\nHour=99\r\n"
                    "[SelectedDirectorys]\r\nDirectory1=C:\\a\\\r\n"
                    "[AllFilesSelectedDirectorys]\r\nDirectory1=C:\\a\\\r\n"
                    "[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  std::string text = AnswerMessageBox(p, "カレイドン Version0.6");
  EXPECT_EQ(text.substr(0, text.find('\r')), "バージョンアップありがとうございます");
  ASSERT_NE(WaitForShownMainWindow(p), nullptr);
  framework::IniDocument ini(program.ReadFile("Kaleidon.ini"));
  EXPECT_FALSE(ini.HasSection("SelectedDirectorys"));
  EXPECT_FALSE(ini.HasSection("AllFilesSelectedDirectorys"));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), "C:\\a\\");
  CloseMainWindow(p);
  EXPECT_EQ(SysInfoValue(program, "ProgramVersion"), "0.6");
  EXPECT_EQ(SysInfoValue(program, "Hour"), "23");  // clamped by its control
}

TEST(Startup, ResetStartErasesTheGeneralSettingsAndWritesDefaultsBack) {
  InstalledProgram program;
  program.WriteSettings("Hour=5\r\nMinute=30\r\nTimerChange=1\r\nTaskTray=1\r\n");
  program.WriteFile("Kaleidon.ini", program.ReadFile("Kaleidon.ini") + "[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/F");
  HWND main = WaitForShownMainWindow(p);  // shown although TaskTray was set
  ASSERT_NE(main, nullptr);
  framework::IniDocument during(program.ReadFile("Kaleidon.ini"));
  EXPECT_FALSE(during.HasSection("SysInfo"));
  EXPECT_EQ(during.Value("DirectoryBuf", "PathMemory1"), "C:\\a\\");
  CloseMainWindow(p);
  EXPECT_EQ(SysInfoValue(program, "Hour"), "0");
  EXPECT_EQ(SysInfoValue(program, "Minute"), "15");
  EXPECT_EQ(SysInfoValue(program, "TimerChange"), "0");
  // No file type was chosen in the reset run: the next run opens on "すべて".
  EXPECT_EQ(SysInfoValue(program, "Filter"), "0");
}

TEST(Startup, OnlyTheExactFirstArgumentCounts) {
  for (const char* args : {"-e", "\"/e \"", "x /E"}) {
    InstalledProgram program;
    program.WriteSettings();
    ProgramProcess p = ProgramProcess::Start(program.Exe(), args);
    ASSERT_NE(WaitForShownMainWindow(p), nullptr) << args;
    CloseMainWindow(p);
  }
}

TEST(Startup, TrayStartAndSilentStartKeepTheMainWindowHidden) {
  for (const char* args : {"", "/s"}) {
    InstalledProgram program;
    program.WriteSettings(*args ? "" : "TaskTray=1\r\n");
    ProgramProcess p = ProgramProcess::Start(program.Exe(), args);
    HWND main = WaitForMainWindow(p);
    ASSERT_NE(main, nullptr);
    // The tray icon's window comes after the main window's creation.
    ASSERT_NE(WaitForWindow(L"TCallbackWindow", "", p.Id(), kStartTimeout), nullptr);
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(main)) << args;
    CloseMainWindow(p);
  }
}

TEST(Startup, TheGreetingComesUpInFrontOfTheSplashAndHoldsTheMainWindowUntilAnswered) {
  InstalledProgram program;  // a first start, with the splash
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND box = WaitForWindow(L"#32770", "作者の挨拶", p.Id(), kStartTimeout);
  ASSERT_NE(box, nullptr);
  HWND splash = WaitForWindow(L"TForm3", "Kaleidon Version0.5", p.Id(), kStartTimeout);
  HWND main = WaitForMainWindow(p);
  ASSERT_NE(splash, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(Eventually([&] { return IsWindowVisible(box) && GetForegroundWindow() == box; }));
  EXPECT_TRUE(IsWindowVisible(splash));
  EXPECT_TRUE(Above(box, splash));
  EXPECT_FALSE(IsWindowEnabled(main));

  // Answered as a user does: the OK button, pressed.
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  ASSERT_NE(WaitForShownMainWindow(p), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_FALSE(IsWindow(box));
  CloseMainWindow(p);
}

// A button pressed the moment the main window shows (an automation tool's
// posted BM_CLICK, a screen reader's default action) makes the windows it
// needs: the folder list opens; automatic registration runs, and the close
// that follows ends the run cleanly. Several starts each, to meet the race.
TEST(Startup, AButtonPressedAsSoonAsTheMainWindowShowsFindsTheWindowsItNeeds) {
  const struct {
    const char* button;
    bool opensFolderList;
  } cases[] = {{"ﾌｫﾙﾀﾞﾘｽﾄ(&L)", true}, {"自動登録(&A)", false}};
  for (const auto& c : cases) {
    for (int start = 0; start < 3; ++start) {
      SCOPED_TRACE(std::string(c.button) + ", start " + std::to_string(start + 1));
      InstalledProgram program;
      TempDir pictures;
      pictures.WriteFile("p\\a.bmp", "BM");
      program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");
      ProgramProcess p = ProgramProcess::Start(program.Exe());
      HWND main = WaitForMainWindow(p);
      ASSERT_NE(main, nullptr);
      for (DWORD waited = 0; !IsWindowVisible(main) && waited < kStartTimeout; ++waited) Sleep(1);
      HWND button = FindWindowExW(main, nullptr, L"Button", framework::Widen(c.button).c_str());
      ASSERT_NE(button, nullptr);
      PostMessageW(button, BM_CLICK, 0, 0);
      if (c.opensFolderList) {
        HWND list = WaitForWindow(L"TForm5", "", p.Id(), kStartTimeout);
        ASSERT_TRUE(list && Eventually([list] { return IsWindowVisible(list) != FALSE; }));
        PostMessageW(list, WM_CLOSE, 0, 0);
        ASSERT_TRUE(Eventually([list] { return !IsWindowVisible(list); }));
      }
      CloseMainWindow(p);
    }
  }
}
