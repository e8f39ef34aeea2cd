#pragma once
// Forms and the control base classes. A form is a real top-level window,
// created hidden; its controls are created from a layout table (see
// layout.h). Windowed controls are child windows; graphic controls (labels,
// images) have no window of their own and are painted and hit-tested by the
// form, so they can be transparent over whatever lies behind them.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/exception.h"
#include "framework/gui/accessibility.h"
#include "framework/gui/application.h"

namespace framework {

class Form;

using Event = std::function<void()>;

struct Font {
  std::string face = "ＭＳ Ｐゴシック";
  int height = 12;  // character height in pixels at 96 DPI
  bool bold = false;
  COLORREF color = RGB(0, 0, 0);
  bool operator==(const Font&) const = default;
};

// GDI font objects shared by every control with the same face, size and
// weight, made for a window at dpi.
HFONT FontHandle(const Font& font, int dpi);
// A device context for measuring text at the screen's resolution, one for
// each thread and kept: a window's own costs two round trips to the window
// server under Wine.
HDC MeasuringDc();

// What every control has: a name, bounds in its form's client area (in the
// form's pixels),
// enabled/visible state, a font, and a form that owns it.
class Control {
 public:
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Form* Owner() const { return owner_; }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  RECT Bounds() const { return bounds_; }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // Whether the control is on screen: visible, and not put away with the
  // page of a page control that holds it.
  bool Showing() const { return visible_ && !concealed_; }
  // A page puts its controls away and brings them back without touching
  // their own Visible.
  virtual void SetConcealed(bool concealed);
  const Font& GetFont() const { return font_; }
  virtual void SetFont(const Font& font);
  // The font object for the form's DPI.
  HFONT FontObject() const;

  // The form's DPI, and a length at 96 DPI in the form's pixels.
  int Dpi() const;
  int Scale(int value) const;
  // The form moved to a monitor of another DPI: bounds and font follow.
  virtual void ChangeScale(int newDpi, int oldDpi);

  // The caption or text. Setting it fires no event unless the control says so.
  virtual std::string Text() const { return text_; }
  virtual void SetText(const std::string& text);

  virtual void Repaint() = 0;
  // The cursor shown over the control (null: the arrow).
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
  HCURSOR Cursor() const { return cursor_; }

  Event OnClick;
  Event OnDblClick;

  // Runs an event through the application's dispatcher.
  void Fire(const Event& event);

  // The control as an element of its form's accessible object (see
  // accessibility.h): a label's text, a windowed control's window. Role 0
  // and no window: readers do not see it on the form.
  virtual AccessibleElement AccessibleOnForm() const { return {}; }

