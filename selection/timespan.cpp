#include "selection/timespan.h"

#include <windows.h>

#include <algorithm>

#include "framework/base/text.h"

namespace kaleidon {

namespace {

// The full-width and other forms a user may type, as the half-width
// characters they stand for.
struct Alias {
  std::string_view typed;
  char means;
};
constexpr Alias kAliases[] = {
    {"０", '0'}, {"１", '1'}, {"２", '2'}, {"３", '3'}, {"４", '4'}, {"５", '5'}, {"６", '6'},
    {"７", '7'}, {"８", '8'}, {"９", '9'}, {"：", ':'}, {"〜", '-'}, {"～", '-'}, {"－", '-'},
    {"–", '-'},  {"~", '-'},  {"　", ' '}, {"\t", ' '},
};

// The text with every alias replaced; nothing when it holds a character
// that has no place in a span.
std::optional<std::string> HalfWidth(std::string_view text) {
  std::string plain;
  while (!text.empty()) {
    bool replaced = false;
    for (const Alias& alias : kAliases) {
      if (text.substr(0, alias.typed.size()) == alias.typed) {
        plain += alias.means;
        text.remove_prefix(alias.typed.size());
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    const char c = text.front();
    if (!((c >= '0' && c <= '9') || c == ':' || c == '-' || c == ' ')) return std::nullopt;
    plain += c;
    text.remove_prefix(1);
  }
  return plain;
}

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
}

// "H:MM" or "HH:MM" at the front of text, as minutes after midnight (24:00
// too for the end of a span).
std::optional<int> TakeTime(std::string_view& text, bool endOfDay) {
  auto digit = [&text](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  size_t hourDigits = digit(0) ? (digit(1) ? 2 : 1) : 0;
  if (hourDigits == 0 || hourDigits >= text.size() || text[hourDigits] != ':') return std::nullopt;
  if (!digit(hourDigits + 1) || !digit(hourDigits + 2) || digit(hourDigits + 3)) return std::nullopt;
  int hour = text[0] - '0';
  if (hourDigits == 2) hour = hour * 10 + (text[1] - '0');
  const int minute = (text[hourDigits + 1] - '0') * 10 + (text[hourDigits + 2] - '0');
  text.remove_prefix(hourDigits + 3);
  if (minute > 59) return std::nullopt;
  if (hour < 24) return hour * 60 + minute;
  if (endOfDay && hour == 24 && minute == 0) return kMinutesPerDay;
  return std::nullopt;
}

std::string FormatTime(int minutes) {
  const int minute = minutes % 60;
  return std::to_string(minutes / 60) + ":" + (minute < 10 ? "0" : "") + std::to_string(minute);
}

// Whether any slot holding a folder has a span.
bool AnySpan(const std::vector<SlotTime>& slots) {
  return std::any_of(slots.begin(), slots.end(), [](const SlotTime& s) { return s.holdsFolder && s.span; });
}

bool InTime(const SlotTime& slot, int minute) { return slot.holdsFolder && (!slot.span || slot.span->Holds(minute)); }

constexpr char kSpanFolderSeparator = '|';  // no folder name holds it

}  // namespace

bool TimeSpan::Holds(int minute) const {
  if (begin < end) return minute >= begin && minute < end;
  return minute >= begin || minute < end;
}

std::optional<TimeSpan> ParseTimeSpan(std::string_view text) {
  const std::optional<std::string> plain = HalfWidth(text);
  if (!plain) return std::nullopt;
  std::string_view rest = *plain;
  SkipBlanks(rest);
  const std::optional<int> begin = TakeTime(rest, false);
  if (!begin) return std::nullopt;
  SkipBlanks(rest);
  if (rest.empty() || rest.front() != '-') return std::nullopt;
  rest.remove_prefix(1);
  SkipBlanks(rest);
  const std::optional<int> end = TakeTime(rest, true);
  if (!end) return std::nullopt;
  SkipBlanks(rest);
  if (!rest.empty() || *begin == *end) return std::nullopt;
  return TimeSpan{*begin, *end};
}

std::string FormatTimeSpan(const TimeSpan& span) { return FormatTime(span.begin) + "-" + FormatTime(span.end); }

DayClock SystemDayClock() {
  return [] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return TimeOfDay{now.wHour * 60 + now.wMinute, now.wSecond, now.wMilliseconds};
  };
}

std::vector<int> SlotsInTime(const std::vector<SlotTime>& slots, int minute) {
  std::vector<int> taken;
  if (AnySpan(slots)) {
    for (size_t i = 0; i < slots.size(); ++i) {
      if (InTime(slots[i], minute)) taken.push_back(static_cast<int>(i) + 1);
    }
  }
  if (taken.empty()) {
    for (size_t i = 0; i < slots.size(); ++i) taken.push_back(static_cast<int>(i) + 1);
  }
  return taken;
}

bool ShownFolderOutOfTime(const std::vector<SlotTime>& slots, int shownSlot, int minute) {
  if (shownSlot < 1 || shownSlot > static_cast<int>(slots.size())) return false;
  const SlotTime& shown = slots[shownSlot - 1];
  if (!shown.holdsFolder || !shown.span || shown.span->Holds(minute)) return false;
  return std::any_of(slots.begin(), slots.end(), [minute](const SlotTime& s) { return InTime(s, minute); });
}

std::optional<uint32_t> DelayToNextBoundary(const std::vector<SlotTime>& slots, const TimeOfDay& now) {
  std::optional<int> minutes;  // from the start of the current minute
  for (const SlotTime& slot : slots) {
    if (!slot.holdsFolder || !slot.span) continue;
    for (int boundary : {slot.span->begin, slot.span->end % kMinutesPerDay}) {
      int ahead = (boundary - now.minute + kMinutesPerDay) % kMinutesPerDay;
      if (ahead == 0) ahead = kMinutesPerDay;  // this minute's has come already
      if (!minutes || ahead < *minutes) minutes = ahead;
    }
  }
  if (!minutes) return std::nullopt;
  const int64_t ms = int64_t{*minutes} * 60000 - int64_t{now.second} * 1000 - now.millisecond;
  return static_cast<uint32_t>(std::max<int64_t>(ms, 1));
}

bool SpanWatch::ShouldChange(bool due) {
  const bool change = due && !wasDue_;
  wasDue_ = due;
  return change;
}

std::string PathSpanKey(int slot) { return "PathSpan" + std::to_string(slot); }

std::string StoredSpanValue(const TimeSpan& span, const std::string& folder) {
  return FormatTimeSpan(span) + kSpanFolderSeparator + folder;
}

std::optional<TimeSpan> SpanOfStoredValue(std::string_view value, const std::string& folder) {
  const size_t separator = value.find(kSpanFolderSeparator);
  if (separator == std::string_view::npos || folder.empty()) return std::nullopt;
  if (!framework::SameTextNoCase(value.substr(separator + 1), folder)) return std::nullopt;
  return ParseTimeSpan(value.substr(0, separator));
}

void WriteSlotSpan(framework::IniEdit& settings, int slot, const std::string& folder,
                   const std::optional<TimeSpan>& span) {
  if (span && !folder.empty()) {
    settings.WriteString("DirectoryBuf", PathSpanKey(slot), StoredSpanValue(*span, folder));
  } else {
    settings.DeleteKey("DirectoryBuf", PathSpanKey(slot));
  }
}

}  // namespace kaleidon
