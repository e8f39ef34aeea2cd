#pragma once
#include <windows.h>

#include <string>

namespace framework {

// The bytes of an RCDATA resource of the program's own module; raises when
// the resource is missing.
std::string LoadResourceData(const std::string& name);

// The program's icon (the icon resource MAINICON) in the size the system
// asks for: big for the task switcher and the taskbar, small for title bars
// and the notification area, at the system's DPI or at a window's. The icon's
// own picture of that size is taken, so nothing is drawn scaled. Kept for
// the program's life: never destroyed. Null when the program has no icon.
enum class IconSize { Big, Small };
HICON ProgramIcon(IconSize size);
HICON ProgramIcon(IconSize size, int dpi);

// The version text of the program's version resource (its ProductVersion,
// such as "0.6.1"); empty when it has none.
std::string ProgramVersion();

}  // namespace framework
