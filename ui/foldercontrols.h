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

// What the change cycle needs of the window: the random button's cursor,
// and the window as the owner of the archive library's windows.
class TForm1::CycleHost : public ChangeCycleHost {
 public:
  explicit CycleHost(TForm1& form) : f_(form) {}
  void ShowBusy(bool busy) override {
    f_.Button3->SetCursor(busy ? LoadCursorW(nullptr, IDC_WAIT) : nullptr);
    f_.Button3->Repaint();
  }
  HWND Owner() const override { return f_.Handle(); }

 private:
  TForm1& f_;
};

}  // namespace kaleidon
