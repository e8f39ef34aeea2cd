#pragma once
// Hotkeys: the system's hotkey control, where the user presses the keys of
// a hotkey, and the system-wide hotkeys a window registers. A hotkey is the
// control's value: the virtual key in the low byte, the HOTKEYF_* modifiers
// in the high byte; 0 is none.
#include <string>

#include "framework/gui/forms.h"

namespace framework {

// The system's hotkey control (msctls_hotkey32). OnChange fires whenever the
// value changes: keys pressed by the user, or a value set from code.
class HotKeyEdit : public WinControl {
 public:
  HotKeyEdit(Form* owner, std::string name);
  WORD Value() const;
  void SetValue(WORD value);
  // Combinations the control does not take (HKCOMB_*) and the modifiers it
  // puts in their place.
  void SetRules(WORD invalidCombinations, WORD replacementModifiers);

  Event OnChange;
  void HandleCommand(int code) override;
  // Readers get the keys' name as the value of a hotkey field.
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
};

// The name of a hotkey as the user reads it: "Ctrl+Alt+N", "Shift+F5";
// empty for none.
std::string HotKeyName(WORD value);

// The MOD_* modifiers of RegisterHotKey for a hotkey's HOTKEYF_* ones.
UINT HotKeyModifiers(WORD value);

// Registers the hotkey for the window under the id, without repeats while
// the keys are held (where the system offers that). False when the system
// refuses it: another program holds the same keys. A value of 0 registers
// nothing and is true.
bool RegisterGlobalHotKey(HWND window, int id, WORD value);

}  // namespace framework
