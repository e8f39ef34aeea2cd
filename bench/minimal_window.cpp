// The yardstick of the start-up and idle benchmarks: the least a Win32
// program does to show one window of the main window's size (516 x 376
// client pixels, a fixed dialog frame with a minimise box). "/s" starts it
// with the window hidden, as the program starts in the tray; "/q" makes the
// window hidden and ends at once, as a command-line run that shows nothing.
#include <windows.h>

#include <cwchar>

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
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"KaleidonBenchMinimal";
  RegisterClassExW(&wc);
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT r{0, 0, 516, 376};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Minimal", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, instance, nullptr);
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
