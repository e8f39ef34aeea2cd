#pragma once
// What the benchmarks of the wallpaper's preparation share: their arguments
// (<picture> [width height [rounds]], a 1920 x 1080 screen unless given) and
// a program folder of their own in the user's temp folder, where message
// boxes are printed instead of shown.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/wallpaper.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

struct PreparationArguments {
  std::string picture;
  kaleidon::ScreenInfo screen{1920, 1080, 32};
  int rounds;
};

// Nothing when the picture is not named (the usage is printed).
inline std::optional<PreparationArguments> ReadPreparationArguments(int argc, wchar_t** argv, const char* usage,
                                                                    int defaultRounds) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <picture> [width height [rounds]]\n", usage);
    return std::nullopt;
  }
  PreparationArguments arguments{framework::Narrow(argv[1]), {1920, 1080, 32}, defaultRounds};
  if (argc >= 4) {
    arguments.screen.width = _wtoi(argv[2]);
    arguments.screen.height = _wtoi(argv[3]);
  }
  if (argc >= 5) arguments.rounds = std::max(1, _wtoi(argv[4]));
  return arguments;
}

// The program folder the benchmark works in; failed is set by any message.
inline std::string UseBenchProgramFolder(bool& failed) {
  std::string program = framework::TempFolderPath() + "kaleidon-bench-" + std::to_string(GetCurrentProcessId());
  framework::CreateFolder(program);
  framework::OverrideProgramFolder(program);
  framework::Application::Instance().SetMessageBoxHook([&failed](const framework::MessageBoxCall& call) {
    std::fprintf(stderr, "message: %s\n", framework::ToAnsi(call.text).c_str());
    failed = true;
    return IDOK;
  });
  return program;
}
