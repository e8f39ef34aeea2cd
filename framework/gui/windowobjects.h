#pragma once
// Which of the program's objects answers for a window. A window property
// would say it as well, but under Wine each read of one is a round trip to
// the window server, and the question comes with every message a window
// gets: a start that paints two dozen controls asked it hundreds of times.
#include <windows.h>

#include <unordered_map>

namespace framework {

template <class T>
class WindowObjects {
 public:
  void Set(HWND window, T* object) {
    AcquireSRWLockExclusive(&lock_);
    objects_[window] = object;
    ReleaseSRWLockExclusive(&lock_);
  }
  // Called when the object lets its window go, and when the window is
  // destroyed under it (its last message), so a handle the system gives
  // out again never finds the old object.
  void Remove(HWND window) {
    AcquireSRWLockExclusive(&lock_);
    objects_.erase(window);
    ReleaseSRWLockExclusive(&lock_);
  }
  T* Find(HWND window) const {
    if (!window) return nullptr;
    AcquireSRWLockShared(&lock_);
    auto found = objects_.find(window);
    T* object = found == objects_.end() ? nullptr : found->second;
    ReleaseSRWLockShared(&lock_);
    return object;
  }

 private:
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::unordered_map<HWND, T*> objects_;
};

}  // namespace framework
