// Every window used from the keyboard alone, with the keys a user presses:
// Tab and Shift+Tab go once round every control that can be worked, Ctrl+Tab
// turns the options' pages, each mnemonic presses its own button, and Esc
// closes the dialogs. Under a high-contrast scheme the program's own colours
// give way to the scheme's.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "framework/base/scopeguard.h"
#include "framework/gui/accessibility.h"
#include "framework/gui/listctrls.h"
#include "framework/gui/stdctrls.h"
#include "support/programwindows.h"
#include "support/accessible.h"
#include "support/userinput.h"
#include "ui/archiveform.h"
#include "ui/splashform.h"

using framework::Form;
using framework::WinControl;

namespace {

// Keys pressed (as PressKeys does), then handled by this thread, which is
// the windows' own.
void Press(std::initializer_list<WORD> keys) {
  PressKeys(keys);
  for (int i = 0; i < 10; ++i) {
    framework::Application::Instance().ProcessMessages();
    Sleep(5);
  }
}

void ShowInFront(Form& f) {
  f.Show();
  SetForegroundWindow(f.Handle());
  for (int i = 0; i < 100 && GetForegroundWindow() != f.Handle(); ++i) {
    framework::Application::Instance().ProcessMessages();
    Sleep(10);
  }
  framework::Application::Instance().ProcessMessages();
  ASSERT_EQ(GetForegroundWindow(), f.Handle());
}

// The controls a user can work: windowed, shown and enabled.
std::set<WinControl*> Workable(const Form& f) {
  std::set<WinControl*> found;
  for (const auto& c : f.Controls()) {
    auto* w = dynamic_cast<WinControl*>(c.get());
    if (w && w->Handle() && IsWindowVisible(w->Handle()) && IsWindowEnabled(w->Handle())) found.insert(w);
  }
  return found;
}

std::string Names(const std::vector<WinControl*>& controls) {
  std::string names;
  for (WinControl* c : controls) names += (c ? c->Name() : "(none)") + " ";
  return names;
}

// Tab (or Shift+Tab) pressed once per workable control: where the focus
// went each time.
std::vector<WinControl*> TabRound(Form& f, bool backward) {
  std::vector<WinControl*> visited;
  const size_t n = Workable(f).size();
  for (size_t i = 0; i < n; ++i) {
    if (backward) Press({VK_SHIFT, VK_TAB});
    else Press({VK_TAB});
    visited.push_back(f.FocusedControl());
  }
  return visited;
}

// Tab goes once round every workable control and comes back to where it
// started; Shift+Tab goes the same round the other way.
void ExpectTabReachesEveryControl(Form& f, const std::string& window) {
  SCOPED_TRACE(window);
  const std::set<WinControl*> workable = Workable(f);
  ASSERT_FALSE(workable.empty());
  WinControl* start = f.FocusedControl();
  ASSERT_NE(start, nullptr) << "no control has the focus when the window comes up";
  const std::vector<WinControl*> forward = TabRound(f, false);
  EXPECT_EQ(std::set<WinControl*>(forward.begin(), forward.end()), workable) << Names(forward);
  EXPECT_EQ(forward.back(), start) << Names(forward);
  std::vector<WinControl*> backward = TabRound(f, true);
  std::reverse(backward.begin(), backward.end());
  // Backwards from the start: the round before it, ending at the start.
  std::rotate(backward.begin(), backward.begin() + 1, backward.end());
  EXPECT_EQ(backward, forward) << Names(backward) << "| " << Names(forward);
}

// Every button with a mnemonic ("終了(&X)") is pressed by Alt and its letter,
// and by nothing else; a disabled one is not pressed at all.
void ExpectMnemonicsPressTheirButtons(Form& f, const std::string& window) {
  SCOPED_TRACE(window);
  std::vector<framework::Button*> buttons;
  std::vector<framework::Button*> pressed;
  for (const auto& c : f.Controls()) {
    if (auto* b = dynamic_cast<framework::Button*>(c.get()); b && b->Text().find("(&") != std::string::npos) {
      b->OnClick = [b, &pressed] { pressed.push_back(b); };
      buttons.push_back(b);
    }
  }
  ASSERT_FALSE(buttons.empty());
  for (framework::Button* b : buttons) {
    const std::string& caption = b->Text();
    const char letter = caption[caption.find("(&") + 2];
    pressed.clear();
    Press({VK_MENU, static_cast<WORD>(letter)});
    const bool enabled = IsWindowVisible(b->Handle()) && IsWindowEnabled(b->Handle());
    EXPECT_EQ(pressed, enabled ? std::vector<framework::Button*>{b} : std::vector<framework::Button*>{}) << caption;
  }
}


// Shows the form modally, as the program does, and presses Esc from a
// thread of the test's own once it is up. True when that ended it; else
// the thread closes it, so the test goes on.
bool EscEndsModal(Form& f) {
  bool ended = false;
  std::thread user([&] {
    for (int i = 0; i < 500 && !IsWindowVisible(f.Handle()); ++i) Sleep(10);
    SetForegroundWindow(f.Handle());
    for (int i = 0; i < 100 && GetForegroundWindow() != f.Handle(); ++i) Sleep(10);
    INPUT esc[2]{};
    esc[0].type = esc[1].type = INPUT_KEYBOARD;
    esc[0].ki.wVk = esc[1].ki.wVk = VK_ESCAPE;
    esc[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, esc, sizeof(INPUT));
    for (int i = 0; i < 300 && IsWindowVisible(f.Handle()); ++i) Sleep(10);
    ended = !IsWindowVisible(f.Handle());
    if (!ended) PostMessageW(f.Handle(), WM_CLOSE, 0, 0);
  });
  f.ShowModal();
  user.join();
  return ended;
}

}  // namespace

