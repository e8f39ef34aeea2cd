#include "framework/gui/forms.h"

#include <commctrl.h>
#include <oleacc.h>

#include <map>
#include <tuple>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/dpi.h"

// The controls a form holds: the windowless ones it draws itself, and
// those with a window of their own, subclassed so that their messages come
// to the control first. The form is in forms.cpp.

namespace framework {

namespace {

WindowObjects<WinControl>& ControlWindows() {
  static WindowObjects<WinControl> controls;
  return controls;
}

// A tool tip's entry for a control of the form, showing text.
TOOLINFOW ToolInfo(HWND form, HWND control, std::wstring& text) {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = form;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text.data();
  return tool;
}

}  // namespace

HFONT FontHandle(const Font& font, int dpi) {
  static std::map<std::tuple<std::string, int, bool>, HFONT> cache;
  const int height = ScaleToDpi(font.height, dpi);
  auto key = std::make_tuple(font.face, height, font.bold);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  HFONT h = CreateFontW(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, Widen(font.face).c_str());
  cache[key] = h;
  return h;
}

HDC MeasuringDc() {
  struct Kept {
    HDC dc = CreateCompatibleDC(nullptr);
    ~Kept() { DeleteDC(dc); }
  };
  thread_local Kept kept;
  return kept.dc;
}

// ---- Control ---------------------------------------------------------------

void Control::SetDefaultSize(int width, int height, bool scaled) {
  if (scaled) {
    width = Scale(width);
    height = Scale(height);
  }
  const ControlPlacement* placed = owner_ ? owner_->NextPlacement() : nullptr;
  if (!placed) {
    bounds_ = RECT{0, 0, width, height};
    return;
  }
  const RECT& at = placed->bounds;
  bounds_ = RECT{at.left, at.top, at.left + (at.right > at.left ? at.right - at.left : width),
                 at.top + (at.bottom > at.top ? at.bottom - at.top : height)};
}

void Control::SetBounds(int left, int top, int width, int height) {
  bounds_ = RECT{left, top, left + width, top + height};
}
void Control::SetEnabled(bool enabled) { enabled_ = enabled; }
void Control::SetVisible(bool visible) { visible_ = visible; }
void Control::SetConcealed(bool concealed) { concealed_ = concealed; }
void Control::SetFont(const Font& font) { font_ = font; }
HFONT Control::FontObject() const { return FontHandle(font_, Dpi()); }
int Control::Dpi() const { return owner_ ? owner_->Dpi() : kDesignDpi; }
int Control::Scale(int value) const { return ScaleToDpi(value, Dpi()); }

void Control::ChangeScale(int newDpi, int oldDpi) {
  // Each edge is scaled, so controls that touched still touch.
  auto scale = [&](LONG v) { return MulDiv(v, newDpi, oldDpi); };
  RECT b = bounds_;
  SetBounds(scale(b.left), scale(b.top), scale(b.right) - scale(b.left), scale(b.bottom) - scale(b.top));
  SetFont(font_);
}
void Control::SetText(const std::string& text) { text_ = text; }

void Control::Fire(const Event& event) {
  if (event) Application::Instance().Dispatch(event);
}

// ---- WinControl -------------------------------------------------------------

WinControl::~WinControl() {
  if (toolTip_) DestroyWindow(toolTip_);
  if (handle_) {
    // The system control's own procedure must see its teardown messages, or
    // it leaks what it allocated (and a combo box its drop-down list).
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
    ControlWindows().Remove(handle_);
    DestroyWindow(handle_);
  }
}

void WinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle) {
  static int nextId = 1000;
  font_ = owner_->GetFont();
  // Made where its layout row puts it, as it is to show.
  if (const ControlPlacement* placed = owner_->NextPlacement()) {
    if (placed->text && *placed->text) text_ = placed->text;
    if (placed->hidden) visible_ = false;
    if (placed->disabled) enabled_ = false;
    owner_->PlaceNextControl(nullptr);
  }
  handle_ = CreateWindowExW(exStyle, className, Widen(text_).c_str(),
                            WS_CHILD | style | (Showing() ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED),
                            bounds_.left, bounds_.top, Width(), Height(), owner_->Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), GetModuleHandleW(nullptr),
                            nullptr);
  if (!handle_) throw Exception("cannot create a control of class " + Narrow(className));
  ControlWindows().Set(handle_, this);
  defaultProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::SubclassProc)));
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontObject()), FALSE);
}

WinControl* WinControl::FromHandle(HWND hwnd) {
  return ControlWindows().Find(hwnd);
}

LRESULT CALLBACK WinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WinControl* self = FromHandle(hwnd);
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) ControlWindows().Remove(hwnd);
  return AnswerSafely([&] { return self->AnswerMessage(msg, wp, lp); },
                      [&] { return self->CallDefault(msg, wp, lp); });
}

LRESULT WinControl::AnswerMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETCURSOR && cursor_ && LOWORD(lp) == HTCLIENT) {
    ::SetCursor(cursor_);
    return TRUE;
  }
  if (msg == WM_GETOBJECT) {
    if (LRESULT object = AnswerGetObject(handle_, *this, wp, lp)) return object;
  }
  if (wantsToolTip_ && (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP ||
                        msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP) &&
      ToolTipHandle()) {
    MSG relay{handle_, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&relay.pt);
    SendMessageW(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
  }
  LRESULT result = 0;
  if (WindowMessage(msg, wp, lp, result)) return result;
  return CallDefault(msg, wp, lp);
}

