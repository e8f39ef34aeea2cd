#include "ui/optionsform.h"

#include <commctrl.h>

#include <array>

#include "core/custommask.h"
#include "core/filterlist.h"
#include "core/settings.h"
#include "framework/base/random.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "ui/settingsfile.h"

namespace kaleidon {

namespace {

// What the window shows.
constexpr const char* kCaption = "Kaleidon Option";
constexpr const char* kGeneralPage = "全般";
constexpr const char* kOtherPage = "その他";
constexpr const char* kExtensionsPage = "拡張子";
constexpr const char* kStartUpGroup = "起動設定（次回から有効）";
constexpr const char* kCheckBox1Caption = "起動時に変更";
constexpr const char* kCheckBox2Caption = "タスクトレイに常駐";
constexpr const char* kCheckBox3Caption = "スプラッシュを表示";
constexpr const char* kCheckBox6Caption = "遅延起動を使う";
constexpr const char* kLoadThresholdLabel = "CPU負荷設定";
constexpr const char* kPercentLabel = "％";
constexpr const char* kGiveUpLabel = "強制実行待機時間";
constexpr const char* kSecondsLabel = "秒";
constexpr const char* kCommandLineGroup = "/E オプション固有設定";
constexpr const char* kCheckBox5Caption = "壁紙の設定だけ変更";
constexpr const char* kCheckBox4Caption = "指定時間で変更";
constexpr const char* kIntervalLabel = "壁紙を";
constexpr const char* kHoursLabel = "時間";
constexpr const char* kMinutesLabel = "分";
constexpr const char* kIntervalLabelEnd = "間隔で変更";
constexpr const char* kSlotCountLabel = "フォルダ記憶数";
constexpr const char* kCheckBox8Caption = "壁紙をｽｸﾘｰﾝのｻｲｽﾞにあわせる";
// How fitting fits, in the order of FitStyle's numbers.
const std::vector<std::string> kFitStyleItems = {"引き伸ばす", "はみ出しを切る", "全体を表示（ぼかし背景）",
                                                 "全体を表示（単色背景）"};
constexpr const char* kCheckBox11Caption = "LZHファイルも検索（自動検索）";
constexpr const char* kLoopCounterLabel = "ループ制御";
constexpr const char* kMonitorCheckCaption = "モニターごとに別の壁紙";
constexpr const char* kSoundPlayCheckCaption = "壁紙変更時に音を鳴らす";
constexpr const char* kHotKeyGroup = "ホットキー";
constexpr const char* kNextHotKeyLabel = "次の壁紙";
constexpr const char* kBackHotKeyLabel = "前の壁紙に戻す";
constexpr const char* kHotKeyClearCaption = "解除";
constexpr const char* kHotKeyNote = "Ctrl・Shift・Alt と一緒にキーを押して設定";
constexpr const char* kQuietGroup = "指定時間での変更";
constexpr const char* kFullScreenCheckCaption = "全画面のプログラム使用中は変更しない";
constexpr const char* kBatteryCheckCaption = "バッテリー駆動中は変更しない";
constexpr const char* kMatchShapeCheckCaption = "モニターの向きに合う画像を選ぶ";
constexpr const char* kMinShareLabel = "画面の";
constexpr const char* kMinShareLabelEnd = "% より小さい画像は使わない";
constexpr const char* kCaptionCheckCaption = "壁紙に画像の情報を表示";
// The corners, in the order of CaptionCorner's numbers.
const std::vector<std::string> kCaptionCornerItems = {"右下", "左下", "右上", "左上"};
constexpr const char* kCaptionFormatHint = "{name} ファイル名　{folder} フォルダ名　{date} 撮影日　{path} 場所";
constexpr const char* kButton3Caption = ". . .";
constexpr const char* kButton5Caption = "追加(&A)";
constexpr const char* kLabel13Caption = "カスタムマスク";
constexpr const char* kGroupBox7Caption = "カスタムマスクの説明";
constexpr const char* kButton1Caption = "OK";
constexpr const char* kButton2Caption = "CANCEL";
constexpr const char* kButton3Hint = "使用するサウンドを選択します";
// What assistive technology calls the controls that have no label.
constexpr const char* kPagesName = "オプションのページ";
constexpr const char* kSoundFileName = "サウンドファイル";
constexpr const char* kButton3Name = "サウンドの選択";
constexpr const char* kFilterComboBoxName = "ファイルの種類";
constexpr const char* kFitStyleBoxName = "壁紙のあわせ方";
constexpr const char* kCaptionFormatName = "表示する情報";
constexpr const char* kCaptionCornerName = "表示する位置";
constexpr const char* kNextHotKeyClearName = "次の壁紙のホットキーを解除";
constexpr const char* kBackHotKeyClearName = "前の壁紙に戻すホットキーを解除";
constexpr const char* kSoundFilter = "Wave File|*.WAV";

using framework::Application;

framework::FormStyle OptionsStyle() { return framework::FormStyle::FixedDialog("TForm2", kCaption, 361, 317); }

constexpr const char* kFixedPitchFace = "ＭＳ ゴシック";

// The help text of the custom mask page, line by line.
const std::vector<std::string> kCustomMaskHelp = {
    "表示（読み込み）させたいファイルの拡張子を自由に設定",
    "できます。",
    "一番上にあるドロップダウンリストから選択して「追加」",
    "ボタンを押して追加するか、直接入力してください。",
    "",
    "実際に適用されるのは次回起動時からです。すぐに適用さ",
    "せる場合はカレイドンを再起動してください。",
    "",
    "【直接入力する場合】",
    "前提条件としてカレイドンが読み込み可能な拡張子でなけ",
    "れば行けません。",
    "",
    "表示したい拡張子の前にアスタリスク「*」とカンマ「.」",
    "をつけた後に拡張子を記入します。大文字でも小文字でも",
    "ＯＫですが全て半角で記入してください。",
    "｛例：BITMAPの場合｝",
    "*.BMP",
    "",
    "複数登録する場合にはセミコロン「;」で区切ります。",
    "｛例；BITMAP・JPEG・GIFを表示する場合｝",
    "*.BMP;*.JPG;*.JPEG;*.GIF",
    "",
    "行頭・行末にはセミコロンを記入しないでください。",
    "",
    "全ての登録が済んだら「ＯＫ」ボタンを押してください。",
};

// The colours of the help text: black, green, navy, teal, blue, maroon.
constexpr std::array<COLORREF, 6> kMemoColors = {RGB(0, 0, 0),     RGB(0, 128, 0),   RGB(0, 0, 128),
                                                 RGB(0, 128, 128), RGB(0, 0, 255),   RGB(128, 0, 0)};

}  // namespace

TForm2::TForm2(const CommandLine& commandLine, OptionsEvents events) : Form(OptionsStyle()), Events(std::move(events)) {
  using framework::GroupBox;
  using framework::Label;
  using framework::unnamed;
  framework::CreateControls(*this, {{&PageControl1, 0, 0, 361, 285}});
  TabSheet1 = PageControl1->AddPage(kGeneralPage);
  TabSheet2 = PageControl1->AddPage(kOtherPage);
  TabSheet3 = PageControl1->AddPage(kExtensionsPage);

  framework::CreateControls(*TabSheet1, {
      {unnamed<GroupBox>, 4, 2, 170, 148, kStartUpGroup},
      {&CheckBox1, 12, 19, 155, 17, kCheckBox1Caption},
      {&CheckBox2, 12, 38, 155, 17, kCheckBox2Caption},
      {&CheckBox3, 12, 57, 155, 17, kCheckBox3Caption},
      {&CheckBox6, 12, 76, 155, 17, kCheckBox6Caption},
      {unnamed<Label>, 12, 101, 0, 0, kLoadThresholdLabel, framework::kNamesNext},
      {&SpinEdit4, 92, 97, 48, 22},
      {unnamed<Label>, 144, 101, 0, 0, kPercentLabel},
      {unnamed<Label>, 12, 126, 0, 0, kGiveUpLabel, framework::kNamesNext},
      {&SpinEdit5, 110, 122, 44, 22},
      {unnamed<Label>, 158, 126, 0, 0, kSecondsLabel},
      {unnamed<GroupBox>, 180, 2, 169, 40, kCommandLineGroup},
      {&CheckBox5, 188, 19, 155, 17, kCheckBox5Caption},
      {&CheckBox4, 184, 48, 160, 17, kCheckBox4Caption},
      {unnamed<Label>, 184, 69, 0, 0, kIntervalLabel},
      {&SpinEdit1, 184, 84, 44, 22},
      {unnamed<Label>, 231, 88, 0, 0, kHoursLabel, framework::kNamesPrevious},
      {&SpinEdit2, 262, 84, 44, 22},
      {unnamed<Label>, 309, 88, 0, 0, kMinutesLabel, framework::kNamesPrevious},
      {unnamed<Label>, 184, 110, 0, 0, kIntervalLabelEnd},
      {unnamed<Label>, 184, 132, 0, 0, kSlotCountLabel, framework::kNamesNext},
      {&SpinEdit3, 272, 128, 50, 22},
      {&CheckBox8, 4, 154, 230, 17, kCheckBox8Caption},
      {&FitStyleBox, 22, 172, 212, 0},
      {&CheckBox11, 4, 198, 230, 17, kCheckBox11Caption},
      {unnamed<Label>, 240, 162, 0, 0, kLoopCounterLabel, framework::kNamesNext},
      {&LoopOut1, 298, 158, 50, 22},
      {&SoundPlayCheck, 4, 216, 172, 17, kSoundPlayCheckCaption},
      {&MonitorCheck, 180, 216, 168, 17, kMonitorCheckCaption},
      {&Edit1, 4, 234, 310, 21},
      {&Button3, 318, 234, 30, 21, kButton3Caption},
  });
  framework::CreateControls(*TabSheet2, {
      {unnamed<GroupBox>, 4, 2, 345, 98, kHotKeyGroup},
      {unnamed<Label>, 12, 24, 0, 0, kNextHotKeyLabel, framework::kNamesNext},
      {&NextHotKey, 110, 20, 170, 22},
      {&NextHotKeyClear, 286, 19, 55, 24, kHotKeyClearCaption},
      {unnamed<Label>, 12, 54, 0, 0, kBackHotKeyLabel, framework::kNamesNext},
      {&BackHotKey, 110, 50, 170, 22},
      {&BackHotKeyClear, 286, 49, 55, 24, kHotKeyClearCaption},
      {unnamed<Label>, 12, 78, 0, 0, kHotKeyNote},
      {unnamed<GroupBox>, 4, 106, 345, 62, kQuietGroup},
      {&FullScreenCheck, 12, 124, 330, 17, kFullScreenCheckCaption},
      {&BatteryCheck, 12, 144, 330, 17, kBatteryCheckCaption},
      {&MatchShapeCheck, 4, 178, 345, 17, kMatchShapeCheckCaption},
      {unnamed<Label>, 4, 204, 0, 0, kMinShareLabel, framework::kNamesNext},
      {&MinShareEdit, 44, 200, 48, 22},
      {unnamed<Label>, 96, 204, 0, 0, kMinShareLabelEnd, framework::kNamesPrevious},
      {&CaptionCheck, 4, 232, 150, 17, kCaptionCheckCaption},
      {&CaptionFormatEdit, 156, 230, 126, 21},
      {&CaptionCornerBox, 288, 230, 61, 0},
  });
  framework::CreateControls(*TabSheet3, {
      {&FilterComboBox1, 4, 5, 251, 0},
      {&Button5, 262, 3, 75, 25, kButton5Caption},
      {&Label13, 4, 34, 0, 0, kLabel13Caption, framework::kNamesNext},
      {&Edit2, 4, 49, 341, 23, "", 0, CLR_INVALID, 15, kFixedPitchFace},
      {&GroupBox7, 2, 78, 349, 151, kGroupBox7Caption, framework::kNamesNext},
      {&Memo1, 7, 94, 339, 130, "", 0, CLR_INVALID, 0, kFixedPitchFace},
  });
  framework::CreateControls(*this, {
      {&Button1, 196, 290, 75, 25, kButton1Caption},
      {&Button2, 280, 290, 75, 25, kButton2Caption},
  });

  PageControl1->SetAccessibleName(kPagesName);
  Edit1->SetAccessibleName(kSoundFileName);
  Button3->SetAccessibleName(kButton3Name);
  FilterComboBox1->SetAccessibleName(kFilterComboBoxName);
  FitStyleBox->SetAccessibleName(kFitStyleBoxName);
  for (const std::string& item : kFitStyleItems) FitStyleBox->AddItem(item);
  CaptionFormatEdit->SetAccessibleName(kCaptionFormatName);
  CaptionCornerBox->SetAccessibleName(kCaptionCornerName);
  CaptionFormatEdit->SetHint(kCaptionFormatHint);
  CaptionFormatEdit->SetShowHint(true);
  for (const std::string& item : kCaptionCornerItems) CaptionCornerBox->AddItem(item);
  CaptionCornerBox->SetItemIndex(defaults::kCaptionCorner);
  FitStyleBox->SetItemIndex(defaults::kFitStyle);
  NextHotKeyClear->SetAccessibleName(kNextHotKeyClearName);
  BackHotKeyClear->SetAccessibleName(kBackHotKeyClearName);
  // A hotkey without Ctrl or Alt would take a key the user types everywhere:
  // a lone key or one with Shift becomes Ctrl+Alt with it.
  for (framework::HotKeyEdit* hotKey : {NextHotKey, BackHotKey})
    hotKey->SetRules(HKCOMB_NONE | HKCOMB_S, HOTKEYF_CONTROL | HOTKEYF_ALT);
  SpinEdit1->SetMinValue(0), SpinEdit1->SetMaxValue(23);
  SpinEdit2->SetMinValue(1), SpinEdit2->SetMaxValue(60);
  SpinEdit3->SetMinValue(0), SpinEdit3->SetMaxValue(200);
  SpinEdit4->SetMinValue(10), SpinEdit4->SetMaxValue(100);
  SpinEdit5->SetMinValue(20), SpinEdit5->SetMaxValue(120);
  MinShareEdit->SetMinValue(0), MinShareEdit->SetMaxValue(100), MinShareEdit->SetIncrement(10);
  LoopOut1->SetMinValue(128), LoopOut1->SetMaxValue(4096), LoopOut1->SetIncrement(128);
  LoopOut1->SetValue(defaults::kLoopCounter);
  LoopOut1->SetEditorEnabled(false);
  Edit1->SetReadOnly(true);
  Button3->SetHint(kButton3Hint);
  Button3->SetShowHint(true);
  Edit2->SetMaxLength(0);
  Memo1->SetLines(kCustomMaskHelp);
  Memo1->SetReadOnly(true);
  Memo1->SetWantReturns(false);
  // Its lines were written to fill the box: the text gets all of its width.
  Memo1->SetMargins(1, 1);
  OpenDialog1.SetFilter(kSoundFilter);

  OnShow = [this] { FormShow(); };
  CheckBox4->OnClick = [this] { CheckBox4Click(); };
  CheckBox8->OnClick = [this] { FitStyleBox->SetEnabled(CheckBox8->Checked()); };
  CaptionCheck->OnClick = [this] { CaptionCheckClick(); };
  SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
  SpinEdit2->OnChange = [this] { SpinEdit2Change(); };
  SpinEdit3->OnChange = [this] { SpinEdit3Change(); };
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };
  Button5->OnClick = [this] { Button5Click(); };
  Memo1->OnDblClick = [this] { Memo1DblClick(); };
  NextHotKeyClear->OnClick = [this] { NextHotKey->SetValue(0); };
  BackHotKeyClear->OnClick = [this] { BackHotKey->SetValue(0); };

