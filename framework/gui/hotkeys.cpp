#include "framework/gui/hotkeys.h"

#include <commctrl.h>
#include <oleacc.h>

#include "framework/base/text.h"

namespace framework {

HotKeyEdit::HotKeyEdit(Form* owner, std::string name) : WinControl(owner, std::move(name)) {
  SetDefaultSize(121, 21);
  CreateHandle(HOTKEY_CLASSW, WS_TABSTOP, WS_EX_CLIENTEDGE);
}

WORD HotKeyEdit::Value() const { return LOWORD(SendMessageW(Handle(), HKM_GETHOTKEY, 0, 0)); }

void HotKeyEdit::SetValue(WORD value) {
  if (value == Value()) return;
  SendMessageW(Handle(), HKM_SETHOTKEY, value, 0);
  Fire(OnChange);
}

void HotKeyEdit::SetRules(WORD invalidCombinations, WORD replacementModifiers) {
  SendMessageW(Handle(), HKM_SETRULES, invalidCombinations, MAKELPARAM(replacementModifiers, 0));
}

void HotKeyEdit::HandleCommand(int code) {
  if (code == EN_CHANGE) Fire(OnChange);
}

AccessibleElement HotKeyEdit::DescribeAccessible(const AccessiblePath& path) const {
  AccessibleElement self = WinControl::DescribeAccessible(path);
  if (!path.empty()) return self;
  self.role = ROLE_SYSTEM_HOTKEYFIELD;
  self.value = HotKeyName(Value());
  return self;
}

namespace {

// The key's own name, as the keyboard layout gives it.
std::string KeyName(BYTE key, bool extended) {
  if (key >= 'A' && key <= 'Z') return std::string(1, static_cast<char>(key));
  if (key >= '0' && key <= '9') return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  const UINT scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  if (scanCode != 0) {
    wchar_t name[64] = {};
    const LONG lParam = static_cast<LONG>((scanCode << 16) | (extended ? 1u << 24 : 0u));
    if (int n = GetKeyNameTextW(lParam, name, 64); n > 0) return Narrow(std::wstring_view(name, static_cast<size_t>(n)));
  }
  char code[8];
  wsprintfA(code, "#%02X", key);
  return code;
}

}  // namespace

std::string HotKeyName(WORD value) {
  const BYTE key = LOBYTE(value), modifiers = HIBYTE(value);
  if (key == 0) return std::string();
  std::string name;
  if (modifiers & HOTKEYF_CONTROL) name += "Ctrl+";
  if (modifiers & HOTKEYF_SHIFT) name += "Shift+";
  if (modifiers & HOTKEYF_ALT) name += "Alt+";
  return name + KeyName(key, (modifiers & HOTKEYF_EXT) != 0);
}

UINT HotKeyModifiers(WORD value) {
  const BYTE modifiers = HIBYTE(value);
  UINT mod = 0;
  if (modifiers & HOTKEYF_ALT) mod |= MOD_ALT;
  if (modifiers & HOTKEYF_CONTROL) mod |= MOD_CONTROL;
  if (modifiers & HOTKEYF_SHIFT) mod |= MOD_SHIFT;
  return mod;
}

bool RegisterGlobalHotKey(HWND window, int id, WORD value) {
  const UINT key = LOBYTE(value);
  if (key == 0) return true;
  const UINT modifiers = HotKeyModifiers(value);
  if (RegisterHotKey(window, id, modifiers | MOD_NOREPEAT, key)) return true;
  // Systems before Windows 7 refuse MOD_NOREPEAT as an unknown flag.
  if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return false;
  return RegisterHotKey(window, id, modifiers, key) != FALSE;
}

}  // namespace framework