 protected:
  Control(Form* owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  // The size a control has when its layout row gives none, at 96 DPI (or
  // in the form's pixels at any DPI, unscaled); a control made for a layout
  // row takes the row's place and size here already (ControlPlacement).
  void SetDefaultSize(int width, int height, bool scaled = true);

  Form* owner_;
  std::string name_;
  RECT bounds_{};
  bool enabled_ = true;
  bool visible_ = true;
  bool concealed_ = false;
  Font font_;
  std::string text_;
  HCURSOR cursor_ = nullptr;
};

// A control with a child window of a system class. Its window answers
// assistive technology with the control's own accessible object.
class WinControl : public Control, public AccessibleSource {
 public:
  ~WinControl() override;
  HWND Handle() const { return handle_; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  void SetVisible(bool visible) override;
  void SetConcealed(bool concealed) override;
  void SetFont(const Font& font) override;
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void Repaint() override;
  void SetFocus();

  // The tool tip over the control: its text, shown while ShowHint is on.
  // Its window is made when the mouse first comes over the control (or
  // when its handle is asked for).
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  HWND ToolTipHandle();

  // Graphic controls that lie inside this control (see
  // GraphicControl::Container) ask it to paint a part of them again, and tell
  // it when one has moved or changed its size. Rectangles are in the
  // control's content coordinates.
  virtual void InvalidateContent(const RECT& area);
  virtual void ContentChanged() {}

  // Notifications the form passes on: WM_COMMAND codes and WM_NOTIFY.
  virtual void HandleCommand(int code) {}
  virtual LRESULT HandleNotify(NMHDR* header) { return 0; }
  // WM_DRAWITEM / WM_MEASUREITEM for owner-drawn controls.
  virtual bool HandleDrawItem(DRAWITEMSTRUCT* item) { return false; }
  virtual bool HandleMeasureItem(MEASUREITEMSTRUCT* item) { return false; }
  // Background colour for WM_CTLCOLOR*; CLR_INVALID leaves the default.
  virtual COLORREF TextColor() const { return CLR_INVALID; }
  // Whether the control lets what lies under it show around its face (a
  // check box's text, a button's corners) rather than the window's colour.
  virtual bool SeeThrough() const { return false; }
  // For a window under other controls (see Form::AddBackdrop): a pattern
  // brush of what it shows, aligned with its client area; null for none.
  virtual HBRUSH BackdropBrush() { return nullptr; }

  // Keys the control takes wherever the focus is on its form (a page
  // control's Ctrl+Tab); true when it took the key.
  virtual bool HandleFormKey(const MSG& key) { return false; }

  // What assistive technology calls the control: the name given here, else
  // the text of the label that names it (see kNamesNext in layout.h).
  std::string AccessibleName() const;
  void SetAccessibleName(const std::string& name) { accessibleName_ = name; }
  void SetLabel(const Control* label) { label_ = label; }
  // The control itself: its name, its hint as the description. Controls with
  // elements (lists, grids, tabs) describe those too.
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  AccessibleElement AccessibleOnForm() const override;

  static WinControl* FromHandle(HWND hwnd);

 protected:
  WinControl(Form* owner, std::string name) : Control(owner, std::move(name)) {}
  // Creates the child window; call from the derived constructor.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle = 0);
  // Subclassing: messages of the control's own window come here first.
  virtual bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return false; }
  LRESULT CallDefault(UINT msg, WPARAM wp, LPARAM lp);
  // Gives the control a tool tip even before it has a hint.
  void WantToolTip() { wantsToolTip_ = true; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT AnswerMessage(UINT msg, WPARAM wp, LPARAM lp);
  HWND handle_ = nullptr;
  WNDPROC defaultProc_ = nullptr;
  void CreateToolTip();
  HWND toolTip_ = nullptr;
  bool wantsToolTip_ = false;
  std::string hint_;
  bool showHint_ = false;
  std::string accessibleName_;
  const Control* label_ = nullptr;
};

// A control without a window, drawn by its form.
class GraphicControl : public Control {
 public:
  void Repaint() override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetConcealed(bool concealed) override;
  void SetEnabled(bool enabled) override;
  void SetText(const std::string& text) override;
  void SetFont(const Font& font) override;
  virtual void Paint(HDC dc) = 0;
  // Whether a point of the client area hits this control.
  virtual bool HitTest(POINT p) const;
  void Invalidate();

  // The windowed control the graphic lies in (a scroll box), null when it
  // lies on the form. That control paints it and hands it its clicks, and
  // its bounds are in that control's content coordinates.
  WinControl* Container() const { return container_; }
  void SetContainer(WinControl* container);

 protected:
  GraphicControl(Form* owner, std::string name) : Control(owner, std::move(name)) {}

 private:
  WinControl* container_ = nullptr;
};

enum class CloseAction { None, Hide, Free };
enum class BorderStyle { Sizeable, Single, Dialog, None, ToolWindow };
enum class Position { Designed, ScreenCenter };

struct FormStyle {
  std::string className;    // window class of the form
  std::string caption;
  int clientWidth = 0, clientHeight = 0;  // at 96 DPI
  BorderStyle border = BorderStyle::Single;
  bool systemMenu = true, minimizeBox = true, maximizeBox = false;
  bool topMost = false;
  Position position = Position::ScreenCenter;
  Font font;
  // Owned by the application window (no taskbar button of its own) unless a
  // form says otherwise.
  bool ownedByApplication = true;

  // A fixed-size window with the system menu only, centred on the screen.
  static FormStyle FixedDialog(std::string className, std::string caption, int clientWidth, int clientHeight) {
    FormStyle s;
    s.className = std::move(className);
    s.caption = std::move(caption);
    s.clientWidth = clientWidth;
    s.clientHeight = clientHeight;
    s.minimizeBox = false;
    return s;
  }
};

// Where the next control made on a form goes, as its layout row says, in
// the form's pixels: its window is made there, with its caption and state,
// instead of being moved, named and switched after it is made.
struct ControlPlacement {
  RECT bounds;       // a width or height of 0: the control's own default
  const char* text;  // empty: none
  bool hidden;
  bool disabled;
};

// Sizes and positions of a form and its controls are in the window's pixels;
// the form's style and its layout table are at 96 DPI, and Scale turns such a
// length into the window's pixels.
// Its accessible object's elements are its controls in layout order: the
// labels and frames by their text, the windowed controls by their windows.
class Form : public MainWindow, public AccessibleSource {
 public:
  Form(const FormStyle& style, HWND owner = nullptr);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const override { return handle_; }
  const std::string& ClassName() const { return style_.className; }
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  const Font& GetFont() const { return style_.font; }

