#include "framework/base/bounded.h"

#include <windows.h>
#include <process.h>

#include <atomic>
#include <memory>
#include <vector>

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

// A thread that runs bounded calls one after another, so that a run of
// short reads (the headers of a folder's pictures) does not start a thread
// for each. The pool's lock guards state and the idle list.
struct Worker {
  enum class State { Taken, Idle, Abandoned };
  HANDLE thread = nullptr;
  HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // work was handed over
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);   // the work ended
  std::shared_ptr<BoundedWork> work;
  State state = State::Taken;
  ~Worker() {
    for (HANDLE h : {thread, ready, done})
      if (h) CloseHandle(h);
  }
};

// An idle worker ends after this long without work: nothing stays awake, or
// holds a thread, while the program waits in the tray.
constexpr DWORD kWorkerRestMs = 1000;

struct WorkerPool {
  SRWLOCK lock = SRWLOCK_INIT;
  std::vector<std::shared_ptr<Worker>> idle;
};
WorkerPool& Pool() {
  static WorkerPool* pool = new WorkerPool;  // outlives the workers still running at exit
  return *pool;
}

// What a worker keeps of its stack below where it stands when it ends: the
// frames of the calls that end it.
constexpr uintptr_t kStackKeptBytes = 64 * 1024;

// Gives the system back the pages of this thread's stack below where it
// stands: a work may have gone deep (a decode), and a system that keeps an
// ended thread's stack in memory for a while would keep them while the
// program waits in the tray. (Wine keeps the last ended thread's stack until
// another thread ends, a megabyte of it in memory.) The pages stay the
// thread's, to be used again as they are, or zeros.
// (The thread block is read where the system keeps it; the compiler takes
// that read for one out of bounds.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
void GiveBackUsedStack() {
  const auto* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
  const uintptr_t low = reinterpret_cast<uintptr_t>(tib->StackLimit);
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (here < low + kStackKeptBytes) return;
  const uintptr_t high = (here - kStackKeptBytes) & ~uintptr_t{0xFFF};
  if (high > low) VirtualAlloc(reinterpret_cast<void*>(low), high - low, MEM_RESET, PAGE_READWRITE);
}
#pragma GCC diagnostic pop

// The worker's loop; returns when it ends.
void RunWorkerLoop(const std::shared_ptr<Worker>& owned) {
  Worker& worker = *owned;
  WorkerPool& pool = Pool();
  for (;;) {
    if (WaitForSingleObject(worker.ready, kWorkerRestMs) != WAIT_OBJECT_0) {
      AcquireSRWLockExclusive(&pool.lock);
      // Taken: work is being handed over right now.
      const bool retire = worker.state != Worker::State::Taken;
      if (worker.state == Worker::State::Idle) std::erase(pool.idle, owned);
      ReleaseSRWLockExclusive(&pool.lock);
      if (retire) return;
      continue;
    }
    std::shared_ptr<BoundedWork> work = std::move(worker.work);
    work->Run();
    work.reset();
    SetEvent(worker.done);
    AcquireSRWLockExclusive(&pool.lock);
    const bool abandoned = worker.state == Worker::State::Abandoned;
    ReleaseSRWLockExclusive(&pool.lock);
    if (abandoned) return;
  }
}

unsigned __stdcall RunWorker(void* argument) {
  {
    std::unique_ptr<std::shared_ptr<Worker>> owned(static_cast<std::shared_ptr<Worker>*>(argument));
    RunWorkerLoop(*owned);
  }
  GiveBackUsedStack();
  return 0;
}

// An idle worker, or a new one; nothing when no thread can be started.
std::shared_ptr<Worker> TakeWorker() {
  WorkerPool& pool = Pool();
  AcquireSRWLockExclusive(&pool.lock);
  std::shared_ptr<Worker> worker;
  if (!pool.idle.empty()) {
    worker = std::move(pool.idle.back());
    pool.idle.pop_back();
    worker->state = Worker::State::Taken;
  }
  ReleaseSRWLockExclusive(&pool.lock);
  if (worker) return worker;
  worker = std::make_shared<Worker>();
  if (!worker->ready || !worker->done) return nullptr;
  auto* argument = new std::shared_ptr<Worker>(worker);
  const uintptr_t started = _beginthreadex(nullptr, 0, &RunWorker, argument, 0, nullptr);
  if (!started) {
    delete argument;
    return nullptr;
  }
  worker->thread = reinterpret_cast<HANDLE>(started);
  return worker;
}

// After its work: back to the idle list, or left to itself when the work
// did not end in time.
void ReleaseWorker(const std::shared_ptr<Worker>& worker, bool ended) {
  WorkerPool& pool = Pool();
  AcquireSRWLockExclusive(&pool.lock);
  worker->state = ended ? Worker::State::Idle : Worker::State::Abandoned;
  if (ended) pool.idle.push_back(worker);
  ReleaseSRWLockExclusive(&pool.lock);
}

// Waits for the worker's work to end, at most boundMs, answering the
// window's messages meanwhile where the pump is installed for this thread.
bool WaitForWork(unsigned boundMs, HANDLE done) {
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
    const DWORD woke = pumping ? MsgWaitForMultipleObjectsEx(1, &done, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                               : WaitForSingleObject(done, wait);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke == WAIT_OBJECT_0 + 1 && pumping) {
      pumping = installed.pump();
      continue;
    }
    // A wait without bound never leaves the call behind (it may use the
    // caller's things); a bounded one may have pumped past its bound (a box
    // shown meanwhile) while the call ended.
    if (boundMs == kNoBound) return WaitForSingleObject(done, INFINITE) == WAIT_OBJECT_0;
    return WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
  }
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
  const std::shared_ptr<Worker> worker = TakeWorker();
  if (!worker) {
    // No thread to spare: the call runs here, unbounded, as it always did.
    work->Run();
    return true;
  }
  worker->work = std::move(work);
  SetEvent(worker->ready);
  const bool ended = WaitForWork(boundMs, worker->done);
  ReleaseWorker(worker, ended);
  return ended;
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
