#include "framework/gui/forms.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/dpi.h"
#include "framework/gui/resources.h"

namespace framework {

namespace {

constexpr wchar_t kControlProp[] = L"Kaleidon.Control";

DWORD FormWindowStyle(const FormStyle& s) {
  DWORD style = WS_CLIPCHILDREN;
  switch (s.border) {
    case BorderStyle::None: style |= WS_POPUP; break;
    case BorderStyle::Sizeable: style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; break;
    default: style |= WS_OVERLAPPED | WS_CAPTION; break;
  }
  if (s.border != BorderStyle::None) {
    if (s.systemMenu) style |= WS_SYSMENU;
    if (s.minimizeBox && s.border != BorderStyle::Dialog) style |= WS_MINIMIZEBOX;
    if (s.maximizeBox && s.border != BorderStyle::Dialog) style |= WS_MAXIMIZEBOX;
  }
  return style;
}

DWORD FormExStyle(const FormStyle& s) {
  DWORD ex = WS_EX_CONTROLPARENT;
  if (s.topMost) ex |= WS_EX_TOPMOST;
  if (s.border == BorderStyle::Dialog) ex |= WS_EX_DLGMODALFRAME;
  if (s.border == BorderStyle::ToolWindow) ex |= WS_EX_TOOLWINDOW;
  return ex;
}

void RegisterFormClass(const std::wstring& name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, name.c_str(), &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = ProgramIcon(IconSize::Big);
  wc.hIconSm = ProgramIcon(IconSize::Small);
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc)) throw Exception("cannot register the window class " + Narrow(name));
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

// ---- Control ---------------------------------------------------------------

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
    RemovePropW(handle_, kControlProp);
    DestroyWindow(handle_);
  }
}

void WinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle) {
  static int nextId = 1000;
  font_ = owner_->GetFont();
  handle_ = CreateWindowExW(exStyle, className, Widen(text_).c_str(),
                            WS_CHILD | style | (Showing() ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED),
                            bounds_.left, bounds_.top, Width(), Height(), owner_->Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), GetModuleHandleW(nullptr),
                            nullptr);
  if (!handle_) throw Exception("cannot create a control of class " + Narrow(className));
  SetPropW(handle_, kControlProp, this);
  defaultProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::SubclassProc)));
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontObject()), FALSE);
}

WinControl* WinControl::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<WinControl*>(GetPropW(hwnd, kControlProp)) : nullptr;
}

