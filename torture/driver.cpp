// The Windows half of the kill runs (torture/run): drives Kaleidon.exe as a
// user and its interval timer would, ends it at a given moment, and checks
// the files it leaves behind.
//
//   torture-driver launch <ms> <seed> <journal> <program> [argument]
//       starts the program, drives it and ends it with TerminateProcess after
//       <ms> milliseconds; prints "killed" or "ended <exit code>".
//   torture-driver drive <ms> <seed> <journal> <program folder>
//       drives the running program for <ms> milliseconds (another hand ends it).
//   torture-driver snapshot <program folder> <journal>
//       starts the journal with the remembered folders the settings file holds.
//   torture-driver check <program folder> <pictures folder> <first settings> <archive members>
//                        <picture files> <journal>
//       checks Kaleidon.ini, WPFile.BMP and every history file, and that the
//       picture folders hold only their pictures and histories; prints one
//       line per finding: "torn <file>: <why>", "lost <file>", "slots
//       <why>" (remembered folders lost, doubled or scrambled), "gained
//       <file>" (a file the program left in a picture folder) or "temp
//       <file>" (a temporary file a write left behind, or an archive staged
//       for the library in Temp), then "checked <folder histories> <archive
//       histories>".
//
// The journal holds the remembered folders (PathMemory1..200) after every
// edit of the folder list the driver made, and the edit under way: after a
// kill the settings file must hold one of those lists, or what the edit
// under way makes of the last one. Any other list is one a write left half
// done.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/base/exception.h"
#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "selection/historytext.h"

using framework::Narrow;
using framework::Widen;

namespace {

// ---- Remembered folders ----------------------------------------------------

constexpr int kSlots = 200;
using SlotList = std::vector<std::string>;  // PathMemory1..200, "" where none

SlotList SlotsOf(const framework::IniDocument& settings) {
  SlotList slots(kSlots);
  for (int n = 1; n <= kSlots; ++n)
    slots[n - 1] = settings.Value("DirectoryBuf", "PathMemory" + std::to_string(n)).value_or("");
  return slots;
}

std::optional<SlotList> StoredSlots(const std::string& settingsPath) {
  std::optional<std::string> bytes = framework::ReadWholeFile(settingsPath);
  if (!bytes) return std::nullopt;
  return SlotsOf(framework::IniDocument(framework::DecodeStoredText(*bytes)));
}

// The edits of the folder list the driver makes, as the list dialog does them.
enum class Edit { Up, Down, Delete, DeleteAll, Optimise, OptimiseCompletely, Register, Span };
const char* const kEditNames[] = {"up",       "down",     "delete", "delete-all", "optimise", "optimise-completely",
                                  "register", "span"};
// The row menu's item that sets a row's time span, after the four moves.
constexpr int kSpanItem = 4;

// The distinct folders (letter case aside) of slots [0, end), in order.
SlotList Compacted(const SlotList& slots, int end) {
  SlotList kept;
  for (int i = 0; i < end; ++i) {
    const std::string& folder = slots[i];
    if (folder.empty()) continue;
    bool twice = false;
    for (const std::string& k : kept) twice = twice || framework::SameTextNoCase(k, folder);
    if (!twice) kept.push_back(folder);
  }
  return kept;
}

// Every list an edit can leave in the settings file, given the list before
// it; the slot count is not in the file while the program runs, so each one
// it could have is tried.
std::vector<SlotList> Outcomes(const SlotList& before, Edit edit, int row) {
  std::vector<SlotList> outcomes;
  const int r = row - 1;
  switch (edit) {
    case Edit::Up:
      if (row > 1 && row <= kSlots) {
        SlotList after = before;
        std::swap(after[r - 1], after[r]);
        outcomes.push_back(after);
      }
      break;
    case Edit::Down:
      if (row >= 1 && row < kSlots) {
        SlotList after = before;
        std::swap(after[r], after[r + 1]);
        outcomes.push_back(after);
      }
      break;
    case Edit::Delete:
      // The rows below move up to the last slot in use, which takes the row
      // after it (empty, or what the table held there).
      for (int last = r; last < kSlots; ++last) {
        SlotList after = before;
        for (int i = r; i < last; ++i) after[i] = before[i + 1];
        for (const std::string& next : {std::string(), last + 1 < kSlots ? before[last + 1] : std::string()}) {
          after[last] = next;
          outcomes.push_back(after);
        }
      }
      break;
    case Edit::DeleteAll:
      outcomes.push_back(SlotList(kSlots));
      break;
    case Edit::Span:
      // A span is stored beside its folder: no folder moves.
      outcomes.push_back(before);
      break;
    case Edit::Optimise:
      // The slots in use compacted; the keys above them keep their values.
      for (int count = 0; count <= kSlots; ++count) {
        SlotList kept = Compacted(before, count);
        SlotList after = before;
        std::copy(kept.begin(), kept.end(), after.begin());
        outcomes.push_back(after);
      }
      break;
    case Edit::OptimiseCompletely:
    case Edit::Register: {
      // Every slot compacted, nothing above (the picture folders hold no
      // folders of their own, so the walk registers none).
      SlotList after = Compacted(before, kSlots);
      after.resize(kSlots);
      outcomes.push_back(after);
      break;
    }
  }
  return outcomes;
}

std::string JoinSlots(const SlotList& slots) {
  std::string line = "state";
  for (const std::string& s : slots) line += "\t" + s;
  return line;
}

// The journal: "state\t<slot 1>\t...\t<slot 200>" lines and "doing\t<edit>\t<row>" lines.
class Journal {
 public:
  explicit Journal(std::string path) : path_(std::move(path)) {}
  void Start(const SlotList& slots) const { Write(JoinSlots(slots), false); }
  void State(const SlotList& slots) const { Write(JoinSlots(slots), true); }
  void Doing(Edit edit, int row) const {
    Write(std::string("doing\t") + kEditNames[static_cast<int>(edit)] + "\t" + std::to_string(row), true);
  }

