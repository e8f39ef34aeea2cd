#include "selection/rotation.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

bool HoldsFolder(const std::vector<std::string>& values, const std::string& folder) {
  for (const std::string& value : values)
    if (framework::SameTextNoCase(value, folder)) return true;
  return false;
}

// The values of Directory1..Directory<count> of a section, empty ones left out.
std::vector<std::string> ReadDirectories(const framework::IniEdit& settings, const char* section, int count) {
  std::vector<std::string> values;
  for (int i = 1; i <= count; ++i) {
    std::string value = settings.ReadString(section, DirectoryKey(i), "");
    if (!value.empty()) values.push_back(value);
  }
  return values;
}

}  // namespace

std::vector<SlotTime> SlotTimes(const SlotTable& table, int slotCount) {
  std::vector<SlotTime> times;
  for (int n = 1; n <= std::min(slotCount, kMaxFolderSlots); ++n)
    times.push_back({!table.Cell(1, n).empty(), ParseTimeSpan(table.Cell(2, n))});
  return times;
}

bool IsFolderSelectable(const SlotTable& table, int slotCount, uint8_t slot, framework::IniFile& file,
                        const std::vector<int>& inTime) {
  int n = std::min(slotCount, kMaxFolderSlots);
  if (slot < 1 || slot > n) return false;
  auto allowed = [&inTime](int i) { return inTime.empty() || std::find(inTime.begin(), inTime.end(), i) != inTime.end(); };
  if (!allowed(slot)) return false;
  // One reading of the file for both sections, and one replacement for
  // whatever the decision records.
  framework::IniEdit settings(file);
  std::vector<std::string> selected = ReadDirectories(settings, kSelectedDirectorys, n);
  std::vector<std::string> allShown = ReadDirectories(settings, kAllFilesSelectedDirectorys, n);

  std::vector<std::string> filled;
  for (int i = 1; i <= n; ++i) {
    std::string path = table.Cell(1, i);
    if (!path.empty() && allowed(i)) filled.push_back(path);
  }
  auto everyFilledIn = [&filled](const std::vector<std::string>& values) {
    for (const std::string& path : filled)
      if (!HoldsFolder(values, path)) return false;
    return true;
  };

  std::string folder = table.Cell(1, slot);
  // An empty slot recalls nothing; it is taken only when no slot holds a
  // folder, so that the wallpaper never stays put while folders wait.
  if (folder.empty()) return filled.empty();

  // The slot's folder into the pass. A refused slot is drawn again and again
  // while the others wait: the file is rewritten only when the value changes.
  auto recordSelected = [&] {
    if (!settings.ValueExists(kSelectedDirectorys, DirectoryKey(slot)) ||
        settings.ReadString(kSelectedDirectorys, DirectoryKey(slot), "") != folder)
      settings.WriteString(kSelectedDirectorys, DirectoryKey(slot), folder);
  };
  bool selectable = true;
  if (!allShown.empty()) {
    // Every remembered folder has been shown through: they all start over.
    if (everyFilledIn(allShown)) settings.EraseSection(kAllFilesSelectedDirectorys);
    if (HoldsFolder(allShown, folder)) {
      // Counts as used in this pass, so the pass can still end.
      recordSelected();
      selectable = false;
    }
  }
  if (selectable) {
    // The pass ends once every filled slot's folder has had its turn (a
    // folder in two slots has its turn once).
    if (!selected.empty() && everyFilledIn(selected)) {
      settings.EraseSection(kSelectedDirectorys);
      settings.WriteString(kSelectedDirectorys, DirectoryKey(slot), folder);
    } else if (HoldsFolder(selected, folder)) {
      selectable = false;
    } else {
      recordSelected();
    }
  }
  settings.Commit();
  return selectable;
}

void RotateFolder(FolderMemory& memory) {
  if (!memory.controls.SlotBoxEnabled()) return;
  int n = std::min(memory.slotCount, kMaxFolderSlots);
  if (n >= 2) {
    // Some slot is always selectable, and every refusal moves the pass on,
    // so the draws end; the bound only guards against a settings file that
    // does not keep what is written to it.
    const int minute = (memory.clock ? memory.clock() : SystemDayClock()()).minute;
    const std::vector<int> inTime = SlotsInTime(SlotTimes(memory.table, n), minute);
    // All of them when no span narrows them: the draw as it always was.
    const std::vector<int> all = inTime.size() == static_cast<size_t>(n) ? std::vector<int>{} : inTime;
    std::optional<int> chosen;
    const int draws = 64 * n;
    for (int attempt = 0; attempt < draws && !chosen && !inTime.empty(); ++attempt) {
      int slot = inTime[static_cast<size_t>(framework::Random(static_cast<int>(inTime.size())))];
      if (IsFolderSelectable(memory.table, n, static_cast<uint8_t>(slot), memory.settings, all)) chosen = slot;
    }
    for (int slot = 1; slot <= n && !chosen; ++slot)
      if (IsFolderSelectable(memory.table, n, static_cast<uint8_t>(slot), memory.settings, all)) chosen = slot;
    if (chosen) {
      memory.controls.SetCurrentSlot(*chosen);
      ChangeFolderSlot(memory);
    }
  }
  RecallFolder(memory);
}

}  // namespace kaleidon
