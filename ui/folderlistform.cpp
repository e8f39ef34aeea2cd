#include "ui/folderlistform.h"

#include <algorithm>
#include <vector>

#include "core/settings.h"
#include "framework/gui/layout.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {
framework::FormStyle FolderListStyle() { return framework::FormStyle::FixedDialog("TForm5", "フォルダリスト", 483, 337); }
}  // namespace

TForm5::TForm5() : Form(FolderListStyle()) {
  framework::CreateControls(*this, {
      {&StringGrid1, 0, 0, 483, 306},
      {&CheckBox2, 5, 315, 100, 17, "完全に最適化"},
      {&CheckBox1, 110, 315, 150, 17, "重複フォルダも削除", framework::kDisabled},
      {&Button2, 310, 310, 81, 26, "最適化(&O)"},
      {&Button1, 400, 310, 81, 26, "閉じる(&C)"},
  });
  StringGrid1->SetColCount(2);
  StringGrid1->SetRowCount(kMaxFolderSlots + 1);
  StringGrid1->SetFixedCols(1);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetColWidth(0, 71);
  StringGrid1->SetColWidth(1, 390);
  StringGrid1->SetDefaultRowHeight(17);
  StringGrid1->SetRowSelect(true);
  StringGrid1->SetGridLines(true);
  StringGrid1->SetThumbTracking(true);
  CheckBox1->SetChecked(true);

  PopupMenu1 = std::make_unique<framework::PopupMenu>(this, "PopupMenu1");
  Up1 = PopupMenu1->Add("Up1", "１つ上へ移動", [this] { Up1Click(); });
  Down1 = PopupMenu1->Add("Down1", "1つ下へ移動", [this] { Down1Click(); });
  Delete1 = PopupMenu1->Add("Delete1", "選択リスト削除", [this] { Delete1Click(); });
  AllDelete1 = PopupMenu1->Add("AllDelete1", "全リストを削除", [this] { AllDelete1Click(); });
  PopupMenu1->OnPopup = [this] { PopupMenu1Popup(); };
  StringGrid1->SetPopupMenu(PopupMenu1.get());

  StringGrid1->OnDblClick = [this] { StringGrid1DblClick(); };
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
}

TForm5::~TForm5() = default;

void TForm5::FillTable(int slotCount) {
  SetCell(1, 0, std::string(35, ' ') + "フォルダのフルパス");
  ReloadSlots(slotCount);
}

void TForm5::ReloadSlots(int slotCount) {
  framework::IniFile ini = OpenSettings();
  for (int n = 1; n <= slotCount && n <= kMaxFolderSlots; ++n) {
    SetCell(1, n, ini.ReadString(kDirectoryBuf, PathMemoryKey(n), ""));
    SetCell(0, n, SlotLabel(n));
  }
}

void TForm5::LoadFolderList() {
  FolderMemory memory = Events.memory();
  kaleidon::LoadFolderList(memory);
}

int TForm5::SlotCount() const { return Events.memory().slotCount; }

void TForm5::ShowCurrentSlot() {
  FolderMemory memory = Events.memory();
  ChangeFolderSlot(memory);
}

void TForm5::WriteTwoSlots(const std::string& key1, const std::string& value1, const std::string& key2,
                           const std::string& value2) {
  framework::IniFile ini = OpenSettings();
  ini.WriteString(kDirectoryBuf, key1, value1);
  ini.WriteString(kDirectoryBuf, key2, value2);
}

void TForm5::Button1Click() { Close(); }

void TForm5::StringGrid1DblClick() {
  const std::string folder = Cell(1, StringGrid1->Row());
  // A folder that cannot be entered raises, and the dialog stays open.
  if (!folder.empty()) Events.openFolder(folder);
  Close();
}

void TForm5::PopupMenu1Popup() {
  const int row = StringGrid1->Row(), count = SlotCount();
  // The last used slot only moves by moving the one above it down.
  Up1->SetEnabled(row != 1 && row < count);
  Down1->SetEnabled(row < count);
  Delete1->SetEnabled(true);
  AllDelete1->SetEnabled(true);
}