 private:
  void Write(const std::string& line, bool append) const {
    std::ofstream out(std::filesystem::path(Widen(path_)), append ? std::ios::app : std::ios::trunc);
    out << line << "\n";
  }
  std::string path_;
};

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

// Returns once the program has handled what was posted to it before: a
// message sent from another program is handled only between its others.
void Settle(HWND window) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}

HWND ShownFolderList(DWORD processId) {
  for (HWND list : TopWindows(L"TForm5", L"フォルダリスト", processId))
    if (IsWindowVisible(list)) return list;
  return nullptr;
}

// Waits (a few seconds at most) for the program to store an edit it was
// asked for by posted messages: until the remembered folders differ from
// the list before. An edit that changes nothing, or that the program refuses
// (a disabled menu item), takes the whole wait.
void WaitForEdit(const std::string& path, const std::optional<SlotList>& before) {
  for (int i = 0; i < 150 && StoredSlots(path) == before; ++i) Sleep(20);
}

bool MenuShown(DWORD processId) {
  for (HWND menu : TopWindows(L"#32768", L"", processId))
    if (IsWindowVisible(menu)) return true;
  return false;
}

// Waits for the menu to be chosen from and the choice handled (the menu's own
// loop handles sent messages too, so settling alone does not say it); a menu
// still open then (a disabled item was chosen) is closed.
void SettleMenu(HWND target, DWORD processId) {
  for (int i = 0; i < 60; ++i) {
    Settle(target);
    if (!MenuShown(processId)) break;
    Sleep(50);
  }
  while (MenuShown(processId)) {
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0);
    Settle(target);
    Sleep(50);
  }
  Settle(target);
}

// Chooses the nth item of the grid's menu for a row, as a user does: a click
// on the row, the context menu from the keyboard, the arrow keys and Enter.
void ChooseRowMenuItem(HWND grid, int row, int item) {
  PostMessageW(grid, WM_VSCROLL, SB_TOP, 0);
  const LPARAM at = MAKELPARAM(120, 17 * row + 8);  // rows of 17 pixels below the header
  PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(grid, WM_LBUTTONUP, 0, at);
  PostMessageW(grid, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), MAKELPARAM(0xFFFF, 0xFFFF));
  for (int i = 0; i <= item; ++i) PostMessageW(grid, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(grid, WM_KEYDOWN, VK_RETURN, 0);
}

