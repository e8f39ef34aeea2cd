#pragma once
// The options as one value: what the options dialog's controls hold while the
// program runs, and what the settings file's SysInfo keys store between runs.
// The reader and the two writers here are the only code that spells the
// option keys.
#include <string>

#include "core/settings.h"
#include "core/wallpaper.h"
#include "framework/base/inifile.h"

namespace kaleidon {

struct ProgramOptions {
  // Start-up.
  bool startUpChange = defaults::kStartUpChange;  // StartUpChange: one change at start-up
  bool taskTray = defaults::kTaskTray;            // TaskTray: start hidden in the tray
  bool splash = defaults::kSplash;                // Splash: the splash window while starting
  bool delayedStart = defaults::kDlay;            // Dlay: the start-up change waits for a low load
  int loadThreshold = defaults::kCPUUseRate;      // CPUUseRate: percent the load must fall to
  int giveUpSeconds = defaults::kCompulsory;      // Compulsory: the longest wait for it
  bool changeStyle = defaults::kChangeStyle;      // ChangeStyle: /E only stores the new wallpaper
  // The interval timer.
  bool timerChange = defaults::kTimerChange;  // TimerChange: the timer runs
  int hours = defaults::kHour;                // Hour
  int minutes = defaults::kMinute;            // Minute
  // Folders and pictures.
  int slotCount = defaults::kMemoryCount;     // MemoryCount: folder slots in use, 0 = folder memory off
  bool fitToScreen = defaults::kScreenSize;   // ScreenSize: fit the picture to the screen
  int fitStyle = defaults::kFitStyle;         // FitStyle: how it is fitted (FitStyle's numbers)
  bool perMonitor = defaults::kPerMonitor;    // PerMonitor: several monitors show a picture each
  bool matchShape = defaults::kMatchShape;    // MatchShape: prefer pictures of the monitor's orientation
  int minPictureShare = defaults::kMinPictureShare;  // MinPictureShare: percent of the monitor's sides a
                                                     // picture must reach, 0 = any size
  bool caption = defaults::kCaption;                    // Caption: the picture's caption on the wallpaper
  std::string captionFormat = defaults::kCaptionFormat;  // CaptionFormat: its template
  int captionCorner = defaults::kCaptionCorner;          // CaptionCorner: its corner (CaptionCorner's numbers)
  bool autoFind = defaults::kAutoFind;        // AutoFind: the automatic registration also finds archives
  int loopCounter = defaults::kLoopCounter;   // LoopCounter: most entries read from one archive
  std::string customMask;                     // CustomMask: the file-type box's custom filter
  // Sound.
  bool playSound = defaults::kPlaySound;  // PlaySound
  std::string soundFile;                  // SoundFile
  // Hotkeys: the hotkey control's value (low byte the virtual key, high byte
  // the HOTKEYF_* modifiers), 0 for none.
  int hotKeyNext = defaults::kHotKeyNext;  // HotKeyNext: the next wallpaper
  int hotKeyBack = defaults::kHotKeyBack;  // HotKeyBack: back to the previous wallpaper
  // When the interval timer's change waits.
  bool quietFullScreen = defaults::kQuietFullScreen;  // QuietFullScreen: while a full-screen program runs
  bool quietBattery = defaults::kQuietBattery;        // QuietBattery: while on battery

  // The timer's interval in minutes.
  int IntervalMinutes() const { return hours * 60 + minutes; }
  WallpaperOptions Wallpaper() const {
    return WallpaperOptions{fitToScreen, playSound, soundFile, perMonitor, FitStyleOf(fitStyle),
                            CaptionOptions{caption, captionFormat, CaptionCornerOf(captionCorner)}};
  }
  bool operator==(const ProgramOptions&) const = default;
};

// The main window's values that program end stores among the options.
struct MainWindowSettings {
  std::string path;  // Path: the current folder
  int lastSlot = 1;  // LastBuf: the current slot
  int filter = 0;    // Filter: the chosen file type
};

// The options held within the bounds the options dialog keeps them in.
ProgramOptions WithinBounds(ProgramOptions options);
// The options exactly as the options dialog holds them once it has loaded
// them: within its bounds, the interval as its hour and minute boxes carry
// and borrow (never under a minute), the fit style and the caption's corner
// as its lists know them, the hotkeys as its key boxes keep them. The
// program runs on this value while the dialog is not made yet.
ProgramOptions AsTheDialogHoldsThem(ProgramOptions options);
// Every option key, each with its default when it is missing.
ProgramOptions ReadOptions(const framework::IniFile& settings);

// What the options dialog's OK stores, in its order: WriteOptions first
// (PerMonitor, FitStyle, MatchShape, MinPictureShare, the caption's keys, the hotkeys and the timer's waits only once they differ from
// their defaults or are stored: a settings file that never had them keeps
// its keys);
// then, once the folder list has read its slots again, the file-search keys
// (AutoFind, CustomMask). The writers change the keys of an edit, which the
// caller stores in one replacement of the file.
void WriteOptions(framework::IniEdit& settings, const ProgramOptions& options);
void WriteFileSearchOptions(framework::IniEdit& settings, const ProgramOptions& options);

// What program end stores: the main window's values among the options, the
// version markers last, in this order.
void WriteProgramEndSettings(framework::IniEdit& settings, const ProgramOptions& options,
                             const MainWindowSettings& main);

}  // namespace kaleidon
