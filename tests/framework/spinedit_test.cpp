#include <gtest/gtest.h>

#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "framework/gui/spinedit.h"
//
#include <commctrl.h>

using namespace framework;

namespace {

FormStyle SpinFormStyle() { return FormStyle::FixedDialog("TSpinEditTest", "スピン", 200, 100); }

struct SpinForm {
  Form form{SpinFormStyle()};
  SpinEdit* spin;
  int changes = 0;
  explicit SpinForm(int min = 1, int max = 200) {
    CreateControls(form, {{&spin, 5, 5, 81, 24}});
    spin->SetMaxValue(max);
    spin->SetMinValue(min);
    spin->SetValue(min);
    spin->OnChange = [this] { ++changes; };
  }
  // A real press of the up (or down) arrow with the mouse.
  void Press(bool up) {
    HWND arrows = spin->UpDownHandle();
    RECT r;
    GetClientRect(arrows, &r);
    LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(arrows, WM_LBUTTONUP, 0, at);
  }
  void Type(const std::wstring& keys) {
    SendMessageW(spin->Handle(), EM_SETSEL, 0, -1);
    for (wchar_t c : keys) SendMessageW(spin->Handle(), WM_CHAR, c, 1);
  }
};

}  // namespace

TEST(SpinEdit, SettingTheValueClampsAndSignalsOnlyRealChanges) {
  SpinForm f;
  EXPECT_EQ(f.spin->Value(), 1);
  EXPECT_EQ(f.spin->Text(), "1");
  f.spin->SetValue(1);
  EXPECT_EQ(f.changes, 0);
  f.spin->SetValue(57);
  EXPECT_EQ(f.spin->Text(), "57");
  f.spin->SetValue(500);
  EXPECT_EQ(f.spin->Value(), 200);
  EXPECT_EQ(f.spin->Text(), "200");
  f.spin->SetValue(201);
  f.spin->SetValue(-7);
  EXPECT_EQ(f.spin->Value(), 1);
  EXPECT_EQ(f.changes, 3);

  // A handler that corrects the value it is told about ends with the text
  // and the value agreeing, each change reported once.
  int seen = 0;
  f.spin->OnChange = [&] {
    ++seen;
    if (f.spin->Value() > 10) f.spin->SetValue(10);
  };
  f.spin->SetValue(150);
  EXPECT_EQ(f.spin->Value(), 10);
  EXPECT_EQ(f.spin->Text(), "10");
  EXPECT_EQ(seen, 2);
}

TEST(SpinEdit, ArrowsAndArrowKeysStepByTheIncrementWithinTheBounds) {
  SpinForm f(128, 4096);
  f.spin->SetIncrement(128);
  f.spin->SetValue(256);
  f.changes = 0;
  f.Press(true);
  EXPECT_EQ(f.spin->Value(), 384);
  f.Press(false);
  f.Press(false);
  EXPECT_EQ(f.spin->Value(), 128);
  f.Press(false);
  EXPECT_EQ(f.spin->Value(), 128);
  EXPECT_EQ(f.changes, 3);
  SendMessageW(f.spin->Handle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(f.spin->Value(), 256);
  f.spin->SetValue(4000);
  f.Press(true);
  EXPECT_EQ(f.spin->Value(), 4096);
  EXPECT_EQ(f.spin->Text(), "4096");
  // A disabled box does not move.
  f.spin->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(f.spin->UpDownHandle()));
  f.Press(false);
  EXPECT_EQ(f.spin->Value(), 4096);
}

