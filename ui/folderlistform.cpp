#include "ui/folderlistform.h"

#include "core/settings.h"
#include "framework/layout.h"

namespace kaleidon {

namespace {
framework::FormStyle FolderListStyle() { return framework::FormStyle::FixedDialog("TForm5", "フォルダリスト", 483, 337); }
}  // namespace

TForm5::TForm5() : Form(FolderListStyle()) {
  framework::CreateControls(*this, {
      {&StringGrid1, 0, 0, 483, 306},
      {&Button1, 400, 310, 81, 26, "閉じる(&C)"},
  });
  StringGrid1->SetColCount(2);
  StringGrid1->SetRowCount(kMaxFolderSlots + 1);
  StringGrid1->SetFixedCols(1);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetColWidth(0, 71);
  StringGrid1->SetColWidth(1, 390);
  StringGrid1->SetDefaultRowHeight(17);
  Button1->OnClick = [this] { Close(); };
}

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

std::string TForm5::Cell(int column, int row) const { return StringGrid1->Cells(column, row); }

void TForm5::SetCell(int column, int row, const std::string& text) { StringGrid1->SetCells(column, row, text); }

}  // namespace kaleidon
