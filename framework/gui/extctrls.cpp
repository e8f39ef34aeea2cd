#include "framework/gui/extctrls.h"

#include <windows.h>

#include <map>

#include "framework/base/exception.h"
#include "framework/gui/application.h"

namespace framework {

// One hidden message-only window carries the system timers of every Timer.
struct TimerWindow {
  static HWND Handle() {
    static HWND window = Create();
    return window;
  }
  static std::map<UINT_PTR, Timer*>& Timers() {
    static std::map<UINT_PTR, Timer*> timers;
    return timers;
  }
  static UINT_PTR NextId() {
    static UINT_PTR next = 0;
    return ++next;
  }

 private:
  static HWND Create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"TTimerWindow";
    RegisterClassExW(&wc);
    HWND h = CreateWindowExW(0, L"TTimerWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!h) throw Exception("cannot create the timer window");
    return h;
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcW(hwnd, msg, wp, lp);
    return AnswerSafely(
        [&]() -> LRESULT {
          auto it = Timers().find(static_cast<UINT_PTR>(wp));
          if (it != Timers().end()) it->second->Tick();
          return 0;
        },
        [] { return LRESULT{0}; });
  }
};

Timer::Timer() = default;

Timer::~Timer() {
  if (destroyed_) *destroyed_ = true;
  if (id_) {
    KillTimer(TimerWindow::Handle(), static_cast<UINT_PTR>(id_));
    TimerWindow::Timers().erase(static_cast<UINT_PTR>(id_));
  }
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Restart();
}

void Timer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Restart();
}

void Timer::Restart() {
  if (id_) {
    KillTimer(TimerWindow::Handle(), static_cast<UINT_PTR>(id_));
    TimerWindow::Timers().erase(static_cast<UINT_PTR>(id_));
    id_ = 0;
  }
  // The window is made when a timer first runs, not for one that is only set up.
  if (!enabled_ || interval_ == 0) return;
  UINT_PTR id = TimerWindow::NextId();
  if (!SetTimer(TimerWindow::Handle(), id, interval_, nullptr)) throw Exception("タイマーを作成できません");
  TimerWindow::Timers()[id] = this;
  id_ = id;
}

void Timer::Tick() {
  if (inTick_ || !OnTimer) return;
  inTick_ = true;
  bool destroyed = false;
  destroyed_ = &destroyed;
  // Copied: the handler may stop the timer, replace itself or delete the timer.
  std::function<void()> handler = OnTimer;
  Application::Instance().Dispatch(handler);
  if (destroyed) return;
  destroyed_ = nullptr;
  inTick_ = false;
}

}  // namespace framework
