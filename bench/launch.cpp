// The Windows side of bench/run's start-up and idle measurements.
//   bench_launch.exe shown <window class> <program> [argument]
//     starts the program, prints shown_ms (from the call that creates the
//     process to its window of that class being visible), cpu_ms (the
//     program's CPU time by then) and idle_ms (to the program first waiting
//     for input), then closes the window and waits for the process to end.
//   bench_launch.exe ended <program> [argument]
//     starts the program and waits for it to end: prints ended_ms (from
//     the call that creates the process to its end), cpu_ms (the CPU time
//     it took) and its exit code.
//   bench_launch.exe wait <window class>
//     waits (up to 30 s) until a window of that class exists, shown or not.
//   bench_launch.exe close <window class>
//     closes the window and waits for its process to end.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/clock.h"

namespace {

double Milliseconds(const FILETIME& t) {
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

HWND WaitForWindow(const wchar_t* windowClass, DWORD pid, bool visible, HANDLE process, double timeoutMs) {
  const double start = Now();
  while (Now() - start < timeoutMs) {
    for (HWND w = FindWindowExW(nullptr, nullptr, windowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, windowClass, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if ((pid == 0 || owner == pid) && (!visible || IsWindowVisible(w))) return w;
    }
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
    Sleep(1);
  }
  return nullptr;
}

// Closes the window as a user would and waits for the process to end; a
// process that will not end is ended.
bool Close(HWND window, HANDLE process) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, 15000) == WAIT_OBJECT_0) return true;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  return false;
}

// Starts the program with its argument; false, said why, when it cannot be.
bool Start(const wchar_t* program, const wchar_t* argument, PROCESS_INFORMATION& pi) {
  std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
  if (argument) commandLine += L" " + std::wstring(argument);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return true;
  std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
  return false;
}

int Shown(const wchar_t* windowClass, const wchar_t* program, const wchar_t* argument) {
  PROCESS_INFORMATION pi{};
  const double start = Now();
  if (!Start(program, argument, pi)) return 1;
  HWND window = WaitForWindow(windowClass, pi.dwProcessId, true, pi.hProcess, 30000);
  const double shown = Now() - start;
  if (!window) {
    std::fprintf(stderr, "no window of the class was shown\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  // The program's own CPU time to that point: what a busy machine does not stretch.
  FILETIME created, exited, kernel, user;
  double cpu = 0;
  if (GetProcessTimes(pi.hProcess, &created, &exited, &kernel, &user)) cpu = Milliseconds(kernel) + Milliseconds(user);
  const DWORD waited = WaitForInputIdle(pi.hProcess, 10000);
  const double idle = Now() - start;
  std::printf("shown_ms %.1f cpu_ms %.1f idle_ms %.1f%s\n", shown, cpu, idle, waited == 0 ? "" : " (no input idle)");
  bool closed = Close(window, pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return closed ? 0 : 1;
}

int Ended(const wchar_t* program, const wchar_t* argument) {
  PROCESS_INFORMATION pi{};
  const double start = Now();
  if (!Start(program, argument, pi)) return 1;
  CloseHandle(pi.hThread);
  const bool ended = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
  const double took = Now() - start;
  if (!ended) {
    std::fprintf(stderr, "the program did not end within 60 s\n");
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return 1;
  }
  FILETIME created, exited, kernel, user;
  double cpu = 0;
  if (GetProcessTimes(pi.hProcess, &created, &exited, &kernel, &user)) cpu = Milliseconds(kernel) + Milliseconds(user);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  std::printf("ended_ms %.1f cpu_ms %.1f exit %lu\n", took, cpu, code);
  return 0;
}

HANDLE OpenOwner(HWND window, DWORD access) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return OpenProcess(access, FALSE, pid);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_launch shown|wait|close <window class> [program [argument]]\n"
                         "       bench_launch ended <program> [argument]\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  if (mode == L"ended") return Ended(argv[2], argc >= 4 ? argv[3] : nullptr);
  const wchar_t* windowClass = argv[2];
  if (mode == L"shown" && argc >= 4) return Shown(windowClass, argv[3], argc >= 5 ? argv[4] : nullptr);
  HWND window = WaitForWindow(windowClass, 0, false, nullptr, 30000);
  if (!window) {
    std::fprintf(stderr, "no window of the class\n");
    return 1;
  }
  if (mode == L"wait") return 0;
  if (mode == L"close") {
    HANDLE process = OpenOwner(window, SYNCHRONIZE | PROCESS_TERMINATE);
    if (!process) return 1;
    bool closed = Close(window, process);
    CloseHandle(process);
    return closed ? 0 : 1;
  }
  return 2;
}
