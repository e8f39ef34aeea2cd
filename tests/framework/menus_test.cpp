#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/menus.h"
#include "framework/text.h"
#include "support/messageboxes.h"

using namespace framework;

namespace {

// While a menu is up, its own loop reads the keys waiting in the thread's
// queue: keys posted from OnPopup choose an item the way a user would.
void PostKeys(HWND window, const std::vector<WPARAM>& keys) {
  for (WPARAM key : keys) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }
}

std::string MenuString(HMENU menu, UINT position) {
  wchar_t buffer[128] = {};
  GetMenuStringW(menu, position, buffer, 128, MF_BYPOSITION);
  return Narrow(buffer);
}

UINT MenuType(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  GetMenuItemInfoW(menu, position, TRUE, &info);
  return info.fType;
}

UINT MenuState(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  GetMenuItemInfoW(menu, position, TRUE, &info);
  return info.fState;
}

// The tray menu of the main window, with a record of what was chosen.
struct TrayMenu {
  PopupMenu menu{nullptr, "PopupMenu1"};
  std::vector<std::string> chosen;
  TrayMenu() {
    for (auto [name, caption] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Show1", "表示"}, {"TimerSS", "ﾀｲﾏｰｽﾄｯﾌﾟ"}, {"N2", "ﾗﾝﾀﾞﾑ"}, {"Option1", "ｵﾌﾟｼｮﾝ"}, {"N1", "-"},
             {"Exit1", "終了"}}) {
      std::string item = name;
      menu.Add(name, caption, [this, item] { chosen.push_back(item); });
    }
  }
};

}  // namespace

TEST(PopupMenus, ItemsCarryTheirCaptionsIntoTheWin32MenuAndAreFoundByName) {
  TrayMenu tray;
  HMENU h = tray.menu.Handle();
  ASSERT_EQ(GetMenuItemCount(h), 6);
  EXPECT_EQ(MenuString(h, 0), "表示");
  EXPECT_EQ(MenuString(h, 1), "ﾀｲﾏｰｽﾄｯﾌﾟ");
  EXPECT_EQ(MenuString(h, 2), "ﾗﾝﾀﾞﾑ");
  EXPECT_EQ(MenuString(h, 3), "ｵﾌﾟｼｮﾝ");
  EXPECT_TRUE(MenuType(h, 4) & MFT_SEPARATOR);
  EXPECT_TRUE(tray.menu.Item("N1").IsSeparator());
  EXPECT_EQ(MenuString(h, 5), "終了");

  EXPECT_EQ(tray.menu.Find("Option1"), tray.menu.Items(3));
  EXPECT_EQ(tray.menu.Find("Nothing"), nullptr);
  EXPECT_EQ(tray.menu.Items(6), nullptr);
  EXPECT_THROW(tray.menu.Item("Nothing"), Exception);

  MenuItem& timer = tray.menu.Item("TimerSS");
  timer.SetCaption("ﾀｲﾏｰｽﾀｰﾄ");
  timer.SetChecked(true);
  tray.menu.Item("Show1").SetEnabled(false);
  EXPECT_EQ(MenuString(h, 1), "ﾀｲﾏｰｽﾀｰﾄ");
  EXPECT_TRUE(MenuState(h, 1) & MFS_CHECKED);
  EXPECT_TRUE(MenuState(h, 0) & MFS_DISABLED);
  EXPECT_FALSE(MenuState(h, 2) & (MFS_DISABLED | MFS_CHECKED));

  // A separator can become an ordinary item and back.
  MenuItem& line = tray.menu.Item("N1");
  line.SetCaption("ヘルプ");
  EXPECT_FALSE(MenuType(h, 4) & MFT_SEPARATOR);
  EXPECT_EQ(MenuString(h, 4), "ヘルプ");
  line.SetCaption("-");
  EXPECT_TRUE(MenuType(h, 4) & MFT_SEPARATOR);
}

