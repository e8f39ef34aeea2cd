#include "framework/gui/grids.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/menus.h"

namespace framework {

namespace {

constexpr wchar_t kGridClass[] = L"TStringGrid";
constexpr int kLine = 1;  // grid line width; cells are spaced by it even without lines

const wchar_t* RegisterGridClass() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kGridClass, &wc)) return kGridClass;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kGridClass;
  if (!RegisterClassExW(&wc)) throw Exception("cannot register the window class TStringGrid");
  return kGridClass;
}

[[noreturn]] void RaiseIndex() { throw Exception("グリッドのインデックスが範囲外です"); }

}  // namespace

StringGrid::StringGrid(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(320, 120);
  colWidths_.assign(static_cast<size_t>(colCount_), defaultColWidth_);
  cells_.assign(static_cast<size_t>(colCount_ * rowCount_), std::string());
  CreateHandle(RegisterGridClass(), WS_TABSTOP | WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE);
  UpdateScrollBars();
}

StringGrid::~StringGrid() { SetPopupMenu(nullptr); }

void StringGrid::SetPopupMenu(PopupMenu* menu) {
  if (menu == popupMenu_) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this, [this] { popupMenu_ = nullptr; });
}

// ---- Shape ----------------------------------------------------------------------

void StringGrid::SetColCount(int count) {
  count = std::max(1, count);
  if (count == colCount_) return;
  std::vector<std::string> cells(static_cast<size_t>(count) * rowCount_);
  for (int r = 0; r < rowCount_; ++r)
    for (int c = 0; c < std::min(count, colCount_); ++c)
      cells[static_cast<size_t>(r) * count + c] = std::move(cells_[Index(c, r)]);
  cells_ = std::move(cells);
  colWidths_.resize(static_cast<size_t>(count), defaultColWidth_);
  colCount_ = count;
  fixedCols_ = std::min(fixedCols_, colCount_ - 1);
  col_ = std::clamp(col_, fixedCols_, colCount_ - 1);
  leftCol_ = std::clamp(leftCol_, fixedCols_, colCount_ - 1);
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetRowCount(int count) {
  count = std::max(1, count);
  if (count == rowCount_) return;
  cells_.resize(static_cast<size_t>(count) * colCount_);
  rowCount_ = count;
  fixedRows_ = std::min(fixedRows_, rowCount_ - 1);
  row_ = std::clamp(row_, fixedRows_, rowCount_ - 1);
  topRow_ = std::clamp(topRow_, fixedRows_, rowCount_ - 1);
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetFixedCols(int count) {
  if (count < 0 || count >= colCount_) RaiseIndex();
  fixedCols_ = count;
  col_ = std::max(col_, fixedCols_);
  leftCol_ = std::max(leftCol_, fixedCols_);
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetFixedRows(int count) {
  if (count < 0 || count >= rowCount_) RaiseIndex();
  fixedRows_ = count;
  row_ = std::max(row_, fixedRows_);
  topRow_ = std::max(topRow_, fixedRows_);
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(0, width);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  UpdateScrollBars();
  Invalidate();
}

int StringGrid::ColWidth(int col) const {
  if (col < 0 || col >= colCount_) return 0;
  return colWidths_[static_cast<size_t>(col)];
}

void StringGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= colCount_) RaiseIndex();
  colWidths_[static_cast<size_t>(col)] = std::max(0, width);
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetDefaultRowHeight(int height) {
  rowHeight_ = std::max(1, height);
  UpdateScrollBars();
  Invalidate();
}

std::string StringGrid::Cells(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return {};
  return cells_[Index(col, row)];
}

void StringGrid::SetCells(int col, int row, const std::string& text) {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) RaiseIndex();
  std::string& cell = cells_[Index(col, row)];
  if (cell == text) return;
  cell = text;
  RECT r = CellRect(col, row);
  if (!IsRectEmpty(&r)) InvalidateRect(Handle(), &r, FALSE);
}

void StringGrid::SetRowSelect(bool on) {
  rowSelect_ = on;
  Invalidate();
}

void StringGrid::SetGridLines(bool on) {
  gridLines_ = on;
  Invalidate();
}

void StringGrid::SetThumbTracking(bool on) { thumbTracking_ = on; }

void StringGrid::SetBounds(int left, int top, int width, int height) {
  WinControl::SetBounds(left, top, width, height);
  UpdateScrollBars();
}

void StringGrid::SetFont(const Font& font) {
  WinControl::SetFont(font);
  Invalidate();
}

void StringGrid::Invalidate() {
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

// ---- Geometry ------------------------------------------------------------------------

int StringGrid::VisibleRowCount() const {
  RECT client;
  GetClientRect(Handle(), &client);
  int y = 0;
  for (int r = 0; r < fixedRows_; ++r) y += RowPixels() + kLine;
  int n = 0;
  for (int r = topRow_; r < rowCount_ && y + RowPixels() <= client.bottom; ++r, ++n) y += RowPixels() + kLine;
  return n;
}

int StringGrid::VisibleColCount() const {
  RECT client;
  GetClientRect(Handle(), &client);
  int x = 0;
  for (int c = 0; c < fixedCols_; ++c) x += ColPixels(c) + kLine;
  int n = 0;
  for (int c = leftCol_; c < colCount_ && x + ColPixels(c) <= client.right; ++c, ++n) x += ColPixels(c) + kLine;
  return n;
}

int StringGrid::ColumnLeft(int col) const {
  if (col < 0 || col >= colCount_) return -1;
  int x = 0;
  for (int c = 0; c < fixedCols_; ++c) {
    if (c == col) return x;
    x += ColPixels(c) + kLine;
  }
  if (col < leftCol_) return -1;
  for (int c = leftCol_; c < col; ++c) x += ColPixels(c) + kLine;
  return x;
}

int StringGrid::RowTop(int row) const {
  if (row < 0 || row >= rowCount_) return -1;
  if (row < fixedRows_) return row * (RowPixels() + kLine);
  if (row < topRow_) return -1;
  return (fixedRows_ + row - topRow_) * (RowPixels() + kLine);
}

RECT StringGrid::CellRect(int col, int row) const {
  int x = ColumnLeft(col), y = RowTop(row);
  RECT client;
  GetClientRect(Handle(), &client);
  if (x < 0 || y < 0 || x >= client.right || y >= client.bottom) return RECT{0, 0, 0, 0};
  return RECT{x, y, x + ColPixels(col), y + RowPixels()};
}

bool StringGrid::MouseToCell(int x, int y, int& col, int& row) const {
  col = row = -1;
  if (x < 0 || y < 0) return false;
  int left = 0;
  for (int c = 0; c < colCount_; ++c) {
    if (c == fixedCols_) c = leftCol_;
    if (c >= colCount_) break;
    int right = left + ColPixels(c) + kLine;
    if (x < right) {
      col = c;
      break;
    }
    left = right;
  }
  int top = 0;
  for (int r = 0; r < rowCount_; ++r) {
    if (r == fixedRows_) r = topRow_;
    if (r >= rowCount_) break;
    int bottom = top + RowPixels() + kLine;
    if (y < bottom) {
      row = r;
      break;
    }
    top = bottom;
  }
  return col >= 0 && row >= 0;
}

// ---- Selection and scrolling ----------------------------------------------------------------

void StringGrid::SetRow(int row) {
  if (row < fixedRows_ || row >= rowCount_) RaiseIndex();
  MoveSelection(col_, row);
}

void StringGrid::SetCol(int col) {
  if (col < fixedCols_ || col >= colCount_) RaiseIndex();
  MoveSelection(col, row_);
}

void StringGrid::MoveSelection(int col, int row) {
  const bool moved = col != col_ || row != row_;
  if (moved) {
    col_ = col;
    row_ = row;
    Invalidate();
  }
  ScrollIntoView(col, row);
  if (moved) AnnounceSelection();
}

void StringGrid::AnnounceSelection() const {
  if (GetFocus() == Handle()) AnnounceAccessible(EVENT_OBJECT_FOCUS, Handle(), row_);
  AnnounceAccessible(EVENT_OBJECT_SELECTION, Handle(), row_);
}

void StringGrid::ScrollIntoView(int col, int row) {
  if (row < topRow_) {
    SetTopRow(row);
  } else {
    int visible = std::max(1, VisibleRowCount());
    if (row >= topRow_ + visible) SetTopRow(row - visible + 1);
  }
  if (!rowSelect_) {
    if (col < leftCol_) {
      SetLeftCol(col);
    } else {
      int visible = std::max(1, VisibleColCount());
      if (col >= leftCol_ + visible) SetLeftCol(col - visible + 1);
    }
  }
}

void StringGrid::SetTopRow(int row) {
  // The last page stays full: the view never scrolls past the last row.
  int visible = std::max(1, VisibleRowCount());
  int last = std::max(fixedRows_, rowCount_ - visible);
  row = std::clamp(row, fixedRows_, std::max(fixedRows_, std::min(last, rowCount_ - 1)));
  if (row == topRow_) return;
  topRow_ = row;
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::SetLeftCol(int col) {
  int visible = std::max(1, VisibleColCount());
  int last = std::max(fixedCols_, colCount_ - visible);
  col = std::clamp(col, fixedCols_, std::max(fixedCols_, std::min(last, colCount_ - 1)));
  if (col == leftCol_) return;
  leftCol_ = col;
  UpdateScrollBars();
  Invalidate();
}

void StringGrid::UpdateScrollBars() {
  if (!Handle() || updatingBars_) return;
  updatingBars_ = true;
  // Showing one bar narrows the room for the other: settle in two rounds.
  for (int round = 0; round < 2; ++round) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    int scrollRows = rowCount_ - fixedRows_;
    int savedTop = topRow_;
    topRow_ = fixedRows_;
    int pageRows = VisibleRowCount();
    topRow_ = savedTop;
    si.nMin = 0;
    si.nMax = std::max(0, scrollRows - 1);
    si.nPage = static_cast<UINT>(std::max(0, pageRows));
    si.nPos = topRow_ - fixedRows_;
    if (pageRows >= scrollRows) si.nMax = 0, si.nPage = 0, si.nPos = 0;
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    ShowScrollBar(Handle(), SB_VERT, pageRows < scrollRows);

    int scrollCols = colCount_ - fixedCols_;
    int savedLeft = leftCol_;
    leftCol_ = fixedCols_;
    int pageCols = VisibleColCount();
    leftCol_ = savedLeft;
    si.nMax = std::max(0, scrollCols - 1);
    si.nPage = static_cast<UINT>(std::max(0, pageCols));
    si.nPos = leftCol_ - fixedCols_;
    if (pageCols >= scrollCols) si.nMax = 0, si.nPage = 0, si.nPos = 0;
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    ShowScrollBar(Handle(), SB_HORZ, pageCols < scrollCols);
  }
  updatingBars_ = false;
}

namespace {
// The message carries 16 bits of position; longer ranges need the 32-bit
// position the scroll bar keeps while its box is dragged.
int ThumbPosition(const SCROLLINFO& si, int position) { return si.nMax > 0xFFFF ? si.nTrackPos : position; }
}  // namespace

void StringGrid::Scroll(int bar, int code, int position) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(Handle(), bar, &si);
  bool vertical = bar == SB_VERT;
  int first = vertical ? topRow_ : leftCol_;
  int fixed = vertical ? fixedRows_ : fixedCols_;
  int page = std::max(1, vertical ? VisibleRowCount() : VisibleColCount());
  int target = first;
  switch (code) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_TOP: target = fixed; break;
    case SB_BOTTOM: target = vertical ? rowCount_ : colCount_; break;
    case SB_THUMBTRACK:
      if (!thumbTracking_) return;
      target = fixed + ThumbPosition(si, position);
      break;
    case SB_THUMBPOSITION: target = fixed + ThumbPosition(si, position); break;
    default: return;
  }
  if (vertical) SetTopRow(target);
  else SetLeftCol(target);
}

