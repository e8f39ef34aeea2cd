#include "core/quiet.h"

#include <windows.h>

#include "framework/base/latebound.h"

namespace kaleidon {

namespace {

// The states of SHQueryUserNotificationState (shellapi.h, Windows Vista and
// later) in which the user should not be disturbed.
constexpr int kBusy = 2;                // a full-screen program runs
constexpr int kFullScreenGame = 3;      // a Direct3D program runs full-screen
constexpr int kPresentationMode = 4;    // presentation settings are on

using QueryUserNotificationState = HRESULT WINAPI(int* state);

int SystemNotificationState() {
  static QueryUserNotificationState* const query =
      framework::LateBound<QueryUserNotificationState>(L"shell32.dll", "SHQueryUserNotificationState");
  int state = 0;
  if (!query || FAILED(query(&state))) return 0;
  return state;
}

int SystemACLineStatus() {
  SYSTEM_POWER_STATUS status{};
  if (!GetSystemPowerStatus(&status)) return 255;
  return status.ACLineStatus;
}

}  // namespace

QuietEnvironment QuietEnvironment::System() { return QuietEnvironment{&SystemNotificationState, &SystemACLineStatus}; }

QuietReason QuietWaitReason(bool waitWhileFullScreen, bool waitOnBattery, const QuietEnvironment& env) {
  if (waitWhileFullScreen && env.notificationState) {
    const int state = env.notificationState();
    if (state == kBusy || state == kFullScreenGame || state == kPresentationMode) return QuietReason::FullScreen;
  }
  if (waitOnBattery && env.acLineStatus && env.acLineStatus() == 0) return QuietReason::Battery;
  return QuietReason::None;
}

}  // namespace kaleidon
