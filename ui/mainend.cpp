// The run's end: the main window's close and the session's end write the
// program-end keys of the settings file and empty Temp; neither comes while
// a change runs.
#include "change/changecycle.h"
#include "core/loadgate.h"
#include "core/options.h"
#include "core/storeproblems.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"
#include "ui/settingsfile.h"

namespace kaleidon {

using framework::Application;
using framework::JoinPath;
using framework::ProgramFolder;

void TForm1::FormCloseQuery(bool& canClose) {
  if (Cycle && Cycle->ChangeBusy) {
    // The run's end would empty Temp and write the settings under the
    // change's feet: the window closes once the change has ended.
    closeWaiting_ = true;
    canClose = false;
    return;
  }
  if (!ended_) {  // else the session's end has ended the run already
    // A refused write is said, and the program ends all the same.
    StoreOrReport(Application::Instance(), [this] { WriteProgramEnd(); });
    StopLoadStatistics();
    EmptyTemp();
  }
  UnregisterHotKeys();
  canClose = true;
}

void TForm1::WriteProgramEnd() {
  if (!Options && !windowsMade_) return;  // the start-up failed before the options were read
  // What the run did not read from the file is not written over it.
  if (!settingsRead_ || (Options && !Options->SettingsRead())) return;
  framework::IniEdit settings(OpenSettings());
  // A run that never made the options dialog ends on the stored options.
  // After a reset start no entry is
  // chosen; the combined entry is stored then, since an index of -1 would
  // open the next run on the empty custom filter and list no picture at all.
  WriteProgramEndSettings(settings, CurrentOptions(),
                          {CurrentFolder, SpinEdit1->Value(), std::max(0, FilterComboBox1->ItemIndex())});
  settings.Commit();  // every program-end key in one replacement
}

void TForm1::EmptyTemp() {
  // Pictures taken out of archives live in Temp only for one change; the
  // folder is emptied at the end of the run, whatever attributes they have.
  // A Temp that cannot be read, or a file that will not go, is left as it
  // is: the run ends all the same.
  std::string tempFolder = JoinPath(ProgramFolder(), "Temp");
  if (!framework::DirectoryExists(tempFolder)) return;
  try {
    // Listed already (a cancelled shutdown looked before): read it again.
    if (framework::SameTextNoCase(JoinPath(FileListBox1->Directory(), ""), JoinPath(tempFolder, "")))
      FileListBox1->Update();
    else
      FileListBox1->SetDirectory(tempFolder);
  } catch (const framework::Exception&) {
    return;
  }
  for (const std::string& name : FileListBox1->Items()) {
    std::string path = JoinPath(tempFolder, name);
    if (framework::FileExists(path)) framework::ForceDeleteFile(path);
  }
}

void TForm1::WMQueryEndSession() {
  // Windows may end the process as soon as the session ends, so the run's
  // end is done now, or as soon as the change under way has ended.
  if (Cycle && Cycle->ChangeBusy) {
    sessionEndWaiting_ = std::max(sessionEndWaiting_, 1);
    return;
  }
  EndRunQuietly();
}

void TForm1::WMEndSession(bool ending) {
  if (!ending) {
    // Another program cancelled the shutdown: the run goes on, and its end
    // is still to come.
    if (ended_) StartLoadStatistics();
    ended_ = false;
    sessionEndWaiting_ = 0;
    return;
  }
  if (Cycle && Cycle->ChangeBusy) {
    sessionEndWaiting_ = 2;
    return;
  }
  EndRunQuietly();  // when the system skipped the question
  Hide();
  Application::Instance().Terminate();
}

void TForm1::EndRunQuietly() {
  if (ended_) return;
  ended_ = true;
  // No box may hold up the shutdown. A refused write loses nothing: the
  // settings file on disk stays whole.
  try {
    WriteProgramEnd();
  } catch (...) {
  }
  try {
    StopLoadStatistics();
    EmptyTemp();
  } catch (...) {
  }
}

}  // namespace kaleidon
