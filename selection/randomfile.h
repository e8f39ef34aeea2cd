#pragma once
// The random choice of the next wallpaper file. A file of the current folder
// is drawn that the folder's history (_Buf.RFB) does not hold yet and that
// the user has not excluded (selection/exclusions.h); once every
// listed file has been shown the history starts over and the folder is marked
// as shown through in the current slot. An LZH archive in the list is a
// container: a member is drawn the same way against the archive's own
// history (<archive base name>.RFB beside it) and extracted into the program
// folder's Temp.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/base/inifile.h"
#include "framework/base/notices.h"
#include "selection/picturesize.h"
#include "selection/picturesource.h"

namespace kaleidon {

// What a choice works on, handed in by the main window.
struct FileChoice {
  std::string folder;               // the current folder F
  std::vector<std::string> names;   // the names its file list shows, in list order
  std::string mask;                 // the file list's mask, patterns separated by ';'
  int currentSlot = 1;              // the slot box's value
  int loopCounter = 256;            // most archive entries read per archive
  HWND owner = nullptr;             // the main window, for the archive library
  std::string programFolder;        // with a trailing '\'
  // Moves the file list's selection to a row (-1: no selection).
  std::function<void(int row)> selectRow;
  // The settings file, where a folder shown through is marked for the
  // rotation, and where the user is told of a problem.
  framework::IniFile settings;
  framework::Notices& notices;
  // How long to wait for an extracted file to appear, and how often to look;
  // pause waits between two looks (the thread sleeps when it is empty).
  unsigned extractWaitMs = 10000;
  unsigned extractPollMs = 100;
  std::function<void(unsigned ms)> pause;
  // What the monitor the picture is for asks of it. The draw prefers, among
  // the pictures not shown yet, one that suits, reading headers only of the
  // pictures it looks at (a few hundred at most); when none of those does,
  // any of them is taken. An archive
  // counts as suiting; among its members the same preference holds, their
  // sizes learned by extracting a few of them into memory (when the archive
  // library can; else every member suits). A picture whose size no reader
  // tells (ReadPictureSize) suits too.
  PictureDemand demand;
};

// What a choice came to.
struct PickResult {
  enum class Kind {
    Picture,        // path: the chosen file, or the member extracted into Temp
    ArchiveUsedUp,  // path: the archive drawn, which holds no member the mask admits
    MemberRefused,  // the member drawn cannot be used (an archive inside the
                    // archive, or an extraction that never came); no path
    AllExcluded,    // every file of the list is excluded (_Never.RFB): the
                    // folder counts as shown through; no path
  };
  Kind kind = Kind::Picture;
  std::string path;
  // path is a member extracted into Temp, to be deleted once it has been
  // used; also set for a refused member whose extraction the library took
  // (its file may still come).
  bool extracted = false;
  // Where a picture came from: the file chosen, or the archive and member.
  PictureSource source;
};

// A file of the list; for an archive, the result of PickFromArchive. Raises
// framework::Exception when the list is empty or a history file cannot be
// read or written.
PickResult PickRandomFile(FileChoice& choice);

// For the archive at path: <program folder>Temp\<member's file name> with the
// member extracted there, or why there is none.
PickResult PickFromArchive(FileChoice& choice, const std::string& archive);

// Draws one of the candidate member names against the archive's history and
// records it there; excluded members are never drawn. Empty when the member
// is refused or every candidate is excluded.
std::string PickArchiveMember(FileChoice& choice, const std::string& archive,
                              const std::vector<std::string>& candidates);

// Extracts member into <program folder>Temp\ and waits for the file: a
// picture when it came; refused at once when the library reports a failure,
// and refused (but extracted, still to be deleted) when the file did not
// appear in time.
PickResult ExtractToTemp(const FileChoice& choice, const std::string& archive, const std::string& member);

// Appends the archive's file name to its folder's history, unsorted: the
// archive is passed over until the folder's pass ends.
void MarkArchiveShown(const std::string& archive);

// Gives a history file of the older name (_Buf.ini, <archive>.ini) the name
// ending in .RFB; when that is taken, the older file is deleted.
void MigrateLegacyBuffer(const std::string& path);

// The mask split at ';', at most 31 patterns (later ones are ignored); ";;"
// leaves an empty pattern.
std::vector<std::string> SplitMaskPatterns(const std::string& mask);

// The entry names that may be drawn: for each pattern that equals "*" + the
// name's extension (ASCII case ignored), the name once more; names that
// could land outside the extraction folder are left out.
std::vector<std::string> MatchArchiveMembers(const std::vector<std::string>& entries,
                                             const std::vector<std::string>& patterns);

}  // namespace kaleidon
