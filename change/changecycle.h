#pragma once
// The change cycle: one random wallpaper change, end to end. With folder
// memory in use it first moves to a remembered folder (the rotation), then
// draws a picture of the file list that the folder's history does not hold
// (or a member of an archive in it), makes it the wallpaper and names it on
// the status line. The random button, the tray, the interval timer and the
// command line all start it through the main window; it works only on what
// its starter hands it (ChangeCycleHost) and on the options of the moment.
#include <windows.h>

#include <string>
#include <vector>

#include "core/options.h"
#include "core/wallpaper.h"
#include "framework/base/inifile.h"
#include "framework/base/notices.h"
#include "selection/foldermemory.h"
#include "selection/randomfile.h"

namespace kaleidon {

// The picture the file choice extracted from an archive into Temp, which the
// cycle deletes once the wallpaper is applied.
struct TMeltFile {
  std::string FileName;
  bool Extracted = false;  // FileName is an extracted file still to be deleted
};

// What the cycle needs from whoever starts it: the file list the pictures
// are drawn from, folder memory for the rotation, the busy cursor and the
// status line.
class ChangeCycleHost {
 public:
  // Folder memory over the slot table and the slot controls, with a slot
  // count; whether folder memory is in use (the slot box is enabled).
  virtual FolderMemory Memory(int slotCount) = 0;
  virtual bool SlotsInUse() const = 0;
  virtual int CurrentSlot() const = 0;
  // The file list: its folder, its names in list order and its mask
  // (patterns separated by ';'); moving its selection; reading it again.
  virtual std::string ListedFolder() const = 0;
  virtual std::vector<std::string> ListedNames() const = 0;
  virtual std::string ListedMask() const = 0;
  virtual void SelectListRow(int row) = 0;
  virtual void RereadList() = 0;
  // The hourglass over the random button while a change runs.
  virtual void ShowBusy(bool busy) = 0;
  // The status line after "表示ﾌｧｲﾙ＝": the file shown last.
  virtual void ShowFileName(const std::string& name) = 0;
  // The window that owns the archive library's windows.
  virtual HWND Owner() const = 0;

 protected:
  ~ChangeCycleHost() = default;
};

class ChangeCycle {
 public:
  ChangeCycle(ChangeCycleHost& host, framework::Notices& notices, framework::IniFile settings);

  // One random change with the options of the moment; apply shows the new
  // wallpaper at once (with the sound), else it is only stored. Every
  // failure of the selection or the loading ends the change quietly, but
  // an empty list and a folder that takes no history, which are reported.
  void ChangeWallpaper(const ProgramOptions& options, bool apply);
  // Makes the picture the wallpaper and names it on the status line.
  void ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options);
  // A member the file choice or the archive dialog extracted into Temp: it
  // is deleted after the next change that shows a picture.
  void TakeExtracted(const PickResult& pick);

  bool ChangeBusy = false;  // a change runs
  TMeltFile MeltFile;

 private:
  // What the file list holds now, for a draw.
  FileChoice Choice(const ProgramOptions& options) const;
  void ReportEmptyList();

  ChangeCycleHost& host_;
  framework::Notices& notices_;
  framework::IniFile settings_;
};

}  // namespace kaleidon