  FormCreate(commandLine);
}

void TForm2::FormCreate(const CommandLine& commandLine) {
  FillFormatList();
  LoadNumberSettings();
  if (Events.slotCountChanged) Events.slotCountChanged(SpinEdit3->Value());
  LoadSwitchSettings();
  SpinEdit1->SetEnabled(CheckBox4->Checked());
  SpinEdit2->SetEnabled(CheckBox4->Checked());
  FitStyleBox->SetEnabled(CheckBox8->Checked());
  CaptionCheckClick();
  if (commandLine.Silent()) {
    Application::Instance().SetShowMainForm(false);
  } else if (commandLine.Reset()) {
    if (Events.timerSwitched) Events.timerSwitched(false);
    Application::Instance().SetShowMainForm(true);
  }
}

void TForm2::FormShow() { RandomMemoColor(); }

void TForm2::CaptionCheckClick() {
  CaptionFormatEdit->SetEnabled(CaptionCheck->Checked());
  CaptionCornerBox->SetEnabled(CaptionCheck->Checked());
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
  o.fitStyle = FitStyleBox->ItemIndex();
  o.perMonitor = MonitorCheck->Checked();
  o.matchShape = MatchShapeCheck->Checked();
  o.minPictureShare = MinShareEdit->Value();
  o.caption = CaptionCheck->Checked();
  o.captionFormat = CaptionFormatEdit->Text();
  o.captionCorner = CaptionCornerBox->ItemIndex();
  o.autoFind = CheckBox11->Checked();
  o.loopCounter = LoopOut1->Value();
  o.customMask = Edit2->Text();
  o.playSound = SoundPlayCheck->Checked();
  o.soundFile = Edit1->Text();
  o.hotKeyNext = NextHotKey->Value();
  o.hotKeyBack = BackHotKey->Value();
  o.quietFullScreen = FullScreenCheck->Checked();
  o.quietBattery = BatteryCheck->Checked();
  return o;
}

