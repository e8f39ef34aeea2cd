#pragma once
// The remembered folders as a value: slot n (1..200) holds a folder path
// ending in '\' or nothing, the label the table shows beside it
// ("Memory[n]", or nothing for a row not in use) and the folder's time span
// ("時間帯", or none: any time). It is the slot table that
// folder memory, the rotation and the change work on; the folder list's grid
// only shows it. Read from and stored to the settings file's DirectoryBuf.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "framework/base/inifile.h"
#include "selection/foldermemory.h"
#include "selection/timespan.h"

namespace kaleidon {

class FolderSlots : public SlotTable {
 public:
  // The folder of slot n; empty for an empty slot or one out of range.
  const std::string& Folder(int slot) const;
  // Another folder in the slot drops the span of the one before.
  void SetFolder(int slot, const std::string& folder);
  const std::optional<TimeSpan>& Span(int slot) const;
  void SetSpan(int slot, const std::optional<TimeSpan>& span);
  // Slots 1..count as the rotation and the clock's checks see them.
  std::vector<SlotTime> Times(int count) const;
  // The slot table's columns: 0 the label, 1 the folder, 2 the span as
  // written ("22:00-5:00"; text that is no span clears it); row 0 the header.
  std::string Cell(int column, int row) const override;
  void SetCell(int column, int row, const std::string& text) override;

  // Slots 1..count with their folders and spans from DirectoryBuf (empty
  // when a key is missing) and their labels. A file that cannot be read leaves the
  // slots as they are and returns false.
  bool Load(const framework::IniEdit& settings, int count);
  // PathMemory1..PathMemory<count> = the slots' folders, PathSpan<n> their
  // spans, in the one edit.
  void Store(framework::IniEdit& settings, int count) const;

  bool operator==(const FolderSlots& other) const { return rows_ == other.rows_; }

 private:
  struct Row {
    std::string label, folder;
    std::optional<TimeSpan> span;
    bool operator==(const Row&) const = default;
  };
  std::array<Row, kMaxFolderSlots + 1> rows_;
};

}  // namespace kaleidon
