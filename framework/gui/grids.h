#pragma once
// A grid of text cells, painted by itself: fixed (header) rows and columns
// on a button-face background, the other cells scrolled under them, an
// optional whole-row selection and grid lines. The texts are kept here, so
// a few hundred rows cost nothing.
//
// The keyboard: the arrows, Page Up and Down, Home and End move the
// selection, Enter does what a double click does, and the menu key or
// Shift+F10 opens the context menu under the selected cell. Readers see a
// table of rows, each with its cells; a cell's description is its column's
// header, a row's name its row header and its description the other cells
// after their headers, as the system's report lists tell them.
#include <functional>
#include <string>
#include <vector>

#include "framework/gui/forms.h"

namespace framework {

class PopupMenu;

class StringGrid : public WinControl {
 public:
  StringGrid(Form* owner, std::string name);
  ~StringGrid() override;

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  // Resizing keeps the texts of the cells that remain.
  void SetColCount(int count);
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  void SetFixedCols(int count);
  void SetFixedRows(int count);

  // Column widths and the row height are at 96 DPI, like the layout tables;
  // the grid draws them scaled for its window's DPI.
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);  // applies to every column
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);
  int DefaultRowHeight() const { return rowHeight_; }
  void SetDefaultRowHeight(int height);

  // The text of a cell; reading outside the grid gives an empty text,
  // writing there raises framework::Exception.
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);

  // The selected cell. Setting it (within the non-fixed cells; otherwise it
  // raises) scrolls it into view and fires no event.
  int Row() const { return row_; }
  void SetRow(int row);
  int Col() const { return col_; }
  void SetCol(int col);
  // The first non-fixed row shown.
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  // Non-fixed rows that fit entirely on screen.
  int VisibleRowCount() const;
  int VisibleColCount() const;

  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool on);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool on);
  // Whether the view follows the scroll box while it is dragged.
  bool ThumbTracking() const { return thumbTracking_; }
  void SetThumbTracking(bool on);

  // The cell under a point of the grid's client area; false when none.
  bool MouseToCell(int x, int y, int& col, int& row) const;
  // The cell's rectangle in the client area (empty when not on screen).
  RECT CellRect(int col, int row) const;

  // OnClick: the user selected a cell (with either button or the keys).
  // OnDblClick: a double click on a non-fixed cell, which is selected first,
  // so Row() is the row under the mouse, or Enter on the selected one; a
  // double click elsewhere fires nothing.
  // OnContextMenu: the context menu is asked for (right button or the menu
  // key), with the point in screen coordinates; the right button has
  // selected the cell under it, the menu key leaves the selection.
  std::function<void(POINT screen)> OnContextMenu;
  // The menu shown when the context menu is asked for and OnContextMenu is
  // not set. The grid forgets a menu that is destroyed.
  PopupMenu* GetPopupMenu() const { return popupMenu_; }
  void SetPopupMenu(PopupMenu* menu);

  void SetBounds(int left, int top, int width, int height) override;
  void SetFont(const Font& font) override;

  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  int AccessibleCount(const AccessiblePath& path) const override;
  int AccessibleCurrent(const AccessiblePath& path) const override;
  int AccessibleAt(const AccessiblePath& path, POINT client) const override;
  void SelectAccessible(const AccessiblePath& path) override;
  bool ActivateAccessible(const AccessiblePath& path) override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Paint(HDC dc, const RECT& clip);
  void UpdateScrollBars();
  void Invalidate();
  void Scroll(int bar, int code, int position);
  void SelectByUser(int col, int row);
  void MoveSelection(int col, int row);
  void ScrollIntoView(int col, int row);
  void KeyDown(WPARAM key);
  // The context menu at a screen point; from the keyboard, under the selected cell.
  void ShowContextMenu(POINT screen);
  void ShowContextMenuFromKeyboard();
  // A column's header as readers hear it: the fixed row's text, trimmed.
  std::string ColumnHeader(int col) const;
  // Tells readers where the selection is now.
  void AnnounceSelection() const;
  // A column's width and the rows' height in the window's pixels.
  int ColPixels(int col) const { return Scale(ColWidth(col)); }
  int RowPixels() const { return Scale(rowHeight_); }
  int ColumnLeft(int col) const;  // -1 when not on screen
  int RowTop(int row) const;
  size_t Index(int col, int row) const { return static_cast<size_t>(row) * colCount_ + col; }

  int colCount_ = 5, rowCount_ = 5;
  int fixedCols_ = 1, fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int rowHeight_ = 24;
  std::vector<int> colWidths_;
  std::vector<std::string> cells_;
  int row_ = 1, col_ = 1;
  int topRow_ = 1, leftCol_ = 1;
  bool rowSelect_ = false;
  bool gridLines_ = true;
  bool thumbTracking_ = false;
  PopupMenu* popupMenu_ = nullptr;
  bool tracking_ = false;  // the left button is down over the cells
  bool updatingBars_ = false;
};

}  // namespace framework
