// The Windows half of the kill runs (torture/run): drives Kaleidon.exe as a
// user and its interval timer would, ends it at a given moment, and checks
// the files it leaves behind.
//
//   torture-driver launch <ms> <seed> <program> [argument]
//       starts the program, drives it and ends it with TerminateProcess after
//       <ms> milliseconds; prints "killed" or "ended <exit code>".
//   torture-driver drive <ms> <seed>
//       drives the running program for <ms> milliseconds (another hand ends it).
//   torture-driver check <program folder> <pictures folder> <first settings> <archive members>
//       checks Kaleidon.ini, WPFile.BMP and every history file; prints one
//       line per finding: "torn <file>: <why>", "lost <file>" or
//       "temp <file>" (a temporary file a write left behind), then
//       "checked <folder histories> <archive histories>".
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/imaging/bitmap.h"
#include "framework/base/exception.h"
#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "selection/historytext.h"

using framework::Narrow;
using framework::Widen;

namespace {

// ---- Driving ---------------------------------------------------------------

struct Search {
  std::wstring className;
  std::wstring caption;  // any when empty
  DWORD processId;       // any when 0
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  wchar_t cls[64], text[256];
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, text, 256);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (s->className == cls && (s->caption.empty() || s->caption == text) && (!s->processId || s->processId == pid))
    s->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopWindows(const wchar_t* className, const wchar_t* caption, DWORD processId) {
  Search s{className, caption, processId, {}};
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND Child(HWND parent, const wchar_t* className, const wchar_t* caption) {
  Search s{className, caption, 0, {}};
  EnumChildWindows(parent, &Collect, reinterpret_cast<LPARAM>(&s));
  return s.found.empty() ? nullptr : s.found.front();
}

void Click(HWND button) {
  if (button) PostMessageW(button, BM_CLICK, 0, 0);
}

// Message boxes are answered (and told on stderr) so the run goes on.
void AnswerMessageBoxes(DWORD processId) {
  for (HWND box : TopWindows(L"#32770", L"", processId)) {
    if (!IsWindowVisible(box)) continue;
    wchar_t caption[256] = L"";
    GetWindowTextW(box, caption, 256);
    wchar_t text[1024] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::fprintf(stderr, "message box: %s: %s\n", Narrow(caption).c_str(), Narrow(text).c_str());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
}

// One tick of the interval timer, as the system delivers it once a minute:
// the timer window's ids are few and small, and unknown ones are ignored.
void TickIntervalTimer(DWORD processId) {
  HWND window = nullptr;
  while ((window = FindWindowExW(HWND_MESSAGE, window, L"TTimerWindow", nullptr))) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != processId) continue;
    for (WPARAM id = 1; id <= 8; ++id) PostMessageW(window, WM_TIMER, id, 0);
  }
}

HWND ShownOptions(DWORD processId) {
  for (HWND options : TopWindows(L"TForm2", L"Kaleidon Option", processId))
    if (IsWindowVisible(options)) return options;
  return nullptr;
}

void PressOptionsOk(HWND options) { Click(Child(options, L"Button", L"OK")); }

// Changes by the random button and by the timer, the options' OK and now
// and then the close, in random order, until the deadline or the program's
// end. The main window is clicked only while no dialog is in front of it.
void Drive(DWORD deadline, std::mt19937& random, HANDLE process, DWORD processId) {
  while (static_cast<int>(deadline - GetTickCount()) > 0) {
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return;
    std::vector<HWND> mains = TopWindows(L"TMyMainForm", L"", processId);
    if (mains.empty()) {
      Sleep(50);
      continue;
    }
    HWND main = mains.front();
    DWORD pid = processId;
    if (!pid) GetWindowThreadProcessId(main, &pid);
    AnswerMessageBoxes(pid);
    int action = static_cast<int>(random() % 100);
    if (action < 30) {
      TickIntervalTimer(pid);
    } else if (!IsWindowEnabled(main)) {
      if (HWND options = ShownOptions(pid)) PressOptionsOk(options);
    } else if (action < 65) {
      Click(Child(main, L"Button", L"ランダム(&R)"));
    } else if (action < 94) {
      Click(Child(main, L"Button", L"オプション(&O)"));
      for (int i = 0; i < 40; ++i) {
        Sleep(50);
        if (HWND options = ShownOptions(pid)) {
          PressOptionsOk(options);
          break;
        }
      }
    } else {
      PostMessageW(main, WM_CLOSE, 0, 0);
    }
    Sleep(50 + random() % 350);
  }
}

int Launch(DWORD ms, unsigned seed, const std::wstring& program, const std::wstring& argument) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!argument.empty()) commandLine += L" " + argument;
  std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    std::fprintf(stderr, "cannot start %s\n", Narrow(program).c_str());
    return 2;
  }
  std::mt19937 random(seed);
  Drive(GetTickCount() + ms, random, pi.hProcess, pi.dwProcessId);
  if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && TerminateProcess(pi.hProcess, 1)) {
    WaitForSingleObject(pi.hProcess, 10000);
    std::printf("killed\n");
  } else {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("ended %lu\n", code);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}

