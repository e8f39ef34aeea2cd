#pragma once
// The file controls of a classic file picker: a drive box, a folder list (the
// path from the drive root down, then the subfolders), a file list with a
// mask and an attribute filter, and a file-type box that feeds the file list
// its mask. The folder list drives a linked file list; the file-type box sets
// the mask of a linked file list.
//
// Folder paths given to and returned by these controls have no trailing "\"
// except a drive root ("C:\").
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/folderfiles.h"
#include "framework/gui/listctrls.h"

namespace framework {

// Whether a file name matches a mask of ";"-separated wildcard patterns
// (see FileMask), compared without regard to case as the file system does.
bool MatchesMask(std::string_view mask, std::string_view fileName);

class FileListBox;

// A drop-down list of the drives of the system, each with its icon and,
// for fixed drives, the volume label ("c: [SYSTEM]").
// An icon index not looked up yet.
inline constexpr int kIconNotYet = -2;

class DriveComboBox : public ComboBox {
 public:
  DriveComboBox(Form* owner, std::string name);

  // The chosen drive letter in upper case; '\0' when none.
  char Drive() const { return drive_; }
  // Chooses a drive; fires OnChange when it is another one. Raises when the
  // system has no such drive.
  void SetDrive(char letter);
  // Reads the drives and their labels again, keeping the chosen drive when
  // it is still there.
  void Refresh();

  bool HandleDrawItem(DRAWITEMSTRUCT* item) override;
  bool HandleMeasureItem(MEASUREITEMSTRUCT* item) override;
  // The lines take the height of the new font (a move to another DPI).
  void SetFont(const Font& font) override;
  void HandleCommand(int code) override;

 protected:
  void UserChanged() override;

 private:
  void UpdateItemHeight();
  static constexpr unsigned kTypeNotYet = ~0u;
  struct DriveItem {
    char letter;
    std::string text;
    unsigned type;  // as GetDriveType tells; kTypeNotYet until first needed
    int icon;       // index in the system's small image list; -1 for none, kIconNotYet until drawn
    bool labelRead;
  };
  // The drive's kind, asked of the system when first needed (for its label
  // or its icon).
  unsigned TypeOf(DriveItem& item);
  int FindDrive(char letter) const;
  // The label joins the drive's line when it is first shown: the chosen
  // drive's at once, the others' when the list drops down.
  void ReadLabel(int index);
  void ReadAllLabels();
  std::vector<DriveItem> drives_;
  char drive_ = '\0';
};

// The folder list: one line per level from the drive root down to the
// current folder (open folder icons), then the current folder's subfolders
// (closed folder icons), indented by level. A double click or Enter on a
// line makes that folder current.
class DirectoryListBox : public ListBox {
 public:
  DirectoryListBox(Form* owner, std::string name);

  // The current folder; empty until one is set.
  const std::string& Directory() const { return directory_; }
  // Makes path (absolute, or relative to the current folder) the current
  // folder, moves a linked file list there too and fires OnChange when the
  // folder changed. Raises framework::Exception when the folder cannot be
  // entered (missing, unreadable, a drive that is not ready); then nothing
  // changes, neither here nor in the linked file list.
  void SetDirectory(const std::string& path);
  // The drive letter of the current folder in upper case ('\0' before one is set).
  char Drive() const;
  // Moves to the folder last used on that drive (its root the first time).
  // Raises when the drive is not ready.
  void SetDrive(char letter);
  // Reads the subfolders again. Raises when the folder cannot be read.
  void Update();
  // The full path of line index (ancestors, current folder or subfolder).
  std::string PathOfItem(int index) const;

  FileListBox* FileList() const { return fileList_; }
  // Links a file list; it moves to the current folder at once and follows
  // every change from then on. Null unlinks.
  void SetFileList(FileListBox* list);

  // The current folder changed (by code or by the user); not fired for a
  // selection that only moves the highlight.
  Event OnChange;

