#include "framework/gui/menus.h"

#include "framework/base/exception.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

namespace framework {

namespace {
// Command numbers start above zero: TrackPopupMenu returns 0 for "nothing chosen".
constexpr UINT kFirstCommand = 100;
}  // namespace

// ---- MenuItem ----------------------------------------------------------------

void MenuItem::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Apply();
}

void MenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Apply();
}

void MenuItem::Click() {
  if (!OnClick) return;
  // A copy: the handler may replace the item's handler while it runs.
  Event handler = OnClick;
  Application::Instance().Dispatch(handler);
}

void MenuItem::Apply() {
  std::wstring text = Widen(caption_);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID;
  info.wID = command_;
  if (IsSeparator()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING;
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
  }
  info.fState = (enabled_ ? MFS_ENABLED : MFS_DISABLED) | (checked_ ? MFS_CHECKED : MFS_UNCHECKED);
  SetMenuItemInfoW(menu_->Handle(), command_, FALSE, &info);
}

// ---- PopupMenu -----------------------------------------------------------------

PopupMenu::PopupMenu(Form* owner, std::string name) : owner_(owner), name_(std::move(name)) {
  handle_ = CreatePopupMenu();
  if (!handle_) throw Exception("メニューを作成できません");
}

PopupMenu::~PopupMenu() {
  *alive_ = false;
  // Tell the holders first: a callback must not see a half-destroyed menu.
  auto notifications = std::move(freeNotifications_);
  for (auto& [client, forget] : notifications)
    if (forget) forget();
  items_.clear();
  if (handle_) DestroyMenu(handle_);
}

HWND PopupMenu::Window() const {
  if (owner_ && owner_->Handle()) return owner_->Handle();
  Application::Instance().Initialize();
  return Application::Instance().Handle();
}

MenuItem* PopupMenu::Add(const std::string& name, const std::string& caption, Event onClick) {
  UINT command = kFirstCommand + static_cast<UINT>(items_.size());
  std::unique_ptr<MenuItem> item(new MenuItem(this, name, caption, command));
  item->OnClick = std::move(onClick);
  std::wstring text = Widen(caption);
  UINT flags = item->IsSeparator() ? MF_SEPARATOR : MF_STRING;
  if (!AppendMenuW(handle_, flags, command, item->IsSeparator() ? nullptr : text.c_str()))
    throw Exception("メニュー項目を追加できません");
  items_.push_back(std::move(item));
  return items_.back().get();
}

void PopupMenu::Clear() {
  while (GetMenuItemCount(handle_) > 0)
    if (!DeleteMenu(handle_, 0, MF_BYPOSITION)) break;
  items_.clear();
}

MenuItem* PopupMenu::Find(const std::string& name) const {
  for (const auto& item : items_)
    if (item->Name() == name) return item.get();
  return nullptr;
}

MenuItem& PopupMenu::Item(const std::string& name) const {
  MenuItem* item = Find(name);
  if (!item) throw Exception("メニュー項目 " + name + " がありません");
  return *item;
}

MenuItem* PopupMenu::FindCommand(UINT command) const {
  for (const auto& item : items_)
    if (item->Command() == command) return item.get();
  return nullptr;
}

MenuItem* PopupMenu::Popup(int x, int y) {
  // Handlers run while the menu is up (OnPopup, messages the menu's own loop
  // dispatches) may destroy this menu; `alive` outlives it and says so.
  std::shared_ptr<bool> alive = alive_;
  if (OnPopup) {
    Event handler = OnPopup;
    Application::Instance().Dispatch(handler);
    if (!*alive) return nullptr;
  }
  HWND window = Window();
  UINT command = static_cast<UINT>(TrackPopupMenu(
      handle_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, window, nullptr));
  // Lets the menu close properly when it was opened for a window in the
  // background (a notification-area icon's menu).
  PostMessageW(window, WM_NULL, 0, 0);
  if (!*alive || command == 0) return nullptr;
  MenuItem* item = FindCommand(command);
  if (!item) return nullptr;
  item->Click();
  return *alive ? item : nullptr;
}

void PopupMenu::FreeNotification(const void* client, std::function<void()> forget) {
  freeNotifications_[client] = std::move(forget);
}

void PopupMenu::RemoveFreeNotification(const void* client) { freeNotifications_.erase(client); }

}  // namespace framework
