// The interval timer's change waits while the user should not be disturbed:
// a full-screen program, a game or a presentation, and (when asked) the
// battery. The options that say so are stored like the others.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/base/inidocument.h"
#include "framework/base/text.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"
#include "tray/trayicon.h"

using kaleidon::QuietReason;

namespace {

// Busy (2), full-screen Direct3D (3), presentation (4), accepts
// notifications (5).
constexpr int kAcceptsNotifications = 5;

class QuietTimer : public ::testing::Test {
 protected:
  // An empty folder: every change ends with the empty-folder message, one
  // per change.
  explicit QuietTimer(const std::string& extra = "")
      : w("[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(empty.path()) +
          "\r\nTimerChange=1\r\nHour=0\r\nMinute=1\r\n" + extra) {
    w.main->Quiet = kaleidon::QuietEnvironment{[this] { return state; }, [this] { return acLine; }};
    w.boxes.Clear();
  }
  size_t Changes() const {
    size_t n = 0;
    for (const auto& c : w.boxes.Calls()) n += c.caption == "悪のエラー";
    return n;
  }
  // What the user sees of a waiting change: the caption and the tray tip.
  std::string Status() const { return w.main->Caption() + " | " + Widgets(*w.main).TrayIcon1->TipHelp(); }

  TempDir empty;
  ProgramWindows w;
  int state = kAcceptsNotifications;
  int acLine = 1;
};

class QuietTimerOnBattery : public QuietTimer {
 protected:
  QuietTimerOnBattery() : QuietTimer("QuietBattery=1\r\n") {}
};

}  // namespace

TEST_F(QuietTimer, TheChangeWaitsWhileAFullScreenProgramRunsAndComesOnceTheScreenIsFree) {
  const std::string quiet = Status();
  EXPECT_EQ(quiet, "Kaleidon v0.6.1 | カレイドン参上！");
  for (int busy : {2, 3, 4}) {
    SCOPED_TRACE(busy);
    w.boxes.Clear();
    state = busy;
    w.main->Timer1Timer();
    EXPECT_EQ(Changes(), 0u);
    EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::FullScreen);
    EXPECT_TRUE(Widgets(*w.main).Timer2->Enabled());
    EXPECT_EQ(Status(), "Kaleidon v0.6.1 - 全画面ﾌﾟﾛｸﾞﾗﾑ使用中のため変更待機中... | "
                        "カレイドン参上！\n全画面ﾌﾟﾛｸﾞﾗﾑ使用中のため変更待機中...");
    w.main->Timer2Timer();
    w.main->Timer1Timer();
    EXPECT_EQ(Changes(), 0u);
    // The random button changes at once all the same; the timer's change
    // still waits.
    Widgets(*w.main).Button3->Click();
    EXPECT_EQ(Changes(), 1u);
    EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::FullScreen);

    state = kAcceptsNotifications;
    w.main->Timer2Timer();
    EXPECT_EQ(Changes(), 2u);
    EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::None);
    EXPECT_FALSE(Widgets(*w.main).Timer2->Enabled());
    EXPECT_EQ(w.main->TimerTicks, 0);
    EXPECT_EQ(Status(), quiet);
    w.main->Timer2Timer();  // nothing waits any more
    EXPECT_EQ(Changes(), 2u);
  }

  // Untick "全画面のプログラム使用中は変更しない": the game is no reason.
  state = 3;
  w.options->FullScreenCheck->SetChecked(false);
  w.boxes.Clear();
  w.main->Timer1Timer();
  EXPECT_EQ(Changes(), 1u);

  // A waiting change is dropped when the timer is switched off.
  w.options->FullScreenCheck->SetChecked(true);
  w.main->Timer1Timer();
  ASSERT_EQ(w.main->TimerChangeWaits(), QuietReason::FullScreen);
  w.options->SwitchTimer(false);
  EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::None);
  EXPECT_FALSE(Widgets(*w.main).Timer2->Enabled());
  EXPECT_EQ(Status(), quiet);
}

TEST_F(QuietTimerOnBattery, OnBatteryTheChangeWaitsForTheMainsWhileTheBoxIsTicked) {
  ASSERT_TRUE(w.options->BatteryCheck->Checked());
  acLine = 0;
  w.main->Timer1Timer();
  EXPECT_EQ(Changes(), 0u);
  EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::Battery);
  EXPECT_EQ(Status(), "Kaleidon v0.6.1 - ﾊﾞｯﾃﾘｰ駆動中のため変更待機中... | "
                      "カレイドン参上！\nﾊﾞｯﾃﾘｰ駆動中のため変更待機中...");
  // From battery to a full-screen program: still waiting, now for that.
  state = 3;
  w.main->Timer2Timer();
  EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::FullScreen);
  state = kAcceptsNotifications;
  w.main->Timer2Timer();
  EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::Battery);
  EXPECT_EQ(Changes(), 0u);
  acLine = 1;
  w.main->Timer2Timer();
  EXPECT_EQ(Changes(), 1u);
  EXPECT_EQ(Status(), "Kaleidon v0.6.1 | カレイドン参上！");

  // Unticked, the battery is no reason.
  w.options->BatteryCheck->SetChecked(false);
  acLine = 0;
  w.main->Timer1Timer();
  EXPECT_EQ(Changes(), 2u);
  EXPECT_EQ(w.main->TimerChangeWaits(), QuietReason::None);
}

TEST(QuietOptions, DefaultsAreStoredOnlyOnceChangedAndReadBack) {
  ProgramWindows w;
  const kaleidon::ProgramOptions v = w.options->Values();
  EXPECT_EQ(v.hotKeyNext, 0);
  EXPECT_EQ(v.hotKeyBack, 0);
  EXPECT_TRUE(v.quietFullScreen);
  EXPECT_FALSE(v.quietBattery);
  auto stored = [&](const char* key) {
    return framework::IniDocument(framework::DecodeStoredText(w.folder.ReadFile("Kaleidon.ini"))).Value("SysInfo", key);
  };
  const char* keys[] = {"HotKeyNext", "HotKeyBack", "QuietFullScreen", "QuietBattery"};
  w.options->Button1->Click();
  for (const char* key : keys) EXPECT_FALSE(stored(key)) << key;  // the file keeps today's keys

  // Ctrl+Alt+N: the key in the low byte, HOTKEYF_CONTROL | HOTKEYF_ALT above.
  w.options->NextHotKey->SetValue(MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT));
  w.options->FullScreenCheck->SetChecked(false);
  w.options->BatteryCheck->SetChecked(true);
  w.options->Button1->Click();
  EXPECT_EQ(stored("HotKeyNext"), "1614");
  EXPECT_FALSE(stored("HotKeyBack"));
  EXPECT_EQ(stored("QuietFullScreen"), "0");
  EXPECT_EQ(stored("QuietBattery"), "1");

  // Cancel reads them back from the file; once stored, a default is stored too.
  w.options->NextHotKey->SetValue(0);
  w.options->BatteryCheck->SetChecked(false);
  w.options->Button2->Click();
  EXPECT_EQ(w.options->NextHotKey->Value(), 1614);
  EXPECT_TRUE(w.options->BatteryCheck->Checked());
  EXPECT_FALSE(w.options->FullScreenCheck->Checked());
  w.options->NextHotKeyClear->Click();
  EXPECT_EQ(w.options->NextHotKey->Value(), 0);
  w.options->Button1->Click();
  EXPECT_EQ(stored("HotKeyNext"), "0");
  EXPECT_FALSE(stored("HotKeyBack"));
}
