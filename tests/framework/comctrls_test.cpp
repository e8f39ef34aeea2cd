#include "framework/gui/comctrls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "framework/gui/stdctrls.h"
#include "support/userinput.h"

using namespace framework;

namespace {

// A form with a page control of three pages: "一" and "二" with controls,
// "三" with its tab hidden and disabled.
struct PagedForm {
  PagedForm() {
    FormStyle style = FormStyle::FixedDialog("TPagedForm", "ページ", 300, 200);
    form = std::make_unique<Form>(style);
    CreateControls(*form, {{&pages, 0, 0, 300, 170}});
    first = pages->AddPage("一");
    second = pages->AddPage("二");
    third = pages->AddPage("三");
    third->SetTabVisible(false);
    third->SetEnabled(false);
    CreateControls(*first, {{&check, 4, 4, 200, 17, "確認"}, {&hidden, 4, 30, 100, 21, "", kHidden}});
    CreateControls(*second, {{&edit, 4, 4, 100, 21}, {&label, 4, 40, 0, 0, "■■■■", kBold, RGB(255, 0, 0), 20}});
    CreateControls(*form, {{&ok, 220, 172, 75, 25, "OK"}});
  }

  // Shown in front of everything, drawn.
  void ShowInFront() {
    form->Show();
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(form->Handle());
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Application::Instance().ProcessMessages();
  }

  // The colour on screen at a point of the form's client area.
  COLORREF ScreenPixel(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(form->Handle(), &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
  }

  int RedPixelsOfLabel() const {
    int red = 0;
    for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
      for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
        if (ScreenPixel(x, y) == RGB(255, 0, 0)) ++red;
    return red;
  }

  std::unique_ptr<Form> form;
  PageControl* pages = nullptr;
  TabSheet *first = nullptr, *second = nullptr, *third = nullptr;
  CheckBox* check = nullptr;
  Edit* hidden = nullptr;
  Edit* edit = nullptr;
  Label* label = nullptr;
  Button* ok = nullptr;
};

}  // namespace

TEST(PageControl, OnlyTheActivePageShowsItsControlsAndAClickOnATabSwitchesPages) {
  PagedForm f;
  EXPECT_EQ(SendMessageW(f.pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);  // "三" has no tab
  EXPECT_EQ(f.third->TabIndex(), -1);
  EXPECT_EQ(f.pages->ActivePage(), f.first);
  // Page rows are placed from the page's corner, below the tabs.
  RECT area = f.pages->PageArea();
  EXPECT_GT(area.top, 10);
  EXPECT_EQ(f.check->Left(), area.left + 4);
  EXPECT_EQ(f.check->Top(), area.top + 4);

  int changes = 0;
  f.pages->OnChange = [&] { ++changes; };
  f.ShowInFront();
  EXPECT_TRUE(IsWindowVisible(f.check->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.hidden->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.edit->Handle()));
  EXPECT_TRUE(f.edit->Visible());  // its own flag stays; the page puts it away
  EXPECT_FALSE(f.edit->Showing());

  RECT tab = f.pages->TabRect(1);
  ClickAt(f.pages->Handle(), POINT{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
  for (int i = 0; i < 200 && f.pages->ActivePage() != f.second; ++i) {
    Application::Instance().ProcessMessages();
    Sleep(10);
  }
  ASSERT_EQ(f.pages->ActivePage(), f.second);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsWindowVisible(f.edit->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.check->Handle()));
  EXPECT_TRUE(IsWindowVisible(f.ok->Handle()));  // not on a page

  f.pages->SetActivePage(f.first);  // from code: no event
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsWindowVisible(f.check->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.hidden->Handle()));  // hidden on its own, hidden still
}

TEST(PageControl, ADisabledPageCannotBeChosenByItsTab) {
  PagedForm f;
  f.third->SetTabVisible(true);
  ASSERT_EQ(f.third->TabIndex(), 2);
  SendMessageW(f.pages->Handle(), TCM_SETCURSEL, 2, 0);
  NMHDR change{f.pages->Handle(), static_cast<UINT_PTR>(GetDlgCtrlID(f.pages->Handle())), TCN_SELCHANGE};
  SendMessageW(f.form->Handle(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(f.pages->ActivePage(), f.first);
  EXPECT_EQ(SendMessageW(f.pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
}

TEST(PageControl, LabelsOnAPageAreDrawnOverTheTabsAndCheckBoxesShowThePageAroundThem) {
  PagedForm f;
  f.pages->SetActivePage(f.second);
  f.ShowInFront();
  EXPECT_GT(f.RedPixelsOfLabel(), 20);
  f.pages->SetActivePage(f.first);
  f.ShowInFront();
  EXPECT_EQ(f.RedPixelsOfLabel(), 0);
  // Beyond its caption a check box shows what the page shows beside it.
  RECT area = f.pages->PageArea();
  EXPECT_EQ(f.ScreenPixel(f.check->Left() + 190, f.check->Top() + 8), f.ScreenPixel(area.right - 10, area.bottom - 10));
}
