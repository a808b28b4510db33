// A manual-reset event with timed waits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class TEvent {
 public:
  explicit TEvent(bool signalled = false) : FSignalled(signalled) {}
  void Set() {
    {
      std::lock_guard lock(FLock);
      FSignalled = true;
    }
    FCond.notify_all();
  }
  void Reset() {
    std::lock_guard lock(FLock);
    FSignalled = false;
  }
  bool IsSet() const {
    std::lock_guard lock(FLock);
    return FSignalled;
  }
  // True when the event is set within the time.
  bool WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(FLock);
    return FCond.wait_for(lock, timeout, [this] { return FSignalled; });
  }
  void Wait() {
    std::unique_lock lock(FLock);
    FCond.wait(lock, [this] { return FSignalled; });
  }

 private:
  mutable std::mutex FLock;
  std::condition_variable FCond;
  bool FSignalled;
};

// Waits for the event in slices; on the main thread it serves pending main-thread calls between
// slices, so a worker blocked on the main thread can go on and set the event.
void WaitServing(TEvent& event, std::chrono::milliseconds slice = std::chrono::milliseconds(20));

}  // namespace platform
