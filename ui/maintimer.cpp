// The main window's interval timer: a tick a minute, the change when the
// interval has passed, and its wait while the user should not be disturbed
// (a program on the full screen, the battery).
#include <algorithm>

#include "change/changecycle.h"
#include "tray/trayicon.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

namespace kaleidon {

namespace {

// What the window's caption and the tray tip add while the interval timer's
// change waits.
constexpr const char* kFullScreenWaitStatus = "全画面ﾌﾟﾛｸﾞﾗﾑ使用中のため変更待機中...";
constexpr const char* kBatteryWaitStatus = "ﾊﾞｯﾃﾘｰ駆動中のため変更待機中...";

}  // namespace

void TForm1::Timer1Timer() {
  ++TimerTicks;
  if (TimerTicks >= CurrentOptions().IntervalMinutes()) TimerChangeDue();
}

void TForm1::Timer2Timer() {
  if (waiting_ != QuietReason::None) TimerChangeDue();
}

void TForm1::TimerChangeDue() {
  // A change under way (its box waits for the user) is never entered
  // again: the timer's change comes once it has ended.
  if (Cycle->ChangeBusy) {
    timerChangeWaiting_ = true;
    return;
  }
  const ProgramOptions options = CurrentOptions();
  const QuietReason reason = QuietWaitReason(options.quietFullScreen, options.quietBattery, Quiet);
  ShowWaiting(reason);
  if (reason != QuietReason::None) return;  // still due: it comes once the reason is gone
  ChangeWallpaper(true);
  TimerTicks = 0;
}

void TForm1::CheckTimeOfDay() {
  if (!slotsKnown_) return;
  const int slotCount = SpinEdit1->Enabled() ? CurrentOptions().slotCount : 0;
  const std::vector<SlotTime> times = Slots.Times(slotCount);
  const TimeOfDay now = DayTime.clock();
  // The next look: in a minute, or at the next begin or end if sooner;
  // none while no folder has a span.
  if (!DayTime.timer) {
    DayTime.timer = std::make_unique<framework::Timer>();
    DayTime.timer->OnTimer = [this] { CheckTimeOfDay(); };
  }
  const std::optional<uint32_t> boundary = DelayToNextBoundary(times, now);
  DayTime.timer->SetEnabled(false);
  if (boundary) {
    DayTime.timer->SetInterval(std::min<uint32_t>(*boundary, 60000));
    DayTime.timer->SetEnabled(true);
  }
  if (DayTime.watch.ShouldChange(ShownFolderOutOfTime(times, DayTime.shownSlot, now.minute))) TimerChangeDue();
}

void TForm1::ShowWaiting(QuietReason reason) {
  if (reason == waiting_) return;
  waiting_ = reason;
  Timer2->SetEnabled(reason != QuietReason::None);
  std::string status;
  if (reason == QuietReason::FullScreen) status = kFullScreenWaitStatus;
  if (reason == QuietReason::Battery) status = kBatteryWaitStatus;
  SetCaption(status.empty() ? std::string(kCaption) : std::string(kCaption) + " - " + status);
  if (TrayIcon1) TrayIcon1->SetTipHelp(status.empty() ? std::string(kTrayTip) : std::string(kTrayTip) + "\n" + status);
}

void TForm1::OptionsTimerSwitched(bool on) {
  Timer1->SetEnabled(on);
  // A change that waited is no longer due.
  if (!on) ShowWaiting(QuietReason::None);
}

}  // namespace kaleidon
