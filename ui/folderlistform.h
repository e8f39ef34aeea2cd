#pragma once
// The folder list dialog. Its grid is the program's slot table for the whole
// run: row n holds slot n ("Memory[n]" and the folder).
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/stdctrls.h"
#include "selection/foldermemory.h"

namespace kaleidon {

class TForm5 : public framework::Form, public SlotTable {
 public:
  TForm5();

  framework::StringGrid* StringGrid1;  // the slot table
  framework::Button* Button1;          // "閉じる"

  // The table as the dialog's creation fills it: the header, then the slot
  // labels and folders of slots 1..slotCount.
  void FillTable(int slotCount);
  // Column 1 of rows 1..slotCount from the settings file, with their labels.
  void ReloadSlots(int slotCount);

  // The slot table.
  std::string Cell(int column, int row) const override;
  void SetCell(int column, int row, const std::string& text) override;
};

}  // namespace kaleidon