TEST(PopupMenus, OnPopupRunsBeforeTheMenuShowsAndTheChosenItemClicksAfterItCloses) {
  TrayMenu tray;
  bool timerRunning = true;
  bool menuWasShownDuringOnPopup = true;
  std::vector<std::string> captionsWhenChosen;
  tray.menu.OnPopup = [&] {
    menuWasShownDuringOnPopup = IsWindowVisible(FindWindowW(L"#32768", nullptr)) != FALSE;
    tray.menu.Item("TimerSS").SetCaption(timerRunning ? "ﾀｲﾏｰｽﾄｯﾌﾟ" : "ﾀｲﾏｰｽﾀｰﾄ");
    PostKeys(tray.menu.Window(), {VK_DOWN, VK_DOWN, VK_RETURN});
  };
  tray.menu.Item("TimerSS").OnClick = [&] {
    captionsWhenChosen.push_back(tray.menu.Item("TimerSS").Caption());
    timerRunning = !timerRunning;
  };

  MenuItem* chosen = tray.menu.Popup(10, 10);
  EXPECT_FALSE(menuWasShownDuringOnPopup);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name(), "TimerSS");
  EXPECT_FALSE(IsWindowVisible(FindWindowW(L"#32768", nullptr)));

  EXPECT_EQ(tray.menu.Popup(10, 10), &tray.menu.Item("TimerSS"));
  EXPECT_EQ(captionsWhenChosen, (std::vector<std::string>{"ﾀｲﾏｰｽﾄｯﾌﾟ", "ﾀｲﾏｰｽﾀｰﾄ"}));
  EXPECT_TRUE(timerRunning);
}

TEST(PopupMenus, KeyboardSkipsTheSeparatorAndDisabledOrDismissedMenusChooseNothing) {
  TrayMenu tray;
  std::vector<WPARAM> keys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
  tray.menu.OnPopup = [&] { PostKeys(tray.menu.Window(), keys); };
  MenuItem* chosen = tray.menu.Popup(10, 10);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name(), "Exit1");  // five steps down: the separator is not a stop

  keys = {VK_ESCAPE};
  EXPECT_EQ(tray.menu.Popup(10, 10), nullptr);

  tray.menu.Item("Show1").SetEnabled(false);
  keys = {VK_DOWN, VK_RETURN};
  EXPECT_EQ(tray.menu.Popup(10, 10), nullptr);
  EXPECT_EQ(tray.chosen, std::vector<std::string>{"Exit1"});
}

TEST(PopupMenus, HandlerErrorsAreShownAndAMenuDestroyedByItsOwnHandlersIsNotTouched) {
  MessageBoxRecorder boxes;
  auto tray = std::make_unique<TrayMenu>();
  tray->menu.Item("Show1").OnClick = [] { throw Exception("表示できません"); };
  tray->menu.OnPopup = [&] { PostKeys(tray->menu.Window(), {VK_DOWN, VK_RETURN}); };
  EXPECT_NE(tray->menu.Popup(10, 10), nullptr);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "表示できません.");

  // The handler frees the menu (and with it the handler itself) while it runs.
  tray->menu.OnPopup = [&] { tray.reset(); };
  PopupMenu* menu = &tray->menu;
  EXPECT_EQ(menu->Popup(10, 10), nullptr);
  EXPECT_EQ(tray, nullptr);

  auto again = std::make_unique<TrayMenu>();
  again->menu.Item("N2").OnClick = [&] { again.reset(); };
  again->menu.OnPopup = [&] { PostKeys(again->menu.Window(), {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}); };
  menu = &again->menu;
  EXPECT_EQ(menu->Popup(10, 10), nullptr);
  EXPECT_EQ(again, nullptr);
  Application::Instance().ProcessMessages();
}

TEST(PopupMenus, HoldersAreToldWhenTheMenuIsDestroyed) {
  auto menu = std::make_unique<PopupMenu>();
  PopupMenu* held = menu.get();
  PopupMenu* alsoHeld = menu.get();
  int other = 0;
  menu->FreeNotification(&held, [&] { held = nullptr; });
  menu->FreeNotification(&alsoHeld, [&] { alsoHeld = nullptr; });
  menu->FreeNotification(&other, [&] { ++other; });
  menu->RemoveFreeNotification(&other);
  menu.reset();
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(alsoHeld, nullptr);
  EXPECT_EQ(other, 0);
}
