#include "framework/gui/listctrls.h"

#include <oleacc.h>

#include <algorithm>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/stdctrls.h"

namespace framework {

int FontLineHeight(HFONT font) {
  HDC dc = MeasuringDc();
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  return tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : 16;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  bool pending = false;  // a line has begun (text or a break seen)
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      pending = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
      pending = true;
    }
  }
  if (pending) lines.push_back(std::move(current));
  return lines;
}

// ---- ListBox ----------------------------------------------------------------------

ListBox::ListBox(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(121, 97);
  CreateHandle(L"LISTBOX",
               WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE);
  UpdateItemHeight();
}

std::string ListBox::Item(int index) const {
  if (index < 0 || index >= Count()) return {};
  return items_[static_cast<size_t>(index)];
}

void ListBox::AddItem(const std::string& text) {
  items_.push_back(text);
  SyncCount();
}

void ListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  typed_.clear();
  // Resetting first drops the selection and the scroll position, as a
  // freshly filled list should have them.
  SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
  SyncCount();
  AnnounceAccessible(EVENT_OBJECT_REORDER, Handle());
}

void ListBox::Clear() { SetItems({}); }

int ListBox::IndexOf(const std::string& text) const {
  std::wstring wanted = Widen(text);
  for (size_t i = 0; i < items_.size(); ++i) {
    std::wstring item = Widen(items_[i]);
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.data(), static_cast<int>(item.size()), wanted.data(),
                       static_cast<int>(wanted.size())) == CSTR_EQUAL)
      return static_cast<int>(i);
  }
  return -1;
}

void ListBox::SyncCount() {
  if (updateDepth_ > 0) return;
  WPARAM count = items_.size();
  if (static_cast<size_t>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0)) != count) {
    SendMessageW(Handle(), LB_SETCOUNT, count, 0);
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

int ListBox::ItemIndex() const {
  LRESULT index = SendMessageW(Handle(), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void ListBox::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) index = -1;
  SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  AnnounceSelection();
}

void ListBox::SelectByUser(int index) {
  SetItemIndex(index);
  SelectionChanged();
  Fire(OnChange);
}

void ListBox::AnnounceSelection() const {
  const int index = ItemIndex();
  if (index < 0) return;
  if (GetFocus() == Handle()) AnnounceAccessible(EVENT_OBJECT_FOCUS, Handle(), index);
  AnnounceAccessible(EVENT_OBJECT_SELECTION, Handle(), index);
}

int ListBox::TopIndex() const { return static_cast<int>(SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0)); }

void ListBox::SetTopIndex(int index) {
  if (index >= 0 && index < Count()) SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

void ListBox::BeginUpdate() {
  if (updateDepth_++ == 0) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void ListBox::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ == 0) {
    SyncCount();
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

int ListBox::MeasureItemHeight() { return FontLineHeight(FontObject()) + 1; }

void ListBox::UpdateItemHeight() {
  itemHeight_ = std::max(1, MeasureItemHeight());
  SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, itemHeight_);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void ListBox::SetFont(const Font& font) {
  WinControl::SetFont(font);
  UpdateItemHeight();
}

void ListBox::SetBounds(int left, int top, int width, int height) {
  WinControl::SetBounds(left, top, width, height);
}

void ListBox::HandleCommand(int code) {
  if (code == LBN_SELCHANGE) {
    AnnounceSelection();
    SelectionChanged();
    Fire(OnChange);
  } else if (code == LBN_DBLCLK) {
    int index = ItemIndex();
    if (index >= 0) Application::Instance().Dispatch([this, index] { ItemActivated(index); });
    Fire(OnDblClick);
  }
}

bool ListBox::HandleDrawItem(DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_LISTBOX) return false;
  HDC dc = item->hDC;
  RECT rect = item->rcItem;
  int index = static_cast<int>(item->itemID);
  if (index < 0 || index >= Count()) {
    // An empty list still shows where the focus is.
    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
    return true;
  }
  bool selected = (item->itemState & ODS_SELECTED) != 0;
  bool enabled = IsWindowEnabled(Handle()) != FALSE;
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  HGDIOBJ old = SelectObject(dc, FontObject());
  int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  DrawItem(dc, index, rect, selected);
  RestoreDC(dc, saved);
  SelectObject(dc, old);
  if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &rect);
  return true;
}

void ListBox::DrawItem(HDC dc, int index, RECT rect, bool selected) {
  std::wstring text = Widen(items_[static_cast<size_t>(index)]);
  rect.left += 2;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

AccessibleElement ListBox::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement e = WinControl::DescribeAccessible(path);
  if (path.empty()) {
    e.role = ROLE_SYSTEM_LIST;
    return e;
  }
  const int index = path[0];
  if (path.size() != 1 || index < 0 || index >= Count()) return e;
  e.name = items_[static_cast<size_t>(index)];
  e.role = ROLE_SYSTEM_LISTITEM;
  e.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
  if (index == ItemIndex()) {
    e.state |= STATE_SYSTEM_SELECTED;
    if (GetFocus() == Handle()) e.state |= STATE_SYSTEM_FOCUSED;
  }
  SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&e.bounds));
  RECT client, shown;
  GetClientRect(Handle(), &client);
  if (!IntersectRect(&shown, &client, &e.bounds)) e.state |= STATE_SYSTEM_OFFSCREEN;
  return e;
}

