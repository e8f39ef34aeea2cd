#include "core/settings.h"

#include "framework/base/paths.h"

namespace kaleidon {

std::string SettingsPath() { return framework::JoinPath(framework::ProgramFolder(), "Kaleidon.ini"); }

framework::IniFile OpenSettings() { return framework::IniFile(SettingsPath()); }

}  // namespace kaleidon
