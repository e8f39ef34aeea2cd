#include "selection/autoregister.h"

#include <windows.h>

#include <cstdio>
#include <set>

#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

// What makes a folder the same folder however it was reached: the volume and
// the file index of the folder the path finally leads to; the path's text
// where the system cannot tell them.
std::string FolderIdentity(const std::string& folder) {
  HANDLE h = CreateFileW(framework::Widen(folder).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info;
    bool known = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (known && (info.nFileIndexHigh || info.nFileIndexLow)) {
      char id[32];
      std::snprintf(id, sizeof id, "%08lx:%08lx%08lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                    info.nFileIndexLow);
      return id;
    }
  }
  return "path:" + framework::AsciiUpper(framework::JoinPath(folder, ""));
}

struct Walk {
  unsigned mask;
  bool takePlain, clearAttributes, markFolders, descend;
  std::vector<std::string>& list;
  std::set<std::string> reached;  // identities of the folders met so far

  void Folder(std::string folder) {
    folder = framework::JoinPath(folder, "");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(framework::Widen(folder + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;  // unreadable or gone: nothing below it
    do {
      Entry(folder, found);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  void Entry(const std::string& folder, const WIN32_FIND_DATAW& found) {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") return;
    const unsigned attributes = found.dwFileAttributes;
    // Entries whose hidden, system, volume or folder bit the search does not
    // ask for are not enumerated (with every attribute asked for, none).
    if (attributes & ~kAnyFileAttributes &
        (kHiddenAttribute | kSystemAttribute | kVolumeAttribute | kDirectoryAttribute))
      return;
    std::string full = folder + framework::Narrow(name);
    if (clearAttributes) {
      DWORD cleared = attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY |
                                     FILE_ATTRIBUTE_REPARSE_POINT);
      SetFileAttributesW(framework::Widen(full).c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    const bool isFolder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (isFolder && markFolders) full = framework::JoinPath(full, "");
    if (isFolder && descend && !reached.insert(FolderIdentity(full)).second) return;
    if ((attributes & mask) || ((attributes & kAnyFileAttributes) == 0 && takePlain)) list.push_back(full);
    if (isFolder && descend) Folder(full);
  }
};

}  // namespace

void CollectEntries(const std::string& folder, unsigned mask, bool takePlain, bool clearAttributes, bool markFolders,
                    bool descend, std::vector<std::string>& list, bool emptyFirst) {
  if (emptyFirst) list.clear();
  Walk walk{mask, takePlain, clearAttributes, markFolders, descend, list, {}};
  walk.reached.insert(FolderIdentity(folder));
  walk.Folder(folder);
}

FolderRegistration RegisterPictureFolders(SlotTable& table, const std::vector<std::string>& folders, int slotCount,
                                          const std::function<bool(const std::string& folder)>& holdsPicture) {
  FolderRegistration result;
  int slot = slotCount;
  for (const std::string& entry : folders) {
    std::string folder = entry;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (!framework::DirectoryExists(folder) || !holdsPicture(folder)) continue;
    if (slot >= kMaxFolderSlots) {
      ++result.leftOut;
      continue;
    }
    ++slot;
    RegisterFolderSlot(table, folder, static_cast<uint8_t>(slot));
    ++result.registered;
  }
  return result;
}

}  // namespace kaleidon
