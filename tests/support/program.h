#pragma once
// Runs Kaleidon.exe as a user would: copied into a program folder of its own,
// started with arguments, its windows found by class and caption.
#include <windows.h>

#include <optional>
#include <string>

#include "support/fixtures.h"
#include "support/tempdir.h"

// The built Kaleidon.exe as a Windows path.
std::string BuiltProgramPath();

class ProgramProcess {
 public:
  ProgramProcess() = default;
  ~ProgramProcess();
  ProgramProcess(ProgramProcess&& other) noexcept;
  ProgramProcess& operator=(ProgramProcess&&) = delete;

  // Starts programPath with the command-line tail args, in workingFolder
  // (the program's own folder when empty).
  static ProgramProcess Start(const std::string& programPath, const std::string& args = "",
                              const std::string& workingFolder = "");

  // The exit code, or nothing when it did not end within timeoutMs.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs);
  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// Polls for a top-level window of the class (and caption, unless empty)
// belonging to process id (0: any) until timeoutMs passes.
HWND WaitForWindow(const wchar_t* className, const std::string& caption, DWORD processId, DWORD timeoutMs);
// The text of a message box window (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
std::string WindowText(HWND window);

// A program folder holding a copy of Kaleidon.exe.
class InstalledProgram : public TempDir {
 public:
  InstalledProgram();
  std::string Exe() const { return PathOf("Kaleidon.exe"); }
  // A settings file of a run that ended normally, plus extra SysInfo lines.
  void WriteSettings(const std::string& extraSysInfoLines = "") const;
};
