// A window that moves to a monitor of another DPI lays itself out for it.
// These tests run at 96 DPI and tell the window of the move as Windows does.
#include <gtest/gtest.h>

#include "framework/gui/dpi.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/grids.h"
#include "framework/gui/layout.h"
#include "framework/gui/listctrls.h"
#include "framework/gui/stdctrls.h"
#include "support/measure.h"

using namespace framework;

namespace {

int FontHeight(HFONT font) {
  LOGFONTW info{};
  GetObjectW(font, sizeof info, &info);
  return info.lfHeight;
}

int WindowIconWidth(HWND window, WPARAM which) {
  return IconWidth(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0)));
}

RECT WindowRect(const Form& form) {
  RECT r;
  GetWindowRect(form.Handle(), &r);
  return r;
}

// Tells the form it is now on a monitor of dpi, with the window rectangle
// the system suggests for it there.
void MoveToMonitor(Form& form, int dpi, RECT suggested) {
  SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

}  // namespace

TEST(Dpi, AWindowMovedToAMonitorOfAnotherDpiLaysItselfOutForItAndBack) {
  ASSERT_EQ(SystemDpi(), kDesignDpi);
  Form form(FormStyle::FixedDialog("TDpiForm", "DPI", 200, 100));
  Button* button = nullptr;
  Label* label = nullptr;
  ListBox* list = nullptr;
  StringGrid* grid = nullptr;
  DriveComboBox* drives = nullptr;
  CreateControls(form, {
      {&button, 10, 20, 75, 25, "閉じる(&C)"},
      {&label, 10, 60, 0, 0, "記憶パス＝", 0, CLR_INVALID, 13},
      {&list, 100, 0, 40, 50},
      {&grid, 140, 0, 60, 100},
      {&drives, 10, 75, 80, 0},
  });
  auto driveLine = [&] { return SendMessageW(drives->Handle(), CB_GETITEMHEIGHT, 0, 0); };
  grid->SetColWidth(0, 40);
  grid->SetDefaultRowHeight(17);
  EXPECT_EQ(form.Dpi(), 96);
  const RECT designed = WindowRect(form), buttonAt96 = button->Bounds(), labelAt96 = label->Bounds();
  const int itemAt96 = list->ItemHeight();
  const LRESULT driveLineAt96 = driveLine();

  // The frame keeps the size the system draws it in here.
  RECT suggested = designed;
  OffsetRect(&suggested, 7, 5);
  suggested.right += 100;
  suggested.bottom += 50;
  MoveToMonitor(form, 144, suggested);
  EXPECT_EQ(form.Dpi(), 144);
  RECT now = WindowRect(form);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  EXPECT_EQ(form.ClientSize().cx, 300);
  EXPECT_EQ(form.ClientSize().cy, 150);
  RECT b = button->Bounds();
  EXPECT_EQ(b.left, 15);
  EXPECT_EQ(b.top, 30);
  EXPECT_EQ(b.right, 128);
  EXPECT_EQ(b.bottom, 68);
  EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageW(button->Handle(), WM_GETFONT, 0, 0))), -18);
  EXPECT_EQ(FontHeight(label->FontObject()), -20);
  EXPECT_GT(label->Width(), labelAt96.right - labelAt96.left);  // measured again in the larger font
  EXPECT_GT(list->ItemHeight(), itemAt96);
  EXPECT_GT(driveLine(), driveLineAt96);
  RECT cell = grid->CellRect(0, 1);
  EXPECT_EQ(cell.right - cell.left, 60);
  EXPECT_EQ(cell.bottom - cell.top, 26);
  EXPECT_EQ(WindowIconWidth(form.Handle(), ICON_SMALL), 24);
  EXPECT_EQ(WindowIconWidth(form.Handle(), ICON_BIG), 48);

  MoveToMonitor(form, 96, designed);
  now = WindowRect(form);
  EXPECT_TRUE(EqualRect(&now, &designed));
  EXPECT_EQ(form.ClientSize().cx, 200);
  EXPECT_EQ(form.ClientSize().cy, 100);
  b = button->Bounds();
  EXPECT_TRUE(EqualRect(&b, &buttonAt96));
  RECT l = label->Bounds();
  EXPECT_TRUE(EqualRect(&l, &labelAt96));
  EXPECT_EQ(list->ItemHeight(), itemAt96);
  EXPECT_EQ(driveLine(), driveLineAt96);
  EXPECT_EQ(WindowIconWidth(form.Handle(), ICON_SMALL), 16);
}
