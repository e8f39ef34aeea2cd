#include "framework/base/wakeup.h"

#ifdef _WIN32
#include <windows.h>

#include <new>
#else
#include <condition_variable>
#include <mutex>
#endif

namespace framework {

#ifdef _WIN32

struct Wakeup::State {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // resets as a wait ends
  ~State() {
    if (event) CloseHandle(event);
  }
};

Wakeup::Wakeup() : state_(std::make_unique<State>()) {
  if (!state_->event) throw std::bad_alloc();
}

void Wakeup::Wake() { SetEvent(state_->event); }

void Wakeup::Wait() { WaitForSingleObject(state_->event, INFINITE); }

#else

struct Wakeup::State {
  std::mutex mutex;
  std::condition_variable changed;
  bool raised = false;
};

Wakeup::Wakeup() : state_(std::make_unique<State>()) {}

void Wakeup::Wake() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->raised = true;
  }
  state_->changed.notify_one();
}

void Wakeup::Wait() {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->changed.wait(lock, [this] { return state_->raised; });
  state_->raised = false;
}

#endif

Wakeup::~Wakeup() = default;

}  // namespace framework
