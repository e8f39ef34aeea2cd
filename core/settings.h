#pragma once
// The settings file Kaleidon.ini: its sections, the main window's own keys of
// the general section SysInfo, and the defaults of the option keys (which
// core/options.h reads and writes). The file itself is handed to the code
// here by the windows (ui/settingsfile.h).
namespace kaleidon {

inline constexpr const char* kSettingsFileName = "Kaleidon.ini";

inline constexpr const char* kSysInfo = "SysInfo";
inline constexpr const char* kDirectoryBuf = "DirectoryBuf";
inline constexpr const char* kSelectedDirectorys = "SelectedDirectorys";
inline constexpr const char* kAllFilesSelectedDirectorys = "AllFilesSelectedDirectorys";

// The main window's own keys of SysInfo.
inline constexpr const char* kPathKey = "Path";                      // the current folder
inline constexpr const char* kFilterKey = "Filter";                  // the chosen file type
inline constexpr const char* kProgramVersionKey = "ProgramVersion";  // the version that wrote the file

// The version this program writes, and the marker of older files.
inline constexpr const char* kProgramVersion = "0.6";
inline constexpr const char* kOldestProgramVersion = "0.2";
inline constexpr const char* kRandomRoutineVersion = "0.5";
inline constexpr const char* kConvertToJpegReserved = "Reserved";

// Defaults of the SysInfo keys.
namespace defaults {
inline constexpr bool kStartUpChange = false;
inline constexpr bool kTaskTray = false;
inline constexpr bool kTimerChange = false;
inline constexpr int kHour = 0;
inline constexpr int kMinute = 15;
inline constexpr int kCPUUseRate = 15;
inline constexpr int kCompulsory = 30;
inline constexpr bool kSplash = true;
inline constexpr bool kChangeStyle = true;
inline constexpr bool kDlay = false;
inline constexpr bool kScreenSize = false;
// Fitting stretches the picture, as it always did.
inline constexpr int kFitStyle = 0;
// On by default: a machine with one monitor shows what it always showed.
inline constexpr bool kPerMonitor = true;
// Pictures are drawn whatever their shape and size.
inline constexpr bool kMatchShape = false;
inline constexpr int kMinPictureShare = 0;
// No hotkey until the user sets one.
inline constexpr int kHotKeyNext = 0;
inline constexpr int kHotKeyBack = 0;
// The interval timer waits while a full-screen program has the screen; it
// waits on battery only when asked.
inline constexpr bool kQuietFullScreen = true;
inline constexpr bool kQuietBattery = false;
// No caption on the wallpaper until asked for; then the name and the date
// in the bottom right corner.
inline constexpr bool kCaption = false;
inline constexpr const char* kCaptionFormat = "{name}　{date}";
inline constexpr int kCaptionCorner = 0;
inline constexpr bool kAutoFind = false;
inline constexpr bool kPlaySound = false;
inline constexpr int kLoopCounter = 256;
inline constexpr int kMemoryCount = 0;
inline constexpr int kFilter = 0;
}  // namespace defaults

}  // namespace kaleidon
