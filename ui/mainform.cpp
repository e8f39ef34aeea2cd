#include "ui/mainform.h"
#include "ui/foldercontrols.h"

#include <algorithm>
#include <utility>

#include "change/changecycle.h"
#include "core/filterlist.h"
#include "core/loadgate.h"
#include "core/options.h"
#include "core/settings.h"
#include "core/storeproblems.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/base/trace.h"
#include "framework/gui/application.h"
#include "framework/gui/hotkeys.h"
#include "framework/gui/layout.h"
#include "framework/gui/resources.h"
#include "framework/imaging/graphics.h"
#include "plugins/spis.h"
#include "selection/exclusions.h"
#include "tray/trayicon.h"
#include "ui/folderlistform.h"
#include "ui/optionsform.h"
#include "ui/settingsfile.h"
#include "ui/splashform.h"
#include "ui/viewerform.h"

namespace kaleidon {

using framework::Application;
using framework::JoinPath;
using framework::ProgramFolder;

namespace {

// What the window shows.
constexpr const char* kCaption = "Kaleidon v0.6.1";
constexpr const char* kButton1Caption = "壁紙変更(&C)";
constexpr const char* kButton3Caption = "ランダム(&R)";
constexpr const char* kButton4Caption = "オプション(&O)";
constexpr const char* kButton7Caption = "ｲﾒｰｼﾞﾋﾞｭｰ(&I)";
constexpr const char* kButton5Caption = "リスト更新(&N)";
constexpr const char* kButton10Caption = "ヘルプ(&H)";
constexpr const char* kButton6Caption = "ﾌｫﾙﾀﾞ記憶(&M)";
constexpr const char* kButton8Caption = "ﾌｫﾙﾀﾞ変更(&F)";
constexpr const char* kButton9Caption = "ﾌｫﾙﾀﾞﾘｽﾄ(&L)";
constexpr const char* kButton12Caption = "自動登録(&A)";
constexpr const char* kButton2Caption = "終了(&X)";
constexpr const char* kButton11Caption = "前の壁紙に戻す(&B)";
constexpr const char* kLabel3Caption = "記憶パス＝";
constexpr const char* kLabel2Caption = "現在パス＝";
constexpr const char* kLabel6Caption = "表示ﾌｧｲﾙ＝";
// What assistive technology calls the controls that have no label.
constexpr const char* kDriveBoxName = "ドライブ";
constexpr const char* kFolderTreeName = "フォルダ";
constexpr const char* kFileTypeBoxName = "ファイルの種類";
constexpr const char* kFileListName = "ファイル";
constexpr const char* kSlotBoxName = "記憶番号";
constexpr const char* kShowItem = "表示";
constexpr const char* kTimerStopItem = "ﾀｲﾏｰｽﾄｯﾌﾟ";
constexpr const char* kTimerStartItem = "ﾀｲﾏｰｽﾀｰﾄ";
constexpr const char* kRandomItem = "ﾗﾝﾀﾞﾑ";
constexpr const char* kBackItem = "前の壁紙に戻す(&B)";
constexpr const char* kNeverAgainItem = "この壁紙を今後使わない(&X)";
// With a picture on each monitor: which monitor's picture (its number, the
// picture's name).
constexpr const char* kNeverAgainMonitorItem = "モニター%s：%s";
constexpr const char* kOptionItem = "ｵﾌﾟｼｮﾝ";
constexpr const char* kExitItem = "終了";
constexpr const char* kTrayTip = "カレイドン参上！";
// What the window's caption and the tray tip add while the interval timer's
// change waits.
constexpr const char* kFullScreenWaitStatus = "全画面ﾌﾟﾛｸﾞﾗﾑ使用中のため変更待機中...";
constexpr const char* kBatteryWaitStatus = "ﾊﾞｯﾃﾘｰ駆動中のため変更待機中...";
constexpr UINT kQuietCheckInterval = 5000;  // milliseconds
// The ids of the hotkeys registered on the window.
constexpr int kHotKeyNextId = 1;
constexpr int kHotKeyBackId = 2;
constexpr const char* kHotKeyTakenCaption = "悪のホットキーエラー";
constexpr const char* kHotKeyTakenText =
    "ぬぐっ！ホットキー「%s」は既に悪の別のプログラムに使われているぞ！\r"
    "「%s」はこのキーでは呼び出せない。\r"
    "オプションの「その他」で別の正義のキーを設定してくれ！";
constexpr const char* kHotKeyNextAction = "次の壁紙";
constexpr const char* kHotKeyBackAction = "前の壁紙に戻す";
constexpr const char* kAboutCloseText = "Close";  // the about window's close label
constexpr const char* kBusyCaption = "待ってくれ";
constexpr const char* kBusyText = "そう急かさないでくれ";
constexpr const char* kEvilErrorCaption = "悪のエラー";
constexpr const char* kDarknessErrorCaption = "闇のエラー";
constexpr const char* kReadErrorCaption = "暗黒の読み取りエラー";
constexpr const char* kDriveErrorCaption = "暗黒のドライブチェンジエラー";
constexpr const char* kGreetingCaption = "作者の挨拶";
constexpr const char* kGreetingText =
    "初めまして、「カレイドン」作者の「白樺　雫」です。\r"
    "拙作「カレイドン」をお使い頂き誠にありがとうございます。\r"
    "至らぬ所があると思いますが「カレイドン」共々これから宜しくお願い致します。\r"
    "でわでわ、「カレイドン Version0.6」の世界をお楽しみください（＾＾；";
constexpr const char* kUpgradeCaption = "カレイドン Version0.6";
constexpr const char* kUpgradeText =
    "バージョンアップありがとうございます\r"
    "Version0.6より圧縮ファイル(LHA)にも対応しました。 \r"
    "詳細はヘルプファイルをご覧ください。\r"
    "\r"
    "フォルダバッファの拡張子を変更しましが、通常通り\r"
    "お使い頂くだけで結構です。全て自動で処理をします。\r"
    "\r"
    "同じフォルダを複数登録する事ができなくなりました。\r"
    "エラー回避のため、完全最適化を実行します。";
constexpr const char* kNoFileToViewText =
    "ぐふっ！正義のファイルが選択されていないぞ\r"
    "正義のファイルを選択してからもう一度ボタンを押してくれ";
constexpr const char* kFileToViewMissingText =
    "ぐをっ！指定した正義のファイルが存在しないとは････\r"
    "別の正義のフォルダに移動されたか、悪の削除をされた可能性がある\r"
    "正義の延髄蹴りでファイルリストを最新のものに更新だ！！";
constexpr const char* kViewReadErrorText =
    "チッ！指定された正義のファイルの読み込みに失敗してしまった････\r"
    "正義のファイルが破損しているか、この謎のフォーマットには対応していないぞ";
constexpr const char* kNothingSelectedText =
    "正義のファイルが選択されていないぞ\r"
    "正義のファイルを選択してからもう一度ボタンを押すのだ！";
constexpr const char* kFileMissingText =
    "はぐぁ！指定した正義のファイルが存在しない････\r"
    "別の正義のフォルダに移動されたか、闇の削除をされた可能性がある\r"
    "正義の手刀でファイルリストを最新のものに更新するぞ！";
constexpr const char* kHelpMissingText = "ぐはっ！正義のヘルプが開けないぞ！\r";  // then the help page's path
constexpr const char* kHelpMissingTextEnd =
    "\rこのファイルが無いか、開くための正義のブラウザが見つからない。\r"
    "配布された zip から取り出し直すか、ブラウザで直接開いてみてくれ！";

constexpr const char* kPluginSetAsideCaption = "悪のプラグインエラー";
constexpr const char* kPluginSetAsideText =
    "ぐはっ！正義のプラグインが暴走して倒れてしまった････\r"
    "カレイドンを次に起動するまで、このプラグインは正義の封印をしておくぞ。\r"
    "因みにプラグインは%sだ。";
// Beside the program: what the plug-ins said of themselves, so that a start
// need not load them.
constexpr const char* kPluginFormatsFile = "PluginFormats.cache";
constexpr const char* kDriveErrorText =
    "ぐあぁぁぁ！無効なドライブ指定をくらってしまった！\r"
    "正義のディスクが正義のドライブに入っていないか、正義のはずのディスクが\r"
    "悪の破損をしていかもしれん";

framework::FormStyle MainStyle() {
  framework::FormStyle s = framework::FormStyle::FixedDialog("TMyMainForm", kCaption, 516, 410);
  s.minimizeBox = true;
  s.ownedByApplication = false;  // the main window has the taskbar button
  return s;
}

}  // namespace

bool SPIs1PictureRegister(const std::string& extension) {
  std::string upper = framework::AsciiUpper(extension);
  return upper != "JPG" && upper != "JPEG";
}

TForm1::TForm1(const CommandLine& commandLine) : Form(MainStyle()) {
  constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kFuchsia = RGB(255, 0, 255);
  framework::CreateControls(*this, {
      {&Label5, 0, 0, 516, 410, "", framework::kTransparent | framework::kFixedSize},
      {&dcb1, 5, 5, 251, 0},
      {&dlb1, 5, 35, 251, 221},
      {&FilterComboBox1, 260, 5, 251, 0},
      {&FileListBox1, 260, 35, 201, 221, "", framework::kHidden},
      {&FileListBox2, 260, 35, 251, 221},
      {&Button1, 5, 265, 0, 0, kButton1Caption},
      {&Button3, 90, 265, 0, 0, kButton3Caption},
      {&Button4, 175, 265, 0, 0, kButton4Caption},
      {&Button7, 260, 265, 0, 0, kButton7Caption},
      {&Button5, 345, 265, 0, 0, kButton5Caption},
      {&Button10, 430, 265, 0, 0, kButton10Caption},
      {&SpinEdit1, 5, 300, 81, 24},
      {&Button6, 90, 300, 0, 0, kButton6Caption, framework::kDisabled},
      {&Button8, 175, 300, 0, 0, kButton8Caption},
      {&Button9, 260, 300, 0, 0, kButton9Caption},
      {&Button12, 345, 300, 0, 0, kButton12Caption},
      {&Button2, 430, 300, 0, 0, kButton2Caption},
      {&Label3, 5, 330, 0, 0, kLabel3Caption},
      {&Label4, 68, 330, 0, 0, "", 0, kRed},
      {&Label2, 5, 345, 0, 0, kLabel2Caption},
      {&Label1, 68, 345, 0, 0, "", 0, kBlue},
      {&Label6, 5, 360, 0, 0, kLabel6Caption},
      {&Label7, 68, 360, 0, 0, "", 0, kFuchsia},
      {&Button11, 390, 380, 121, 25, kButton11Caption},
  });

  framework::TraceStep("main window: controls");
  dcb1->SetAccessibleName(kDriveBoxName);
  dlb1->SetAccessibleName(kFolderTreeName);
  FilterComboBox1->SetAccessibleName(kFileTypeBoxName);
  FileListBox2->SetAccessibleName(kFileListName);
  SpinEdit1->SetAccessibleName(kSlotBoxName);
  FileListBox2->SetMask("*.bmp");
  FileListBox2->SetFileTypes(framework::kAllFileTypes);
  FileListBox2->SetShowIcons(true);
  FileListBox1->SetFileTypes(framework::kAllFileTypes);
  dlb1->SetFileList(FileListBox2);
  FilterComboBox1->SetFileList(FileListBox2);
  FilterComboBox1->SetShowHint(true);
  SpinEdit1->SetMinValue(1);
  SpinEdit1->SetMaxValue(200);
  SpinEdit1->SetValue(1);
  SpinEdit1->SetEditorEnabled(false);

  cycleHost_ = std::make_unique<CycleHost>(*this);
  Cycle = std::make_unique<ChangeCycle>(*cycleHost_, Application::Instance(), OpenSettings());

  Timer1 = std::make_unique<framework::Timer>();
  Timer1->SetInterval(60000);
  Timer1->OnTimer = [this] { Timer1Timer(); };
  Timer2 = std::make_unique<framework::Timer>();
  Timer2->SetEnabled(false);
  Timer2->SetInterval(kQuietCheckInterval);
  Timer2->OnTimer = [this] { Timer2Timer(); };

  PopupMenu1 = std::make_unique<framework::PopupMenu>(this, "PopupMenu1");
  PopupMenu1->Add("Show1", kShowItem, [this] { Show1Click(); });
  PopupMenu1->Add("TimerSS", kTimerStopItem, [this] { TimerSSClick(); });
  PopupMenu1->Add("N2", kRandomItem, [this] { N2Click(); });
  PopupMenu1->Add("Back1", kBackItem, [this] { Button11Click(); });
  PopupMenu1->Add("NeverAgain1", kNeverAgainItem, [this] { NeverAgain1Click(); });
  PopupMenu1->Add("Option1", kOptionItem, [this] { Option1Click(); });
  PopupMenu1->Add("N1", "-", nullptr);
  PopupMenu1->Add("Exit1", kExitItem, [this] { Button2Click(); });
  PopupMenu1->OnPopup = [this] { PopupMenu1Popup(); };
  NeverAgainMenu = std::make_unique<framework::PopupMenu>(this, "NeverAgainMenu");

  // A button can be pressed before the first idle moment (an automation
  // tool's BM_CLICK, a screen reader's default action): what it reaches is
  // made first.
  const auto needingLaterWindows = [this](void (TForm1::*handler)()) {
    return [this, handler] {
      MakeLaterWindows();
      (this->*handler)();
    };
  };
  Button1->OnClick = needingLaterWindows(&TForm1::Button1Click);
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = needingLaterWindows(&TForm1::Button3Click);
  Button11->OnClick = needingLaterWindows(&TForm1::Button11Click);
  Button4->OnClick = needingLaterWindows(&TForm1::Button4Click);
  Button5->OnClick = [this] { Button5Click(); };
  Button7->OnClick = needingLaterWindows(&TForm1::Button7Click);
  Button6->OnClick = needingLaterWindows(&TForm1::Button6Click);
  Button8->OnClick = needingLaterWindows(&TForm1::Button8Click);
  Button9->OnClick = needingLaterWindows(&TForm1::Button9Click);
  Button12->OnClick = needingLaterWindows(&TForm1::Button12Click);
  SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
  Button10->OnClick = [this] { Button10Click(); };
  dlb1->OnChange = [this] { dlb1Change(); };
  dcb1->OnChange = [this] { dcb1Change(); };
  FilterComboBox1->OnChange = [this] { FilterComboBox1Change(); };
  FileListBox2->OnDblClick = [this] { FileListBox2DblClick(); };
  Label5->OnDblClick = [this] { Label5DblClick(); };
  OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  OnSysCommand = [this](WPARAM command) { return WMSysCommand(command); };

  // The plug-ins are searched before the file-type list is built, so their
  // formats are in it.
  SPIs1 = std::make_unique<TSPIs>();
  SPIs1->SearchOptions = {spsSusieDir, spsAppDir, spsSystemDir};
  SPIs1->OnPictureRegister = [](TSPIs&, TInSPI&, const std::string& extension, const std::string&,
                                TGraphicClass& graphicClass) {
    if (!SPIs1PictureRegister(extension)) graphicClass = {};
  };
  SPIs1->OnSetAside = [](TSPIs&, const std::string& fileName) {
    Application::Instance().MessageBox(framework::FormatText(kPluginSetAsideText, {fileName}),
                                       kPluginSetAsideCaption, MB_OK | MB_ICONWARNING);
  };
  SPIs1->FormatCacheFile = JoinPath(ProgramFolder(), kPluginFormatsFile);
  SPIs1->Loaded();
  framework::TraceStep("main window: plug-ins");

  FormCreate(commandLine);
  framework::TraceStep("main window: settings read");

  // The tray icon is there from the start, whether the window shows or not.
  TrayIcon1 = std::make_unique<TTrayIcon>(this);
  TrayIcon1->SetIcon(framework::ProgramIcon(framework::IconSize::Small));  // the component keeps a copy
  TrayIcon1->SetTipHelp(kTrayTip);
  TrayIcon1->SetRBPopupMenu(PopupMenu1.get());
  TrayIcon1->OnClick = [this](TTrayIcon&) { Button3Click(); };
  TrayIcon1->OnDblClick = [this](TTrayIcon&) { TrayIcon1DblClick(); };
  TrayIcon1->SetVisible(true);
  // Its clicks and menu reach the other windows: it answers once they all
  // exist (WindowsMade), never when the start-up fails before.
  TrayIcon1->SetEnabled(false);
  try {
    TrayIcon1->Loaded();
  } catch (const framework::Exception& e) {
    Application::Instance().ShowException(e);
  }
  framework::TraceStep("main window: tray icon");
}

void TForm1::WindowsMade(bool hotKeys) {
  TrayIcon1->SetEnabled(true);
  // Without its tray icon a hidden window could never be reached again:
  // the window shows, whatever "/s" or TaskTray asked for.
  if (!TrayIcon1->Registered()) Application::Instance().SetShowMainForm(true);
  if (!hotKeys) return;
  const ProgramOptions options = Options->Values();
  RegisterHotKeys(options.hotKeyNext, options.hotKeyBack);
}

void TForm1::MakeLaterWindows() {
  if (LaterWindows) std::exchange(LaterWindows, nullptr)();
}

TForm1::~TForm1() { UnregisterHotKeys(); }

void TForm1::FormCreate(const CommandLine& commandLine) {
  StartLoadStatistics();
  const std::string programFolder = ProgramFolder();
  const std::string tempFolder = JoinPath(programFolder, "Temp");
  framework::IniFile ini = OpenSettings();

  // A settings file that refuses a write, or cannot be read, is said once;
  // the program starts all the same.
  Application& app = Application::Instance();
  if (commandLine.Reset()) {
    dlb1->SetDirectory(programFolder);
    if (char drive = framework::DriveLetter(programFolder)) dcb1->SetDrive(drive);
    StoreOrReport(app, [&] { ini.EraseSection(kSysInfo); });
    return;
  }

  // The version marker: greet a first start, explain an upgrade. A file
  // that cannot be read is neither: it runs on the defaults, and nothing of
  // it is erased or written.
  const framework::IniEdit stored(ini);
  settingsRead_ = !stored.Unread();
  if (!settingsRead_) ReportStoreProblem(app, framework::EReadRefused(ini.FileName()));
  bool firstStart = !framework::FileExists(ini.FileName());
  bool upgrade = !firstStart && settingsRead_ &&
                 stored.ReadString(kSysInfo, kProgramVersionKey, kOldestProgramVersion) != kProgramVersion;
  if (firstStart) app.MessageBox(kGreetingText, kGreetingCaption, MB_OK);
  if (upgrade) app.MessageBox(kUpgradeText, kUpgradeCaption, MB_OK | MB_ICONINFORMATION);
  if (firstStart || upgrade) {
    framework::CreateFolder(tempFolder);
    StoreOrReport(app, [&] {
      framework::IniEdit edit(ini);
      edit.EraseSection(kSelectedDirectorys);
      edit.EraseSection(kAllFilesSelectedDirectorys);
      edit.Commit();
    });
  }

  Application::Instance().OnMinimize = [this] { HideMainWindow(); };
  framework::Randomize();
  if (!framework::DirectoryExists(tempFolder)) framework::CreateFolder(tempFolder);

  // The options dialog comes later: the stored options are read here.
  const ProgramOptions options = ReadOptions(ini);
  // The file type is chosen before the list has a folder, so that the
  // folder is read once, with its mask.
  BuildFilterList(options.customMask);
  int filter = stored.ReadInteger(kSysInfo, kFilterKey, defaults::kFilter);
  if (filter < 0 || filter >= FilterComboBox1->Count()) filter = FilterComboBox1->Count() - 1;
  FilterComboBox1->SetItemIndex(filter);
  FileListBox2->SetMask(FilterComboBox1->Mask());
  FilterComboBox1Change();
  CurrentFolder = stored.ReadString(kSysInfo, kPathKey, programFolder);
  try {
    FileListBox2->SetDirectory(CurrentFolder);
  } catch (const framework::Exception&) {
    ReportFolderGone(app);
    CurrentFolder = programFolder;
    StoreOrReport(app, [&] { ini.WriteString(kSysInfo, kPathKey, programFolder); });
  }

  try {
    dlb1->SetDirectory(CurrentFolder);
  } catch (const framework::Exception&) {
    // The stored folder could be listed but not entered; the program folder
    // always can.
    CurrentFolder = programFolder;
    dlb1->SetDirectory(CurrentFolder);
  }
  if (char drive = framework::DriveLetter(dlb1->Directory())) dcb1->SetDrive(drive);
  FileListBox2->SetTopIndex(0);
  Label1->SetText(JoinPath(CurrentFolder, ""));
  TimerTicks = 0;
  if (options.taskTray) app.SetShowMainForm(false);
  // The monitors may have changed since the last run (a laptop shut down
  // docked and started alone): the pictures they showed are made again for
  // the desktop as it is, before the window shows. A change of the command
  // line makes a new wallpaper anyway.
  if (!commandLine.Change()) Cycle->PrepareAgain(options.Wallpaper());
}

void TForm1::BuildFilterList(const std::string& customMask) {
  FilterComboBox1->SetFilter(BuildFilterText(RegisteredPictureFormats(), ArchiveLibraryInSystemFolder(), customMask));
}

void TForm1::FormCloseQuery(bool& canClose) {
  if (!ended_) {  // else the session's end has ended the run already
    // A refused write is said, and the program ends all the same.
    StoreOrReport(Application::Instance(), [this] { WriteProgramEnd(); });
    StopLoadStatistics();
    EmptyTemp();
  }
  UnregisterHotKeys();
  canClose = true;
}

void TForm1::WriteProgramEnd() {
  if (!Options && !LaterWindows) return;  // the start-up failed before the options existed
  // What the run did not read from the file is not written over it.
  if (!settingsRead_ || (Options && !Options->SettingsRead())) return;
  framework::IniEdit settings(OpenSettings());
  // A run that ends in its first moments, before the options dialog is
  // made, ends on the stored options. After a reset start no entry is
  // chosen; the combined entry is stored then, since an index of -1 would
  // open the next run on the empty custom filter and list no picture at all.
  WriteProgramEndSettings(settings, Options ? Options->Values() : ReadOptions(OpenSettings()),
                          {CurrentFolder, SpinEdit1->Value(), std::max(0, FilterComboBox1->ItemIndex())});
  settings.Commit();  // every program-end key in one replacement
}

void TForm1::EmptyTemp() {
  // Pictures taken out of archives live in Temp only for one change; the
  // folder is emptied at the end of the run, whatever attributes they have.
  // A Temp that cannot be read, or a file that will not go, is left as it
  // is: the run ends all the same.
  std::string tempFolder = JoinPath(ProgramFolder(), "Temp");
  if (!framework::DirectoryExists(tempFolder)) return;
  try {
    // Listed already (a cancelled shutdown looked before): read it again.
    if (framework::SameTextNoCase(JoinPath(FileListBox1->Directory(), ""), JoinPath(tempFolder, "")))
      FileListBox1->Update();
    else
      FileListBox1->SetDirectory(tempFolder);
  } catch (const framework::Exception&) {
    return;
  }
  for (const std::string& name : FileListBox1->Items()) {
    std::string path = JoinPath(tempFolder, name);
    if (framework::FileExists(path)) framework::ForceDeleteFile(path);
  }
}

void TForm1::WMQueryEndSession() {
  // Windows may end the process as soon as the session ends, so the run's
  // end is done now.
  EndRunQuietly();
}

void TForm1::WMEndSession(bool ending) {
  if (!ending) {
    // Another program cancelled the shutdown: the run goes on, and its end
    // is still to come.
    if (ended_) StartLoadStatistics();
    ended_ = false;
    return;
  }
  EndRunQuietly();  // when the system skipped the question
  Hide();
  Application::Instance().Terminate();
}

void TForm1::EndRunQuietly() {
  if (ended_) return;
  ended_ = true;
  // No box may hold up the shutdown. A refused write loses nothing: the
  // settings file on disk stays whole.
  try {
    WriteProgramEnd();
  } catch (...) {
  }
  try {
    StopLoadStatistics();
    EmptyTemp();
  } catch (...) {
  }
}

namespace {
// The main window's own message: the desktop's change has been handled.
constexpr UINT kWallpaperAgainMessage = WM_APP + 23;
// What the shell broadcasts when it starts again.
UINT ShellStartedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}
}  // namespace