LRESULT CALLBACK WinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WinControl* self = FromHandle(hwnd);
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
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
  if (toolTip_ && (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_RBUTTONDOWN ||
                   msg == WM_RBUTTONUP || msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP)) {
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

void WinControl::SetHint(const std::string& hint) {
  hint_ = hint;
  if (!toolTip_) return CreateToolTip();
  std::wstring text = Widen(hint_);
  TOOLINFOW tool = ToolInfo(owner_->Handle(), handle_, text);
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void WinControl::SetShowHint(bool on) {
  showHint_ = on;
  CreateToolTip();
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
  if (handle_) InvalidateRect(handle_, &area, TRUE);
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

// ---- Form -------------------------------------------------------------------------

Form::Form(const FormStyle& style, HWND owner) : style_(style) {
  Application::Instance().Initialize();
  std::wstring className = Widen(style_.className);
  RegisterFormClass(className, &Form::WindowProc);
  DWORD ws = FormWindowStyle(style_);
  DWORD ex = FormExStyle(style_);
  // Made first and sized after, for the DPI of the monitor it is made on.
  handle_ = CreateWindowExW(ex, className.c_str(), Widen(style_.caption).c_str(), ws, CW_USEDEFAULT, CW_USEDEFAULT,
                            0, 0,
                            owner ? owner : (style_.ownedByApplication ? Application::Instance().Handle() : nullptr),
                            nullptr, GetModuleHandleW(nullptr), this);
  if (!handle_) throw Exception("cannot create the window " + style_.className);
  dpi_ = WindowDpi(handle_);
  SetIcons();
  SetClientSize(Scale(style_.clientWidth), Scale(style_.clientHeight));
  if (style_.position == Position::ScreenCenter) CenterOnScreen();
}

Form::~Form() {
  backdrops_.clear();
  controls_.clear();
  if (handle_) {
    RemovePropW(handle_, kFormProperty);
    DestroyWindow(handle_);
  }
}

Form* Form::FromHandle(HWND hwnd) { return hwnd ? static_cast<Form*>(GetPropW(hwnd, kFormProperty)) : nullptr; }

std::string Form::Caption() const {
  wchar_t buffer[512];
  int n = GetWindowTextW(handle_, buffer, 512);
  return Narrow(std::wstring_view(buffer, static_cast<size_t>(n)));
}

void Form::SetCaption(const std::string& caption) { SetWindowTextW(handle_, Widen(caption).c_str()); }

int Form::Scale(int value) const { return ScaleToDpi(value, dpi_); }

void Form::ChangeDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int old = dpi_;
  const SIZE client = ClientSize();
  dpi_ = dpi;
  for (const auto& c : controls_) c->ChangeScale(dpi, old);
  SetIcons();
  if (suggested) {
    SetWindowPos(handle_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetClientSize(MulDiv(client.cx, dpi, old), MulDiv(client.cy, dpi, old));
  }
  InvalidateRect(handle_, nullptr, TRUE);
}

void Form::SetIcons() {
  // The class icons are at the system's DPI; the window's own follow its monitor.
  SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon(IconSize::Small, dpi_)));
  SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon(IconSize::Big, dpi_)));
}

