#pragma once
// Folder memory: up to 200 numbered slots, each holding a folder path (ending
// in '\') or nothing. The slots live in the folder list dialog's grid (column
// 0 the label "Memory[n]", column 1 the path, row n for slot n) and in the
// settings file's section DirectoryBuf (PathMemory<n>). The main window's
// remember and recall buttons and its slot box work through the operations
// here; the windows pass in what they hold through the two small interfaces
// below.
#include <cstdint>
#include <string>

#include "framework/base/inifile.h"
#include "framework/base/notices.h"
#include "selection/timespan.h"

namespace kaleidon {

inline constexpr int kMaxFolderSlots = 200;

// The slot table: a grid of 3 columns and 201 rows (row 0 is the header):
// the label, the folder, the folder's time span as written (empty: any time).
class SlotTable {
 public:
  virtual ~SlotTable() = default;
  virtual std::string Cell(int column, int row) const = 0;
  virtual void SetCell(int column, int row, const std::string& text) = 0;
};

// The main window's controls that folder memory reads and moves.
class FolderMemoryControls {
 public:
  virtual ~FolderMemoryControls() = default;
  // The slot box SpinEdit1: its value (setting a new value runs its change
  // handling) and whether it is enabled (folder memory in use).
  virtual int CurrentSlot() const = 0;
  virtual void SetCurrentSlot(int slot) = 0;
  virtual bool SlotBoxEnabled() const = 0;
  // The folder the main file list shows.
  virtual std::string ListedFolder() const = 0;
  // The folder of the folder tree dlb1 (the file list follows it). Changing it
  // returns false when the folder cannot be entered.
  virtual std::string CurrentFolder() const = 0;
  virtual bool ChangeFolder(const std::string& folder) = 0;
  // Sets the drive box to the folder tree's drive.
  virtual void SyncDriveBox() = 0;
  // Label4: the folder of the current slot.
  virtual void ShowSlotFolder(const std::string& folder) = 0;
  virtual void Repaint() = 0;
};

// What the folder memory operations work on: the slot table, the main
// window's controls, the slot count (the options dialog's live value,
// 0 = folder memory off), the settings file that stores the slots, and where
// the user is told of a problem.
struct FolderMemory {
  SlotTable& table;
  FolderMemoryControls& controls;
  int slotCount;
  framework::IniFile settings;
  framework::Notices& notices;
  // The time of day the rotation goes by (empty: the system's).
  DayClock clock;
};

// Tells the user that a folder used before is gone and that the program
// folder takes its place.
void ReportFolderGone(framework::Notices& notices);

// "Memory[7]" for slot 7.
std::string SlotLabel(int slot);
std::string PathMemoryKey(int slot);  // "PathMemory7"
std::string DirectoryKey(int slot);   // "Directory7"

// PathMemory<slot> = path in DirectoryBuf of the settings being edited.
void WriteFolderSlot(framework::IniEdit& settings, const std::string& path, uint8_t slot);
// Row slot of the table gets the folder (with a trailing '\') and its label;
// the settings being edited get the same path.
void RegisterFolderSlot(SlotTable& table, framework::IniEdit& settings, const std::string& folder, uint8_t slot);
// Directory<slot> = folder in AllFilesSelectedDirectorys of the settings
// file: every listed file of that folder has been shown.
void MarkFolderAllShown(framework::IniFile& settings, const std::string& folder, uint8_t slot);
// The folder has pictures to show again (its exclusions were cleared): the
// rotation no longer passes it over as shown through.
void ForgetFolderAllShown(framework::IniEdit& settings, const std::string& folder);

// The slot box changed: keeps the current slot within 1..slot count and shows
// the slot's folder.
void ChangeFolderSlot(FolderMemory& memory);
// The remember button: the listed folder goes into the current slot unless a
// slot already holds exactly that path; then the current slot moves on.
void RememberFolder(FolderMemory& memory);
// The recall button: the current slot's folder becomes the current folder;
// a folder that is gone is replaced by the program folder, in the slot too.
void RecallFolder(FolderMemory& memory);
// Column 1 of rows 1..slot count from DirectoryBuf, then the slot-change
// handling. Does nothing with a slot count of 0.
void LoadFolderList(FolderMemory& memory);

}  // namespace kaleidon
