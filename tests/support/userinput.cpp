#include "support/userinput.h"

#include <commdlg.h>

#include <chrono>
#include <vector>

#include "framework/base/text.h"

namespace {

struct Search {
  const wchar_t* className;
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t buffer[256];
  GetClassNameW(hwnd, buffer, 256);
  if (std::wstring(buffer) != search->className) return TRUE;
  GetWindowTextW(hwnd, buffer, 256);
  if (!search->caption.empty() && search->caption != buffer) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

HWND WaitForWindow(const std::function<HWND()>& find) {
  for (int i = 0; i < 500; ++i) {
    if (HWND h = find()) return h;
    Sleep(20);
  }
  return nullptr;
}

HWND FindProcessWindow(const wchar_t* className, const std::string& caption) {
  Search search{className, framework::Widen(caption)};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void ClickAt(HWND window, POINT client) {
  ClientToScreen(window, &client);
  SetForegroundWindow(GetAncestor(window, GA_ROOT));
  SetCursorPos(client.x, client.y);
  // Each event carries the point, so the button goes down and up there
  // wherever the cursor went meanwhile.
  INPUT inputs[3] = {};
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = (client.x * 65535 + width / 2) / (width - 1);
    input.mi.dy = (client.y * 65535 + height / 2) / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
}

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *--it;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
