#pragma once
// Records every message box the program shows and answers it with a chosen
// button, so tests never block on a window.
#include <string>
#include <vector>

#include "framework/gui/application.h"

class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int answer = IDOK);
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  const std::vector<framework::MessageBoxCall>& Calls() const { return calls_; }
  size_t Count() const { return calls_.size(); }
  const framework::MessageBoxCall& Last() const { return calls_.back(); }
  std::vector<std::string> Captions() const;
  void Clear() { calls_.clear(); }
  void SetAnswer(int answer) { answer_ = answer; }

 private:
  std::vector<framework::MessageBoxCall> calls_;
  int answer_;
};
