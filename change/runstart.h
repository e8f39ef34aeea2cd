#pragma once
// What a run does first, before any window shows, on the settings file and
// the program folder alone: the version check (the greeting at a first
// start, the note of an upgrade, the rotation's pass started over), the
// folder Temp, the random generator's seed, and what the settings hold of
// the options, the file type and the folder. The main window's creation and
// the command line's change ("/E", which makes no window) both start so.
#include <string>

#include "core/options.h"
#include "framework/base/inifile.h"
#include "framework/base/notices.h"

namespace kaleidon {

struct RunStart {
  bool settingsRead = true;  // the file was read (or there is none): the run may write it
  ProgramOptions options;    // as stored
  int filter = 0;            // the file-type entry stored (Filter), unchecked
  std::string folder;        // the folder stored (Path), the program folder by default
};

// A settings file that cannot be read is said, and the run goes on with the
// defaults without erasing or writing anything of it.
RunStart StartRun(framework::IniFile settings, framework::Notices& notices);

// The stored folder is gone: said, and the program folder takes its place,
// in the settings file too. Returns the program folder.
std::string ReplaceGoneFolder(framework::IniFile& settings, framework::Notices& notices);

}  // namespace kaleidon
