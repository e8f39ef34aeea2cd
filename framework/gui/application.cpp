#include "framework/gui/application.h"

#include <commctrl.h>

#include <optional>
#include <string_view>
#include <vector>

#include "framework/base/bounded.h"
#include "framework/base/exception.h"
#include "framework/base/text.h"
#include "framework/base/trace.h"
#include "framework/gui/resources.h"

namespace framework {

namespace {
constexpr wchar_t kApplicationClass[] = L"TApplication";
constexpr UINT kQueuedCall = WM_APP + 0x311;

// While a box owned by the application window is up, no other window of the
// program takes input, as under the system's task-modal boxes: the thread's
// enabled top-level windows (hidden ones too, which may be shown meanwhile)
// are disabled, and exactly those that still exist are enabled again
// afterwards. Boxes opened meanwhile do the same in turn, so they nest.
class TaskModality {
 public:
  explicit TaskModality(HWND owner) : active_(GetActiveWindow()) {
    disabled_ = EnabledThreadWindows(false);
    std::erase(disabled_, owner);  // the box itself disables and enables its owner
    for (HWND h : disabled_) EnableWindow(h, FALSE);
  }
  ~TaskModality() {
    for (HWND h : disabled_)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    // The window the user was in gets the focus back, not the hidden owner.
    if (active_ && IsWindow(active_) && IsWindowVisible(active_) && IsWindowEnabled(active_)) SetActiveWindow(active_);
  }
  TaskModality(const TaskModality&) = delete;
  TaskModality& operator=(const TaskModality&) = delete;

 private:
  HWND active_;
  std::vector<HWND> disabled_;
};

// Puts the message boxes that the thread opens (dialogs owned by owner)
// among the always-on-top windows as they become active. The system is asked
// for that with MB_TOPMOST too, but not every system honours it for a box
// with an owner.
class BoxesOnTop {
 public:
  explicit BoxesOnTop(HWND owner) {
    previousOwner_ = owner_;
    owner_ = owner;
    hook_ = SetWindowsHookExW(WH_CBT, &BoxesOnTop::Hook, nullptr, GetCurrentThreadId());
  }
  ~BoxesOnTop() {
    if (hook_) UnhookWindowsHookEx(hook_);
    owner_ = previousOwner_;
  }
  BoxesOnTop(const BoxesOnTop&) = delete;
  BoxesOnTop& operator=(const BoxesOnTop&) = delete;

 private:
  // Calls nothing that throws.
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
      HWND hwnd = reinterpret_cast<HWND>(wp);
      wchar_t className[8] = {};
      bool box = GetWindow(hwnd, GW_OWNER) == owner_ && GetClassNameW(hwnd, className, 8) &&
                 std::wstring_view(className) == L"#32770";
      if (box && !(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }

  static inline thread_local HWND owner_ = nullptr;
  HWND previousOwner_;
  HHOOK hook_;
};

}  // namespace

namespace {
struct CollectedWindows {
  bool visibleOnly;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM lp) {
  auto& to = *reinterpret_cast<CollectedWindows*>(lp);
  return AnswerSafely(
      [&]() -> BOOL {
        if (IsWindowEnabled(hwnd) && (!to.visibleOnly || IsWindowVisible(hwnd))) to.windows.push_back(hwnd);
        return TRUE;
      },
      [] { return FALSE; });
}
}  // namespace

std::vector<HWND> EnabledThreadWindows(bool visibleOnly) {
  CollectedWindows collected{visibleOnly, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&collected));
  return std::move(collected.windows);
}

WindowObjects<MainWindow>& FormWindows() {
  static WindowObjects<MainWindow> forms;
  return forms;
}

Application& Application::Instance() {
  static Application app;
  return app;
}

void Application::Initialize() {
  if (handle_) return;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Application::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ProgramIcon(IconSize::Big);
  wc.hIconSm = ProgramIcon(IconSize::Small);
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  // The application window: never shown on screen; it owns message boxes and,
  // while visible, carries the program's taskbar button.
  handle_ = CreateWindowExW(0, kApplicationClass, Widen(title_).c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, instance, nullptr);
}

void Application::AnswerWhileWaiting() {
  framework::SetWaitPump([this] {
    ProcessMessages();
    return !terminated_;
  });
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextW(handle_, Widen(title).c_str());
}

void Application::Minimize() {
  if (OnMinimize) Dispatch(OnMinimize);
}

void Application::Restore() {
  if (handle_ && IsIconic(handle_)) ShowWindow(handle_, SW_RESTORE);
}

void Application::BringToFront() {
  HWND target = handle_;
  if (mainForm_ && mainForm_->Visible()) target = mainForm_->Handle();
  if (target) SetForegroundWindow(target);
}

int Application::Notify(const Notice& notice) {
  return MessageBox(notice.text, notice.caption, notice.flags, notice.ownerless);
}

int Application::MessageBox(const std::string& text, const std::string& caption, unsigned flags, bool ownerless) {
  HWND owner = ownerless ? nullptr : handle_;
  if (messageBoxHook_) return messageBoxHook_(MessageBoxCall{owner, text, caption, flags});
  std::optional<TaskModality> modality;
  if (owner) modality.emplace(owner);
  // In front of every window, the always-on-top splash included, and with
  // the focus: the application window that owns it is never on screen.
  BoxesOnTop onTop(owner);
  return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags | MB_SETFOREGROUND | MB_TOPMOST);
}

