#include "framework/gui/forms.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/dpi.h"
#include "framework/gui/resources.h"

namespace framework {

namespace {

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

// Where a window of that size lies in the middle of the screen.
POINT CentredOnScreen(SIZE size) {
  return POINT{(GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2};
}

}  // namespace


// ---- Form -------------------------------------------------------------------------

Form::Form(const FormStyle& style, HWND owner) : style_(style) {
  Application::Instance().Initialize();
  std::wstring className = Widen(style_.className);
  RegisterFormClass(className, &Form::WindowProc);
  DWORD ws = FormWindowStyle(style_);
  DWORD ex = FormExStyle(style_);
  // Made in its size for the system's DPI, and sized again when the
  // monitor it is made on has another.
  const int systemDpi = SystemDpi();
  dpi_ = systemDpi;
  RECT frame{0, 0, ScaleToDpi(style_.clientWidth, systemDpi), ScaleToDpi(style_.clientHeight, systemDpi)};
  AdjustWindowRectForDpi(frame, ws, ex, systemDpi);
  const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  // Made where it is to be, rather than moved there: each move of a window
  // of the desktop is a round of its own with the window server.
  const bool centred = style_.position == Position::ScreenCenter;
  const POINT at = centred ? CentredOnScreen(size) : POINT{CW_USEDEFAULT, CW_USEDEFAULT};
  handle_ = CreateWindowExW(ex, className.c_str(), Widen(style_.caption).c_str(), ws, at.x, at.y, size.cx, size.cy,
                            owner ? owner : (style_.ownedByApplication ? Application::Instance().Handle() : nullptr),
                            nullptr, GetModuleHandleW(nullptr), this);
  if (!handle_) throw Exception("cannot create the window " + style_.className);
  dpi_ = WindowDpi(handle_);
  // The class's icons are the system DPI's: the window has its own only
  // on a monitor of another (each given to the system costs a conversion
  // for the desktop's window manager).
  if (dpi_ != systemDpi) SetIcons();
  const SIZE client = ClientSize();
  if (client.cx != Scale(style_.clientWidth) || client.cy != Scale(style_.clientHeight)) {
    SetClientSize(Scale(style_.clientWidth), Scale(style_.clientHeight));
    if (centred) CenterOnScreen();
  }
}

Form::~Form() {
  backdrops_.clear();
  controls_.clear();
  if (handle_) {
    FormWindows().Remove(handle_);
    DestroyWindow(handle_);
  }
}

Form* Form::FromHandle(HWND hwnd) { return static_cast<Form*>(FormWindows().Find(hwnd)); }

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
  const POINT at = CentredOnScreen(SIZE{r.right - r.left, r.bottom - r.top});
  SetWindowPos(handle_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
  // A hidden window is painted whole when it shows.
  if (!IsWindowVisible(handle_)) return;
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

// The form's messages in blocks of a kind. Each block answers the messages
// it takes (true, with the result) or lets them go on to the next and
// finally to the default procedure (false), some after acting on them.

bool Form::WindowStateMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_CLOSE:
      Close();
      return true;
    case WM_SIZE:
      if (OnResize) Application::Instance().Dispatch(OnResize);
      return false;
    case WM_GETICON:
      // Without icons of its own the window shows its class's: it says so.
      result = DefaultMessage(msg, wp, lp);
      if (!result && (wp == ICON_SMALL || wp == ICON_BIG || wp == ICON_SMALL2))
        result = reinterpret_cast<LRESULT>(ProgramIcon(wp == ICON_BIG ? IconSize::Big : IconSize::Small, dpi_));
      return true;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return true;
    case WM_GETOBJECT:
      result = AnswerGetObject(handle_, *this, wp, lp);
      return result != 0;
    case WM_SYSCOMMAND:
      if (OnSysCommand) {
        bool handled = false;
        Application::Instance().Dispatch([&] { handled = OnSysCommand(wp & 0xFFF0); });
        return handled;
      }
      return false;
  }
  return false;
}

bool Form::FocusMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case kFormKeyMessage:
      result = PreviewKey(*reinterpret_cast<const MSG*>(lp));
      return true;
    case WM_NEXTDLGCTL:
      if (LOWORD(lp)) {
        if (WinControl* c = WinControl::FromHandle(reinterpret_cast<HWND>(wp))) FocusControl(c);
      } else {
        FocusNext(wp != 0);
      }
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(handle_, focus)) lastFocus_ = focus;
      } else if (!HIWORD(wp)) {
        RestoreFocus();
        return FocusedControl() != nullptr;
      }
      return false;
    case WM_SETFOCUS:
      RestoreFocus();
      return true;
  }
  return false;
}