void TForm2::LoadNumberSettings() {
  // A file that cannot be read leaves the values last read from it (the
  // defaults when none was): a cancel never takes the options of the run.
  if (OpenSettings().Readable()) {
    stored_ = ReadOptions(OpenSettings());
    settingsRead_ = true;
  }
  const ProgramOptions& stored = stored_;
  SpinEdit1->SetValue(stored.hours);
  SpinEdit2->SetValue(stored.minutes);
  SpinEdit3->SetValue(stored.slotCount);
  SpinEdit4->SetValue(stored.loadThreshold);
  SpinEdit5->SetValue(stored.giveUpSeconds);
  LoopOut1->SetValue(stored.loopCounter);
  MinShareEdit->SetValue(stored.minPictureShare);
}

void TForm2::LoadSwitchSettings() {
  const ProgramOptions& stored = stored_;  // as LoadNumberSettings read them
  CheckBox1->SetChecked(stored.startUpChange);
  CheckBox2->SetChecked(stored.taskTray);
  CheckBox3->SetChecked(stored.splash);
  CheckBox4->SetChecked(stored.timerChange);
  CheckBox5->SetChecked(stored.changeStyle);
  CheckBox6->SetChecked(stored.delayedStart);
  CheckBox8->SetChecked(stored.fitToScreen);
  FitStyleBox->SetItemIndex(static_cast<int>(FitStyleOf(stored.fitStyle)));
  MonitorCheck->SetChecked(stored.perMonitor);
  MatchShapeCheck->SetChecked(stored.matchShape);
  CaptionCheck->SetChecked(stored.caption);
  CaptionFormatEdit->SetText(stored.captionFormat);
  CaptionCornerBox->SetItemIndex(static_cast<int>(CaptionCornerOf(stored.captionCorner)));
  CheckBox11->SetChecked(stored.autoFind);
  SoundPlayCheck->SetChecked(stored.playSound);
  Edit1->SetText(stored.soundFile);
  Edit2->SetText(stored.customMask);
  NextHotKey->SetValue(static_cast<WORD>(stored.hotKeyNext));
  BackHotKey->SetValue(static_cast<WORD>(stored.hotKeyBack));
  storedHotKeyNext_ = NextHotKey->Value();
  storedHotKeyBack_ = BackHotKey->Value();
  FullScreenCheck->SetChecked(stored.quietFullScreen);
  BatteryCheck->SetChecked(stored.quietBattery);
}