void Form::SetClientSize(int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRectForDpi(r, static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE)),
                         static_cast<DWORD>(GetWindowLongW(handle_, GWL_EXSTYLE)), dpi_);
  SetWindowPos(handle_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Form::ClientSize() const {
  RECT r;
  GetClientRect(handle_, &r);
  return SIZE{r.right, r.bottom};
}

void Form::CenterOnScreen() {
  RECT r;
  GetWindowRect(handle_, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::Visible() const { return IsWindowVisible(handle_) != FALSE; }

void Form::Show() {
  bool wasVisible = Visible();
  ShowWindow(handle_, SW_SHOW);
  if (!wasVisible && OnShow) Application::Instance().Dispatch(OnShow);
}

void Form::Hide() { ShowWindow(handle_, SW_HIDE); }

void Form::BringToFront() {
  if (IsIconic(handle_)) ShowWindow(handle_, SW_RESTORE);
  SetForegroundWindow(handle_);
  BringWindowToTop(handle_);
}

int Form::ShowModal() {
  Application& app = Application::Instance();
  std::vector<HWND> disabled = EnabledThreadWindows(true);
  std::erase(disabled, handle_);
  for (HWND h : disabled) EnableWindow(h, FALSE);
  modal_ = true;
  modalResult_ = 0;
  Show();
  SetForegroundWindow(handle_);
  MSG msg;
  while (modalResult_ == 0 && !app.Terminated()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!Application::HandleDialogKeys(handle_, msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  for (HWND h : disabled) EnableWindow(h, TRUE);
  modal_ = false;
  Hide();
  int result = modalResult_ ? modalResult_ : IDCANCEL;
  modalResult_ = 0;
  return result;
}

void Form::Close() {
  bool canClose = true;
  if (OnCloseQuery) {
    try {
      OnCloseQuery(canClose);
    } catch (const std::exception& e) {
      Application::Instance().ShowException(e);
      return;
    }
  }
  if (!canClose) return;
  CloseAction action = CloseAction::Hide;
  if (OnClose) Application::Instance().Dispatch([&] { OnClose(action); });
  if (action == CloseAction::None) return;
  if (modal_) {
    if (modalResult_ == 0) modalResult_ = IDCANCEL;
    return;
  }
  Hide();
  if (Application::Instance().MainForm() == this) Application::Instance().Terminate();
}

void Form::Repaint() {
  InvalidateRect(handle_, nullptr, TRUE);
  UpdateWindow(handle_);
}

GraphicControl* Form::GraphicAt(POINT p) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* g = dynamic_cast<GraphicControl*>(it->get());
    if (g && !g->Container() && g->Enabled() && g->HitTest(p)) return g;
  }
  return nullptr;
}

void Form::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  PaintGraphics(dc, ps.rcPaint);
  EndPaint(handle_, &ps);
}

void Form::PaintGraphics(HDC dc, const RECT& area) {
  for (const auto& c : controls_) {
    auto* g = dynamic_cast<GraphicControl*>(c.get());
    RECT b = c->Bounds(), overlap;
    if (g && !g->Container() && g->Showing() && IntersectRect(&overlap, &b, &area)) {
      int saved = SaveDC(dc);
      g->Paint(dc);
      RestoreDC(dc, saved);
    }
  }
}

void Form::AddBackdrop(WinControl* backdrop) {
  if (std::find(backdrops_.begin(), backdrops_.end(), backdrop) == backdrops_.end()) backdrops_.push_back(backdrop);
}

WinControl* Form::BackdropUnder(const Control& control) const {
  for (WinControl* backdrop : backdrops_) {
    RECT b = backdrop->Bounds(), c = control.Bounds(), overlap;
    if (backdrop != &control && IntersectRect(&overlap, &b, &c) && EqualRect(&overlap, &c)) return backdrop;
  }
  return nullptr;
}

void Form::InvalidateArea(const RECT& area) {
  InvalidateRect(handle_, &area, TRUE);
  for (WinControl* backdrop : backdrops_) {
    RECT b = backdrop->Bounds(), overlap;
    if (!backdrop->Handle() || !IntersectRect(&overlap, &b, &area)) continue;
    OffsetRect(&overlap, -b.left, -b.top);
    InvalidateRect(backdrop->Handle(), &overlap, TRUE);
  }
}

// ---- Keyboard ------------------------------------------------------------------------

std::vector<WinControl*> Form::TabStops() const {
  std::vector<WinControl*> stops;
  for (const auto& c : controls_) {
    auto* w = dynamic_cast<WinControl*>(c.get());
    if (w && w->Handle() && IsWindowVisible(w->Handle()) && IsWindowEnabled(w->Handle()) &&
        (GetWindowLongW(w->Handle(), GWL_STYLE) & WS_TABSTOP))
      stops.push_back(w);
  }
  return stops;
}

WinControl* Form::FocusedControl() const {
  HWND focus = GetFocus();
  if (!focus || focus == handle_ || !IsChild(handle_, focus)) return nullptr;
  for (const auto& c : controls_) {
    auto* w = dynamic_cast<WinControl*>(c.get());
    if (w && w->Handle() && (w->Handle() == focus || IsChild(w->Handle(), focus))) return w;
  }
  return nullptr;
}

void Form::FocusControl(WinControl* control) {
  if (!control || !control->Handle()) return;
  HWND window = control->Handle();
  ::SetFocus(window);
  // A one-line edit's text is selected, to be typed over; a longer text
  // keeps its place rather than scroll to its end.
  if ((SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) && !(GetWindowLongW(window, GWL_STYLE) & ES_MULTILINE))
    SendMessageW(window, EM_SETSEL, 0, -1);
}

void Form::FocusNext(bool backward) {
  const std::vector<WinControl*> stops = TabStops();
  if (stops.empty()) return;
  const size_t n = stops.size();
  auto current = std::find(stops.begin(), stops.end(), FocusedControl());
  size_t next = backward ? n - 1 : 0;
  if (current != stops.end()) next = (static_cast<size_t>(current - stops.begin()) + (backward ? n - 1 : 1)) % n;
  FocusControl(stops[next]);
}

void Form::RestoreFocus() {
  if (lastFocus_ && IsChild(handle_, lastFocus_) && IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)) {
    ::SetFocus(lastFocus_);
    return;
  }
  const std::vector<WinControl*> stops = TabStops();
  if (!stops.empty()) FocusControl(stops.front());
}

bool Form::PreviewKey(const MSG& key) {
  for (const auto& c : controls_) {
    auto* w = dynamic_cast<WinControl*>(c.get());
    if (w && w->Showing() && w->HandleFormKey(key)) return true;
  }
  if (key.message != WM_KEYDOWN || key.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
    return false;
  // A control that types tabs keeps them.
  MSG asked = key;
  if (SendMessageW(key.hwnd, WM_GETDLGCODE, key.wParam, reinterpret_cast<LPARAM>(&asked)) & DLGC_WANTTAB) return false;
  FocusNext(GetKeyState(VK_SHIFT) < 0);
  return true;
}

// ---- Assistive technology ---------------------------------------------------------------

std::vector<const Control*> Form::AccessibleControls() const {
  std::vector<const Control*> shown;
  for (const auto& c : controls_) {
    if (!c->Showing()) continue;
    if (auto* w = dynamic_cast<const WinControl*>(c.get())) {
      if (w->Handle()) shown.push_back(c.get());
    } else if (auto* g = dynamic_cast<const GraphicControl*>(c.get())) {
      if (!g->Container() && g->AccessibleOnForm().role) shown.push_back(c.get());
    }
  }
  return shown;
}

AccessibleElement Form::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement e;
  if (path.empty()) {
    e.name = Caption();
    return e;
  }
  const std::vector<const Control*> shown = AccessibleControls();
  if (path.size() != 1 || path[0] < 0 || path[0] >= static_cast<int>(shown.size())) return e;
  const Control* c = shown[static_cast<size_t>(path[0])];
  e = c->AccessibleOnForm();
  e.bounds = c->Bounds();
  if (!e.window && !c->Enabled()) e.state |= STATE_SYSTEM_UNAVAILABLE;
  return e;
}

int Form::AccessibleCount(const AccessiblePath& path) const {
  return path.empty() ? static_cast<int>(AccessibleControls().size()) : 0;
}

int Form::AccessibleAt(const AccessiblePath& path, POINT client) const {
  if (!path.empty()) return -1;
  const std::vector<const Control*> shown = AccessibleControls();
  // What lies on top: the later in layout order, a window over a label.
  int found = -1;
  for (size_t i = 0; i < shown.size(); ++i) {
    RECT b = shown[i]->Bounds();
    if (!PtInRect(&b, client)) continue;
    if (found < 0 || shown[i]->AccessibleOnForm().window || !shown[static_cast<size_t>(found)]->AccessibleOnForm().window)
      found = static_cast<int>(i);
  }
  return found;
}

bool Form::ActivateAccessible(const AccessiblePath& path) {
  const std::vector<const Control*> shown = AccessibleControls();
  if (path.size() != 1 || path[0] < 0 || path[0] >= static_cast<int>(shown.size())) return false;
  for (const auto& c : controls_) {
    auto* g = dynamic_cast<GraphicControl*>(c.get());
    if (g == shown[static_cast<size_t>(path[0])] && g->Enabled() && g->OnClick) {
      g->Fire(g->OnClick);
      return true;
    }
  }
  return false;
}

void Form::AnnounceTextChange(const Control& control) {
  if (!handle_) return;
  const std::vector<const Control*> shown = AccessibleControls();
  auto it = std::find(shown.begin(), shown.end(), &control);
  if (it != shown.end()) AnnounceAccessible(EVENT_OBJECT_NAMECHANGE, handle_, static_cast<int>(it - shown.begin()));
}

LRESULT Form::DefaultMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(handle_, msg, wp, lp); }