TEST(SpinEdit, WithTypingSwitchedOffOnlyTheArrowsChangeTheValue) {
  SpinForm f;
  f.spin->SetEditorEnabled(false);
  EXPECT_TRUE(GetWindowLongW(f.spin->Handle(), GWL_STYLE) & ES_READONLY);
  f.Type(L"150");
  EXPECT_EQ(f.spin->Value(), 1);
  EXPECT_EQ(f.spin->Text(), "1");
  f.Press(true);
  EXPECT_EQ(f.spin->Value(), 2);
  SendMessageW(f.spin->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(f.spin->Value(), 1);
  EXPECT_EQ(f.changes, 2);
}

TEST(SpinEdit, TypedNumbersBecomeTheValueWithinTheBounds) {
  SpinForm f;
  f.Type(L"150");
  EXPECT_EQ(f.spin->Value(), 150);
  EXPECT_GE(f.changes, 1);
  f.Type(L"999");
  EXPECT_EQ(f.spin->Value(), 200);
  // Leaving the box shows the value actually held.
  SendMessageW(f.form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f.spin->Handle()), EN_KILLFOCUS),
               reinterpret_cast<LPARAM>(f.spin->Handle()));
  EXPECT_EQ(f.spin->Text(), "200");
  int before = f.changes;
  f.Type(L"abc");
  EXPECT_EQ(f.spin->Value(), 200);
  EXPECT_EQ(f.changes, before);
  f.spin->SetText("12");
  EXPECT_EQ(f.spin->Value(), 12);
  f.spin->SetText("twelve");
  EXPECT_EQ(f.spin->Value(), 12);
  EXPECT_EQ(f.spin->Text(), "12");
}

TEST(SpinEdit, MovingABoundPullsTheValueAlongAndSignalsIt) {
  SpinForm f(1, 200);
  f.spin->SetValue(150);
  f.changes = 0;
  f.spin->SetMaxValue(100);
  EXPECT_EQ(f.spin->Value(), 100);
  EXPECT_EQ(f.spin->Text(), "100");
  EXPECT_EQ(f.changes, 1);
  f.spin->SetMaxValue(200);
  EXPECT_EQ(f.spin->Value(), 100);
  EXPECT_EQ(f.changes, 1);
  f.spin->SetMinValue(120);
  EXPECT_EQ(f.spin->Value(), 120);
  EXPECT_EQ(f.changes, 2);

  // Equal bounds hold the value there: a one-slot selector accepts only 1.
  f.spin->SetMinValue(1);
  f.spin->SetMaxValue(1);
  EXPECT_EQ(f.spin->Value(), 1);
  f.Press(true);
  f.spin->SetValue(5);
  EXPECT_EQ(f.spin->Value(), 1);

  // A lower bound that may go below zero, as the minutes box's does.
  SpinForm minutes(1, 60);
  minutes.spin->SetMinValue(-1);
  minutes.spin->SetValue(0);
  minutes.Press(false);
  EXPECT_EQ(minutes.spin->Value(), -1);
  EXPECT_EQ(minutes.spin->Text(), "-1");
}

// A row that makes the spin edit disabled or hidden makes its arrows so
// too, and puts the arrows at its right edge.
TEST(SpinEdit, ARowsStateAndPlaceHoldForItsArrows) {
  struct Case {
    unsigned flags;
    bool enabled, visible;
  };
  for (const Case c : {Case{0, true, true}, Case{kDisabled, false, true}, Case{kHidden, true, false}}) {
    SCOPED_TRACE(c.flags);
    Form form{SpinFormStyle()};
    SpinEdit* spin = nullptr;
    CreateControls(form, {{&spin, 5, 5, 81, 24, "", c.flags}});
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    EXPECT_EQ(IsWindowEnabled(spin->UpDownHandle()) != FALSE, c.enabled);
    EXPECT_EQ(IsWindowVisible(spin->UpDownHandle()) != FALSE, c.visible);
    RECT edit, arrows;
    GetWindowRect(spin->Handle(), &edit);
    GetWindowRect(spin->UpDownHandle(), &arrows);
    EXPECT_EQ(edit.right - edit.left, 81);
    EXPECT_LE(arrows.right, edit.right);
    EXPECT_GE(arrows.left, edit.right - 2 * 17 - 2);
  }
}
