#pragma once
// The folder list dialog. Its grid shows the program's folder slots: row n
// holds slot n ("Memory[n]" and the folder). The dialog moves,
// deletes and compacts the entries, in the grid and in the settings file,
// and shows how many pictures of the selected row's folder the user has
// excluded, with a button that lets them be drawn again.
#include <functional>
#include <optional>
#include <memory>
#include <string>

#include "framework/gui/forms.h"
#include "framework/gui/grids.h"
#include "framework/gui/menus.h"
#include "framework/gui/stdctrls.h"
#include "selection/foldermemory.h"
#include "selection/folderslots.h"

namespace kaleidon {

// What the folder list asks of the other windows.
struct FolderListEvents {
  // Folder memory over this table and the main window's slot box, with the
  // options' slot count of the moment.
  std::function<FolderMemory()> memory;
  // Asks the options to take a new slot count; their own change handling
  // brings the main window's slot box in line.
  std::function<void(int slotCount)> setSlotCount;
  // Makes a folder the main window's current folder; raises when the folder
  // cannot be entered.
  std::function<void(const std::string& folder)> openFolder;
  // A row's time span was set or cleared.
  std::function<void()> spansChanged;
};

// The slot table it edits is the program's folder slots value; its grid
// shows them.
class TForm5 : public framework::Form, public SlotTable {
 public:
  explicit TForm5(FolderSlots& slots);
  ~TForm5() override;

  // Set by whoever makes the windows, before the table is filled.
  FolderListEvents Events;

  framework::StringGrid* StringGrid1;  // the slot table
  framework::Button* Button1;          // "閉じる": closes the dialog
  framework::Button* Button2;          // "最適化": compacts the list
  framework::CheckBox* CheckBox1;      // "重複フォルダも削除": always ticked, duplicates go
  framework::CheckBox* CheckBox2;      // "完全に最適化": read every slot back from the file first
  framework::Label* Label1;            // "除外：N 枚": the excluded pictures of the row's folder
  framework::Button* Button3;          // "除外を解除(&U)": clears that folder's exclusions
  std::unique_ptr<framework::PopupMenu> PopupMenu1;  // the grid's menu
  framework::MenuItem* Up1;            // "１つ上へ移動"
  framework::MenuItem* Down1;          // "1つ下へ移動"
  framework::MenuItem* Delete1;        // "選択リスト削除"
  framework::MenuItem* AllDelete1;     // "全リストを削除"
  framework::MenuItem* Span1;          // "時間帯を設定...": the row's time span
  framework::MenuItem* SpanClear1;     // "時間帯を解除"
  // How the span is asked for (tests answer instead): the text typed, or
  // nothing when the user cancels.
  std::function<std::optional<std::string>(const std::string& current)> AskSpan;

  // The table as the dialog's creation fills it: the header, then the slot
  // labels and folders of slots 1..slotCount.
  void FillTable(int slotCount);
  // The table of a dialog made after the slots were read: the header and
  // the slots as they are.
  void ShowTable();
  // Column 1 of rows 1..slotCount from the settings file, with their labels.
  void ReloadSlots(int slotCount);
  // Column 1 of rows 1..slot count from the settings file, then the main
  // window's slot display.
  void LoadFolderList();
  // PathMemory keys of DirectoryBuf in the settings being edited, the first
  // pair first; the slots' spans (PathSpan) go with their folders.
  void WriteTwoSlots(framework::IniEdit& settings, const std::string& key1, const std::string& value1,
                     const std::string& key2, const std::string& value2);
  // The last step of the start-up: the list of a settings file written by
  // another version is compacted completely; folder memory that was off
  // stays off.
  void UpgradeFolderList();
  // Automatic registration's end: registerFolders puts folders into the
  // table and the settings, then the complete optimisation ("完全に最適化"
  // left ticked) compacts them; all of it stored in one replacement of the
  // settings file.
  void RegisterAndOptimize(const std::function<void(SlotTable& table, framework::IniEdit& settings)>& registerFolders);

  void Button1Click();
  void Button2Click();
  void Button3Click();
  void FormShow();
  // Label1 and Button3 for the folder of the selected row.
  void ShowExclusions();
  // The folder whose exclusions the dialog shows: the selected row's, or
  // with folder memory off the main window's listed folder; empty when the
  // row holds none.
  std::string ExclusionsFolder() const;
  void StringGrid1DblClick();
  void PopupMenu1Popup();
  void Up1Click();
  void Down1Click();
  void Delete1Click();
  void AllDelete1Click();
  void Span1Click();
  void SpanClear1Click();
  // The row's folder gets the span written in text (empty: none), stored at
  // once; text that is no span is refused with a message, and false.
  bool SetSlotSpan(int row, const std::string& text);

  // The slot table.
  std::string Cell(int column, int row) const override;
  void SetCell(int column, int row, const std::string& text) override;
  // The grid shows the slots again after they changed elsewhere (a change
  // that found a slot's folder gone).
  void ShowSlots();

 private:
  FolderSlots& slots_;
  int SlotCount() const;
  // The span of the slot a PathMemory key names, stored beside it.
  void WriteSpanOf(framework::IniEdit& settings, const std::string& pathMemoryKey);
  // The main window's display of the current slot follows an edit.
  void ShowCurrentSlot();
  // One user action on the slots: change edits the table and the settings
  // together, and they are stored in one replacement of the file. When the
  // write is refused the file is as it was and the table shows it again:
  // the rows in use read back from the file, the others as they were.
  void EditSlots(const std::function<void(framework::IniEdit& settings)>& change);
  // The optimisation of the slots in settings (which may hold slots not
  // stored yet), stored with them; then the table shows the stored slots.
  void Optimize(framework::IniEdit& settings);
  // Its work on the list: the folders kept, stored, and the slot count.
  void CompactSlots(framework::IniEdit& settings);
};

}  // namespace kaleidon
