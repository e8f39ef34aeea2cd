#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/gui/forms.h"
#include "framework/gui/menus.h"
#include "tray/trayhelpers.h"
#include "tray/trayicon.h"

using namespace kaleidon;
using namespace traytest;

namespace {

framework::FormStyle OwnerStyle() {
  return framework::FormStyle::FixedDialog("TTrayOwnerForm", "トレイの持ち主", 100, 50);
}

// The main window's tray menu; its timer item's caption follows a flag the
// way the main window's popup handler sets it.
struct MainWindowMenu {
  framework::Form form{OwnerStyle()};
  framework::PopupMenu menu{&form, "PopupMenu1"};
  bool timerOn = true;
  int popups = 0;
  Events chosen;
  std::vector<WPARAM> keys = {VK_ESCAPE};  // what the user types once the menu is up

  MainWindowMenu() {
    for (auto [name, caption] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Show1", "表示"}, {"TimerSS", "ﾀｲﾏｰｽﾄｯﾌﾟ"}, {"N2", "ﾗﾝﾀﾞﾑ"}, {"Option1", "ｵﾌﾟｼｮﾝ"}, {"N1", "-"},
             {"Exit1", "終了"}})
      menu.Add(name, caption, [this, item = std::string(name)] { chosen.push_back(item); });
    menu.Item("TimerSS").OnClick = [this] {
      chosen.push_back("TimerSS " + menu.Item("TimerSS").Caption());
      timerOn = !timerOn;
    };
    menu.OnPopup = [this] {
      ++popups;
      menu.Item("TimerSS").SetCaption(timerOn ? "ﾀｲﾏｰｽﾄｯﾌﾟ" : "ﾀｲﾏｰｽﾀｰﾄ");
      PostKeys(menu.Window(), keys);
    };
  }
};

}  // namespace

TEST(TrayIconMenus, RightPressPopsUpTheMenuWhileAutoPopupIsOn) {
  MainWindowMenu main;
  TTrayIcon icon(&main.form);
  EventLog log(icon);
  icon.SetRBPopupMenu(&main.menu);

  main.keys = {VK_DOWN, VK_DOWN, VK_RETURN};
  Notify(icon, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN});
  EXPECT_EQ(main.popups, 2);
  EXPECT_EQ(main.chosen, (Events{"TimerSS ﾀｲﾏｰｽﾄｯﾌﾟ", "TimerSS ﾀｲﾏｰｽﾀｰﾄ"}));
  EXPECT_EQ(log.events, Events{"up 1 16"});  // the presses went to the menu

  Notify(icon, {WM_LBUTTONDOWN});  // no left menu
  icon.SetAutoPopup(false);
  Notify(icon, {WM_RBUTTONDOWN});
  EXPECT_EQ(main.popups, 2);
  EXPECT_EQ(log.events, (Events{"up 1 16", "down 0 8", "down 1 16"}));
}

TEST(TrayIconMenus, LeftMenuTakesTheLeftPressAndFreedMenusAreForgotten) {
  auto main = std::make_unique<MainWindowMenu>();
  TTrayIcon icon(&main->form);
  EventLog log(icon);
  icon.SetLBPopupMenu(&main->menu);
  icon.SetRBPopupMenu(&main->menu);

  main->keys = {VK_UP, VK_RETURN};  // up from nothing: the last item
  Notify(icon, {WM_LBUTTONDOWN});
  EXPECT_EQ(main->chosen, Events{"Exit1"});
  icon.SetAutoPopup(false);
  Notify(icon, {WM_LBUTTONDOWN});
  icon.SetAutoPopup(true);
  EXPECT_EQ(log.events, Events{"down 0 8"});

  // Replacing one holder keeps the other told.
  framework::PopupMenu other;
  icon.SetLBPopupMenu(&other);
  main.reset();
  EXPECT_EQ(icon.RBPopupMenu(), nullptr);
  EXPECT_EQ(icon.LBPopupMenu(), &other);
  Notify(icon, {WM_RBUTTONDOWN});
  EXPECT_EQ(log.events, (Events{"down 0 8", "down 1 16"}));
}

TEST(TrayIconMenus, IconDestroyedWhileItsOwnerCatchesUpPopsUpNothing) {
  MainWindowMenu main;
  auto icon = std::make_unique<TTrayIcon>(&main.form);
  icon->SetRBPopupMenu(&main.menu);
  // Something already queued frees the icon before its menu would show.
  Application::Instance().Queue([&] { icon.reset(); });
  Notify(icon->ID(), WM_RBUTTONDOWN);
  EXPECT_EQ(icon, nullptr);
  EXPECT_EQ(main.popups, 0);
}
