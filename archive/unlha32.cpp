#include "archive/unlha32.h"

#include <cstdint>
#include <optional>

#include "archive/membername.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {
namespace {

constexpr const char* kLibraryMissingCaption = "PANIC!!";
constexpr const char* kLibraryMissingTextEnd = ": LHA.DLL not loaded.";

// A fallback has exactly its slot's arguments, so that a stdcall call through
// the slot leaves the stack as the caller expects.
template <size_t Index, typename Proc>
struct Fallback;
template <size_t Index, typename Result, typename... Args>
struct Fallback<Index, Result(WINAPI*)(Args...)> {
  static Result WINAPI Call(Args...);
};

struct Row {
  const char* exportName;
  const char* messageName;
  void (*reset)();
  void (*bind)(FARPROC);
  bool (*bound)();
};

enum : size_t {
#define KALEIDON_UNLHA_INDEX(name, message, result, params) k##name,
  KALEIDON_UNLHA_FUNCTIONS(KALEIDON_UNLHA_INDEX)
#undef KALEIDON_UNLHA_INDEX
  kFunctionCount
};
static_assert(kFunctionCount == 41, "the library is bound by 41 functions");

const Row kRows[] = {
#define KALEIDON_UNLHA_ROW(name, message, result, params)                                \
  {#name, message, [] { name = &Fallback<k##name, name##Proc>::Call; },                 \
   [](FARPROC proc) { name = reinterpret_cast<name##Proc>(reinterpret_cast<void (*)()>(proc)); }, \
   [] { return name != &Fallback<k##name, name##Proc>::Call; }},
    KALEIDON_UNLHA_FUNCTIONS(KALEIDON_UNLHA_ROW)
#undef KALEIDON_UNLHA_ROW
};

template <size_t Index, typename Result, typename... Args>
Result WINAPI Fallback<Index, Result(WINAPI*)(Args...)>::Call(Args...) {
  ReportUnlhaMissing(kRows[Index].messageName);
  return Result{};
}

HMODULE module = nullptr;
bool loaded = false;
framework::Notices* reports = nullptr;  // where the fallbacks report
std::string stagingFolder;               // where archives are staged under plain names

constexpr const char* kStagedPrefix = "~kaleidon-";

// LoadLibrary results below 32 are failures (the old error codes). A module
// handle is an address, unsigned: the 32-bit program may load a library
// above 2 GB.
bool IsModule(HMODULE m) { return reinterpret_cast<uintptr_t>(m) >= 32; }

bool IsPlainWildcard(const std::string& member) {
  if (member.find_first_of("*?") == std::string::npos) return false;
  for (char c : member) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '\\' || c == '/' || c == ':' || c == '"') return false;
  }
  return true;
}

bool IsQuotable(const std::string& field) {
  if (field.empty()) return false;
  for (char c : field)
    if (static_cast<unsigned char>(c) < 0x20 || c == '"') return false;
  return true;
}

bool useShortNames = true;

// The short (8.3) form of a path, when the file system has one the ANSI code
// page holds.
std::optional<std::string> ShortForm(const std::string& path) {
  if (!useShortNames) return std::nullopt;
  std::wstring wide = framework::Widen(path);
  DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring shortPath(n, L'\0');
  n = GetShortPathNameW(wide.c_str(), shortPath.data(), n);
  if (n == 0 || n >= shortPath.size()) return std::nullopt;
  shortPath.resize(n);
  std::string candidate = framework::Narrow(shortPath);
  if (!framework::FitsAnsi(candidate)) return std::nullopt;
  return candidate;
}

// A path as the library can take it: itself when the ANSI code page holds
// it, else its short form.
std::optional<std::string> AnsiForm(const std::string& path) {
  if (path.empty() || framework::FitsAnsi(path)) return path;
  return ShortForm(path);
}

std::string StagingFolder() { return stagingFolder.empty() ? framework::TempFolderPath() : stagingFolder; }

// The archive (and the folder the library extracts to) as the library takes
// them for one call. A path the ANSI code page cannot hold, and that has no
// short form either (a volume with short names turned off), is reached from
// the working folder instead: it moves into the folder for the call, and an
// archive whose name the code page cannot hold is staged under a name of
// plain letters in the staging folder (a hard link, or a copy where no link
// can be made), removed again afterwards.
class LibraryPaths {
 public:
  LibraryPaths(const std::string& archive, const std::string& folder) {
    std::optional<std::string> archiveForm = AnsiForm(archive), folderForm = AnsiForm(folder);
    if (archiveForm && folderForm) {
      archive_ = *archiveForm;
      folder_ = *folderForm;
      return;
    }
    const std::string workFolder = folder.empty() ? framework::ExtractFilePath(archive) : folder;
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    previousFolder_.resize(n);
    previousFolder_.resize(GetCurrentDirectoryW(n, previousFolder_.data()));
    moved_ = SetCurrentDirectoryW(framework::Widen(workFolder).c_str()) != 0;
    folder_ = folder.empty() ? folder : (folderForm ? *folderForm : ".\\");
    if (archiveForm) {
      archive_ = *archiveForm;
    } else if (framework::SameTextNoCase(framework::ExtractFilePath(archive), framework::JoinPath(workFolder, "")) &&
               framework::FitsAnsi(framework::ExtractFileName(archive))) {
      archive_ = framework::ExtractFileName(archive);
    } else {
      // Staged in the staging folder, never beside the archive: a picture
      // folder would list the staged file as an archive of its own.
      static unsigned serial = 0;
      const std::string name = kStagedPrefix + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++serial) + framework::ExtractFileExt(archive);
      const std::string staging = framework::JoinPath(StagingFolder(), "");
      framework::CreateFolder(staging);
      staged_ = staging + name;
      const std::wstring from = framework::Widen(archive), to = framework::Widen(staged_);
      if (!CreateHardLinkW(to.c_str(), from.c_str(), nullptr) && !CopyFileW(from.c_str(), to.c_str(), TRUE))
        staged_.clear();
      // The library reaches it by its ANSI form, or by its name from the
      // working folder when that is the staging folder.
      const std::optional<std::string> stagedForm = staged_.empty() ? std::nullopt : AnsiForm(staged_);
      if (stagedForm) {
        archive_ = *stagedForm;
      } else if (!staged_.empty() && framework::SameTextNoCase(staging, framework::JoinPath(workFolder, ""))) {
        archive_ = name;
      } else {
        if (!staged_.empty()) framework::DeleteFileAt(staged_);
        staged_.clear();
        archive_ = archive;
      }
    }
  }
  ~LibraryPaths() {
    if (!staged_.empty()) framework::DeleteFileAt(staged_);
    if (moved_) SetCurrentDirectoryW(previousFolder_.c_str());
  }
  LibraryPaths(const LibraryPaths&) = delete;
  LibraryPaths& operator=(const LibraryPaths&) = delete;

  const std::string& Archive() const { return archive_; }
  const std::string& Folder() const { return folder_; }

 private:
  std::string archive_, folder_;
  std::string staged_;  // the plain name made for the call, to be removed
  std::wstring previousFolder_;
  bool moved_ = false;
};

}  // namespace

