// The yardstick of the start-up and idle benchmarks: the least a Win32
// program does to show one window about the main window's size (516 x 376
// client pixels, as all earlier figures had it; the main window is now
// 516 x 410), in the main window's frame. "/s" starts it
// with the window hidden, as the program starts in the tray; "/q" makes the
// window hidden and ends at once, as a command-line run that shows nothing.
#include <windows.h>

#include <cwchar>

#include "bench/yardstick.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  HWND hwnd = MakeYardstickWindow(instance, L"KaleidonBenchMinimal", L"Minimal", WindowProc, SIZE{516, 376});
  if (!hwnd) return 1;
  if (std::wcsstr(commandLine, L"/q") || std::wcsstr(commandLine, L"/Q")) {
    DestroyWindow(hwnd);
    return 0;
  }
  const bool hidden = std::wcsstr(commandLine, L"/s") || std::wcsstr(commandLine, L"/S");
  if (!hidden) {
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
