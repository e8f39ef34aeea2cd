#pragma once
// The main window's controls and the windows it keeps, as the tests reach
// them: the program itself goes through TForm1's methods.
#include "tray/trayicon.h"
#include "ui/mainform.h"

namespace kaleidon {

struct TForm1TestAccess {
  explicit TForm1TestAccess(TForm1& f)
      : Options(f.Options),
        Viewer(f.Viewer),
        FolderList(f.FolderList),
        dcb1(f.dcb1),
        dlb1(f.dlb1),
        FilterComboBox1(f.FilterComboBox1),
        FileListBox2(f.FileListBox2),
        FileListBox1(f.FileListBox1),
        Button1(f.Button1),
        Button3(f.Button3),
        Button4(f.Button4),
        Button7(f.Button7),
        Button5(f.Button5),
        Button10(f.Button10),
        SpinEdit1(f.SpinEdit1),
        Button6(f.Button6),
        Button8(f.Button8),
        Button9(f.Button9),
        Button12(f.Button12),
        Button2(f.Button2),
        Button11(f.Button11),
        Label3(f.Label3),
        Label4(f.Label4),
        Label2(f.Label2),
        Label1(f.Label1),
        Label6(f.Label6),
        Label7(f.Label7),
        Label5(f.Label5),
        Timer1(f.Timer1.get()),
        Timer2(f.Timer2.get()),
        PopupMenu1(f.PopupMenu1.get()),
        NeverAgainMenu(f.NeverAgainMenu.get()),
        TrayIcon1(f.TrayIcon1.get()) {}

  TForm2* Options;
  TForm4* Viewer;
  TForm5* FolderList;
  framework::DriveComboBox* dcb1;
  framework::DirectoryListBox* dlb1;
  framework::FilterComboBox* FilterComboBox1;
  framework::FileListBox* FileListBox2;
  framework::FileListBox* FileListBox1;
  framework::Button* Button1;
  framework::Button* Button3;
  framework::Button* Button4;
  framework::Button* Button7;
  framework::Button* Button5;
  framework::Button* Button10;
  framework::SpinEdit* SpinEdit1;
  framework::Button* Button6;
  framework::Button* Button8;
  framework::Button* Button9;
  framework::Button* Button12;
  framework::Button* Button2;
  framework::Button* Button11;
  framework::Label* Label3;
  framework::Label* Label4;
  framework::Label* Label2;
  framework::Label* Label1;
  framework::Label* Label6;
  framework::Label* Label7;
  framework::Label* Label5;
  framework::Timer* Timer1;
  framework::Timer* Timer2;
  framework::PopupMenu* PopupMenu1;
  framework::PopupMenu* NeverAgainMenu;
  TTrayIcon* TrayIcon1;
};

}  // namespace kaleidon

// The controls of the main window f.
inline kaleidon::TForm1TestAccess Widgets(kaleidon::TForm1& f) { return kaleidon::TForm1TestAccess(f); }