void TForm2::SwitchTimer(bool on) { CheckBox4->SetChecked(on); }

void TForm2::SetSlotCount(int slotCount) { SpinEdit3->SetValue(slotCount); }

void TForm2::Button1Click() {
  // A mask with more patterns than slots, or one the settings file would
  // give back cut, is refused before anything is cleaned or stored; the
  // dialog stays open with the text as typed.
  if (!CustomMaskFits(Edit2->Text())) {
    Application::Instance().MessageBox(kMaskTooLongText, kMaskTooLongCaption, MB_OK | MB_ICONERROR);
    return;
  }
  static_assert(kCustomMaskMaxCharacters == framework::IniFile::kMaxValueLength);
  if (!CustomMaskStorable(Edit2->Text())) {
    Application::Instance().MessageBox(kMaskTooLongToStoreText, kMaskTooLongCaption, MB_OK | MB_ICONERROR);
    return;
  }
  if (NextHotKey->Value() != 0 && NextHotKey->Value() == BackHotKey->Value()) {
    Application::Instance().MessageBox(kHotKeysSameText, kHotKeysSameCaption, MB_OK | MB_ICONERROR);
    PageControl1->SetActivePage(TabSheet2);
    return;
  }
  while (!ValidateCustomMask()) {
  }
  while (!NormalizeCustomMask()) {
  }
  const ProgramOptions options = Values();
  // Every key of the OK in one replacement of the file: a refused write
  // leaves the file as it was, and the dialog open.
  framework::IniEdit settings(OpenSettings());
  WriteOptions(settings, options);
  if (Events.slotsStored) Events.slotsStored(SpinEdit3->Value());
  WriteFileSearchOptions(settings, options);
  settings.Commit();
  stored_ = options;  // what the dialog holds is what the file holds now
  settingsRead_ = true;
  if (options.hotKeyNext != storedHotKeyNext_ || options.hotKeyBack != storedHotKeyBack_) {
    storedHotKeyNext_ = options.hotKeyNext;
    storedHotKeyBack_ = options.hotKeyBack;
    if (Events.hotKeysChanged) Events.hotKeysChanged(options.hotKeyNext, options.hotKeyBack);
  }
  SetModalResult(IDOK);
  Close();
}

