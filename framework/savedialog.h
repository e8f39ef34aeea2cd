#pragma once
// The system's file-save dialog as a component: set its title, filter and
// the name it offers, Execute it, read the chosen path.
#include <windows.h>

#include <string>

namespace framework {

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
