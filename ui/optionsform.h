#pragma once
// The options dialog. Its controls are the program's settings while it runs:
// loaded from the settings file when it is made and on CANCEL, written on OK.
// Others read them as one value (Values) and follow the changes they care
// about through its events; nobody else touches its controls.
#include <functional>

#include "core/commandline.h"
#include "core/options.h"
#include "framework/gui/comctrls.h"
#include "framework/gui/dialogs.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/forms.h"
#include "framework/gui/hotkeys.h"
#include "framework/gui/listctrls.h"
#include "framework/gui/spinedit.h"
#include "framework/gui/stdctrls.h"

namespace kaleidon {

// The changes of the options that other windows follow.
struct OptionsEvents {
  // The slot count changed; also told once while the dialog is made.
  std::function<void(int slotCount)> slotCountChanged;
  // The interval timer was switched on or off; also told off on a reset start.
  std::function<void(bool on)> timerSwitched;
  // OK stored the options: the slot rows 1..slotCount are to be read again.
  std::function<void(int slotCount)> slotsStored;
  // OK stored other hotkeys than before (0: none).
  std::function<void(int next, int back)> hotKeysChanged;
};

// What the dialog says when the custom mask holds more patterns than it can.
inline constexpr const char* kMaskTooLongCaption = "悪のエラー";
inline constexpr const char* kMaskTooLongText =
    "ぬおぉ！カスタムマスクのパターンが256個を超えているぞ！\r"
    "正義のカスタムマスクに登録できるのは256個までだ。\r"
    "パターンを減らしてから、もう一度「ＯＫ」ボタンを押すのだ！";

// ... and when, cleaned, it is longer than the settings file gives back.
inline constexpr const char* kMaskTooLongToStoreText =
    "ぬおぉ！カスタムマスクが1023文字を超えているぞ！\r"
    "正義のカスタムマスクに登録できるのは1023文字までだ。\r"
    "パターンを減らしてから、もう一度「ＯＫ」ボタンを押すのだ！";

// ... and when both hotkeys are the same keys.
inline constexpr const char* kHotKeysSameCaption = "悪のエラー";
inline constexpr const char* kHotKeysSameText =
    "ぬおぉ！「次の壁紙」と「前の壁紙に戻す」が同じホットキーだぞ！\r"
    "一つのキーで呼び出せるのは一つだけだ。\r"
    "どちらかを別のキーにしてから、もう一度「ＯＫ」ボタンを押すのだ！";

class TForm2 : public framework::Form {
 public:
  // events: the handlers of the windows made before the dialog; what its
  // creation loads already reaches them.
  explicit TForm2(const CommandLine& commandLine, OptionsEvents events = {});

  // Windows made later add their handlers here.
  OptionsEvents Events;

  framework::PageControl* PageControl1;
  framework::TabSheet* TabSheet1;  // "全般": the settings
  framework::TabSheet* TabSheet2;  // "その他": the hotkeys, when the timer waits, the choice of pictures, the caption
  framework::TabSheet* TabSheet3;  // "拡張子": the custom mask

