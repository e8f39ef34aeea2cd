#include "framework/gui/spinedit.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <optional>

#include "framework/base/text.h"

namespace framework {

namespace {

constexpr int kUpDownWidth = 15;  // at 96 DPI

// A whole number with an optional sign and blanks around it; nothing else.
std::optional<long long> ParseNumber(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  if (i == n) return std::nullopt;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    negative = text[i] == '-';
    ++i;
  }
  if (i == n) return std::nullopt;
  long long value = 0;
  for (; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 10'000'000'000LL) return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

SpinEdit::SpinEdit(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(121, 22);
  CreateHandle(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | WS_CLIPCHILDREN, WS_EX_CLIENTEDGE);
  upDown_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | UDS_NOTHOUSANDS, 0, 0,
                            Scale(kUpDownWidth), Scale(16), Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!upDown_) throw Exception("cannot create the arrows of a spin edit");
  // The arrows report every press and are kept away from their own limits;
  // the value lives here.
  SendMessageW(upDown_, UDM_SETRANGE32, 0, 100);
  SendMessageW(upDown_, UDM_SETPOS32, 0, 50);
  UDACCEL accel{0, 1};
  SendMessageW(upDown_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  if (!Enabled()) EnableWindow(upDown_, FALSE);  // made disabled in its place
  PlaceUpDown();
  ShowValue();
}

int SpinEdit::Clamp(long long value) const {
  if (value > max_) value = max_;
  if (value < min_) value = min_;
  return static_cast<int>(value);
}

void SpinEdit::ShowValue() {
  showing_ = true;
  SetWindowTextW(Handle(), Widen(std::to_string(value_)).c_str());
  showing_ = false;
}

void SpinEdit::SetValue(int value) {
  int clamped = Clamp(value);
  if (clamped == value_) {
    // The text may still show something typed that was out of range.
    if (Text() != std::to_string(value_)) ShowValue();
    return;
  }
  value_ = clamped;
  ShowValue();
  Fire(OnChange);
}

void SpinEdit::Reclamp() {
  int clamped = Clamp(value_);
  if (clamped != value_) {
    value_ = clamped;
    ShowValue();
    Fire(OnChange);
  }
}

void SpinEdit::SetMinValue(int value) {
  min_ = value;
  Reclamp();
}

void SpinEdit::SetMaxValue(int value) {
  max_ = value;
  Reclamp();
}

void SpinEdit::SetIncrement(int increment) { increment_ = increment; }

void SpinEdit::StepUp() { SetValue(Clamp(static_cast<long long>(value_) + increment_)); }

void SpinEdit::StepDown() { SetValue(Clamp(static_cast<long long>(value_) - increment_)); }

void SpinEdit::SetEditorEnabled(bool on) {
  editorEnabled_ = on;
  SendMessageW(Handle(), EM_SETREADONLY, !on, 0);
}

void SpinEdit::SetText(const std::string& text) {
  if (auto number = ParseNumber(text)) {
    SetValue(Clamp(*number));
  } else {
    ShowValue();
  }
}

void SpinEdit::PlaceUpDown() {
  RECT client;
  GetClientRect(Handle(), &client);
  int width = std::min<int>(Scale(kUpDownWidth), std::max<int>(0, client.right / 2));
  MoveWindow(upDown_, client.right - width, 0, width, client.bottom, TRUE);
  SendMessageW(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
}

void SpinEdit::SetBounds(int left, int top, int width, int height) {
  WinControl::SetBounds(left, top, width, height);
  PlaceUpDown();
}

void SpinEdit::SetEnabled(bool enabled) {
  WinControl::SetEnabled(enabled);
  EnableWindow(upDown_, enabled);
}

void SpinEdit::SetFont(const Font& font) {
  WinControl::SetFont(font);
  PlaceUpDown();  // a new font resets the margins
}

void SpinEdit::HandleCommand(int code) {
  if (showing_) return;
  if (code == EN_CHANGE) {
    // Typing: a number in the text becomes the value (within the bounds)
    // at once; the text itself is tidied when the box loses the focus.
    if (auto number = ParseNumber(Text())) {
      int clamped = Clamp(*number);
      if (clamped != value_) {
        value_ = clamped;
        Fire(OnChange);
      }
    }
  } else if (code == EN_KILLFOCUS) {
    ShowValue();
  }
}

AccessibleElement SpinEdit::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  if (!path.empty()) return self;
  self.role = ROLE_SYSTEM_SPINBUTTON;
  self.value = std::to_string(value_);
  return self;
}

bool SpinEdit::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->hwndFrom == upDown_ && header->code == UDN_DELTAPOS) {
        auto* delta = reinterpret_cast<NMUPDOWN*>(lp);
        if (IsWindowEnabled(Handle())) {
          if (delta->iDelta > 0) StepUp();
          else if (delta->iDelta < 0) StepDown();
        }
        result = TRUE;  // the arrows keep their own position
        return true;
      }
      break;
    }
    case WM_KEYDOWN:
      if (wp == VK_UP || wp == VK_DOWN) {
        if (wp == VK_UP) StepUp();
        else StepDown();
        SendMessageW(Handle(), EM_SETSEL, 0, -1);
        result = 0;
        return true;
      }
      break;
    case WM_SIZE:
      result = CallDefault(msg, wp, lp);
      if (upDown_) PlaceUpDown();
      return true;
  }
  return false;
}

}  // namespace framework
