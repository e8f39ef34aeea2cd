#pragma once
// Folders by the time of day. A remembered folder may carry a time span
// ("時間帯"), such as 6:00-18:00, or 22:00-5:00 across midnight; a folder
// without one is used at any time. With folder memory on, the rotation takes
// only the folders whose span holds the time of day, and any folder when
// none does, so that a change never fails because of the clock.
//
// What a user may type for a span: two times of day joined by "-", "~",
// "〜", "～", "－" or "–", blanks (half- or full-width) allowed around
// either time; a time is an hour of one or two digits (0-23, "06" as well
// as "6"), ":" and two digits of minutes (00-59); the end may also be 24:00.
// Full-width digits and "：" count as their half-width forms. Anything else
// (a missing minute part, "25:00", a span that begins where it ends) is no
// span. Written back as "6:00-18:00".
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/inifile.h"

namespace kaleidon {

inline constexpr int kMinutesPerDay = 24 * 60;

struct TimeSpan {
  int begin = 0;  // minutes after midnight, 0..1439
  int end = 0;    // 1..1440, not begin; below begin: the span runs across midnight

  // Whether the span holds the minute of the day (0..1439): from its begin
  // on, up to but not including its end.
  bool Holds(int minute) const;
  bool operator==(const TimeSpan&) const = default;
};

std::optional<TimeSpan> ParseTimeSpan(std::string_view text);
std::string FormatTimeSpan(const TimeSpan& span);

// The local time of day, as the wall clock shows it.
struct TimeOfDay {
  int minute = 0;  // minutes after midnight, 0..1439
  int second = 0;
  int millisecond = 0;
};
// Where the program reads the time of day; tests move their own clock.
using DayClock = std::function<TimeOfDay()>;
DayClock SystemDayClock();

// The span of each slot of folder memory (slot n at index n - 1) and
// whether the slot holds a folder.
struct SlotTime {
  bool holdsFolder = false;
  std::optional<TimeSpan> span;
};

// The slots (numbers from 1) the rotation may take at this minute: those
// holding a folder whose span holds the minute or that has no span; all
// slots when no folder has a span (the rotation as without spans) or when
// none is in its time.
std::vector<int> SlotsInTime(const std::vector<SlotTime>& slots, int minute);

// Whether the wallpaper should change because of the clock: the folder shown
// is that of shownSlot (0: none of the slots), its span no longer holds the
// minute, and another folder's does (with none in its time, the one shown
// is as good as any).
bool ShownFolderOutOfTime(const std::vector<SlotTime>& slots, int shownSlot, int minute);

// How long until the next span of the slots begins or ends: the delay of a
// timer that looks again then (at least 1 ms); nothing when no folder has a
// span.
std::optional<uint32_t> DelayToNextBoundary(const std::vector<SlotTime>& slots, const TimeOfDay& now);

// Changes for the clock come once when they become due (at a span's begin
// or end, the first look after a resume from sleep or after the start), not
// at every look while they stay due: a change that could not take a folder
// in its time is not tried again each minute.
class SpanWatch {
 public:
  // Whether to change now, with due the answer of ShownFolderOutOfTime.
  bool ShouldChange(bool due);
  // After a resume from sleep: the next look acts on what it finds.
  void Resumed() { wasDue_ = false; }
  // After any change (a click, the interval timer, a folder recalled by
  // hand), with due as it stands after it: a folder the user chose out of
  // its time stays; the clock moves on from it only once it has been in its
  // time again, or after a resume.
  void Shown(bool due) { wasDue_ = due; }

 private:
  bool wasDue_ = false;
};

// The span is stored in [DirectoryBuf] beside the slot's PathMemory<n>, as
// PathSpan<n> = "<span>|<folder>": the folder it belongs to goes with it, so
// that a span a version that does not know spans left behind, when it moved
// its folders to other slots, never attaches to another folder. Those
// versions read none of it.
std::string PathSpanKey(int slot);  // "PathSpan7"
std::string StoredSpanValue(const TimeSpan& span, const std::string& folder);
// The span a stored value gives the slot's folder: nothing when the value is
// no span, or the span of another folder.
std::optional<TimeSpan> SpanOfStoredValue(std::string_view value, const std::string& folder);

// The span of the slot's folder in the settings (an IniFile or an IniEdit).
template <class Settings>
std::optional<TimeSpan> ReadSlotSpan(const Settings& settings, int slot, const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  return SpanOfStoredValue(settings.ReadString("DirectoryBuf", PathSpanKey(slot), ""), folder);
}
// Stores the slot's span in the edit that stores its folder, so both go in
// one replacement; no span, or no folder, removes the key.
void WriteSlotSpan(framework::IniEdit& settings, int slot, const std::string& folder,
                   const std::optional<TimeSpan>& span);

}  // namespace kaleidon
