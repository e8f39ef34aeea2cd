#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/startup.h"
#include "archive/unlha32.h"
#include "framework/base/bounded.h"
#include "framework/base/text.h"
#include "framework/base/trace.h"
#include "framework/gui/dpi.h"
#include "plugins/spihost.h"

namespace {

// A DLL planted in the working folder must never be loaded as the archive
// library or an image plug-in: the libraries come from the program folder,
// the system folder or the Windows folder only.
void RestrictLibrarySearch() {
  SetDllDirectoryW(L"");
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
  using AddDirectory = PVOID(WINAPI*)(PCWSTR);
  auto setDefault = reinterpret_cast<SetDefaultDirs>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  auto addDirectory = reinterpret_cast<AddDirectory>(reinterpret_cast<void*>(GetProcAddress(kernel, "AddDllDirectory")));
  // Windows 7 without its 2011 loader update lacks these; there the empty
  // DLL directory above already drops the working folder.
  if (!setDefault || !addDirectory) return;
  wchar_t windows[MAX_PATH];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n < MAX_PATH) addDirectory(windows);
  setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The run-time library has split the command line already, by the
  // system's rules: the shell's library is not loaded for it.
  std::vector<std::wstring> args;
  if (__wargv) args.assign(__wargv, __wargv + __argc);
  // The plug-in host: the same program, started by itself to call the
  // image plug-ins.
  if (args.size() > 1 && args[1] == kaleidon::kSPIHostSwitch) {
    RestrictLibrarySearch();
    return kaleidon::RunSPIHost({args.begin() + 2, args.end()});
  }
  framework::EnableTrace(L"KALEIDON_TRACE");
  // The kill runs reach the archive library as on a volume without short
  // names, where an archive the code page cannot name is staged for it.
  if (GetEnvironmentVariableW(L"KALEIDON_NO_SHORT_NAMES", nullptr, 0)) kaleidon::UseShortNamesForLibrary(false);
  // Tests shorten the bound of reads of the user's files.
  wchar_t bound[16];
  if (DWORD n = GetEnvironmentVariableW(L"KALEIDON_READ_BOUND_MS", bound, 16); n > 0 && n < 16)
    if (const long ms = std::wcstol(bound, nullptr, 10); ms > 0) framework::SetReadBoundMs(static_cast<unsigned>(ms));
  framework::TraceStep("entry");
  RestrictLibrarySearch();
  // The manifest says so too; systems that do not read it from there hear it here.
  framework::DeclareDpiAwareness();
  kaleidon::CommandLine commandLine;
  if (args.size() > 1) commandLine.first = framework::Narrow(args[1]);
  return kaleidon::RunKaleidon(commandLine);
}
