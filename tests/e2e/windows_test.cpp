// The viewer and the archive dialog of the running program, driven with the
// mouse as a user drives them.
#include <gtest/gtest.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/jpeg.h"
#include "support/filedialogs.h"
#include "support/program.h"

namespace {

constexpr DWORD kTimeout = 30000;

HWND WaitForShownWindow(const wchar_t* className, const std::string& caption, const ProgramProcess& p) {
  HWND window = WaitForWindow(className, caption, p.Id(), kTimeout);
  for (DWORD waited = 0; window && !IsWindowVisible(window) && waited < kTimeout; waited += 50) Sleep(50);
  return window && IsWindowVisible(window) ? window : nullptr;
}

// Presses the left button at a point of a window's client area, once or
// twice in quick succession, with the window's top-level window in front
// (as it is under a user's hand) and the point carried by every event.
void ClickAt(HWND window, POINT client, int clicks = 1) {
  HWND top = GetAncestor(window, GA_ROOT);
  SetForegroundWindow(top);
  for (int waited = 0; GetForegroundWindow() != top && waited < 2000; waited += 50) Sleep(50);
  ClientToScreen(window, &client);
  SetCursorPos(client.x, client.y);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[4]{};
  for (int i = 0; i < 2 * clicks; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = (client.x * 65535 + width / 2) / (width - 1);
    inputs[i].mi.dy = (client.y * 65535 + height / 2) / (height - 1);
    inputs[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | (i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
  }
  SendInput(static_cast<UINT>(2 * clicks), inputs, sizeof(INPUT));
}

void ClickButton(HWND window, const std::string& caption) {
  HWND button = FindWindowExW(window, nullptr, L"Button", framework::Widen(caption).c_str());
  ASSERT_NE(button, nullptr) << caption;
  RECT r;
  GetClientRect(button, &r);
  ClickAt(button, POINT{r.right / 2, r.bottom / 2});
}

// The first row of the main window's file list.
constexpr POINT kFirstFile{300, 42};

bool WaitUntil(const std::function<bool()>& done) {
  for (DWORD waited = 0; waited < kTimeout; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

}  // namespace

TEST(ViewerWindow, ShownFromTheImageViewButtonAndClosedByADoubleClickOnThePicture) {
  InstalledProgram program;
  TempDir pictures;
  framework::Bitmap picture(400, 300, 24);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) picture.SetPixelColor(x, y, framework::Rgb{uint8_t(x / 2), uint8_t(y), 160});
  pictures.WriteFile("photo.jpg", framework::EncodeJpeg(picture, 90));
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownWindow(L"TMyMainForm", "Kaleidon v0.6.1", p);
  ASSERT_NE(main, nullptr);

  ClickAt(main, kFirstFile);
  ClickButton(main, "ｲﾒｰｼﾞﾋﾞｭｰ(&I)");
  HWND viewer = WaitForShownWindow(L"TForm4", "Kaleidon Viewer", p);
  ASSERT_NE(viewer, nullptr);
  RECT client, frame;
  GetClientRect(viewer, &client);
  GetWindowRect(viewer, &frame);
  EXPECT_EQ(client.right, 404);
  EXPECT_EQ(client.bottom, 304);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
  EXPECT_FALSE(IsWindowEnabled(main));  // shown modally

  ClickAt(viewer, POINT{200, 150}, 2);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(viewer); }));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kTimeout), std::optional<DWORD>(0));
}

TEST(ArchiveWindow, OpenedByADoubleClickOnTheArchiveExtractsEverythingWhereTheUserChose) {
  InstalledProgram program;
  TempDir pictures, target;
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"fixtures/unlha32/UNLHA32.DLL", program.PathOf("UNLHA32.DLL")},
                                 {"fixtures/archives/level1.lzh", pictures.PathOf("set.lzh")}})
    ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath(from)).c_str(), framework::Widen(to).c_str(), FALSE)) << from;
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCustomMask=*.lzh;*.bmp\r\nFilter=99\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForShownWindow(L"TMyMainForm", "Kaleidon v0.6.1", p);
  ASSERT_NE(main, nullptr);

  // A double click that the system took for two single ones (a busy
  // machine) is made again, as a user would.
  HWND dialog = nullptr;
  for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {
    ClickAt(main, kFirstFile, 2);
    dialog = WaitForWindow(L"TForm6", "ｱｰｶｲﾌﾞﾌｧｲﾙ", p.Id(), 5000);
  }
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);

  ClickButton(dialog, "全て解凍");
  HWND save = WaitForShownWindow(L"#32770", "解凍", p);
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return FileDialogName(save) == "全てのﾌｧｲﾙ"; }));
  AnswerFileDialog(save, target.PathOf("全てのﾌｧｲﾙ"));
  // The library writes each member under a temporary name first.
  const std::vector<std::string> members{"a.bmp", "b.JPG", "c.txt", "壁紙.bmp"};
  WaitUntil([&] { return target.FileNames() == members; });
  EXPECT_EQ(target.FileNames(), members);

  ClickButton(dialog, "閉じる");
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));  // released
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(kTimeout), std::optional<DWORD>(0));
}
