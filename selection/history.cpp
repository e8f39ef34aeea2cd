#include "selection/history.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "selection/historytext.h"
#include "selection/namekey.h"

namespace kaleidon {

namespace {
constexpr const char* kCannotReadText = "%s を読み込めません";  // the history file's path
}  // namespace

NameLookup MakeNameLookup(std::string_view name) {
  NameLookup lookup;
  AppendNameFold(name, lookup.fold);
  lookup.hash = HashBytes(lookup.fold);
  return lookup;
}

History::History(std::vector<std::string> names) : names_(std::move(names)) {
  keys_.reserve(names_.size());
  size_t total = 0;
  for (const std::string& name : names_) total += name.size() + 1;
  folds_.reserve(total);
  for (const std::string& name : names_) keys_.push_back(AddFold(name));
  Rebuild();
}

History::Key History::AddFold(std::string_view name) {
  size_t at = folds_.size();
  AppendNameFold(name, folds_);
  Key key{static_cast<uint32_t>(at), static_cast<uint32_t>(folds_.size() - at), 0};
  key.hash = HashBytes(FoldOf(key));
  return key;
}

bool History::Contains(std::string_view fold, uint32_t hash) const {
  if (table_.empty()) return false;
  size_t mask = table_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& entry = table_[slot];
    if (entry.length == 0) return false;
    if (entry.hash == hash && entry.length == fold.size() &&
        std::string_view(folds_).substr(entry.offset, entry.length) == fold)
      return true;
  }
}

bool History::Contains(std::string_view name) const { return Contains(MakeNameLookup(name)); }

void History::Index(const Key& key) {
  // Every fold is at least one byte long; an empty one would mark a free slot.
  if (key.length == 0) return;
  size_t mask = table_.size() - 1;
  size_t slot = key.hash & mask;
  while (table_[slot].length != 0) slot = (slot + 1) & mask;
  table_[slot] = Slot{key.hash, key.offset, key.length};
}

void History::Rebuild() {
  size_t size = 16;
  while (size < names_.size() * 2 + 2) size *= 2;
  table_.assign(size, Slot{0, 0, 0});
  for (const Key& key : keys_) Index(key);
}

void History::Append(std::string name) {
  keys_.push_back(AddFold(name));
  names_.push_back(std::move(name));
  if ((names_.size() + 1) * 2 > table_.size()) {
    Rebuild();
  } else {
    Index(keys_.back());
  }
}

bool History::IsSorted() const {
  for (size_t i = 1; i < names_.size(); ++i)
    if (CompareNames(names_[i], names_[i - 1]) < 0) return false;
  return true;
}

void History::Sort() {
  if (IsSorted()) return;
  // One system key per name, then byte comparisons: far cheaper than asking
  // the system about every pair.
  std::vector<std::string> sortKeys;
  sortKeys.reserve(names_.size());
  for (const std::string& name : names_) sortKeys.push_back(NameSortKey(name));
  std::vector<uint32_t> order(names_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return sortKeys[a] < sortKeys[b]; });
  std::vector<std::string> names;
  std::vector<Key> keys;
  names.reserve(order.size());
  keys.reserve(order.size());
  for (uint32_t i : order) {
    names.push_back(std::move(names_[i]));
    keys.push_back(keys_[i]);
  }
  names_ = std::move(names);
  keys_ = std::move(keys);
  Rebuild();
}

void History::InsertSorted(std::string name) {
  // A history written by this program is already in order; then the new
  // name only needs its place.
  Sort();
  auto at = std::upper_bound(names_.begin(), names_.end(), name,
                             [](const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; });
  size_t index = static_cast<size_t>(at - names_.begin());
  Key key = AddFold(name);
  names_.insert(at, std::move(name));
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(index), key);
  Rebuild();
}

void History::Clear() {
  names_.clear();
  keys_.clear();
  folds_.clear();
  table_.clear();
}

History LoadHistory(const std::string& path) {
  if (!framework::FileExists(path)) return History();
  std::optional<std::string> bytes = framework::ReadWholeFile(path);
  if (!bytes) throw framework::Exception(framework::FormatText(kCannotReadText, {path}));
  // Shift-JIS text is converted in one call; should a damaged character
  // swallow a line end on the way, the names no longer come out one per line
  // of the file, and each line is converted on its own instead.
  std::string_view text(*bytes);
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> names = ParseHistoryText(framework::DecodeStoredText(text));
  if (!text.starts_with(framework::kUtf8ByteOrderMark) && names.size() != CountHistoryNames(text)) {
    names = ParseHistoryText(text);
    for (std::string& name : names) name = framework::DecodeStoredText(name);
  }
  return History(std::move(names));
}

void SaveHistory(const std::string& path, const History& history) {
  const std::string text = framework::EncodeStoredText(FormatHistoryText(history.Names()));
  if (!framework::WriteFileAtomically(path, text)) throw framework::EWriteRefused(path);
}

}  // namespace kaleidon