int ListBox::AccessibleCount(const AccessiblePath& path) const { return path.empty() ? Count() : 0; }

int ListBox::AccessibleCurrent(const AccessiblePath& path) const { return path.empty() ? ItemIndex() : -1; }

int ListBox::AccessibleAt(const AccessiblePath& path, POINT client) const {
  if (!path.empty()) return -1;
  LRESULT hit = SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
  int index = LOWORD(hit);
  return HIWORD(hit) || index >= Count() ? -1 : index;
}

void ListBox::SelectAccessible(const AccessiblePath& path) {
  if (path.size() == 1 && path[0] >= 0 && path[0] < Count() && path[0] != ItemIndex()) SelectByUser(path[0]);
}

bool ListBox::ActivateAccessible(const AccessiblePath& path) {
  if (path.size() != 1 || path[0] < 0 || path[0] >= Count()) return false;
  // What a double click on the item does.
  SelectAccessible(path);
  const int index = path[0];
  Application::Instance().Dispatch([this, index] { ItemActivated(index); });
  Fire(OnDblClick);
  return true;
}

namespace {

ListBox::KeyClock& KeyClockInUse() {
  static ListBox::KeyClock clock;
  return clock;
}

// Text as typing is matched against it: upper case, full width, katakana.
std::wstring FoldForTyping(std::wstring_view text) {
  constexpr DWORD kFlags = LCMAP_UPPERCASE | LCMAP_FULLWIDTH | LCMAP_KATAKANA;
  if (text.empty()) return {};
  int size = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring folded(static_cast<size_t>(std::max(size, 0)), L'\0');
  if (size <= 0 || LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text.data(), static_cast<int>(text.size()), folded.data(),
                                size) != size) {
    folded.assign(text);
    CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  }
  return folded;
}

}  // namespace

void ListBox::SetKeyClock(KeyClock clock) { KeyClockInUse() = std::move(clock); }

void ListBox::TypeAhead(wchar_t ch) {
  if (ch < L' ' || ch == 0x7F) return;  // control keys are no part of a name
  const KeyClock& clock = KeyClockInUse();
  unsigned long now = clock ? clock() : static_cast<unsigned long>(GetMessageTime());
  if (!typed_.empty() && now - lastKeyTime_ > GetDoubleClickTime()) typed_.clear();
  lastKeyTime_ = now;
  typed_ += ch;
  if (items_.empty()) return;

  // The same letter again and again steps through the items beginning with
  // it; other letters narrow the name down from the item already found.
  const bool stepping = typed_.find_first_not_of(typed_[0]) == std::wstring::npos;
  const std::wstring wanted = FoldForTyping(stepping ? typed_.substr(0, 1) : typed_);
  const int n = Count();
  const int current = ItemIndex();
  const int first = stepping ? current + 1 : std::max(current, 0);
  // A few more characters of each name than were typed are enough: folding
  // half-width kana joins at most two characters into one.
  const size_t needed = typed_.size() * 2 + 1;
  for (int step = 0; step < n; ++step) {
    const int i = (first + step) % n;
    std::wstring name = FoldForTyping(Widen(FirstCharacters(items_[static_cast<size_t>(i)], needed)));
    if (name.compare(0, wanted.size(), wanted) != 0) continue;
    if (i != current) SelectByUser(i);
    return;
  }
}

bool ListBox::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_CHAR:
      TypeAhead(static_cast<wchar_t>(wp));
      result = 0;
      return true;
    case WM_KEYDOWN:
      if (wp == VK_RETURN && ActivatesOnEnter()) {
        int index = ItemIndex();
        if (index >= 0) Application::Instance().Dispatch([this, index] { ItemActivated(index); });
        result = 0;
        return true;
      }
      break;
    case WM_GETDLGCODE:
      // Enter activates the item instead of pressing the form's default button.
      if (lp && ActivatesOnEnter()) {
        auto* m = reinterpret_cast<MSG*>(lp);
        if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN) {
          result = DLGC_WANTALLKEYS;
          return true;
        }
      }
      break;
  }
  return false;
}

// ---- ComboBox ------------------------------------------------------------------------

ComboBox::ComboBox(Form* owner, std::string name) : ComboBox(owner, std::move(name), 0) {}

ComboBox::ComboBox(Form* owner, std::string name, DWORD extraStyle) : WinControl(owner, std::move(name)) {
  SetDefaultSize(145, 20, false);
  CreateHandle(L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | extraStyle);
}

std::vector<std::string> ComboBox::Items() const {
  std::vector<std::string> items;
  int n = Count();
  items.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) items.push_back(Item(i));
  return items;
}

int ComboBox::Count() const {
  LRESULT n = SendMessageW(Handle(), CB_GETCOUNT, 0, 0);
  return n == CB_ERR ? 0 : static_cast<int>(n);
}

