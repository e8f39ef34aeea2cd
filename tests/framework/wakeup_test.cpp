#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/base/wakeup.h"

using framework::Wakeup;

TEST(Wakeup, AWakeIsKeptUntilTheNextWaitAndReachesAThreadAsleep) {
  Wakeup wakeup;
  // Given before anyone sleeps, twice: one wait takes it.
  wakeup.Wake();
  wakeup.Wake();
  wakeup.Wait();

  // Handed back and forth: each side sleeps until the other wakes it.
  Wakeup back;
  std::atomic<int> turns = 0;
  std::thread other([&] {
    for (int i = 0; i < 50; ++i) {
      wakeup.Wait();
      ++turns;
      back.Wake();
    }
  });
  for (int i = 0; i < 50; ++i) {
    wakeup.Wake();
    back.Wait();
    EXPECT_EQ(turns.load(), i + 1);
  }
  other.join();
}
