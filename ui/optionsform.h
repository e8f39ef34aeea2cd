#pragma once
// The options dialog. Its controls are the program's settings while it runs:
// loaded from the settings file when it is made and on CANCEL, written on OK.
// Others read them as one value (Values) and follow the changes they care
// about through its events; nobody else touches its controls.
#include <functional>

#include "core/commandline.h"
#include "core/options.h"
#include "framework/forms.h"
#include "framework/spinedit.h"
#include "framework/stdctrls.h"

namespace kaleidon {

// The changes of the options that other windows follow.
struct OptionsEvents {
  // The slot count changed; also told once while the dialog is made.
  std::function<void(int slotCount)> slotCountChanged;
  // The interval timer was switched on or off; also told off on a reset start.
  std::function<void(bool on)> timerSwitched;
  // OK stored the options: the slot rows 1..slotCount are to be read again.
  std::function<void(int slotCount)> slotsStored;
};

class TForm2 : public framework::Form {
 public:
  // events: the handlers of the windows made before the dialog; what its
  // creation loads already reaches them.
  explicit TForm2(const CommandLine& commandLine, OptionsEvents events = {});

  // Windows made later add their handlers here.
  OptionsEvents Events;

  framework::CheckBox* CheckBox1;       // "起動時に変更": a change at start-up (StartUpChange)
  framework::CheckBox* CheckBox2;       // "タスクトレイに常駐": start in the tray (TaskTray)
  framework::CheckBox* CheckBox3;       // "スプラッシュを表示": the splash at start-up (Splash)
  framework::CheckBox* CheckBox4;       // "指定時間で変更": the interval timer runs (TimerChange)
  framework::CheckBox* CheckBox5;       // "壁紙の設定だけ変更": /E only stores the wallpaper (ChangeStyle)
  framework::CheckBox* CheckBox6;       // "遅延起動を使う": the start-up change waits for low load (Dlay)
  framework::CheckBox* CheckBox8;       // "壁紙をｽｸﾘｰﾝのｻｲｽﾞにあわせる": fit to the screen (ScreenSize)
  framework::CheckBox* CheckBox11;      // "LZHファイルも検索": registration also finds archives (AutoFind)
  framework::CheckBox* SoundPlayCheck;  // "壁紙変更時に音を鳴らす": the change sound (PlaySound)
  framework::SpinEdit* SpinEdit1;       // interval hours, 0..23 (Hour)
  framework::SpinEdit* SpinEdit2;       // interval minutes (Minute)
  framework::SpinEdit* SpinEdit3;       // "フォルダ記憶数": slot count, 0..200 (MemoryCount)
  framework::SpinEdit* SpinEdit4;       // "CPU負荷設定": load threshold in percent (CPUUseRate)
  framework::SpinEdit* SpinEdit5;       // "強制実行待機時間": give-up time in seconds (Compulsory)
  framework::SpinEdit* LoopOut1;        // "ループ制御": most archive entries read (LoopCounter)
  framework::Edit* Edit1;               // the sound file (SoundFile)
  framework::Edit* Edit2;               // the custom mask, hidden (CustomMask)
  framework::Button* Button1;           // OK
  framework::Button* Button2;           // CANCEL
  framework::Button* Button3;           // ". . .": choose the sound file

  // The live settings as one value.
  ProgramOptions Values() const;
  // Ticks or clears "指定時間で変更", as the user would (the tray menu's
  // timer entry).
  void SwitchTimer(bool on);
  // Sets "フォルダ記憶数" as the user would (the folder list's optimisation);
  // its change handling follows.
  void SetSlotCount(int slotCount);

  void FormCreate(const CommandLine& commandLine);
  // The settings file's options into the controls.
  void LoadSettings();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void CheckBox4Click();
  void SpinEdit1Change();
  void SpinEdit2Change();
  void SpinEdit3Change();

 private:
  // Sets the controls, in the order the settings are loaded; each control
  // that changes runs its handler.
  void ShowValues(const ProgramOptions& options);
};

}  // namespace kaleidon
