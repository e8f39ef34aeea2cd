#pragma once
// The system's file dialogs, really shown and answered as a user would: the
// name typed into the name box, then OK (or Cancel) pressed.
#include <windows.h>

#include <memory>
#include <string>

// The text of a file dialog's name box.
std::string FileDialogName(HWND dialog);
// Types path into the name box and presses OK; an empty path presses Cancel.
void AnswerFileDialog(HWND dialog, const std::string& path);

// Answers the next file dialog of this process titled title, from inside the
// dialog's own message loop, while the object lives.
class FileDialogAnswer {
 public:
  FileDialogAnswer(const std::string& title, const std::string& path);
  ~FileDialogAnswer();
  FileDialogAnswer(const FileDialogAnswer&) = delete;
  FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;

  // Whether the dialog came up, and the name it offered.
  bool Seen() const;
  std::string OfferedName() const;

 private:
  struct State;
  static void LookForDialog(const std::shared_ptr<State>& state);
  std::shared_ptr<State> state_;
};
