// The folder list dialog used as a person uses it: opened from the main
// window's button, a row moved through the grid's right-button menu, and a
// double click on a row that takes the main window there.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/program.h"

namespace {

constexpr DWORD kTimeout = 30000;

// Moves the mouse to a screen point and presses buttons there; every event
// carries the point, so none lands where the pointer was before.
void SendMouse(POINT screen, std::initializer_list<DWORD> buttons) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  std::vector<INPUT> inputs{input};
  for (DWORD flags : buttons) {
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SendKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    for (DWORD up : {0ul, static_cast<unsigned long>(KEYEVENTF_KEYUP)}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      input.ki.dwFlags = up;
      inputs.push_back(input);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CentreOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A point on row `row` of the folder column: rows are 17 pixels with a
// 1-pixel line, the slot column 71 pixels.
POINT OnGridRow(HWND grid, int row) {
  POINT p{71 + 1 + 40, row * 18 + 8};
  ClientToScreen(grid, &p);
  return p;
}

bool WaitUntil(const std::function<bool()>& done) {
  for (DWORD waited = 0; waited < kTimeout; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return false;
}

std::optional<std::string> Stored(const InstalledProgram& program, const char* section, const char* key) {
  return framework::IniDocument(framework::DecodeStoredText(program.ReadFile("Kaleidon.ini"))).Value(section, key);
}

}  // namespace

TEST(FolderListDialog, RowsAreMovedByTheRightButtonMenuAndADoubleClickOpensOne) {
  InstalledProgram program;
  TempDir pictures;
  const std::vector<std::string> folders = {"春の花\\", "夏の海\\", "秋の山\\"};
  for (const std::string& f : folders) pictures.WriteFile(f + "a.bmp", "x");
  std::string slots = "MemoryCount=3\r\n[DirectoryBuf]\r\n";
  for (size_t i = 0; i < folders.size(); ++i)
    slots += "PathMemory" + std::to_string(i + 1) + "=" + framework::EncodeStoredText(pictures.PathOf(folders[i])) + "\r\n";
  program.WriteSettings(slots);

  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForWindow(L"TMyMainForm", "Kaleidon v0.6.1", p.Id(), kTimeout);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  HWND listButton = FindWindowExW(main, nullptr, L"Button", L"ﾌｫﾙﾀﾞﾘｽﾄ(&L)");
  ASSERT_NE(listButton, nullptr);
  SendMouse(CentreOf(listButton), {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});

  HWND dialog = WaitForWindow(L"TForm5", "フォルダリスト", p.Id(), kTimeout);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  HWND grid = FindWindowExW(dialog, nullptr, L"TStringGrid", nullptr);
  ASSERT_NE(grid, nullptr);

  // Row 2 down one ("1つ下へ移動", the second entry of the menu).
  SendMouse(OnGridRow(grid, 2), {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
  HWND menu = WaitForWindow(L"#32768", "", p.Id(), kTimeout);
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(menu) != FALSE; }));
  SendKeys({VK_DOWN, VK_DOWN, VK_RETURN});
  ASSERT_TRUE(WaitUntil([&] {
    return Stored(program, "DirectoryBuf", "PathMemory3") == pictures.PathOf(folders[1]);
  }));
  EXPECT_EQ(Stored(program, "DirectoryBuf", "PathMemory2"), pictures.PathOf(folders[2]));

  // A double click on row 1: the main window moves there and the dialog closes.
  SendMouse(OnGridRow(grid, 1),
            {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kTimeout), std::optional<DWORD>(0));
  EXPECT_EQ(framework::JoinPath(Stored(program, "SysInfo", "Path").value_or(""), ""), pictures.PathOf(folders[0]));
}