void StringGrid::SelectByUser(int col, int row) {
  if (row < fixedRows_ || col < fixedCols_) return;
  bool moved = col != col_ || row != row_;
  MoveSelection(col, row);
  if (moved) Fire(OnClick);
}

void StringGrid::KeyDown(WPARAM key) {
  int page = std::max(1, VisibleRowCount());
  bool control = GetKeyState(VK_CONTROL) < 0;
  int row = row_, col = col_;
  switch (key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_PRIOR: row -= page; break;
    case VK_NEXT: row += page; break;
    case VK_HOME: control ? (row = fixedRows_) : (col = fixedCols_); break;
    case VK_END: control ? (row = rowCount_ - 1) : (col = colCount_ - 1); break;
    case VK_LEFT:
      if (rowSelect_) SetLeftCol(leftCol_ - 1);
      else --col;
      break;
    case VK_RIGHT:
      if (rowSelect_) SetLeftCol(leftCol_ + 1);
      else ++col;
      break;
    case VK_RETURN:
      Fire(OnDblClick);
      return;
    default: return;
  }
  row = std::clamp(row, fixedRows_, rowCount_ - 1);
  col = std::clamp(col, fixedCols_, colCount_ - 1);
  if (row == row_ && col == col_) return;
  MoveSelection(col, row);
  Fire(OnClick);
}

