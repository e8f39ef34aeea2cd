#pragma once
// What the start-up asks of the main window, and no more: the windows made
// after it are handed to it, the other windows' events reach it, and the
// changes of the start are asked of it. The main window's controls stay its
// own.
#include <functional>
#include <string>

#include "selection/foldermemory.h"
#include "selection/folderslots.h"
#include "selection/randomfile.h"
#include "core/options.h"

namespace framework {
class Form;
}

namespace kaleidon {

class TForm2;
class TForm4;
class TForm5;

// The windows a start with the main window alone makes when first needed.
enum class LaterWindow { Options, Viewer, FolderList };

class MainWindowLink {
 public:
  virtual ~MainWindowLink() = default;

  // The window itself: the application's main form, shown at start-up.
  virtual framework::Form& Window() = 0;

  // The other windows, handed over as they are made; and the end of the
  // start, with the tray and the hotkeys answering (a run that only makes
  // the command line's change takes no hotkeys).
  virtual void OptionsMade(TForm2& options) = 0;
  virtual void ViewerMade(TForm4& viewer) = 0;
  virtual void FolderListMade(TForm5& folderList) = 0;
  virtual void WindowsMade(bool hotKeys) = 0;
  // How each of the other windows is made once it is needed, and making
  // one now when it is not yet.
  virtual void SetLaterWindows(std::function<void(LaterWindow)> make) = 0;
  virtual void MakeLaterWindow(LaterWindow window) = 0;
  // The options of the moment (the dialog's, or the stored ones before it
  // is made).
  virtual ProgramOptions CurrentOptions() const = 0;

  // The options dialog's events.
  virtual void OptionsSlotCountChanged(int slotCount) = 0;
  virtual void OptionsTimerSwitched(bool on) = 0;
  virtual void OptionsHotKeysChanged(int next, int back) = 0;

  // The folder list: the remembered folders it shows, folder memory over the
  // main window's folder, a folder recalled, its table filled.
  virtual FolderSlots& RememberedFolders() = 0;
  virtual FolderMemory Memory(int slotCount) = 0;
  virtual void OpenFolder(const std::string& folder) = 0;
  virtual void SlotTableFilled(int slotCount) = 0;
  // Folders by the time of day: a first look at the clock once the slots
  // are known.
  virtual void CheckTimeOfDay() = 0;

  // The archive dialog: how an archive chosen by hand opens it, the file
  // type's patterns it lists under, and its member set as the wallpaper.
  virtual void WhenArchiveChosen(std::function<void(const std::string& archive)> open) = 0;
  virtual std::string FileTypeMask() = 0;
  virtual void ShowExtracted(const PickResult& extracted) = 0;

  // The random change (the start-up change).
  virtual void ChangeWallpaper(bool apply, const std::string& onlyMonitor = {}) = 0;
};

}  // namespace kaleidon
