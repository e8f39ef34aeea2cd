#pragma once
// Run-time binding of the LHA archive library UNLHA32.DLL, which may be
// absent. LoadUnlhaLibrary loads it once at start and looks up 41 exports by
// name; every entry-point slot starts out holding a fallback that reports the
// missing function ("Unlha: LHA.DLL not loaded.", caption "PANIC!!") and
// returns 0, and keeps it when the library or that export is missing.
//
// The slots take the library's own arguments (ANSI strings, stdcall). The
// conveniences at the end take UTF-8 and convert at the call.
#include <windows.h>

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "framework/base/notices.h"

namespace kaleidon {

// An archive opened by UnlhaOpenArchive.
using HARC = HANDLE;

// The entry record that UnlhaFindFirst and UnlhaFindNext fill. The library
// writes the entry's name at offset 26 as NUL-terminated ANSI (at most 513
// bytes); nothing else of it is read.
struct EntryInfo {
  static constexpr size_t kSize = 560;
  unsigned char bytes[kSize] = {};
  // The entry's name, converted from ANSI.
  std::string Name() const;
};

// The 41 bound functions in binding order: export name, name shown by its
// fallback, result type, argument types.
#define KALEIDON_UNLHA_FUNCTIONS(X)                                          \
  X(UnlhaGetVersion, "UnlhaGetVersion", WORD, ())                            \
  X(UnlhaGetSubVersion, "UnlhaGetSubVersion", WORD, ())                      \
  X(UnlhaGetRunning, "UnlhaGetRunning", BOOL, ())                            \
  X(UnlhaGetBackGroundMode, "UnlhaGetBackGroundMode", BOOL, ())              \
  X(UnlhaSetBackGroundMode, "UnlhaSetBackGroundMode", BOOL, (BOOL))          \
  X(UnlhaGetCursorMode, "UnlhaGetCursorMode", BOOL, ())                      \
  X(UnlhaSetCursorMode, "UnlhaSetCursorMode", BOOL, (BOOL))                  \
  X(UnlhaGetCursorInterval, "UnlhaGetCursorInterval", WORD, ())              \
  X(UnlhaSetCursorInterval, "UnlhaSetCursorInterval", BOOL, (WORD))          \
  X(Unlha, "Unlha", int, (HWND, LPCSTR, LPSTR, DWORD))                       \
  X(UnlhaCheckArchive, "UnlhaCheckArchive", BOOL, (LPCSTR, int))             \
  X(UnlhaConfigDialog, "UnlhaConfigDialog", BOOL, (HWND, LPSTR, int))        \
  X(UnlhaGetFileCount, "UnlhaGetFileCount", int, (LPCSTR))                   \
  X(UnlhaOpenArchive, "UnlhaOpenArchive", HARC, (HWND, LPCSTR, DWORD))       \
  X(UnlhaCloseArchive, "UnlhaCloseArchive", int, (HARC))                     \
  X(UnlhaFindFirst, "UnlhaFindFirst", int, (HARC, LPCSTR, EntryInfo*))       \
  X(UnlhaFindNext, "UnlhaFindNext", int, (HARC, EntryInfo*))                 \
  X(UnlhaGetArcFileName, "UnlhaGetArcFileName", int, (HARC, LPSTR, int))     \
  X(UnlhaGetArcFileSize, "UnlhaGetArcFileSize", DWORD, (HARC))               \
  X(UnlhaGetArcOriginalSize, "UnlhaGetArcOriginalSize", DWORD, (HARC))       \
  X(UnlhaGetArcCompressedSize, "UnlhaGetArcCompessedSize", DWORD, (HARC))    \
  X(UnlhaGetArcRatio, "UnlhaGetArcRatio", WORD, (HARC))                      \
  X(UnlhaGetArcDate, "UnlhaGetArcDate", WORD, (HARC))                        \
  X(UnlhaGetArcTime, "UnlhaGetArcTime", WORD, (HARC))                        \
  X(UnlhaGetArcOSType, "UnlhaGetArcOSType", UINT, (HARC))                    \
  X(UnlhaGetFileName, "UnlhaGetFileName", int, (HARC, LPSTR, int))           \
  X(UnlhaGetMethod, "UnlhaGetMethod", int, (HARC, LPSTR, int))               \
  X(UnlhaGetOriginalSize, "UnlhaGetOriginalSize", DWORD, (HARC))             \
  X(UnlhaGetCompressedSize, "UnlhaGetCompressedSize", DWORD, (HARC))         \
  X(UnlhaGetRatio, "UnlhaGetRatio", WORD, (HARC))                            \
  X(UnlhaGetDate, "UnlhaGetDate", WORD, (HARC))                              \
  X(UnlhaGetTime, "UnlhaGetTime", WORD, (HARC))                              \
  X(UnlhaGetWriteTime, "UnlhaGetWriteTime", DWORD, (HARC))                   \
  X(UnlhaGetAccessTime, "UnlhaGetAcessTime", DWORD, (HARC))                  \
  X(UnlhaGetCreateTime, "UnlhaGetCreateTime", DWORD, (HARC))                 \
  X(UnlhaGetCRC, "UnlhaGetCRC", DWORD, (HARC))                               \
  X(UnlhaGetAttribute, "UnlhaGetAttribute", int, (HARC))                     \
  X(UnlhaGetOSType, "UnlhaGetOSType", UINT, (HARC))                          \
  X(UnlhaQueryFunctionList, "UnlhaQueryFunctionList", BOOL, (int))           \
  X(UnlhaSetOwnerWindow, "UnlhaSetOwnerWindow", BOOL, (HWND))                \
  X(UnlhaClearOwnerWindow, "UnlhaClearOwnerWindow", BOOL, ())

// The entry-point slots: UnlhaOpenArchive is of type UnlhaOpenArchiveProc and
// so on. Call them like functions: kaleidon::Unlha(window, command, out, 255).
#define KALEIDON_UNLHA_SLOT(name, message, result, params) \
  using name##Proc = result(WINAPI*) params;               \
  extern name##Proc name;
KALEIDON_UNLHA_FUNCTIONS(KALEIDON_UNLHA_SLOT)
#undef KALEIDON_UNLHA_SLOT

// Extraction into memory, which not every version of the library offers:
// bound when the library exports it and null otherwise (no fallback, no
// report; without it a member is only ever extracted to a file).
using UnlhaExtractMemProc = int(WINAPI*)(HWND, LPCSTR, LPBYTE, DWORD, time_t*, LPWORD, LPDWORD);
extern UnlhaExtractMemProc UnlhaExtractMem;

// Loads UNLHA32.DLL (by its plain name, through the system's search order)
// and binds every export it has. Not reported when missing: the first call
// of a slot is, to reports.
void LoadUnlhaLibrary(framework::Notices& reports);
// The binding steps for a load result: the slots get their fallbacks, which
// report to reports from now on (reports outlives the binding), then, when
// module (read as a signed number) is 32 or more, the exports found in it.
// LoadUnlhaLibrary passes what LoadLibrary returned.
void BindUnlhaLibrary(HMODULE module, framework::Notices& reports);
// Releases the library when one is loaded; the slots fall back again.
void FreeUnlhaLibrary();
// An archive whose path the library cannot take is staged under a plain name
// in this folder for the call (the user's temp folder until it is set), and
// removed after it; setting it removes what an ended run left staged there.
void SetUnlhaStagingFolder(const std::string& folder);
HMODULE UnlhaModule();
bool UnlhaLoaded();

// The body of every fallback: the box "<name>: LHA.DLL not loaded." with the
// caption "PANIC!!", an error icon and no owner.
void ReportUnlhaMissing(const char* messageName);

// One row of the binding table, for looking at how the slots are bound.
struct UnlhaFunction {
  const char* exportName;
  const char* messageName;
  bool bound;  // the slot holds the library's export, not the fallback
};
std::vector<UnlhaFunction> UnlhaFunctions();
bool UnlhaFunctionBound(const std::string& exportName);

// --- Conveniences (UTF-8 in and out) ---
// Paths holding a character the ANSI code page lacks reach the library in
// their short (8.3) form where the file system has one; elsewhere (a volume
// with short names turned off) the call runs in the folder concerned and
// names the archive relative to it, through a name of plain letters when
// its own has such a character.

// Whether short forms are tried (on by default); tests turn them off to take
// the other way, as a volume without short names would.
void UseShortNamesForLibrary(bool use);

// The entry names of an archive in the library's order, at most limit of
// them: open with mode 1, find "*.*", find the next until -1 or the limit,
// close. An enumeration ends at the first fallback it meets (after its
// report): without the library that is UnlhaOpenArchive's, and the list is
// empty. A null archive handle ends it too.
std::vector<std::string> ListArchiveEntries(const std::string& archivePath, size_t limit);

// The command line that extracts member (a name or a wildcard such as *.*)
// from the archive into folder: e "<archive>" "<folder\>" "<member>", with
// quiet "e -n ..." (the library shows no progress window). The folder field
// always ends with '\'. Empty when a field is empty or holds a quotation mark
// or a control character, which would break the fields apart.
std::string ExtractCommandLine(const std::string& archivePath, const std::string& folder,
                               const std::string& member, bool quiet);

// What the library answered to a command: Unlha's result, 0 when it did
// what it was told, 0x8000 and above when it reports an error.
struct UnlhaAnswer {
  static constexpr int kErrorStart = 0x8000;
  bool called = false;  // the library's own Unlha took the command
  int result = 0;
  bool Done() const { return called && result == 0; }
  // Not called at all (no library, a refused member), or an error reported:
  // the file will not come.
  bool Failed() const { return !called || result >= kErrorStart; }
};

// Runs that command through Unlha with the window as owner and a report
// buffer of 255 characters. The member must be a safe member name (see
// archive/membername.h) or a wildcard without a folder part; anything else is
// refused before the library is called.
UnlhaAnswer RunExtractCommand(HWND window, const std::string& archivePath, const std::string& folder,
                              const std::string& member, bool quiet);
// The same; true when the library ran the command and reported success.
bool ExtractArchiveMember(HWND window, const std::string& archivePath, const std::string& folder,
                          const std::string& member, bool quiet);

// The first bytes of a member read into memory through UnlhaExtractMem with
// a buffer of `most` bytes: command line "<archive>" "<member>". The library
// writes what fits; whole tells that it reported success, so the member
// ended within the buffer. Nothing when the library lacks the function, the
// member is refused (as for RunExtractCommand) or nothing came.
struct MemberStart {
  std::string bytes;
  bool whole = false;
};
std::optional<MemberStart> ReadArchiveMemberStart(HWND window, const std::string& archivePath,
                                                  const std::string& member, size_t most);
bool CanReadMembersIntoMemory();

}  // namespace kaleidon
