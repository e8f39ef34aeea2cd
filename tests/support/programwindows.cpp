#include "support/programwindows.h"

#include "framework/base/paths.h"

ProgramWindows::ProgramWindows(const std::string& settings, const std::string& firstArgument) {
  framework::OverrideProgramFolder(folder.path());
  if (!settings.empty()) folder.WriteFile("Kaleidon.ini", settings);
  Create(kaleidon::CommandLine{firstArgument});
}

ProgramWindows::~ProgramWindows() {
  Destroy();
  framework::OverrideProgramFolder("");
}
