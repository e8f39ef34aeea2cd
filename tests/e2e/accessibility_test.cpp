// The running program as a screen reader reads it: from this process,
// through the system's accessibility interface, the names of the file
// list's rows, the status texts, the archive list's entries and the folder
// list's cells; the windows themselves opened with the keyboard alone.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/accessible.h"
#include "support/program.h"
#include "support/userinput.h"

namespace {

constexpr DWORD kTimeout = 30000;

bool WaitUntil(const std::function<bool()>& done) {
  for (DWORD waited = 0; waited < kTimeout; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

HWND WaitForShownWindow(const wchar_t* className, const std::string& caption, const ProgramProcess& p) {
  HWND window = WaitForWindow(className, caption, p.Id(), kTimeout);
  return window && WaitUntil([&] { return IsWindowVisible(window) != FALSE; }) ? window : nullptr;
}

void BringToFront(HWND window) {
  SetForegroundWindow(window);
  WaitUntil([&] { return GetForegroundWindow() == window; });
}

// The static texts of a form's object, in the order a reader goes through them.
std::vector<std::string> StaticTexts(const AccessibleNode& form) {
  std::vector<std::string> texts;
  for (const AccessibleNode& e : form.children)
    if (e.role == ROLE_SYSTEM_STATICTEXT) texts.push_back(e.name);
  return texts;
}

std::string After(const std::vector<std::string>& texts, const std::string& label) {
  auto it = std::find(texts.begin(), texts.end(), label);
  return it != texts.end() && it + 1 != texts.end() ? *(it + 1) : "(none after " + label + ")";
}


// The selections the program announced (EVENT_OBJECT_SELECTION): window and
// child id of each, while the hook lives. Out-of-context hooks come as
// messages to this thread, so waiting pumps them.
class SelectionEvents {
 public:
  explicit SelectionEvents(DWORD process) {
    hook_ = SetWinEventHook(EVENT_OBJECT_SELECTION, EVENT_OBJECT_SELECTION, nullptr, &Record, process, 0,
                            WINEVENT_OUTOFCONTEXT);
  }
  ~SelectionEvents() {
    if (hook_) UnhookWinEvent(hook_);
    seen().clear();
  }
  SelectionEvents(const SelectionEvents&) = delete;
  SelectionEvents& operator=(const SelectionEvents&) = delete;

  bool WaitFor(HWND window, LONG child) {
    for (DWORD waited = 0; waited < kTimeout; waited += 20) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      for (const auto& [w, c] : seen())
        if (w == window && c == child) return true;
      Sleep(20);
    }
    return false;
  }

 private:
  static std::vector<std::pair<HWND, LONG>>& seen() {
    static std::vector<std::pair<HWND, LONG>> events;
    return events;
  }
  static void CALLBACK Record(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) seen().emplace_back(window, child);
  }
  HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace

TEST(ScreenReader, ReadsTheFileListTheStatusTextsAndTheArchiveEntries) {
  InstalledProgram program;
  TempDir pictures;
  ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath("fixtures/unlha32/UNLHA32.DLL")).c_str(),
                        framework::Widen(program.PathOf("UNLHA32.DLL")).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath("fixtures/archives/level1.lzh")).c_str(),
                        framework::Widen(pictures.PathOf("夏の海.lzh")).c_str(), FALSE));
  pictures.WriteFile("春の花.bmp", "x");
  pictures.WriteFile("秋の山.bmp", "x");
  pictures.WriteFile("メモ.txt", "x");
  program.WriteSettings("Path=" + framework::ToAnsi(pictures.path()) + "\r\nCustomMask=*.lzh;*.bmp\r\nFilter=99\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownWindow(L"TMyMainForm", "Kaleidon v0.6.1", p);
  ASSERT_NE(main, nullptr);

  // The file list: a list named for what it holds, one item a file.
  HWND files = nullptr;
  for (HWND h = FindWindowExW(main, nullptr, L"ListBox", nullptr); h; h = FindWindowExW(main, h, L"ListBox", nullptr))
    if (IsWindowVisible(h) && SendMessageW(h, LB_GETCOUNT, 0, 0) == 3) files = h;
  ASSERT_NE(files, nullptr);
  bool ok = false;
  AccessibleNode list = ReadAccessible(files, 1, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(list.name, "ファイル");
  EXPECT_EQ(list.role, ROLE_SYSTEM_LIST);
  std::vector<std::string> names = ChildNames(list);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"夏の海.lzh", "春の花.bmp", "秋の山.bmp"}));
  for (const AccessibleNode& row : list.children) EXPECT_EQ(row.role, ROLE_SYSTEM_LISTITEM) << row.name;

  // The status lines, each text after its label.
  AccessibleNode form = ReadAccessible(main, 1);
  EXPECT_EQ(form.name, "Kaleidon v0.6.1");
  const std::vector<std::string> texts = StaticTexts(form);
  EXPECT_EQ(After(texts, "現在パス＝"), framework::JoinPath(pictures.path(), ""));
  for (const char* label : {"記憶パス＝", "表示ﾌｧｲﾙ＝"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
  // The controls are named by what they are, buttons without their mnemonic marks.
  std::vector<std::string> controls = ChildNames(form);
  for (const char* name : {"ドライブ", "フォルダ", "ファイルの種類", "ファイル", "記憶番号", "ﾌｫﾙﾀﾞﾘｽﾄ", "終了"})
    EXPECT_NE(std::find(controls.begin(), controls.end(), name), controls.end()) << name;

  // The archive: chosen through the interface, as a reader's user chooses
  // it, and opened with the change button's mnemonic.
  const auto archive = std::find_if(list.children.begin(), list.children.end(),
                                    [](const AccessibleNode& n) { return n.name == "夏の海.lzh"; });
  ASSERT_NE(archive, list.children.end());
  BringToFront(main);
  IAccessible* object = nullptr;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(files, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                   reinterpret_cast<void**>(&object))));
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = static_cast<LONG>(archive - list.children.begin()) + 1;
  // Another row than the first (selected from the start), then the
  // archive; each choice is announced.
  SelectionEvents events(p.Id());
  for (LONG id : {child.lVal == 2 ? 3L : 2L, child.lVal}) {
    VARIANT row = child;
    row.lVal = id;
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, row), S_OK);
    EXPECT_TRUE(events.WaitFor(files, id)) << id;
  }
  VARIANT selected;
  VariantInit(&selected);
  EXPECT_EQ(object->get_accSelection(&selected), S_OK);
  EXPECT_EQ(selected.vt, VT_I4);
  EXPECT_EQ(selected.lVal, child.lVal);
  object->Release();
  CoUninitialize();
  PressKeys({VK_MENU, 'C'});  // 壁紙変更(&C)
  HWND dialog = WaitForShownWindow(L"TForm6", "ｱｰｶｲﾌﾞﾌｧｲﾙ", p);
  ASSERT_NE(dialog, nullptr);
  HWND entries = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
  ASSERT_NE(entries, nullptr);
  AccessibleNode entryList = ReadAccessible(entries, 1);
  EXPECT_EQ(entryList.name, "ｱｰｶｲﾌﾞﾌｧｲﾙ");
  std::vector<std::string> entryNames = ChildNames(entryList);
  std::sort(entryNames.begin(), entryNames.end());
  EXPECT_EQ(entryNames, (std::vector<std::string>{"a.bmp", "c.txt", "sub\\b.JPG", "壁紙.bmp"}));
  for (const AccessibleNode& entry : entryList.children) EXPECT_EQ(entry.role, ROLE_SYSTEM_LISTITEM) << entry.name;

  // Esc closes the dialog; the main window ends as a user ends it.
  BringToFront(dialog);
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog) || !IsWindow(dialog); }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kTimeout), std::optional<DWORD>(0));
}

