#pragma once
// Screen resolution. Layout tables, form sizes and font heights are written
// in pixels at 96 DPI; a window scales them by its own DPI, which follows the
// monitor it is on. The calls that tell a window's DPI differ between
// Windows versions, so each is looked up when it is first needed and the
// older ones stand in where it is missing.
#include <windows.h>

namespace framework {

constexpr int kDesignDpi = 96;

// A length at 96 DPI, in pixels at dpi.
inline int ScaleToDpi(int value, int dpi) { return MulDiv(value, dpi, kDesignDpi); }

// Tells the system the program lays out its windows for the DPI of each
// monitor (per-monitor v2, else per-monitor, else system DPI). Call before
// the first window is made; a manifest that said so already wins.
void DeclareDpiAwareness();

// The DPI of the system (the primary monitor at log-on).
int SystemDpi();
// The DPI of the monitor the window is on, or the system's where that cannot
// be told.
int WindowDpi(HWND window);
// GetSystemMetrics for a window at dpi.
int SystemMetricForDpi(int index, int dpi);
// The window size for a client rectangle of a window with these styles at dpi.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace framework