 protected:
  void DrawItem(HDC dc, int index, RECT rect, bool selected) override;
  int MeasureItemHeight() override;
  void ItemActivated(int index) override;
  bool ActivatesOnEnter() const override { return true; }

 private:
  struct Line {
    std::string path;  // full path of the folder of this line
    int level;
    bool open;  // the root, an ancestor or the current folder
  };
  void Build(const std::string& directory, std::vector<std::string> subfolders);

  std::string directory_;
  std::vector<Line> lines_;
  FileListBox* fileList_ = nullptr;
  std::map<char, std::string> lastOnDrive_;
  // Icons in the system's small image list, found when first drawn (the
  // list is costly to load, and a window in the tray never draws).
  int openIcon_ = kIconNotYet, closedIcon_ = kIconNotYet, driveIcon_ = kIconNotYet;
  std::string driveRoot_;  // the root whose icon driveIcon_ is
};

// The files of one folder that match a mask, sorted as the system sorts
// names for display, with their icons.
class FileListBox : public ListBox {
 public:
  FileListBox(Form* owner, std::string name);
  ~FileListBox() override;

  // The folder listed; empty until one is set.
  const std::string& Directory() const { return directory_; }
  // Lists path's files. Raises framework::Exception when the folder does
  // not exist or cannot be read; the list then stays as it was. Setting the
  // folder already listed only checks that it is still there.
  void SetDirectory(const std::string& path);

  // Shows names as the files of path under the list's mask and file types,
  // read by the caller (ListFolderFiles), without reading the folder again.
  void ShowFiles(const std::string& path, std::vector<std::string> names);

  // ";"-separated patterns (default "*.*"); see MatchesMask.
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& mask);

  // FileType flags (default kFileNormal).
  unsigned FileTypes() const { return fileTypes_; }
  void SetFileTypes(unsigned types);

  bool ShowIcons() const { return showIcons_; }
  void SetShowIcons(bool on);

  // Reads the folder again (the selection is cleared). Raises when the
  // folder cannot be read.
  void Update();
  // The full path of the selected file; empty when none is selected.
  std::string FileName() const;
  // How often a folder has been read so far: a folder of many thousand
  // files is worth reading once.
  size_t ReadCount() const { return reads_; }

 protected:
  void DrawItem(HDC dc, int index, RECT rect, bool selected) override;
  int MeasureItemHeight() override;

 private:
  std::vector<std::string> Read(const std::string& folder, const std::string& mask, unsigned types);
  int IconOf(const std::string& name);

  size_t reads_ = 0;
  std::string directory_;
  std::string mask_ = "*.*";
  unsigned fileTypes_ = kFileNormal;
  bool showIcons_ = false;
  std::map<std::wstring, int> iconCache_;  // upper-case extension -> system image index
};

// The file-type box: entries "description|mask|description|mask|...",
// showing the descriptions and keeping the masks. Choosing an entry gives
// its mask to a linked file list. Carries a tool tip.
class FilterComboBox : public ComboBox {
 public:
  FilterComboBox(Form* owner, std::string name);

  // The filter text; initially "すべてのﾌｧｲﾙ (*.*)|*.*" with nothing chosen.
  const std::string& Filter() const { return filter_; }
  // Rebuilds the entries when the text differs, chooses the first entry and
  // runs the change (linked file list, OnChange). A trailing description
  // without a mask is dropped.
  void SetFilter(const std::string& filter);
  // The masks of the entries, in order.
  const std::vector<std::string>& Masks() const { return masks_; }
  // The mask of the chosen entry. With nothing chosen the last entry is
  // chosen first (silently); with no entries at all the mask is "*.*".
  std::string Mask();

  FileListBox* FileList() const { return fileList_; }
  void SetFileList(FileListBox* list) { fileList_ = list; }

 protected:
  void UserChanged() override;

 private:
  void Build();
  void Change();
  std::string filter_;
  std::vector<std::string> masks_;
  FileListBox* fileList_ = nullptr;
};

}  // namespace framework
