#include "ui/mainform.h"
#include "ui/foldercontrols.h"

#include <algorithm>
#include <utility>

#include "change/changecycle.h"
#include "change/runstart.h"
#include "core/filterlist.h"
#include "core/loadgate.h"
#include "core/options.h"
#include "core/settings.h"
#include "core/storeproblems.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/base/trace.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "framework/gui/resources.h"
#include "framework/imaging/graphics.h"
#include "selection/exclusions.h"
#include "tray/trayicon.h"
#include "ui/folderlistform.h"
#include "ui/optionsform.h"
#include "ui/pictureplace.h"
#include "ui/settingsfile.h"
#include "ui/splashform.h"
#include "ui/viewerform.h"

namespace kaleidon {

using framework::Application;
using framework::JoinPath;
using framework::ProgramFolder;

namespace {

// What the window shows.
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
constexpr const char* kOpenPlaceItem = "この画像の場所を開く(&O)";
constexpr const char* kOptionItem = "ｵﾌﾟｼｮﾝ";
constexpr const char* kExitItem = "終了";
// While the interval timer's change waits: how often it looks again.
constexpr UINT kQuietCheckInterval = 5000;  // milliseconds
constexpr const char* kAboutCloseText = "Close";  // the about window's close label
constexpr const char* kBusyCaption = "待ってくれ";
constexpr const char* kBusyText = "そう急かさないでくれ";
constexpr const char* kEvilErrorCaption = "悪のエラー";
constexpr const char* kDarknessErrorCaption = "闇のエラー";
constexpr const char* kReadErrorCaption = "暗黒の読み取りエラー";
constexpr const char* kDriveErrorCaption = "暗黒のドライブチェンジエラー";
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

constexpr const char* kDriveErrorText =
    "ぐあぁぁぁ！無効なドライブ指定をくらってしまった！\r"
    "正義のディスクが正義のドライブに入っていないか、正義のはずのディスクが\r"
    "悪の破損をしていかもしれん";

// The main window's own message: the desktop's change has been handled.
constexpr UINT kWallpaperAgainMessage = WM_APP + 23;

framework::FormStyle MainStyle() {
  framework::FormStyle s = framework::FormStyle::FixedDialog("TMyMainForm", TForm1::kCaption, 516, 410);
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
  FileListBox2->SetFileTypes(kListedFileTypes);
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
  PopupMenu1->Add("OpenPlace1", kOpenPlaceItem, [this] { OpenPlace1Click(); });
  PopupMenu1->Add("Option1", kOptionItem, [this] { Option1Click(); });
  PopupMenu1->Add("N1", "-", nullptr);
  PopupMenu1->Add("Exit1", kExitItem, [this] { Button2Click(); });
  PopupMenu1->OnPopup = [this] { PopupMenu1Popup(); };
  NeverAgainMenu = std::make_unique<framework::PopupMenu>(this, "NeverAgainMenu");

  // The buttons of the other windows make them when first pressed; the
  // rest of the window works on the values alone.
  const auto needingLaterWindow = [this](LaterWindow window, void (TForm1::*handler)()) {
    return [this, window, handler] {
      MakeLaterWindow(window);
      (this->*handler)();
    };
  };
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };
  Button11->OnClick = [this] { Button11Click(); };
  Button4->OnClick = needingLaterWindow(LaterWindow::Options, &TForm1::Button4Click);
  Button5->OnClick = [this] { Button5Click(); };
  Button7->OnClick = needingLaterWindow(LaterWindow::Viewer, &TForm1::Button7Click);
  Button6->OnClick = [this] { Button6Click(); };
  Button8->OnClick = [this] { Button8Click(); };
  Button9->OnClick = needingLaterWindow(LaterWindow::FolderList, &TForm1::Button9Click);
  Button12->OnClick = needingLaterWindow(LaterWindow::FolderList, &TForm1::Button12Click);
  SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
  Button10->OnClick = [this] { Button10Click(); };
  dlb1->OnChange = [this] { dlb1Change(); };
  dcb1->OnChange = [this] { dcb1Change(); };
  FilterComboBox1->OnChange = [this] { FilterComboBox1Change(); };
  FileListBox2->OnDblClick = [this] { FileListBox2DblClick(); };
  Label5->OnDblClick = [this] { Label5DblClick(); };
  OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  OnSysCommand = [this](WPARAM command) { return WMSysCommand(command); };

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
  // It answers once the start has read the options and the slots
  // (WindowsMade), never when the start-up fails before.
  TrayIcon1->SetEnabled(false);
}

void TForm1::AddTrayIcon() {
  try {
    TrayIcon1->Loaded();
  } catch (const framework::Exception& e) {
    Application::Instance().ShowException(e);
  }
  framework::TraceStep("main window: tray icon");
}

void TForm1::WindowsMade(bool hotKeys) {
  windowsMade_ = true;
  TrayIcon1->SetEnabled(true);
  Application& app = Application::Instance();
  if (app.ShowMainForm()) {
    // The window shows: its icon joins the notification area once the
    // window has painted and waits for input (before any input is taken),
    // so that the shell's answer does not hold the window back.
    if (!trayIconQueued_) {
      trayIconQueued_ = true;
      app.WhenIdle([window = Handle()] {
        // Nothing when the window has gone meanwhile.
        if (auto* main = dynamic_cast<TForm1*>(framework::Form::FromHandle(window))) main->AddTrayIcon();
      });
    }
  } else {
    AddTrayIcon();
    // Without its tray icon a hidden window could never be reached again:
    // the window shows, whatever "/s" or TaskTray asked for.
    if (!TrayIcon1->Registered()) app.SetShowMainForm(true);
  }
  if (!hotKeys) return;
  const ProgramOptions options = CurrentOptions();
  RegisterHotKeys(options.hotKeyNext, options.hotKeyBack);
}

ProgramOptions TForm1::CurrentOptions() const { return Options ? Options->Values() : storedOptions_; }

void TForm1::MakeLaterWindow(LaterWindow window) {
  if (LaterWindows) LaterWindows(window);
}

TForm1::~TForm1() { UnregisterHotKeys(); }

void TForm1::FormCreate(const CommandLine& commandLine) {
  StartLoadStatistics();
  const std::string programFolder = ProgramFolder();
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

  const RunStart start = StartRun(ini, app);
  settingsRead_ = start.settingsRead;
  // Read anew after the start's own writes, as the options dialog reads
  // them when it is made.
  storedOptions_ = AsTheDialogHoldsThem(ini.Readable() ? ReadOptions(ini) : ProgramOptions{});
  Application::Instance().OnMinimize = [this] { HideMainWindow(); };

  // The options dialog comes later: the stored options are read here.
  const ProgramOptions& options = start.options;
  // The file type is chosen before the list has a folder, so that the
  // folder is read once, with its mask.
  BuildFilterList(options.customMask);
  int filter = start.filter;
  if (filter < 0 || filter >= FilterComboBox1->Count()) filter = FilterComboBox1->Count() - 1;
  FilterComboBox1->SetItemIndex(filter);
  FileListBox2->SetMask(FilterComboBox1->Mask());
  FilterComboBox1Change();
  CurrentFolder = start.folder;
  try {
    FileListBox2->SetDirectory(CurrentFolder);
  } catch (const framework::Exception&) {
    CurrentFolder = ReplaceGoneFolder(ini, app);
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
  if (!commandLine.Change()) {
    const ChangeOutcome outcome = Cycle->PrepareAgain(options.Wallpaper());
    if (outcome.status) Label7->SetText(*outcome.status);
  }
}

void TForm1::BuildFilterList(const std::string& customMask) {
  FilterComboBox1->SetFilter(BuildFilterText(RegisteredPictureFormats(), ArchiveLibraryInSystemFolder(), customMask));
}

namespace {
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
  const ChangeOutcome outcome = Cycle->PrepareAgain(CurrentOptions().Wallpaper());
  ShowOutcome(outcome);
  if (!outcome.done && apply) Cycle->ApplyAgain();
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
        // The clock moved on while the machine slept: the folder shown may
        // have left its time.
        DayTime.watch.Resumed();
        Application::Instance().Dispatch([this] { CheckTimeOfDay(); });
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
    case WM_COPYDATA:
      if (CopyData) return CopyData(lp);
      break;
  }
  return Form::WindowMessage(msg, wp, lp);
}

void TForm1::Button2Click() { Close(); }

void TForm1::Button3Click() {
  if (ChangeRefused()) return;
  ChangeWallpaper(true);
}

void TForm1::Button11Click() {
  if (ChangeRefused()) return;
  const ChangeOutcome outcome = Cycle->GoBack(Request(true));
  ShowOutcome(outcome);
  RunWhatWaited();
  if (!outcome.done) Beep();
}

void TForm1::NeverAgain1Click() {
  if (ChangeRefused()) return;
  if (!ChooseShownPicture(Cycle->ShownNow(), *NeverAgainMenu,
                          [this](const ScreenSource& screen, bool ofSeveral) { NeverAgain(screen, ofSeveral); }))
    Beep();
}

void TForm1::OpenPlace1Click() {
  if (!ChooseShownPicture(Cycle->ShownNow(), *NeverAgainMenu,
                          [this](const ScreenSource& screen, bool) { OpenExplorer(PlaceOf(screen.source)); }))
    Beep();
}

void TForm1::NeverAgain(const ScreenSource& screen, bool thisMonitorOnly) {
  if (ChangeRefused()) return;
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
  ChangeRequest request = Request(apply);
  request.onlyMonitor = onlyMonitor;
  ShowOutcome(Cycle->ChangeWallpaper(request));
  RunWhatWaited();
}

ChangeRequest TForm1::Request(bool apply) {
  return ChangeRequest{.options = CurrentOptions(),
                       .apply = apply,
                       .slots = &Slots,
                       .currentSlot = SpinEdit1->Value(),
                       .folder = FileListBox2->Directory(),
                       .mask = FileListBox2->Mask(),
                       .listed = FileListBox2->Items(),
                       .clock = DayTime.clock};
}

void TForm1::ShowOutcome(const ChangeOutcome& outcome) {
  if (outcome.slotsChanged && FolderList) FolderList->ShowSlots();
  if (outcome.folderChanged || outcome.listRead) {
    FileListBox2->ShowFiles(outcome.folder, outcome.names);
    if (outcome.folderChanged) {
      try {
        OpenFolder(outcome.folder);
      } catch (const framework::Exception&) {
        // Gone again since: the list shows what the change found.
      }
    }
  }
  if (outcome.currentSlot >= 1 && SpinEdit1->Enabled()) {
    SpinEdit1->SetValue(outcome.currentSlot);
    SpinEdit1Change();  // the slot's folder, also when the slot stayed
  }
  if (outcome.listRow) FileListBox2->SetItemIndex(*outcome.listRow);
  if (outcome.status) Label7->SetText(*outcome.status);
  if (outcome.done) {
    // What the clock's checks go by: the slot the rotation took, if it did.
    DayTime.shownSlot = outcome.currentSlot;
    const int slotCount = SpinEdit1->Enabled() ? CurrentOptions().slotCount : 0;
    DayTime.watch.Shown(
        ShownFolderOutOfTime(Slots.Times(slotCount), DayTime.shownSlot, DayTime.clock().minute));
  }
}

bool TForm1::ChangeRefused() {
  if (!Cycle->ChangeBusy) return false;
  Application::Instance().MessageBox(kBusyText, kBusyCaption, MB_OK);
  return true;
}

void TForm1::RunWhatWaited() {
  // The session ended or the window was closed meanwhile: the run ends now.
  if (const int ending = std::exchange(sessionEndWaiting_, 0)) {
    ending == 2 ? WMEndSession(true) : WMQueryEndSession();
    if (ending == 2) return;
  }
  if (std::exchange(closeWaiting_, false)) {
    Close();
    return;
  }
  // The desktop changed while the cycle was busy: its wallpaper may have
  // been made for the desktop as it was.
  if (std::exchange(desktopChangedInChange_, false)) DesktopChanged(false);
  // The timer's change came due meanwhile: it comes now, once.
  if (std::exchange(timerChangeWaiting_, false)) TimerChangeDue();
  if (ChangeEnded) ChangeEnded();
}

void TForm1::Button1Click() {
  if (ChangeRefused()) return;
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
    ShowOutcome(Cycle->ShowPicture(path, true, CurrentOptions().Wallpaper()));
    RunWhatWaited();
  } else {
    Application::Instance().MessageBox(kFileMissingText, kDarknessErrorCaption, MB_OK | MB_ICONWARNING);
    FileListBox2->Update();
  }
}

