#pragma once
// The processor-load statistics and the gate that holds back the start-up
// and command-line changes while the processor is busy.
#include <cstdint>
#include <functional>

namespace kaleidon {

// Starts the collection; the first reading after it measures from here.
void StartLoadStatistics();
void StopLoadStatistics();
// The load in percent (0..100) since the previous reading; 0 when the
// system offers no statistics.
int ReadProcessorLoad();

// What the gate waits with; tests replace the clock, the sleep and the load.
struct LoadGateEnvironment {
  std::function<uint32_t()> tickCount;        // milliseconds
  std::function<void(uint32_t)> sleep;        // milliseconds
  std::function<int()> readLoad;              // percent
  std::function<void()> processMessages;      // lets the windows paint and take clicks
  // The system's clock, sleep and load, with the windows' message handling.
  static LoadGateEnvironment System(std::function<void()> processMessages);
};

// Returns once the load is at or below threshold percent, or after
// giveUpSeconds have passed; polls every 250 ms.
void WaitForLowLoad(int threshold, int giveUpSeconds, const LoadGateEnvironment& env);

}  // namespace kaleidon