void TForm1::DesktopChanged(bool applyAgain) {
  applyAgain_ = applyAgain_ || applyAgain;
  // One change of the desktop comes as several messages: the wallpaper is
  // made once, after them.
  if (!wallpaperAgainPosted_ && Handle()) wallpaperAgainPosted_ = PostMessageW(Handle(), kWallpaperAgainMessage, 0, 0);
}

void TForm1::WallpaperAgain() {
  wallpaperAgainPosted_ = false;
  const bool apply = std::exchange(applyAgain_, false);
  if (!Cycle) return;
  if (Cycle->ChangeBusy) {
    desktopChangedInChange_ = true;
    applyAgain_ = apply;
    return;
  }
  const WallpaperOptions options = Options ? Options->Values().Wallpaper() : ReadOptions(OpenSettings()).Wallpaper();
  if (!Cycle->PrepareAgain(options) && apply) Cycle->ApplyAgain();
}

LRESULT TForm1::WindowMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == ShellStartedMessage() && msg != 0) {
    DesktopChanged(true);
    return Form::WindowMessage(msg, wp, lp);
  }
  switch (msg) {
    case WM_DISPLAYCHANGE:
      DesktopChanged(false);
      break;
    case WM_DPICHANGED:
      DesktopChanged(false);
      break;
    case WM_SETTINGCHANGE:
      if (wp == SPI_SETWORKAREA) DesktopChanged(false);
      break;
    case WM_POWERBROADCAST:
      if (wp == PBT_APMRESUMEAUTOMATIC || wp == PBT_APMRESUMESUSPEND) {
        DesktopChanged(true);
        // A program that held the keys may have let them go.
        Application::Instance().Dispatch([this] { TryHotKeys(); });
      }
      break;
    case kWallpaperAgainMessage:
      Application::Instance().Dispatch([this] { WallpaperAgain(); });
      return 0;
    case WM_QUERYENDSESSION:
      WMQueryEndSession();
      return TRUE;
    case WM_ENDSESSION:
      WMEndSession(wp != FALSE);
      return 0;
    case WM_HOTKEY:
      Application::Instance().Dispatch([this, wp] { WMHotKey(static_cast<int>(wp)); });
      return 0;
  }
  return Form::WindowMessage(msg, wp, lp);
}

