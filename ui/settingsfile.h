#pragma once
// The settings file of the run: Kaleidon.ini in the program folder, never the
// working folder. The windows read and write it, and hand it to the code
// below them.
#include <string>

#include "framework/base/inifile.h"

namespace kaleidon {

std::string SettingsPath();         // program folder + "Kaleidon.ini"
framework::IniFile OpenSettings();  // the settings file by that path

}  // namespace kaleidon
