#include "app/startup.h"

#include <windows.h>

#include "archive/unlha32.h"
#include "app/plugins.h"
#include "app/remotecommand.h"
#include "change/changecycle.h"
#include "change/runstart.h"
#include "core/filterlist.h"
#include "core/loadgate.h"
#include "core/monitors.h"
#include "core/options.h"
#include "core/settings.h"
#include "framework/base/folderfiles.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/trace.h"
#include "framework/gui/application.h"
#include "framework/gui/shellicons.h"
#include "ui/archiveform.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/mainwindowlink.h"
#include "ui/optionsform.h"
#include "ui/settingsfile.h"
#include "ui/splashform.h"
#include "plugins/spis.h"
#include "ui/viewerform.h"

namespace kaleidon {

namespace {

using framework::Application;

constexpr const char* kSecondStartCaption = "二重起動";
constexpr const char* kSecondStartText = "カレイドンは既に起動されています。同時に複数の起動はできません。";
constexpr const char* kApplicationTitle = "カレイドン";
constexpr const char* kEvilErrorCaption = "悪のエラー";
// What the splash says while the program starts.
constexpr const char* kStartingStatus = "ｶﾚｲﾄﾞﾝ起動中";
constexpr const char* kMainWindowStatus = "起動処理中...";
constexpr const char* kOptionsStatus = "ｵﾌﾟｼｮﾝ設定更新中...";
constexpr const char* kDelayedStartStatus = "ｽﾛｰｽﾀｰﾄ待機中...";
constexpr const char* kStartUpChangeStatus = "壁紙変更中...";

// Another copy runs: say so, bring it forward and leave.
void ReportRunningCopy() {
  Application::Instance().MessageBox(kSecondStartText, kSecondStartCaption, MB_OK | MB_ICONINFORMATION, true);
  if (HWND running = FindWindowW(L"TMyMainForm", nullptr)) {
    SetForegroundWindow(running);
    HWND owner = GetWindow(running, GW_OWNER);
    if (owner && IsIconic(owner)) SendMessageW(owner, WM_SYSCOMMAND, SC_RESTORE, -1);
  }
}

// Another copy runs: a command for it goes over to it, and the exit code
// says how that went; a plain start says a copy runs. Nothing when that copy
// ended meanwhile and this one carries the command out itself.
std::optional<int> SecondStart(const CommandLine& commandLine) {
  RunningCopy copy;
  copy.runs = [] {
    HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName);
    if (running) CloseHandle(running);
    return running != nullptr;
  };
  if (std::optional<int> code = HandOverCommand(commandLine, copy, [](const std::string& line) { TellStarter(line); }))
    return code;
  if (commandLine.ForRunningCopy()) return std::nullopt;
  ReportRunningCopy();
  return 0;
}

// What the splash says of the kind of start the options ask for.
void ShowStartKindStatus(TForm3& splash, const ProgramOptions& options) {
  if (options.delayedStart) splash.ShowStatus(kDelayedStartStatus);
  if (options.startUpChange) splash.ShowStatus(kStartUpChangeStatus);
}

// What the splash says before each step of the creation.
void ShowCreationStatus(TForm3& splash, const ProgramWindows& windows, ProgramWindows::Step step) {
  switch (step) {
    case ProgramWindows::Step::Main:
      splash.ShowStatus(kMainWindowStatus);
      break;
    case ProgramWindows::Step::OptionsAndViewer:
      splash.ShowStatus(kOptionsStatus);
      break;
    case ProgramWindows::Step::FolderList:
      ShowStartKindStatus(splash, windows.options->Values());
      break;
  }
}

}  // namespace

ProgramWindows::ProgramWindows() = default;

ProgramWindows::~ProgramWindows() { Destroy(); }

MainWindowLink& ProgramWindows::Main() { return *main; }

