#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/base/text.h"
#include "support/messageboxes.h"
#include "tray/trayhelpers.h"
#include "tray/trayicon.h"

using namespace kaleidon;
using namespace traytest;

TEST(TrayIcon, SingleClickIsReportedOnceAfterTheWaitAndAgainForALaterClick) {
  TTrayIcon icon;
  EventLog log(icon, false);
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  // The release only starts the wait; the click comes back through the queue.
  EXPECT_TRUE(icon.ClickPending());
  EXPECT_EQ(log.events, Events{"down 0 8"});
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click"}));
  EXPECT_FALSE(icon.ClickPending());

  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click", "down 0 8", "click"}));
}

TEST(TrayIcon, DoubleClickGivesOneDoubleClickAndNoSingleClick) {
  TTrayIcon icon;
  EventLog log(icon, false);
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
  EXPECT_EQ(log.events, (Events{"down 0 8", "dblclick"}));
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "dblclick"}));
  EXPECT_FALSE(icon.ClickPending());

  // The last release held past the wait: still no click, and it starts none.
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
  FinishSingleClicks();
  Notify(icon, {WM_LBUTTONUP});
  EXPECT_EQ(TSingleClick::Running(), 0);
  // The last release never came: the next click is an ordinary one.
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
  FinishSingleClicks();
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  FinishSingleClicks();
  EXPECT_EQ(log.Count("click"), 1u);
  EXPECT_EQ(log.Count("dblclick"), 3u);
}

TEST(TrayIcon, DisabledIconDropsThePendingClickAndRaisesNothing) {
  TTrayIcon icon;
  EventLog log(icon, false);
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  icon.SetEnabled(false);
  EXPECT_FALSE(icon.ClickPending());
  Notify(icon, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                WM_MBUTTONDOWN, WM_MBUTTONUP});
  FinishSingleClicks();
  EXPECT_EQ(log.events, Events{"down 0 8"});

  // Cleared and set again while the first wait runs: only the new click
  // is reported, once.
  icon.SetEnabled(true);
  Notify(icon, {WM_LBUTTONUP});
  icon.SetEnabled(false);
  icon.SetEnabled(true);
  Notify(icon, {WM_LBUTTONUP});
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click"}));
}

TEST(TrayIcon, WithOnMouseUpAssignedLeftReleasesNeverBecomeClicks) {
  TTrayIcon icon;
  EventLog log(icon);
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_FALSE(icon.ClickPending());
  EXPECT_EQ(TSingleClick::Running(), 0);
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "up 0 8"}));
}

TEST(TrayIcon, OtherButtonsReportTheirButtonShiftAndCursorAndStrayMessagesNothing) {
  auto gone = std::make_unique<TTrayIcon>();
  int goneId = gone->ID();
  TTrayIcon icon;
  EventLog log(icon);
  POINT reported{-1, -1};
  icon.OnMouseMove = [&](TTrayIcon&, TShiftState s, int x, int y) {
    reported = POINT{x, y};
    log.events.push_back("move " + std::to_string(s));
  };
  gone.reset();
  SetCursorPos(37, 41);
  Notify(icon, {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP, WM_MBUTTONDOWN,
                WM_MBUTTONUP, WM_MBUTTONDBLCLK, WM_USER, 0u});
  Notify(goneId, WM_LBUTTONDOWN);
  Notify(999, WM_LBUTTONDOWN);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(log.events, (Events{"move 0", "down 1 16", "up 1 16", "up 1 16", "down 2 32", "up 2 32"}));
  EXPECT_EQ(reported.x, cursor.x);
  EXPECT_EQ(reported.y, cursor.y);
}

