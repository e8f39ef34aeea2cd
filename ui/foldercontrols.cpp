// The main window's folder memory: the remember and recall buttons and the
// slot box, over the folder list's slot table.
#include "ui/foldercontrols.h"

#include "framework/base/paths.h"
#include "framework/gui/application.h"
#include "ui/folderlistform.h"
#include "ui/optionsform.h"
#include "ui/settingsfile.h"

namespace kaleidon {

FolderMemory TForm1::Memory(int slotCount) {
  if (!folderControls_) folderControls_ = std::make_unique<FolderControls>(*this);
  // Before the folder list is made its table is the slots value alone.
  SlotTable& table = FolderList ? static_cast<SlotTable&>(*FolderList) : Slots;
  return FolderMemory{table, *folderControls_, slotCount, OpenSettings(), framework::Application::Instance()};
}

void TForm1::Button6Click() {
  FolderMemory memory = Memory(CurrentOptions().slotCount);
  RememberFolder(memory);
}

void TForm1::Button8Click() {
  FolderMemory memory = Memory(CurrentOptions().slotCount);
  RecallFolder(memory);
}

void TForm1::OpenFolder(const std::string& folder) {
  dlb1->SetDirectory(folder);
  if (char drive = framework::DriveLetter(dlb1->Directory())) dcb1->SetDrive(drive);
}

void TForm1::SpinEdit1Change() {
  if (!slotsKnown_) return;  // the start has not read them yet
  FolderMemory memory = Memory(CurrentOptions().slotCount);
  ChangeFolderSlot(memory);
}

void TForm1::SlotTableFilled(int slotCount) {
  slotsKnown_ = true;
  if (slotCount <= 0) return;
  FolderMemory memory = Memory(slotCount);
  ChangeFolderSlot(memory);
}

}  // namespace kaleidon
