#include "core/monitors.h"

#include <windows.h>

#include "framework/base/latebound.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

std::optional<Desktop>& DesktopOverride() {
  static std::optional<Desktop> desktop;
  return desktop;
}

// The DPI the system scales the monitor for (Windows 8.1 and later), else
// the system's; the program is aware of each monitor's.
int MonitorDpi(HMONITOR monitor) {
  using GetDpiForMonitor = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);
  static auto* get = framework::LateBound<GetDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (get && SUCCEEDED(get(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && y > 0) return static_cast<int>(y);
  int dpi = 0;
  if (HDC dc = GetDC(nullptr)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
  return dpi > 0 ? dpi : 96;
}

// Called by the system: lets no exception out (the 32-bit build cannot unwind
// through the system's frames); out of memory, the list ends where it is.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM list) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    const RECT& w = info.rcWork;
    try {
      reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
          MonitorArea{framework::Narrow(info.szDevice), static_cast<int>(r.left), static_cast<int>(r.top),
                      static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top),
                      (info.dwFlags & MONITORINFOF_PRIMARY) != 0, static_cast<int>(w.left - r.left),
                      static_cast<int>(w.top - r.top), static_cast<int>(w.right - w.left),
                      static_cast<int>(w.bottom - w.top), MonitorDpi(monitor)});
    } catch (...) {
      return FALSE;
    }
  }
  return TRUE;
}

// The version Windows really has: GetVersionEx answers what the program's
// manifest names at most.
WallpaperSpread SystemSpread() {
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    if (auto get = reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion"))))
      if (get(&version) == 0) return SpreadForWindowsVersion(version.dwMajorVersion, version.dwMinorVersion);
  }
  return WallpaperSpread::Tile;
}

}  // namespace

WallpaperSpread SpreadForWindowsVersion(unsigned major, unsigned minor) {
  return major > 6 || (major == 6 && minor >= 2) ? WallpaperSpread::Span : WallpaperSpread::Tile;
}

Desktop CurrentDesktop() {
  if (DesktopOverride()) return *DesktopOverride();
  Desktop desktop;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&desktop.monitors));
  desktop.spread = SystemSpread();
  if (HDC dc = GetDC(nullptr)) {
    desktop.bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
  }
  return desktop;
}

void OverrideDesktop(std::optional<Desktop> desktop) { DesktopOverride() = std::move(desktop); }

}  // namespace kaleidon
