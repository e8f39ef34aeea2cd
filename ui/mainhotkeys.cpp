// The main window's system-wide hotkeys: the next wallpaper and back to the
// previous one, as the options set them.
#include <algorithm>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/hotkeys.h"
#include "tray/trayicon.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

namespace kaleidon {

namespace {

// The ids of the hotkeys registered on the window.
constexpr int kHotKeyNextId = 1;
constexpr int kHotKeyBackId = 2;
constexpr const char* kHotKeyTakenCaption = "悪のホットキーエラー";
constexpr const char* kHotKeyTakenText =
    "ぬぐっ！ホットキー「%s」は既に悪の別のプログラムに使われているぞ！\r"
    "「%s」はこのキーでは呼び出せない。\r"
    "オプションの「その他」で別の正義のキーを設定してくれ！";
constexpr const char* kHotKeyNextAction = "次の壁紙";
constexpr const char* kHotKeyBackAction = "前の壁紙に戻す";

}  // namespace

using framework::Application;

void TForm1::OptionsHotKeysChanged(int next, int back) { RegisterHotKeys(next, back); }

void TForm1::RegisterHotKeys(int next, int back) {
  UnregisterHotKeys();
  hotKeys_ = {{kHotKeyNextId, kHotKeyNextAction, next}, {kHotKeyBackId, kHotKeyBackAction, back}};
  TryHotKeys();
}

void TForm1::TryHotKeys() {
  if (!Handle()) return;
  for (HotKey& hotKey : hotKeys_) {
    if (hotKey.registered) continue;
    const WORD value = static_cast<WORD>(hotKey.value);
    if (framework::RegisterGlobalHotKey(Handle(), hotKey.id, value)) {
      hotKey.registered = value != 0;
      continue;
    }
    // Another program holds the keys: said once in a run for each hotkey;
    // the other hotkey and the rest of the program work all the same.
    if (std::find(hotKeysReported_.begin(), hotKeysReported_.end(), hotKey.value) != hotKeysReported_.end()) continue;
    hotKeysReported_.push_back(hotKey.value);
    Application::Instance().MessageBox(
        framework::FormatText(kHotKeyTakenText, {framework::HotKeyName(value), hotKey.action}), kHotKeyTakenCaption,
        MB_OK | MB_ICONWARNING);
  }
}

void TForm1::UnregisterHotKeys() {
  for (HotKey& hotKey : hotKeys_) {
    if (hotKey.registered && Handle()) UnregisterHotKey(Handle(), hotKey.id);
    hotKey.registered = false;
  }
}

void TForm1::WMHotKey(int id) {
  // A hotkey does what the tray icon's click and the back button do.
  if (!TrayIcon1 || !TrayIcon1->Enabled()) return;
  if (id == kHotKeyNextId) Button3Click();
  if (id == kHotKeyBackId) Button11Click();
}

}  // namespace kaleidon
