#include "framework/gui/stdctrls.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdlib>

#include "framework/base/text.h"

namespace framework {

// ---- Label -------------------------------------------------------------------

void Label::SetText(const std::string& text) {
  const bool changed = text != text_;
  GraphicControl::SetText(text);
  Measure();
  if (changed && owner_) owner_->AnnounceTextChange(*this);
}

AccessibleElement Label::AccessibleOnForm() const {
  AccessibleElement e;
  if (text_.empty()) return e;
  e.name = text_;
  e.role = ROLE_SYSTEM_STATICTEXT;
  e.state = STATE_SYSTEM_READONLY;
  return e;
}

void Label::SetFont(const Font& font) {
  GraphicControl::SetFont(font);
  Measure();
}

void Label::SetAutoSize(bool on) {
  autoSize_ = on;
  Measure();
}

void Label::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void Label::Measure() {
  if (!autoSize_ || !owner_ || !owner_->Handle()) return;
  HDC dc = MeasuringDc();
  HGDIOBJ old = SelectObject(dc, FontObject());
  std::wstring text = Widen(text_);
  RECT r{0, 0, 0, 0};
  if (text.empty()) {
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    r.bottom = tm.tmHeight;
  } else {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  }
  SelectObject(dc, old);
  GraphicControl::SetBounds(Left(), Top(), r.right, r.bottom);
}

void Label::Paint(HDC dc) {
  RECT r = bounds_;
  // Under high contrast the scheme's own background: whatever lies behind
  // (a picture) may be of the text's colour.
  const bool highContrast = HighContrast();
  if (!transparent_ || highContrast) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  std::wstring text = Widen(text_);
  SelectObject(dc, FontObject());
  SetBkMode(dc, TRANSPARENT);
  UINT format = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
  if (enabled_ || highContrast) {
    SetTextColor(dc, enabled_ ? OwnColor(font_.color, COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  } else {
    // Disabled text is drawn engraved, as the system draws disabled captions.
    RECT shifted = r;
    OffsetRect(&shifted, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  }
}

// ---- Image -------------------------------------------------------------------

Image::~Image() {
  if (bitmap_) DeleteObject(bitmap_);
}

void Image::SetBitmap(HBITMAP bitmap) {
  if (bitmap_ && bitmap_ != bitmap) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  Invalidate();
  FitToPicture();
}

void Image::FitToPicture() {
  if (!autoSize_) return;
  SIZE size = PictureSize();
  SetBounds(Left(), Top(), size.cx, size.cy);
}

SIZE Image::PictureSize() const {
  BITMAP info{};
  if (!bitmap_ || !GetObjectW(bitmap_, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

void Image::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}

void Image::ChangeScale(int newDpi, int oldDpi) {
  GraphicControl::ChangeScale(newDpi, oldDpi);
  FitToPicture();
}

void Image::SetAutoSize(bool on) {
  autoSize_ = on;
  FitToPicture();
}

void Image::Paint(HDC dc) {
  if (!bitmap_) return;
  BITMAP info{};
  GetObjectW(bitmap_, sizeof info, &info);
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap_);
  if (stretch_ && (Width() != info.bmWidth || Height() != info.bmHeight)) {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, Left(), Top(), Width(), Height(), source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  } else {
    BitBlt(dc, Left(), Top(), std::min<int>(Width(), info.bmWidth), std::min<int>(Height(), info.bmHeight), source, 0,
           0, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
}

// ---- Buttons and edits ------------------------------------------------------------

Button::Button(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(75, 25);
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
}

void Button::Click() { Fire(OnClick); }

void Button::HandleCommand(int code) {
  if (code == BN_CLICKED) Click();
}

bool Button::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  // As in the system's dialogs, the focused button is drawn and taken as
  // the default one, so Enter presses it.
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
    result = CallDefault(msg, wp, lp);
    SendMessageW(Handle(), BM_SETSTYLE, msg == WM_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    return true;
  }
  return false;
}

AccessibleElement Button::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  if (!path.empty()) return self;
  if (self.name.empty()) self.name = WithoutMnemonic(Text());
  self.role = ROLE_SYSTEM_PUSHBUTTON;
  return self;
}

bool Button::ActivateAccessible(const AccessiblePath& path) {
  if (!path.empty()) return false;
  Click();
  return true;
}

CheckBox::CheckBox(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(97, 17);
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_CHECKBOX);
}

bool CheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  AnnounceAccessible(EVENT_OBJECT_STATECHANGE, Handle());
  Fire(OnClick);
}

void CheckBox::HandleCommand(int code) {
  if (code == BN_CLICKED) SetChecked(!Checked());
}

AccessibleElement CheckBox::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  if (!path.empty()) return self;
  if (self.name.empty()) self.name = WithoutMnemonic(Text());
  self.role = ROLE_SYSTEM_CHECKBUTTON;
  if (Checked()) self.state |= STATE_SYSTEM_CHECKED;
  return self;
}

bool CheckBox::ActivateAccessible(const AccessiblePath& path) {
  if (!path.empty()) return false;
  HandleCommand(BN_CLICKED);
  return true;
}

Edit::Edit(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(121, 21);
  CreateHandle(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

void Edit::SetReadOnly(bool on) { SendMessageW(Handle(), EM_SETREADONLY, on, 0); }

void Edit::SetMaxLength(int length) { SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0); }

void Edit::HandleCommand(int code) {
  if (code == EN_CHANGE) Fire(OnChange);
}

AccessibleElement Edit::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  return path.empty() ? DescribeTextWindow(*this, self) : self;
}

AccessibleElement DescribeTextWindow(const WinControl& control, AccessibleElement self) {
  self.role = ROLE_SYSTEM_TEXT;
  self.value = control.Text();
  if (GetWindowLongW(control.Handle(), GWL_STYLE) & ES_READONLY) self.state |= STATE_SYSTEM_READONLY;
  return self;
}

void GroupBox::Paint(HDC dc) {
  SelectObject(dc, FontObject());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  std::wstring caption = Widen(text_);
  RECT text{bounds_.left + 8, bounds_.top, bounds_.right - 8, bounds_.top + tm.tmHeight};
  if (!caption.empty()) {
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    InflateRect(&text, 2, 0);
  }
  // The frame passes behind the caption: whatever lies under the box shows
  // there, the window's face or a page.
  int saved = SaveDC(dc);
  if (!caption.empty()) ExcludeClipRect(dc, text.left, text.top, text.right, text.bottom);
  RECT frame = bounds_;
  frame.top += tm.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  RestoreDC(dc, saved);
  if (caption.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled_ ? OwnColor(font_.color, COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

AccessibleElement GroupBox::AccessibleOnForm() const {
  AccessibleElement e;
  e.name = text_;
  e.role = ROLE_SYSTEM_GROUPING;
  return e;
}

}  // namespace framework
