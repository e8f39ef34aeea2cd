#pragma once
// Paths use '\'; folder paths end in '\'. All strings are UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

// folder, then '\' unless folder already ends in one, then name. An empty
// name gives the folder with a trailing '\'.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder of the program's own file, with a trailing '\'.
std::string ProgramFolder();
// Tests run the program's code from another folder: this replaces what
// ProgramFolder() returns (an empty string restores the real one).
void OverrideProgramFolder(const std::string& folder);

std::string ExtractFileName(std::string_view path);   // after the last '\' or ':'
std::string ExtractFilePath(std::string_view path);   // up to and including it
std::string ExtractFileExt(std::string_view path);    // ".ext" or empty
std::string ExtractFileDrive(std::string_view path);  // "C:" or "\\server\share"
// The drive letter of "C:\..." paths; 0 for others (network paths).
char DriveLetter(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view ext);

bool FileExists(const std::string& path);       // an existing file, not a folder
bool DirectoryExists(const std::string& path);
bool CreateFolder(const std::string& path);     // true when it exists afterwards
bool DeleteFileAt(const std::string& path);
// Clears read-only, hidden and system attributes, then deletes.
bool ForceDeleteFile(const std::string& path);
std::string SystemFolder();                     // with a trailing '\'
std::string WindowsFolder();                    // with a trailing '\'
std::string TempFolderPath();                   // the user's temp folder, trailing '\'

// Whole-file access. ReadWholeFile returns nothing when the file cannot be
// read; a file of more than limit bytes raises EFileTooLarge (exception.h)
// before any of it is read, and one that grows past it is read no further.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit = UINT64_MAX);
// A file the program keeps (settings, lists): nothing when there is no such
// file, its bytes when it was read; one that is there but cannot be read
// raises EReadRefused, for it must not be taken as empty.
std::optional<std::string> ReadStoredFile(const std::string& path);
// Writes a temporary file beside path, flushes it to disk and renames it over
// path, so a failure at any point leaves the previous file as it was. A
// replaced file keeps its hidden and system attributes; a read-only one is
// refused. Returns false (and leaves path untouched) when any step fails.
// Temporary files that an ended writer left beside path are removed.
bool WriteFileAtomically(const std::string& path, std::string_view data);

// The same replacement for a file written piece by piece, at any offset:
// nothing reaches path before Commit, and a replacement dropped without it
// leaves path as it was. After a failed write every further call fails.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  bool Write(std::string_view data);  // where the last write ended (at 0 first)
  bool WriteAt(uint64_t offset, std::string_view data);
  // Flushes the file and renames it over path; false when any step failed.
  bool Commit();

 private:
  void Fail();
  std::wstring target_, temp_;
  void* file_ = nullptr;  // the temporary file's handle while it is written
  unsigned long kept_ = 0;  // attributes the replaced file had and the new one keeps
};

// Names (not paths) of the files in folder matching a wildcard pattern.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern = "*");

}  // namespace framework
