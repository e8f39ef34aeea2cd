#pragma once
// The program's entry: one copy at a time, the splash, the windows in their
// order, the change at start-up or from the command line, the message loop.
#include <functional>
#include <memory>

#include "core/commandline.h"
#include "framework/base/inifile.h"
#include "ui/mainwindowlink.h"

namespace kaleidon {

class TForm1;
class TForm2;
class TForm4;
class TForm5;
class TSPIs;

inline constexpr const wchar_t* kInstanceMutexName = L"Quorin[Kaleidon]";

// The windows that live for the whole run, made in their order and wired
// to each other's events: the main window (the application's main form),
// the options dialog, the viewer and the folder list dialog. The program and
// its tests make them through this one class: all at once, or the main
// window first and the others once one of them is needed.
class ProgramWindows {
 public:
  // The steps of the creation, each told before it runs.
  enum class Step { Main, OptionsAndViewer, FolderList };

  ProgramWindows();
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  void Create(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep = nullptr);
  // The same in two steps: the main window, then the others, wired to it.
  void CreateMain(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep = nullptr);
  void CreateOthers(const CommandLine& commandLine, const std::function<void(Step)>& beforeStep = nullptr);
  // Instead of the others, what the start needs of their work, done on the
  // values alone: the slots read from the settings file (slotCount of
  // them), the slot box, the clock's first look, the tray and the hotkeys.
  // Each other window is then made when first needed (MakeLater), and
  // shows what the main window holds.
  void StartWithMainAlone(int slotCount);
  void MakeLater(LaterWindow window);
  // Releases the windows, the last made first.
  void Destroy();

  // What the start-up asks of the main window, once it is made.
  MainWindowLink& Main();

  std::unique_ptr<TSPIs> plugins;  // set up before the main window lists a folder
  std::unique_ptr<TForm1> main;
  std::unique_ptr<TForm2> options;
  std::unique_ptr<TForm4> viewer;
  std::unique_ptr<TForm5> folderList;

 private:
  void MakeOptions(const CommandLine& commandLine);
  void MakeViewer();
  void MakeFolderList();
  // The options' OK stored the slot count: the slots are read again.
  void SlotsStored(int slotCount);
};

// Once the start has made its windows: the start-up change when the options
// ask for it, followed by the upgrade of a folder list that another version
// wrote (a start that upgrades makes the folder list at once).
void RunStartupChange(ProgramWindows& windows, const CommandLine& commandLine);

// The command line's command on the values alone, with no window of its
// own: the start's checks of the settings file, the stored options, folder
// and slots; then for "/E" the load gate and one change with the apply flag
// the options ask for (ChangeStyle: only stored), for "/B" back one
// wallpaper, for "/X" ("/Xn") the picture shown (on monitor n) never again
// and a new one there. The plug-ins must be set up. The exit code: 0, or
// kExitNoMonitor for a monitor the desktop does not have.
int RunCommandLineCommand(const CommandLine& commandLine);

// Whether a start may make the windows other than the main one only when
// one of them is needed: a start of a program that ran before, of this
// version, that neither resets nor only changes from the command line.
bool MakesOtherWindowsWhenNeeded(const CommandLine& commandLine, const framework::IniFile& settings);

// Runs the program. The exit code is 0, but for a command handed to a copy
// that runs already or carried out alone, where it says how that went
// (app/remotecommand.h).
int RunKaleidon(const CommandLine& commandLine);

}  // namespace kaleidon
