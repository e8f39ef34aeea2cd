#pragma once
// Helpers of the tray icon tests: the shell's notifications, message pumping
// with a generous limit, menu choices by keyboard, an event log.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/gui/application.h"
#include "tray/trayicon.h"

namespace traytest {

using framework::Application;
using kaleidon::TTrayIcon;
using Events = std::vector<std::string>;

// Pumps messages until the condition holds or a generous limit passes.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  for (DWORD start = GetTickCount();;) {
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

// What the shell sends for a mouse action over an icon.
inline void Notify(int id, UINT mouseMessage) {
  SendMessageW(kaleidon::TCallbackWindow::Handle(), kaleidon::WM_TRAYICON, static_cast<WPARAM>(id), mouseMessage);
}
inline void Notify(const TTrayIcon& icon, std::initializer_list<UINT> mouseMessages) {
  for (UINT message : mouseMessages) Notify(icon.ID(), message);
}

// A menu's own loop reads the keys waiting in the thread's queue.
inline void PostKeys(HWND window, const std::vector<WPARAM>& keys) {
  for (WPARAM key : keys) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }
}

// Whether the shell holds an icon of this window and ID (changing an icon
// it does not know fails).
inline bool ShellKnows(const TTrayIcon& icon) {
  NOTIFYICONDATAW data{};
  data.cbSize = TTrayIcon::kIconDataSize;
  data.hWnd = kaleidon::TCallbackWindow::Handle();
  data.uID = static_cast<UINT>(icon.ID());
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// Every event of an icon, in order: "click", "dblclick", "down <button> <shift>",
// "up <button> <shift>", "move <shift>".
struct EventLog {
  Events events;
  explicit EventLog(TTrayIcon& icon, bool withMouseUp = true) {
    icon.OnClick = [this, &icon](TTrayIcon& sender) { events.push_back(&sender == &icon ? "click" : "click?"); };
    icon.OnDblClick = [this](TTrayIcon&) { events.push_back("dblclick"); };
    auto mouse = [this](const char* what) {
      return [this, what](TTrayIcon&, kaleidon::TMouseButton b, kaleidon::TShiftState s, int, int) {
        events.push_back(std::string(what) + std::to_string(static_cast<int>(b)) + " " + std::to_string(s));
      };
    };
    icon.OnMouseDown = mouse("down ");
    if (withMouseUp) icon.OnMouseUp = mouse("up ");
    icon.OnMouseMove = [this](TTrayIcon&, kaleidon::TShiftState s, int, int) {
      events.push_back("move " + std::to_string(s));
    };
  }
  size_t Count(const std::string& name) const {
    return static_cast<size_t>(std::count(events.begin(), events.end(), name));
  }
};

}  // namespace traytest