// One edit of the folder list, journalled: the list before, the edit, the
// list after.
void EditFolders(HWND main, DWORD processId, std::mt19937& random, const Journal& journal,
                 const std::string& settingsPath) {
  const int pick = static_cast<int>(random() % 100);
  const std::optional<SlotList> stored = StoredSlots(settingsPath);
  if (pick < 15) {
    journal.Doing(Edit::Register, 0);
    Click(Child(main, L"Button", L"自動登録(&A)"));
    WaitForEdit(settingsPath, stored);
  } else {
    Click(Child(main, L"Button", L"ﾌｫﾙﾀﾞﾘｽﾄ(&L)"));
    HWND list = nullptr;
    for (int i = 0; i < 40 && !(list = ShownFolderList(processId)); ++i) Sleep(50);
    if (!list) return;
    HWND grid = Child(list, L"TStringGrid", L"");
    const int row = 2 + static_cast<int>(random() % 13);
    if (pick < 35 || pick >= 98) {
      const Edit edit = pick < 25 ? Edit::Optimise : Edit::OptimiseCompletely;
      // The box "完全に最適化" as the optimisation wants it.
      HWND complete = Child(list, L"Button", L"完全に最適化");
      const bool ticked = SendMessageW(complete, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (ticked != (edit == Edit::OptimiseCompletely)) SendMessageW(complete, BM_CLICK, 0, 0);
      journal.Doing(edit, 0);
      Click(Child(list, L"Button", L"最適化(&O)"));
    } else {
      const Edit edit = pick < 50   ? Edit::Up
                        : pick < 65 ? Edit::Down
                        : pick < 75 ? Edit::Span
                        : pick < 97 ? Edit::Delete
                                    : Edit::DeleteAll;
      journal.Doing(edit, row);
      ChooseRowMenuItem(grid, row, edit == Edit::Span ? kSpanItem : static_cast<int>(edit));
      if (edit == Edit::Span) {
        // A row that holds a folder asks for the span: one across midnight,
        // one by day, or none.
        HWND ask = nullptr;
        for (int i = 0; i < 40 && !ask; ++i) {
          for (HWND w : TopWindows(L"TSpanForm", L"時間帯", processId))
            if (IsWindowVisible(w)) ask = w;
          if (!ask) Sleep(50);
        }
        if (ask) {
          static const wchar_t* const kSpans[] = {L"22:00-5:00", L"6:00-18:00", L""};
          SendMessageW(FindWindowExW(ask, nullptr, L"Edit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kSpans[random() % 3]));
          Click(Child(ask, L"Button", L"OK"));
          Settle(list);
        }
      }
    }
    WaitForEdit(settingsPath, stored);
    SettleMenu(grid, processId);
    Click(Child(list, L"Button", L"閉じる(&C)"));
    Settle(main);
  }
  if (std::optional<SlotList> after = StoredSlots(settingsPath)) journal.State(*after);
}

// Changes by the random button and by the timer, the options' OK, edits of
// the folder list and now and then the close, in random order, until the
// deadline or the program's end. The main window is clicked only while no
// dialog is in front of it.
void Drive(DWORD deadline, std::mt19937& random, HANDLE process, DWORD processId, const Journal& journal,
           const std::string& settingsPath) {
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
    } else if (HWND list = ShownFolderList(pid)) {
      Click(Child(list, L"Button", L"閉じる(&C)"));
    } else if (action < 45) {
      Click(Child(main, L"Button", L"ランダム(&R)"));
    } else if (action < 80) {
      EditFolders(main, pid, random, journal, settingsPath);
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

int Launch(DWORD ms, unsigned seed, const Journal& journal, const std::wstring& program, const std::wstring& argument) {
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
  Drive(GetTickCount() + ms, random, pi.hProcess, pi.dwProcessId, journal,
        framework::JoinPath(Narrow(folder), "Kaleidon.ini"));
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

// Text that reads as the program's text files and comes back the same.
bool CleanText(const std::string& bytes) { return framework::EncodeStoredText(framework::DecodeStoredText(bytes)) == bytes; }

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

// The journal's lists, and each edit with the list it started from.
struct Journalled {
  std::vector<SlotList> states;
  std::vector<std::pair<SlotList, std::pair<Edit, int>>> edits;
};

Journalled ReadJournal(const std::string& path) {
  Journalled j;
  std::ifstream in(std::filesystem::path(Widen(path)));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
      size_t tab = line.find('\t', at);
      fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    if (fields[0] == "state" && fields.size() == kSlots + 1) {
      j.states.emplace_back(fields.begin() + 1, fields.end());
    } else if (fields[0] == "doing" && fields.size() == 3 && !j.states.empty()) {
      for (int e = 0; e <= static_cast<int>(Edit::Span); ++e)
        if (fields[1] == kEditNames[e])
          j.edits.push_back({j.states.back(), {static_cast<Edit>(e), std::stoi(fields[2])}});
    }
  }
  return j;
}

// The remembered folders must be a list the journal holds, or what one of
// the edits makes of the list it started from: exactly the list before an
// edit or exactly the list after it. (An edit the program stored only after
// the driver looked is found by the second rule.)
void CheckSlots(const std::string& path, const SlotList& now, const std::string& journalPath) {
  const Journalled j = ReadJournal(journalPath);
  if (j.states.empty()) return Report("slots", path, "no journal");
  for (const SlotList& state : j.states)
    if (now == state) return;
  for (const auto& [before, edit] : j.edits)
    for (const SlotList& outcome : Outcomes(before, edit.first, edit.second))
      if (now == outcome) return;
  // Say how the list differs from the last one known: a folder lost, or one
  // there more often than before.
  const SlotList& last = j.states.back();
  std::string why = j.edits.empty() ? std::string("not the list before")
                                    : std::string("neither a list before nor after the edits (the last: ") +
                                          kEditNames[static_cast<int>(j.edits.back().second.first)] + ")";
  auto times = [](const SlotList& slots, const std::string& folder) {
    return std::count_if(slots.begin(), slots.end(), [&](const std::string& s) { return framework::SameTextNoCase(s, folder); });
  };
  for (const std::string& folder : Compacted(last, kSlots)) {
    if (times(now, folder) == 0) return Report("slots", path, why + ": " + folder + " lost");
    if (times(now, folder) > times(last, folder)) return Report("slots", path, why + ": " + folder + " doubled");
  }
  Report("slots", path, why);
}

void CheckSettings(const std::string& path, const std::string& firstPath, const std::string& journalPath) {
  std::optional<std::string> bytes = framework::ReadWholeFile(path);
  if (!bytes) return Report("lost", path);
  if (bytes->empty()) return Report("torn", path, "empty");
  if (!WholeLines(*bytes) || !CleanText(*bytes)) return Report("torn", path, "a line is cut");
  framework::IniDocument now(framework::DecodeStoredText(*bytes));
  framework::IniDocument first(framework::DecodeStoredText(framework::ReadWholeFile(firstPath).value_or("")));
  // Runs change the general keys' values, never which keys there are.
  for (const std::string& key : first.Keys("SysInfo"))
    if (!now.Value("SysInfo", key)) return Report("torn", path, "SysInfo lacks " + key);
  if (now.Value("SysInfo", "ProgramVersion") != std::optional<std::string>("0.6"))
    return Report("torn", path, "ProgramVersion is not 0.6");
  const int count = framework::ParseIniInteger(now.Value("SysInfo", "MemoryCount").value_or("")).value_or(-1);
  if (count < 0 || count > kSlots) return Report("torn", path, "MemoryCount is no slot count");
  CheckSlots(path, SlotsOf(now), journalPath);
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
  if (!WholeLines(*bytes) || !CleanText(*bytes)) return Report("torn", path, "a line is cut");
  for (const std::string& ansi : kaleidon::ParseHistoryText(*bytes)) {
    std::string name = framework::DecodeStoredText(ansi);
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

void CheckFolder(const std::string& folder, const std::set<std::string>& members,
                 const std::set<std::string>& pictureFiles, Checked& checked) {
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
    } else if (!pictureFiles.count(upper)) {
      // An archive staged for the library beside itself, or any other file
      // the program made: the folder would list it as a picture of its own.
      Report("gained", path);
    }
  }
}

std::set<std::string> UpperList(const std::string& list) {
  std::set<std::string> names;
  for (size_t at = 0; at <= list.size();) {
    size_t bar = list.find('|', at);
    if (bar == std::string::npos) bar = list.size();
    names.insert(framework::AsciiUpper(list.substr(at, bar - at)));
    at = bar + 1;
  }
  return names;
}

int Check(const std::string& program, const std::string& pictures, const std::string& firstSettings,
          const std::string& memberList, const std::string& pictureList, const std::string& journal) {
  const std::set<std::string> members = UpperList(memberList), pictureFiles = UpperList(pictureList);
  CheckSettings(framework::JoinPath(program, "Kaleidon.ini"), firstSettings, journal);
  CheckWallpaper(framework::JoinPath(program, "WPFile.BMP"));
  for (const std::string& name : framework::ListFiles(program))
    if (IsTempName(name)) Report("temp", framework::JoinPath(program, name));
  const std::string temp = framework::JoinPath(program, "Temp");
  for (const std::string& name : framework::ListFiles(temp, "~kaleidon-*"))
    Report("temp", framework::JoinPath(temp, name));
  Checked checked;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(framework::JoinPath(pictures, "*")).c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = Narrow(fd.cFileName);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
        CheckFolder(framework::JoinPath(pictures, name), members, pictureFiles, checked);
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
  if (args.size() >= 5 && args[0] == "launch")
    return Launch(std::stoul(args[1]), std::stoul(args[2]), Journal(args[3]), Widen(args[4]),
                  args.size() > 5 ? Widen(args[5]) : L"");
  if (args.size() == 5 && args[0] == "drive") {
    std::mt19937 random(std::stoul(args[2]));
    Drive(GetTickCount() + std::stoul(args[1]), random, nullptr, 0, Journal(args[3]),
          framework::JoinPath(args[4], "Kaleidon.ini"));
    return 0;
  }
  if (args.size() == 3 && args[0] == "snapshot") {
    std::optional<SlotList> slots = StoredSlots(framework::JoinPath(args[1], "Kaleidon.ini"));
    if (!slots) return 1;
    Journal(args[2]).Start(*slots);
    std::printf("%zu\n", Compacted(*slots, kSlots).size());
    return 0;
  }
  if (args.size() == 7 && args[0] == "check") return Check(args[1], args[2], args[3], args[4], args[5], args[6]);
  std::fprintf(stderr, "usage: torture-driver launch|drive|check ...\n");
  return 2;
}
