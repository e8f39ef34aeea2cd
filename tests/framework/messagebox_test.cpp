// Message boxes shown for real: the test answers them from a timer that runs
// inside the box's own message loop, looking at the windows as they are.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/gui/application.h"
#include "framework/gui/forms.h"
#include "framework/base/text.h"

using namespace framework;

namespace {

constexpr char kOuterCaption[] = "外側の箱";
constexpr char kInnerCaption[] = "内側の箱";

struct BoxSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK CheckForBox(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<BoxSearch*>(lp);
  wchar_t name[64] = {}, text[64] = {};
  GetClassNameW(hwnd, name, 64);
  GetWindowTextW(hwnd, text, 64);
  if (std::wstring(name) == L"#32770" && search->caption == text && IsWindowVisible(hwnd)) search->found = hwnd;
  return TRUE;
}

// A visible message box of this thread with that caption, or null.
HWND FindBox(const std::string& caption) {
  BoxSearch search{Widen(caption)};
  EnumThreadWindows(GetCurrentThreadId(), &CheckForBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Whether a lies above b among the top-level windows.
bool Above(HWND a, HWND b) {
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == a) return true;
    if (h == b) return false;
  }
  return false;
}

void PressOk(HWND box) { PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }

// What the boxes find while they are up.
struct Scenario {
  HWND splash, main, hidden, disabled;
  std::unique_ptr<Form> closedMeanwhile;
  int stage = 0;  // 0: outer box awaited, 1: inner box awaited, 2: done
  int ticks = 0;
  int innerResult = 0;
};
Scenario* scenario = nullptr;

void LooksInFront(HWND box, HWND splash) {
  EXPECT_EQ(GetForegroundWindow(), box);
  EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(Above(box, splash));
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Scenario& s = *scenario;
  if (++s.ticks > 500) {  // never hang the test run: give up and close what is up
    ADD_FAILURE() << "the boxes did not come up as expected (stage " << s.stage << ")";
    for (const char* caption : {kInnerCaption, kOuterCaption})
      if (HWND box = FindBox(caption)) PressOk(box);
    return;
  }
  if (s.stage == 0) {
    HWND outer = FindBox(kOuterCaption);
    if (!outer) return;
    s.stage = 1;
    LooksInFront(outer, s.splash);
    EXPECT_FALSE(IsWindowEnabled(s.main));
    EXPECT_FALSE(IsWindowEnabled(s.splash));
    EXPECT_FALSE(IsWindowEnabled(s.hidden));  // shown from the tray meanwhile, it would take no input
    EXPECT_FALSE(IsWindowEnabled(Application::Instance().Handle()));
    s.closedMeanwhile.reset();

    // A second box while the first is up (a timer's error, say).
    s.innerResult = Application::Instance().MessageBox("内側", kInnerCaption, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_FALSE(IsWindowEnabled(s.main));
    s.stage = 2;
    PressOk(outer);
  } else if (s.stage == 1) {
    HWND inner = FindBox(kInnerCaption);
    if (!inner) return;
    s.stage = 2;
    LooksInFront(inner, s.splash);
    EXPECT_FALSE(IsWindowEnabled(FindBox(kOuterCaption)));
    PressOk(inner);
  }
}

FormStyle Style(const char* className, bool splash) {
  FormStyle style = FormStyle::FixedDialog(className, "窓", 300, 200);
  if (splash) {
    style.border = BorderStyle::None;
    style.systemMenu = false;
    style.topMost = true;
  }
  return style;
}

}  // namespace

TEST(MessageBoxes, ComeUpInFrontOfTheSplashWithTheFocusAndHoldTheProgramsOtherWindowsWhileUp) {
  Form splash(Style("TSplashLike", true));
  Form main(Style("TMainLike", false));
  Form hidden(Style("THiddenLike", false));
  Form disabled(Style("TDisabledLike", false));
  Scenario s{splash.Handle(), main.Handle(), hidden.Handle(), disabled.Handle(),
             std::make_unique<Form>(Style("TClosedLike", false))};
  main.Show();
  disabled.Show();
  EnableWindow(disabled.Handle(), FALSE);
  s.closedMeanwhile->Show();
  splash.Show();
  SetForegroundWindow(splash.Handle());

  scenario = &s;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, &Tick);
  int result = Application::Instance().MessageBox("外側", kOuterCaption, MB_OK | MB_ICONINFORMATION);
  KillTimer(nullptr, timer);
  scenario = nullptr;

  EXPECT_EQ(s.stage, 2);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(s.innerResult, IDOK);
  // Exactly the windows the boxes disabled are enabled again.
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
  EXPECT_TRUE(IsWindowEnabled(splash.Handle()));
  EXPECT_TRUE(IsWindowEnabled(hidden.Handle()));
  EXPECT_TRUE(IsWindowEnabled(Application::Instance().Handle()));
  EXPECT_FALSE(IsWindowEnabled(disabled.Handle()));
  EXPECT_FALSE(FindBox(kOuterCaption));
}
