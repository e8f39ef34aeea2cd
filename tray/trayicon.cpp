#include "tray/trayicon.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <utility>
#include <vector>

#include "framework/base/scopeguard.h"
#include "framework/base/shellcalls.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

namespace kaleidon {

const char* const kCannotRegisterTrayIcon = "タスクトレイにアイコンを登録できません。";

// The classic record: the tip is 64 characters with its NUL. (The ANSI form
// of this record is the 88-byte one in the 32-bit program, 104 bytes in the
// x86-64 build, whose window and icon handles are 8 bytes and aligned; the
// wide form is the same record with two-byte characters.)
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104));
static_assert(TTrayIcon::kIconDataSize == (sizeof(void*) == 4 ? 152 : 168));
static_assert(WM_TRAYICON == 1224);

namespace {

using framework::AnswerSafely;
using framework::Application;

// The live icons in creation order, each with its ID. IDs grow along the list.
// Never freed: a waiter may still look here while the program ends.
std::vector<std::pair<int, TTrayIcon*>>& TrayIconList() {
  static auto* list = new std::vector<std::pair<int, TTrayIcon*>>;
  return *list;
}

uint64_t NextSerial() {
  static uint64_t serial = 0;
  return ++serial;
}

HWND callbackWindow = nullptr;
TTrayIcon* currentIcon = nullptr;

// Copies the tip into the record's fixed buffer, NUL-terminated, never
// splitting a surrogate pair.
template <size_t N>
void CopyTip(wchar_t (&target)[N], const std::string& tip, size_t capacity) {
  static_assert(N >= 64);
  std::wstring wide = framework::Widen(tip);
  size_t n = std::min(wide.size(), capacity - 1);
  if (n > 0 && n < wide.size() && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
  std::fill(std::begin(target), std::end(target), L'\0');
  std::copy_n(wide.begin(), n, target);
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace

// ---- TTrayIcon -------------------------------------------------------------------

TTrayIcon::TTrayIcon(framework::Form* owner) : owner_(owner), serial_(NextSerial()) {
  auto& list = TrayIconList();
  if (list.size() >= kMaxIcons) throw EOutOfMemory(kCannotRegisterTrayIcon);
  id_ = list.empty() ? 1 : list.back().first + 1;
  Application::Instance().Initialize();
  // The window that hears the shell is made when the icon is first added.
  iconData_.cbSize = kIconDataSize;
  iconData_.uCallbackMessage = WM_TRAYICON;
  iconData_.uID = static_cast<UINT>(id_);
  // Last: nothing after this may fail, or the list would keep a dead entry.
  list.emplace_back(id_, this);
}

TTrayIcon::~TTrayIcon() {
  if (registered_) UpdateTray(TrayOperation::Delete);
  ForgetMenu(lbPopupMenu_);
  ForgetMenu(rbPopupMenu_);
  auto& list = TrayIconList();
  std::erase_if(list, [this](const auto& entry) { return entry.second == this; });
  if (currentIcon == this) currentIcon = nullptr;
  if (icon_) DestroyIcon(icon_);
  // A click still waiting for this icon finds it gone and reports nothing.
}

void TTrayIcon::Loaded() {
  if (!loading_) return;
  loading_ = false;
  UpdateTray(TrayOperation::Add);
}

size_t TTrayIcon::Count() { return TrayIconList().size(); }

TTrayIcon* TTrayIcon::FindByID(int id) {
  for (const auto& [entryId, icon] : TrayIconList())
    if (entryId == id) return icon;
  return nullptr;
}

void TTrayIcon::UpdateTray(TrayOperation operation) {
  iconData_.hIcon = icon_;
  CopyTip(iconData_.szTip, tipHelp_, (kIconDataSize - offsetof(NOTIFYICONDATAW, szTip)) / sizeof(wchar_t));
  iconData_.uFlags = tipHelp_.empty() ? (NIF_MESSAGE | NIF_ICON) : (NIF_MESSAGE | NIF_ICON | NIF_TIP);
  switch (operation) {
    case TrayOperation::Add:
      if (!visible_) return;
      if (registered_) return UpdateTray(TrayOperation::Modify);
      iconData_.hWnd = TCallbackWindow::Handle();
      if (!framework::shell::NotifyIcon(NIM_ADD, &iconData_)) throw EOutOfMemory(kCannotRegisterTrayIcon);
      registered_ = true;
      return;
    case TrayOperation::Modify:
      if (!framework::shell::NotifyIcon(NIM_MODIFY, &iconData_)) throw EOutOfMemory(kCannotRegisterTrayIcon);
      return;
    case TrayOperation::Delete:
      framework::shell::NotifyIcon(NIM_DELETE, &iconData_);
      registered_ = false;
      return;
  }
}

void TTrayIcon::IconChanged() {
  if (registered_) UpdateTray(TrayOperation::Modify);
}

void TTrayIcon::SetAnimateIcons(HIMAGELIST icons) {
  if (!animating_) animateIcons_ = icons;
}

void TTrayIcon::SetAnimateRate(int milliseconds) { animateRate_ = std::max(milliseconds, kMinAnimateRate); }

void TTrayIcon::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) {
    clickPending_ = false;
    waitingClick_ = 0;
  }
}

void TTrayIcon::SetIcon(HICON icon) {
  if (icon && icon == icon_) return;
  if (!icon) {
    if (icon_) DestroyIcon(std::exchange(icon_, nullptr));
    SetVisible(false);
    return;
  }
  HICON copy = CopyIcon(icon);
  if (!copy) throw framework::Exception("アイコンをコピーできません");
  HICON old = std::exchange(icon_, copy);
  // The shell takes the new icon before the old one goes.
  auto destroyOld = framework::ScopeExit([old] {
    if (old) DestroyIcon(old);
  });
  IconChanged();
}

void TTrayIcon::SetTipHelp(const std::string& tip) {
  std::string cut = framework::FirstCharacters(tip, kTipLength);
  if (cut == tipHelp_) return;
  tipHelp_ = std::move(cut);
  if (registered_) UpdateTray(TrayOperation::Modify);
}

void TTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible && icon_ != nullptr;
  if (loading_) return;
  if (visible_)
    UpdateTray(TrayOperation::Add);
  else if (registered_)
    UpdateTray(TrayOperation::Delete);
}