namespace {
void Announce(ProgramWindows::Step step, const std::function<void(ProgramWindows::Step)>& beforeStep) {
  static constexpr const char* kNames[] = {"main window", "options and viewer", "folder list"};
  framework::TraceStep(kNames[static_cast<int>(step)]);
  if (beforeStep) beforeStep(step);
}
}  // namespace

void ProgramWindows::Create(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep) {
  CreateMain(commandLine, beforeStep);
  CreateOthers(commandLine, beforeStep);
}

void ProgramWindows::CreateMain(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep) {
  Announce(Step::Main, beforeStep);
  // The plug-ins are set up before the file-type list is built, so their
  // formats are in it.
  if (!plugins) plugins = SetUpPlugins();
  main = std::make_unique<TForm1>(commandLine);
  Application::Instance().SetMainForm(main.get());
  // An archive chosen by hand opens a dialog of its own, made afresh.
  MainWindowLink* mainWindow = main.get();
  mainWindow->WhenArchiveChosen([mainWindow](const std::string& archive) {
    ShowArchiveDialog(archive, {mainWindow->FileTypeMask(), mainWindow->Window().Handle(),
                                [mainWindow](const PickResult& extracted) { mainWindow->ShowExtracted(extracted); }});
  });
}

void ProgramWindows::StartWithMainAlone(int slotCount) {
  MainWindowLink& mainWindow = *main;
  // A file that cannot be read now leaves the slots empty, as the folder
  // list's table would.
  if (slotCount > 0) mainWindow.RememberedFolders().Load(framework::IniEdit(OpenSettings()), slotCount);
  mainWindow.SlotTableFilled(slotCount);
  mainWindow.CheckTimeOfDay();
  mainWindow.WindowsMade(true);
  framework::TraceStep("slots read");
}

void ProgramWindows::CreateOthers(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep) {
  Announce(Step::OptionsAndViewer, beforeStep);
  MakeOptions(commandLine);
  MakeViewer();
  // The folder list's creation fills the slot table, which the main window's
  // slot box then shows.
  Announce(Step::FolderList, beforeStep);
  MakeFolderList();
  const int slotCount = options->Values().slotCount;
  folderList->FillTable(slotCount);
  MainWindowLink& mainWindow = *main;
  mainWindow.SlotTableFilled(slotCount);
  mainWindow.CheckTimeOfDay();
  mainWindow.WindowsMade(!commandLine.Change());
  framework::TraceStep("windows made");
}

void ProgramWindows::MakeLater(LaterWindow window) {
  // What the command line asked of the start is done by then.
  switch (window) {
    case LaterWindow::Options:
      if (!options) MakeOptions(CommandLine{});
      break;
    case LaterWindow::Viewer:
      if (!viewer) MakeViewer();
      break;
    case LaterWindow::FolderList:
      if (folderList) break;
      MakeFolderList();
      // The slots were read at the start and kept since: the table shows them.
      folderList->ShowTable();
      break;
  }
}

void ProgramWindows::MakeOptions(const CommandLine& commandLine) {
  MainWindowLink* mainWindow = main.get();
  options = std::make_unique<TForm2>(
      commandLine,
      OptionsEvents{.slotCountChanged = [mainWindow](int n) { mainWindow->OptionsSlotCountChanged(n); },
                    .timerSwitched = [mainWindow](bool on) { mainWindow->OptionsTimerSwitched(on); },
                    .slotsStored = [this](int n) { SlotsStored(n); },
                    .hotKeysChanged = [mainWindow](int next, int back) {
                      mainWindow->OptionsHotKeysChanged(next, back);
                    }});
  mainWindow->OptionsMade(*options);
  framework::TraceStep("options made");
}

void ProgramWindows::MakeViewer() {
  viewer = std::make_unique<TForm4>();
  main->ViewerMade(*viewer);
  framework::TraceStep("viewer made");
}

