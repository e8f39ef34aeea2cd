#pragma once
// One thread waking another that sleeps until it is woken: a flag that Wake
// raises and Wait lowers, sleeping while it is down. A wake given while
// nobody sleeps is kept for the next wait; several wakes before it count as
// one. Threads that hand work to each other keep what they share in atomics
// and use this only to sleep and to wake the other when it sleeps. On
// Windows it is an event (no mutex to take on either side).
#include <memory>

namespace framework {

class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  void Wake();
  void Wait();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace framework
