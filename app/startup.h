#pragma once
// The program's entry: one copy at a time, the splash, the windows in their
// order, the change at start-up or from the command line, the message loop.
#include "core/commandline.h"

namespace kaleidon {

inline constexpr const wchar_t* kInstanceMutexName = L"Quorin[Kaleidon]";

// Runs the program; the exit code is always 0.
int RunKaleidon(const CommandLine& commandLine);

}  // namespace kaleidon
