#include "support/programwindows.h"

#include "framework/base/paths.h"

ProgramWindows::ProgramWindows(const std::string& settings, const std::string& firstArgument,
                               const std::function<void(TempDir& folder)>& beforeStart) {
  framework::OverrideProgramFolder(folder.path());
  if (!settings.empty()) folder.WriteFile("Kaleidon.ini", settings);
  if (beforeStart) beforeStart(folder);
  Create(kaleidon::CommandLine{firstArgument});
}

ProgramWindows::~ProgramWindows() {
  Destroy();
  framework::OverrideProgramFolder("");
}