void TTrayIcon::WatchMenu(framework::PopupMenu* menu) {
  if (!menu) return;
  menu->FreeNotification(this, [this, menu] {
    if (lbPopupMenu_ == menu) lbPopupMenu_ = nullptr;
    if (rbPopupMenu_ == menu) rbPopupMenu_ = nullptr;
  });
}

void TTrayIcon::ForgetMenu(framework::PopupMenu* menu) {
  if (menu) menu->RemoveFreeNotification(this);
}

void TTrayIcon::SetLBPopupMenu(framework::PopupMenu* menu) {
  framework::PopupMenu* old = std::exchange(lbPopupMenu_, menu);
  if (old && old != menu && old != rbPopupMenu_) old->RemoveFreeNotification(this);
  WatchMenu(menu);
}

void TTrayIcon::SetRBPopupMenu(framework::PopupMenu* menu) {
  framework::PopupMenu* old = std::exchange(rbPopupMenu_, menu);
  if (old && old != menu && old != lbPopupMenu_) old->RemoveFreeNotification(this);
  WatchMenu(menu);
}

void TTrayIcon::FireNotify(const TNotifyEvent& event) {
  if (!event) return;
  TNotifyEvent handler = event;  // the handler may replace the event while it runs
  Application::Instance().Dispatch([&] { handler(*this); });
}

void TTrayIcon::FireMouse(const TMouseEvent& event, TMouseButton button, TShiftState shift, POINT at) {
  if (!event) return;
  TMouseEvent handler = event;
  Application::Instance().Dispatch([&] { handler(*this, button, shift, at.x, at.y); });
}

void TTrayIcon::PopupMenuAt(framework::PopupMenu* TTrayIcon::*menu, POINT at) {
  if (owner_ && owner_->Handle()) {
    SetForegroundWindow(owner_->Handle());
    uint64_t self = serial_;
    Application::Instance().ProcessMessages();
    // The pending messages may have destroyed this icon or its menu.
    bool alive = std::any_of(TrayIconList().begin(), TrayIconList().end(),
                             [self](const auto& entry) { return entry.second->serial_ == self; });
    if (!alive) return;
  }
  if (framework::PopupMenu* target = this->*menu) target->Popup(at.x, at.y);
}

