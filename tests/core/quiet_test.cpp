// When the interval timer's change waits: the shell's notification state
// and the power status, each behind its switch.
#include "core/quiet.h"

#include <gtest/gtest.h>

using kaleidon::QuietEnvironment;
using kaleidon::QuietReason;
using kaleidon::QuietWaitReason;

namespace {

QuietEnvironment Environment(int state, int acLine) {
  return QuietEnvironment{[state] { return state; }, [acLine] { return acLine; }};
}

}  // namespace

TEST(QuietWait, FullScreenProgramsGamesAndPresentationsHoldTheChangeAndBatteryOnlyWhenAsked) {
  // QUNS_*: 1 not present, 2 busy, 3 Direct3D full screen, 4 presentation,
  // 5 accepts notifications, 6 quiet time, 7 a Windows Store app.
  struct Case {
    int state, acLine;
    bool fullScreen, battery;
    QuietReason expected;
  };
  for (const Case& c : {
           Case{5, 1, true, true, QuietReason::None},
           Case{2, 1, true, false, QuietReason::FullScreen},
           Case{3, 1, true, false, QuietReason::FullScreen},
           Case{4, 1, true, false, QuietReason::FullScreen},
           Case{3, 1, false, false, QuietReason::None},  // the switch is off
           Case{1, 1, true, false, QuietReason::None},
           Case{6, 1, true, false, QuietReason::None},
           Case{7, 1, true, false, QuietReason::None},
           Case{0, 1, true, false, QuietReason::None},  // the system cannot tell
           Case{5, 0, true, true, QuietReason::Battery},
           Case{5, 0, true, false, QuietReason::None},
           Case{5, 255, true, true, QuietReason::None},  // unknown: no battery to spare
           Case{4, 0, true, true, QuietReason::FullScreen},
           Case{4, 0, false, true, QuietReason::Battery},
       }) {
    EXPECT_EQ(QuietWaitReason(c.fullScreen, c.battery, Environment(c.state, c.acLine)), c.expected)
        << "state " << c.state << ", AC " << c.acLine << ", switches " << c.fullScreen << c.battery;
  }
}