void ProgramWindows::MakeFolderList() {
  MainWindowLink* mainWindow = main.get();
  folderList = std::make_unique<TForm5>(mainWindow->RememberedFolders());
  mainWindow->FolderListMade(*folderList);
  folderList->Events = FolderListEvents{
      .memory = [mainWindow] { return mainWindow->Memory(mainWindow->CurrentOptions().slotCount); },
      .setSlotCount =
          [this](int n) {
            MakeLater(LaterWindow::Options);
            options->SetSlotCount(n);
          },
      .openFolder = [mainWindow](const std::string& folder) { mainWindow->OpenFolder(folder); },
      .spansChanged = [mainWindow] { mainWindow->CheckTimeOfDay(); }};
  framework::TraceStep("folder list made");
}

void ProgramWindows::SlotsStored(int slotCount) {
  if (folderList) {
    folderList->ReloadSlots(slotCount);
  } else if (slotCount > 0) {
    main->RememberedFolders().Load(framework::IniEdit(OpenSettings()), slotCount);
  }
}

bool MakesOtherWindowsWhenNeeded(const CommandLine& commandLine, const framework::IniFile& settings) {
  // Where the other windows' own creation does what a user or a file can
  // see (the upgrade of the folder list, the reset's effects, the first
  // start's), it keeps its place: the start makes them at once.
  const framework::IniEdit stored(settings);
  return !commandLine.Change() && !commandLine.Reset() && framework::FileExists(settings.FileName()) &&
         !stored.Unread() && stored.ReadString(kSysInfo, kProgramVersionKey, kOldestProgramVersion) == kProgramVersion;
}

void ProgramWindows::Destroy() {
  if (main && Application::Instance().MainForm() == main.get()) Application::Instance().SetMainForm(nullptr);
  folderList.reset();
  viewer.reset();
  options.reset();
  main.reset();
  plugins.reset();
}

namespace {

// A change with no window: no hourglass, and the archive library's windows
// owned by none.
class NoWindow : public ChangeCycleHost {
 public:
  void ShowBusy(bool) override {}
  HWND Owner() const override { return nullptr; }
};

}  // namespace

int RunCommandLineCommand(const CommandLine& commandLine) {
  Application& app = Application::Instance();
  StartLoadStatistics();
  framework::IniFile settings = OpenSettings();
  const RunStart start = StartRun(settings, app);
  // The file type and the folder as the main window would take them.
  const std::string mask = FilterMask(
      BuildFilterText(RegisteredPictureFormats(), ArchiveLibraryInSystemFolder(), start.options.customMask),
      start.filter);
  std::string folder = start.folder;
  std::vector<std::string> names;
  try {
    names = framework::ListFolderFiles(folder, mask, kListedFileTypes);
  } catch (const framework::Exception&) {
    folder = ReplaceGoneFolder(settings, app);
    try {
      names = framework::ListFolderFiles(folder, mask, kListedFileTypes);
    } catch (const framework::Exception&) {
    }
  }
  // The options as the options dialog would hold them, read anew after the
  // start's own writes; a file that cannot be read gives the defaults.
  const ProgramOptions options =
      WithinBounds(settings.Readable() ? ReadOptions(settings) : ProgramOptions{});
  FolderSlots slots;
  if (options.slotCount > 0) slots.Load(framework::IniEdit(settings), options.slotCount);

  NoWindow host;
  ChangeCycle cycle(host, app, settings);
  // Going back and never-again act as their tray items do: at once, shown.
  ChangeRequest request{.options = options,
                        .apply = !commandLine.Change() || !options.changeStyle,
                        .slots = &slots,
                        .currentSlot = 1,
                        .folder = folder,
                        .mask = mask,
                        .listed = std::move(names)};
  if (commandLine.Back()) {
    cycle.GoBack(request);
    return 0;
  }
  if (const std::optional<int> monitor = commandLine.NeverAgain()) {
    const Desktop desktop = CurrentDesktop();
    if (static_cast<size_t>(*monitor) > desktop.monitors.size()) {
      TellStarter(HandOverText(HandOver::NoMonitor, {RemoteAction::NeverAgain, *monitor}, {}));
      return kExitNoMonitor;
    }
    const std::optional<ScreenSource> screen = ShownOnMonitor(cycle.ShownNow(), desktop, *monitor);
    if (!screen) return 0;  // nothing shown there: nothing to leave out
    try {
      cycle.NeverAgain(*screen, request);
    } catch (const framework::Exception& e) {
      // The list could not be read or written: the wallpaper stays.
      app.MessageBox(e.Message(), kEvilErrorCaption, MB_OK | MB_ICONERROR);
    }
    return 0;
  }
  // The splash repaints and takes clicks while the gate waits.
  WaitForLowLoad(options.loadThreshold, options.giveUpSeconds,
                 LoadGateEnvironment::System([&app] { app.ProcessMessages(); }));
  cycle.ChangeWallpaper(request);
  return 0;
}

