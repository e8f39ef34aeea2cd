#include "framework/gui/scrollbox.h"

#include <oleacc.h>

#include <algorithm>

#include "framework/gui/dpi.h"

namespace framework {

namespace {

constexpr wchar_t kClassName[] = L"KaleidonScrollBox";
constexpr int kLineStep = 16;  // pixels at 96 DPI per arrow click and per wheel line

void RegisterScrollBoxClass() {
  WNDCLASSEXW wc{};
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) throw Exception("cannot register the scroll box's window class");
}

}  // namespace

ScrollBox::ScrollBox(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  RegisterScrollBoxClass();
  SetDefaultSize(185, 41);
  CreateHandle(kClassName, WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN, WS_EX_CLIENTEDGE);
  UpdateScrollBars();
}

void ScrollBox::Insert(GraphicControl* control) {
  if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) controls_.push_back(control);
  control->SetContainer(this);
}

SIZE ScrollBox::ContentSize() const {
  SIZE size{0, 0};
  for (const GraphicControl* c : controls_) {
    if (!c->Visible()) continue;
    size.cx = std::max<LONG>(size.cx, c->Bounds().right);
    size.cy = std::max<LONG>(size.cy, c->Bounds().bottom);
  }
  return size;
}

void ScrollBox::ScrollTo(int x, int y) {
  RECT client;
  GetClientRect(Handle(), &client);
  SIZE content = ContentSize();
  POINT target{std::clamp<LONG>(x, 0, std::max<LONG>(0, content.cx - client.right)),
               std::clamp<LONG>(y, 0, std::max<LONG>(0, content.cy - client.bottom))};
  if (target.x == position_.x && target.y == position_.y) return;
  int dx = position_.x - target.x, dy = position_.y - target.y;
  position_ = target;
  SetScrollPos(Handle(), SB_HORZ, position_.x, TRUE);
  SetScrollPos(Handle(), SB_VERT, position_.y, TRUE);
  ScrollWindowEx(Handle(), dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  UpdateWindow(Handle());
}

void ScrollBox::InvalidateContent(const RECT& area) {
  RECT shown = area;
  OffsetRect(&shown, -position_.x, -position_.y);
  InvalidateRect(Handle(), &shown, FALSE);
}

void ScrollBox::ContentChanged() { UpdateScrollBars(); }

void ScrollBox::UpdateScrollBars() {
  if (updatingBars_ || !Handle()) return;
  updatingBars_ = true;
  // The client area without bars; a bar for one side narrows the other,
  // which may then need a bar too.
  RECT client;
  GetClientRect(Handle(), &client);
  const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
  const int barWidth = SystemMetricForDpi(SM_CXVSCROLL, Dpi()), barHeight = SystemMetricForDpi(SM_CYHSCROLL, Dpi());
  const int bareWidth = client.right + (style & WS_VSCROLL ? barWidth : 0);
  const int bareHeight = client.bottom + (style & WS_HSCROLL ? barHeight : 0);
  const SIZE content = ContentSize();
  bool horizontal = content.cx > bareWidth, vertical = content.cy > bareHeight;
  if (vertical && !horizontal) horizontal = content.cx > bareWidth - barWidth;
  if (horizontal && !vertical) vertical = content.cy > bareHeight - barHeight;
  const int width = bareWidth - (vertical ? barWidth : 0), height = bareHeight - (horizontal ? barHeight : 0);

  const POINT before = position_;
  position_.x = std::clamp<LONG>(position_.x, 0, std::max<LONG>(0, content.cx - width));
  position_.y = std::clamp<LONG>(position_.y, 0, std::max<LONG>(0, content.cy - height));
  // A page as large as the range hides the bar.
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
  info.nMax = std::max<LONG>(0, content.cx - 1);
  info.nPage = static_cast<UINT>(std::max(0, width));
  info.nPos = position_.x;
  SetScrollInfo(Handle(), SB_HORZ, &info, TRUE);
  info.nMax = std::max<LONG>(0, content.cy - 1);
  info.nPage = static_cast<UINT>(std::max(0, height));
  info.nPos = position_.y;
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  if (position_.x != before.x || position_.y != before.y) InvalidateRect(Handle(), nullptr, FALSE);
  updatingBars_ = false;
}

void ScrollBox::ScrollBy(int bar, int code) {
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(Handle(), bar, &info);
  int pos = info.nPos;
  const int page = std::max<int>(1, static_cast<int>(info.nPage));
  switch (code) {
    case SB_LINEUP: pos -= Scale(kLineStep); break;
    case SB_LINEDOWN: pos += Scale(kLineStep); break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = info.nTrackPos; break;
    case SB_TOP: pos = info.nMin; break;
    case SB_BOTTOM: pos = info.nMax; break;
    default: return;
  }
  if (bar == SB_HORZ) {
    ScrollTo(pos, position_.y);
  } else {
    ScrollTo(position_.x, pos);
  }
}

void ScrollBox::KeyDown(WPARAM key) {
  switch (key) {
    case VK_UP: ScrollBy(SB_VERT, SB_LINEUP); break;
    case VK_DOWN: ScrollBy(SB_VERT, SB_LINEDOWN); break;
    case VK_LEFT: ScrollBy(SB_HORZ, SB_LINEUP); break;
    case VK_RIGHT: ScrollBy(SB_HORZ, SB_LINEDOWN); break;
    case VK_PRIOR: ScrollBy(SB_VERT, SB_PAGEUP); break;
    case VK_NEXT: ScrollBy(SB_VERT, SB_PAGEDOWN); break;
    case VK_HOME: ScrollTo(0, 0); break;
    case VK_END: ScrollTo(position_.x, ContentSize().cy); break;
  }
}

AccessibleElement ScrollBox::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  if (path.empty()) self.role = ROLE_SYSTEM_PANE;
  return self;
}

