#include "framework/base/trace.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace framework {

namespace {

HANDLE traceFile = INVALID_HANDLE_VALUE;
ULONGLONG processCreated = 0;  // 100 ns units
void(WINAPI* preciseTime)(LPFILETIME) = nullptr;

ULONGLONG Ticks(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

void EnableTrace(const wchar_t* environmentVariable) {
  wchar_t path[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(environmentVariable, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || traceFile != INVALID_HANDLE_VALUE) return;
  traceFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  FILETIME created, exited, kernel, user;
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) processCreated = Ticks(created);
  // Windows 8 and later keep the time of day to the microsecond.
  preciseTime = reinterpret_cast<void(WINAPI*)(LPFILETIME)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
}

void TraceStep(const char* step) {
  if (traceFile == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  if (preciseTime)
    preciseTime(&now);
  else
    GetSystemTimeAsFileTime(&now);
  char line[160];
  int n = std::snprintf(line, sizeof line, "%8.1f ms  %s\r\n",
                        static_cast<double>(Ticks(now) - processCreated) / 10000.0, step);
  DWORD written = 0;
  if (n > 0) WriteFile(traceFile, line, static_cast<DWORD>(std::min<int>(n, sizeof line - 1)), &written, nullptr);
}

}  // namespace framework
