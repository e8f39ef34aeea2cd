#include "ui/help.h"

#include <windows.h>

#include <shellapi.h>

#include "framework/base/paths.h"
#include "framework/base/shellcalls.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

namespace kaleidon {

HelpOpeners HelpOpeners::System() {
  HelpOpeners open;
  open.helpEngine = [](const std::string& helpFile) {
    return WinHelpW(framework::Application::Instance().Handle(), framework::Widen(helpFile).c_str(), HELP_FINDER,
                    0) != FALSE;
  };
  open.browser = [](const std::string& page) {
    HINSTANCE result = framework::shell::Execute(framework::Application::Instance().Handle(), L"open",
                                                 framework::Widen(page).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
  };
  return open;
}

bool OpenHelp(const std::string& programFolder, const std::string& windowsFolder, const HelpOpeners& open) {
  std::string helpFile = framework::JoinPath(programFolder, kHelpFileName);
  bool engineThere = framework::FileExists(framework::JoinPath(windowsFolder, "winhlp32.exe"));
  if (engineThere && framework::FileExists(helpFile) && open.helpEngine(helpFile)) return true;
  std::string page = framework::JoinPath(programFolder, kHelpPageName);
  return framework::FileExists(page) && open.browser(page);
}

}  // namespace kaleidon
