#include "framework/base/bounded.h"

#include <windows.h>
#include <process.h>

#include <atomic>

#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"

namespace framework {

namespace {

// The attributes of a cloud file that is only a placeholder (Windows 10's
// files on demand); older headers lack them.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;

std::atomic<unsigned> readBoundMs{kDefaultReadBoundMs};

struct Pump {
  DWORD thread = 0;
  std::function<bool()> pump;
};
Pump& InstalledPump() {
  static Pump pump;
  return pump;
}

unsigned __stdcall RunWork(void* argument) {
  std::unique_ptr<std::shared_ptr<BoundedWork>> work(static_cast<std::shared_ptr<BoundedWork>*>(argument));
  (*work)->Run();
  return 0;
}

}  // namespace

EFileUnreachable::EFileUnreachable(const std::string& path)
    : Exception(FormatText("%s を読み込めません", {path})), path_(path) {}

unsigned ReadBoundMs() { return readBoundMs.load(); }
void SetReadBoundMs(unsigned ms) { readBoundMs.store(ms); }

void SetWaitPump(std::function<bool()> pump) {
  Pump& installed = InstalledPump();
  installed.thread = pump ? GetCurrentThreadId() : 0;
  installed.pump = std::move(pump);
}

bool NotOnDisk(uint32_t attributes) {
  return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

uint32_t FileAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

bool RunWithin(unsigned boundMs, std::shared_ptr<BoundedWork> work) {
  auto* argument = new std::shared_ptr<BoundedWork>(std::move(work));
  const uintptr_t started = _beginthreadex(nullptr, 0, &RunWork, argument, 0, nullptr);
  if (!started) {
    // No thread to spare: the call runs here, unbounded, as it always did.
    RunWork(argument);
    return true;
  }
  HANDLE thread = reinterpret_cast<HANDLE>(started);
  const ScopeExit close([thread] { CloseHandle(thread); });
  // A copy: a message pumped may install another pump.
  const Pump installed = InstalledPump();
  bool pumping = installed.pump && installed.thread == GetCurrentThreadId();
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD wait = INFINITE;
    if (boundMs != kNoBound) {
      const DWORD elapsed = GetTickCount() - start;
      wait = elapsed >= boundMs ? 0 : boundMs - elapsed;
    }
    const DWORD woke = pumping ? MsgWaitForMultipleObjectsEx(1, &thread, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                               : WaitForSingleObject(thread, wait);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke == WAIT_OBJECT_0 + 1 && pumping) {
      pumping = installed.pump();
      continue;
    }
    // A wait without bound never leaves the call behind (it may use the
    // caller's things); a bounded one may have pumped past its bound (a box
    // shown meanwhile) while the call ended.
    if (boundMs == kNoBound) return WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  }
}

std::optional<std::string> ReadUserFile(const std::string& path, uint64_t limit) {
  return ReadUserFileWith(path, [limit](const std::string& file) { return ReadWholeFile(file, limit); });
}

bool FileAnswers(const std::string& path) {
  const std::optional<bool> answered = CallWithin(ReadBoundMs(), [path] {
    const std::wstring name = Widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) || NotOnDisk(attributes))
      return false;
    // One that cannot be opened or read is there all the same: its reader
    // says what is wrong with it.
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;
    char start[4096];
    DWORD got = 0;
    ReadFile(h, start, sizeof start, &got, nullptr);
    CloseHandle(h);
    return true;
  });
  return answered.value_or(false);
}

std::optional<std::string> ReadUserFileStart(const std::string& path, uint32_t count, bool& whole) {
  auto read = ReadUserFileWith(path, [count](const std::string& file) -> std::pair<std::optional<std::string>, bool> {
    HANDLE h = CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {std::nullopt, false};
    const ScopeExit closeFile([h] { CloseHandle(h); });
    std::string data(count, '\0');
    DWORD got = 0;
    if (!ReadFile(h, data.data(), count, &got, nullptr)) return {std::nullopt, false};
    data.resize(got);
    return {std::move(data), got < count};
  });
  whole = read.second;
  return std::move(read.first);
}

}  // namespace framework
