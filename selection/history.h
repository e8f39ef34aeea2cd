#pragma once
// A history file in memory: the names already shown in the current pass,
// in file order, with a hash on each name's key so that asking whether a
// name was shown costs the same for ten names as for a hundred thousand.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kaleidon {

class History {
 public:
  History() = default;
  explicit History(std::vector<std::string> names);

  const std::vector<std::string>& Names() const { return names_; }
  size_t Size() const { return names_.size(); }
  bool Empty() const { return names_.empty(); }

  // Case-insensitive, as the system compares text.
  bool Contains(std::string_view name) const;
  bool ContainsKey(std::string_view key, uint32_t hash) const;

  void Append(std::string name);
  // Adds name and leaves the list sorted (see Sort).
  void InsertSorted(std::string name);
  // Sorts case-insensitively in the system's text order; names that compare
  // equal keep their order.
  void Sort();
  void Clear();

 private:
  void Rebuild();
  void Index(uint32_t i);
  bool IsSorted() const;

  std::vector<std::string> names_;
  std::vector<std::string> keys_;
  std::vector<uint32_t> hashes_;
  std::vector<uint32_t> table_;  // open addressing: index + 1, 0 is free
};

// Loads the history file at path (UTF-8 path; the file is in the system ANSI
// code page). A missing file is an empty history; a file that exists but
// cannot be read raises framework::Exception.
History LoadHistory(const std::string& path);

// Writes the history to path through a temporary file renamed over it; a
// failed write raises framework::Exception and leaves the old file whole.
void SaveHistory(const std::string& path, const History& history);

}  // namespace kaleidon
