#pragma once
// Acting on the program's windows as a user does, from a thread of the
// test's own while the program's thread runs a modal loop (a dialog, a
// system file dialog).
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Waits (up to about ten seconds) until find gives a window; null when none came.
HWND WaitForWindow(const std::function<HWND()>& find);

// A visible top-level window of this process with the class and caption
// (any caption when empty); null when there is none.
HWND FindProcessWindow(const wchar_t* className, const std::string& caption = "");

// A real left click at a point of the window's client area: the cursor is
// moved there and the button pressed and released through the system's
// input queue.
void ClickAt(HWND window, POINT client);

// Answers the next system file dialog of the process from a thread of its
// own: types the file name into it and presses its open button, or cancels
// it when the name is empty.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(std::string fileName);
  ~FileDialogAnswer();
  FileDialogAnswer(const FileDialogAnswer&) = delete;
  FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;

  // Whether a dialog was found and answered.
  bool Answered() const { return answered_; }

 private:
  std::atomic<bool> answered_ = false;
  std::thread thread_;
};
