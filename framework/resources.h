#pragma once
#include <windows.h>

#include <string>

namespace framework {

// The bytes of an RCDATA resource of the program's own module; raises when
// the resource is missing.
std::string LoadResourceData(const std::string& name);

// The program's icon (the icon resource MAINICON) in the size the system
// asks for: big for the task switcher and the taskbar, small for title bars
// and the notification area. The system picks the icon's own picture of that
// size, so nothing is drawn scaled. Shared with the system: never destroyed.
// Null when the program has no icon.
enum class IconSize { Big, Small };
HICON ProgramIcon(IconSize size);

// The version text of the program's version resource (its ProductVersion,
// such as "0.6.1"); empty when it has none.
std::string ProgramVersion();

}  // namespace framework
