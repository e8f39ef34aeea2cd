#include "framework/base/paths.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "framework/base/exception.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"

namespace framework {

namespace {
std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

size_t NamePos(std::string_view path) {
  size_t p = path.find_last_of("\\:");
  return p == std::string_view::npos ? 0 : p + 1;
}
}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || out.back() != '\\') out += '\\';
  out += name;
  return out;
}

std::string ProgramFolder() {
  if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return ExtractFilePath(Narrow(buffer));
}

void OverrideProgramFolder(const std::string& folder) {
  ProgramFolderOverride() = folder.empty() ? std::string() : JoinPath(folder, "");
}

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(NamePos(path))); }
std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, NamePos(path))); }

std::string ExtractFileExt(std::string_view path) {
  size_t dot = path.find_last_of(".\\:");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return std::string(path.substr(dot));
}

std::string ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    if (server == std::string_view::npos) return std::string(path);
    size_t share = path.find('\\', server + 1);
    return std::string(path.substr(0, share));
  }
  return {};
}

char DriveLetter(std::string_view path) { return path.size() >= 2 && path[1] == ':' ? path[0] : 0; }

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string old = ExtractFileExt(path);
  return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
  return CreateDirectoryW(Widen(path).c_str(), nullptr) || DirectoryExists(path);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

bool ForceDeleteFile(const std::string& path) {
  std::wstring w = Widen(path);
  SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(w.c_str()) != 0;
}

namespace {
// Calls a system function that fills a buffer and returns the length, or the
// size it needs when the buffer is too small.
template <class Fill>
std::string FolderFromSystem(Fill fill) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    size_t n = fill(buffer.data(), static_cast<unsigned>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return JoinPath(Narrow(std::wstring_view(buffer.data(), n)), "");
    buffer.assign(n + 1, L'\0');
  }
  return {};
}
}  // namespace

std::string SystemFolder() {
  return FolderFromSystem([](wchar_t* b, unsigned size) { return GetSystemDirectoryW(b, size); });
}

std::string WindowsFolder() {
  return FolderFromSystem([](wchar_t* b, unsigned size) { return GetWindowsDirectoryW(b, size); });
}

std::string TempFolderPath() {
  return FolderFromSystem([](wchar_t* b, unsigned size) { return GetTempPathW(size, b); });
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  const ScopeExit close([h] { CloseHandle(h); });
  // Read straight into a string of the file's size, in large pieces (each
  // read is a trip to the system, and a large photo is megabytes); a file
  // that grows meanwhile is read to its end all the same, up to the limit.
  std::string data;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0) {
    if (static_cast<uint64_t>(size.QuadPart) > limit || static_cast<uint64_t>(size.QuadPart) >= data.max_size())
      throw EFileTooLarge(path);
    data.resize(static_cast<size_t>(size.QuadPart) + 1);  // the last read, of nothing, needs room
  }
  constexpr DWORD kPiece = 8u << 20;
  size_t used = 0;
  bool ok = true;
  for (;;) {
    if (used > limit) throw EFileTooLarge(path);
    if (used == data.size()) data.resize(used + 65536);
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - used, kPiece));
    DWORD got = 0;
    ok = ReadFile(h, data.data() + used, want, &got, nullptr);
    if (!ok || got == 0) break;
    used += got;
  }
  if (!ok) return std::nullopt;
  data.resize(used);
  return data;
}

std::optional<std::string> ReadStoredFile(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (bytes) return bytes;
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
  }
  throw EReadRefused(path);
}

namespace {
// Temporary files of earlier writes of target that never got to replace it
// (the writer was ended halfway) are removed: nothing reads them, they pile
// up, and on Windows one that got the hidden attribute would stop a later
// writer of the same process id from creating its own. A file still open by
// a writer of the moment stays (it is opened without sharing).
void RemoveLeftoverTempFiles(const std::wstring& target) {
  const size_t nameAt = target.find_last_of(L"\\/:") + 1;  // 0 when there is no folder
  const std::wstring folder = target.substr(0, nameAt);
  const std::wstring prefix = target.substr(nameAt) + L".~";
  const std::wstring suffix = L".tmp";
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((target + L".~*.tmp").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern also matches short names: only <name>.~<digits>.tmp counts.
    std::wstring_view name = fd.cFileName;
    if (name.size() <= prefix.size() + suffix.size() ||
        CompareStringOrdinal(name.data(), static_cast<int>(prefix.size()), prefix.data(),
                             static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL ||
        CompareStringOrdinal(name.data() + name.size() - suffix.size(), static_cast<int>(suffix.size()),
                             suffix.data(), static_cast<int>(suffix.size()), TRUE) != CSTR_EQUAL)
      continue;
    std::wstring_view id = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (id.find_first_not_of(L"0123456789") != std::wstring_view::npos) continue;
    std::wstring leftover = folder + std::wstring(name);
    DeleteFileW(leftover.c_str());
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}
}  // namespace

FileReplacement::FileReplacement(const std::string& path) : target_(Widen(path)) {
  // A read-only file is the user's way of saying "keep this": refuse, as the
  // system refuses to overwrite it in place.
  DWORD attributes = GetFileAttributesW(target_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return;
  // The new file takes the place of the old one as it was: a hidden history
  // file stays hidden, a system file stays a system file.
  kept_ = attributes == INVALID_FILE_ATTRIBUTES
              ? 0
              : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  RemoveLeftoverTempFiles(target_);
  temp_ = target_ + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  file_ = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) file_ = nullptr;
}

FileReplacement::~FileReplacement() {
  if (!file_) return;
  CloseHandle(file_);
  DeleteFileW(temp_.c_str());
}

bool FileReplacement::Write(std::string_view data) {
  while (file_ && !data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file_, data.data(), chunk, &written, nullptr) || written != chunk) Fail();
    data.remove_prefix(chunk);
  }
  return file_ != nullptr;
}

bool FileReplacement::WriteAt(uint64_t offset, std::string_view data) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (file_ && !SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) Fail();
  return Write(data);
}

void FileReplacement::Fail() {
  CloseHandle(file_);
  file_ = nullptr;
  DeleteFileW(temp_.c_str());
}

bool FileReplacement::Commit() {
  if (!file_) return false;
  bool ok = FlushFileBuffers(file_);
  CloseHandle(file_);
  file_ = nullptr;
  if (ok && kept_) ok = SetFileAttributesW(temp_.c_str(), kept_ | FILE_ATTRIBUTE_ARCHIVE) != 0;
  if (ok) ok = MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileW(temp_.c_str());
  return ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  FileReplacement replacement(path);
  return replacement.Write(data) && replacement.Commit();
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(JoinPath(folder, pattern)).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(fd.cFileName));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

}  // namespace framework
