#pragma once
// The options dialog. Its controls are the program's settings while it runs:
// loaded from the settings file when it is made and on CANCEL, written on OK.
#include <string>

#include "framework/forms.h"
#include "framework/spinedit.h"
#include "framework/stdctrls.h"
#include "core/commandline.h"
#include "core/wallpaper.h"

namespace kaleidon {

class TForm1;
class TForm5;

class TForm2 : public framework::Form {
 public:
  TForm2(TForm1& main, const CommandLine& commandLine);

  TForm5* FolderList = nullptr;  // set once the folder list dialog exists

  framework::CheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox8,
      *CheckBox11, *SoundPlayCheck;
  framework::SpinEdit *SpinEdit1, *SpinEdit2, *SpinEdit3, *SpinEdit4, *SpinEdit5, *LoopOut1;
  framework::Edit *Edit1, *Edit2;
  framework::Button *Button1, *Button2, *Button3;

  // The live values the wallpaper preparation reads.
  WallpaperOptions WallpaperSettings() const;

  void FormCreate(const CommandLine& commandLine);
  void LoadNumberSettings();
  void LoadSwitchSettings();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void CheckBox4Click();
  void SpinEdit1Change();
  void SpinEdit2Change();
  void SpinEdit3Change();

 private:
  TForm1& main_;
};

}  // namespace kaleidon
