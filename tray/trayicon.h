#pragma once
// TTrayIcon: an icon with a tool tip in the taskbar notification area. It
// turns the shell's mouse notifications into events, tells a single left
// click from a double click, and pops up a menu when a button is pressed.
//
// Life of an icon: construct it (with the form that owns it), set its
// properties, then call Loaded(): the icon reaches the notification area
// there, if Visible. After Loaded() every setter acts on the shell at once.
//
// Two program-wide helpers serve every icon: TCallbackWindow, one hidden
// window that receives the shell's notifications (message WM_TRAYICON, with
// the icon's ID in wParam and the mouse message in lParam), and TSingleClick,
// which waits out the double-click time on that window's timer.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "framework/base/exception.h"
#include "framework/gui/forms.h"
#include "framework/gui/menus.h"

namespace kaleidon {

// The callback message of every tray icon: WM_USER + 200.
constexpr UINT WM_TRAYICON = WM_USER + 200;

// The icon cannot be added to (or changed in) the notification area, or too
// many icons live at once.
class EOutOfMemory : public framework::Exception {
 public:
  using Exception::Exception;
};

// The message of EOutOfMemory.
extern const char* const kCannotRegisterTrayIcon;

enum class TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Shift state of a mouse event: only the pressed button's member is ever set
// (empty for a move).
using TShiftState = unsigned;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;

class TTrayIcon;
using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
using TMouseEvent = std::function<void(TTrayIcon& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TTrayIcon& sender, TShiftState shift, int x, int y)>;

enum class TrayOperation { Add, Modify, Delete };

class TTrayIcon {
 public:
  static constexpr size_t kMaxIcons = 100;      // live icons at once
  static constexpr size_t kTipLength = 62;      // characters of TipHelp kept
  static constexpr int kMinAnimateRate = 100;   // milliseconds

  // The notification record handed to Shell_NotifyIconW: the classic
  // (first-version) layout, whose tip holds 64 characters with its NUL.
  static constexpr DWORD kIconDataSize = NOTIFYICONDATAW_V1_SIZE;

  // Raises EOutOfMemory when 100 icons live already; the failed icon leaves
  // no trace. The owner's window is brought to the front before a menu pops up.
  explicit TTrayIcon(framework::Form* owner = nullptr);
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // Ends the loading state: adds the icon to the notification area when
  // Visible (raising EOutOfMemory when the shell refuses). Only the first
  // call acts.
  void Loaded();
  bool Loading() const { return loading_; }

  framework::Form* Owner() const { return owner_; }

  // Properties.
  HIMAGELIST AnimateIcons() const { return animateIcons_; }
  void SetAnimateIcons(HIMAGELIST icons);  // ignored while Animating
  int AnimateRate() const { return animateRate_; }
  void SetAnimateRate(int milliseconds);   // below 100 is stored as 100
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool on) { autoPopup_ = on; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);                // false also drops a pending click
  // The icon shown; the component keeps its own copy. Setting null empties
  // it and hides the tray entry; setting the component's own icon does nothing.
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  framework::PopupMenu* LBPopupMenu() const { return lbPopupMenu_; }
  void SetLBPopupMenu(framework::PopupMenu* menu);
  framework::PopupMenu* RBPopupMenu() const { return rbPopupMenu_; }
  void SetRBPopupMenu(framework::PopupMenu* menu);
  const std::string& TipHelp() const { return tipHelp_; }
  void SetTipHelp(const std::string& tip);  // cut to its first 62 characters
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);            // stays false while Icon is empty

  // Events. Mouse positions are screen coordinates read when the
  // notification is handled.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

  // State.
  int ID() const { return id_; }
  bool Registered() const { return registered_; }  // added to the notification area
  bool ClickPending() const { return clickPending_; }
  bool Animating() const { return animating_; }
  // The record as last sent to the shell.
  const NOTIFYICONDATAW& IconData() const { return iconData_; }

  // Fills the record and calls the shell. Add acts only when Visible. Add
  // and Modify raise EOutOfMemory when the shell refuses; a refused Delete
  // is ignored.
  void UpdateTray(TrayOperation operation);

  // The live icons, oldest first.
  static size_t Count();
  static TTrayIcon* FindByID(int id);

 private:
  friend class TCallbackWindow;
  void IconChanged();
  void HandleNotification(LPARAM mouseMessage);
  void SingleClickStep();
  void ClickWaited(uint64_t click, bool report);
  void PopupMenuAt(framework::PopupMenu* TTrayIcon::*menu, POINT at);
  void WatchMenu(framework::PopupMenu* menu);
  void ForgetMenu(framework::PopupMenu* menu);
  void FireMouse(const TMouseEvent& event, TMouseButton button, TShiftState shift, POINT at);
  void FireNotify(const TNotifyEvent& event);

  framework::Form* owner_;
  uint64_t serial_;  // unique for the whole run, unlike ID
  bool loading_ = true;

  bool animating_ = false;
  HIMAGELIST animateIcons_ = nullptr;
  int animateRate_ = 500;
  bool autoPopup_ = true;
  bool enabled_ = true;
  HICON icon_ = nullptr;
  framework::PopupMenu* lbPopupMenu_ = nullptr;
  framework::PopupMenu* rbPopupMenu_ = nullptr;
  std::string tipHelp_ = "TipHelp";
  bool visible_ = false;

  int id_ = 0;
  bool registered_ = false;
  NOTIFYICONDATAW iconData_{};
  bool clickPending_ = false;
  uint64_t waitingClick_ = 0;  // the single click a TSingleClick waits for, 0: none
};

// The one hidden window that receives the notifications of every icon, and
// re-adds the visible icons when the shell (re)starts ("TaskbarCreated").
// While it is disabled (a message box holds the program's windows), the
// notifications and the single clicks that end their wait are dropped.
class TCallbackWindow {
 public:
  // The window, created on first use.
  static HWND Handle();
  // The window if it exists, else null.
  static HWND Existing();
  // The icon whose notification is being handled, else null.
  static TTrayIcon* CurrentIcon();
  // Runs on the user-interface thread when a single-click wait ends.
  static void SingleClickDone(uint64_t icon, uint64_t click);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT Answer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// The single-click wait: a timer of the callback window of the double-click
// time (and 50 ms), whose end calls TCallbackWindow::SingleClickDone; a
// double click kills the icon's timers.
class TSingleClick {
 public:
  static void Start(uint64_t icon, uint64_t click);
  // The callback window's timer went off: true when it ended a wait.
  static bool Elapsed(UINT_PTR timer);
  // The icon's waits end without a click (a double click took them over).
  static void Cancel(uint64_t icon);
  // Waits not ended yet.
  static int Running();
};

}  // namespace kaleidon
