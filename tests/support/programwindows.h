#pragma once
// The program's windows made in the test process by the start-up's own
// ProgramWindows, over a program folder of the test's own.
#include <functional>
#include <string>

#include "app/startup.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"
#include "ui/viewerform.h"

class ProgramWindows : public kaleidon::ProgramWindows {
 public:
  // settings: the text of Kaleidon.ini (none when empty); beforeStart runs
  // on the program folder once it holds the file, before the windows are made.
  explicit ProgramWindows(const std::string& settings = "[SysInfo]\r\nProgramVersion=0.6\r\n",
                          const std::string& firstArgument = "",
                          const std::function<void(TempDir& folder)>& beforeStart = {});
  ~ProgramWindows();

  TempDir folder;
  MessageBoxRecorder boxes;
};
