#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "framework/gui/stdctrls.h"
#include "support/messageboxes.h"

using namespace framework;

namespace {
FormStyle TestStyle() { return FormStyle::FixedDialog("TTestForm", "テスト", 200, 100); }
}  // namespace

TEST(Forms, FormIsARealHiddenWindowOfItsClassWithTheClientSizeAsked) {
  // A caption of this process's own: other tests may have windows open meanwhile.
  FormStyle style = TestStyle();
  style.caption = "テスト" + std::to_string(GetCurrentProcessId());
  Form form(style);
  ASSERT_TRUE(IsWindow(form.Handle()));
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(FindWindowW(L"TTestForm", Widen(style.caption).c_str()), form.Handle());
  EXPECT_EQ(form.ClientSize().cx, 200);
  EXPECT_EQ(form.ClientSize().cy, 100);
  EXPECT_EQ(form.Caption(), style.caption);
}

TEST(Forms, CheckBoxFiresItsClickOnlyWhenTheStateChanges) {
  Form form(TestStyle());
  CheckBox* box = nullptr;
  CreateControls(form, {{&box, 5, 5, 120, 17, "指定時間で変更"}});
  int clicks = 0;
  box->OnClick = [&] { ++clicks; };
  box->SetChecked(false);
  EXPECT_EQ(clicks, 0);
  box->SetChecked(true);
  box->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box->Handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(box->Handle()));
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(box->Text(), "指定時間で変更");
}

TEST(Forms, ExceptionInAHandlerIsShownInTheStandardErrorBoxAndGoesNoFurther) {
  MessageBoxRecorder boxes;
  Application::Instance().SetTitle("カレイドン");
  Form form(TestStyle());
  Button* button = nullptr;
  CreateControls(form, {{&button, 5, 5, 0, 0, "押す"}});
  button->OnClick = [] { throw Exception("C:\\x.ini に書き込めません"); };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "C:\\x.ini に書き込めません.");
  EXPECT_EQ(boxes.Last().caption, "カレイドン");
  EXPECT_EQ(boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(boxes.Last().owner, Application::Instance().Handle());
}

// What a window's own message code throws, outside any event handler, stops
// in the window procedure: the 32-bit build's unwinding cannot pass through
// the system's frames (SendMessage), and the program would end. It is shown
// in the standard error box, and the message gets the default answer.
TEST(Forms, ExceptionInAWindowsOwnMessageCodeIsShownAndTheProgramGoesOn) {
  struct ThrowingForm : Form {
    using Form::Form;
    LRESULT WindowMessage(UINT msg, WPARAM wp, LPARAM lp) override {
      if (msg == WM_APP) throw Exception("フォームで失敗しました");
      return Form::WindowMessage(msg, wp, lp);
    }
  };
  struct ThrowingButton : Button {
    using Button::Button;
    bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
      if (msg == WM_APP) throw 42;  // not even a std::exception
      return Button::WindowMessage(msg, wp, lp, result);
    }
  };
  MessageBoxRecorder boxes;
  ThrowingForm form(TestStyle());
  ThrowingButton* button = form.Add<ThrowingButton>("Button1");
  for (HWND window : {form.Handle(), button->Handle()}) {
    boxes.Clear();
    EXPECT_EQ(SendMessageW(window, WM_APP, 0, 0), 0);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  }
  EXPECT_EQ(boxes.Last().text, "予期しないエラーが発生しました.");
  // The windows go on answering.
  EXPECT_EQ(SendMessageW(form.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"続き")), TRUE);
  EXPECT_EQ(form.Caption(), "続き");
}

