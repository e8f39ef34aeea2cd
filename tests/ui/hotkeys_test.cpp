// The hotkeys: real key presses through the system's input queue reach the
// main window as WM_HOTKEY; keys another program holds are said once.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/hotkeys.h"
#include "framework/imaging/bitmap.h"
#include "support/programwindows.h"
#include "support/userinput.h"
#include "support/mainwindow.h"

namespace {

constexpr WORD kCtrlAlt = HOTKEYF_CONTROL | HOTKEYF_ALT;

std::string Settings(const std::string& folder, WORD next, WORD back) {
  return "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(folder) +
         "\r\nHotKeyNext=" + std::to_string(next) + "\r\nHotKeyBack=" + std::to_string(back) + "\r\n";
}

// Handles the program's messages until done says so, for a few seconds at most.
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 100; ++i) {
    framework::Application::Instance().ProcessMessages();
    if (done()) return true;
    Sleep(30);
  }
  return false;
}

// Presses the chord and handles the messages it brings: whether the main
// window changed the wallpaper (its shown-file label fills again).
bool PressChanges(ProgramWindows& w, std::initializer_list<WORD> keys) {
  Widgets(*w.main).Label7->SetText("");
  PressKeys(keys);
  return PumpUntil([&] { return !Widgets(*w.main).Label7->Text().empty(); });
}

size_t TakenBoxes(const ProgramWindows& w) {
  size_t n = 0;
  for (const auto& c : w.boxes.Calls()) n += c.caption == "悪のホットキーエラー";
  return n;
}

// A window of another owner that holds keys, as another program would.
class KeyHolder {
 public:
  KeyHolder() : window_(CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)) {}
  ~KeyHolder() {
    UnregisterHotKey(window_, 1);
    DestroyWindow(window_);
  }
  bool Hold(UINT modifiers, UINT key) { return RegisterHotKey(window_, 1, modifiers, key); }

 private:
  HWND window_;
};

class HotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::Bitmap b(4, 3, 24);
    pictures.WriteFile("one.bmp", b.SaveToBytes());
  }
  TempDir pictures;
};

}  // namespace