void StringGrid::ShowContextMenu(POINT screen) {
  if (OnContextMenu) {
    Application::Instance().Dispatch([this, screen] { OnContextMenu(screen); });
  } else if (popupMenu_) {
    popupMenu_->Popup(screen.x, screen.y);
  }
}

void StringGrid::ShowContextMenuFromKeyboard() {
  RECT cell = CellRect(col_, row_);
  POINT p{cell.left + 4, cell.bottom};
  ClientToScreen(Handle(), &p);
  ShowContextMenu(p);
}

// ---- Assistive technology -------------------------------------------------------------------

std::string StringGrid::ColumnHeader(int col) const {
  if (fixedRows_ == 0) return {};
  std::string header = Cells(col, fixedRows_ - 1);
  const size_t first = header.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return header.substr(first, header.find_last_not_of(' ') - first + 1);
}

AccessibleElement StringGrid::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement e = WinControl::DescribeAccessible(path);
  if (path.empty()) {
    e.role = ROLE_SYSTEM_TABLE;
    return e;
  }
  const int row = path[0];
  if (row < 0 || row >= rowCount_ || path.size() > 2) return e;
  const bool headerRow = row < fixedRows_;
  const bool selected = !headerRow && row == row_;
  const bool focused = selected && GetFocus() == Handle();
  if (path.size() == 1) {
    // The row: named by its row header, the other cells told after their
    // column's header.
    e.role = ROLE_SYSTEM_ROW;
    e.hasElements = true;
    for (int c = 0; c < colCount_; ++c) {
      const bool inName = headerRow || c < std::max(fixedCols_, 1);
      std::string text = headerRow ? ColumnHeader(c) : Cells(c, row);
      if (!inName && !ColumnHeader(c).empty()) text = ColumnHeader(c) + ": " + text;
      if (text.empty()) continue;
      std::string& part = inName ? e.name : e.description;
      if (!part.empty()) part += inName ? " " : ", ";
      part += text;
    }
    if (!headerRow) e.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    const int top = RowTop(row);
    RECT client;
    GetClientRect(Handle(), &client);
    if (top >= 0 && top < client.bottom) e.bounds = RECT{0, top, client.right, top + RowPixels()};
  } else {
    const int col = path[1];
    if (col < 0 || col >= colCount_) return e;
    e.name = headerRow ? ColumnHeader(col) : Cells(col, row);
    e.role = headerRow ? ROLE_SYSTEM_COLUMNHEADER : col < fixedCols_ ? ROLE_SYSTEM_ROWHEADER : ROLE_SYSTEM_CELL;
    if (!headerRow) e.description = ColumnHeader(col);
    e.state = STATE_SYSTEM_READONLY;
    e.bounds = CellRect(col, row);
  }
  if (selected) e.state |= STATE_SYSTEM_SELECTED;
  if (focused && path.size() == 1) e.state |= STATE_SYSTEM_FOCUSED;
  if (IsRectEmpty(&e.bounds)) e.state |= STATE_SYSTEM_OFFSCREEN;
  return e;
}

