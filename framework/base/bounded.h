#pragma once
// Reads that may never come back (a file on a network share that went dead,
// a cloud placeholder whose download never ends, a folder of either) run on
// a thread of their own, and the caller waits for them a bounded time. A
// call that has not finished by then is left to itself: its thread keeps
// everything it uses (the call is given copies, never references into the
// caller), and the caller goes on as though the file could not be read.
//
// While it waits, the thread that owns the program's windows keeps answering
// their messages through the pump that the window kit installs.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "framework/base/exception.h"

namespace framework {

// A file that cannot be reached now: it did not answer within the bound, or
// it is not on the disk (offline storage, a cloud file that is only a
// placeholder), so reading it would start a download. The message names it:
// "<path> を読み込めません".
class EFileUnreachable : public Exception {
 public:
  explicit EFileUnreachable(const std::string& path);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// How long a read of a user's file may take: 15 s unless set.
inline constexpr unsigned kDefaultReadBoundMs = 15000;
unsigned ReadBoundMs();
void SetReadBoundMs(unsigned ms);
// Waits with no bound (a call known to end, such as a decode).
inline constexpr unsigned kNoBound = 0xFFFFFFFFu;

// What the waiting thread does with the messages that arrive for its
// windows; installed by the window kit on the thread that made them. It
// answers false once that thread takes no more messages (the program is
// ending): the wait then goes on without it. Other threads, and any thread
// before one is installed, wait without answering.
void SetWaitPump(std::function<bool()> pump);

// Whether the file's attributes say it is not on the disk (offline, or to be
// recalled from the cloud when opened or read). Reads no data.
bool NotOnDisk(uint32_t attributes);
// The file's attributes; 0 when it has none to tell (it is not there).
uint32_t FileAttributes(const std::string& path);

class BoundedWork {
 public:
  virtual ~BoundedWork() = default;
  virtual void Run() noexcept = 0;
};
// Runs work on a worker thread and waits at most boundMs (kNoBound: until
// it ends). A worker whose work ended takes the next call (an idle one ends
// after a second), so a run of short calls starts no thread for each. False
// when it did not end in time; that worker then holds the work until it
// ends, if ever, and takes no other.
bool RunWithin(unsigned boundMs, std::shared_ptr<BoundedWork> work);

// call() on a thread of its own, waited for at most boundMs: its result, or
// nothing when it did not end in time. What call raises is raised here.
// call must own what it uses (capture by value), unless the wait has no
// bound: that one always ends with the call.
template <class Call>
auto CallWithin(unsigned boundMs, Call call) -> std::optional<decltype(call())> {
  using Result = decltype(call());
  struct Work : BoundedWork {
    explicit Work(Call c) : call(std::move(c)) {}
    void Run() noexcept override {
      try {
        result.emplace(call());
      } catch (...) {
        error = std::current_exception();
      }
    }
    Call call;
    std::optional<Result> result;
    std::exception_ptr error;
  };
  auto work = std::make_shared<Work>(std::move(call));
  if (!RunWithin(boundMs, work)) return std::nullopt;
  if (work->error) std::rethrow_exception(work->error);
  return std::move(work->result);
}

// read(path) on a thread of its own within the read bound, after a look at
// the file's attributes: a file not on the disk is not opened, and one that
// does not answer in time is given up; both raise EFileUnreachable. read
// gets the worker's own copy of the path and must own what it returns.
template <class Read>
auto ReadUserFileWith(const std::string& path, Read read) {
  auto result = CallWithin(ReadBoundMs(), [path, read] {
    if (NotOnDisk(FileAttributes(path))) throw EFileUnreachable(path);
    return read(path);
  });
  if (!result) throw EFileUnreachable(path);
  return std::move(*result);
}

// A user's file read whole within the read bound, as ReadWholeFile reads it
// (nothing when it cannot be opened or read, EFileTooLarge past limit). A
// file not on the disk is not opened and one that does not answer in time
// is given up: both raise EFileUnreachable.
std::optional<std::string> ReadUserFile(const std::string& path, uint64_t limit);
// Its first count bytes (fewer at its end); whole tells whether that was all.
std::optional<std::string> ReadUserFileStart(const std::string& path, uint32_t count, bool& whole);

// Whether the file is there and on the disk, and gives its first bytes (or
// refuses them) within the read bound.
bool FileAnswers(const std::string& path);

}  // namespace framework
