#include "selection/history.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <optional>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "selection/historytext.h"
#include "selection/namekey.h"

namespace kaleidon {

namespace {
}  // namespace

NameLookup MakeNameLookup(std::string_view name) {
  NameLookup lookup;
  AppendNameFold(name, lookup.fold);
  lookup.hash = HashBytes(lookup.fold);
  return lookup;
}

History::History(const std::vector<std::string>& names) {
  text_ = FormatHistoryText(names);
  keys_.reserve(names.size());
  uint32_t at = 0;
  for (const std::string& name : names) {
    keys_.push_back(AddName(name, at));
    at += static_cast<uint32_t>(name.size() + 2);
  }
  Rebuild();
}

History History::FromText(std::string text) {
  History history;
  // A text this program wrote holds every name ended by CR LF, and is kept
  // as it stands; any other is written out so.
  bool canonical = true;
  size_t count = 0, expected = 0;
  ForEachHistoryNameAt(text, [&](size_t at, size_t length, size_t next) {
    ++count;
    canonical = canonical && at == expected && next == at + length + 2 && text[at + length] == '\r';
    expected = next;
  });
  canonical = canonical && expected == text.size();
  if (!canonical) return History(ParseHistoryText(text));
  history.text_ = std::move(text);
  history.keys_.reserve(count);
  history.folds_.reserve(history.text_.size() + count);
  ForEachHistoryNameAt(history.text_, [&](size_t at, size_t length, size_t) {
    history.keys_.push_back(history.AddName(std::string_view(history.text_).substr(at, length), static_cast<uint32_t>(at)));
  });
  history.Rebuild();
  return history;
}

std::vector<std::string> History::Names() const {
  std::vector<std::string> names;
  names.reserve(keys_.size());
  for (size_t i = 0; i < keys_.size(); ++i) names.emplace_back(Name(i));
  return names;
}

History::Key History::AddName(std::string_view name, uint32_t at) {
  const size_t fold = folds_.size();
  AppendNameFold(name, folds_);
  Key key{at, static_cast<uint32_t>(name.size()), static_cast<uint32_t>(fold),
          static_cast<uint32_t>(folds_.size() - fold), 0};
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
  if (key.foldLength == 0) return;
  size_t mask = table_.size() - 1;
  size_t slot = key.hash & mask;
  while (table_[slot].length != 0) slot = (slot + 1) & mask;
  table_[slot] = Slot{key.hash, key.fold, key.foldLength};
}

void History::Rebuild() {
  size_t size = 16;
  while (size < keys_.size() * 2 + 2) size *= 2;
  table_.assign(size, Slot{0, 0, 0});
  for (const Key& key : keys_) Index(key);
}

void History::Append(std::string_view name) {
  keys_.push_back(AddName(name, static_cast<uint32_t>(text_.size())));
  text_.append(name);
  text_ += "\r\n";
  if ((keys_.size() + 1) * 2 > table_.size()) {
    Rebuild();
  } else {
    Index(keys_.back());
  }
}

bool History::IsSorted() const {
  for (size_t i = 1; i < keys_.size(); ++i)
    if (CompareNames(Name(i), Name(i - 1)) < 0) return false;
  return true;
}

void History::Sort() {
  if (IsSorted()) return;
  // One system key per name, then byte comparisons: far cheaper than asking
  // the system about every pair.
  std::vector<std::string> sortKeys;
  sortKeys.reserve(keys_.size());
  for (size_t i = 0; i < keys_.size(); ++i) sortKeys.push_back(NameSortKey(Name(i)));
  std::vector<uint32_t> order(keys_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return sortKeys[a] < sortKeys[b]; });
  std::string text;
  text.reserve(text_.size());
  std::vector<Key> keys;
  keys.reserve(order.size());
  for (uint32_t i : order) {
    Key key = keys_[i];
    key.name = static_cast<uint32_t>(text.size());
    text.append(Name(i));
    text += "\r\n";
    keys.push_back(key);
  }
  text_ = std::move(text);
  keys_ = std::move(keys);
}

void History::InsertSorted(std::string_view name) {
  // A history written by this program is already in order; then the new
  // name only needs its place.
  Sort();
  size_t low = 0, high = keys_.size();
  while (low < high) {
    const size_t middle = (low + high) / 2;
    if (CompareNames(name, Name(middle)) < 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  const uint32_t at = low < keys_.size() ? keys_[low].name : static_cast<uint32_t>(text_.size());
  const Key key = AddName(name, at);
  text_.insert(at, std::string(name) + "\r\n");
  const auto shift = static_cast<uint32_t>(name.size() + 2);
  for (size_t i = low; i < keys_.size(); ++i) keys_[i].name += shift;
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(low), key);
  if ((keys_.size() + 1) * 2 > table_.size()) {
    Rebuild();
  } else {
    Index(key);
  }
}

void History::Clear() {
  text_.clear();
  keys_.clear();
  folds_.clear();
  table_.clear();
}

namespace {
HistoryBatch* openBatch = nullptr;  // the outermost batch alive
}  // namespace

HistoryBatch::HistoryBatch() : outer_(openBatch) {
  if (!outer_) openBatch = this;
}

HistoryBatch::~HistoryBatch() {
  if (openBatch == this) openBatch = nullptr;
}

HistoryBatch::Kept* HistoryBatch::Find(const std::string& path) {
  for (Kept& kept : kept_)
    if (framework::SameTextNoCase(kept.path, path)) return &kept;
  return nullptr;
}

std::vector<std::string> HistoryBatch::Commit() {
  std::vector<std::string> refused;
  if (outer_) return refused;
  for (Kept& kept : kept_) {
    if (!kept.changed) continue;
    if (framework::WriteFileAtomically(kept.path, framework::EncodeStoredText(kept.history.Text())))
      kept.changed = false;
    else
      refused.push_back(kept.path);
  }
  return refused;
}

History LoadHistory(const std::string& path) {
  if (openBatch) {
    if (const HistoryBatch::Kept* kept = openBatch->Find(path)) return kept->history;
    HistoryBatch* batch = std::exchange(openBatch, nullptr);  // read from the file
    const auto reopen = framework::ScopeExit([batch] { openBatch = batch; });
    History history = LoadHistory(path);
    batch->kept_.push_back({path, history, false});
    return history;
  }
  std::optional<std::string> bytes = framework::ReadStoredFile(path);
  if (!bytes) return History();
  // A list an editor saved as UTF-16 has a NUL in every other byte: the
  // text ends at the first NUL only once it is decoded.
  bool lossy = false;
  std::string text = framework::DecodeStoredText(*bytes, &lossy);
  // Rewritten, a list with bytes that are no text would lose them.
  if (lossy) throw framework::EReadRefused(path);
  text.resize(std::min(text.size(), text.find('\0')));
  return History::FromText(std::move(text));
}

void SaveHistory(const std::string& path, const History& history) {
  if (openBatch) {
    if (HistoryBatch::Kept* kept = openBatch->Find(path)) {
      kept->history = history;
      kept->changed = true;
    } else {
      openBatch->kept_.push_back({path, history, true});
    }
    return;
  }
  if (!framework::WriteFileAtomically(path, framework::EncodeStoredText(history.Text())))
    throw framework::EWriteRefused(path);
}

}  // namespace kaleidon
