#include "support/messageboxes.h"

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
  framework::Application::Instance().SetMessageBoxHook([this](const framework::MessageBoxCall& call) {
    calls_.push_back(call);
    return answer_;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { framework::Application::Instance().SetMessageBoxHook(nullptr); }

int MessageBoxRecorder::Notify(const framework::Notice& notice) {
  // Owned as the application's message box would be.
  HWND owner = notice.ownerless ? nullptr : framework::Application::Instance().Handle();
  calls_.push_back({owner, notice.text, notice.caption, notice.flags});
  return answer_;
}

std::vector<std::string> MessageBoxRecorder::Captions() const {
  std::vector<std::string> captions;
  for (const auto& c : calls_) captions.push_back(c.caption);
  return captions;
}