void TForm2::Button2Click() {
  LoadNumberSettings();
  LoadSwitchSettings();
  SetModalResult(IDCANCEL);
  Close();
}

void TForm2::Button3Click() {
  if (OpenDialog1.Execute(Handle())) Edit1->SetText(OpenDialog1.FileName());
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
    // The minutes may step below 0 now: that borrows an hour.
    SpinEdit2->SetMinValue(-1);
  }
}

void TForm2::SpinEdit2Change() {
  // Hours and minutes behave as one duration: -1 minutes borrow an hour,
  // 60 minutes carry into the hours.
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

void TForm2::FillFormatList() {
  FilterComboBox1->SetFilter(BuildFormatListText(RegisteredPictureFormats(), ArchiveLibraryInSystemFolder()));
}

void TForm2::Button5Click() {
  const std::string patterns = FilterComboBox1->Mask();
  std::string mask = Edit2->Text();
  if (mask.empty()) {
    mask = patterns;
  } else if (mask.back() == ';') {
    mask += patterns;
  } else {
    mask += ";" + patterns;
  }
  Edit2->SetText(mask);
}

bool TForm2::ValidateCustomMask() {
  std::string mask = Edit2->Text();
  const bool nothingRemoved = kaleidon::ValidateCustomMask(mask);
  Edit2->SetText(mask);
  return nothingRemoved;
}

bool TForm2::NormalizeCustomMask() {
  std::string mask = Edit2->Text();
  const bool nothingRemoved = kaleidon::NormalizeCustomMask(mask);
  Edit2->SetText(mask);
  return nothingRemoved;
}

void TForm2::RandomMemoColor() {
  framework::Font font = Memo1->GetFont();
  font.color = kMemoColors[static_cast<size_t>(framework::Random(static_cast<int>(kMemoColors.size())))];
  Memo1->SetFont(font);
}

void TForm2::Memo1DblClick() { RandomMemoColor(); }

}  // namespace kaleidon
