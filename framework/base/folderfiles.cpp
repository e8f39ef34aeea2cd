#include "framework/base/folderfiles.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "framework/base/bounded.h"
#include "framework/base/exception.h"
#include "framework/base/filemask.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"

namespace framework {

namespace {

std::wstring UpperCase(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

DWORD EnumerateFolderNow(const std::string& folder, bool foldersOnly,
                         const std::function<void(const WIN32_FIND_DATAW&)>& each) {
  QuietErrors quiet;
  std::wstring pattern = Widen(JoinPath(folder, "*"));
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd,
                              foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Systems that know neither the basic information level nor large fetches.
    h = FindFirstFileW(pattern.c_str(), &fd);
  }
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
      // Nothing at all matched "*": only an empty drive root does that.
      DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
      return error;
    }
    return error ? error : ERROR_PATH_NOT_FOUND;
  }
  auto close = ScopeExit([h] { FindClose(h); });
  do {
    if (fd.cFileName[0] == L'.' &&
        (fd.cFileName[1] == 0 || (fd.cFileName[1] == L'.' && fd.cFileName[2] == 0)))
      continue;
    each(fd);
  } while (FindNextFileW(h, &fd));
  DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

}  // namespace

// The entries are gathered on a thread of their own (a folder on a dead
// share may never answer) and handed to each here. A listing that does not
// end in time is a folder that cannot be read.
DWORD EnumerateFolder(const std::string& folder, bool foldersOnly,
                      const std::function<void(const WIN32_FIND_DATAW&)>& each) {
  struct Listed {
    DWORD error = 0;
    std::vector<std::pair<DWORD, std::wstring>> entries;  // attributes, name
  };
  std::optional<Listed> listed = CallWithin(ReadBoundMs(), [folder, foldersOnly] {
    Listed found;
    found.error = EnumerateFolderNow(folder, foldersOnly, [&found](const WIN32_FIND_DATAW& fd) {
      found.entries.emplace_back(fd.dwFileAttributes, fd.cFileName);
    });
    return found;
  });
  if (!listed) return ERROR_TIMEOUT;
  WIN32_FIND_DATAW fd{};
  for (const auto& [attributes, name] : listed->entries) {
    fd.dwFileAttributes = attributes;
    name.copy(fd.cFileName, MAX_PATH - 1);
    fd.cFileName[std::min<size_t>(name.size(), MAX_PATH - 1)] = 0;
    each(fd);
  }
  return listed->error;
}

void RaiseCannotOpenFolder(const std::string& folder) {
  throw Exception(FormatText("フォルダ %s を開けません", {folder}));
}

// Sort keys make it one conversion per name instead of one per comparison.
std::vector<std::string> SortForDisplay(std::vector<std::wstring> names) {
  struct Keyed {
    std::string key;
    std::wstring name;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(names.size());
  for (std::wstring& name : names) {
    Keyed k;
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(),
                            static_cast<int>(name.size()), nullptr, 0);
    if (size > 0) {
      k.key.resize(static_cast<size_t>(size));
      LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), static_cast<int>(name.size()),
                   reinterpret_cast<LPWSTR>(k.key.data()), size);
    }
    k.name = std::move(name);
    keyed.push_back(std::move(k));
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    int c = a.key.compare(b.key);
    if (c != 0) return c < 0;
    return a.name < b.name;  // names equal but for case: a fixed order all the same
  });
  std::vector<std::string> result;
  result.reserve(keyed.size());
  for (const Keyed& k : keyed) result.push_back(Narrow(k.name));
  return result;
}

std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& mask, unsigned types) {
  FileMask fileMask(UpperCase(Widen(mask)));
  std::vector<std::wstring> names;
  DWORD error = EnumerateFolder(folder, false, [&](const WIN32_FIND_DATAW& fd) {
    DWORD a = fd.dwFileAttributes;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return;
    if ((a & FILE_ATTRIBUTE_HIDDEN) && !(types & kFileHidden)) return;
    if ((a & FILE_ATTRIBUTE_SYSTEM) && !(types & kFileSystem)) return;
    bool wanted = (types & kFileNormal) || ((a & FILE_ATTRIBUTE_READONLY) && (types & kFileReadOnly)) ||
                  ((a & FILE_ATTRIBUTE_ARCHIVE) && (types & kFileArchive)) ||
                  ((a & FILE_ATTRIBUTE_HIDDEN) && (types & kFileHidden)) ||
                  ((a & FILE_ATTRIBUTE_SYSTEM) && (types & kFileSystem));
    if (!wanted) return;
    if (fileMask.Empty()) return;
    std::wstring name = fd.cFileName;
    if (fileMask.Matches(UpperCase(name))) names.push_back(std::move(name));
  });
  if (error) RaiseCannotOpenFolder(folder);
  return SortForDisplay(std::move(names));
}

}  // namespace framework
