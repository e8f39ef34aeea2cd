#include "change/backlist.h"

#include <algorithm>
#include <charconv>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr const char* kFileName = "Kaleidon.back";
// The first line says which entry is shown; then one line per wallpaper,
// oldest first, with three fields per monitor: device, file, member.
constexpr std::string_view kCurrentKey = "Current=";
constexpr char kField = '\t';
constexpr std::string_view kLineEnd = "\r\n";

bool Storable(const std::string& text) { return text.find_first_of("\t\r\n") == std::string::npos; }

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = line.find(kField, start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

}  // namespace

std::string BackList::PathBeside(const std::string& settingsFile) {
  return framework::ExtractFilePath(settingsFile) + kFileName;
}

BackList BackList::Load(const std::string& path) {
  const std::optional<std::string> bytes = framework::ReadStoredFile(path);
  if (!bytes) return {};
  bool lossy = false;
  const std::string text = framework::DecodeStoredText(*bytes, &lossy);
  if (lossy) throw framework::EReadRefused(path);
  return FromText(text);
}

bool BackList::Save(const std::string& path) const {
  return framework::WriteFileAtomically(path, framework::EncodeStoredText(Text()));
}

void BackList::Add(const ShownSources& shown) {
  if (shown.empty()) return;
  for (const ScreenSource& screen : shown)
    if (!Storable(screen.monitor) || !Storable(screen.source.file) || !Storable(screen.source.member)) return;
  if (!entries_.empty()) entries_.resize(current_ + 1);
  entries_.push_back(shown);
  if (entries_.size() > kMaxEntries) entries_.erase(entries_.begin(), entries_.end() - kMaxEntries);
  current_ = entries_.size() - 1;
}

void BackList::MakeCurrent(size_t index) {
  if (index < entries_.size()) current_ = index;
}

std::string BackList::Text() const {
  std::string text = std::string(kCurrentKey) + std::to_string(current_) + std::string(kLineEnd);
  for (const ShownSources& entry : entries_) {
    std::string line;
    for (const ScreenSource& screen : entry) {
      if (!line.empty()) line += kField;
      line += screen.monitor + kField + screen.source.file + kField + screen.source.member;
    }
    text += line + std::string(kLineEnd);
  }
  return text;
}

BackList BackList::FromText(std::string_view text) {
  BackList list;
  size_t current = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with(kCurrentKey)) {
      line.remove_prefix(kCurrentKey.size());
      std::from_chars(line.data(), line.data() + line.size(), current);
      continue;
    }
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() % 3 != 0) continue;
    ShownSources entry;
    for (size_t field = 0; field < fields.size(); field += 3) {
      if (fields[field + 1].empty()) break;  // no file: not an entry
      entry.push_back({std::string(fields[field]), {std::string(fields[field + 1]), std::string(fields[field + 2])}});
    }
    if (entry.size() == fields.size() / 3) list.entries_.push_back(std::move(entry));
  }
  if (list.entries_.size() > kMaxEntries) {
    const size_t dropped = list.entries_.size() - kMaxEntries;
    list.entries_.erase(list.entries_.begin(), list.entries_.begin() + dropped);
    current = current > dropped ? current - dropped : 0;
  }
  list.current_ = list.entries_.empty() ? 0 : std::min(current, list.entries_.size() - 1);
  return list;
}

std::optional<ScreenSource> ShownOnMonitor(const ShownSources& shown, const Desktop& desktop, int monitor) {
  if (monitor < 0 || static_cast<size_t>(monitor) > desktop.monitors.size() || shown.empty()) return std::nullopt;
  if (shown.size() == 1) return shown.front();
  std::string device;
  if (monitor > 0) {
    device = desktop.monitors[static_cast<size_t>(monitor - 1)].device;
  } else {
    for (const MonitorArea& area : desktop.monitors)
      if (area.primary) device = area.device;
  }
  for (const ScreenSource& screen : shown)
    if (screen.monitor == device) return screen;
  return std::nullopt;
}

}  // namespace kaleidon
