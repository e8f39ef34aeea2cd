#include "selection/rotation.h"

#include <optional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "framework/base/inidocument.h"
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
std::vector<std::string> ReadDirectories(const framework::IniDocument& settings, const char* section, int count) {
  std::vector<std::string> values;
  for (int i = 1; i <= count; ++i) {
    std::optional<std::string> value = settings.Value(section, DirectoryKey(i));
    // Read back as the settings file gives values: at most 1023 characters.
    if (value && !value->empty()) values.push_back(framework::FirstCharacters(*value, framework::IniFile::kMaxValueLength));
  }
  return values;
}

}  // namespace

bool IsFolderSelectable(const SlotTable& table, int slotCount, uint8_t slot) {
  int n = std::min(slotCount, kMaxFolderSlots);
  if (slot < 1 || slot > n) return false;
  // One reading of the file for both sections.
  std::optional<std::string> bytes = framework::ReadWholeFile(SettingsPath());
  framework::IniDocument document(bytes ? framework::FromAnsi(*bytes) : std::string());
  std::vector<std::string> selected = ReadDirectories(document, kSelectedDirectorys, n);
  std::vector<std::string> allShown = ReadDirectories(document, kAllFilesSelectedDirectorys, n);

  std::vector<std::string> filled;
  for (int i = 1; i <= n; ++i) {
    std::string path = table.Cell(1, i);
    if (!path.empty()) filled.push_back(path);
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

  framework::IniFile settings = OpenSettings();
  // The slot's folder into the pass. A refused slot is drawn again and again
  // while the others wait: the file is rewritten only when the value changes.
  auto recordSelected = [&] {
    if (document.Value(kSelectedDirectorys, DirectoryKey(slot)) != folder)
      settings.WriteString(kSelectedDirectorys, DirectoryKey(slot), folder);
  };
  if (!allShown.empty()) {
    // Every remembered folder has been shown through: they all start over.
    if (everyFilledIn(allShown)) settings.EraseSection(kAllFilesSelectedDirectorys);
    if (HoldsFolder(allShown, folder)) {
      // Counts as used in this pass, so the pass can still end.
      recordSelected();
      return false;
    }
  }
  // The pass ends once every filled slot's folder has had its turn (a folder
  // in two slots has its turn once).
  if (!selected.empty() && everyFilledIn(selected)) {
    settings.EraseSection(kSelectedDirectorys);
    settings.WriteString(kSelectedDirectorys, DirectoryKey(slot), folder);
    return true;
  }
  if (HoldsFolder(selected, folder)) return false;
  recordSelected();
  return true;
}

void RotateFolder(FolderMemory& memory) {
  if (!memory.controls.SlotBoxEnabled()) return;
  int n = std::min(memory.slotCount, kMaxFolderSlots);
  if (n >= 2) {
    // Some slot is always selectable, and every refusal moves the pass on,
    // so the draws end; the bound only guards against a settings file that
    // does not keep what is written to it.
    std::optional<int> chosen;
    const int draws = 64 * n;
    for (int attempt = 0; attempt < draws && !chosen; ++attempt) {
      int slot = framework::Random(n) + 1;
      if (IsFolderSelectable(memory.table, n, static_cast<uint8_t>(slot))) chosen = slot;
    }
    for (int slot = 1; slot <= n && !chosen; ++slot)
      if (IsFolderSelectable(memory.table, n, static_cast<uint8_t>(slot))) chosen = slot;
    if (chosen) {
      memory.controls.SetCurrentSlot(*chosen);
      ChangeFolderSlot(memory);
    }
  }
  RecallFolder(memory);
}

}  // namespace kaleidon
