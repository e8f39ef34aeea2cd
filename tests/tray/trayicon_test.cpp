#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/text.h"
#include "support/messageboxes.h"
#include "tray/trayicon.h"
#include "tray/trayhelpers.h"

using namespace kaleidon;
using namespace traytest;

TEST(TrayIcon, StartsWithItsDefaultsAndTheClassicNotificationRecord) {
  TTrayIcon icon;
  EXPECT_EQ(icon.ID(), 1);
  EXPECT_EQ(icon.AnimateRate(), 500);
  EXPECT_TRUE(icon.AutoPopup());
  EXPECT_TRUE(icon.Enabled());
  EXPECT_EQ(icon.Icon(), nullptr);
  EXPECT_EQ(icon.TipHelp(), "TipHelp");
  EXPECT_FALSE(icon.Visible());
  EXPECT_FALSE(icon.Registered());
  EXPECT_FALSE(icon.Animating());
  EXPECT_EQ(icon.IconData().cbSize, 152u);
  EXPECT_EQ(icon.IconData().uCallbackMessage, 1224u);
  EXPECT_EQ(icon.IconData().uID, 1u);
  ASSERT_TRUE(IsWindow(TCallbackWindow::Handle()));
  EXPECT_EQ(GetParent(TCallbackWindow::Handle()), nullptr);  // top level: hears "TaskbarCreated"

  icon.SetAnimateRate(50);
  EXPECT_EQ(icon.AnimateRate(), 100);
  icon.SetAnimateRate(10000);
  EXPECT_EQ(icon.AnimateRate(), 10000);
}

TEST(TrayIcon, SingleClickIsReportedOnceAfterTheDoubleClickTimeAndAgainForALaterClick) {
  TTrayIcon icon;
  EventLog log;
  log.Attach(icon);
  icon.OnMouseUp = nullptr;
  Notify(icon, WM_LBUTTONDOWN);
  Notify(icon, WM_LBUTTONUP);
  // The release only starts the wait; the click arrives through the queue.
  EXPECT_TRUE(icon.ClickPending());
  EXPECT_EQ(log.events, Events{"down 0 8"});
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click"}));
  EXPECT_FALSE(icon.ClickPending());

  Notify(icon, WM_LBUTTONDOWN);
  Notify(icon, WM_LBUTTONUP);
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click", "down 0 8", "click"}));
}

TEST(TrayIcon, DoubleClickGivesOneDoubleClickAndNoSingleClick) {
  TTrayIcon icon;
  EventLog log;
  log.Attach(icon);
  icon.OnMouseUp = nullptr;
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Notify(icon, message);
  EXPECT_EQ(log.events, (Events{"down 0 8", "dblclick"}));
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "dblclick"}));
  EXPECT_FALSE(icon.ClickPending());

  // The last release held past the wait: still no click.
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) Notify(icon, message);
  FinishSingleClicks();
  Notify(icon, WM_LBUTTONUP);
  EXPECT_EQ(TSingleClick::Running(), 0);
  EXPECT_FALSE(icon.ClickPending());
  // The last release never came: the next click is an ordinary one.
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) Notify(icon, message);
  FinishSingleClicks();
  Notify(icon, WM_LBUTTONDOWN);
  Notify(icon, WM_LBUTTONUP);
  FinishSingleClicks();
  EXPECT_EQ(log.Count("click"), 1u);
  EXPECT_EQ(log.Count("dblclick"), 3u);
}

TEST(TrayIcon, DisabledIconDropsThePendingClickAndRaisesNothing) {
  TTrayIcon icon;
  EventLog log;
  log.Attach(icon);
  icon.OnMouseUp = nullptr;
  Notify(icon, WM_LBUTTONDOWN);
  Notify(icon, WM_LBUTTONUP);
  icon.SetEnabled(false);
  EXPECT_FALSE(icon.ClickPending());
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                       WM_MBUTTONDOWN, WM_MBUTTONUP})
    Notify(icon, message);
  FinishSingleClicks();
  EXPECT_EQ(log.events, Events{"down 0 8"});

  // Cleared and set again while the first wait still runs: only the new
  // click is reported, once.
  icon.SetEnabled(true);
  Notify(icon, WM_LBUTTONUP);
  icon.SetEnabled(false);
  icon.SetEnabled(true);
  Notify(icon, WM_LBUTTONUP);
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "click"}));
}

TEST(TrayIcon, WithOnMouseUpAssignedLeftReleasesNeverBecomeClicks) {
  TTrayIcon icon;
  EventLog log;
  log.Attach(icon);
  Notify(icon, WM_LBUTTONDOWN);
  Notify(icon, WM_LBUTTONUP);
  EXPECT_FALSE(icon.ClickPending());
  EXPECT_EQ(TSingleClick::Running(), 0);
  FinishSingleClicks();
  EXPECT_EQ(log.events, (Events{"down 0 8", "up 0 8"}));
}