void RunStartupChange(ProgramWindows& windows, const CommandLine& commandLine) {
  // The windows answer while a read waits.
  Application::Instance().AnswerWhileWaiting();
  const ProgramOptions options = windows.main->CurrentOptions();
  // The splash repaints and takes clicks while the gate waits.
  const LoadGateEnvironment gate = LoadGateEnvironment::System([] { Application::Instance().ProcessMessages(); });
  if (options.startUpChange) {
    if (options.delayedStart) WaitForLowLoad(options.loadThreshold, options.giveUpSeconds, gate);
    windows.Main().ChangeWallpaper(true);
  }
  // A settings file that refuses the upgrade's writes is reported; the
  // program starts all the same. A start that has not made the folder list
  // has a file of this version: nothing to upgrade.
  if (windows.folderList)
    Application::Instance().Dispatch([&windows] { windows.folderList->UpgradeFolderList(); });
}

namespace {

// A command another start handed over, carried out as its tray item or, for
// "/E", as the command line's change applies it.
void CarryOut(ProgramWindows& windows, const RemoteRequest& request) {
  TForm1& main = *windows.main;
  switch (request.action) {
    case RemoteAction::Change:
      main.ChangeWallpaper(!main.CurrentOptions().changeStyle);
      break;
    case RemoteAction::Back:
      main.Button11Click();
      break;
    case RemoteAction::NeverAgain: {
      const ShownSources shown = main.Cycle->ShownNow();
      if (const std::optional<ScreenSource> screen = ShownOnMonitor(shown, CurrentDesktop(), request.monitor))
        main.NeverAgain(*screen, shown.size() > 1);
      else
        main.Beep();
      break;
    }
  }
}

}  // namespace

