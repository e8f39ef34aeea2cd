#pragma once
// Timer: calls OnTimer every Interval milliseconds while Enabled (it is
// created stopped), on the
// user-interface thread, through the application's dispatcher. A tick that
// comes while the previous OnTimer is still running (a message box, a wait
// that lets window messages through) is skipped rather than run inside it.
#include <functional>

namespace framework {

class Timer {
 public:
  Timer();
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Milliseconds (default 1000). A running timer restarts its period.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  // Whether the system timer is really running (enabled, positive interval).
  bool Running() const { return id_ != 0; }

  std::function<void()> OnTimer;

 private:
  friend struct TimerWindow;
  void Restart();
  void Tick();

  bool enabled_ = false;
  unsigned interval_ = 1000;
  unsigned long long id_ = 0;
  bool inTick_ = false;
  bool* destroyed_ = nullptr;  // set while OnTimer runs, in case it deletes the timer
};

}  // namespace framework
