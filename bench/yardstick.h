#pragma once
// The top-level window of the start-up's yardsticks: the main window's
// frame (a fixed dialog frame with a minimise box) around a client area of
// the given size, on the dialog colour.
#include <windows.h>

inline HWND MakeYardstickWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title, WNDPROC procedure,
                                SIZE client) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT r{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  return CreateWindowExW(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                         nullptr, nullptr, instance, nullptr);
}
