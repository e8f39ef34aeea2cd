#include "support/tempdir.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "framework/base/paths.h"
#include "framework/base/text.h"

using framework::Narrow;
using framework::Widen;

TempDir::TempDir() {
  static int counter = 0;
  std::string base = framework::TempFolderPath();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string candidate = base + "kaleidon-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(++counter) + "\\";
    if (CreateDirectoryW(Widen(candidate).c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() { RemoveTree(path_); }

void TempDir::RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAW fd;
  std::string dir = framework::JoinPath(folder, "");
  HANDLE h = FindFirstFileW(Widen(dir + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::string child = dir + Narrow(name);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveDirectoryW(Widen(child).c_str());  // a link: never what it leads to
      } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        framework::ForceDeleteFile(child);
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(Widen(dir).c_str());
}

void TempDir::WriteFile(const std::string& relative, const std::string& bytes) const {
  std::string full = PathOf(relative);
  size_t slash = relative.rfind('\\');
  if (slash != std::string::npos) MakeFolder(relative.substr(0, slash));
  HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + full);
  DWORD written = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string TempDir::ReadFile(const std::string& relative) const {
  return framework::ReadWholeFile(PathOf(relative)).value_or("");
}

bool TempDir::Exists(const std::string& relative) const {
  return GetFileAttributesW(Widen(PathOf(relative)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TempDir::MakeFolder(const std::string& relative) const {
  std::string full = PathOf(relative);
  for (size_t i = path_.size(); i <= full.size(); ++i)
    if (i == full.size() || full[i] == '\\') CreateDirectoryW(Widen(full.substr(0, i)).c_str(), nullptr);
}

void TempDir::SetReadOnly(const std::string& relative, bool on) const {
  SetFileAttributesW(Widen(PathOf(relative)).c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

std::vector<std::string> TempDir::FileNames(const std::string& relative) const {
  std::vector<std::string> names = framework::ListFiles(PathOf(relative));
  std::sort(names.begin(), names.end());
  return names;
}