bool Form::GraphicMouseMessage(UINT msg, LPARAM lp) {
  const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  switch (msg) {
    case WM_LBUTTONDOWN:
      pressed_ = GraphicAt(p);
      if (pressed_ && !pressed_->Enabled()) pressed_ = nullptr;
      if (pressed_) SetCapture(handle_);
      return true;
    case WM_LBUTTONUP: {
      GraphicControl* target = pressed_;
      pressed_ = nullptr;
      if (GetCapture() == handle_) ReleaseCapture();
      if (target && target->HitTest(p)) target->Fire(target->OnClick);
      return true;
    }
    case WM_LBUTTONDBLCLK: {
      GraphicControl* target = GraphicAt(p);
      if (target && target->Enabled()) target->Fire(target->OnDblClick);
      return true;
    }
  }
  return false;
}

bool Form::ChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (WinControl* c = WinControl::FromHandle(reinterpret_cast<HWND>(lp))) {
        c->HandleCommand(HIWORD(wp));
        return true;
      }
      // Escape in a modal window closes it, as in any dialog.
      if (lp == 0 && LOWORD(wp) == IDCANCEL && modal_) {
        Close();
        return true;
      }
      return false;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      WinControl* c = WinControl::FromHandle(header->hwndFrom);
      if (c) result = c->HandleNotify(header);
      return c != nullptr;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      WinControl* c = WinControl::FromHandle(item->hwndItem);
      result = TRUE;
      return c && c->HandleDrawItem(item);
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      WinControl* c = WinControl::FromHandle(GetDlgItem(handle_, static_cast<int>(item->CtlID)));
      result = TRUE;
      return c && c->HandleMeasureItem(item);
    }
  }
  return false;
}

bool Form::ColourMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SYSCOLORCHANGE:
      // The common controls take the new colours from their parent.
      for (const auto& c : controls_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && w->Handle()) SendMessageW(w->Handle(), msg, wp, lp);
      RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return true;
    case WM_SETTINGCHANGE:
      if (wp == SPI_SETHIGHCONTRAST) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      result = ControlColours(msg, reinterpret_cast<HDC>(wp), WinControl::FromHandle(reinterpret_cast<HWND>(lp)), lp);
      return true;
  }
  return false;
}

LRESULT Form::ControlColours(UINT msg, HDC dc, WinControl* control, LPARAM lp) {
  LRESULT brush;
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
    brush = DefaultMessage(msg, reinterpret_cast<WPARAM>(dc), lp);
  }
  if (control && control->TextColor() != CLR_INVALID) {
    SetTextColor(dc, control->TextColor());
  } else if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
    // Text on the face in the face's text colour, whatever the scheme.
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  }
  return brush;
}

LRESULT Form::WindowMessage(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (WindowStateMessage(msg, wp, lp, result) || FocusMessage(msg, wp, lp, result) || GraphicMouseMessage(msg, lp) ||
      ChildMessage(msg, wp, lp, result) || ColourMessage(msg, wp, lp, result))
    return result;
  return DefaultMessage(msg, wp, lp);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* form = static_cast<Form*>(create->lpCreateParams);
    form->handle_ = hwnd;
    FormWindows().Set(hwnd, form);
  }
  Form* form = FromHandle(hwnd);
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) FormWindows().Remove(hwnd);
  return AnswerSafely([&] { return form->WindowMessage(msg, wp, lp); },
                      [&] { return DefWindowProcW(hwnd, msg, wp, lp); });
}

}  // namespace framework