TEST(Keyboard, TabAndTheMnemonicsReachEveryControlOfTheMainWindow) {
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  ShowInFront(f);
  ExpectTabReachesEveryControl(f, "main window");
  ExpectMnemonicsPressTheirButtons(f, "main window");
  f.Hide();
}

TEST(Keyboard, TabReachesEveryControlOfEachOptionsPageAndCtrlTabTurnsThem) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  ShowInFront(o);
  ASSERT_EQ(o.PageControl1->ActivePage(), o.TabSheet1);
  ExpectTabReachesEveryControl(o, "options, 全般");
  Press({VK_CONTROL, VK_TAB});
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet2);
  ExpectTabReachesEveryControl(o, "options, その他");
  Press({VK_CONTROL, VK_TAB});
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet3);
  ExpectTabReachesEveryControl(o, "options, 拡張子");
  ExpectMnemonicsPressTheirButtons(o, "options, 拡張子");
  Press({VK_CONTROL, VK_TAB});
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet1);
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet3);

  o.Hide();
  EXPECT_TRUE(EscEndsModal(o)) << "options";
}

TEST(Keyboard, TabTheMnemonicsAndEscWorkTheFolderListArchiveAndViewerWindows) {
  ProgramWindows w;
  kaleidon::TForm5& list = *w.folderList;
  ShowInFront(list);
  ExpectTabReachesEveryControl(list, "folder list");
  ExpectMnemonicsPressTheirButtons(list, "folder list");
  list.Hide();
  EXPECT_TRUE(EscEndsModal(list)) << "folder list";

  kaleidon::TForm6 archive(kaleidon::ArchiveDialogValues{"*.bmp", w.main->Handle(), nullptr});
  ShowInFront(archive);
  ExpectTabReachesEveryControl(archive, "archive");
  archive.Hide();
  EXPECT_TRUE(EscEndsModal(archive)) << "archive";

  kaleidon::TForm4& viewer = *w.viewer;
  ShowInFront(viewer);
  EXPECT_EQ(viewer.FocusedControl(), viewer.ScrollBox1);
  viewer.Hide();
  EXPECT_TRUE(EscEndsModal(viewer)) << "viewer";

  // The about window, which has nothing to tab to.
  kaleidon::TForm3 about(framework::Application::Instance().Handle(), true);
  about.Label1->SetEnabled(true);
  EXPECT_TRUE(EscEndsModal(about)) << "about";
}

// What a reader says of each control it comes to: the windowed controls of
// every window have a name (a button's caption, the label beside a number
// box, the name given to a list), and so do the texts.
TEST(Keyboard, EveryControlAReaderComesToHasAName) {
  ProgramWindows w;
  kaleidon::TForm6 archive(kaleidon::ArchiveDialogValues{"*.bmp", w.main->Handle(), nullptr});
  std::vector<std::pair<Form*, std::string>> windows = {
      {w.main.get(), "main window"}, {w.options.get(), "options, 全般"}, {w.options.get(), "options, その他"},
      {w.options.get(), "options, 拡張子"},
      {w.folderList.get(), "folder list"}, {&archive, "archive"}};
  std::set<std::string> named;
  for (auto& [form, window] : windows) {
    SCOPED_TRACE(window);
    if (window == "options, その他") w.options->PageControl1->SetActivePage(w.options->TabSheet2);
    if (window == "options, 拡張子") w.options->PageControl1->SetActivePage(w.options->TabSheet3);
    ShowInFront(*form);
    const AccessibleNode read = ReadAccessible(form->Handle(), 1);
    size_t windowed = 0;
    for (const AccessibleNode& e : read.children) {
      EXPECT_FALSE(e.name.empty()) << "role " << e.role << ", value " << e.value;
      if (!e.object) continue;
      ++windowed;
      named.insert(e.name);
    }
    // Every control that Tab stops at is among them.
    EXPECT_GE(windowed, Workable(*form).size());
    form->Hide();
  }
  // Number boxes by the label before them or the unit after them, the
  // lists by what they hold.
  for (const char* name : {"記憶番号", "ファイル", "サウンドの選択", "CPU負荷設定", "時間", "分", "フォルダ記憶数", "フォルダリスト", "ｱｰｶｲﾌﾞﾌｧｲﾙ",
                           "次の壁紙", "前の壁紙に戻す", "次の壁紙のホットキーを解除"})
    EXPECT_TRUE(named.count(name)) << name;
}
