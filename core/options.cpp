#include "core/options.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <variant>

namespace kaleidon {

namespace {

using framework::IniEdit;
using framework::IniFile;

// An option key and the member of ProgramOptions it stores.
struct OptionKey {
  const char* name;
  std::variant<bool ProgramOptions::*, int ProgramOptions::*, std::string ProgramOptions::*> member;
};

const OptionKey kStartUpChange{"StartUpChange", &ProgramOptions::startUpChange};
const OptionKey kTaskTray{"TaskTray", &ProgramOptions::taskTray};
const OptionKey kSplash{"Splash", &ProgramOptions::splash};
const OptionKey kDlay{"Dlay", &ProgramOptions::delayedStart};
const OptionKey kCPUUseRate{"CPUUseRate", &ProgramOptions::loadThreshold};
const OptionKey kCompulsory{"Compulsory", &ProgramOptions::giveUpSeconds};
const OptionKey kChangeStyle{"ChangeStyle", &ProgramOptions::changeStyle};
const OptionKey kTimerChange{"TimerChange", &ProgramOptions::timerChange};
const OptionKey kHour{"Hour", &ProgramOptions::hours};
const OptionKey kMinute{"Minute", &ProgramOptions::minutes};
const OptionKey kMemoryCount{"MemoryCount", &ProgramOptions::slotCount};
const OptionKey kScreenSize{"ScreenSize", &ProgramOptions::fitToScreen};
const OptionKey kPerMonitor{"PerMonitor", &ProgramOptions::perMonitor};
const OptionKey kFitStyle{"FitStyle", &ProgramOptions::fitStyle};
const OptionKey kMatchShape{"MatchShape", &ProgramOptions::matchShape};
const OptionKey kMinPictureShare{"MinPictureShare", &ProgramOptions::minPictureShare};
const OptionKey kCaption{"Caption", &ProgramOptions::caption};
const OptionKey kCaptionFormat{"CaptionFormat", &ProgramOptions::captionFormat};
const OptionKey kCaptionCorner{"CaptionCorner", &ProgramOptions::captionCorner};
const OptionKey kAutoFind{"AutoFind", &ProgramOptions::autoFind};
const OptionKey kLoopCounter{"LoopCounter", &ProgramOptions::loopCounter};
const OptionKey kCustomMask{"CustomMask", &ProgramOptions::customMask};
const OptionKey kPlaySound{"PlaySound", &ProgramOptions::playSound};
const OptionKey kSoundFile{"SoundFile", &ProgramOptions::soundFile};
const OptionKey kHotKeyNext{"HotKeyNext", &ProgramOptions::hotKeyNext};
const OptionKey kHotKeyBack{"HotKeyBack", &ProgramOptions::hotKeyBack};
const OptionKey kQuietFullScreen{"QuietFullScreen", &ProgramOptions::quietFullScreen};
const OptionKey kQuietBattery{"QuietBattery", &ProgramOptions::quietBattery};

// The keys newer than the settings file's first layout, in their order:
// each is written only once it differs from its default or is stored.
const std::initializer_list<OptionKey> kLaterOptionKeys = {
    kPerMonitor,      kFitStyle,     kHotKeyNext, kHotKeyBack,   kQuietFullScreen, kQuietBattery, kMatchShape,
    kMinPictureShare, kCaption,      kCaptionFormat, kCaptionCorner};

const std::initializer_list<OptionKey> kAllOptionKeys = {
    kStartUpChange, kTaskTray,    kSplash,     kDlay,     kCPUUseRate,  kCompulsory, kChangeStyle, kTimerChange, kHour,
    kMinute,        kMemoryCount, kScreenSize, kAutoFind, kLoopCounter, kCustomMask, kPlaySound,   kSoundFile,
    kPerMonitor,    kFitStyle,    kHotKeyNext, kHotKeyBack, kQuietFullScreen, kQuietBattery, kMatchShape,
    kMinPictureShare, kCaption,   kCaptionFormat, kCaptionCorner};

void Read(const IniEdit& settings, const char* key, bool& value) { value = settings.ReadBool(kSysInfo, key, value); }
void Read(const IniEdit& settings, const char* key, int& value) { value = settings.ReadInteger(kSysInfo, key, value); }
void Read(const IniEdit& settings, const char* key, std::string& value) {
  value = settings.ReadString(kSysInfo, key, value);
}

void Write(IniEdit& settings, const char* key, bool value) { settings.WriteBool(kSysInfo, key, value); }
void Write(IniEdit& settings, const char* key, int value) { settings.WriteInteger(kSysInfo, key, value); }
void Write(IniEdit& settings, const char* key, const std::string& value) { settings.WriteString(kSysInfo, key, value); }

// Writes the keys in the order given.
void WriteKeys(IniEdit& settings, const ProgramOptions& options, std::initializer_list<OptionKey> keys) {
  for (const OptionKey& key : keys)
    std::visit([&](auto member) { Write(settings, key.name, options.*member); }, key.member);
}

}  // namespace

ProgramOptions ReadOptions(const IniFile& file) {
  const IniEdit settings(file);  // one reading for every key
  ProgramOptions options;        // the defaults
  for (const OptionKey& key : kAllOptionKeys)
    std::visit([&](auto member) { Read(settings, key.name, options.*member); }, key.member);
  return options;
}

ProgramOptions WithinBounds(ProgramOptions options) {
  options.slotCount = std::clamp(options.slotCount, 0, 200);
  options.loadThreshold = std::clamp(options.loadThreshold, 10, 100);
  options.giveUpSeconds = std::clamp(options.giveUpSeconds, 20, 120);
  options.minPictureShare = std::clamp(options.minPictureShare, 0, 100);
  options.loopCounter = std::clamp(options.loopCounter, 128, 4096);
  return options;
}

ProgramOptions AsTheDialogHoldsThem(ProgramOptions options) {
  options = WithinBounds(options);
  int hours = std::clamp(options.hours, 0, 23);
  int minutes = options.minutes;
  if (minutes >= 60) {
    // 60 minutes carry into the hours.
    hours = std::min(hours + 1, 23);
    minutes = 0;
  } else if (minutes < 0 && hours >= 1) {
    // Less than none borrows an hour.
    --hours;
    minutes = 59;
  }
  if (hours == 0) minutes = std::max(minutes, 1);
  options.hours = hours;
  options.minutes = std::max(minutes, 0);
  options.fitStyle = static_cast<int>(FitStyleOf(options.fitStyle));
  options.captionCorner = static_cast<int>(CaptionCornerOf(options.captionCorner));
  options.hotKeyNext = static_cast<uint16_t>(options.hotKeyNext);
  options.hotKeyBack = static_cast<uint16_t>(options.hotKeyBack);
  return options;
}

void WriteOptions(IniEdit& settings, const ProgramOptions& options) {
  WriteKeys(settings, options,
            {kStartUpChange, kTaskTray, kTimerChange, kHour, kMinute, kCPUUseRate, kCompulsory, kScreenSize, kSplash,
             kChangeStyle, kDlay, kPlaySound, kSoundFile, kMemoryCount, kLoopCounter});
  static const ProgramOptions kDefaults;
  for (const OptionKey& key : kLaterOptionKeys) {
    const bool changed =
        std::visit([&](auto member) { return options.*member != kDefaults.*member; }, key.member);
    if (changed || settings.ValueExists(kSysInfo, key.name)) WriteKeys(settings, options, {key});
  }
}

void WriteFileSearchOptions(IniEdit& settings, const ProgramOptions& options) {
  WriteKeys(settings, options, {kAutoFind, kCustomMask});
}

void WriteProgramEndSettings(IniEdit& settings, const ProgramOptions& options, const MainWindowSettings& main) {
  settings.WriteString(kSysInfo, kPathKey, main.path);
  WriteKeys(settings, options,
            {kStartUpChange, kTaskTray, kTimerChange, kHour, kMinute, kCPUUseRate, kCompulsory, kSplash, kChangeStyle,
             kDlay});
  settings.WriteInteger(kSysInfo, "LastBuf", main.lastSlot);
  settings.WriteString(kSysInfo, "ConvertToJpeg", kConvertToJpegReserved);
  WriteKeys(settings, options, {kPlaySound, kSoundFile});
  settings.WriteInteger(kSysInfo, kFilterKey, main.filter);
  WriteKeys(settings, options, {kMemoryCount});
  settings.WriteString(kSysInfo, kProgramVersionKey, kProgramVersion);
  settings.WriteString(kSysInfo, "RandomRoutine", kRandomRoutineVersion);
}

}  // namespace kaleidon
