#pragma once
// The program's help. Where Windows still has its help engine (winhlp32.exe
// in the Windows folder) and the help file lies beside the program, the help
// file opens there; everywhere else (Windows 10 and 11 have no engine) the
// help page beside the program opens in the user's browser.
#include <functional>
#include <string>

namespace kaleidon {

inline constexpr const char* kHelpFileName = "kaleidon.hlp";
inline constexpr const char* kHelpPageName = "Kaleidon.html";

// How the help is opened; each answers whether it opened.
struct HelpOpeners {
  std::function<bool(const std::string& helpFile)> helpEngine;  // contents and index of a help file
  std::function<bool(const std::string& page)> browser;         // a page in the user's browser
  // The system's: WinHelp with HELP_FINDER and ShellExecute "open", both
  // owned by the application window.
  static HelpOpeners System();
};

// Opens the help file through the help engine when both are there, else (or
// when the engine refuses) the help page; false when nothing opened.
bool OpenHelp(const std::string& programFolder, const std::string& windowsFolder, const HelpOpeners& open);

}  // namespace kaleidon
