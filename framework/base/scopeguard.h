#pragma once
// Runs a piece of clean-up when the scope ends, on every way out: a normal
// end, a return or an exception. The clean-up must not throw.
//
//   auto restore = framework::ScopeExit([&] { button->SetCursor(nullptr); });
#include <utility>

namespace framework {

template <class F>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(F cleanUp) : cleanUp_(std::move(cleanUp)) {}
  ~ScopeExit() { cleanUp_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F cleanUp_;
};

}  // namespace framework
