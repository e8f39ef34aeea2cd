#pragma once
// The change cycle: one random wallpaper change, end to end. With folder
// memory in use it first moves to a remembered folder (the rotation), then
// draws a picture of the file list that the folder's history does not hold
// (or a member of an archive in it), makes it the wallpaper and names it on
// the status line; with a picture per monitor it draws one for each monitor
// so. The random button, the tray, the interval timer and the command line
// all start it through the main window; it works only on what its starter
// hands it (ChangeCycleHost) and on the options of the moment. It knows the
// pictures it has shown, so that a new arrangement of the monitors gets them
// again, made for it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "change/backlist.h"
#include "core/monitors.h"
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
  // A monitor whose draw gave no picture keeps the one it shows, or shows
  // another of this change's. With onlyMonitor (a device name) and a
  // picture per monitor, only that monitor gets a new picture.
  void ChangeWallpaper(const ProgramOptions& options, bool apply, const std::string& onlyMonitor = {});
  // Makes the picture the wallpaper and names it on the status line; with a
  // picture per monitor it goes on the primary monitor, and the others keep
  // theirs.
  void ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options);
  // A member the file choice or the archive dialog extracted into Temp: it
  // is deleted after the next change that shows a picture (while a monitor
  // shows it, after the change that replaces it). The cycle also notes
  // where the picture came from, for going back to it.
  void TakeExtracted(const PickResult& pick);
  // Back to the wallpaper shown before the current one of the back list,
  // with no draw (no folder's history changes). A wallpaper whose picture is
  // gone is passed over and named on the status line as not found. False
  // when there is no older one to show.
  bool GoBack(const ProgramOptions& options);
  // Where the pictures the wallpaper shows now came from, per monitor.
  ShownSources ShownNow() const;
  // The monitors, their resolution, DPI or arrangement changed (or, with a
  // caption, a work area): the pictures shown are made again for the
  // desktop as it is now; none is drawn anew.
  // Nothing happens when nothing changed for the wallpaper or the desktop
  // shows another wallpaper meanwhile. True when the wallpaper was made
  // and applied again.
  bool PrepareAgain(const WallpaperOptions& options);
  // The shell started again or the machine woke up: the wallpaper bitmap is
  // shown again, when it is still the desktop's (made by this run or an
  // earlier one).
  void ApplyAgain();

  bool ChangeBusy = false;  // a change runs
  TMeltFile MeltFile;

 private:
  // What the file list holds now, for a draw.
  FileChoice Choice(const ProgramOptions& options) const;
  void ReportEmptyList();
  // One draw of a change: the rotation, the choice, and once more when the
  // file went away or the archive member drawn cannot be used. Nothing when
  // the draw gave no picture; listEmpty tells of an empty list (reported).
  // The picture is drawn to suit demand, as far as the folder allows.
  std::optional<std::string> DrawPicture(const ProgramOptions& options, const PictureDemand& demand, bool& listEmpty);
  // The picture for each monitor of the desktop (one for the primary
  // monitor without a picture per monitor): the one drawn for it, else the
  // one it shows now, else another of those; empty when there is none.
  std::vector<std::string> PicturesFor(const Desktop& desktop, bool perMonitor,
                                       const std::vector<std::optional<std::string>>& drawn) const;
  // Makes and applies the wallpaper of those pictures and notes what it
  // shows; a new wallpaper (remember) goes into the back list. The status
  // line names the pictures, then the note when there is one.
  void Show(const std::vector<std::string>& pictures, const Desktop& desktop, bool apply,
            const WallpaperOptions& options, bool remember, const std::string& note = {});
  // Where a picture of this change, or one shown already, came from.
  PictureSource SourceOf(const std::string& picture) const;
  // The picture a source gives now: the file, or the member extracted
  // again into Temp; nothing when it is gone.
  std::optional<std::string> Recall(const PictureSource& source, const ProgramOptions& options);
  void AddToBackList();
  // At the start of a run: where the pictures the desktop shows came from.
  void RecallShownSources();
  // Deletes the extracted members the wallpaper does not show.
  void DeleteUnshownMembers();

  // What the wallpaper shows: a picture per monitor device (the primary's
  // alone for a single picture), made for that desktop.
  struct ShownPicture {
    std::string monitor;
    std::string picture;
    PictureSource source;
  };
  struct ShownWallpaper {
    Desktop desktop;
    std::vector<ShownPicture> pictures;
    bool perMonitor = false;
  };
  // The picture the monitor shows now, when its file is still there.
  std::optional<std::string> ShownOn(const std::string& monitor) const;

  ChangeCycleHost& host_;
  framework::Notices& notices_;
  framework::IniFile settings_;
  ShownWallpaper shown_;
  // What an earlier run showed on its own (a single picture), as the back
  // list has it, until this run shows a wallpaper.
  ShownSources recalled_;
  // Members extracted for a picture per monitor, deleted once none shows them.
  std::vector<std::string> extracted_;
  // Where the pictures of the change under way came from.
  struct Drawn {
    std::string picture;
    PictureSource source;
  };
  std::vector<Drawn> drawn_;
};

}  // namespace kaleidon