void TTrayIcon::HandleNotification(LPARAM mouseMessage) {
  if (!enabled_) return;
  POINT at{};
  GetCursorPos(&at);
  switch (mouseMessage) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) {
        TMouseMoveEvent handler = OnMouseMove;
        Application::Instance().Dispatch([&] { handler(*this, 0, at.x, at.y); });
      }
      break;
    case WM_LBUTTONDOWN:
      // A new press while no single click waits: a double click before it
      // is over even if its last release never came.
      if (waitingClick_ == 0) clickPending_ = false;
      if (lbPopupMenu_ && autoPopup_)
        PopupMenuAt(&TTrayIcon::lbPopupMenu_, at);
      else
        FireMouse(OnMouseDown, TMouseButton::mbLeft, ssLeft, at);
      break;
    case WM_LBUTTONUP:
      if (OnMouseUp)
        FireMouse(OnMouseUp, TMouseButton::mbLeft, ssLeft, at);
      else
        SingleClickStep();
      break;
    case WM_LBUTTONDBLCLK:
      // The single click waiting since the first release is part of this
      // double click: it is not reported, however late the last release comes.
      clickPending_ = true;
      waitingClick_ = 0;
      TSingleClick::Cancel(serial_);
      FireNotify(OnDblClick);
      break;
    case WM_RBUTTONDOWN:
      if (rbPopupMenu_ && autoPopup_)
        PopupMenuAt(&TTrayIcon::rbPopupMenu_, at);
      else
        FireMouse(OnMouseDown, TMouseButton::mbRight, ssRight, at);
      break;
    case WM_RBUTTONUP:
      FireMouse(OnMouseUp, TMouseButton::mbRight, ssRight, at);
      break;
    case WM_MBUTTONDOWN:
      FireMouse(OnMouseDown, TMouseButton::mbMiddle, ssMiddle, at);
      break;
    case WM_MBUTTONUP:
      FireMouse(OnMouseUp, TMouseButton::mbMiddle, ssMiddle, at);
      break;
    default:
      break;  // WM_RBUTTONDBLCLK and anything else
  }
}

void TTrayIcon::SingleClickStep() {
  if (!OnClick || clickPending_) {
    // No click handler, or this release ends a double click.
    clickPending_ = false;
    waitingClick_ = 0;
    return;
  }
  static uint64_t clicks = 0;
  uint64_t click = ++clicks;
  clickPending_ = true;
  waitingClick_ = click;
  try {
    TSingleClick::Start(serial_, click);
  } catch (...) {
    clickPending_ = false;
    waitingClick_ = 0;
    throw;
  }
}

void TTrayIcon::ClickWaited(uint64_t click, bool report) {
  // Only the click still waited for counts: a double click, a disabled icon
  // or a newer click has taken it over.
  if (waitingClick_ != click) return;
  waitingClick_ = 0;
  report = report && clickPending_ && OnClick;
  clickPending_ = false;
  if (report) FireNotify(OnClick);
}

// ---- TCallbackWindow ---------------------------------------------------------------

HWND TCallbackWindow::Existing() { return callbackWindow && IsWindow(callbackWindow) ? callbackWindow : nullptr; }

HWND TCallbackWindow::Handle() {
  if (HWND existing = Existing()) return existing;
  static constexpr wchar_t kClassName[] = L"TCallbackWindow";
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TCallbackWindow::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) throw EOutOfMemory(kCannotRegisterTrayIcon);
  }
  // A hidden top-level window without owner: unlike a child window it hears
  // the shell's "TaskbarCreated" broadcast, and it outlives any one form.
  callbackWindow = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   instance, nullptr);
  if (!callbackWindow) throw EOutOfMemory(kCannotRegisterTrayIcon);
  TaskbarCreatedMessage();
  return callbackWindow;
}

TTrayIcon* TCallbackWindow::CurrentIcon() { return currentIcon; }