void Application::ShowException(const std::exception& e) {
  std::string text = e.what();
  // A sentence gets its full stop, unless it has one already (Japanese ones
  // included).
  auto endsWith = [&text](std::string_view end) { return text.ends_with(end); };
  if (!text.empty() && !endsWith(".") && !endsWith("!") && !endsWith("?") && !endsWith("。") && !endsWith("！") &&
      !endsWith("？"))
    text += ".";
  MessageBox(text, title_, MB_ICONERROR | MB_OK);
}

void Application::Dispatch(std::function<void()> handler) noexcept {
  try {
    handler();
  } catch (...) {
    ShowCurrentException();
  }
}

void Application::ShowCurrentException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    try {
      ShowException(e);
    } catch (...) {
    }
  } catch (...) {
    try {
      ShowException(Exception("予期しないエラーが発生しました"));
    } catch (...) {
    }
  }
}

void Application::Queue(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    queue_.push_back(std::move(call));
  }
  PostMessageW(handle_, kQueuedCall, 0, 0);
}

namespace {
// A message by which the user (or another program) asks something of the
// program: a press of a key or a button, a command, a close.
bool AsksSomething(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK: case WM_XBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_NCXBUTTONDOWN:
    case WM_MOUSEWHEEL: case WM_MOUSEHWHEEL:
    case WM_COMMAND: case WM_SYSCOMMAND: case WM_CLOSE:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool Application::HandleMessage(MSG& msg) {
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  Handle(msg);
  return true;
}

void Application::Handle(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return;
  }
  // What was put off until idle is done before anything can need it.
  if (!idleCalls_.empty() && AsksSomething(msg)) RunIdleCalls();
  // Only keys are the dialog's: the rest it would dispatch as below.
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    HWND active = GetActiveWindow();
    if (FormWindows().Find(active) && HandleDialogKeys(active, msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Application::WhenIdle(std::function<void()> call) { idleCalls_.push_back(std::move(call)); }
void Application::WhenIdleFirst(std::function<void()> call) { idleCalls_.push_front(std::move(call)); }

void Application::RunIdleCalls() {
  while (!idleCalls_.empty() && !terminated_) {
    std::function<void()> call = std::move(idleCalls_.front());
    idleCalls_.pop_front();
    Dispatch(std::move(call));
  }
}

bool Application::HandleDialogKeys(HWND form, MSG& msg) {
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && (msg.hwnd == form || IsChild(form, msg.hwnd)) &&
      SendMessageW(form, kFormKeyMessage, 0, reinterpret_cast<LPARAM>(&msg)))
    return true;
  return IsDialogMessageW(form, &msg) != FALSE;
}

void Application::ProcessMessages() {
  MSG msg;
  while (!terminated_ && HandleMessage(msg)) {
  }
}

void Application::Run() {
  if (mainForm_ && showMainForm_) mainForm_->Show();
  TraceStep("message loop");
  MSG msg;
  bool idle = false;
  while (!terminated_) {
    if (HandleMessage(msg)) continue;
    // The system counts the program as waiting for input from here.
    if (!idle) TraceStep("first idle");
    idle = true;
    if (!idleCalls_.empty()) {
      // Waiting is what tells the system the program waits for input: a
      // look that comes back at once, before the calls put off until now.
      // (A PeekMessage that finds nothing tells Windows as much, but not
      // Wine.)
      MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      RunIdleCalls();
      continue;
    }
    WaitMessage();
  }
  // What waited for an idle moment belonged to the run that has ended.
  idleCalls_.clear();
}

void Application::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

LRESULT CALLBACK Application::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return AnswerSafely([&] { return Instance().Answer(hwnd, msg, wp, lp); },
                      [&] { return DefWindowProcW(hwnd, msg, wp, lp); });
}

LRESULT Application::Answer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kQueuedCall: {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (queue_.empty()) return 0;
        call = std::move(queue_.front());
        queue_.pop_front();
      }
      Dispatch(call);
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        Minimize();
        return 0;
      }
      break;
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace framework
