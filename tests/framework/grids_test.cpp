#include <gtest/gtest.h>

#include <memory>

#include "framework/gui/application.h"
#include "framework/gui/grids.h"
#include "framework/gui/layout.h"
#include "framework/gui/menus.h"

using namespace framework;

namespace {

FormStyle GridFormStyle() { return FormStyle::FixedDialog("TStringGridTest", "フォルダリスト", 483, 337); }

// The folder list's grid: 2 columns, 201 rows, one fixed row and column.
struct GridForm {
  Form form{GridFormStyle()};
  StringGrid* grid;
  GridForm() {
    CreateControls(form, {{&grid, 0, 0, 483, 306}});
    grid->SetColCount(2);
    grid->SetRowCount(201);
    grid->SetFixedCols(1);
    grid->SetFixedRows(1);
    grid->SetColWidth(0, 71);
    grid->SetColWidth(1, 390);
    grid->SetDefaultRowHeight(17);
    grid->SetRowSelect(true);
    grid->SetGridLines(true);
    grid->SetThumbTracking(true);
  }
  LPARAM At(int col, int row) const {
    RECT r = grid->CellRect(col, row);
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Click(int col, int row) {
    LPARAM at = At(col, row);
    SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(grid->Handle(), WM_LBUTTONUP, 0, at);
  }
};

}  // namespace

TEST(StringGrid, HoldsTheTextOfEveryCellAndKeepsItWhenResized) {
  GridForm f;
  StringGrid& g = *f.grid;
  g.SetCells(1, 0, std::string(35, ' ') + "フォルダのフルパス");
  for (int n = 1; n <= 200; ++n) {
    g.SetCells(0, n, "Memory[" + std::to_string(n) + "]");
    g.SetCells(1, n, "C:\\Pics\\" + std::to_string(n) + "\\");
  }
  EXPECT_EQ(g.Cells(0, 7), "Memory[7]");
  EXPECT_EQ(g.Cells(1, 200), "C:\\Pics\\200\\");
  EXPECT_EQ(g.Cells(0, 0), "");
  // Reading past the last row gives an empty text (a delete reads row c + 1);
  // writing there is an error.
  EXPECT_EQ(g.Cells(1, 201), "");
  EXPECT_EQ(g.Cells(-1, 3), "");
  EXPECT_THROW(g.SetCells(1, 201, "x"), Exception);
  EXPECT_THROW(g.SetCells(2, 1, "x"), Exception);

  g.SetColCount(3);
  EXPECT_EQ(g.Cells(1, 150), "C:\\Pics\\150\\");
  EXPECT_EQ(g.ColWidth(1), 390);
  g.SetColCount(2);
  g.SetRowCount(100);
  EXPECT_EQ(g.Cells(0, 99), "Memory[99]");
  EXPECT_EQ(g.Cells(0, 150), "");
  g.SetRowCount(201);
  EXPECT_EQ(g.Cells(0, 150), "");
  EXPECT_EQ(g.Cells(1, 1), "C:\\Pics\\1\\");
}

TEST(StringGrid, ClicksSelectWholeRowsButNotTheFixedOnes) {
  GridForm f;
  StringGrid& g = *f.grid;
  int clicks = 0, doubles = 0;
  g.OnClick = [&] { ++clicks; };
  g.OnDblClick = [&] { ++doubles; };
  EXPECT_EQ(g.Row(), 1);

  f.Click(1, 3);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(clicks, 1);
  f.Click(0, 5);  // the fixed column
  f.Click(1, 0);  // the header
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(clicks, 1);

  SendMessageW(g.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, f.At(1, 4));
  SendMessageW(g.Handle(), WM_LBUTTONUP, 0, f.At(1, 4));
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(doubles, 1);

  // A double click on the header or the fixed column opens nothing.
  SendMessageW(g.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, f.At(1, 0));
  SendMessageW(g.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, f.At(0, 7));
  SendMessageW(g.Handle(), WM_LBUTTONUP, 0, f.At(0, 7));
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(doubles, 1);

  SendMessageW(g.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(g.Row(), 5);
  SendMessageW(g.Handle(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(g.Handle(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(g.Handle(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(g.Handle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(g.Row(), 1);

  g.SetRow(2);
  EXPECT_EQ(g.Row(), 2);
  EXPECT_THROW(g.SetRow(0), Exception);
  EXPECT_THROW(g.SetRow(201), Exception);
  EXPECT_EQ(g.Row(), 2);
}

TEST(StringGrid, ScrollsUnderTheFixedRowFollowingTheThumb) {
  GridForm f;
  StringGrid& g = *f.grid;
  int visible = g.VisibleRowCount();
  ASSERT_GT(visible, 5);
  ASSERT_LT(visible, 200);
  EXPECT_TRUE(GetWindowLongW(g.Handle(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(g.TopRow(), 1);

  // The header row stays where it is whatever the scroll position.
  RECT header = g.CellRect(1, 0);
  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50), 0);
  EXPECT_EQ(g.TopRow(), 51);
  RECT headerAfter = g.CellRect(1, 0);
  EXPECT_TRUE(EqualRect(&header, &headerAfter));
  SCROLLINFO si{sizeof si, SIF_POS};
  GetScrollInfo(g.Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nPos, 50);

  // A click now lands on the row shown there.
  f.Click(1, 60);
  EXPECT_EQ(g.Row(), 60);

  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(g.TopRow(), 52);
  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(g.TopRow(), 201 - visible);
  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  EXPECT_EQ(g.TopRow(), 1);

  // Without thumb tracking the view waits for the thumb to be let go.
  g.SetThumbTracking(false);
  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), 0);
  EXPECT_EQ(g.TopRow(), 1);
  SendMessageW(g.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30), 0);
  EXPECT_EQ(g.TopRow(), 31);

  // Selecting a row off screen brings it into view.
  g.SetRow(200);
  EXPECT_EQ(g.TopRow(), 201 - visible);
  g.SetRow(3);
  EXPECT_EQ(g.TopRow(), 3);
  // Both columns fit: no horizontal scrolling.
  EXPECT_EQ(g.VisibleColCount(), 1);
  EXPECT_FALSE(GetWindowLongW(g.Handle(), GWL_STYLE) & WS_HSCROLL);
}

TEST(StringGrid, TheContextMenuIsAskedForWithTheScreenPointAndLeavesTheSelection) {
  GridForm f;
  StringGrid& g = *f.grid;
  g.SetRow(4);
  std::vector<POINT> asked;
  g.OnContextMenu = [&](POINT p) { asked.push_back(p); };
  SendMessageW(g.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.Handle()), MAKELPARAM(300, 200));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].x, 300);
  EXPECT_EQ(asked[0].y, 200);
  EXPECT_EQ(g.Row(), 4);

  // From the keyboard: a point on the selected row.
  SendMessageW(g.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.Handle()), MAKELPARAM(-1, -1));
  ASSERT_EQ(asked.size(), 2u);
  POINT p = asked[1];
  ScreenToClient(g.Handle(), &p);
  RECT row = g.CellRect(1, 4);
  EXPECT_GE(p.y, row.top);
  EXPECT_LE(p.y, row.bottom + 1);
}

TEST(StringGrid, TheRightButtonSelectsTheRowUnderItAndOpensThePopupMenu) {
  GridForm f;
  StringGrid& g = *f.grid;
  f.form.Show();
  std::vector<std::string> chosen;
  int rowAtPopup = -1;
  auto menu = std::make_unique<PopupMenu>(&f.form);
  menu->Add("First", "１つ目", [&] { chosen.push_back("First"); });
  menu->Add("Second", "２つ目", [&] { chosen.push_back("Second"); });
  // The menu's own loop reads the keys: the second entry is chosen.
  menu->OnPopup = [&] {
    rowAtPopup = g.Row();
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(g.Handle(), WM_KEYDOWN, key, 0);
  };
  g.SetPopupMenu(menu.get());
  SendMessageW(g.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, f.At(1, 6));
  SendMessageW(g.Handle(), WM_RBUTTONUP, 0, f.At(1, 6));
  EXPECT_EQ(rowAtPopup, 6);
  EXPECT_EQ(g.Row(), 6);
  EXPECT_EQ(chosen, (std::vector<std::string>{"Second"}));

  // On the header the selection stays.
  menu->OnPopup = [&] {
    rowAtPopup = g.Row();
    PostMessageW(g.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  SendMessageW(g.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, f.At(1, 0));
  SendMessageW(g.Handle(), WM_RBUTTONUP, 0, f.At(1, 0));
  EXPECT_EQ(rowAtPopup, 6);
  EXPECT_EQ(chosen.size(), 1u);

  menu.reset();
  EXPECT_EQ(g.GetPopupMenu(), nullptr);
  SendMessageW(g.Handle(), WM_RBUTTONUP, 0, f.At(1, 3));  // nothing left to show
}
