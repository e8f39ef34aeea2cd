#pragma once
// Pop-up menus: a flat list of named items over a Win32 menu, shown at a
// screen point with TrackPopupMenu. An item whose caption is "-" is a
// separator line. The chosen item's OnClick runs through the application's
// dispatcher once the menu has closed.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/gui/forms.h"

namespace framework {

class PopupMenu;

class MenuItem {
 public:
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  PopupMenu* Menu() const { return menu_; }
  // The command number the item has in its menu's Win32 menu.
  UINT Command() const { return command_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool IsSeparator() const { return caption_ == "-"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  Event OnClick;
  // Does what choosing the item does: runs OnClick through the dispatcher.
  void Click();

 private:
  friend class PopupMenu;
  MenuItem(PopupMenu* menu, std::string name, std::string caption, UINT command)
      : menu_(menu), name_(std::move(name)), caption_(std::move(caption)), command_(command) {}
  void Apply();  // writes the item's state into the Win32 menu

  PopupMenu* menu_;
  std::string name_;
  std::string caption_;
  UINT command_;
  bool enabled_ = true;
  bool checked_ = false;
};

class PopupMenu {
 public:
  // The menu's window is the owner form's (the one brought to the front
  // before a tray menu opens), else the application window.
  explicit PopupMenu(Form* owner = nullptr, std::string name = "");
  ~PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  const std::string& Name() const { return name_; }
  Form* Owner() const { return owner_; }
  HMENU Handle() const { return handle_; }
  HWND Window() const;

  // Appends an item; a caption of "-" makes a separator.
  MenuItem* Add(const std::string& name, const std::string& caption, Event onClick = {});
  // Removes every item (for a menu whose items change with each showing;
  // never from the handler of one of its own items).
  void Clear();
  size_t Count() const { return items_.size(); }
  MenuItem* Items(size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }
  // The item of that name, or null.
  MenuItem* Find(const std::string& name) const;
  // The item of that name; raises when the menu has none.
  MenuItem& Item(const std::string& name) const;
  MenuItem* FindCommand(UINT command) const;

  // Fires OnPopup, then shows the menu with its top-left corner at the
  // screen point x, y and waits until it closes; the chosen item's OnClick
  // then runs. Returns the chosen item, or null when the menu was dismissed
  // (or the menu was destroyed while it was open).
  MenuItem* Popup(int x, int y);
  // Fired before the menu shows: captions set here are the ones shown.
  Event OnPopup;

  // Holders of a pointer to this menu are told when it is destroyed. One
  // callback per client; registering again replaces it.
  void FreeNotification(const void* client, std::function<void()> forget);
  void RemoveFreeNotification(const void* client);

 private:
  Form* owner_;
  std::string name_;
  HMENU handle_ = nullptr;
  std::vector<std::unique_ptr<MenuItem>> items_;
  std::map<const void*, std::function<void()>> freeNotifications_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace framework