TEST(ScreenReader, ReadsTheFolderListsCellsWithTheirColumnHeaders) {
  InstalledProgram program;
  TempDir pictures;
  const std::vector<std::string> folders = {"春の花\\", "夏の海\\"};
  for (const std::string& f : folders) pictures.WriteFile(f + "a.bmp", "x");
  std::string slots = "MemoryCount=2\r\n[DirectoryBuf]\r\n";
  for (size_t i = 0; i < folders.size(); ++i)
    slots += "PathMemory" + std::to_string(i + 1) + "=" + framework::ToAnsi(pictures.PathOf(folders[i])) + "\r\n";
  program.WriteSettings(slots);
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownWindow(L"TMyMainForm", "Kaleidon v0.6.1", p);
  ASSERT_NE(main, nullptr);

  BringToFront(main);
  PressKeys({VK_MENU, 'L'});  // ﾌｫﾙﾀﾞﾘｽﾄ(&L)
  HWND dialog = WaitForShownWindow(L"TForm5", "フォルダリスト", p);
  ASSERT_NE(dialog, nullptr);
  HWND grid = FindWindowExW(dialog, nullptr, L"TStringGrid", nullptr);
  ASSERT_NE(grid, nullptr);

  AccessibleNode table = ReadAccessible(grid, 2);
  EXPECT_EQ(table.name, "フォルダリスト");
  EXPECT_EQ(table.role, ROLE_SYSTEM_TABLE);
  ASSERT_GE(table.children.size(), 3u);
  const AccessibleNode& header = table.children[0];
  EXPECT_EQ(header.role, ROLE_SYSTEM_ROW);
  ASSERT_EQ(header.children.size(), 3u);
  EXPECT_EQ(header.children[1].name, "フォルダのフルパス");
  EXPECT_EQ(header.children[1].role, ROLE_SYSTEM_COLUMNHEADER);
  EXPECT_EQ(header.children[2].name, "時間帯");
  for (size_t i = 0; i < folders.size(); ++i) {
    const AccessibleNode& row = table.children[i + 1];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.role, ROLE_SYSTEM_ROW);
    EXPECT_EQ(row.name, "Memory[" + std::to_string(i + 1) + "]");
    EXPECT_EQ(row.description, "フォルダのフルパス: " + pictures.PathOf(folders[i]) + ", 時間帯: ");
    ASSERT_EQ(row.children.size(), 3u);
    EXPECT_EQ(row.children[0].role, ROLE_SYSTEM_ROWHEADER);
    EXPECT_EQ(row.children[1].role, ROLE_SYSTEM_CELL);
    EXPECT_EQ(row.children[1].name, pictures.PathOf(folders[i]));
    EXPECT_EQ(row.children[1].description, "フォルダのフルパス");
  }
  EXPECT_TRUE(table.children[1].state & STATE_SYSTEM_SELECTED);

  // The arrow moves the selection, the move is announced, and a reader
  // sees the selection where it went.
  BringToFront(dialog);
  SelectionEvents events(p.Id());
  PressKeys({VK_DOWN});
  EXPECT_TRUE(events.WaitFor(grid, 3));  // the second slot's row, the third of the table
  EXPECT_TRUE(WaitUntil([&] { return (ReadAccessible(grid, 1).children.at(2).state & STATE_SYSTEM_SELECTED) != 0; }));

  // The menu key and Shift+F10 open the row's menu; Esc closes it, then the dialog.
  for (auto keys : {std::vector<WORD>{VK_APPS}, std::vector<WORD>{VK_SHIFT, VK_F10}}) {
    if (keys.size() == 1) PressKeys({keys[0]});
    else PressKeys({keys[0], keys[1]});
    HWND menu = WaitForShownWindow(L"#32768", "", p);
    EXPECT_NE(menu, nullptr) << keys.back();
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(WaitUntil([&] { return !menu || !IsWindowVisible(menu); }));
  }
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kTimeout), std::optional<DWORD>(0));
}
