#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tray/trayhelpers.h"
#include "tray/trayicon.h"

using namespace kaleidon;
using namespace traytest;

namespace {

// Loads the icon. A shell that refuses must be reported with the
// component's own error, leaving the icon unregistered.
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
  auto icon = std::make_unique<TTrayIcon>();
  icon->SetVisible(true);
  EXPECT_FALSE(icon->Visible());  // no icon yet

  HICON given = LoadIconW(nullptr, IDI_APPLICATION);
  icon->SetIcon(given);
  EXPECT_NE(icon->Icon(), given);  // its own copy
  icon->SetTipHelp("カレイドン参上！");
  icon->SetVisible(true);
  EXPECT_TRUE(icon->Visible());
  EXPECT_FALSE(icon->Registered());  // still loading
  EXPECT_FALSE(ShellKnows(*icon));

  if (!LoadedIntoShell(*icon)) GTEST_SKIP() << "the shell refuses notification icons here";
  EXPECT_EQ(icon->IconData().hWnd, TCallbackWindow::Handle());
  EXPECT_EQ(std::wstring(icon->IconData().szTip), L"カレイドン参上！");
  EXPECT_TRUE(ShellKnows(*icon));

  // Now changes reach the shell at once.
  icon->SetTipHelp("別のヒント");
  EXPECT_EQ(std::wstring(icon->IconData().szTip), L"別のヒント");
  icon->SetIcon(LoadIconW(nullptr, IDI_INFORMATION));
  EXPECT_EQ(icon->IconData().hIcon, icon->Icon());
  icon->SetVisible(false);
  EXPECT_FALSE(ShellKnows(*icon));
  icon->SetVisible(true);
  EXPECT_TRUE(ShellKnows(*icon));

  // Emptying the icon hides the entry.
  icon->SetIcon(nullptr);
  EXPECT_FALSE(icon->Visible());
  EXPECT_FALSE(icon->Registered());
  EXPECT_FALSE(ShellKnows(*icon));

  // Destruction takes the entry away.
  icon->SetIcon(given);
  icon->SetVisible(true);
  ASSERT_TRUE(ShellKnows(*icon));
  NOTIFYICONDATAW data = icon->IconData();
  icon.reset();
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
}

TEST(TrayIconShell, AShellRestartGetsTheVisibleIconsBack) {
  TTrayIcon shown;
  shown.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
  shown.SetVisible(true);
  TTrayIcon hidden;
  hidden.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
  if (!LoadedIntoShell(shown)) GTEST_SKIP() << "the shell refuses notification icons here";
  hidden.Loaded();

  // The restarted shell has forgotten every icon.
  NOTIFYICONDATAW data = shown.IconData();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(ShellKnows(shown));

  SendMessageW(TCallbackWindow::Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(ShellKnows(shown));
  EXPECT_TRUE(shown.Registered());
  EXPECT_FALSE(ShellKnows(hidden));
}

TEST(TrayIconShell, AtMostAHundredIconsLiveAndIDsFollowTheLastLiveOne) {
  std::vector<std::unique_ptr<TTrayIcon>> icons;
  for (int i = 0; i < 100; ++i) icons.push_back(std::make_unique<TTrayIcon>());
  EXPECT_EQ(icons.front()->ID(), 1);
  EXPECT_EQ(icons.back()->ID(), 100);
  try {
    TTrayIcon extra;
    ADD_FAILURE() << "a 101st icon was created";
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "タスクトレイにアイコンを登録できません。");
  }
  EXPECT_EQ(TTrayIcon::Count(), 100u);

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
  EXPECT_EQ(TTrayIcon().ID(), 1);
}
