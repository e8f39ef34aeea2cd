#pragma once
// Commands to the copy that runs already. A second start with "/E", "/B" or
// "/X" ("/X2" ...) does not make a change of its own beside the running
// copy: it hands the command to the running copy's main window (class
// "TMyMainForm") as a WM_COPYDATA message, and that copy answers at once that
// it took it, then carries it out as its own button or tray item would, after
// a change it may be in the middle of. The second copy waits a bounded time
// for that answer and ends with an exit code that says how it went; what went
// wrong it writes where whoever started it can read it (see TellStarter).
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "core/commandline.h"

namespace kaleidon {

enum class RemoteAction : uint32_t {
  Change = 1,      // "/E": a random change, applied as "/E" applies it
  Back = 2,        // "/B": back one wallpaper
  NeverAgain = 3,  // "/X", "/Xn": the picture shown never again
};

struct RemoteRequest {
  RemoteAction action = RemoteAction::Change;
  // NeverAgain: 0 for the primary monitor, n for the n-th monitor as the
  // system counts them (from 1); 0 for the other actions.
  int monitor = 0;
  bool operator==(const RemoteRequest&) const = default;
};

// The command a first argument asks of a running copy, if any.
std::optional<RemoteRequest> RemoteRequestOf(const CommandLine& commandLine);

// The message: WM_COPYDATA whose dwData is the signature, and whose block is
// one RemoteMessage, little-endian, the same on both targets.
inline constexpr ULONG_PTR kRemoteSignature = 0x4E444C4B;  // "KLDN"
inline constexpr uint16_t kRemoteVersion = 1;
inline constexpr int kMaxRemoteMonitor = 99;
#pragma pack(push, 1)
struct RemoteMessage {
  uint32_t signature;  // kRemoteSignature once more
  uint16_t version;    // kRemoteVersion
  uint16_t size;       // sizeof(RemoteMessage)
  uint32_t action;     // a RemoteAction
  uint32_t monitor;    // RemoteRequest::monitor
};
#pragma pack(pop)
static_assert(sizeof(RemoteMessage) == 16);

// What the running copy answers when it took a request: a window that does
// not know the message (another program's, an older copy's) answers 0.
inline constexpr LRESULT kRemoteTaken = 0x4B4C4F4B;
// ... and when the monitor a command names is not there.
inline constexpr LRESULT kRemoteNoMonitor = 0x4B4C4E4D;

RemoteMessage EncodeRemoteRequest(const RemoteRequest& request);
// The request a WM_COPYDATA block carries; nothing for a block of another
// signature, version, size, action or monitor.
std::optional<RemoteRequest> DecodeRemoteRequest(const COPYDATASTRUCT* data);

// The running copy's side: the commands taken and waiting. Each is answered
// at once (the answer never waits for a change) and carried out, in the
// order they came, when no change runs.
class RemoteInbox {
 public:
  struct Hooks {
    std::function<bool()> busy;                       // whether a change runs
    std::function<int()> monitors;                    // how many the desktop has
    std::function<void(const RemoteRequest&)> run;    // carries one out
    std::function<void(std::function<void()>)> later;  // calls from the message loop
  };
  explicit RemoteInbox(Hooks hooks) : hooks_(std::move(hooks)) {}

  // WM_COPYDATA's lParam: a well-formed request is answered kRemoteTaken and
  // carried out from the message loop, one naming a monitor past the
  // desktop's last kRemoteNoMonitor; anything else is answered 0, as a
  // window that does not know the message answers.
  LRESULT Answer(LPARAM copyData);
  // Carries out the waiting commands, one after the other, as long as no
  // change runs: the end of every change calls it again.
  void RunWaiting();
  size_t Waiting() const { return waiting_.size(); }

 private:
  Hooks hooks_;
  std::deque<RemoteRequest> waiting_;
  bool running_ = false;
};

// How a hand-over went.
enum class HandOver {
  Taken,     // the running copy took the command
  NoCopy,    // no copy runs any more: this one may do it itself
  NoAnswer,  // the copy runs, but its window did not answer within the bound
  Refused,   // its window answered, but does not take commands (another version)
  NoMonitor, // the copy has no such monitor
};

// The copy a command goes to.
struct RunningCopy {
  std::wstring windowClass = L"TMyMainForm";
  // Whether the copy still runs (its single-instance mutex is there).
  std::function<bool()> runs;
  // For finding its window and for its answer together.
  DWORD boundMs = 10000;
};

// Hands the request to the running copy's window: looks for it until it is
// there (a copy that is starting may not have made it yet), sends the
// message and waits for the answer, all within the bound.
HandOver HandOverRequest(const RemoteRequest& request, const RunningCopy& copy);

// A second start: hands the command of its command line to the running copy
// and tells its starter what went wrong (through tell). The exit code; nothing
// when the command line names no command for it (the second start says that
// a copy runs, as always) or when no copy runs any more (this one carries the
// command out itself).
std::optional<int> HandOverCommand(const CommandLine& commandLine, const RunningCopy& copy,
                                   const std::function<void(const std::string&)>& tell);

// Exit codes of a second start that handed a command over.
inline constexpr int kExitHandedOver = 0;
inline constexpr int kExitNoAnswer = 2;
inline constexpr int kExitRefused = 3;
inline constexpr int kExitNoMonitor = 4;
int ExitCodeOf(HandOver handOver);

// The line that says what went wrong (empty when nothing did).
std::string HandOverText(HandOver handOver, const RemoteRequest& request, const RunningCopy& copy);

// Writes a line for whoever started the program, which has no window to show
// it in: to the standard error handle it was given (a script that redirects
// it), else to the console of the program that started it (a command
// prompt); false when there is neither (a scheduled task: its exit code,
// the task's last result, is what it leaves). The text is UTF-16 on a
// console and in the system code page elsewhere.
bool TellStarter(const std::string& line);
// The same to a given handle.
bool WriteLineTo(HANDLE handle, const std::string& line);

}  // namespace kaleidon
