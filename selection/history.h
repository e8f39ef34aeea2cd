#pragma once
// A history file in memory: the names already shown in the current pass,
// in file order, with a hash on each name's case-folded key so that asking
// whether a name was shown costs the same for ten names as for a hundred
// thousand.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kaleidon {

// A name's folded key and its hash, to ask a history many times.
struct NameLookup {
  std::string fold;
  uint32_t hash = 0;
};
NameLookup MakeNameLookup(std::string_view name);

class History {
 public:
  History() = default;
  explicit History(const std::vector<std::string>& names);
  // The names of a history file's text (UTF-8), as ParseHistoryText finds
  // them.
  static History FromText(std::string text);

  std::vector<std::string> Names() const;
  std::string_view Name(size_t i) const { return std::string_view(text_).substr(keys_[i].name, keys_[i].nameLength); }
  size_t Size() const { return keys_.size(); }
  bool Empty() const { return keys_.empty(); }
  // The names as the history file holds them: each ended by CR LF.
  const std::string& Text() const { return text_; }

  // Case-insensitive.
  bool Contains(std::string_view name) const;
  bool Contains(const NameLookup& lookup) const { return Contains(lookup.fold, lookup.hash); }
  // fold and hash as NameFold and HashBytes make them.
  bool Contains(std::string_view fold, uint32_t hash) const;

  void Append(std::string_view name);
  // Adds name and leaves the list sorted (see Sort).
  void InsertSorted(std::string_view name);
  // Sorts case-insensitively in the system's text order; names that compare
  // equal keep their order.
  void Sort();
  void Clear();

 private:
  // The names lie end to end in text_, each followed by CR LF, so that a
  // history of a hundred thousand names is a few allocations, not a hundred
  // thousand, and is written as it stands.
  struct Key {
    uint32_t name;  // into text_
    uint32_t nameLength;
    uint32_t fold;  // into folds_
    uint32_t foldLength;
    uint32_t hash;
  };
  std::string_view FoldOf(const Key& key) const { return std::string_view(folds_).substr(key.fold, key.foldLength); }
  Key AddName(std::string_view name, uint32_t at);
  void Rebuild();
  void Index(const Key& key);
  bool IsSorted() const;

  std::string text_;
  std::vector<Key> keys_;  // one per name, in list order
  std::string folds_;      // the folded keys, end to end
  // Open addressing; a slot holds a name's hash and where its fold lies, so a
  // lookup touches the table and, on a match, the fold alone.
  struct Slot {
    uint32_t hash;
    uint32_t offset;
    uint32_t length;  // 0: free (a fold is never empty)
  };
  std::vector<Slot> table_;
};

// Loads the history file at path (UTF-8 path; the file is Shift-JIS, or UTF-8
// after a byte-order mark when a name needs it, or what an editor saves:
// framework/base/text.h). A missing file is an empty history; a file that
// exists but cannot be read, or whose bytes are no text, raises
// framework::EReadRefused.
History LoadHistory(const std::string& path);

// Writes the history to path through a temporary file renamed over it, in
// Shift-JIS unless a name needs more; a failed write raises
// framework::EWriteRefused and leaves the old file whole.
void SaveHistory(const std::string& path, const History& history);

// While a HistoryBatch lives, the histories are read once and kept: a save
// changes the kept one, and Commit writes each changed history once. A batch
// begun inside another adds to that one, which writes. A batch dropped
// without Commit writes nothing.
class HistoryBatch {
 public:
  HistoryBatch();
  ~HistoryBatch();
  HistoryBatch(const HistoryBatch&) = delete;
  HistoryBatch& operator=(const HistoryBatch&) = delete;

  // Writes every changed history; the paths of those whose write was
  // refused (each left as it was).
  std::vector<std::string> Commit();

 private:
  friend History LoadHistory(const std::string& path);
  friend void SaveHistory(const std::string& path, const History& history);
  struct Kept {
    std::string path;
    History history;
    bool changed = false;
  };
  Kept* Find(const std::string& path);
  std::vector<Kept> kept_;
  HistoryBatch* outer_;
};

}  // namespace kaleidon