int StringGrid::AccessibleCount(const AccessiblePath& path) const {
  if (path.empty()) return rowCount_;
  return path.size() == 1 ? colCount_ : 0;
}

int StringGrid::AccessibleCurrent(const AccessiblePath& path) const {
  if (path.empty()) return row_;
  return path.size() == 1 && path[0] == row_ && !rowSelect_ ? col_ : -1;
}

int StringGrid::AccessibleAt(const AccessiblePath& path, POINT client) const {
  int col, row;
  if (path.size() > 1 || !MouseToCell(client.x, client.y, col, row)) return -1;
  if (path.empty()) return row;
  return row == path[0] ? col : -1;
}

void StringGrid::SelectAccessible(const AccessiblePath& path) {
  if (path.empty() || path.size() > 2) return;
  const int row = path[0], col = path.size() == 2 ? path[1] : col_;
  if (row >= fixedRows_ && row < rowCount_ && col >= fixedCols_ && col < colCount_) SelectByUser(col, row);
}

bool StringGrid::ActivateAccessible(const AccessiblePath& path) {
  if (path.empty() || path[0] < fixedRows_ || path[0] >= rowCount_) return false;
  SelectAccessible(path);
  Fire(OnDblClick);
  return true;
}

// ---- Painting -------------------------------------------------------------------------------

