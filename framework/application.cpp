#include "framework/application.h"

#include <commctrl.h>

#include "framework/forms.h"
#include "framework/text.h"

namespace framework {

namespace {
constexpr wchar_t kApplicationClass[] = L"TApplication";
constexpr UINT kQueuedCall = WM_APP + 0x311;
}  // namespace

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
  wc.hIcon = LoadIconW(instance, L"MAINICON");
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  // The application window: never shown on screen; it owns message boxes and,
  // while visible, carries the program's taskbar button.
  handle_ = CreateWindowExW(0, kApplicationClass, Widen(title_).c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, instance, nullptr);
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

int Application::MessageBox(const std::string& text, const std::string& caption, unsigned flags, bool ownerless) {
  HWND owner = ownerless ? nullptr : handle_;
  if (messageBoxHook_) return messageBoxHook_(MessageBoxCall{owner, text, caption, flags});
  return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

void Application::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') text += ".";
  MessageBox(text, title_, MB_ICONERROR | MB_OK);
}

void Application::Dispatch(std::function<void()> handler) noexcept {
  try {
    handler();
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

bool Application::HandleMessage(MSG& msg) {
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  HWND active = GetActiveWindow();
  if (active && Form::FromHandle(active) && IsDialogMessageW(active, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void Application::ProcessMessages() {
  MSG msg;
  while (!terminated_ && HandleMessage(msg)) {
  }
}

void Application::Run() {
  if (mainForm_ && showMainForm_) mainForm_->Show();
  MSG msg;
  while (!terminated_) {
    if (!HandleMessage(msg)) WaitMessage();
  }
}

void Application::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

LRESULT CALLBACK Application::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Application& app = Instance();
  switch (msg) {
    case kQueuedCall: {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(app.queueLock_);
        if (app.queue_.empty()) return 0;
        call = std::move(app.queue_.front());
        app.queue_.pop_front();
      }
      app.Dispatch(call);
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        app.Minimize();
        return 0;
      }
      break;
    case WM_CLOSE:
      if (app.mainForm_) app.mainForm_->Close();
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace framework