void TCallbackWindow::SingleClickDone(uint64_t icon, uint64_t click) {
  // A click made before a message box came up is not reported under it.
  HWND window = Existing();
  bool report = !window || IsWindowEnabled(window);
  for (const auto& entry : TrayIconList()) {
    if (entry.second->serial_ == icon) {
      entry.second->ClickWaited(click, report);
      return;
    }
  }
}

LRESULT CALLBACK TCallbackWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return AnswerSafely([&] { return Answer(hwnd, msg, wp, lp); }, [&] { return DefWindowProcW(hwnd, msg, wp, lp); });
}

LRESULT TCallbackWindow::Answer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TRAYICON) {
    // A message box holds the program (it disables the thread's windows,
    // this one too), but the shell's notifications still arrive: they are
    // dropped, as clicks on a disabled window are.
    if (!IsWindowEnabled(hwnd)) return 0;
    TTrayIcon* icon = nullptr;
    for (const auto& [id, entry] : TrayIconList())
      if (static_cast<WPARAM>(static_cast<UINT>(id)) == wp) icon = entry;
    if (!icon) return 0;  // an icon already destroyed
    TTrayIcon* previous = std::exchange(currentIcon, icon);
    Application::Instance().Dispatch([&] { icon->HandleNotification(lp); });
    // The handler may have destroyed the icon, which then cleared currentIcon.
    if (currentIcon == icon) currentIcon = previous;
    return 0;
  }
  if (msg == TaskbarCreatedMessage() && msg != 0) {
    // The shell (re)started and knows none of our icons: add the visible ones again.
    // Looked up again by serial each time: a pointer kept from before could
    // name an icon that has gone meanwhile.
    std::vector<uint64_t> serials;
    for (const auto& entry : TrayIconList()) serials.push_back(entry.second->serial_);
    for (uint64_t serial : serials) {
      TTrayIcon* icon = nullptr;
      for (const auto& entry : TrayIconList())
        if (entry.second->serial_ == serial) icon = entry.second;
      if (!icon || icon->loading_ || !icon->visible_) continue;
      icon->registered_ = false;
      try {
        icon->UpdateTray(TrayOperation::Add);
      } catch (const std::exception&) {
        // Left unregistered; the next restart of the shell tries again.
      }
    }
    return 0;
  }
  if (msg == WM_TIMER && TSingleClick::Elapsed(wp)) return 0;
  if (msg == WM_CLOSE) return 0;  // lives as long as the program
  if (msg == WM_DESTROY && hwnd == callbackWindow) callbackWindow = nullptr;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- TSingleClick ----------------------------------------------------------------------

namespace {

// The clicks waited for, by the callback window's timer that ends each wait.
struct WaitedClick {
  uint64_t icon;
  uint64_t click;
};
std::map<UINT_PTR, WaitedClick>& WaitedClicks() {
  static std::map<UINT_PTR, WaitedClick> clicks;
  return clicks;
}
// Timer identifiers of the waits: apart from any other timer of the window.
constexpr UINT_PTR kFirstWaitTimer = 0x7C00;

}  // namespace

void TSingleClick::Start(uint64_t icon, uint64_t click) {
  static UINT_PTR next = kFirstWaitTimer;
  const UINT_PTR timer = next++;
  if (!SetTimer(TCallbackWindow::Handle(), timer, GetDoubleClickTime() + 50, nullptr))
    throw EOutOfMemory(kCannotRegisterTrayIcon);
  WaitedClicks()[timer] = {icon, click};
}

bool TSingleClick::Elapsed(UINT_PTR timer) {
  auto it = WaitedClicks().find(timer);
  if (it == WaitedClicks().end()) return false;
  const WaitedClick waited = it->second;
  WaitedClicks().erase(it);
  KillTimer(TCallbackWindow::Existing(), timer);
  TCallbackWindow::SingleClickDone(waited.icon, waited.click);
  return true;
}

void TSingleClick::Cancel(uint64_t icon) {
  std::erase_if(WaitedClicks(), [icon](const auto& entry) {
    if (entry.second.icon != icon) return false;
    KillTimer(TCallbackWindow::Existing(), entry.first);
    return true;
  });
}

int TSingleClick::Running() { return static_cast<int>(WaitedClicks().size()); }

}  // namespace kaleidon