  void SetClientSize(int width, int height);
  SIZE ClientSize() const;
  // The DPI of the monitor the window is on.
  int Dpi() const { return dpi_; }
  int Scale(int value) const;
  // Lays the window out again for another DPI (WM_DPICHANGED): the
  // controls' bounds and fonts, the icons, and the window's size, or the
  // window rectangle the system suggests.
  void ChangeDpi(int dpi, const RECT* suggested = nullptr);
  void CenterOnScreen();

  bool Visible() const override;
  void Show() override;
  void Hide();
  void BringToFront();
  // Shows the form and runs a message loop until it is closed or
  // ModalResult is set; other windows of the program are disabled meanwhile.
  int ShowModal();
  bool IsModal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // Asks OnCloseQuery, then closes: hides the form (or ends a modal loop);
  // the application's main form ends the program.
  void Close() override;
  void Repaint();

  // Children.
  template <class T, class... Args>
  T* Add(Args&&... args) {
    auto control = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = control.get();
    controls_.push_back(std::move(control));
    return raw;
  }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

  // Graphic controls are drawn by the form. Where a child window lies under
  // them (a page control), it draws them over itself: it registers as a
  // backdrop, so it is repainted with them, and calls PaintGraphics with
  // its device context moved to the form's client coordinates.
  void AddBackdrop(WinControl* backdrop);
  void PaintGraphics(HDC dc, const RECT& area);
  // The backdrop under a control; null when it lies on the bare form.
  WinControl* BackdropUnder(const Control& control) const;
  // Repaints the part of the client area (client coordinates), the
  // backdrops under it included.
  void InvalidateArea(const RECT& area);

  // Events.
  Event OnCreate;   // the form's own handlers call these; forms set them
  Event OnShow;
  std::function<void(bool& canClose)> OnCloseQuery;
  std::function<void(CloseAction& action)> OnClose;
  // The client area changed its size.
  Event OnResize;
  // The form's WM_SYSCOMMAND; return true when handled.
  std::function<bool(WPARAM command)> OnSysCommand;

  static Form* FromHandle(HWND hwnd);

  // The place of the next control made (null: none). The control's window
  // takes it when it is made, which clears it.
  void PlaceNextControl(const ControlPlacement* placement) { nextPlacement_ = placement; }
  const ControlPlacement* NextPlacement() const { return nextPlacement_; }

  // The keyboard. Tab and Shift+Tab go through the controls in layout
  // order (a page's controls after their page control, whatever the order
  // of the windows), the focus a window had comes back when it is active
  // again, and its first control has it when it never had one.
  // The focused control; null when the form itself or no window of it has it.
  WinControl* FocusedControl() const;
  // Gives the focus to a control as Tab does: an edit's text is selected.
  void FocusControl(WinControl* control);
  void FocusNext(bool backward = false);

  // Assistive technology (see accessibility.h).
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  int AccessibleCount(const AccessiblePath& path) const override;
  int AccessibleAt(const AccessiblePath& path, POINT client) const override;
  bool ActivateAccessible(const AccessiblePath& path) override;
  // Tells readers that a control's text changed (a status label's).
  void AnnounceTextChange(const Control& control);

 protected:
  virtual LRESULT WindowMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  friend class GraphicControl;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // The blocks of WindowMessage: true when the message is answered (with
  // result), false when it goes on.
  bool WindowStateMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);  // paint, close, size, DPI, readers
  bool FocusMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);        // keys, focus, activation
  bool GraphicMouseMessage(UINT msg, LPARAM lp);                              // clicks on windowless controls
  bool ChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);        // commands and notices of controls
  bool ColourMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);       // colours of the controls
  LRESULT ControlColours(UINT msg, HDC dc, WinControl* control, LPARAM lp);
  void Paint();
  GraphicControl* GraphicAt(POINT p) const;
  void SetIcons();
  // The controls a reader sees on the form, in layout order.
  std::vector<const Control*> AccessibleControls() const;
  // The controls Tab stops at, in layout order.
  std::vector<WinControl*> TabStops() const;
  // A key before the system's dialog keys (kFormKeyMessage).
  bool PreviewKey(const MSG& key);
  void RestoreFocus();

  FormStyle style_;
  HWND handle_ = nullptr;
  int dpi_ = 96;
  const ControlPlacement* nextPlacement_ = nullptr;
  bool modal_ = false;
  int modalResult_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<WinControl*> backdrops_;
  GraphicControl* pressed_ = nullptr;
  HWND lastFocus_ = nullptr;  // the focus while the window was last active
};

}  // namespace framework
