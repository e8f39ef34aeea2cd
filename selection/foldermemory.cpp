#include "selection/foldermemory.h"

#include <windows.h>

#include "core/settings.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr const char* kErrorCaption = "暗黒のエラー";
constexpr const char* kDuplicateText = "ぐぁぁぁ！既に同名フォルダが登録されているぞ";
constexpr const char* kFolderGoneText =
    "むはっ！前まであった正義のフォルダが見つからない！\r"
    "前回選択されていた正義のフォルダは暗黒の削除をされたか、正義の移動された可能性があるな････\r"
    "カレイドンが正義のインストールをされている正義のフォルダに正義の頭突きで設定を変更だ！";

}  // namespace

void ReportFolderGone(framework::Notices& notices) {
  notices.Notify({kFolderGoneText, kErrorCaption, MB_ICONQUESTION | MB_OK});
}

std::string SlotLabel(int slot) { return "Memory[" + std::to_string(slot) + "]"; }
std::string PathMemoryKey(int slot) { return "PathMemory" + std::to_string(slot); }
std::string DirectoryKey(int slot) { return "Directory" + std::to_string(slot); }

void WriteFolderSlot(framework::IniEdit& settings, const std::string& path, uint8_t slot) {
  settings.WriteString(kDirectoryBuf, PathMemoryKey(slot), path);
}

void RegisterFolderSlot(SlotTable& table, framework::IniEdit& settings, const std::string& folder, uint8_t slot) {
  table.SetCell(1, slot, framework::JoinPath(folder, ""));
  WriteFolderSlot(settings, table.Cell(1, slot), slot);
  table.SetCell(0, slot, SlotLabel(slot));
}

void MarkFolderAllShown(framework::IniFile& settings, const std::string& folder, uint8_t slot) {
  settings.WriteString(kAllFilesSelectedDirectorys, DirectoryKey(slot), folder);
}

void ForgetFolderAllShown(framework::IniEdit& settings, const std::string& folder) {
  const std::string wanted = framework::JoinPath(folder, "");
  for (const std::string& key : settings.ReadSectionKeys(kAllFilesSelectedDirectorys))
    if (framework::SameTextNoCase(framework::JoinPath(settings.ReadString(kAllFilesSelectedDirectorys, key, ""), ""),
                                  wanted))
      settings.DeleteKey(kAllFilesSelectedDirectorys, key);
}

void ChangeFolderSlot(FolderMemory& memory) {
  FolderMemoryControls& controls = memory.controls;
  if (controls.CurrentSlot() < 1) controls.SetCurrentSlot(1);
  if (memory.slotCount >= 1 && controls.CurrentSlot() >= memory.slotCount) controls.SetCurrentSlot(memory.slotCount);
  if (memory.slotCount > 0) {
    int row = memory.slotCount == 1 ? 1 : controls.CurrentSlot();
    controls.ShowSlotFolder(row >= 1 && row <= kMaxFolderSlots ? memory.table.Cell(1, row) : std::string());
  }
}

void RememberFolder(FolderMemory& memory) {
  std::string path = framework::JoinPath(memory.controls.ListedFolder(), "");
  bool duplicate = false;
  for (int n = 1; n <= memory.slotCount && n <= kMaxFolderSlots; ++n) {
    if (memory.table.Cell(1, n) == path) {
      duplicate = true;
      break;
    }
  }
  if (duplicate) {
    memory.notices.Notify({kDuplicateText, kErrorCaption, MB_ICONWARNING | MB_OK});
  } else {
    int slot = memory.controls.CurrentSlot();
    if (slot >= 1 && slot <= kMaxFolderSlots) {
      memory.settings.WriteString(kDirectoryBuf, PathMemoryKey(slot), path);
      memory.table.SetCell(1, slot, path);
      memory.table.SetCell(0, slot, SlotLabel(slot));
      memory.controls.SetCurrentSlot(slot + 1);
    }
  }
  ChangeFolderSlot(memory);
}

void RecallFolder(FolderMemory& memory) {
  FolderMemoryControls& controls = memory.controls;
  int slot = controls.CurrentSlot();
  std::string path = slot >= 1 && slot <= kMaxFolderSlots ? memory.table.Cell(1, slot) : std::string();
  if (!path.empty() && !framework::SameTextNoCase(path, framework::JoinPath(controls.CurrentFolder(), "")) &&
      !framework::SameTextNoCase(path, controls.CurrentFolder())) {
    if (!framework::DirectoryExists(path) || !controls.ChangeFolder(path)) {
      ReportFolderGone(memory.notices);
      controls.Repaint();
      std::string programFolder = framework::ProgramFolder();
      memory.table.SetCell(1, slot, programFolder);
      memory.settings.WriteString(kDirectoryBuf, PathMemoryKey(slot), programFolder);
      controls.ChangeFolder(programFolder);
      LoadFolderList(memory);
    }
  }
  controls.SyncDriveBox();
}

void LoadFolderList(FolderMemory& memory) {
  if (memory.slotCount <= 0) return;
  framework::IniEdit settings(memory.settings);  // one reading for every slot
  // A file that cannot be read has no slots to give: the table keeps its own.
  if (settings.Unread()) return ChangeFolderSlot(memory);
  for (int n = 1; n <= memory.slotCount && n <= kMaxFolderSlots; ++n) {
    const std::string folder = settings.ReadString(kDirectoryBuf, PathMemoryKey(n), "");
    memory.table.SetCell(1, n, folder);
    const std::optional<TimeSpan> span = ReadSlotSpan(settings, n, folder);
    memory.table.SetCell(2, n, span ? FormatTimeSpan(*span) : std::string());
  }
  ChangeFolderSlot(memory);
}

}  // namespace kaleidon
