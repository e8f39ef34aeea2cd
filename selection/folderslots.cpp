#include "selection/folderslots.h"

#include "core/settings.h"

namespace kaleidon {

namespace {
const std::string kNone;
const std::optional<TimeSpan> kNoSpan;
bool InRange(int row) { return row >= 0 && row <= kMaxFolderSlots; }
}  // namespace

const std::string& FolderSlots::Folder(int slot) const {
  return slot >= 1 && slot <= kMaxFolderSlots ? rows_[static_cast<size_t>(slot)].folder : kNone;
}

void FolderSlots::SetFolder(int slot, const std::string& folder) {
  if (slot < 1 || slot > kMaxFolderSlots) return;
  Row& r = rows_[static_cast<size_t>(slot)];
  if (r.folder != folder) r.span.reset();
  r.folder = folder;
}

const std::optional<TimeSpan>& FolderSlots::Span(int slot) const {
  return slot >= 1 && slot <= kMaxFolderSlots ? rows_[static_cast<size_t>(slot)].span : kNoSpan;
}

void FolderSlots::SetSpan(int slot, const std::optional<TimeSpan>& span) {
  if (slot >= 1 && slot <= kMaxFolderSlots) rows_[static_cast<size_t>(slot)].span = span;
}

std::vector<SlotTime> FolderSlots::Times(int count) const {
  std::vector<SlotTime> times;
  for (int n = 1; n <= count && n <= kMaxFolderSlots; ++n) times.push_back({!Folder(n).empty(), Span(n)});
  return times;
}

std::string FolderSlots::Cell(int column, int row) const {
  if (!InRange(row)) return {};
  const Row& r = rows_[static_cast<size_t>(row)];
  if (column == 2) return r.span ? FormatTimeSpan(*r.span) : std::string();
  return column == 0 ? r.label : column == 1 ? r.folder : std::string();
}

void FolderSlots::SetCell(int column, int row, const std::string& text) {
  if (!InRange(row)) return;
  Row& r = rows_[static_cast<size_t>(row)];
  if (column == 0) r.label = text;
  if (column == 1 && row == 0) r.folder = text;
  if (column == 1 && row >= 1) SetFolder(row, text);
  if (column == 2 && row >= 1) r.span = ParseTimeSpan(text);
}

bool FolderSlots::Load(const framework::IniEdit& settings, int count) {
  if (settings.Unread()) return false;
  for (int n = 1; n <= count && n <= kMaxFolderSlots; ++n) {
    SetFolder(n, settings.ReadString(kDirectoryBuf, PathMemoryKey(n), ""));
    SetSpan(n, ReadSlotSpan(settings, n, Folder(n)));
    SetCell(0, n, SlotLabel(n));
  }
  return true;
}

void FolderSlots::Store(framework::IniEdit& settings, int count) const {
  for (int n = 1; n <= count && n <= kMaxFolderSlots; ++n) {
    settings.WriteString(kDirectoryBuf, PathMemoryKey(n), Folder(n));
    WriteSlotSpan(settings, n, Folder(n), Span(n));
  }
}

}  // namespace kaleidon