TEST_F(HotKeys, ThePressedNextHotKeyChangesTheWallpaperAndOkMovesItToOtherKeys) {
  ProgramWindows w(Settings(pictures.path(), MAKEWORD('N', kCtrlAlt), 0));
  EXPECT_EQ(w.boxes.Count(), 0u);
  EXPECT_TRUE(PressChanges(w, {VK_CONTROL, VK_MENU, 'N'}));
  EXPECT_EQ(Widgets(*w.main).Label7->Text(), "one.bmp");
  EXPECT_TRUE(framework::FileExists(w.folder.PathOf("WPFile.BMP")));
  EXPECT_FALSE(PressChanges(w, {VK_CONTROL, 'N'}));  // not the hotkey

  // OK with Ctrl+Shift+M: the old keys are free again, the new ones change.
  w.options->NextHotKey->SetValue(MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
  w.options->Button1->Click();
  EXPECT_FALSE(PressChanges(w, {VK_CONTROL, VK_MENU, 'N'}));
  EXPECT_TRUE(PressChanges(w, {VK_CONTROL, VK_SHIFT, 'M'}));
  KeyHolder other;
  EXPECT_TRUE(other.Hold(MOD_CONTROL | MOD_ALT, 'N'));
  EXPECT_FALSE(KeyHolder().Hold(MOD_CONTROL | MOD_SHIFT, 'M'));

  // The same keys for both are refused: nothing is stored, the page shows.
  const std::string stored = w.folder.ReadFile("Kaleidon.ini");
  w.options->BackHotKey->SetValue(MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
  w.options->Button1->Click();
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Calls().front().text, kaleidon::kHotKeysSameText);
  EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
  EXPECT_EQ(w.options->PageControl1->ActivePage(), w.options->TabSheet2);
  w.options->BackHotKeyClear->Click();
  w.boxes.Clear();

  // Cleared: no hotkey at all.
  w.options->NextHotKeyClear->Click();
  w.options->Button1->Click();
  EXPECT_FALSE(PressChanges(w, {VK_CONTROL, VK_SHIFT, 'M'}));
  EXPECT_EQ(w.boxes.Count(), 0u);
}

TEST_F(HotKeys, KeysAnotherProgramHoldsAreSaidOnceAndTheOtherHotKeyStillWorks) {
  KeyHolder other;
  ASSERT_TRUE(other.Hold(MOD_CONTROL | MOD_ALT, 'B'));
  ProgramWindows w(Settings(pictures.path(), MAKEWORD('N', kCtrlAlt), MAKEWORD('B', kCtrlAlt)));
  ASSERT_EQ(TakenBoxes(w), 1u);
  const framework::MessageBoxCall& box = w.boxes.Calls().front();
  EXPECT_NE(box.text.find("「Ctrl+Alt+B」"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("「前の壁紙に戻す」"), std::string::npos) << box.text;
  EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_TRUE(PressChanges(w, {VK_CONTROL, VK_MENU, 'N'}));

  // Moved away and back, and stored again unchanged: said only the once.
  w.options->BackHotKey->SetValue(MAKEWORD('J', kCtrlAlt));
  w.options->Button1->Click();
  w.options->BackHotKey->SetValue(MAKEWORD('B', kCtrlAlt));
  w.options->Button1->Click();
  w.options->Button1->Click();
  EXPECT_EQ(TakenBoxes(w), 1u);
  EXPECT_TRUE(PressChanges(w, {VK_CONTROL, VK_MENU, 'N'}));
}

TEST_F(HotKeys, KeysAnotherProgramLetGoAreTakenWhenTheOptionsShowOrTheSystemResumes) {
  struct Row {
    const char* when;
    std::function<void(ProgramWindows&)> retry;
  };
  const Row rows[] = {
      {"the system resumes",
       [](ProgramWindows& w) {
         SendMessageW(w.main->Handle(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
       }},
      {"the options show",
       [](ProgramWindows& w) {
         PostMessageW(w.options->Handle(), WM_CLOSE, 0, 0);
         Widgets(*w.main).Button4->Click();  // modal until the dialog closes
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.when);
    auto other = std::make_unique<KeyHolder>();
    ASSERT_TRUE(other->Hold(MOD_CONTROL | MOD_ALT, 'N'));
    ProgramWindows w(Settings(pictures.path(), MAKEWORD('N', kCtrlAlt), 0));
    EXPECT_EQ(TakenBoxes(w), 1u);
    other.reset();
    row.retry(w);
    EXPECT_TRUE(PressChanges(w, {VK_CONTROL, VK_MENU, 'N'}));
    row.retry(w);  // held by the program itself now: nothing more to say
    EXPECT_EQ(TakenBoxes(w), 1u);
  }
}

TEST(HotKeyNames, NamesAreBuiltFromTheModifiersAndTheKey) {
  using framework::HotKeyName;
  EXPECT_EQ(HotKeyName(0), "");
  EXPECT_EQ(HotKeyName(MAKEWORD('N', kCtrlAlt)), "Ctrl+Alt+N");
  EXPECT_EQ(HotKeyName(MAKEWORD(VK_F5, HOTKEYF_SHIFT)), "Shift+F5");
  EXPECT_EQ(HotKeyName(MAKEWORD('7', HOTKEYF_CONTROL | HOTKEYF_SHIFT | HOTKEYF_ALT)), "Ctrl+Shift+Alt+7");
  // Other keys by the keyboard layout's name.
  EXPECT_EQ(HotKeyName(MAKEWORD(VK_HOME, HOTKEYF_ALT | HOTKEYF_EXT)).rfind("Alt+", 0), 0u);
  EXPECT_GT(HotKeyName(MAKEWORD(VK_HOME, HOTKEYF_ALT | HOTKEYF_EXT)).size(), 4u);
  EXPECT_EQ(framework::HotKeyModifiers(MAKEWORD('N', kCtrlAlt | HOTKEYF_EXT)),
            static_cast<UINT>(MOD_CONTROL | MOD_ALT));
}
