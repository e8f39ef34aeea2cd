#include "selection/history.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "framework/exception.h"
#include "framework/paths.h"
#include "framework/text.h"
#include "selection/historytext.h"
#include "selection/namekey.h"

namespace kaleidon {

History::History(std::vector<std::string> names) : names_(std::move(names)) {
  keys_.reserve(names_.size());
  hashes_.reserve(names_.size());
  for (const std::string& name : names_) {
    keys_.push_back(NameKey(name));
    hashes_.push_back(HashNameKey(keys_.back()));
  }
  Rebuild();
}

bool History::ContainsKey(std::string_view key, uint32_t hash) const {
  if (table_.empty()) return false;
  size_t mask = table_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    uint32_t entry = table_[slot];
    if (entry == 0) return false;
    if (hashes_[entry - 1] == hash && keys_[entry - 1] == key) return true;
  }
}

bool History::Contains(std::string_view name) const {
  std::string key = NameKey(name);
  return ContainsKey(key, HashNameKey(key));
}

void History::Index(uint32_t i) {
  size_t mask = table_.size() - 1;
  size_t slot = hashes_[i] & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = i + 1;
}

void History::Rebuild() {
  size_t size = 16;
  while (size < names_.size() * 2 + 2) size *= 2;
  table_.assign(size, 0);
  for (uint32_t i = 0; i < names_.size(); ++i) Index(i);
}

void History::Append(std::string name) {
  keys_.push_back(NameKey(name));
  hashes_.push_back(HashNameKey(keys_.back()));
  names_.push_back(std::move(name));
  if ((names_.size() + 1) * 2 > table_.size()) {
    Rebuild();
  } else {
    Index(static_cast<uint32_t>(names_.size() - 1));
  }
}

bool History::IsSorted() const {
  for (size_t i = 1; i < keys_.size(); ++i)
    if (keys_[i] < keys_[i - 1]) return false;
  return true;
}

void History::Sort() {
  if (IsSorted()) return;
  std::vector<uint32_t> order(names_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) { return keys_[a] < keys_[b]; });
  std::vector<std::string> names, keys;
  std::vector<uint32_t> hashes;
  names.reserve(order.size());
  keys.reserve(order.size());
  hashes.reserve(order.size());
  for (uint32_t i : order) {
    names.push_back(std::move(names_[i]));
    keys.push_back(std::move(keys_[i]));
    hashes.push_back(hashes_[i]);
  }
  names_ = std::move(names);
  keys_ = std::move(keys);
  hashes_ = std::move(hashes);
  Rebuild();
}

void History::InsertSorted(std::string name) {
  // A history written by this program is already in order; then the new
  // name only needs its place. Anything else is sorted in full.
  Sort();
  std::string key = NameKey(name);
  size_t at = static_cast<size_t>(std::upper_bound(keys_.begin(), keys_.end(), key) - keys_.begin());
  uint32_t hash = HashNameKey(key);
  names_.insert(names_.begin() + static_cast<std::ptrdiff_t>(at), std::move(name));
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(at), std::move(key));
  hashes_.insert(hashes_.begin() + static_cast<std::ptrdiff_t>(at), hash);
  Rebuild();
}

void History::Clear() {
  names_.clear();
  keys_.clear();
  hashes_.clear();
  table_.clear();
}

History LoadHistory(const std::string& path) {
  if (!framework::FileExists(path)) return History();
  std::optional<std::string> bytes = framework::ReadWholeFile(path);
  if (!bytes) throw framework::Exception(framework::FormatText("%s を読み込めません", {path}));
  // Lines are cut in the file's own bytes; the names are then converted in
  // one call, unless a damaged character swallowed a line end on the way.
  std::vector<std::string> lines = ParseHistoryText(*bytes);
  std::vector<std::string> names = ParseHistoryText(framework::FromAnsi(FormatHistoryText(lines)));
  if (names.size() != lines.size()) {
    names.clear();
    for (const std::string& line : lines) names.push_back(framework::FromAnsi(line));
  }
  return History(std::move(names));
}

void SaveHistory(const std::string& path, const History& history) {
  if (!framework::WriteFileAtomically(path, framework::ToAnsi(FormatHistoryText(history.Names()))))
    throw framework::Exception(framework::FormatText("%s に書き込めません", {path}));
}

}  // namespace kaleidon
