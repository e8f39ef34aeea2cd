#include "archive/unlha32.h"

#include <cstdint>

#include "archive/membername.h"
#include "framework/gui/application.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {
namespace {

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

// LoadLibrary results below 32 are failures (the old error codes).
bool IsModule(HMODULE m) { return static_cast<intptr_t>(reinterpret_cast<uintptr_t>(m)) >= 32; }

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

// The library takes ANSI paths. A path with a character the ANSI code page
// lacks is given in its short (8.3) form when that one converts cleanly.
std::string LibraryPath(const std::string& path) {
  if (framework::FromAnsi(framework::ToAnsi(path)) == path) return path;
  std::wstring wide = framework::Widen(path);
  DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring shortPath(n, L'\0');
  n = GetShortPathNameW(wide.c_str(), shortPath.data(), n);
  if (n == 0 || n >= shortPath.size()) return path;
  shortPath.resize(n);
  std::string candidate = framework::Narrow(shortPath);
  return framework::FromAnsi(framework::ToAnsi(candidate)) == candidate ? candidate : path;
}

}  // namespace

#define KALEIDON_UNLHA_DEFINE(name, message, result, params) name##Proc name = &Fallback<k##name, name##Proc>::Call;
KALEIDON_UNLHA_FUNCTIONS(KALEIDON_UNLHA_DEFINE)
#undef KALEIDON_UNLHA_DEFINE

std::string EntryInfo::Name() const { return framework::FromAnsi(MemberNameFromRecord(bytes, kSize)); }

void ReportUnlhaMissing(const char* messageName) {
  framework::Application::Instance().MessageBox(std::string(messageName) + ": LHA.DLL not loaded.", "PANIC!!",
                                                MB_OK | MB_ICONERROR, true);
}

void BindUnlhaLibrary(HMODULE loadResult) {
  module = nullptr;
  loaded = false;
  for (const Row& row : kRows) row.reset();
  module = loadResult;
  if (!IsModule(module)) return;
  for (const Row& row : kRows)
    if (FARPROC proc = GetProcAddress(module, row.exportName)) row.bind(proc);
  loaded = true;
}

void LoadUnlhaLibrary() {
  FreeUnlhaLibrary();
  BindUnlhaLibrary(LoadLibraryW(L"UNLHA32.DLL"));
}

void FreeUnlhaLibrary() {
  if (IsModule(module)) FreeLibrary(module);
  module = nullptr;
  loaded = false;
  for (const Row& row : kRows) row.reset();
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

std::vector<std::string> ListArchiveEntries(const std::string& archivePath, size_t limit) {
  std::vector<std::string> names;
  if (limit == 0) return names;
  std::string path = framework::ToAnsi(LibraryPath(archivePath));
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
  std::string command = ExtractCommandLine(LibraryPath(archivePath), LibraryPath(folder), member, quiet);
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

}  // namespace kaleidon
