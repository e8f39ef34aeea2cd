#pragma once
// When the interval timer's change waits: while a full-screen program, a
// game or a presentation has the screen, and (when asked) while the machine
// runs on its battery. Only the timer waits; a change asked for by the user
// comes at once.
#include <functional>

namespace kaleidon {

// What the system says of the user and the power; tests put in their own.
struct QuietEnvironment {
  // The shell's user notification state (QUNS_*); 0 when the system cannot
  // tell.
  std::function<int()> notificationState;
  // The AC line status of the power status: 0 on battery, 1 on mains, 255
  // unknown.
  std::function<int()> acLineStatus;
  // The shell's SHQueryUserNotificationState (bound when first asked, for
  // systems that lack it) and GetSystemPowerStatus.
  static QuietEnvironment System();
};

// Why the change waits.
enum class QuietReason {
  None,        // it may come now
  FullScreen,  // a full-screen program, a game or a presentation has the screen
  Battery,     // the machine runs on its battery
};

// The reason the change waits with these switches, or None.
QuietReason QuietWaitReason(bool waitWhileFullScreen, bool waitOnBattery, const QuietEnvironment& env);

}  // namespace kaleidon