void ScrollBox::Paint(HDC dc, const RECT& area) {
  // Drawn off screen first, so a large picture does not flicker.
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  HDC buffer = CreateCompatibleDC(dc);
  HBITMAP pixels = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ oldPixels = SelectObject(buffer, pixels);
  RECT fill{0, 0, width, height};
  FillRect(buffer, &fill, GetSysColorBrush(COLOR_BTNFACE));
  // Content point (x, y) lands at client point (x - scroll, y - scroll).
  SetViewportOrgEx(buffer, -position_.x - area.left, -position_.y - area.top, nullptr);
  RECT shown = area;
  OffsetRect(&shown, position_.x, position_.y);
  for (GraphicControl* c : controls_) {
    RECT bounds = c->Bounds(), overlap;
    if (!c->Visible() || !IntersectRect(&overlap, &bounds, &shown)) continue;
    int saved = SaveDC(buffer);
    c->Paint(buffer);
    RestoreDC(buffer, saved);
  }
  SetViewportOrgEx(buffer, 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, width, height, buffer, 0, 0, SRCCOPY);
  SelectObject(buffer, oldPixels);
  DeleteObject(pixels);
  DeleteDC(buffer);
}

GraphicControl* ScrollBox::ControlAt(LPARAM clientPoint) const {
  POINT p{static_cast<short>(LOWORD(clientPoint)) + position_.x, static_cast<short>(HIWORD(clientPoint)) + position_.y};
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->Enabled() && (*it)->HitTest(p)) return *it;
  return nullptr;
}

bool ScrollBox::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_ERASEBKGND:
      result = 1;  // the painting fills the background itself
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(Handle(), &ps);
      return true;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(Handle(), &client);
      Paint(reinterpret_cast<HDC>(wp), client);
      return true;
    }
    case WM_SIZE:
      UpdateScrollBars();
      return false;
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollBy(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
      return true;
    case WM_MOUSEWHEEL: {
      int lines = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3;
      ScrollTo(position_.x, position_.y - lines * Scale(kLineStep));
      return true;
    }
    case WM_GETDLGCODE:
      result = DLGC_WANTARROWS;
      return true;
    case WM_KEYDOWN:
      KeyDown(wp);
      return true;
    case WM_LBUTTONDOWN:
      if (GetFocus() != Handle()) ::SetFocus(Handle());
      pressed_ = ControlAt(lp);
      if (pressed_) SetCapture(Handle());
      return true;
    case WM_LBUTTONUP: {
      GraphicControl* target = pressed_;
      pressed_ = nullptr;
      if (GetCapture() == Handle()) ReleaseCapture();
      if (target && target == ControlAt(lp)) target->Fire(target->OnClick);
      return true;
    }
    case WM_LBUTTONDBLCLK:
      if (GraphicControl* target = ControlAt(lp)) target->Fire(target->OnDblClick);
      return true;
  }
  return false;
}

}  // namespace framework
