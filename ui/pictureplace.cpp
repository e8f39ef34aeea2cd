#include "ui/pictureplace.h"

#include <windows.h>
#include <shellapi.h>

#include "framework/base/shellcalls.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

namespace kaleidon {

namespace {
// With a picture on each monitor: which monitor's picture (its number, the
// picture's name).
constexpr const char* kMonitorItem = "モニター%s：%s";
}  // namespace

std::string PlaceOf(const PictureSource& source) { return source.file; }

ExplorerOpener SystemExplorer() {
  return [](const std::string& path) {
    const std::wstring arguments = L"/select,\"" + framework::Widen(path) + L"\"";
    framework::shell::Execute(framework::Application::Instance().Handle(), L"open", L"explorer.exe", arguments.c_str(),
                              nullptr, SW_SHOWNORMAL);
  };
}

bool ChooseShownPicture(const ShownSources& shown, framework::PopupMenu& menu,
                        const std::function<void(const ScreenSource& screen, bool ofSeveral)>& act) {
  if (shown.empty()) return false;
  if (shown.size() == 1) {
    act(shown.front(), false);
    return true;
  }
  // A picture on each monitor: the user says which one, in a menu where the
  // tray menu was.
  menu.Clear();
  for (size_t monitor = 0; monitor < shown.size(); ++monitor)
    menu.Add("Monitor" + std::to_string(monitor + 1),
             framework::FormatText(kMonitorItem, {std::to_string(monitor + 1), shown[monitor].source.Name()}),
             [act, screen = shown[monitor]] { act(screen, true); });
  POINT cursor{};
  GetCursorPos(&cursor);
  menu.Popup(cursor.x, cursor.y);
  return true;
}

}  // namespace kaleidon