void TForm1::Button2Click() { Close(); }

void TForm1::Button3Click() {
  if (Cycle->ChangeBusy) {
    Application::Instance().MessageBox(kBusyText, kBusyCaption, MB_OK);
    return;
  }
  ChangeWallpaper(true);
}

void TForm1::Button11Click() {
  if (Cycle->ChangeBusy) {
    Application::Instance().MessageBox(kBusyText, kBusyCaption, MB_OK);
    return;
  }
  const bool wentBack = Cycle->GoBack(Options->Values());
  RunWhatWaited();
  if (!wentBack) Beep();
}

void TForm1::NeverAgain1Click() {
  if (Cycle->ChangeBusy) {
    Application::Instance().MessageBox(kBusyText, kBusyCaption, MB_OK);
    return;
  }
  const ShownSources shown = Cycle->ShownNow();
  if (shown.empty()) {
    Beep();
    return;
  }
  if (shown.size() == 1) {
    NeverAgain(shown.front(), false);
    return;
  }
  // A picture on each monitor: the user says which one, in a menu where
  // the tray menu was.
  NeverAgainMenu->Clear();
  for (size_t monitor = 0; monitor < shown.size(); ++monitor) {
    NeverAgainMenu->Add("Monitor" + std::to_string(monitor + 1),
                        framework::FormatText(kNeverAgainMonitorItem,
                                              {std::to_string(monitor + 1), shown[monitor].source.Name()}),
                        [this, screen = shown[monitor]] { NeverAgain(screen, true); });
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  NeverAgainMenu->Popup(cursor.x, cursor.y);
}

void TForm1::NeverAgain(const ScreenSource& screen, bool thisMonitorOnly) {
  try {
    ExcludePicture(screen.source);
  } catch (const framework::Exception& e) {
    // The list could not be read or written: the wallpaper stays.
    Application::Instance().MessageBox(e.Message(), kEvilErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  ChangeWallpaper(true, thisMonitorOnly ? screen.monitor : std::string());
}

void TForm1::ChangeWallpaper(bool apply, const std::string& onlyMonitor) {
  Cycle->ChangeWallpaper(Options->Values(), apply, onlyMonitor);
  RunWhatWaited();
}

void TForm1::RunWhatWaited() {
  // The desktop changed while the cycle was busy: its wallpaper may have
  // been made for the desktop as it was.
  if (std::exchange(desktopChangedInChange_, false)) DesktopChanged(false);
  // The timer's change came due meanwhile: it comes now, once.
  if (std::exchange(timerChangeWaiting_, false)) TimerChangeDue();
}

void TForm1::Button1Click() {
  // A change waits for a picture meanwhile: this one would end it halfway.
  if (Cycle->ChangeBusy) {
    Application::Instance().MessageBox(kBusyText, kBusyCaption, MB_OK);
    return;
  }
  Button1->SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  Button1->Repaint();
  auto restoreCursor = framework::ScopeExit([this] { Button1->SetCursor(nullptr); });
  int row = FileListBox2->ItemIndex();
  if (row < 0) {
    Application::Instance().MessageBox(kNothingSelectedText, kEvilErrorCaption, MB_OK | MB_ICONWARNING);
    return;
  }
  std::string path = JoinPath(FileListBox2->Directory(), FileListBox2->Items()[row]);
  if (framework::AsciiLower(framework::ExtractFileExt(path)) == ".lzh") {
    // The archive dialog takes archives chosen by hand.
    if (OnArchiveChosen) OnArchiveChosen(path);
    return;
  }
  if (framework::FileExists(path)) {
    Cycle->ShowPicture(path, true, Options->Values().Wallpaper());
    RunWhatWaited();
  } else {
    Application::Instance().MessageBox(kFileMissingText, kDarknessErrorCaption, MB_OK | MB_ICONWARNING);
    FileListBox2->Update();
  }
}

void TForm1::ShowExtracted(const PickResult& extracted) {
  Cycle->TakeExtracted(extracted);
  if (extracted.kind != PickResult::Kind::Picture || !framework::FileExists(extracted.path)) return;
  Cycle->ShowPicture(extracted.path, true, Options->Values().Wallpaper());
  RunWhatWaited();
}

void TForm1::Button4Click() {
  if (Options->Visible()) {
    Options->BringToFront();
  } else {
    TryHotKeys();
    Options->ShowModal();
  }
}

void TForm1::Button5Click() {
  dcb1->Repaint();
  dlb1->Update();
  FileListBox2->Update();
}

void TForm1::Button7Click() {
  Application& app = Application::Instance();
  int row = FileListBox2->ItemIndex();
  if (row < 0) {
    app.MessageBox(kNoFileToViewText, kDarknessErrorCaption, MB_OK | MB_ICONWARNING);
    return;
  }
  std::string path = JoinPath(FileListBox2->Directory(), FileListBox2->Items()[row]);
  if (!framework::FileExists(path)) {
    app.MessageBox(kFileToViewMissingText, kDarknessErrorCaption, MB_OK | MB_ICONWARNING);
    FileListBox2->Update();
    return;
  }
  Button7->SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  Button7->Repaint();
  bool loaded = Viewer->LoadPicture(path);
  Button7->SetCursor(nullptr);
  if (!loaded) {
    app.MessageBox(kViewReadErrorText, kReadErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  Viewer->ShowViewer();
}

void TForm1::Button9Click() { FolderList->ShowModal(); }

void TForm1::Button10Click() {
  // The help lies beside the program, wherever it was started from.
  if (OpenHelp(ProgramFolder(), framework::WindowsFolder(), Help)) return;
  Application::Instance().MessageBox(kHelpMissingText + JoinPath(ProgramFolder(), kHelpPageName) + kHelpMissingTextEnd,
                                     kDarknessErrorCaption, MB_OK | MB_ICONWARNING);
}

void TForm1::dlb1Change() {
  CurrentFolder = dlb1->Directory();
  Label1->SetText(JoinPath(CurrentFolder, ""));
  if (FileListBox2->Count() > 0) FileListBox2->SetItemIndex(0);
}

void TForm1::dcb1Change() {
  if (changingDrive_) return;
  changingDrive_ = true;
  CurrentFolder = dlb1->Directory();
  char savedDrive = framework::DriveLetter(CurrentFolder);
  try {
    dlb1->SetDrive(dcb1->Drive());
  } catch (const framework::Exception&) {
    Application::Instance().MessageBox(kDriveErrorText, kDriveErrorCaption, MB_OK | MB_ICONWARNING);
    try {
      dlb1->SetDirectory(CurrentFolder);
    } catch (const framework::Exception&) {
    }
    if (savedDrive) dcb1->SetDrive(savedDrive);
  }
  CurrentFolder = dlb1->Directory();
  changingDrive_ = false;
}

void TForm1::FilterComboBox1Change() { FilterComboBox1->SetHint(FilterComboBox1->Mask()); }

void TForm1::FileListBox2DblClick() { Button1->Click(); }

void TForm1::TrayIcon1DblClick() {
  if (Options->Visible()) Options->Close();
  Show();
  Application::Instance().Restore();
  Application::Instance().BringToFront();
}

void TForm1::Show1Click() { TrayIcon1DblClick(); }
void TForm1::N2Click() { Button3->Click(); }
void TForm1::Option1Click() { Button4->Click(); }

void TForm1::TimerSSClick() { Options->SwitchTimer(!Options->Values().timerChange); }

void TForm1::PopupMenu1Popup() {
  PopupMenu1->Item("TimerSS").SetCaption(Options->Values().timerChange ? kTimerStopItem : kTimerStartItem);
  PopupMenu1->Item("NeverAgain1").SetEnabled(!Cycle->ShownNow().empty());
}

bool TForm1::WMSysCommand(WPARAM command) {
  if (command != SC_MINIMIZE) return false;
  Hide();
  return true;
}

void TForm1::HideMainWindow() { Hide(); }

void TForm1::Label5DblClick() {
  TForm3 about(Application::Instance().Handle(), true);
  about.Label1->SetEnabled(true);
  about.Label1->SetText(kAboutCloseText);
  about.ShowModal();
}

void TForm1::Timer1Timer() {
  ++TimerTicks;
  if (TimerTicks >= Options->Values().IntervalMinutes()) TimerChangeDue();
}

void TForm1::Timer2Timer() {
  if (waiting_ != QuietReason::None) TimerChangeDue();
}

void TForm1::TimerChangeDue() {
  // A change under way (its box waits for the user) is never entered
  // again: the timer's change comes once it has ended.
  if (Cycle->ChangeBusy) {
    timerChangeWaiting_ = true;
    return;
  }
  const ProgramOptions options = Options->Values();
  const QuietReason reason = QuietWaitReason(options.quietFullScreen, options.quietBattery, Quiet);
  ShowWaiting(reason);
  if (reason != QuietReason::None) return;  // still due: it comes once the reason is gone
  ChangeWallpaper(true);
  TimerTicks = 0;
}

void TForm1::ShowWaiting(QuietReason reason) {
  if (reason == waiting_) return;
  waiting_ = reason;
  Timer2->SetEnabled(reason != QuietReason::None);
  std::string status;
  if (reason == QuietReason::FullScreen) status = kFullScreenWaitStatus;
  if (reason == QuietReason::Battery) status = kBatteryWaitStatus;
  SetCaption(status.empty() ? std::string(kCaption) : std::string(kCaption) + " - " + status);
  if (TrayIcon1) TrayIcon1->SetTipHelp(status.empty() ? std::string(kTrayTip) : std::string(kTrayTip) + "\n" + status);
}

void TForm1::OptionsHotKeysChanged(int next, int back) { RegisterHotKeys(next, back); }

void TForm1::RegisterHotKeys(int next, int back) {
  UnregisterHotKeys();
  hotKeys_ = {{kHotKeyNextId, kHotKeyNextAction, next}, {kHotKeyBackId, kHotKeyBackAction, back}};
  TryHotKeys();
}

void TForm1::TryHotKeys() {
  if (!Handle()) return;
  for (HotKey& hotKey : hotKeys_) {
    if (hotKey.registered) continue;
    const WORD value = static_cast<WORD>(hotKey.value);
    if (framework::RegisterGlobalHotKey(Handle(), hotKey.id, value)) {
      hotKey.registered = value != 0;
      continue;
    }
    // Another program holds the keys: said once in a run for each hotkey;
    // the other hotkey and the rest of the program work all the same.
    if (std::find(hotKeysReported_.begin(), hotKeysReported_.end(), hotKey.value) != hotKeysReported_.end()) continue;
    hotKeysReported_.push_back(hotKey.value);
    Application::Instance().MessageBox(
        framework::FormatText(kHotKeyTakenText, {framework::HotKeyName(value), hotKey.action}), kHotKeyTakenCaption,
        MB_OK | MB_ICONWARNING);
  }
}

void TForm1::UnregisterHotKeys() {
  for (HotKey& hotKey : hotKeys_) {
    if (hotKey.registered && Handle()) UnregisterHotKey(Handle(), hotKey.id);
    hotKey.registered = false;
  }
}

void TForm1::WMHotKey(int id) {
  // A hotkey does what the tray icon's click and the back button do.
  if (!TrayIcon1 || !TrayIcon1->Enabled() || !Options) return;
  if (id == kHotKeyNextId) Button3Click();
  if (id == kHotKeyBackId) Button11Click();
}

void TForm1::OptionsSlotCountChanged(int slotCount) {
  if (slotCount == 0) {
    SpinEdit1->SetEnabled(false);
    Button6->SetEnabled(false);
  } else if (slotCount == 1) {
    SpinEdit1->SetEnabled(true);
    Button6->SetEnabled(true);
    SpinEdit1->SetMinValue(1);
    SpinEdit1->SetMaxValue(1);
  } else if (slotCount >= 2 && slotCount <= kMaxFolderSlots) {
    SpinEdit1->SetEnabled(true);
    Button6->SetEnabled(true);
    SpinEdit1->SetMaxValue(slotCount);
  }
}

void TForm1::OptionsTimerSwitched(bool on) {
  Timer1->SetEnabled(on);
  // A change that waited is no longer due.
  if (!on) ShowWaiting(QuietReason::None);
}

}  // namespace kaleidon
