#include "core/loadgate.h"

#include <windows.h>

#include "framework/gui/application.h"

namespace kaleidon {

namespace {

// The system's processor times at the previous reading. Windows NT has no
// dynamic performance statistics in the registry; the idle, kernel and user
// times give the same figure: the busy share since the previous reading.
struct ProcessorTimes {
  uint64_t idle = 0, total = 0;
  bool valid = false;
};
ProcessorTimes previous;

uint64_t ToUInt64(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

ProcessorTimes ReadTimes() {
  FILETIME idle, kernel, user;
  if (!GetSystemTimes(&idle, &kernel, &user)) return {};
  // Kernel time includes the idle time.
  return ProcessorTimes{ToUInt64(idle), ToUInt64(kernel) + ToUInt64(user), true};
}

}  // namespace

void StartLoadStatistics() { previous = ReadTimes(); }

void StopLoadStatistics() { previous = ProcessorTimes{}; }

int ReadProcessorLoad() {
  ProcessorTimes now = ReadTimes();
  ProcessorTimes before = previous;
  if (now.valid) previous = now;
  if (!now.valid || !before.valid || now.total <= before.total) return 0;
  uint64_t total = now.total - before.total;
  uint64_t idle = now.idle - before.idle;
  if (idle > total) return 0;
  return static_cast<int>((total - idle) * 100 / total);
}

LoadGateEnvironment LoadGateEnvironment::System() {
  return LoadGateEnvironment{
      [] { return static_cast<uint32_t>(GetTickCount()); },
      [](uint32_t ms) { Sleep(ms); },
      &ReadProcessorLoad,
      [] { framework::Application::Instance().ProcessMessages(); },
  };
}

void WaitForLowLoad(int threshold, int giveUpSeconds, const LoadGateEnvironment& env) {
  uint32_t start = env.tickCount();
  int load = env.readLoad();
  while (threshold < load) {
    env.sleep(250);
    uint32_t elapsed = env.tickCount() - start;
    env.processMessages();
    load = env.readLoad();
    if (static_cast<uint32_t>(giveUpSeconds) * 1000u <= elapsed) break;
  }
}

}  // namespace kaleidon
