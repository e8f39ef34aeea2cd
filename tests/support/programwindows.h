#pragma once
// The program's windows made in the test process, as the start-up makes
// them, over a program folder of the test's own.
#include <memory>

#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"
#include "ui/viewerform.h"

class ProgramWindows {
 public:
  // settings: the text of Kaleidon.ini (none when empty).
  explicit ProgramWindows(const std::string& settings = "[SysInfo]\r\nProgramVersion=0.6\r\n",
                          const std::string& firstArgument = "");
  ~ProgramWindows();

  TempDir folder;
  MessageBoxRecorder boxes;
  std::unique_ptr<kaleidon::TForm1> main;
  std::unique_ptr<kaleidon::TForm2> options;
  std::unique_ptr<kaleidon::TForm4> viewer;
  std::unique_ptr<kaleidon::TForm5> folderList;
};