// ---- Checking --------------------------------------------------------------

void Report(const char* kind, const std::string& path, const std::string& why = "") {
  std::printf("%s %s%s%s\n", kind, path.c_str(), why.empty() ? "" : ": ", why.c_str());
}

// Text in the system code page that converts there and back unchanged.
bool CleanAnsi(const std::string& bytes) { return framework::ToAnsi(framework::FromAnsi(bytes)) == bytes; }

// Whole lines: empty, or every line ended by CR LF, with no stray CR or LF.
bool WholeLines(const std::string& bytes) {
  if (bytes.empty()) return true;
  if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) return false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\0') return false;
    if (bytes[i] == '\r' && bytes[i + 1] != '\n') return false;
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
  }
  return true;
}

uint32_t Le32(const std::string& b, size_t at) {
  return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

void CheckSettings(const std::string& path, const std::string& firstPath) {
  std::optional<std::string> bytes = framework::ReadWholeFile(path);
  if (!bytes) return Report("lost", path);
  if (bytes->empty()) return Report("torn", path, "empty");
  if (!WholeLines(*bytes) || !CleanAnsi(*bytes)) return Report("torn", path, "a line is cut");
  framework::IniDocument now(framework::FromAnsi(*bytes));
  framework::IniDocument first(framework::FromAnsi(framework::ReadWholeFile(firstPath).value_or("")));
  // Runs change the general keys' values, never which keys there are, and
  // nothing here changes the remembered folders.
  for (const std::string& key : first.Keys("SysInfo"))
    if (!now.Value("SysInfo", key)) return Report("torn", path, "SysInfo lacks " + key);
  if (now.Value("SysInfo", "ProgramVersion") != std::optional<std::string>("0.6"))
    return Report("torn", path, "ProgramVersion is not 0.6");
  std::vector<std::string> slots = first.Keys("DirectoryBuf");
  if (now.Keys("DirectoryBuf") != slots) return Report("torn", path, "the remembered folders changed");
  for (const std::string& key : slots)
    if (now.Value("DirectoryBuf", key) != first.Value("DirectoryBuf", key))
      return Report("torn", path, key + " changed");
}

void CheckWallpaper(const std::string& path) {
  std::optional<std::string> b = framework::ReadWholeFile(path);
  if (!b) return Report("lost", path);
  if (b->size() < 54 || b->compare(0, 2, "BM") != 0) return Report("torn", path, "no bitmap header");
  if (Le32(*b, 2) != b->size()) return Report("torn", path, "its size is not the size its header gives");
  uint32_t offset = Le32(*b, 10), width = Le32(*b, 18), height = Le32(*b, 22);
  uint32_t bits = uint8_t((*b)[28]) | uint8_t((*b)[29]) << 8;
  height = static_cast<int32_t>(height) < 0 ? 0u - height : height;
  size_t stride = framework::Bitmap::StrideFor(static_cast<int>(width), static_cast<int>(bits));
  if (!stride || offset + uint64_t(stride) * height > b->size()) return Report("torn", path, "its pixels are cut");
  try {
    framework::Bitmap bitmap;
    bitmap.LoadFromBytes(*b);
    if (bitmap.Empty()) Report("torn", path, "an empty picture");
  } catch (const framework::Exception& e) {
    Report("torn", path, e.what());
  }
}

std::set<std::string> UpperNames(const std::vector<std::string>& names) {
  std::set<std::string> upper;
  for (const std::string& name : names) upper.insert(framework::AsciiUpper(name));
  return upper;
}

// A history holds whole lines, each naming a file of its folder (a folder's
// history) or a member of the archive (an archive's history, by file name).
void CheckHistory(const std::string& path, const std::set<std::string>& known, bool byFileName) {
  std::optional<std::string> bytes = framework::ReadWholeFile(path);
  if (!bytes) return Report("lost", path);
  if (!WholeLines(*bytes) || !CleanAnsi(*bytes)) return Report("torn", path, "a line is cut");
  for (const std::string& ansi : kaleidon::ParseHistoryText(*bytes)) {
    std::string name = framework::FromAnsi(ansi);
    if (byFileName) name = name.substr(name.find_last_of("\\/") + 1);
    if (!known.count(framework::AsciiUpper(name))) return Report("torn", path, "names " + name);
  }
}

// <name>.~<process id>.tmp, the file a write goes through.
bool IsTempName(const std::string& name) {
  return name.find(".~") != std::string::npos && framework::AsciiUpper(framework::ExtractFileExt(name)) == ".TMP";
}

struct Checked {
  int folderHistories = 0;
  int archiveHistories = 0;
};

void CheckFolder(const std::string& folder, const std::set<std::string>& members, Checked& checked) {
  std::vector<std::string> names = framework::ListFiles(folder);
  std::set<std::string> known = UpperNames(names);
  for (const std::string& name : names) {
    std::string path = framework::JoinPath(folder, name);
    std::string upper = framework::AsciiUpper(name);
    if (IsTempName(name)) {
      Report("temp", path);
    } else if (upper == "_BUF.RFB") {
      ++checked.folderHistories;
      CheckHistory(path, known, false);
    } else if (framework::ExtractFileExt(upper) == ".RFB") {
      ++checked.archiveHistories;
      CheckHistory(path, members, true);
    }
  }
}

int Check(const std::string& program, const std::string& pictures, const std::string& firstSettings,
          const std::string& memberList) {
  std::set<std::string> members;
  for (size_t at = 0; at <= memberList.size();) {
    size_t bar = memberList.find('|', at);
    if (bar == std::string::npos) bar = memberList.size();
    members.insert(framework::AsciiUpper(memberList.substr(at, bar - at)));
    at = bar + 1;
  }
  CheckSettings(framework::JoinPath(program, "Kaleidon.ini"), firstSettings);
  CheckWallpaper(framework::JoinPath(program, "WPFile.BMP"));
  for (const std::string& name : framework::ListFiles(program))
    if (IsTempName(name)) Report("temp", framework::JoinPath(program, name));
  Checked checked;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(framework::JoinPath(pictures, "*")).c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = Narrow(fd.cFileName);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
        CheckFolder(framework::JoinPath(pictures, name), members, checked);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::printf("checked %d %d\n", checked.folderHistories, checked.archiveHistories);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
  if (args.size() >= 4 && args[0] == "launch")
    return Launch(std::stoul(args[1]), std::stoul(args[2]), Widen(args[3]), args.size() > 4 ? Widen(args[4]) : L"");
  if (args.size() == 3 && args[0] == "drive") {
    std::mt19937 random(std::stoul(args[2]));
    Drive(GetTickCount() + std::stoul(args[1]), random, nullptr, 0);
    return 0;
  }
  if (args.size() == 5 && args[0] == "check") return Check(args[1], args[2], args[3], args[4]);
  std::fprintf(stderr, "usage: torture-driver launch|drive|check ...\n");
  return 2;
}