#define KALEIDON_UNLHA_DEFINE(name, message, result, params) name##Proc name = &Fallback<k##name, name##Proc>::Call;
KALEIDON_UNLHA_FUNCTIONS(KALEIDON_UNLHA_DEFINE)
#undef KALEIDON_UNLHA_DEFINE

UnlhaExtractMemProc UnlhaExtractMem = nullptr;

std::string EntryInfo::Name() const { return framework::FromAnsi(MemberNameFromRecord(bytes, kSize)); }

void ReportUnlhaMissing(const char* messageName) {
  if (reports) reports->Notify({std::string(messageName) + kLibraryMissingTextEnd, kLibraryMissingCaption, MB_OK | MB_ICONERROR, true});
}

void BindUnlhaLibrary(HMODULE loadResult, framework::Notices& notices) {
  module = nullptr;
  loaded = false;
  reports = &notices;
  for (const Row& row : kRows) row.reset();
  UnlhaExtractMem = nullptr;
  module = loadResult;
  if (!IsModule(module)) return;
  for (const Row& row : kRows)
    if (FARPROC proc = GetProcAddress(module, row.exportName)) row.bind(proc);
  if (FARPROC proc = GetProcAddress(module, "UnlhaExtractMem"))
    UnlhaExtractMem = reinterpret_cast<UnlhaExtractMemProc>(reinterpret_cast<void (*)()>(proc));
  loaded = true;
}

void LoadUnlhaLibrary(framework::Notices& notices) {
  FreeUnlhaLibrary();
  BindUnlhaLibrary(LoadLibraryW(L"UNLHA32.DLL"), notices);
}

void SetUnlhaStagingFolder(const std::string& folder) {
  stagingFolder = folder;
  if (folder.empty()) return;
  // What a run that was ended while the library read an archive left.
  for (const std::string& name : framework::ListFiles(folder, std::string(kStagedPrefix) + "*"))
    framework::ForceDeleteFile(framework::JoinPath(folder, name));
}

