#pragma once
// Automatic registration: every folder below a start folder that holds a
// picture goes into the next free slots of folder memory.
#include <functional>
#include <string>
#include <vector>

#include "selection/foldermemory.h"

namespace kaleidon {

// Entry attributes as the walk sees them (the file system's own bits).
inline constexpr unsigned kReadOnlyAttribute = 0x01;
inline constexpr unsigned kHiddenAttribute = 0x02;
inline constexpr unsigned kSystemAttribute = 0x04;
inline constexpr unsigned kVolumeAttribute = 0x08;
inline constexpr unsigned kDirectoryAttribute = 0x10;
inline constexpr unsigned kArchiveAttribute = 0x20;
// Every entry is enumerated, hidden and system ones too.
inline constexpr unsigned kAnyFileAttributes = 0x3F;

// What a walk lists and does on its way.
struct WalkOptions {
  // An entry is listed when its attributes share a bit with mask, or when
  // it has none of the six attribute bits above and takePlain is set.
  unsigned mask = kAnyFileAttributes;
  bool takePlain = false;
  bool clearAttributes = false;  // take the read-only and hidden attributes off every entry met
  bool markFolders = false;      // end folder entries with "\"
  // Walk into every folder right after listing it, so a folder comes
  // directly before the folders inside it.
  bool descend = false;
  bool emptyFirst = false;  // empty the list before the walk
};

// What automatic registration walks for: every folder below, at any depth.
inline constexpr WalkOptions kEveryFolderBelow{
    .mask = kDirectoryAttribute, .markFolders = true, .descend = true, .emptyFirst = true};

// Walks folder ("\" is added when missing) in the order the file system
// returns its entries, "." and ".." left out, putting into list what the
// options ask for.
//
// A folder reached a second time (through a junction or a link that leads
// back up, or to a folder already walked) is neither listed nor walked
// again; folders that cannot be read are passed over.
void CollectEntries(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list);

struct FolderRegistration {
  int registered = 0;  // folders put into slots
  int leftOut = 0;     // folders with pictures that found no free slot
};

// Registers the folders of the walk that exist and hold a picture
// (holdsPicture, given the folder without its trailing "\") into the slots
// after slotCount, one slot each, in walk order, in the table and in the
// settings being edited. Slot 200 is the last: the picture folders found
// after it are only counted.
FolderRegistration RegisterPictureFolders(SlotTable& table, framework::IniEdit& settings,
                                          const std::vector<std::string>& folders, int slotCount,
                                          const std::function<bool(const std::string& folder)>& holdsPicture);

}  // namespace kaleidon
