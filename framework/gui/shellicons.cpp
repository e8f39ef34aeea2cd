#include "framework/gui/shellicons.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/base/folderfiles.h"
#include "framework/base/shellcalls.h"
#include "framework/base/trace.h"

namespace framework::shellicons {

namespace {

// What both threads share. Never destroyed: a look-up may still run while
// the process ends.
struct Lookups {
  std::mutex lock;
  bool running = false;
  bool started = false;  // once a run
  std::deque<IconKey> queue;         // still to look up, the one being looked up first
  std::map<IconKey, int> known;      // what the look-ups ahead found
  std::vector<HWND> waiting;         // painted again when they are done
  HIMAGELIST images = nullptr;
};

Lookups& Shared() {
  static Lookups* lookups = new Lookups;
  return *lookups;
}

// Asks the shell; list receives the system image list when the answer
// comes with it. A drive that is not ready asks nobody to insert a disc.
int Ask(const IconKey& key, HIMAGELIST* list) {
  QuietErrors quiet;
  if (key.stock >= 0) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(shell::GetStockIconInfo(static_cast<SHSTOCKICONID>(key.stock), SHGSI_SYSICONINDEX | SHGSI_SMALLICON,
                                       &info)))
      return -1;
    // The stock icon's answer does not name the list it is in.
    Ask(FolderIcon(false), list);
    return info.iSysImageIndex;
  }
  SHFILEINFOW info{};
  auto images = reinterpret_cast<HIMAGELIST>(shell::GetFileInfo(
      key.path.c_str(), key.attributes, &info, sizeof info, key.flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (!images) return -1;
  *list = images;
  return info.iIcon;
}

// The icons a start draws first: the folders', and each drive's.
void AddFirstKeys(std::deque<IconKey>& queue) {
  queue.push_back(FolderIcon(false));
  queue.push_back(FolderIcon(true));
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const std::wstring root{static_cast<wchar_t>(L'A' + i), L':', L'\\'};
    queue.push_back(DriveIcon(root, GetDriveTypeW(root.c_str())));
  }
}

// With the lock held: the look-ups are over. Hands back the windows that
// drew a line without its icon meanwhile.
std::vector<HWND> EndLookUps(Lookups& shared) {
  shared.running = false;
  std::vector<HWND> waiting;
  waiting.swap(shared.waiting);
  return waiting;
}

void PaintAgain(const std::vector<HWND>& windows) {
  for (HWND window : windows) InvalidateRect(window, nullptr, TRUE);
}

void LookUpQueued() {
  Lookups& shared = Shared();
  {
    std::lock_guard<std::mutex> hold(shared.lock);
    AddFirstKeys(shared.queue);
  }
  std::vector<HWND> waiting;
  for (;;) {
    IconKey key;
    bool known = false;
    {
      std::lock_guard<std::mutex> hold(shared.lock);
      if (shared.queue.empty()) {
        waiting = EndLookUps(shared);
        break;
      }
      key = shared.queue.front();
      known = shared.known.count(key) > 0;
    }
    HIMAGELIST list = nullptr;
    const int index = known ? 0 : Ask(key, &list);
    std::lock_guard<std::mutex> hold(shared.lock);
    if (!known) shared.known[key] = index;
    if (list) shared.images = list;
    shared.queue.pop_front();
  }
  TraceStep("shell icons looked up");
  PaintAgain(waiting);
}

}  // namespace

IconKey FolderIcon(bool open) {
  return {L"folder", FILE_ATTRIBUTE_DIRECTORY, static_cast<UINT>(SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0))};
}

IconKey DriveRootIcon(const std::wstring& root) { return {root, 0, 0}; }

IconKey DriveIcon(const std::wstring& root, UINT type) {
  if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) return DriveRootIcon(root);
  const SHSTOCKICONID stock = type == DRIVE_REMOVABLE ? SIID_DRIVEREMOVE
                              : type == DRIVE_CDROM   ? SIID_DRIVECD
                              : type == DRIVE_REMOTE  ? SIID_DRIVENET
                                                      : SIID_DRIVEFIXED;
  return {L"", 0, 0, static_cast<int>(stock)};
}

IconKey FileTypeIcon(const std::wstring& extension) {
  return {L"file" + extension, FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES};
}

void LookUpAhead() {
  Lookups& shared = Shared();
  {
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.started) return;
    shared.running = shared.started = true;
  }
  try {
    std::thread(LookUpQueued).detach();
  } catch (const std::system_error&) {
    // No thread: each icon is looked up when first drawn.
    std::vector<HWND> waiting;
    {
      std::lock_guard<std::mutex> hold(shared.lock);
      waiting = EndLookUps(shared);
    }
    PaintAgain(waiting);
  }
}

void ExpectLookUpAhead() {
  Lookups& shared = Shared();
  std::lock_guard<std::mutex> hold(shared.lock);
  if (!shared.started) shared.running = true;
}

bool LookingUp() {
  Lookups& shared = Shared();
  std::lock_guard<std::mutex> hold(shared.lock);
  return shared.running;
}

int IconIndex(const IconKey& key, HWND window) {
  Lookups& shared = Shared();
  {
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.running) {
      // The image list is not touched here while the other thread fills it.
      if (!shared.known.count(key) && std::find(shared.queue.begin(), shared.queue.end(), key) == shared.queue.end())
        shared.queue.push_back(key);
      if (window && std::find(shared.waiting.begin(), shared.waiting.end(), window) == shared.waiting.end())
        shared.waiting.push_back(window);
      return kIconPending;
    }
    if (auto found = shared.known.find(key); found != shared.known.end()) return found->second;
  }
  HIMAGELIST list = nullptr;
  const int index = Ask(key, &list);
  std::lock_guard<std::mutex> hold(shared.lock);
  if (list) shared.images = list;
  return index;
}

HIMAGELIST Images() {
  Lookups& shared = Shared();
  std::lock_guard<std::mutex> hold(shared.lock);
  return shared.running ? nullptr : shared.images;
}

}  // namespace framework::shellicons