std::string ComboBox::Item(int index) const {
  if (index < 0 || index >= Count()) return {};
  LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  length = SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  if (length == CB_ERR) return {};
  buffer.resize(static_cast<size_t>(length));
  return Narrow(buffer);
}

void ComboBox::AddItem(const std::string& text) {
  std::wstring w = Widen(text);
  SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void ComboBox::Clear() { SendMessageW(Handle(), CB_RESETCONTENT, 0, 0); }

int ComboBox::IndexOf(const std::string& text) const {
  int n = Count();
  for (int i = 0; i < n; ++i)
    if (Item(i) == text) return i;
  return -1;
}

int ComboBox::ItemIndex() const {
  LRESULT index = SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) index = -1;
  if (index == ItemIndex()) return;
  SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  AnnounceAccessible(EVENT_OBJECT_VALUECHANGE, Handle());
  if (index >= 0) AnnounceAccessible(EVENT_OBJECT_SELECTION, Handle(), index);
}

std::string ComboBox::Text() const { return Item(ItemIndex()); }

void ComboBox::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  if (!Handle()) return;
  int listHeight = 0;
  if (listSized_) {
    LRESULT line = SendMessageW(Handle(), CB_GETITEMHEIGHT, 0, 0);
    listHeight = (line == CB_ERR ? 16 : static_cast<int>(line)) * dropDownCount_ + 2;
  }
  MoveWindow(Handle(), left, top, width, height + listHeight, TRUE);
}

void ComboBox::SetDropDownCount(int lines) {
  dropDownCount_ = std::max(1, lines);
  SetBounds(Left(), Top(), Width(), Height());
}

void ComboBox::HandleCommand(int code) {
  // Told before the list is placed: it drops down as high as it is to be.
  if (code == CBN_DROPDOWN && !listSized_) {
    listSized_ = true;
    SetBounds(Left(), Top(), Width(), Height());
  }
  if (code == CBN_SELCHANGE) {
    AnnounceAccessible(EVENT_OBJECT_VALUECHANGE, Handle());
    UserChanged();
  }
}

void ComboBox::UserChanged() { Fire(OnChange); }

AccessibleElement ComboBox::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement e = WinControl::DescribeAccessible(path);
  if (path.empty()) {
    e.role = ROLE_SYSTEM_COMBOBOX;
    e.value = Text();
    return e;
  }
  const int index = path[0];
  if (path.size() != 1 || index < 0 || index >= Count()) return e;
  e.name = Item(index);
  e.role = ROLE_SYSTEM_LISTITEM;
  e.state = STATE_SYSTEM_SELECTABLE;
  if (index == ItemIndex()) e.state |= STATE_SYSTEM_SELECTED;
  // The entries are on screen only while the list is dropped down.
  if (!SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0)) e.state |= STATE_SYSTEM_INVISIBLE;
  return e;
}

int ComboBox::AccessibleCount(const AccessiblePath& path) const { return path.empty() ? Count() : 0; }

int ComboBox::AccessibleCurrent(const AccessiblePath& path) const { return path.empty() ? ItemIndex() : -1; }

void ComboBox::SelectAccessible(const AccessiblePath& path) {
  if (path.size() != 1 || path[0] < 0 || path[0] >= Count() || path[0] == ItemIndex()) return;
  SetItemIndex(path[0]);
  UserChanged();
}

// ---- Memo -------------------------------------------------------------------------------

Memo::Memo(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(185, 89);
  CreateHandle(L"EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE);
}

std::vector<std::string> Memo::Lines() const { return SplitLines(Text()); }

void Memo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  SetText(text);
}

void Memo::AddLine(const std::string& line) {
  std::string text = Text();
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  SetText(text + line);
}

void Memo::Clear() { SetText(""); }

void Memo::SetReadOnly(bool on) { SendMessageW(Handle(), EM_SETREADONLY, on, 0); }

bool Memo::ReadOnly() const { return (GetWindowLongW(Handle(), GWL_STYLE) & ES_READONLY) != 0; }

void Memo::SetWantReturns(bool on) {
  LONG style = GetWindowLongW(Handle(), GWL_STYLE);
  style = on ? (style | ES_WANTRETURN) : (style & ~ES_WANTRETURN);
  SetWindowLongW(Handle(), GWL_STYLE, style);
}

void Memo::SetMargins(int left, int right) {
  SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

void Memo::SetFont(const Font& font) {
  WinControl::SetFont(font);
  InvalidateRect(Handle(), nullptr, TRUE);
}

COLORREF Memo::TextColor() const { return HighContrast() ? CLR_INVALID : font_.color; }

void Memo::HandleCommand(int code) {
  if (code == EN_CHANGE) Fire(OnChange);
}

AccessibleElement Memo::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  return path.empty() ? DescribeTextWindow(*this, self) : self;
}

bool Memo::WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_LBUTTONDBLCLK) {
    result = CallDefault(msg, wp, lp);
    Fire(OnDblClick);
    return true;
  }
  return false;
}

}  // namespace framework
