#include "support/filedialogs.h"

#include <dlgs.h>

#include "framework/gui/application.h"
#include "framework/base/text.h"
#include "support/program.h"

namespace {

// Explorer-style dialogs name the box cmb13; the older ones edt1.
HWND NameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  return box ? box : GetDlgItem(dialog, edt1);
}

}  // namespace

// Asked by message, which also reads the box of another process.
std::string FileDialogName(HWND dialog) {
  wchar_t text[4096] = L"";
  SendMessageW(NameBox(dialog), WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return framework::Narrow(text);
}

void AnswerFileDialog(HWND dialog, const std::string& path) {
  if (path.empty()) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  SetWindowTextW(NameBox(dialog), framework::Widen(path).c_str());
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

struct FileDialogAnswer::State {
  std::string title;
  std::string path;
  bool active = true;
  bool seen = false;
  std::string offered;
  int triesLeft = 2000;
};

FileDialogAnswer::FileDialogAnswer(const std::string& title, const std::string& path)
    : state_(std::make_shared<State>()) {
  state_->title = title;
  state_->path = path;
  auto state = state_;
  framework::Application::Instance().Queue([state] { LookForDialog(state); });
}

FileDialogAnswer::~FileDialogAnswer() { state_->active = false; }

bool FileDialogAnswer::Seen() const { return state_->seen; }
std::string FileDialogAnswer::OfferedName() const { return state_->offered; }

// Runs inside whatever message loop is current; once the dialog's own loop
// runs, the dialog is there.
void FileDialogAnswer::LookForDialog(const std::shared_ptr<State>& state) {
  if (!state->active || state->seen) return;
  HWND dialog = WaitForWindow(L"#32770", state->title, GetCurrentProcessId(), 0);
  if (!dialog) {
    if (--state->triesLeft > 0) {
      Sleep(5);
      framework::Application::Instance().Queue([state] { LookForDialog(state); });
    }
    return;
  }
  state->seen = true;
  state->offered = FileDialogName(dialog);
  AnswerFileDialog(dialog, state->path);
}