void FreeUnlhaLibrary() {
  if (IsModule(module)) FreeLibrary(module);
  module = nullptr;
  loaded = false;
  for (const Row& row : kRows) row.reset();
  UnlhaExtractMem = nullptr;
}

HMODULE UnlhaModule() { return module; }
bool UnlhaLoaded() { return loaded; }

std::vector<UnlhaFunction> UnlhaFunctions() {
  std::vector<UnlhaFunction> functions;
  for (const Row& row : kRows) functions.push_back({row.exportName, row.messageName, row.bound()});
  return functions;
}

bool UnlhaFunctionBound(const std::string& exportName) {
  for (const Row& row : kRows)
    if (exportName == row.exportName) return row.bound();
  return false;
}

void UseShortNamesForLibrary(bool use) { useShortNames = use; }

std::vector<std::string> ListArchiveEntries(const std::string& archivePath, size_t limit) {
  std::vector<std::string> names;
  if (limit == 0) return names;
  const LibraryPaths paths(archivePath, "");
  std::string path = framework::ToAnsi(paths.Archive());
  bool openBound = kRows[kUnlhaOpenArchive].bound();
  HARC archive = UnlhaOpenArchive(nullptr, path.c_str(), 1);
  if (!openBound || !archive) return names;
  // A fallback answers 0, which would read as one more entry: the walk ends
  // at the first one (after its report).
  EntryInfo info;
  bool more = kRows[kUnlhaFindFirst].bound();
  if (UnlhaFindFirst(archive, "*.*", &info) == -1) more = false;
  while (more) {
    names.push_back(info.Name());
    if (names.size() >= limit) break;
    info = EntryInfo();
    more = kRows[kUnlhaFindNext].bound();
    if (UnlhaFindNext(archive, &info) == -1) more = false;
  }
  UnlhaCloseArchive(archive);
  return names;
}

std::string ExtractCommandLine(const std::string& archivePath, const std::string& folder, const std::string& member,
                               bool quiet) {
  std::string target = folder.empty() ? folder : framework::JoinPath(folder, "");
  if (!IsQuotable(archivePath) || !IsQuotable(target) || !IsQuotable(member)) return {};
  return std::string(quiet ? "e -n" : "e") + " \"" + archivePath + "\" \"" + target + "\" \"" + member + "\"";
}

UnlhaAnswer RunExtractCommand(HWND window, const std::string& archivePath, const std::string& folder,
                              const std::string& member, bool quiet) {
  if (!IsSafeMemberName(member) && !IsPlainWildcard(member)) return {};
  const LibraryPaths paths(archivePath, folder);
  std::string command = ExtractCommandLine(paths.Archive(), paths.Folder(), member, quiet);
  if (command.empty()) return {};
  std::string ansi = framework::ToAnsi(command);
  char report[256] = {};
  bool bound = kRows[kUnlha].bound();
  int result = Unlha(window, ansi.c_str(), report, 255);
  return UnlhaAnswer{bound, result};
}

bool ExtractArchiveMember(HWND window, const std::string& archivePath, const std::string& folder,
                          const std::string& member, bool quiet) {
  return RunExtractCommand(window, archivePath, folder, member, quiet).Done();
}

bool CanReadMembersIntoMemory() { return UnlhaExtractMem != nullptr; }

std::optional<MemberStart> ReadArchiveMemberStart(HWND window, const std::string& archivePath,
                                                  const std::string& member, size_t most) {
  if (!UnlhaExtractMem || most == 0 || most > 0x7FFFFFFF || !IsSafeMemberName(member)) return std::nullopt;
  const LibraryPaths paths(archivePath, "");
  if (!IsQuotable(paths.Archive())) return std::nullopt;
  const std::string command = framework::ToAnsi("\"" + paths.Archive() + "\" \"" + member + "\"");
  MemberStart start;
  start.bytes.resize(most);
  time_t stamp = 0;
  WORD attributes = 0;
  DWORD written = 0;
  const int result = UnlhaExtractMem(window, command.c_str(), reinterpret_cast<LPBYTE>(start.bytes.data()),
                                     static_cast<DWORD>(most), &stamp, &attributes, &written);
  // A member larger than the buffer may come as its first bytes with an
  // error, or not at all; either way only what was written counts.
  if (written > most) written = static_cast<DWORD>(most);
  start.bytes.resize(written);
  start.whole = result == 0;
  if (start.bytes.empty() && !start.whole) return std::nullopt;
  return start;
}

}  // namespace kaleidon
