#pragma once
// The program's entry: one copy at a time, the splash, the windows in their
// order, the change at start-up or from the command line, the message loop.
#include <string>
#include <vector>

namespace kaleidon {

inline constexpr const wchar_t* kInstanceMutexName = L"Quorin[Kaleidon]";

// Only the first argument counts, and only in its exact written forms.
struct CommandLine {
  std::string first;
  bool Change() const { return first == "/e" || first == "/E"; }
  bool Silent() const { return first == "/s" || first == "/S"; }
  bool Reset() const { return first == "/f" || first == "/F"; }
};

// Runs the program; the exit code is always 0.
int RunKaleidon(const CommandLine& commandLine);

}  // namespace kaleidon
