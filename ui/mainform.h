#pragma once
// The main window: folder and file-type choice, the buttons of the change by
// hand and of the other windows, the tray icon and its menu, the interval
// timer. It holds the program-wide values of a run. It reads the options
// only as the options dialog's value and follows the dialog's events.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/commandline.h"
#include "core/options.h"
#include "core/quiet.h"
#include "core/wallpaper.h"
#include "framework/gui/extctrls.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/forms.h"
#include "framework/gui/menus.h"
#include "framework/gui/spinedit.h"
#include "framework/gui/stdctrls.h"
#include "change/backlist.h"
#include "change/changecycle.h"
#include "selection/foldermemory.h"
#include "selection/folderslots.h"
#include "selection/randomfile.h"
#include "selection/timespan.h"
#include "ui/help.h"
#include "ui/mainwindowlink.h"
#include "ui/pictureplace.h"

namespace kaleidon {

class TForm2;
class TForm4;
class TForm5;
class TTrayIcon;

class TForm1 : public framework::Form, public MainWindowLink {
 public:
  // The window's caption and the tray icon's tip; a change that waits adds
  // why to both.
  static constexpr const char* kCaption = "Kaleidon v0.6.1";
  static constexpr const char* kTrayTip = "カレイドン参上！";

  explicit TForm1(const CommandLine& commandLine);
  ~TForm1() override;

  // The narrow side start-up sees (MainWindowLink).
  void OptionsMade(TForm2& options) override { Options = &options; }
  void ViewerMade(TForm4& viewer) override { Viewer = &viewer; }
  void FolderListMade(TForm5& folderList) override { FolderList = &folderList; }
  FolderSlots& RememberedFolders() override { return Slots; }
  framework::Form& Window() override { return *this; }
  void SetLaterWindows(std::function<void(LaterWindow)> make) override { LaterWindows = std::move(make); }

 private:
  // Tests reach the controls and the other windows through it
  // (tests/support/mainwindow.h); the program goes through the methods.
  friend struct TForm1TestAccess;

  // The other windows, set once they exist: made when first needed.
  TForm2* Options = nullptr;  // shown by Button4; read through CurrentOptions()
  TForm4* Viewer = nullptr;
  TForm5* FolderList = nullptr;

  framework::DriveComboBox* dcb1;               // the drive box
  framework::DirectoryListBox* dlb1;            // the folder tree
  framework::FilterComboBox* FilterComboBox1;   // the file-type box
  framework::FileListBox* FileListBox2;         // the file list the pictures are drawn from
  framework::FileListBox* FileListBox1;         // hidden: lists Temp when it is emptied
  framework::Button* Button1;                   // "壁紙変更": the selected file by hand
  framework::Button* Button3;                   // "ランダム": one random change
  framework::Button* Button4;                   // "オプション": the options dialog
  framework::Button* Button7;                   // "ｲﾒｰｼﾞﾋﾞｭｰ": the viewer
  framework::Button* Button5;                   // "リスト更新": reads the lists again
  framework::Button* Button10;                  // "ヘルプ"
  framework::SpinEdit* SpinEdit1;               // the current folder slot
  framework::Button* Button6;                   // "ﾌｫﾙﾀﾞ記憶": remembers the folder in the slot
  framework::Button* Button8;                   // "ﾌｫﾙﾀﾞ変更": recalls the slot's folder
  framework::Button* Button9;                   // "ﾌｫﾙﾀﾞﾘｽﾄ": the folder list dialog
  framework::Button* Button12;                  // "自動登録": automatic registration
  framework::Button* Button2;                   // "終了"
  framework::Button* Button11;                  // "前の壁紙に戻す": back to the previous wallpaper
  framework::Label* Label3;                     // "記憶パス＝"
  framework::Label* Label4;                     // the current slot's folder
  framework::Label* Label2;                     // "現在パス＝"
  framework::Label* Label1;                     // the current folder
  framework::Label* Label6;                     // "表示ﾌｧｲﾙ＝"
  framework::Label* Label7;                     // the file shown last
  framework::Label* Label5;                     // the whole window: a double click opens the about window
  std::unique_ptr<framework::Timer> Timer1;     // the interval timer, one tick a minute
  // While the interval timer's change waits for a quiet moment: looks again
  // every five seconds.
  std::unique_ptr<framework::Timer> Timer2;
  std::unique_ptr<framework::PopupMenu> PopupMenu1;  // the tray menu
  // Which monitor's picture "この壁紙を今後使わない" and "この画像の場所を開く"
  // mean, when each shows its own.
  std::unique_ptr<framework::PopupMenu> NeverAgainMenu;
  std::unique_ptr<TTrayIcon> TrayIcon1;

