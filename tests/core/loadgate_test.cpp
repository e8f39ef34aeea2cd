#include "core/loadgate.h"

#include <gtest/gtest.h>

#include <vector>

using kaleidon::LoadGateEnvironment;
using kaleidon::WaitForLowLoad;

namespace {

// A machine whose clock moves only when the gate sleeps, with a scripted load.
struct ScriptedMachine {
  uint32_t now = 100000;
  std::vector<int> loads;  // the last one repeats
  size_t readings = 0;
  int sleeps = 0;
  int messagePumps = 0;

  LoadGateEnvironment Environment() {
    return LoadGateEnvironment{
        [this] { return now; },
        [this](uint32_t ms) {
          ++sleeps;
          now += ms;
        },
        [this] { return loads[std::min(readings++, loads.size() - 1)]; },
        [this] { ++messagePumps; },
    };
  }
};

}  // namespace

TEST(LoadGate, NoWaitWhenTheLoadIsAlreadyLowOrUnavailable) {
  ScriptedMachine atThreshold{.loads = {15}};
  WaitForLowLoad(15, 30, atThreshold.Environment());
  EXPECT_EQ(atThreshold.sleeps, 0);

  ScriptedMachine noStatistics{.loads = {0}};
  WaitForLowLoad(10, 30, noStatistics.Environment());
  EXPECT_EQ(noStatistics.sleeps, 0);
}

TEST(LoadGate, WaitsInQuarterSecondsUntilTheLoadDropsLettingWindowsPaint) {
  ScriptedMachine m{.loads = {80, 70, 40, 12}};
  WaitForLowLoad(15, 30, m.Environment());
  EXPECT_EQ(m.sleeps, 3);
  EXPECT_EQ(m.messagePumps, 3);
  EXPECT_EQ(m.now, 100000u + 750u);
}

TEST(LoadGate, GivesUpAfterTheSetTimeUnderASteadyLoad) {
  ScriptedMachine m{.loads = {60}};
  WaitForLowLoad(15, 20, m.Environment());
  // 20 s in 250 ms steps: the check after the 80th sleep sees 20000 ms.
  EXPECT_EQ(m.sleeps, 80);
  EXPECT_EQ(m.now - 100000u, 20000u);
}

TEST(LoadGate, ClockWrapDoesNotTrapTheGate) {
  ScriptedMachine m{.now = 0xFFFFFF00u, .loads = {99}};
  WaitForLowLoad(10, 20, m.Environment());
  EXPECT_EQ(m.sleeps, 80);
}

TEST(LoadGate, SystemLoadReadsAsAPercentage) {
  kaleidon::StartLoadStatistics();
  volatile unsigned spin = 0;
  for (int i = 0; i < 5000000; ++i) spin = spin + i;
  int load = kaleidon::ReadProcessorLoad();
  EXPECT_GE(load, 0);
  EXPECT_LE(load, 100);
  kaleidon::StopLoadStatistics();
  EXPECT_EQ(kaleidon::ReadProcessorLoad(), 0);  // stopped: no previous reading
}