void StringGrid::Paint(HDC target, const RECT& clip) {
  RECT client;
  GetClientRect(Handle(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  // Drawn off screen first, so scrolling and selecting do not flicker.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, FontObject());
  SetBkMode(dc, TRANSPARENT);
  bool focused = GetFocus() == Handle();
  HPEN cellPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HPEN fixedPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
  HGDIOBJ oldPen = SelectObject(dc, cellPen);

  int y = 0;
  for (int r = 0; r < rowCount_ && y < client.bottom; ++r) {
    if (r == fixedRows_) r = topRow_;
    if (r >= rowCount_) break;
    int x = 0;
    for (int c = 0; c < colCount_ && x < client.right; ++c) {
      if (c == fixedCols_) c = leftCol_;
      if (c >= colCount_) break;
      int w = ColPixels(c);
      RECT cell{x, y, x + w, y + RowPixels()};
      bool fixed = r < fixedRows_ || c < fixedCols_;
      bool selected = !fixed && r == row_ && (rowSelect_ || c == col_);
      int background = fixed ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
      FillRect(dc, &cell, GetSysColorBrush(background));
      if (fixed) {
        RECT edge = cell;
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
      }
      std::wstring text = Widen(cells_[Index(c, r)]);
      if (!text.empty()) {
        SetTextColor(dc, GetSysColor(fixed ? COLOR_BTNTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        ExtTextOutW(dc, cell.left + Scale(2), cell.top + Scale(2), ETO_CLIPPED, &cell, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
      }
      if (gridLines_) {
        SelectObject(dc, fixed ? fixedPen : cellPen);
        MoveToEx(dc, cell.right, cell.top, nullptr);
        LineTo(dc, cell.right, cell.bottom + kLine);
        MoveToEx(dc, cell.left, cell.bottom, nullptr);
        LineTo(dc, cell.right + kLine, cell.bottom);
      }
      x += w + kLine;
    }
    y += RowPixels() + kLine;
  }
  // The selected row carries the focus rectangle while the grid has the focus.
  if (focused) {
    RECT focus = CellRect(rowSelect_ ? std::max(leftCol_, fixedCols_) : col_, row_);
    if (!IsRectEmpty(&focus)) {
      if (rowSelect_) {
        int right = ColumnLeft(colCount_ - 1);
        focus.right = right < 0 ? client.right : std::min<LONG>(client.right, right + ColPixels(colCount_ - 1));
      }
      DrawFocusRect(dc, &focus);
    }
  }
  BitBlt(target, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, dc, clip.left, clip.top,
         SRCCOPY);
  SelectObject(dc, oldPen);
  DeleteObject(cellPen);
  DeleteObject(fixedPen);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// ---- Messages -------------------------------------------------------------------------------

bool StringGrid::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(Handle(), &ps);
      result = 0;
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SIZE:
      UpdateScrollBars();
      SetTopRow(topRow_);
      Invalidate();
      return false;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wp), HIWORD(wp));
      result = 0;
      return true;
    case WM_MOUSEWHEEL: {
      int delta = GET_WHEEL_DELTA_WPARAM(wp);
      SetTopRow(topRow_ - delta / WHEEL_DELTA * 3);
      result = 0;
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      if (GetFocus() != Handle()) ::SetFocus(Handle());
      int col, row;
      bool onCell = MouseToCell(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), col, row) && col >= fixedCols_ &&
                    row >= fixedRows_;
      if (onCell) SelectByUser(col, row);
      if (msg == WM_LBUTTONDOWN) {
        tracking_ = true;
        SetCapture(Handle());
      } else if (msg == WM_LBUTTONDBLCLK && onCell) {
        Fire(OnDblClick);
      }
      result = 0;
      return true;
    }
    case WM_MOUSEMOVE:
      if (tracking_ && (wp & MK_LBUTTON)) {
        int col, row;
        int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
        RECT client;
        GetClientRect(Handle(), &client);
        // Dragging past the edge drags the view along.
        if (y < 0 && topRow_ > fixedRows_) SetTopRow(topRow_ - 1);
        if (y >= client.bottom) SetTopRow(topRow_ + 1);
        y = std::clamp<int>(y, 0, std::max<int>(0, client.bottom - 1));
        if (MouseToCell(x, y, col, row)) SelectByUser(rowSelect_ ? col_ : col, row);
      }
      result = 0;
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (tracking_) {
        tracking_ = false;
        if (msg == WM_LBUTTONUP && GetCapture() == Handle()) ReleaseCapture();
      }
      result = 0;
      return true;
    case WM_CONTEXTMENU: {
      if (!OnContextMenu && !popupMenu_) return false;
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (p.x == -1 && p.y == -1) ShowContextMenuFromKeyboard();
      else ShowContextMenu(p);
      result = 0;
      return true;
    }
    case WM_KEYDOWN:
      KeyDown(wp);
      result = 0;
      return true;
    // The menu key (on its release) and Shift+F10 are taken here rather
    // than left to the system's own WM_CONTEXTMENU, which not every system
    // makes of them.
    case WM_KEYUP:
      if (wp != VK_APPS) return false;
      ShowContextMenuFromKeyboard();
      result = 0;
      return true;
    case WM_SYSKEYDOWN:
      if (wp != VK_F10 || GetKeyState(VK_SHIFT) >= 0) return false;
      ShowContextMenuFromKeyboard();
      result = 0;
      return true;
    case WM_GETDLGCODE:
      // The arrows move the selection; Enter acts on it.
      result = DLGC_WANTARROWS;
      if (lp) {
        auto* key = reinterpret_cast<const MSG*>(lp);
        if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN) result |= DLGC_WANTMESSAGE;
      }
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      return false;
  }
  return false;
}

}  // namespace framework
