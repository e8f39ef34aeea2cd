#pragma once
// Helpers of the tray icon tests: sending the shell's notifications, pumping
// messages with a generous limit, choosing menu items by keyboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "tray/trayicon.h"

namespace traytest {

using kaleidon::TTrayIcon;
using kaleidon::TMouseButton;
using kaleidon::TShiftState;
using framework::Application;

// Pumps messages until the condition holds or a generous limit passes.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  DWORD start = GetTickCount();
  for (;;) {
    Application::Instance().ProcessMessages();
    if (done()) return true;
    if (GetTickCount() - start > limitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Waits until every single-click waiter has ended and its report is handled.
inline void FinishSingleClicks() {
  ASSERT_TRUE(PumpUntil([] { return kaleidon::TSingleClick::Running() == 0; }));
  Application::Instance().ProcessMessages();
}

// What the shell sends for a mouse action over the icon.
inline void Notify(const TTrayIcon& icon, UINT mouseMessage) {
  SendMessageW(kaleidon::TCallbackWindow::Handle(), kaleidon::WM_TRAYICON, static_cast<WPARAM>(icon.ID()), mouseMessage);
}
inline void Notify(int id, UINT mouseMessage) {
  SendMessageW(kaleidon::TCallbackWindow::Handle(), kaleidon::WM_TRAYICON, static_cast<WPARAM>(id), mouseMessage);
}

inline void PostKeys(HWND window, const std::vector<WPARAM>& keys) {
  for (WPARAM key : keys) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }
}

inline HICON SystemIcon() { return LoadIconW(nullptr, IDI_APPLICATION); }

// Whether the shell holds an icon of this window and ID (a change of an
// icon it does not know fails).
inline bool ShellKnows(HWND window, UINT id) {
  NOTIFYICONDATAW data{};
  data.cbSize = TTrayIcon::kIconDataSize;
  data.hWnd = window;
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// Every event of an icon, in order, as text.
struct EventLog {
  std::vector<std::string> events;
  void Attach(TTrayIcon& icon) {
    TTrayIcon* expected = &icon;
    icon.OnClick = [this, expected](TTrayIcon& sender) { events.push_back(&sender == expected ? "click" : "click?"); };
    icon.OnDblClick = [this](TTrayIcon&) { events.push_back("dblclick"); };
    icon.OnMouseDown = [this](TTrayIcon&, TMouseButton b, TShiftState s, int, int) {
      events.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(s));
    };
    icon.OnMouseUp = [this](TTrayIcon&, TMouseButton b, TShiftState s, int, int) {
      events.push_back("up " + std::to_string(static_cast<int>(b)) + " " + std::to_string(s));
    };
    icon.OnMouseMove = [this](TTrayIcon&, TShiftState s, int, int) { events.push_back("move " + std::to_string(s)); };
  }
  size_t Count(const std::string& name) const {
    return static_cast<size_t>(std::count(events.begin(), events.end(), name));
  }
};

using Events = std::vector<std::string>;

}  // namespace traytest