TEST(TrayIcon, DestroyedIconsReportNothingLateAndHandlersMayDestroyOrFail) {
  auto icon = std::make_unique<TTrayIcon>();
  int firstId = icon->ID();
  int clicks = 0;
  icon->OnClick = [&](TTrayIcon&) { ++clicks; };
  Notify(*icon, {WM_LBUTTONUP});
  ASSERT_TRUE(icon->ClickPending());
  icon.reset();
  // A new icon takes the same ID while the old click still waits.
  TTrayIcon successor;
  ASSERT_EQ(successor.ID(), firstId);
  successor.OnClick = [&](TTrayIcon&) { ++clicks; };
  FinishSingleClicks();
  EXPECT_EQ(clicks, 0);

  auto doomed = std::make_unique<TTrayIcon>();
  doomed->OnDblClick = [&](TTrayIcon&) { doomed.reset(); };
  Notify(*doomed, {WM_LBUTTONDBLCLK});
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(TCallbackWindow::CurrentIcon(), nullptr);

  MessageBoxRecorder boxes;
  successor.OnClick = [](TTrayIcon&) { throw framework::Exception("壁紙を変更できません"); };
  successor.OnMouseDown = [](TTrayIcon& sender, TMouseButton, TShiftState, int, int) {
    sender.OnMouseDown = nullptr;  // replaced while it runs
    throw framework::Exception("押せません");
  };
  Notify(successor, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  FinishSingleClicks();
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Calls()[0].text, "押せません.");
  EXPECT_EQ(boxes.Calls()[1].text, "壁紙を変更できません.");
}

TEST(TrayIcon, TheRecordKeepsSixtyTwoCharactersOfTipAndTheTipFlagOnlyWithATip) {
  TTrayIcon icon;
  EXPECT_EQ(icon.TipHelp(), "TipHelp");
  icon.SetTipHelp(std::string(70, 'a'));
  EXPECT_EQ(icon.TipHelp(), std::string(62, 'a'));
  std::string japanese;
  for (int i = 0; i < 35; ++i) japanese += "参ｶ";
  icon.SetTipHelp(japanese);
  EXPECT_EQ(icon.TipHelp(), japanese.substr(0, 62 * 3));

  // An add while invisible fills the record and stops before the shell.
  icon.UpdateTray(TrayOperation::Add);
  const NOTIFYICONDATAW& data = icon.IconData();
  EXPECT_EQ(data.cbSize, TTrayIcon::kIconDataSize);
  EXPECT_EQ(data.uCallbackMessage, 1224u);
  EXPECT_EQ(data.uID, static_cast<UINT>(icon.ID()));
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(std::wstring(data.szTip), framework::Widen(icon.TipHelp()));

  icon.SetTipHelp("");
  icon.UpdateTray(TrayOperation::Add);
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
  EXPECT_EQ(data.szTip[0], L'\0');

  // Characters beyond the basic plane take two units: the record keeps
  // whole characters and its NUL within 64 units.
  std::string flowers;
  for (int i = 0; i < 40; ++i) flowers += "\xF0\x9F\x8C\xB8";  // U+1F338
  icon.SetTipHelp(flowers);
  EXPECT_EQ(icon.TipHelp(), flowers);
  icon.UpdateTray(TrayOperation::Add);
  EXPECT_EQ(std::wstring(data.szTip), framework::Widen(flowers).substr(0, 62));
  EXPECT_FALSE(icon.Registered());

  icon.SetAnimateRate(50);
  EXPECT_EQ(icon.AnimateRate(), 100);
}

TEST(TrayIcon, WhileAMessageBoxHoldsTheProgramNothingIsReported) {
  TTrayIcon icon;
  EventLog log(icon, false);
  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});  // a click, then at once a box
  // What the box does to every window of the thread, the hidden ones too.
  HWND window = TCallbackWindow::Handle();
  EnableWindow(window, FALSE);
  Notify(icon, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN,
                WM_RBUTTONUP});
  FinishSingleClicks();  // the click made before the box ends its wait under it
  EnableWindow(window, TRUE);
  EXPECT_EQ(log.events, Events{"down 0 8"});
  EXPECT_FALSE(icon.ClickPending());

  Notify(icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
  EXPECT_EQ(log.events, (Events{"down 0 8", "down 0 8", "dblclick"}));
}