int RunKaleidon(const CommandLine& commandLine) {
  Application& app = Application::Instance();
  // Two copies started at the same moment both get past a first look: the
  // one that did not create the mutex gives way. The mutex is never held
  // while a command goes over, for the copy it goes to may end meanwhile
  // (it stays while a handle to it is open) and leave this one to do it.
  HANDLE mutex = nullptr;
  for (int look = 0;; ++look) {
    mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) break;
    CloseHandle(mutex);
    mutex = nullptr;
    if (std::optional<int> code = SecondStart(commandLine)) return *code;
    // A copy that keeps coming and going takes no commands.
    if (look == 3) return kExitNoAnswer;
  }
  // The archive library, when installed, is bound once for the whole run.
  LoadUnlhaLibrary(app);
  SetUnlhaStagingFolder(framework::JoinPath(framework::ProgramFolder(), "Temp"));
  auto release = framework::ScopeExit([mutex] {
    FreeUnlhaLibrary();
    if (mutex) CloseHandle(mutex);
  });
  app.Initialize();
  framework::TraceStep("application window");

  ProgramWindows windows;  // released before the library and the mutex
  // Commands of later starts, taken while this run lasts.
  RemoteInbox inbox(RemoteInbox::Hooks{
      .busy = [&windows] { return windows.main && windows.main->Cycle->ChangeBusy; },
      .monitors = [] { return static_cast<int>(CurrentDesktop().monitors.size()); },
      .run = [&windows](const RemoteRequest& request) { CarryOut(windows, request); },
      .later = [&app](std::function<void()> call) { app.Queue(std::move(call)); }});
  auto takeCommands = [&windows, &inbox] {
    windows.main->CopyData = [&inbox](LPARAM copyData) { return inbox.Answer(copyData); };
    windows.main->ChangeEnded = [&inbox] { inbox.RunWaiting(); };
    // A program of lower integrity (a script's) may send them too.
    ChangeWindowMessageFilterEx(windows.main->Handle(), WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  };
  try {
    std::unique_ptr<TForm3> splash;
    if (ReadOptions(OpenSettings()).splash) {
      splash = std::make_unique<TForm3>();
      splash->Label1->SetEnabled(true);
      splash->ShowStatus(kStartingStatus);
      splash->Show();
      splash->Repaint();
      framework::TraceStep("splash shown");
    }
    app.SetTitle(kApplicationTitle);
    app.SetHelpFile("KALEIDON.hlp");
    if (commandLine.ForRunningCopy()) {
      // The command line's change, going back or never-again shows no
      // window but the splash: it makes none, and the run ends with it.
      if (splash) splash->ShowStatus(kMainWindowStatus);
      std::unique_ptr<TSPIs> plugins = SetUpPlugins();
      if (splash) {
        splash->ShowStatus(kOptionsStatus);
        ShowStartKindStatus(*splash, ReadOptions(OpenSettings()));
      }
      const int code = RunCommandLineCommand(commandLine);
      framework::TraceStep("command-line command");
      return code;
    }
    if (MakesOtherWindowsWhenNeeded(commandLine, OpenSettings())) {
      // Nobody sees the options dialog, the viewer and the folder list while
      // the program starts: they are made when one of them is first needed.
      // What follows from them at start-up (the splash's texts, the slot
      // box, the interval timer, "/s", the hotkeys, the clock's look, the
      // change at start-up) comes from the stored options and slots now.
      if (splash) splash->ShowStatus(kMainWindowStatus);
      windows.CreateMain(commandLine);
      takeCommands();
      MainWindowLink& mainWindow = windows.Main();
      const ProgramOptions stored = windows.main->CurrentOptions();
      if (splash) {
        splash->ShowStatus(kOptionsStatus);
        ShowStartKindStatus(*splash, stored);
      }
      mainWindow.OptionsSlotCountChanged(stored.slotCount);
      mainWindow.OptionsTimerSwitched(stored.timerChange);
      if (commandLine.Silent()) app.SetShowMainForm(false);
      windows.StartWithMainAlone(stored.slotCount);
      mainWindow.SetLaterWindows([&windows](LaterWindow window) { windows.MakeLater(window); });
      RunStartupChange(windows, commandLine);
      framework::TraceStep("start-up change");
    } else {
      windows.Create(commandLine, [&](ProgramWindows::Step step) {
        if (splash) ShowCreationStatus(*splash, windows, step);
      });
      takeCommands();
      RunStartupChange(windows, commandLine);
      framework::TraceStep("start-up change");
    }
  } catch (const std::exception& e) {
    app.ShowException(e);
    return 0;
  }

  // The main window has its own taskbar button; the application window, now
  // owned by it, has none.
  SetWindowLongPtrW(app.Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(windows.Main().Window().Handle()));
  // The shell's icons of the drives, folders and files the main window
  // shows are looked up on a thread of their own once it has painted: its
  // lines come first without them.
  windows.main->OnShow = [&app] {
    framework::shellicons::ExpectLookUpAhead();
    app.WhenIdleFirst([] { framework::shellicons::LookUpAhead(); });
  };
  app.Run();
  return 0;
}

}  // namespace kaleidon
