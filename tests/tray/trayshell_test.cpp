#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tray/trayhelpers.h"
#include "tray/trayicon.h"

using namespace kaleidon;
using namespace traytest;

namespace {

// Loads the icon; the shell under test may refuse, which must then be
// reported with the component's own error and leave it unregistered.
bool LoadedIntoShell(TTrayIcon& icon) {
  try {
    icon.Loaded();
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "タスクトレイにアイコンを登録できません。");
    EXPECT_FALSE(icon.Registered());
    return false;
  }
  return icon.Registered();
}

}  // namespace

TEST(TrayIconShell, VisibleNeedsAnIconAndReachesTheShellOnlyOnceLoaded) {
  TTrayIcon icon;
  icon.SetVisible(true);
  EXPECT_FALSE(icon.Visible());  // no icon yet

  HICON given = SystemIcon();
  icon.SetIcon(given);
  ASSERT_NE(icon.Icon(), nullptr);
  EXPECT_NE(icon.Icon(), given);  // its own copy
  HICON own = icon.Icon();
  icon.SetIcon(own);
  EXPECT_EQ(icon.Icon(), own);

  icon.SetTipHelp("カレイドン参上！");
  icon.SetVisible(true);
  EXPECT_TRUE(icon.Visible());
  EXPECT_FALSE(icon.Registered());  // still loading: nothing sent yet
  HWND window = TCallbackWindow::Handle();
  EXPECT_FALSE(ShellKnows(window, static_cast<UINT>(icon.ID())));

  if (!LoadedIntoShell(icon)) GTEST_SKIP() << "the shell refuses notification icons here";
  EXPECT_EQ(icon.IconData().hWnd, window);
  EXPECT_EQ(icon.IconData().hIcon, icon.Icon());
  EXPECT_EQ(std::wstring(icon.IconData().szTip), L"カレイドン参上！");
  EXPECT_TRUE(ShellKnows(window, static_cast<UINT>(icon.ID())));

  // Changes reach the shell at once now.
  icon.SetTipHelp("別のヒント");
  EXPECT_EQ(std::wstring(icon.IconData().szTip), L"別のヒント");
  icon.SetIcon(LoadIconW(nullptr, IDI_INFORMATION));
  EXPECT_EQ(icon.IconData().hIcon, icon.Icon());

  icon.SetVisible(false);
  EXPECT_FALSE(icon.Registered());
  EXPECT_FALSE(ShellKnows(window, static_cast<UINT>(icon.ID())));
  icon.SetVisible(true);
  EXPECT_TRUE(icon.Registered());

  // Emptying the icon hides the entry.
  icon.SetIcon(nullptr);
  EXPECT_EQ(icon.Icon(), nullptr);
  EXPECT_FALSE(icon.Visible());
  EXPECT_FALSE(icon.Registered());
  EXPECT_FALSE(ShellKnows(window, static_cast<UINT>(icon.ID())));
}

TEST(TrayIconShell, DestroyingTheIconRemovesItFromTheShell) {
  auto icon = std::make_unique<TTrayIcon>();
  icon->SetIcon(SystemIcon());
  icon->SetVisible(true);
  if (!LoadedIntoShell(*icon)) GTEST_SKIP() << "the shell refuses notification icons here";
  UINT id = static_cast<UINT>(icon->ID());
  HWND window = TCallbackWindow::Handle();
  ASSERT_TRUE(ShellKnows(window, id));
  icon.reset();
  EXPECT_FALSE(ShellKnows(window, id));
}

TEST(TrayIconShell, AShellRestartGetsTheVisibleIconsBack) {
  TTrayIcon shown;
  shown.SetIcon(SystemIcon());
  shown.SetVisible(true);
  TTrayIcon hidden;
  hidden.SetIcon(SystemIcon());
  if (!LoadedIntoShell(shown)) GTEST_SKIP() << "the shell refuses notification icons here";
  hidden.Loaded();
  HWND window = TCallbackWindow::Handle();

  // The restarted shell has forgotten every icon.
  NOTIFYICONDATAW data{};
  data.cbSize = TTrayIcon::kIconDataSize;
  data.hWnd = window;
  data.uID = static_cast<UINT>(shown.ID());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(ShellKnows(window, data.uID));

  SendMessageW(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(ShellKnows(window, static_cast<UINT>(shown.ID())));
  EXPECT_TRUE(shown.Registered());
  EXPECT_FALSE(ShellKnows(window, static_cast<UINT>(hidden.ID())));
  EXPECT_FALSE(hidden.Registered());
}

TEST(TrayIconShell, AtMostAHundredIconsLiveAndIDsFollowTheLastLiveOne) {
  std::vector<std::unique_ptr<TTrayIcon>> icons;
  for (int i = 0; i < 100; ++i) icons.push_back(std::make_unique<TTrayIcon>());
  EXPECT_EQ(icons.front()->ID(), 1);
  EXPECT_EQ(icons.back()->ID(), 100);
  try {
    TTrayIcon extra;
    ADD_FAILURE() << "the 101st icon was created";
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "タスクトレイにアイコンを登録できません。");
  }
  EXPECT_EQ(TTrayIcon::Count(), 100u);
  EXPECT_EQ(TTrayIcon::FindByID(100), icons.back().get());

  // A gap in the middle: the next ID still follows the last entry.
  icons.erase(icons.begin() + 49);
  icons.push_back(std::make_unique<TTrayIcon>());
  EXPECT_EQ(icons.back()->ID(), 101);
  EXPECT_EQ(TTrayIcon::FindByID(50), nullptr);
  // The last one gone: its ID is given again.
  icons.pop_back();
  icons.push_back(std::make_unique<TTrayIcon>());
  EXPECT_EQ(icons.back()->ID(), 101);
  EXPECT_THROW(TTrayIcon(), EOutOfMemory);

  icons.clear();
  EXPECT_EQ(TTrayIcon::Count(), 0u);
  TTrayIcon first;
  EXPECT_EQ(first.ID(), 1);
}
