#include "ui/optionsform.h"

#include <commdlg.h>

#include "core/settings.h"
#include "framework/application.h"
#include "framework/layout.h"
#include "framework/text.h"

namespace kaleidon {

namespace {

framework::FormStyle OptionsStyle() { return framework::FormStyle::FixedDialog("TForm2", "Kaleidon Option", 361, 293); }

}  // namespace

TForm2::TForm2(const CommandLine& commandLine, OptionsEvents events) : Form(OptionsStyle()), Events(std::move(events)) {
  using framework::GroupBox;
  using framework::Label;
  using framework::unnamed;
  framework::CreateControls(*this, {
      {unnamed<GroupBox>, 6, 6, 170, 170, "起動設定（次回から有効）"},
      {&CheckBox1, 14, 24, 150, 17, "起動時に変更"},
      {&CheckBox2, 14, 44, 150, 17, "タスクトレイに常駐"},
      {&CheckBox3, 14, 64, 150, 17, "スプラッシュを表示"},
      {&CheckBox6, 14, 84, 150, 17, "遅延起動を使う"},
      {unnamed<Label>, 14, 108, 0, 0, "CPU負荷設定"},
      {&SpinEdit4, 90, 104, 50, 22},
      {unnamed<Label>, 144, 108, 0, 0, "％"},
      {unnamed<Label>, 14, 138, 0, 0, "強制実行待機時間"},
      {&SpinEdit5, 112, 134, 48, 22},
      {unnamed<Label>, 163, 138, 0, 0, "秒"},
      {unnamed<GroupBox>, 184, 6, 170, 40, "/E オプション固有設定"},
      {&CheckBox5, 192, 22, 155, 17, "壁紙の設定だけ変更"},
      {&CheckBox4, 188, 54, 160, 17, "指定時間で変更"},
      {unnamed<Label>, 188, 76, 0, 0, "壁紙を"},
      {&SpinEdit1, 188, 92, 45, 22},
      {unnamed<Label>, 236, 96, 0, 0, "時間"},
      {&SpinEdit2, 264, 92, 45, 22},
      {unnamed<Label>, 312, 96, 0, 0, "分"},
      {unnamed<Label>, 188, 118, 0, 0, "間隔で変更"},
      {unnamed<Label>, 188, 142, 0, 0, "フォルダ記憶数"},
      {&SpinEdit3, 280, 138, 55, 22},
      {&CheckBox8, 6, 184, 220, 17, "壁紙をｽｸﾘｰﾝのｻｲｽﾞにあわせる"},
      {&CheckBox11, 6, 204, 220, 17, "LZHファイルも検索（自動検索）"},
      {unnamed<Label>, 230, 186, 0, 0, "ループ制御"},
      {&LoopOut1, 290, 182, 60, 22},
      {&SoundPlayCheck, 6, 226, 220, 17, "壁紙変更時に音を鳴らす"},
      {&Edit1, 6, 246, 310, 21},
      {&Button3, 320, 246, 30, 21, ". . ."},
      {&Edit2, 6, 246, 310, 21, "", framework::kHidden},
      {&Button1, 196, 268, 75, 25, "OK"},
      {&Button2, 280, 268, 75, 25, "CANCEL"},
  });

  SpinEdit1->SetMinValue(0), SpinEdit1->SetMaxValue(23);
  SpinEdit2->SetMinValue(1), SpinEdit2->SetMaxValue(60);
  SpinEdit3->SetMinValue(0), SpinEdit3->SetMaxValue(200);
  SpinEdit4->SetMinValue(10), SpinEdit4->SetMaxValue(100);
  SpinEdit5->SetMinValue(20), SpinEdit5->SetMaxValue(120);
  LoopOut1->SetMinValue(128), LoopOut1->SetMaxValue(4096), LoopOut1->SetIncrement(128);
  LoopOut1->SetValue(defaults::kLoopCounter);
  LoopOut1->SetEditorEnabled(false);
  Edit1->SetReadOnly(true);

  CheckBox4->OnClick = [this] { CheckBox4Click(); };
  SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
  SpinEdit2->OnChange = [this] { SpinEdit2Change(); };
  SpinEdit3->OnChange = [this] { SpinEdit3Change(); };
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };

  FormCreate(commandLine);
}