TEST(Forms, LabelsTakeClicksAndDoubleClicksThroughTheForm) {
  Form form(TestStyle());
  Label *back = nullptr, *front = nullptr;
  CreateControls(form, {{&back, 0, 0, 200, 100, "", kTransparent | kFixedSize},
                        {&front, 12, 50, 0, 0, "Close", kDisabled}});
  EXPECT_GT(front->Width(), 0);
  int backClicks = 0, frontClicks = 0, backDouble = 0;
  back->OnClick = [&] { ++backClicks; };
  back->OnDblClick = [&] { ++backDouble; };
  front->OnClick = [&] { ++frontClicks; };
  LPARAM onFront = MAKELPARAM(front->Left() + 2, front->Top() + 2);
  // A disabled label lets the click through to what lies behind it.
  SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, onFront);
  SendMessageW(form.Handle(), WM_LBUTTONUP, 0, onFront);
  EXPECT_EQ(frontClicks, 0);
  EXPECT_EQ(backClicks, 1);
  front->SetEnabled(true);
  SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, onFront);
  SendMessageW(form.Handle(), WM_LBUTTONUP, 0, onFront);
  EXPECT_EQ(frontClicks, 1);
  SendMessageW(form.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 90));
  EXPECT_EQ(backDouble, 1);
}

TEST(Forms, CloseAsksTheFormAndAnErrorThereKeepsItOpen) {
  MessageBoxRecorder boxes;
  Form form(TestStyle());
  form.Show();
  bool fail = true;
  form.OnCloseQuery = [&](bool&) {
    if (fail) throw Exception("書き込めません");
  };
  form.Close();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(boxes.Count(), 1u);
  fail = false;
  form.Close();
  EXPECT_FALSE(form.Visible());
}

TEST(Forms, ShowModalRunsUntilTheFormCloses) {
  Form owner(TestStyle());
  owner.Show();
  Form dialog(TestStyle(), owner.Handle());
  dialog.OnShow = [&] { PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0); };
  EXPECT_EQ(dialog.ShowModal(), IDCANCEL);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST(Forms, QueuedCallsRunOnTheUserInterfaceThread) {
  Application& app = Application::Instance();
  app.Initialize();
  DWORD uiThread = GetCurrentThreadId(), ranOn = 0;
  std::thread worker([&] { app.Queue([&] { ranOn = GetCurrentThreadId(); }); });
  worker.join();
  app.ProcessMessages();
  EXPECT_EQ(ranOn, uiThread);
}

TEST(Forms, EscapeClosesAModalWindowButNeverAModelessOne) {
  Form modeless(TestStyle());
  modeless.Show();
  SendMessageW(modeless.Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(modeless.Visible());
  Form dialog(TestStyle(), modeless.Handle());
  dialog.OnShow = [&] { PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0); };
  EXPECT_EQ(dialog.ShowModal(), IDCANCEL);
}

TEST(Forms, GroupBoxFramesLabelsWithoutHidingThemOrTakingTheirClicks) {
  Form form(TestStyle());
  Label* label = nullptr;
  CreateControls(form, {{unnamed<GroupBox>, 0, 0, 200, 100, "起動設定"},
                        {&label, 10, 40, 0, 0, "CPU負荷設定"}});
  EXPECT_EQ(GetWindow(form.Handle(), GW_CHILD), nullptr);  // no child window covers the label
  int clicks = 0;
  label->OnClick = [&] { ++clicks; };
  LPARAM at = MAKELPARAM(label->Left() + 2, label->Top() + 2);
  SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form.Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicks, 1);
}

TEST(Forms, AWindowDestroyedUnderItsFormOrControlIsNoLongerTakenForThem) {
  // A handle the system hands out again must never reach the old object.
  auto form = std::make_unique<Form>(TestStyle());
  Button* button = nullptr;
  CreateControls(*form, {{&button, 5, 5, 0, 0, "押す"}});
  const HWND formWindow = form->Handle(), buttonWindow = button->Handle();
  ASSERT_EQ(Form::FromHandle(formWindow), form.get());
  ASSERT_EQ(WinControl::FromHandle(buttonWindow), button);
  EXPECT_EQ(Form::FromHandle(buttonWindow), nullptr);
  EXPECT_EQ(WinControl::FromHandle(formWindow), nullptr);
  DestroyWindow(buttonWindow);
  EXPECT_EQ(WinControl::FromHandle(buttonWindow), nullptr);
  DestroyWindow(formWindow);
  EXPECT_EQ(Form::FromHandle(formWindow), nullptr);
}
