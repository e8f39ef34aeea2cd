#include <windows.h>

#include <shellapi.h>

#include "app/startup.h"
#include "framework/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A DLL planted in the working folder must never be loaded as the archive
  // library or an image plug-in.
  SetDllDirectoryW(L"");
  kaleidon::CommandLine commandLine;
  int count = 0;
  if (LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count)) {
    if (count > 1) commandLine.first = framework::Narrow(args[1]);
    LocalFree(args);
  }
  return kaleidon::RunKaleidon(commandLine);
}
