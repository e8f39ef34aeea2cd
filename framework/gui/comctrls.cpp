#include "framework/gui/comctrls.h"

#include <commctrl.h>
#include <oleacc.h>

#include "framework/base/text.h"

namespace framework {

// ---- TabSheet -----------------------------------------------------------------

TabSheet::TabSheet(PageControl* owner, std::string caption) : owner_(owner), caption_(std::move(caption)) {}

void TabSheet::SetTabVisible(bool visible) {
  if (visible == tabVisible_) return;
  tabVisible_ = visible;
  owner_->RebuildTabs();
}

int TabSheet::TabIndex() const {
  if (!tabVisible_) return -1;
  int index = 0;
  for (const auto& page : owner_->pages_) {
    if (page.get() == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TabSheet::Insert(Control* control) {
  controls_.push_back(control);
  control->SetConcealed(!shown_);
  owner_->StayBehind();
}

POINT TabSheet::Origin() const {
  RECT area = owner_->PageArea();
  return POINT{area.left, area.top};
}

void TabSheet::SetShown(bool shown) {
  shown_ = shown;
  for (Control* control : controls_) control->SetConcealed(!shown);
}

// ---- PageControl ------------------------------------------------------------------

PageControl::PageControl(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(289, 193);
  CreateHandle(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPSIBLINGS | TCS_TABS | TCS_FOCUSONBUTTONDOWN);
  owner->AddBackdrop(this);
}

PageControl::~PageControl() { ForgetBrush(); }

TabSheet* PageControl::AddPage(const std::string& caption) {
  pages_.push_back(std::make_unique<TabSheet>(this, caption));
  TabSheet* page = pages_.back().get();
  RebuildTabs();
  if (!active_) SetActivePage(page);
  return page;
}

TabSheet* PageControl::Pages(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)].get() : nullptr;
}

TabSheet* PageControl::PageOfTab(int tabIndex) const {
  for (const auto& page : pages_)
    if (page->TabIndex() == tabIndex && tabIndex >= 0) return page.get();
  return nullptr;
}

void PageControl::SetActivePage(TabSheet* page) {
  if (!page || page->owner_ != this || page == active_) return;
  // The focus does not stay in a control that is put away.
  HWND focus = GetFocus();
  bool focusOnOldPage = false;
  if (active_) {
    for (Control* c : active_->controls_) {
      auto* w = dynamic_cast<WinControl*>(c);
      if (w && focus && (focus == w->Handle() || IsChild(w->Handle(), focus))) focusOnOldPage = true;
    }
    active_->SetShown(false);
  }
  active_ = page;
  active_->SetShown(true);
  SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(active_->TabIndex()), 0);
  if (focusOnOldPage) ::SetFocus(Handle());
  InvalidateRect(Handle(), nullptr, TRUE);
  if (int tab = active_->TabIndex(); tab >= 0) {
    if (GetFocus() == Handle()) AnnounceAccessible(EVENT_OBJECT_FOCUS, Handle(), tab);
    AnnounceAccessible(EVENT_OBJECT_SELECTION, Handle(), tab);
  }
}

bool PageControl::ChooseByUser(TabSheet* page) {
  if (!page || !page->enabled_ || page == active_) return false;
  SetActivePage(page);
  Fire(OnChange);
  return true;
}

int PageControl::TabCount() const {
  return static_cast<int>(SendMessageW(Handle(), TCM_GETITEMCOUNT, 0, 0));
}

bool PageControl::HandleFormKey(const MSG& key) {
  if (key.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || !IsWindowEnabled(Handle())) return false;
  int step;
  if (key.wParam == VK_TAB) step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
  else if (key.wParam == VK_NEXT) step = 1;
  else if (key.wParam == VK_PRIOR) step = -1;
  else return false;
  // The next tab round the row whose page may be chosen.
  const int tabs = TabCount();
  if (tabs == 0) return false;
  const int from = active_ ? active_->TabIndex() : -1;
  for (int i = 1; i <= tabs; ++i) {
    if (ChooseByUser(PageOfTab(((from + step * i) % tabs + tabs) % tabs))) return true;
  }
  return true;
}

AccessibleElement PageControl::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement e = WinControl::DescribeAccessible(path);
  if (path.empty()) {
    e.role = ROLE_SYSTEM_PAGETABLIST;
    return e;
  }
  const TabSheet* page = path.size() == 1 ? PageOfTab(path[0]) : nullptr;
  if (!page) return e;
  e.name = page->caption_;
  e.role = ROLE_SYSTEM_PAGETAB;
  e.state = page->enabled_ ? STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
  if (page == active_) {
    e.state |= STATE_SYSTEM_SELECTED;
    if (GetFocus() == Handle()) e.state |= STATE_SYSTEM_FOCUSED;
  }
  e.bounds = TabRect(path[0]);
  return e;
}

