#include "support/program.h"

#include <stdexcept>

#include "framework/base/paths.h"
#include "framework/base/text.h"

using framework::Narrow;
using framework::Widen;

std::string BuiltProgramPath() {
#ifdef KALEIDON_EXE
  return WindowsPathOf(KALEIDON_EXE);
#else
  return {};
#endif
}

ProgramProcess::~ProgramProcess() {
  if (info_.hProcess) {
    if (Running()) Kill();
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

ProgramProcess::ProgramProcess(ProgramProcess&& other) noexcept : info_(other.info_) { other.info_ = {}; }

ProgramProcess ProgramProcess::Start(const std::string& programPath, const std::string& args,
                                     const std::string& workingFolder) {
  ProgramProcess p;
  std::wstring commandLine = L"\"" + Widen(programPath) + L"\"";
  if (!args.empty()) commandLine += L" " + Widen(args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring folder = Widen(workingFolder.empty() ? framework::ExtractFilePath(programPath) : workingFolder);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                      &p.info_))
    throw std::runtime_error("cannot start " + programPath);
  return p;
}

std::optional<DWORD> ProgramProcess::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

bool ProgramProcess::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void ProgramProcess::Kill() {
  TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, 10000);
}

namespace {
struct WindowSearch {
  std::wstring className;
  std::wstring caption;
  DWORD processId;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  wchar_t cls[256], text[512];
  GetClassNameW(hwnd, cls, 256);
  GetWindowTextW(hwnd, text, 512);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (search->className == cls && (search->caption.empty() || search->caption == text) &&
      (search->processId == 0 || search->processId == pid)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND WaitForWindow(const wchar_t* className, const std::string& caption, DWORD processId, DWORD timeoutMs) {
  WindowSearch search{className, Widen(caption), processId};
  DWORD start = GetTickCount();
  do {
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::string WindowText(HWND window) {
  wchar_t text[4096];
  int n = GetWindowTextW(window, text, 4096);
  return Narrow(std::wstring_view(text, static_cast<size_t>(n)));
}

std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

InstalledProgram::InstalledProgram() {
  if (!CopyFileW(Widen(BuiltProgramPath()).c_str(), Widen(Exe()).c_str(), FALSE))
    throw std::runtime_error("cannot copy " + BuiltProgramPath());
}

void InstalledProgram::WriteSettings(const std::string& extraSysInfoLines) const {
  WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\n" + extraSysInfoLines);
}
