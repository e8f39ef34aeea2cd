#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "framework/base/exception.h"
#include "framework/gui/application.h"
#include "framework/gui/extctrls.h"
#include "support/messageboxes.h"

using namespace framework;

namespace {

// Lets window messages through until done() holds or a generous time has
// passed; what the test then checks is only what happened, not when.
template <class Done>
void PumpUntil(Done done) {
  DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < 10000) {
    Application::Instance().ProcessMessages();
    Sleep(1);
  }
}

}  // namespace

TEST(Timer, FiresWhileEnabledAndStopsWhenDisabled) {
  Application::Instance().Initialize();
  Timer timer;
  EXPECT_FALSE(timer.Enabled());
  EXPECT_FALSE(timer.Running());
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(10);
  // The window that carries the timers is made for the first one that runs.
  const auto timerWindow = [] { return FindWindowExW(HWND_MESSAGE, nullptr, L"TTimerWindow", nullptr); };
  EXPECT_EQ(timerWindow(), nullptr);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  EXPECT_NE(timerWindow(), nullptr);
  PumpUntil([&] { return ticks >= 3; });
  EXPECT_GE(ticks, 3);

  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  timer.SetEnabled(true);
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
}

TEST(Timer, AnErrorInTheHandlerIsShownAndATickDuringTheHandlerIsNotNested) {
  Application::Instance().Initialize();
  MessageBoxRecorder boxes;
  Timer timer;
  int calls = 0, depth = 0, deepest = 0;
  timer.OnTimer = [&] {
    ++calls;
    deepest = std::max(deepest, ++depth);
    if (calls == 1) {
      // Wait inside the handler, letting messages through, for many periods.
      DWORD start = GetTickCount();
      while (GetTickCount() - start < 300) {
        Application::Instance().ProcessMessages();
        Sleep(1);
      }
    }
    --depth;
    if (calls == 2) throw Exception("タイマーのエラー");
  };
  timer.SetInterval(5);
  timer.SetEnabled(true);
  PumpUntil([&] { return calls >= 3; });
  EXPECT_GE(calls, 3);
  EXPECT_EQ(deepest, 1);
  ASSERT_GE(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "タイマーのエラー.");
}

TEST(Timer, MayBeDeletedByItsOwnHandler) {
  Application::Instance().Initialize();
  auto timer = std::make_unique<Timer>();
  bool fired = false;
  timer->OnTimer = [&] {
    fired = true;
    timer.reset();
  };
  timer->SetInterval(5);
  timer->SetEnabled(true);
  PumpUntil([&] { return fired; });
  EXPECT_TRUE(fired);
  EXPECT_EQ(timer, nullptr);
  Application::Instance().ProcessMessages();
}
