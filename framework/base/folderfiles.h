#pragma once
// The entries of a folder: one walk over them with the system's error boxes
// kept quiet, the order a sorted system list shows names in, and the files
// of a folder that a mask admits, sorted so: what a file list shows and what
// a draw among a folder's files works on alike.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace framework {

// The kinds of file a listing takes. A file is taken when it is not a
// folder, it is not hidden unless Hidden is asked for, not a system file
// unless System is asked for, and it is either of a kind asked for or
// Normal is asked for (Normal admits every file that passed the first tests).
enum FileType : unsigned {
  kFileReadOnly = 1,
  kFileHidden = 2,
  kFileSystem = 4,
  kFileArchive = 8,
  kFileNormal = 16,
  kAllFileTypes = kFileReadOnly | kFileHidden | kFileSystem | kFileArchive | kFileNormal,
};

// No "insert a disk" boxes from the system while it lives.
class QuietErrors {
 public:
  QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietErrors() { SetThreadErrorMode(old_, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  DWORD old_ = 0;
};

// Reads the entries of folder (only its subfolders where the system can
// tell them apart, with foldersOnly); each sees every entry but "." and
// "..". Returns the system's error code, 0 on success (an empty drive root
// is a success).
DWORD EnumerateFolder(const std::string& folder, bool foldersOnly,
                      const std::function<void(const WIN32_FIND_DATAW&)>& each);

// Names in the order a sorted system list box shows them: the user's
// locale, letter case ignored.
std::vector<std::string> SortForDisplay(std::vector<std::wstring> names);

// The files of folder of the kinds asked for (FileType flags) whose names
// match mask (";"-separated patterns, see FileMask), sorted for display.
// Raises framework::Exception when the folder does not exist or cannot be
// read.
std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& mask,
                                         unsigned types = kFileNormal);

// "フォルダ %s を開けません".
[[noreturn]] void RaiseCannotOpenFolder(const std::string& folder);

}  // namespace framework
