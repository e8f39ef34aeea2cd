#pragma once
// The main window's controls as folder memory and the change cycle see them.
#include "change/changecycle.h"
#include "framework/base/paths.h"
#include "ui/mainform.h"

namespace kaleidon {

// The main window's controls that folder memory moves.
class TForm1::FolderControls : public FolderMemoryControls {
 public:
  explicit FolderControls(TForm1& form) : f_(form) {}
  int CurrentSlot() const override { return f_.SpinEdit1->Value(); }
  void SetCurrentSlot(int slot) override { f_.SpinEdit1->SetValue(slot); }
  bool SlotBoxEnabled() const override { return f_.SpinEdit1->Enabled(); }
  std::string ListedFolder() const override { return f_.FileListBox2->Directory(); }
  std::string CurrentFolder() const override { return f_.dlb1->Directory(); }
  bool ChangeFolder(const std::string& folder) override {
    try {
      f_.dlb1->SetDirectory(folder);
      return true;
    } catch (const framework::Exception&) {
      return false;
    }
  }
  void SyncDriveBox() override {
    if (char drive = framework::DriveLetter(f_.dlb1->Directory())) f_.dcb1->SetDrive(drive);
  }
  void ShowSlotFolder(const std::string& folder) override { f_.Label4->SetText(folder); }
  void Repaint() override { f_.Repaint(); }

 private:
  TForm1& f_;
};

// What the change cycle works on: the file list FileListBox2, the slot box,
// the random button's cursor and the shown-file label Label7.
class TForm1::CycleHost : public ChangeCycleHost {
 public:
  explicit CycleHost(TForm1& form) : f_(form) {}
  FolderMemory Memory(int slotCount) override { return f_.Memory(slotCount); }
  bool SlotsInUse() const override { return f_.SpinEdit1->Enabled(); }
  int CurrentSlot() const override { return f_.SpinEdit1->Value(); }
  std::string ListedFolder() const override { return f_.FileListBox2->Directory(); }
  std::vector<std::string> ListedNames() const override { return f_.FileListBox2->Items(); }
  std::string ListedMask() const override { return f_.FileListBox2->Mask(); }
  void SelectListRow(int row) override { f_.FileListBox2->SetItemIndex(row); }
  void RereadList() override { f_.FileListBox2->Update(); }
  void ShowBusy(bool busy) override {
    f_.Button3->SetCursor(busy ? LoadCursorW(nullptr, IDC_WAIT) : nullptr);
    f_.Button3->Repaint();
  }
  void ShowFileName(const std::string& name) override { f_.Label7->SetText(name); }
  HWND Owner() const override { return f_.Handle(); }

 private:
  TForm1& f_;
};

}  // namespace kaleidon