  // "全般"
  framework::CheckBox* CheckBox1;       // "起動時に変更": a change at start-up (StartUpChange)
  framework::CheckBox* CheckBox2;       // "タスクトレイに常駐": start in the tray (TaskTray)
  framework::CheckBox* CheckBox3;       // "スプラッシュを表示": the splash at start-up (Splash)
  framework::CheckBox* CheckBox6;       // "遅延起動を使う": the start-up change waits for low load (Dlay)
  framework::SpinEdit* SpinEdit4;       // "CPU負荷設定": load threshold in percent, 10..100 (CPUUseRate)
  framework::SpinEdit* SpinEdit5;       // "強制実行待機時間": give-up time in seconds, 20..120 (Compulsory)
  framework::CheckBox* CheckBox5;       // "壁紙の設定だけ変更": /E only stores the wallpaper (ChangeStyle)
  framework::CheckBox* CheckBox4;       // "指定時間で変更": the interval timer runs (TimerChange)
  framework::SpinEdit* SpinEdit1;       // interval hours, 0..23 (Hour)
  framework::SpinEdit* SpinEdit2;       // interval minutes (Minute)
  framework::SpinEdit* SpinEdit3;       // "フォルダ記憶数": slot count, 0..200 (MemoryCount)
  framework::CheckBox* CheckBox8;       // "壁紙をｽｸﾘｰﾝのｻｲｽﾞにあわせる": fit to the screen (ScreenSize)
  framework::ComboBox* FitStyleBox;     // how fitting fits: "引き伸ばす" ... (FitStyle)
  framework::CheckBox* CheckBox11;      // "LZHファイルも検索": registration also finds archives (AutoFind)
  framework::SpinEdit* LoopOut1;        // "ループ制御": most archive entries read, 128..4096 (LoopCounter)
  framework::CheckBox* MonitorCheck;    // "モニターごとに別の壁紙": a picture per monitor (PerMonitor)
  framework::CheckBox* SoundPlayCheck;  // "壁紙変更時に音を鳴らす": the change sound (PlaySound)
  framework::Edit* Edit1;               // the sound file (SoundFile)
  framework::Button* Button3;           // ". . .": choose the sound file
  // "その他"
  framework::HotKeyEdit* NextHotKey;       // "次の壁紙": the hotkey of a random change (HotKeyNext)
  framework::Button* NextHotKeyClear;      // "解除": no hotkey for it
  framework::HotKeyEdit* BackHotKey;       // "前の壁紙に戻す": the hotkey of going back (HotKeyBack)
  framework::Button* BackHotKeyClear;      // "解除"
  framework::CheckBox* FullScreenCheck;    // "全画面のプログラム使用中は変更しない" (QuietFullScreen)
  framework::CheckBox* BatteryCheck;       // "バッテリー駆動中は変更しない" (QuietBattery)
  framework::CheckBox* MatchShapeCheck;    // "モニターの向きに合う画像を選ぶ" (MatchShape)
  framework::SpinEdit* MinShareEdit;       // "画面の [ ] % より小さい画像は使わない", 0..100, 0 = off (MinPictureShare)
  framework::CheckBox* CaptionCheck;       // "壁紙に画像の情報を表示" (Caption)
  framework::Edit* CaptionFormatEdit;      // its template: {name} {folder} {date} {path} (CaptionFormat)
  framework::ComboBox* CaptionCornerBox;   // its corner: "右下" "左下" "右上" "左上" (CaptionCorner)
  // "拡張子"
  framework::FilterComboBox* FilterComboBox1;  // the known picture formats
  framework::Button* Button5;                  // "追加(&A)": the chosen format's patterns into the mask
  framework::Label* Label13;                   // "カスタムマスク"
  framework::Edit* Edit2;                      // the custom mask (CustomMask)
  framework::GroupBox* GroupBox7;              // "カスタムマスクの説明"
  framework::Memo* Memo1;                      // the help text
  // Below the pages.
  framework::Button* Button1;  // OK
  framework::Button* Button2;  // CANCEL

  framework::OpenDialog OpenDialog1;  // the sound file, "Wave File|*.WAV"

  // The live settings as one value.
  ProgramOptions Values() const;
  // Whether the values came from the settings file (or there was none):
  // false while it could not be read since the start.
  bool SettingsRead() const { return settingsRead_; }
  // Ticks or clears "指定時間で変更", as the user would (the tray menu's
  // timer entry).
  void SwitchTimer(bool on);
  // Sets "フォルダ記憶数" as the user would (the folder list's optimisation);
  // its change handling follows.
  void SetSlotCount(int slotCount);

  void FormCreate(const CommandLine& commandLine);
  void FormShow();
  // The caption's template and corner are there to set while it is on.
  void CaptionCheckClick();
  // The stored numbers, then the stored switches and texts, into the
  // controls; each control that changes runs its handler.
  void LoadNumberSettings();
  void LoadSwitchSettings();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void CheckBox4Click();
  void SpinEdit1Change();
  void SpinEdit2Change();
  void SpinEdit3Change();

  // The custom mask page.
  void FillFormatList();
  void Button5Click();
  // One pass each over Edit2's mask; true when it changed nothing.
  bool ValidateCustomMask();
  bool NormalizeCustomMask();
  void RandomMemoColor();
  void Memo1DblClick();

 private:
  // The hotkeys as last loaded or stored: OK tells the others when they
  // change.
  int storedHotKeyNext_ = 0;
  int storedHotKeyBack_ = 0;
  ProgramOptions stored_;       // the options as last read from the file or stored
  bool settingsRead_ = false;  // the file was read (or there was none)
};

}  // namespace kaleidon