TEST(TrayIcon, RightAndMiddleButtonsAndMovesReportTheirButtonShiftAndTheCursor) {
  TTrayIcon icon;
  EventLog log;
  log.Attach(icon);
  POINT reported{-1, -1};
  icon.OnMouseDown = [&](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
    reported = POINT{x, y};
    log.events.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(s));
  };
  SetCursorPos(37, 41);
  for (UINT message : std::initializer_list<UINT>{WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP, WM_MBUTTONDOWN,
                       WM_MBUTTONUP, WM_MBUTTONDBLCLK, UINT{WM_USER}, 0u})
    Notify(icon, message);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(log.events,
            (Events{"move 0", "down 1 16", "up 1 16", "up 1 16", "down 2 32", "up 2 32"}));
  EXPECT_EQ(reported.x, cursor.x);
  EXPECT_EQ(reported.y, cursor.y);
}

TEST(TrayIcon, NotificationsForOtherIDsAreIgnored) {
  auto first = std::make_unique<TTrayIcon>();
  TTrayIcon second;
  EventLog log;
  log.Attach(*first);
  EventLog other;
  other.Attach(second);
  int gone = first->ID();
  first.reset();
  Notify(gone, WM_LBUTTONDOWN);
  Notify(999, WM_LBUTTONDOWN);
  Notify(second.ID(), WM_RBUTTONDOWN);
  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(other.events, Events{"down 1 16"});
}

TEST(TrayIcon, DestroyedWhileAClickIsPendingReportsNoClickNotEvenToItsSuccessor) {
  auto icon = std::make_unique<TTrayIcon>();
  int firstId = icon->ID();
  int clicks = 0;
  icon->OnClick = [&](TTrayIcon&) { ++clicks; };
  Notify(*icon, WM_LBUTTONUP);
  ASSERT_TRUE(icon->ClickPending());
  icon.reset();
  // A new icon takes the same ID while the old click still waits.
  TTrayIcon successor;
  ASSERT_EQ(successor.ID(), firstId);
  successor.OnClick = [&](TTrayIcon&) { ++clicks; };
  FinishSingleClicks();
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(successor.ClickPending());
}

TEST(TrayIcon, HandlersMayDestroyTheIconOrFailWithoutHarm) {
  MessageBoxRecorder boxes;
  auto icon = std::make_unique<TTrayIcon>();
  icon->OnDblClick = [&](TTrayIcon&) { icon.reset(); };
  Notify(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(icon, nullptr);
  EXPECT_EQ(TCallbackWindow::CurrentIcon(), nullptr);

  TTrayIcon failing;
  failing.OnClick = [](TTrayIcon&) { throw framework::Exception("壁紙を変更できません"); };
  failing.OnMouseDown = [](TTrayIcon& sender, TMouseButton, TShiftState, int, int) {
    sender.OnMouseDown = nullptr;  // replaced while it runs
    throw framework::Exception("押せません");
  };
  Notify(failing, WM_LBUTTONDOWN);
  Notify(failing, WM_LBUTTONUP);
  FinishSingleClicks();
  EXPECT_EQ(boxes.Captions().size(), 2u);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Calls()[0].text, "押せません.");
  EXPECT_EQ(boxes.Calls()[1].text, "壁紙を変更できません.");
  EXPECT_FALSE(failing.ClickPending());
}

TEST(TrayIcon, TipHelpIsCutToSixtyTwoCharactersAndDecidesTheTipFlag) {
  TTrayIcon icon;
  icon.SetTipHelp(std::string(70, 'a'));
  EXPECT_EQ(icon.TipHelp(), std::string(62, 'a'));
  std::string japanese;
  for (int i = 0; i < 70; ++i) japanese += (i % 2) ? "ｶ" : "参";
  icon.SetTipHelp(japanese);
  EXPECT_EQ(framework::Widen(icon.TipHelp()).size(), 62u);
  EXPECT_EQ(icon.TipHelp(), japanese.substr(0, 62 * 3));

  // Filling the record needs no shell: an add of an invisible icon stops there.
  icon.UpdateTray(TrayOperation::Add);
  EXPECT_EQ(icon.IconData().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(std::wstring(icon.IconData().szTip), framework::Widen(icon.TipHelp()));

  icon.SetTipHelp("");
  icon.UpdateTray(TrayOperation::Add);
  EXPECT_EQ(icon.IconData().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
  EXPECT_EQ(icon.IconData().szTip[0], L'\0');

  // Characters beyond the basic plane take two units each: the record keeps
  // whole characters and its terminating NUL within 64 units.
  std::string wide;
  for (int i = 0; i < 40; ++i) wide += "\xF0\x9F\x8C\xB8";  // U+1F338
  icon.SetTipHelp(wide);
  EXPECT_EQ(icon.TipHelp(), wide);
  icon.UpdateTray(TrayOperation::Add);
  std::wstring tip(icon.IconData().szTip);
  EXPECT_EQ(tip.size(), 62u);
  EXPECT_EQ(tip, framework::Widen(wide).substr(0, 62));
  EXPECT_FALSE(icon.Registered());
}
