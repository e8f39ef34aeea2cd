#include "support/folderlink.h"

#include <windows.h>
#include <winioctl.h>

#include <functional>
#include <vector>

#include "framework/base/paths.h"
#include "framework/base/text.h"

using framework::Widen;

namespace {

// The mount-point form of the reparse data (a junction).
struct MountPointReparseBuffer {
  DWORD ReparseTag;
  WORD ReparseDataLength;
  WORD Reserved;
  WORD SubstituteNameOffset;
  WORD SubstituteNameLength;
  WORD PrintNameOffset;
  WORD PrintNameLength;
  WCHAR PathBuffer[1];
};

bool MakeJunction(const std::string& link, const std::string& target) {
  std::wstring wideLink = Widen(link);
  if (!CreateDirectoryW(wideLink.c_str(), nullptr)) return false;
  std::wstring substitute = L"\\??\\" + Widen(framework::JoinPath(target, ""));
  const size_t nameBytes = substitute.size() * sizeof(WCHAR);
  std::vector<BYTE> bytes(sizeof(MountPointReparseBuffer) + nameBytes + 2 * sizeof(WCHAR));
  auto* data = reinterpret_cast<MountPointReparseBuffer*>(bytes.data());
  data->ReparseTag = IO_REPARSE_TAG_MOUNT_POINT;
  data->SubstituteNameLength = static_cast<WORD>(nameBytes);
  data->PrintNameOffset = static_cast<WORD>(nameBytes + sizeof(WCHAR));
  memcpy(data->PathBuffer, substitute.c_str(), nameBytes);
  data->ReparseDataLength = static_cast<WORD>(4 * sizeof(WORD) + nameBytes + 2 * sizeof(WCHAR));
  HANDLE h = CreateFileW(wideLink.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD returned = 0;
  bool made = h != INVALID_HANDLE_VALUE &&
              DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, data, 8 + data->ReparseDataLength, nullptr, 0, &returned,
                              nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!made) RemoveDirectoryW(wideLink.c_str());
  return made;
}

// Under Wine: the Unix path of a Windows path; empty elsewhere.
std::string UnixPathOf(const std::string& path) {
  using Convert = char*(CDECL*)(LPCWSTR);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  char* unix = convert(Widen(path).c_str());
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Runs a Unix program of the host (Wine starts those too). Its process
// handle may be signalled before the program has run: callers wait for its
// effect.
void RunHostProgram(const std::string& program, const std::string& arguments) {
  std::wstring commandLine = Widen(program + " " + arguments);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(Widen("Z:" + program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return;
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

bool WaitFor(const std::function<bool()>& done) {
  for (int tries = 0; tries < 200; ++tries) {
    if (done()) return true;
    Sleep(25);
  }
  return false;
}

bool IsFolderLink(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

FolderLink::FolderLink(const std::string& link, const std::string& target) : link_(link) {
  if (MakeJunction(link, target)) {
    kind_ = "junction";
    return;
  }
  std::string unixTarget = UnixPathOf(target);
  std::string unixFolder = UnixPathOf(framework::ExtractFilePath(link));
  if (unixTarget.empty() || unixFolder.empty()) return;
  if (unixFolder.back() != '/') unixFolder += '/';
  RunHostProgram("/bin/ln", "-s \"" + unixTarget + "\" \"" + unixFolder + framework::ExtractFileName(link) + "\"");
  if (WaitFor([&] { return IsFolderLink(link); })) kind_ = "unix symlink";
}

FolderLink::~FolderLink() {
  if (kind_ == "junction") {
    RemoveDirectoryW(Widen(link_).c_str());
  } else if (kind_ == "unix symlink") {
    // Wine sees the link as the folder it leads to and will not remove it.
    std::string unixLink = UnixPathOf(link_);
    if (!unixLink.empty()) RunHostProgram("/bin/rm", "-f \"" + unixLink + "\"");
    WaitFor([&] { return !IsFolderLink(link_); });
  }
}
