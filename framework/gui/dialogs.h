#pragma once
// The system's file-open and file-save dialogs as components: set their
// filter and start values, Execute them, read the chosen file.
#include <windows.h>

#include <string>

namespace framework {

// "description|pattern|description|pattern" (as the file-type boxes take
// it) as the system's dialogs take it: the parts separated by NUL, the list
// ended by two. A last description without its pattern is dropped.
std::wstring DialogFilter(const std::string& filter);

class OpenDialog {
 public:
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  // The entry of the filter chosen at first, counted from 1.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int index) { filterIndex_ = index; }
  const std::string& Title() const { return title_; }  // empty: the system's title
  void SetTitle(const std::string& title) { title_ = title; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& folder) { initialDir_ = folder; }
  // The chosen file's full path; its name is offered when the dialog opens.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& path) { fileName_ = path; }

  // Shows the dialog, owned by owner, until the user chooses an existing
  // file (true; FileName holds it) or cancels (false; nothing changes).
  bool Execute(HWND owner);

 private:
  std::string filter_;
  int filterIndex_ = 1;
  std::string title_;
  std::string initialDir_;
  std::string fileName_;
};

class SaveDialog {
 public:
  // "description|pattern|description|pattern", as the file-type boxes take it.
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  const std::string& Title() const { return title_; }  // empty: the system's title
  void SetTitle(const std::string& title) { title_ = title; }
  // The chosen file's full path; before Execute, the name offered.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& path) { fileName_ = path; }

  // Shows the dialog, owned by owner, until the user chooses a name (true;
  // FileName holds its full path) or cancels (false; nothing changes). The
  // program's working folder stays as it was.
  bool Execute(HWND owner);

 private:
  std::string filter_;
  std::string title_;
  std::string fileName_;
};

}  // namespace framework