 public:

  // How "ヘルプ" opens the help (tests look instead of opening).
  HelpOpeners Help = HelpOpeners::System();
  // How going back past the oldest wallpaper is answered (tests count).
  std::function<void()> Beep = [] { MessageBeep(MB_OK); };
  // How a picture's place is shown in Explorer (tests look instead).
  std::function<void(const std::string& path)> OpenExplorer = SystemExplorer();
  // What the interval timer's change asks before it comes (tests put in
  // their own).
  QuietEnvironment Quiet = QuietEnvironment::System();

  // Program-wide values of the run; the change cycle holds the others
  // (ChangeBusy, MeltFile).
  std::string CurrentFolder;
  int TimerTicks = 0;
  std::unique_ptr<ChangeCycle> Cycle;

  // The patterns of the file type chosen (the archive dialog lists its
  // members under them).
  std::string FileTypeMask() override { return FilterComboBox1->Mask(); }
  // The archive dialog's member, extracted into Temp, as the wallpaper.
  void ShowExtracted(const PickResult& extracted) override;
  // The start has made what the run needs first: the tray icon answers
  // and the hotkeys are taken. A run that only makes the command line's
  // change takes no hotkeys.
  void WindowsMade(bool hotKeys) override;
  // Makes another window now when it is not yet: whatever needs it (its
  // button, the tray menu) finds it there.
  void MakeLaterWindow(LaterWindow window) override;
  // The options of the moment: the options dialog's once it is made, the
  // stored ones as the dialog will hold them before.
  ProgramOptions CurrentOptions() const override;
  // A command from another start of the program (WM_COPYDATA's lParam),
  // answered; and what comes after every change (the commands that came
  // during it). The start-up sets both.
  std::function<LRESULT(LPARAM)> CopyData;
  std::function<void()> ChangeEnded;
  // Folders by the time of day: the clock they go by (tests move their
  // own), the watch over the folder shown, and a look each minute (and at
  // the next span's begin or end) while any folder has a span. CheckTimeOfDay
  // changes the wallpaper, as the interval timer does, when the folder shown
  // has left its time.
  struct TimeOfDayCheck {
    DayClock clock = SystemDayClock();
    SpanWatch watch;
    std::unique_ptr<framework::Timer> timer;
    int shownSlot = 0;  // the slot the rotation took for the picture shown; 0: none
  } DayTime;
  void CheckTimeOfDay() override;

  // Handlers.
  void FormCreate(const CommandLine& commandLine);
  void FormCloseQuery(bool& canClose);
  // The session ends (shutdown, log-off): the run ends as with a close,
  // without a message box. WM_ENDSESSION(false) is a cancelled shutdown.
  void WMQueryEndSession();
  void WMEndSession(bool ending);
  void Button2Click();
  void Button3Click();
  // Back to the previous wallpaper.
  void Button11Click();
  void Button4Click();
  void Button5Click();
  void Button7Click();
  void Button9Click();
  void Button10Click();
  void dlb1Change();
  void dcb1Change();
  void FilterComboBox1Change();
  void FileListBox2DblClick();
  void TrayIcon1DblClick();
  void Show1Click();
  void N2Click();
  void Option1Click();
  void TimerSSClick();
  void PopupMenu1Popup();
  bool WMSysCommand(WPARAM command);
  void HideMainWindow();
  void Label5DblClick();
  void Timer1Timer();
  void Timer2Timer();
  // Why the interval timer's due change waits; None when nothing waits.
  QuietReason TimerChangeWaits() const { return waiting_; }
  // The options dialog's events: the slot box and the remember button follow
  // the slot count, the interval timer its switch.
  void OptionsSlotCountChanged(int slotCount) override;
  void OptionsTimerSwitched(bool on) override;
  // ... and the hotkeys theirs (the control's values, 0: none).
  void OptionsHotKeysChanged(int next, int back) override;
  // A hotkey was pressed (WM_HOTKEY's id).
  void WMHotKey(int id);
  // The folder list has filled its slot table: the slot box shows its slot.
  void SlotTableFilled(int slotCount) override;

