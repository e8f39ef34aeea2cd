#include "app/remotecommand.h"

#include <cstring>

#include "framework/base/scopeguard.h"
#include "framework/base/text.h"

namespace kaleidon {

std::optional<RemoteRequest> RemoteRequestOf(const CommandLine& commandLine) {
  if (commandLine.Change()) return RemoteRequest{RemoteAction::Change, 0};
  if (commandLine.Back()) return RemoteRequest{RemoteAction::Back, 0};
  if (std::optional<int> monitor = commandLine.NeverAgain()) return RemoteRequest{RemoteAction::NeverAgain, *monitor};
  return std::nullopt;
}

RemoteMessage EncodeRemoteRequest(const RemoteRequest& request) {
  RemoteMessage message{};
  message.signature = static_cast<uint32_t>(kRemoteSignature);
  message.version = kRemoteVersion;
  message.size = sizeof(RemoteMessage);
  message.action = static_cast<uint32_t>(request.action);
  message.monitor = static_cast<uint32_t>(request.monitor);
  return message;
}

std::optional<RemoteRequest> DecodeRemoteRequest(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kRemoteSignature || data->cbData != sizeof(RemoteMessage) || !data->lpData) {
    return std::nullopt;
  }
  RemoteMessage message;
  std::memcpy(&message, data->lpData, sizeof message);
  if (message.signature != kRemoteSignature || message.version != kRemoteVersion ||
      message.size != sizeof(RemoteMessage)) {
    return std::nullopt;
  }
  switch (static_cast<RemoteAction>(message.action)) {
    case RemoteAction::Change:
    case RemoteAction::Back:
      if (message.monitor != 0) return std::nullopt;
      break;
    case RemoteAction::NeverAgain:
      if (message.monitor > kMaxRemoteMonitor) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  return RemoteRequest{static_cast<RemoteAction>(message.action), static_cast<int>(message.monitor)};
}

LRESULT RemoteInbox::Answer(LPARAM copyData) {
  std::optional<RemoteRequest> request = DecodeRemoteRequest(reinterpret_cast<const COPYDATASTRUCT*>(copyData));
  if (!request) return 0;
  if (request->action == RemoteAction::NeverAgain && request->monitor > hooks_.monitors()) return kRemoteNoMonitor;
  waiting_.push_back(*request);
  hooks_.later([this] { RunWaiting(); });
  return kRemoteTaken;
}

void RemoteInbox::RunWaiting() {
  // A command carried out may let messages through (the load gate): one
  // that comes meanwhile waits for the loop here.
  if (running_) return;
  running_ = true;
  auto done = framework::ScopeExit([this] { running_ = false; });
  while (!waiting_.empty() && !hooks_.busy()) {
    const RemoteRequest request = waiting_.front();
    waiting_.pop_front();
    hooks_.run(request);
  }
}

HandOver HandOverRequest(const RemoteRequest& request, const RunningCopy& copy) {
  RemoteMessage message = EncodeRemoteRequest(request);
  COPYDATASTRUCT data{};
  data.dwData = kRemoteSignature;
  data.cbData = sizeof message;
  data.lpData = &message;
  const ULONGLONG deadline = GetTickCount64() + copy.boundMs;
  for (;;) {
    if (copy.runs && !copy.runs()) return HandOver::NoCopy;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return HandOver::NoAnswer;
    const DWORD left = static_cast<DWORD>(deadline - now);
    if (HWND window = FindWindowW(copy.windowClass.c_str(), nullptr)) {
      DWORD_PTR answer = 0;
      // Not SMTO_ABORTIFHUNG: a copy inside a long change looks hung to the
      // system after five seconds, and still answers within the bound.
      if (SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                              SMTO_NORMAL | SMTO_ERRORONEXIT, left, &answer)) {
        switch (static_cast<LRESULT>(answer)) {
          case kRemoteTaken:
            return HandOver::Taken;
          case kRemoteNoMonitor:
            return HandOver::NoMonitor;
          default:
            return HandOver::Refused;
        }
      }
      // The time ran out (the loop ends next round), the window went away
      // before it answered (the copy ends, or makes its window anew), or the
      // system would not pass the message: look again a little later.
    }
    Sleep(left < 50 ? left : 50);
  }
}

std::optional<int> HandOverCommand(const CommandLine& commandLine, const RunningCopy& copy,
                                   const std::function<void(const std::string&)>& tell) {
  const std::optional<RemoteRequest> request = RemoteRequestOf(commandLine);
  if (!request) return std::nullopt;
  const HandOver handOver = HandOverRequest(*request, copy);
  if (handOver == HandOver::NoCopy) return std::nullopt;
  if (const std::string text = HandOverText(handOver, *request, copy); !text.empty()) tell(text);
  return ExitCodeOf(handOver);
}

int ExitCodeOf(HandOver handOver) {
  switch (handOver) {
    case HandOver::Taken:
    case HandOver::NoCopy:
      return kExitHandedOver;
    case HandOver::NoAnswer:
      return kExitNoAnswer;
    case HandOver::Refused:
      return kExitRefused;
    case HandOver::NoMonitor:
      return kExitNoMonitor;
  }
  return kExitNoAnswer;
}

std::string HandOverText(HandOver handOver, const RemoteRequest& request, const RunningCopy& copy) {
  switch (handOver) {
    case HandOver::Taken:
    case HandOver::NoCopy:
      return {};
    case HandOver::NoAnswer:
      return "カレイドン: 起動中のカレイドンが" + std::to_string((copy.boundMs + 999) / 1000) +
             "秒以内に応答しませんでした。コマンドは実行されていません。";
    case HandOver::Refused:
      return "カレイドン: 起動中のカレイドンはコマンドを受け付けませんでした(別のバージョンです)。"
             "コマンドは実行されていません。";
    case HandOver::NoMonitor:
      return "カレイドン: " + std::to_string(request.monitor) +
             "番目のモニターはありません。コマンドは実行されていません。";
  }
  return {};
}

bool WriteLineTo(HANDLE handle, const std::string& line) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring text = framework::Widen(line + "\r\n");
    DWORD written = 0;
    return WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  const std::string bytes = framework::ToAnsi(line + "\r\n");
  DWORD written = 0;
  return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool TellStarter(const std::string& line) {
  // A program with windows gets the handles its starter redirected, and no
  // console of its own.
  if (WriteLineTo(GetStdHandle(STD_ERROR_HANDLE), line)) return true;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  // A prompt has been written already by the time a program with windows
  // gets here: the line goes under it.
  const bool told = WriteLineTo(console, "\r\n" + line);
  if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
  FreeConsole();
  return told;
}

}  // namespace kaleidon
