#pragma once
// The program's application object: the hidden application window (owner of
// message boxes and of the main window's taskbar button), title, help file,
// the message loop, the one message-box entry point, and the dispatcher that
// runs every event handler and shows any exception in the standard error box.
#include <windows.h>
#undef MessageBox  // the program's own message box is Application::MessageBox

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "framework/base/notices.h"
#include "framework/gui/windowobjects.h"

namespace framework {

// The main form as the application drives it: the message loop shows it when
// it starts, and the application window's close closes it. Forms are such
// windows (gui/forms.h); the application knows no more of them.
class MainWindow {
 public:
  virtual HWND Handle() const = 0;
  virtual bool Visible() const = 0;
  virtual void Show() = 0;
  virtual void Close() = 0;

 protected:
  ~MainWindow() = default;
};

// The program's forms by their windows (gui/forms.cpp keeps it): the message
// loop gives such windows the dialog keys (Tab, the arrows, mnemonics).
WindowObjects<MainWindow>& FormWindows();
// Sent to such a window with a pointer to a key message (lParam) before the
// dialog keys are handled, so that the form may take it (its own tab order,
// a page control's Ctrl+Tab); it answers TRUE when it did.
inline constexpr UINT kFormKeyMessage = WM_APP + 0x312;

// Message box flags as the system's MessageBox takes them (MB_OK,
// MB_ICONINFORMATION, ...); the result is the button pressed (IDOK, ...).
struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  unsigned flags;
};
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;

// The application is the program's notices: each one is a message box.
class Application : public Notices {
 public:
  static Application& Instance();

  // Creates the hidden application window. Safe to call more than once.
  void Initialize();
  HWND Handle() const { return handle_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& file) { helpFile_ = file; }

  // Whether the main form is shown when the message loop starts.
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }
  MainWindow* MainForm() const { return mainForm_; }
  void SetMainForm(MainWindow* form) { mainForm_ = form; }

  // Called when the application is minimised (for example from the taskbar).
  std::function<void()> OnMinimize;
  void Minimize();
  void Restore();
  void BringToFront();

  // Every message box of the program goes through here. The owner is the
  // application window unless one is given; HWND_DESKTOP-like null owners
  // are passed with ownerless = true. A box comes up in front of every
  // window (always-on-top ones too) with the focus; while a box owned by the
  // application window is up, the program's other windows are disabled.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags, bool ownerless = false);
  int Notify(const Notice& notice) override;
  // Tests answer message boxes without showing them.
  void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

  // Runs handler; an exception it raises is shown in the standard error box
  // and goes no further. The handler is taken by value, so it may replace
  // the event it came from (or free its owner) while it runs.
  void Dispatch(std::function<void()> handler) noexcept;
  void ShowException(const std::exception& e);
  // Shows the exception being handled (inside a catch) as Dispatch does.
  void ShowCurrentException() noexcept;

  // Runs call on the user-interface thread (from any thread), through the
  // application window's message queue, inside the dispatcher.
  void Queue(std::function<void()> call);
  // Runs call, inside the dispatcher, once the message loop has nothing
  // else to do (after the windows shown have painted), or sooner: before the
  // loop hands on a key or button press, a command or a close.
  void WhenIdle(std::function<void()> call);
  // As WhenIdle, ahead of the calls already waiting.
  void WhenIdleFirst(std::function<void()> call);

  // The dialog keys of a form of the program: the form's own first
  // (kFormKeyMessage), then the system's (Tab, arrows, mnemonics, Enter,
  // Esc). True when the message was taken.
  static bool HandleDialogKeys(HWND form, MSG& msg);

  // Handles the pending window messages, then returns.
  void ProcessMessages();
  // From now on, a read of a user's file that waits on a thread of its own
  // (framework/base/bounded.h) processes this thread's messages meanwhile,
  // as ProcessMessages does. Called once every window a message could reach
  // is made.
  void AnswerWhileWaiting();
  // Runs the message loop until Terminate() or the main form closes.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

 private:
  Application() = default;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Answer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // Takes the next message, if any, and handles it.
  bool HandleMessage(MSG& msg);
  void Handle(MSG& msg);
  void RunIdleCalls();

  HWND handle_ = nullptr;
  std::string title_;
  std::string helpFile_;
  bool showMainForm_ = true;
  bool terminated_ = false;
  MainWindow* mainForm_ = nullptr;
  MessageBoxHook messageBoxHook_;
  std::mutex queueLock_;
  std::deque<std::function<void()>> queue_;
  std::deque<std::function<void()>> idleCalls_;
};

// The thread's top-level windows that are enabled (and visible, when asked).
std::vector<HWND> EnabledThreadWindows(bool visibleOnly);

// What Windows calls back (window procedures, hooks, enumerations) lets no
// exception out: the 32-bit build unwinds by tables that cannot pass through
// Windows' own frames, so an exception that reached them would end the
// program. The result of answer(), or, when it throws, the exception shown in
// the standard error box and the result of otherwise() (the answer the
// system's default would give).
template <typename Answer, typename Otherwise>
auto AnswerSafely(Answer&& answer, Otherwise&& otherwise) noexcept -> decltype(answer()) {
  try {
    return answer();
  } catch (...) {
    Application::Instance().ShowCurrentException();
  }
  try {
    return otherwise();
  } catch (...) {
    return {};
  }
}

}  // namespace framework