void TForm1::ShowExtracted(const PickResult& extracted) {
  // Taken out all the same: deleted after the next change that shows a picture.
  Cycle->TakeExtracted(extracted);
  if (extracted.kind == PickResult::Kind::Picture && ChangeRefused()) return;
  if (extracted.kind != PickResult::Kind::Picture || !framework::FileExists(extracted.path)) return;
  ShowOutcome(Cycle->ShowPicture(extracted.path, true, CurrentOptions().Wallpaper()));
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
  if (Options && Options->Visible()) Options->Close();
  Show();
  Application::Instance().Restore();
  Application::Instance().BringToFront();
}

void TForm1::Show1Click() { TrayIcon1DblClick(); }
void TForm1::N2Click() { Button3->Click(); }
void TForm1::Option1Click() { Button4->Click(); }

void TForm1::TimerSSClick() {
  // The dialog's box is the switch the program end stores.
  MakeLaterWindow(LaterWindow::Options);
  Options->SwitchTimer(!Options->Values().timerChange);
}

void TForm1::PopupMenu1Popup() {
  PopupMenu1->Item("TimerSS").SetCaption(CurrentOptions().timerChange ? kTimerStopItem : kTimerStartItem);
  PopupMenu1->Item("NeverAgain1").SetEnabled(!Cycle->ShownNow().empty());
  PopupMenu1->Item("OpenPlace1").SetEnabled(!Cycle->ShownNow().empty());
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

}  // namespace kaleidon