int PageControl::AccessibleCount(const AccessiblePath& path) const { return path.empty() ? TabCount() : 0; }

int PageControl::AccessibleCurrent(const AccessiblePath& path) const {
  return path.empty() && active_ ? active_->TabIndex() : -1;
}

int PageControl::AccessibleAt(const AccessiblePath& path, POINT client) const {
  if (!path.empty()) return -1;
  TCHITTESTINFO hit{client, 0};
  return static_cast<int>(SendMessageW(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void PageControl::SelectAccessible(const AccessiblePath& path) {
  if (path.size() == 1) ChooseByUser(PageOfTab(path[0]));
}

void PageControl::RebuildTabs() {
  SendMessageW(Handle(), TCM_DELETEALLITEMS, 0, 0);
  int index = 0;
  for (const auto& page : pages_) {
    if (!page->tabVisible_) continue;
    std::wstring caption = Widen(page->caption_);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
  }
  if (active_) SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(active_->TabIndex()), 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

RECT PageControl::PageArea() const {
  RECT area;
  GetClientRect(Handle(), &area);
  SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  OffsetRect(&area, Left(), Top());
  return area;
}

RECT PageControl::TabRect(int tabIndex) const {
  RECT r{};
  SendMessageW(Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(tabIndex), reinterpret_cast<LPARAM>(&r));
  return r;
}

void PageControl::StayBehind() {
  SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT PageControl::HandleNotify(NMHDR* header) {
  if (header->code != TCN_SELCHANGE) return 0;
  TabSheet* chosen = PageOfTab(static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0)));
  if (!chosen || !chosen->enabled_) {
    // Back to the tab of the page still shown.
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(active_ ? active_->TabIndex() : -1), 0);
    return 0;
  }
  ChooseByUser(chosen);
  return 0;
}

void PageControl::DrawTabs(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  CallDefault(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
}

HBRUSH PageControl::BackdropBrush() {
  RECT client;
  GetClientRect(Handle(), &client);
  if (brush_ && brushSize_.cx == client.right && brushSize_.cy == client.bottom) return brush_;
  ForgetBrush();
  if (client.right <= 0 || client.bottom <= 0) return nullptr;
  HDC screen = GetDC(Handle());
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  DrawTabs(memory, client);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(Handle(), screen);
  brush_ = CreatePatternBrush(bitmap);
  DeleteObject(bitmap);  // the brush keeps its own copy
  brushSize_ = SIZE{client.right, client.bottom};
  return brush_;
}

void PageControl::ForgetBrush() {
  if (brush_) DeleteObject(brush_);
  brush_ = nullptr;
}

bool PageControl::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
      ForgetBrush();
      return false;
    case WM_ERASEBKGND:
      result = 1;  // the whole control is drawn in WM_PAINT
      return true;
    case WM_PAINT: {
      if (wp) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT client;
      GetClientRect(Handle(), &client);
      // Drawn off screen, then shown at once: the tab control, then the
      // form's labels and frames that lie on it.
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
      HGDIOBJ old = SelectObject(memory, bitmap);
      DrawTabs(memory, client);
      POINT origin;
      SetViewportOrgEx(memory, -Left(), -Top(), &origin);
      RECT area = ps.rcPaint;
      OffsetRect(&area, Left(), Top());
      owner_->PaintGraphics(memory, area);
      SetViewportOrgEx(memory, origin.x, origin.y, nullptr);
      BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      EndPaint(Handle(), &ps);
      result = 0;
      return true;
    }
  }
  return false;
}

}  // namespace framework
