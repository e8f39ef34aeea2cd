#pragma once
// The shell's small icons that the file controls draw (drives, folders,
// kinds of file), as places in the system's image list. The shell's first
// look-up loads its library and builds that list, which takes longer than
// making a whole window; a program can have the icons it is about to draw
// looked up on a thread of their own while it makes its windows
// (LookUpAhead), as Explorer does. Until those look-ups are done a control
// asking for an icon hears kIconPending, draws its line without the icon,
// and is painted again once the icons are there. Afterwards a look-up is
// made on the window's thread when asked.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace framework::shellicons {

// An icon still being looked up on the other thread.
inline constexpr int kIconPending = -3;

// What the shell is asked: a path with its attributes and flags, or one of
// its stock icons.
struct IconKey {
  std::wstring path;
  DWORD attributes = 0;
  UINT flags = 0;
  int stock = -1;  // a SHSTOCKICONID, or -1
  auto operator<=>(const IconKey&) const = default;
};

// A folder's icon, open or closed.
IconKey FolderIcon(bool open);
// The icon of a drive's root folder ("C:\") as the drive itself shows it.
IconKey DriveRootIcon(const std::wstring& root);
// A drive's icon by its kind (as GetDriveType tells): its own for a drive
// that is always there, the shell's stock one for the others, which are
// not touched.
IconKey DriveIcon(const std::wstring& root, UINT type);
// The icon of a file with this extension (".JPG"), the file not touched.
IconKey FileTypeIcon(const std::wstring& extension);

// Starts looking up, on a thread of its own, the folder icons and the icons
// of the drives there are; the kinds of file asked for meanwhile join them.
// Once a run: later calls do nothing.
void LookUpAhead();
// Whether the look-ups LookUpAhead started are still running.
bool LookingUp();
// Says that LookUpAhead comes soon (once the window has painted, so that
// the look-ups do not slow its painting): until then an icon asked for is
// pending as well, its window painted again when the look-ups are done.
void ExpectLookUpAhead();

// On the windows' thread: the icon's place in the system's image list, -1
// when the shell has none; kIconPending while the look-ups run, and then
// window is painted again when they are done.
int IconIndex(const IconKey& key, HWND window);
// The system's small image list; null until an icon was looked up, and
// while the look-ups run.
HIMAGELIST Images();

}  // namespace framework::shellicons
