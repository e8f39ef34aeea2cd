#pragma once
// The change cycle: one random wallpaper change, end to end. With folder
// memory in use it first moves to a remembered folder (the rotation), then
// draws a picture of the file list that the folder's history does not hold
// (or a member of an archive in it), makes it the wallpaper and names it on
// the status line; with a picture per monitor it draws one for each monitor
// so. The random button, the tray, the interval timer and the command line
// all ask for it with a request of the values it works on, and show the
// outcome it returns; it needs no window. It knows the
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
#include "framework/base/folderfiles.h"
#include "selection/foldermemory.h"
#include "selection/folderslots.h"
#include "selection/randomfile.h"
#include "selection/timespan.h"

namespace kaleidon {

// The picture the file choice extracted from an archive into Temp, which the
// cycle deletes once the wallpaper is applied.
struct TMeltFile {
  std::string FileName;
  bool Extracted = false;  // FileName is an extracted file still to be deleted
};

// The kinds of file the picture list takes: every file the mask admits,
// hidden and system ones too.
inline constexpr unsigned kListedFileTypes = framework::kAllFileTypes;

// What a change is asked for, with the values it works on: the options of
// the moment, folder memory (the slots, in use with a slot count of at least
// 1, and the current slot), the current folder and the file type's mask.
// listed: the names of the folder under the mask, where the asker has read
// them already; else the change reads the folder.
struct ChangeRequest {
  ProgramOptions options;
  bool apply = true;  // show it at once (with the sound), else only store it
  // A device name: with a picture per monitor, only that monitor gets a new
  // picture.
  std::string onlyMonitor;
  FolderSlots* slots = nullptr;
  int currentSlot = 1;
  std::string folder;
  std::string mask;
  std::optional<std::vector<std::string>> listed;
  // The time of day the rotation goes by (empty: the system's).
  DayClock clock;
};

// What came of it, for the windows to show.
struct ChangeOutcome {
  // The change ran to its end: a wallpaper was made and applied, or going
  // back found an older one, or the desktop's wallpaper was made again.
  bool done = false;
  std::vector<std::string> shown;      // the pictures the wallpaper shows now, per monitor
  std::optional<std::string> status;   // the status line's new text
  int currentSlot = 0;                 // the slot now current (0: the change asked none)
  std::string folder;                  // the folder now current
  std::vector<std::string> names;      // its pictures under the mask, sorted for display
  bool folderChanged = false;          // the rotation moved to another folder
  bool listRead = false;               // the names were read anew
  std::optional<int> listRow;          // the row of the picture drawn (-1: none)
  bool slotsChanged = false;           // a slot's folder was gone and replaced
};

// What a change needs of a window, when there is one: the hourglass over
// the random button while it runs, and the window that owns the archive
// library's windows.
class ChangeCycleHost {
 public:
  virtual void ShowBusy(bool busy) = 0;
  virtual HWND Owner() const = 0;

 protected:
  ~ChangeCycleHost() = default;
};

class ChangeCycle {
 public:
  ChangeCycle(ChangeCycleHost& host, framework::Notices& notices, framework::IniFile settings);

  // One random change. Every failure of the selection or the loading ends
  // the change quietly, but an empty list and a folder that takes no
  // history, which are reported. A monitor whose draw gave no picture keeps
  // the one it shows, or shows another of this change's.
  ChangeOutcome ChangeWallpaper(const ChangeRequest& request);
  // Makes the picture the wallpaper and names it on the status line; with a
  // picture per monitor it goes on the primary monitor, and the others keep
  // theirs.
  ChangeOutcome ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options);
  // A member the file choice or the archive dialog extracted into Temp: it
  // is deleted after the next change that shows a picture (while a monitor
  // shows it, after the change that replaces it). The cycle also notes
  // where the picture came from, for going back to it.
  void TakeExtracted(const PickResult& pick);
  // Back to the wallpaper shown before the current one of the back list,
  // with no draw (no folder's history changes). A wallpaper whose picture is
  // gone is passed over and named on the status line as not found. Not
  // done when there is no older one to show.
  ChangeOutcome GoBack(const ChangeRequest& request);
  // "この壁紙を今後使わない" for the picture a screen shows: it goes into its
  // folder's exclusion list (raises framework::Exception when that list
  // cannot be read or written, and nothing changes), then a change, of that
  // monitor alone when each monitor shows its own picture.
  ChangeOutcome NeverAgain(const ScreenSource& screen, ChangeRequest request);
  // Where the pictures the wallpaper shows now came from, per monitor.
  ShownSources ShownNow() const;
  // The monitors, their resolution, DPI or arrangement changed (or, with a
  // caption, a work area): the pictures shown are made again for the
  // desktop as it is now; none is drawn anew.
  // Nothing happens when nothing changed for the wallpaper or the desktop
  // shows another wallpaper meanwhile. Done when the wallpaper was made
  // and applied again.
  ChangeOutcome PrepareAgain(const WallpaperOptions& options);
  // The shell started again or the machine woke up: the wallpaper bitmap is
  // shown again, when it is still the desktop's (made by this run or an
  // earlier one).
  void ApplyAgain();

  bool ChangeBusy = false;  // a change runs
  TMeltFile MeltFile;

 private:
  // What the change under way works on: its request and what it came to.
  class Place;
  struct Under {
    const ChangeRequest* request = nullptr;
    ChangeOutcome* outcome = nullptr;
  };
  Under now_;
  // Starts an outcome from the request: the folder, its names, the slot.
  void Begin(const ChangeRequest& request, ChangeOutcome& outcome);
  // The current folder's pictures read again (none when it cannot be read).
  void Reread();
  // What the current folder holds now, for a draw.
  FileChoice Choice(const ProgramOptions& options) const;
  void ShowStatus(const std::string& text);
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
