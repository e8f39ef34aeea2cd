#pragma once
// The pictures the wallpaper shows, from the tray menu: which one the user
// means when each monitor shows its own, and where one lies, opened in
// Explorer.
#include <functional>
#include <string>

#include "change/backlist.h"
#include "framework/gui/menus.h"

namespace kaleidon {

// The file Explorer selects for a picture shown: the picture file, or the
// archive that holds the member.
std::string PlaceOf(const PictureSource& source);

// How a file is shown in Explorer: the system's opens a window of its
// folder with it selected (explorer.exe /select,"path").
using ExplorerOpener = std::function<void(const std::string& path)>;
ExplorerOpener SystemExplorer();

// What a tray item does with a picture shown: with one, act on it; with a
// picture on each monitor, the user picks one in menu (an item
// "モニター<n>：<name>" for each), at the cursor. False when nothing is shown.
bool ChooseShownPicture(const ShownSources& shown, framework::PopupMenu& menu,
                        const std::function<void(const ScreenSource& screen, bool ofSeveral)>& act);

}  // namespace kaleidon