void WinControl::CreateToolTip() {
  if (toolTip_) return;
  toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner_->Handle(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (!toolTip_) return;
  std::wstring text = Widen(hint_);
  TOOLINFOW tool = ToolInfo(owner_->Handle(), handle_, text);
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(toolTip_, TTM_ACTIVATE, showHint_, 0);
}

HWND WinControl::ToolTipHandle() {
  if (wantsToolTip_) CreateToolTip();
  return toolTip_;
}

void WinControl::SetHint(const std::string& hint) {
  hint_ = hint;
  wantsToolTip_ = true;
  if (!toolTip_) return;  // made with the text of the moment
  std::wstring text = Widen(hint_);
  TOOLINFOW tool = ToolInfo(owner_->Handle(), handle_, text);
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void WinControl::SetShowHint(bool on) {
  showHint_ = on;
  wantsToolTip_ = true;
  if (toolTip_) SendMessageW(toolTip_, TTM_ACTIVATE, on, 0);
}

LRESULT WinControl::CallDefault(UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcW(defaultProc_, handle_, msg, wp, lp);
}

void WinControl::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  if (handle_) MoveWindow(handle_, left, top, width, height, TRUE);
}

void WinControl::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (handle_) EnableWindow(handle_, enabled);
}

void WinControl::SetVisible(bool visible) {
  Control::SetVisible(visible);
  if (handle_) ShowWindow(handle_, Showing() ? SW_SHOWNA : SW_HIDE);
}

void WinControl::SetConcealed(bool concealed) {
  Control::SetConcealed(concealed);
  if (handle_) ShowWindow(handle_, Showing() ? SW_SHOWNA : SW_HIDE);
}

void WinControl::SetFont(const Font& font) {
  Control::SetFont(font);
  if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontObject()), TRUE);
}

std::string WinControl::Text() const {
  int n = GetWindowTextLengthW(handle_);
  std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(handle_, buffer.data(), n + 1);
  buffer.resize(static_cast<size_t>(n));
  return Narrow(buffer);
}

void WinControl::SetText(const std::string& text) {
  Control::SetText(text);
  if (handle_) SetWindowTextW(handle_, Widen(text).c_str());
}

void WinControl::Repaint() {
  if (!handle_) return;
  InvalidateRect(handle_, nullptr, TRUE);
  UpdateWindow(handle_);
}

void WinControl::InvalidateContent(const RECT& area) {
  if (handle_ && IsWindowVisible(handle_)) InvalidateRect(handle_, &area, TRUE);
}

void WinControl::SetFocus() {
  if (handle_) ::SetFocus(handle_);
}

std::string WinControl::AccessibleName() const {
  if (!accessibleName_.empty() || !label_) return accessibleName_;
  return WithoutMnemonic(label_->Text());
}

AccessibleElement WinControl::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self;
  if (path.empty()) {
    self.name = AccessibleName();
    self.description = hint_;
  }
  return self;
}

AccessibleElement WinControl::AccessibleOnForm() const {
  // The window's object stands for the control; what it tells of itself is
  // told here too, for readers that ask the form.
  AccessibleElement element = DescribeAccessible({});
  element.window = handle_;
  if (!element.role) element.role = ROLE_SYSTEM_WINDOW;
  if (!IsWindowEnabled(handle_)) {
    element.state |= STATE_SYSTEM_UNAVAILABLE;
  } else if (GetWindowLongW(handle_, GWL_STYLE) & WS_TABSTOP) {
    element.state |= STATE_SYSTEM_FOCUSABLE;
  }
  HWND focus = GetFocus();
  if (focus && (focus == handle_ || IsChild(handle_, focus))) element.state |= STATE_SYSTEM_FOCUSED;
  return element;
}

// ---- GraphicControl -----------------------------------------------------------

void GraphicControl::Invalidate() {
  if (container_) {
    container_->InvalidateContent(bounds_);
  } else if (owner_ && owner_->Handle()) {
    owner_->InvalidateArea(bounds_);
  }
}

void GraphicControl::Repaint() {
  Invalidate();
  HWND window = container_ ? container_->Handle() : owner_ ? owner_->Handle() : nullptr;
  if (window) UpdateWindow(window);
}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  Control::SetBounds(left, top, width, height);
  Invalidate();
  if (container_) container_->ContentChanged();
}

void GraphicControl::SetContainer(WinControl* container) {
  Invalidate();
  container_ = container;
  Invalidate();
  if (container_) container_->ContentChanged();
}

void GraphicControl::SetVisible(bool visible) {
  Control::SetVisible(visible);
  Invalidate();
}

void GraphicControl::SetConcealed(bool concealed) {
  Control::SetConcealed(concealed);
  Invalidate();
}

void GraphicControl::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  Invalidate();
}

void GraphicControl::SetText(const std::string& text) {
  Control::SetText(text);
  Invalidate();
}

void GraphicControl::SetFont(const Font& font) {
  Control::SetFont(font);
  Invalidate();
}

bool GraphicControl::HitTest(POINT p) const { return Showing() && PtInRect(&bounds_, p); }

}  // namespace framework
