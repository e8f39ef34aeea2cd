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
  return FolderMemory{*FolderList, *folderControls_, slotCount, OpenSettings(), framework::Application::Instance()};
}

void TForm1::Button6Click() {
  FolderMemory memory = Memory(Options->Values().slotCount);
  RememberFolder(memory);
}

void TForm1::Button8Click() {
  FolderMemory memory = Memory(Options->Values().slotCount);
  RecallFolder(memory);
}

void TForm1::OpenFolder(const std::string& folder) {
  dlb1->SetDirectory(folder);
  if (char drive = framework::DriveLetter(dlb1->Directory())) dcb1->SetDrive(drive);
}

void TForm1::SpinEdit1Change() {
  if (!FolderList || !Options) return;  // the windows are still being made
  FolderMemory memory = Memory(Options->Values().slotCount);
  ChangeFolderSlot(memory);
}

void TForm1::SlotTableFilled(int slotCount) {
  if (slotCount <= 0) return;
  FolderMemory memory = Memory(slotCount);
  ChangeFolderSlot(memory);
}

}  // namespace kaleidon