void TForm2::FormCreate(const CommandLine& commandLine) {
  LoadSettings();
  if (Events.slotCountChanged) Events.slotCountChanged(SpinEdit3->Value());
  SpinEdit1->SetEnabled(CheckBox4->Checked());
  SpinEdit2->SetEnabled(CheckBox4->Checked());
  if (commandLine.Silent()) {
    framework::Application::Instance().SetShowMainForm(false);
  } else if (commandLine.Reset()) {
    if (Events.timerSwitched) Events.timerSwitched(false);
    framework::Application::Instance().SetShowMainForm(true);
  }
}

ProgramOptions TForm2::Values() const {
  ProgramOptions o;
  o.startUpChange = CheckBox1->Checked();
  o.taskTray = CheckBox2->Checked();
  o.splash = CheckBox3->Checked();
  o.delayedStart = CheckBox6->Checked();
  o.loadThreshold = SpinEdit4->Value();
  o.giveUpSeconds = SpinEdit5->Value();
  o.changeStyle = CheckBox5->Checked();
  o.timerChange = CheckBox4->Checked();
  o.hours = SpinEdit1->Value();
  o.minutes = SpinEdit2->Value();
  o.slotCount = SpinEdit3->Value();
  o.fitToScreen = CheckBox8->Checked();
  o.autoFind = CheckBox11->Checked();
  o.loopCounter = LoopOut1->Value();
  o.customMask = Edit2->Text();
  o.playSound = SoundPlayCheck->Checked();
  o.soundFile = Edit1->Text();
  return o;
}

void TForm2::ShowValues(const ProgramOptions& o) {
  SpinEdit1->SetValue(o.hours);
  SpinEdit2->SetValue(o.minutes);
  SpinEdit3->SetValue(o.slotCount);
  SpinEdit4->SetValue(o.loadThreshold);
  SpinEdit5->SetValue(o.giveUpSeconds);
  LoopOut1->SetValue(o.loopCounter);
  CheckBox1->SetChecked(o.startUpChange);
  CheckBox2->SetChecked(o.taskTray);
  CheckBox3->SetChecked(o.splash);
  CheckBox4->SetChecked(o.timerChange);
  CheckBox5->SetChecked(o.changeStyle);
  CheckBox6->SetChecked(o.delayedStart);
  CheckBox8->SetChecked(o.fitToScreen);
  CheckBox11->SetChecked(o.autoFind);
  SoundPlayCheck->SetChecked(o.playSound);
  Edit1->SetText(o.soundFile);
  Edit2->SetText(o.customMask);
}

void TForm2::LoadSettings() { ShowValues(ReadOptions(OpenSettings())); }

void TForm2::SwitchTimer(bool on) { CheckBox4->SetChecked(on); }

void TForm2::SetSlotCount(int slotCount) { SpinEdit3->SetValue(slotCount); }

void TForm2::Button1Click() {
  framework::IniFile ini = OpenSettings();
  WriteOptions(ini, Values());
  if (Events.slotsStored) Events.slotsStored(SpinEdit3->Value());
  SetModalResult(IDOK);
  Close();
}

void TForm2::Button2Click() {
  LoadSettings();
  SetModalResult(IDCANCEL);
  Close();
}

void TForm2::Button3Click() {
  wchar_t file[MAX_PATH] = L"";
  std::wstring filter = framework::Widen("Wave File");
  filter.push_back(L'\0');
  filter += L"*.WAV";
  filter.push_back(L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Handle();
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  if (GetOpenFileNameW(&ofn)) Edit1->SetText(framework::Narrow(file));
}

void TForm2::CheckBox4Click() {
  bool on = CheckBox4->Checked();
  SpinEdit1->SetEnabled(on);
  SpinEdit2->SetEnabled(on);
  if (Events.timerSwitched) Events.timerSwitched(on);
}

void TForm2::SpinEdit1Change() {
  if (SpinEdit1->Value() < 1) {
    SpinEdit2->SetValue(1);
    SpinEdit2->SetMinValue(1);
  } else {
    SpinEdit2->SetMinValue(-1);
  }
}

void TForm2::SpinEdit2Change() {
  int minutes = SpinEdit2->Value();
  if (minutes == -1 && SpinEdit1->Value() != 0) {
    SpinEdit1->SetValue(SpinEdit1->Value() - 1);
    SpinEdit2->SetValue(59);
  } else if (minutes == 60) {
    SpinEdit1->SetValue(SpinEdit1->Value() + 1);
    SpinEdit2->SetValue(0);
  }
}

void TForm2::SpinEdit3Change() {
  if (Events.slotCountChanged) Events.slotCountChanged(SpinEdit3->Value());
}

}  // namespace kaleidon
