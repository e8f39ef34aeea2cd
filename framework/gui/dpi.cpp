#include "framework/gui/dpi.h"

namespace framework {

namespace {

// A function of a system DLL that older systems may lack; null then.
template <class F>
F SystemFunction(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryW(dll);
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <class F>
F User32(const char* name) {
  return SystemFunction<F>(L"user32.dll", name);
}

// The DPI-awareness contexts of windef.h, which older headers lack.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
constexpr int kProcessPerMonitorDpiAware = 2;  // PROCESS_DPI_AWARENESS of shellscalingapi.h
constexpr int kMonitorEffectiveDpi = 0;        // MONITOR_DPI_TYPE

}  // namespace

void DeclareDpiAwareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  using SetAwareness = HRESULT(WINAPI*)(int);
  using SetAware = BOOL(WINAPI*)();
  // Windows 10 1703 and later. Refused when the manifest has declared it
  // already, as it has wherever the system reads it: then nothing more is
  // asked (and shcore.dll is not loaded for it).
  if (auto set = User32<SetContext>("SetProcessDpiAwarenessContext")) {
    if (set(kPerMonitorAwareV2) || set(kPerMonitorAware) || GetLastError() == ERROR_ACCESS_DENIED) return;
  }
  // Windows 8.1.
  if (auto set = SystemFunction<SetAwareness>(L"shcore.dll", "SetProcessDpiAwareness")) {
    if (SUCCEEDED(set(kProcessPerMonitorDpiAware))) return;
  }
  // Vista and 7: the system DPI for every window.
  if (auto set = User32<SetAware>("SetProcessDPIAware")) set();
}

int SystemDpi() {
  using GetDpiForSystem = UINT(WINAPI*)();
  static const auto get = User32<GetDpiForSystem>("GetDpiForSystem");
  if (get) return static_cast<int>(get());
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND window) {
  using GetDpiForWindow = UINT(WINAPI*)(HWND);
  using GetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto forWindow = User32<GetDpiForWindow>("GetDpiForWindow");
  if (forWindow && window) {
    if (UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  }
  static const auto forMonitor = SystemFunction<GetDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
  if (forMonitor && window) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kMonitorEffectiveDpi, &x, &y)) && y)
      return static_cast<int>(y);
  }
  return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  using GetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
  static const auto get = User32<GetSystemMetricsForDpi>("GetSystemMetricsForDpi");
  if (get) return get(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32<AdjustForDpi>("AdjustWindowRectExForDpi");
  if (adjust && adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

}  // namespace framework