  // The random change: the change cycle with the options of the moment
  // (for one monitor only, when named).
  void ChangeWallpaper(bool apply, const std::string& onlyMonitor = {}) override;
  // "この壁紙を今後使わない": the picture shown (with several, the one the
  // user picks) goes into its folder's exclusion list, and its monitor gets
  // a new picture at once.
  void NeverAgain1Click();
  void NeverAgain(const ScreenSource& screen, bool thisMonitorOnly);
  // "この画像の場所を開く": Explorer opens on the picture shown (with several,
  // the one the user picks), or on the archive that holds it.
  void OpenPlace1Click();
  // Folder memory over this window's controls and the folder list's table.
  FolderMemory Memory(int slotCount) override;
  void Button6Click();
  void Button8Click();
  void SpinEdit1Change();
  // Makes a folder the current folder of the folder tree (the drive box
  // follows); raises when the folder cannot be entered.
  void OpenFolder(const std::string& folder) override;
  // Automatic registration: every folder below the current one that holds a
  // picture goes into the next free slots, then the list is compacted.
  void Button12Click();
  // The choice by hand of the selected file.
  void Button1Click();
  // An archive chosen by hand goes to the archive dialog.
  void WhenArchiveChosen(std::function<void(const std::string& archive)> open) override {
    OnArchiveChosen = std::move(open);
  }

 protected:
  LRESULT WindowMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  // The remembered folders, which the folder list shows.
  FolderSlots Slots;
  // How the windows made after the main one (options, viewer, folder list)
  // are made once each is needed; empty when the start made them all.
  std::function<void(LaterWindow)> LaterWindows;
  // The options as the start read them, as long as the dialog is not made.
  ProgramOptions storedOptions_;
  bool slotsKnown_ = false;   // the slots were read: the slot box and the clock follow them
  bool windowsMade_ = false;  // the start got as far as WindowsMade
  // The tray icon goes to the notification area: at once for a start in
  // the tray, once the window has shown for the others.
  void AddTrayIcon();
  bool trayIconQueued_ = false;
  // The file-type list (run once while the window is made).
  void BuildFilterList(const std::string& customMask);

  // A change asked of the cycle with the values this window shows, and
  // what came of it shown.
  ChangeRequest Request(bool apply);
  void ShowOutcome(const ChangeOutcome& outcome);
  // What the close and the session end do: the program-end keys of the
  // settings file (raises when a write is refused), and Temp emptied.
  void WriteProgramEnd();
  void EmptyTemp();
  // The run's end at the session's end: once, and without a message box.
  void EndRunQuietly();
  // The interval timer's change is due: it comes now, or waits while the
  // user should not be disturbed.
  void TimerChangeDue();
  void ShowWaiting(QuietReason reason);
  QuietReason waiting_ = QuietReason::None;
  // The system-wide hotkeys. Keys another program held are tried again
  // (TryHotKeys) when the options are shown and when the system resumes;
  // that they are taken is said once in a run for each.
  void RegisterHotKeys(int next, int back);
  void TryHotKeys();
  void UnregisterHotKeys();
  struct HotKey {
    int id;
    const char* action;
    int value = 0;
    bool registered = false;
  };
  std::vector<HotKey> hotKeys_;
  std::vector<int> hotKeysReported_;

  class FolderControls;
  class CycleHost;
  std::unique_ptr<FolderControls> folderControls_;
  std::unique_ptr<CycleHost> cycleHost_;
  bool changingDrive_ = false;
  bool ended_ = false;  // the session end has ended the run
  bool settingsRead_ = true;  // the start read the settings file (or found none)
  // The desktop changed: once the messages of the change are handled, the
  // wallpaper is made again for it (and applied again when asked).
  void DesktopChanged(bool applyAgain);
  void WallpaperAgain();
  bool wallpaperAgainPosted_ = false;
  bool applyAgain_ = false;
  bool desktopChangedInChange_ = false;
  bool timerChangeWaiting_ = false;  // the timer's change came due during another
  // The window was closed, or the session ended (1: asked, 2: ended),
  // while a change ran: the run ends once it has.
  bool closeWaiting_ = false;
  int sessionEndWaiting_ = 0;
  // The one guard of every change asked for by the user (the buttons, the
  // tray, the hotkeys, going back, never-again, a picture by hand): while a
  // change runs it is refused with "待ってくれ". The timer's change and the
  // display's change wait instead (RunWhatWaited).
  bool ChangeRefused();
  // What waited while a change, going back or a picture set by hand ran:
  // the run's end, the wallpaper made again for a desktop that changed,
  // the timer's change.
  void RunWhatWaited();
  std::function<void(const std::string& archive)> OnArchiveChosen;
};

// Picture formats that plug-ins offer are refused for JPEG, which the JPEG
// library always decodes.
bool SPIs1PictureRegister(const std::string& extension);

}  // namespace kaleidon