void TForm5::Up1Click() {
  const int row = StringGrid1->Row();
  if (row <= 1) return;
  const std::string above = Cell(1, row - 1);
  SetCell(1, row - 1, Cell(1, row));
  SetCell(1, row, above);
  StringGrid1->SetRow(row - 1);
  ShowCurrentSlot();
  WriteTwoSlots(PathMemoryKey(row), Cell(1, row), PathMemoryKey(row - 1), Cell(1, row - 1));
}

void TForm5::Down1Click() {
  const int row = StringGrid1->Row();
  if (row >= kMaxFolderSlots) return;
  const std::string below = Cell(1, row + 1);
  SetCell(1, row + 1, Cell(1, row));
  SetCell(1, row, below);
  StringGrid1->SetRow(row + 1);
  ShowCurrentSlot();
  WriteTwoSlots(PathMemoryKey(row), Cell(1, row), PathMemoryKey(row + 1), Cell(1, row + 1));
}

void TForm5::Delete1Click() {
  const int row = StringGrid1->Row(), count = SlotCount();
  // The entries below move up one row; the last used row takes the text of
  // the row after it, normally empty.
  SetCell(1, row, "");
  for (int i = row; i <= count; ++i) SetCell(1, i, Cell(1, i + 1));
  ShowCurrentSlot();
  framework::IniFile ini = OpenSettings();
  for (int n = 1; n <= count; ++n) ini.WriteString(kDirectoryBuf, PathMemoryKey(n), Cell(1, n));
}

void TForm5::AllDelete1Click() {
  for (int n = 1; n <= kMaxFolderSlots; ++n) SetCell(1, n, "");
  ShowCurrentSlot();
  OpenSettings().EraseSection(kDirectoryBuf);
}

void TForm5::Button2Click() {
  StringGrid1->SetRow(1);
  const int slotBefore = Events.memory().controls.CurrentSlot();
  // Whatever happened, the table shows the stored slots of the count in
  // force, and a current slot beyond that count starts again at the first.
  auto finish = [this, slotBefore] {
    LoadFolderList();
    StringGrid1->SetRow(1);
    FolderMemory memory = Events.memory();
    if (slotBefore > memory.slotCount) memory.controls.SetCurrentSlot(1);
  };
  try {
    const bool complete = CheckBox2->Checked();
    framework::IniFile ini = OpenSettings();
    // Folders stored above the slot count come back too.
    if (complete) {
      for (int n = 1; n <= kMaxFolderSlots; ++n) {
        SetCell(1, n, ini.ReadString(kDirectoryBuf, PathMemoryKey(n), ""));
        SetCell(0, n, SlotLabel(n));
      }
    }
    std::vector<std::string> kept;
    for (int n = 1; n <= kMaxFolderSlots; ++n) {
      const std::string folder = Cell(1, n);
      if (folder.empty()) continue;
      auto same = [&folder](const std::string& k) { return framework::SameTextNoCase(k, folder); };
      if (CheckBox1->Checked() && std::any_of(kept.begin(), kept.end(), same)) continue;
      kept.push_back(folder);
    }
    if (complete) ini.EraseSection(kDirectoryBuf);
    const int count = static_cast<int>(kept.size());
    for (int j = 1; j <= count; ++j) ini.WriteString(kDirectoryBuf, PathMemoryKey(j), kept[j - 1]);
    Events.setSlotCount(count);
    for (int n = count + 1; n <= kMaxFolderSlots; ++n) {
      SetCell(0, n, "");
      SetCell(1, n, "");
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TForm5::OptimizeCompletely() {
  CheckBox2->SetChecked(true);
  Button2Click();
}

void TForm5::UpgradeFolderList() {
  const int countBefore = SlotCount();
  // Folder memory that was off stays off; the next optimisation by hand is
  // a normal one again.
  auto settle = [&] {
    if (countBefore == 0) Events.setSlotCount(0);
    CheckBox2->SetChecked(false);
  };
  try {
    framework::IniFile ini = OpenSettings();
    if (framework::FileExists(ini.FileName()) &&
        ini.ReadString(kSysInfo, kProgramVersionKey, kOldestProgramVersion) != kProgramVersion) {
      CheckBox2->SetChecked(true);
      CheckBox1->SetChecked(true);
      Button2Click();
    }
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

std::string TForm5::Cell(int column, int row) const { return StringGrid1->Cells(column, row); }

void TForm5::SetCell(int column, int row, const std::string& text) { StringGrid1->SetCells(column, row, text); }

}  // namespace kaleidon
