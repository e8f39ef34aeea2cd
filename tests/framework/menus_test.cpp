#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/menus.h"
#include "support/messageboxes.h"

using namespace framework;

namespace {

// While a menu is up its own loop reads the keys waiting in the thread's
// queue: keys posted from OnPopup choose an item the way a user would.
void PostKeys(HWND window, const std::vector<WPARAM>& keys) {
  for (WPARAM key : keys) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }
}

MENUITEMINFOW ItemInfo(HMENU menu, UINT position, std::wstring& text) {
  text.assign(64, L'\0');
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
  info.dwTypeData = text.data();
  info.cch = 64;
  GetMenuItemInfoW(menu, position, TRUE, &info);
  text.resize(wcslen(text.c_str()));
  return info;
}

struct TrayMenu {
  PopupMenu menu{nullptr, "PopupMenu1"};
  std::vector<std::string> chosen;
  std::vector<WPARAM> keys;
  TrayMenu() {
    for (auto [name, caption] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Show1", "表示"}, {"TimerSS", "ﾀｲﾏｰｽﾄｯﾌﾟ"}, {"N2", "ﾗﾝﾀﾞﾑ"}, {"Option1", "ｵﾌﾟｼｮﾝ"}, {"N1", "-"},
             {"Exit1", "終了"}})
      menu.Add(name, caption, [this, item = std::string(name)] { chosen.push_back(item); });
    menu.OnPopup = [this] { PostKeys(menu.Window(), keys); };
  }
};

}  // namespace

TEST(PopupMenus, ItemsKeepTheirCaptionsAndStateInTheWin32MenuAndAreFoundByName) {
  TrayMenu tray;
  HMENU h = tray.menu.Handle();
  ASSERT_EQ(GetMenuItemCount(h), 6);
  std::wstring text;
  const wchar_t* captions[] = {L"表示", L"ﾀｲﾏｰｽﾄｯﾌﾟ", L"ﾗﾝﾀﾞﾑ", L"ｵﾌﾟｼｮﾝ", nullptr, L"終了"};
  for (UINT i = 0; i < 6; ++i) {
    MENUITEMINFOW info = ItemInfo(h, i, text);
    if (captions[i]) {
      EXPECT_EQ(text, captions[i]);
    }
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, captions[i] == nullptr) << i;
  }
  EXPECT_EQ(tray.menu.Find("Option1"), tray.menu.Items(3));
  EXPECT_EQ(tray.menu.Find("Nothing"), nullptr);
  EXPECT_THROW(tray.menu.Item("Nothing"), Exception);

  tray.menu.Item("TimerSS").SetCaption("ﾀｲﾏｰｽﾀｰﾄ");
  tray.menu.Item("TimerSS").SetChecked(true);
  tray.menu.Item("Show1").SetEnabled(false);
  EXPECT_TRUE(ItemInfo(h, 1, text).fState & MFS_CHECKED);
  EXPECT_EQ(text, L"ﾀｲﾏｰｽﾀｰﾄ");
  EXPECT_TRUE(ItemInfo(h, 0, text).fState & MFS_DISABLED);
  tray.menu.Item("N1").SetCaption("ヘルプ");
  EXPECT_FALSE(ItemInfo(h, 4, text).fType & MFT_SEPARATOR);
  EXPECT_EQ(text, L"ヘルプ");
}

namespace {
// Whether a pop-up menu window of this process is on the screen (tests of
// other processes may show theirs at the same time).
bool MenuShownByThisProcess() {
  for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
       menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(menu, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(menu)) return true;
  }
  return false;
}
}  // namespace

TEST(PopupMenus, OnPopupComesFirstAndTheKeyboardChoosesPastTheSeparatorOnly) {
  TrayMenu tray;
  bool shownDuringOnPopup = true;
  tray.menu.OnPopup = [&] {
    shownDuringOnPopup = MenuShownByThisProcess();
    PostKeys(tray.menu.Window(), tray.keys);
  };
  tray.keys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
  MenuItem* chosen = tray.menu.Popup(10, 10);
  EXPECT_FALSE(shownDuringOnPopup);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name(), "Exit1");  // five steps: the separator is no stop

  tray.keys = {VK_ESCAPE};
  EXPECT_EQ(tray.menu.Popup(10, 10), nullptr);
  tray.menu.Item("Show1").SetEnabled(false);
  tray.keys = {VK_DOWN, VK_RETURN};
  EXPECT_EQ(tray.menu.Popup(10, 10), nullptr);
  EXPECT_EQ(tray.chosen, std::vector<std::string>{"Exit1"});
}

TEST(PopupMenus, HandlerErrorsAreShownAndAMenuFreedByItsOwnHandlerIsLeftAlone) {
  MessageBoxRecorder boxes;
  auto tray = std::make_unique<TrayMenu>();
  tray->menu.Item("Show1").OnClick = [] { throw Exception("表示できません"); };
  tray->keys = {VK_DOWN, VK_RETURN};
  EXPECT_NE(tray->menu.Popup(10, 10), nullptr);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "表示できません.");

  // Freed by the item's handler (which goes with it) and by OnPopup.
  PopupMenu* menu = &tray->menu;
  menu->Item("N2").OnClick = [&] { tray.reset(); };
  tray->keys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
  EXPECT_EQ(menu->Popup(10, 10), nullptr);
  EXPECT_EQ(tray, nullptr);

  tray = std::make_unique<TrayMenu>();
  PopupMenu* held = &tray->menu;
  tray->menu.FreeNotification(&held, [&] { held = nullptr; });
  tray->menu.OnPopup = [&] { tray.reset(); };
  EXPECT_EQ(held->Popup(10, 10), nullptr);
  EXPECT_EQ(held, nullptr);
}

TEST(PopupMenus, AClearedMenuTakesNewItemsAndChoosesAmongThemOnly) {
  TrayMenu tray;
  tray.menu.Clear();
  EXPECT_EQ(tray.menu.Count(), 0u);
  EXPECT_EQ(GetMenuItemCount(tray.menu.Handle()), 0);
  EXPECT_EQ(tray.menu.Find("Exit1"), nullptr);
  for (const char* name : {"Monitor1", "Monitor2"})
    tray.menu.Add(name, std::string(name) + "：壁紙.jpg", [&tray, item = std::string(name)] { tray.chosen.push_back(item); });
  ASSERT_EQ(GetMenuItemCount(tray.menu.Handle()), 2);
  std::wstring text;
  ItemInfo(tray.menu.Handle(), 1, text);
  EXPECT_EQ(text, L"Monitor2：壁紙.jpg");
  tray.keys = {VK_DOWN, VK_DOWN, VK_RETURN};
  MenuItem* chosen = tray.menu.Popup(10, 10);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name(), "Monitor2");
  EXPECT_EQ(tray.chosen, std::vector<std::string>{"Monitor2"});
}