LRESULT Form::WindowMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SIZE:
      if (OnResize) Application::Instance().Dispatch(OnResize);
      break;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_GETOBJECT:
      if (LRESULT object = AnswerGetObject(handle_, *this, wp, lp)) return object;
      break;
    case kFormKeyMessage:
      return PreviewKey(*reinterpret_cast<const MSG*>(lp));
    case WM_NEXTDLGCTL:
      if (LOWORD(lp)) {
        if (WinControl* c = WinControl::FromHandle(reinterpret_cast<HWND>(wp))) FocusControl(c);
      } else {
        FocusNext(wp != 0);
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(handle_, focus)) lastFocus_ = focus;
      } else if (!HIWORD(wp)) {
        RestoreFocus();
        if (FocusedControl()) return 0;
      }
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_SYSCOLORCHANGE:
      // The common controls take the new colours from their parent.
      for (const auto& c : controls_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && w->Handle()) SendMessageW(w->Handle(), msg, wp, lp);
      RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return 0;
    case WM_SETTINGCHANGE:
      if (wp == SPI_SETHIGHCONTRAST) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      break;
    case WM_LBUTTONDOWN: {
      POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      pressed_ = GraphicAt(p);
      if (pressed_ && !pressed_->Enabled()) pressed_ = nullptr;
      if (pressed_) SetCapture(handle_);
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      GraphicControl* target = pressed_;
      pressed_ = nullptr;
      if (GetCapture() == handle_) ReleaseCapture();
      if (target && target->HitTest(p)) target->Fire(target->OnClick);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      GraphicControl* target = GraphicAt(p);
      if (target && target->Enabled()) target->Fire(target->OnDblClick);
      return 0;
    }
    case WM_COMMAND:
      if (WinControl* c = WinControl::FromHandle(reinterpret_cast<HWND>(lp))) {
        c->HandleCommand(HIWORD(wp));
        return 0;
      }
      // Escape in a modal window closes it, as in any dialog.
      if (lp == 0 && LOWORD(wp) == IDCANCEL && modal_) {
        Close();
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (WinControl* c = WinControl::FromHandle(header->hwndFrom)) return c->HandleNotify(header);
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (WinControl* c = WinControl::FromHandle(item->hwndItem); c && c->HandleDrawItem(item)) return TRUE;
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (WinControl* c = WinControl::FromHandle(GetDlgItem(handle_, static_cast<int>(item->CtlID)));
          c && c->HandleMeasureItem(item))
        return TRUE;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wp);
      LRESULT brush;
      WinControl* control = WinControl::FromHandle(reinterpret_cast<HWND>(lp));
      WinControl* backdrop = control && control->SeeThrough() ? BackdropUnder(*control) : nullptr;
      if (HBRUSH pattern = backdrop ? backdrop->BackdropBrush() : nullptr) {
        // What the backdrop shows at the control's place.
        SetBkMode(dc, TRANSPARENT);
        SetBrushOrgEx(dc, backdrop->Left() - control->Left(), backdrop->Top() - control->Top(), nullptr);
        brush = reinterpret_cast<LRESULT>(pattern);
      } else if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
        // Check boxes and read-only edits sit on the window's face colour.
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        brush = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      } else {
        brush = DefaultMessage(msg, wp, lp);
      }
      if (control && control->TextColor() != CLR_INVALID) {
        SetTextColor(dc, control->TextColor());
      } else if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
        // Text on the face in the face's text colour, whatever the scheme.
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      }
      return brush;
    }
    case WM_SYSCOMMAND:
      if (OnSysCommand) {
        bool handled = false;
        Application::Instance().Dispatch([&] { handled = OnSysCommand(wp & 0xFFF0); });
        if (handled) return 0;
      }
      break;
  }
  return DefaultMessage(msg, wp, lp);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* form = static_cast<Form*>(create->lpCreateParams);
    form->handle_ = hwnd;
    SetPropW(hwnd, kFormProperty, form);
  }
  Form* form = FromHandle(hwnd);
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  return AnswerSafely([&] { return form->WindowMessage(msg, wp, lp); },
                      [&] { return DefWindowProcW(hwnd, msg, wp, lp); });
}

}  // namespace framework
