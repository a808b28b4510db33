// Calls onto the main (user-interface) thread.
//
// Workers hand events to the main thread with a blocking Synchronize; any wait the main thread
// does (stopping the engine, stopping the player) must call ServePending between slices so a
// worker blocked in Synchronize can finish. The application installs a service that also wakes
// its event loop; headless code and tests use the plain service.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class IMainThreadCalls {
 public:
  virtual ~IMainThreadCalls() = default;
  virtual bool IsMainThread() const = 0;
  // Runs fn on the main thread and returns when it has run; runs it directly on the main thread.
  // An exception thrown by fn is rethrown in the caller.
  virtual void Synchronize(const std::function<void()>& fn) = 0;
  // Main thread only: runs every call that waits. Returns the number of calls run.
  virtual int ServePending() = 0;
};

// A queue served by whoever is the main thread. `Wake` (optional) is called after a call was
// queued, so an event loop can schedule ServePending.
class TQueuedMainThreadCalls : public IMainThreadCalls {
 public:
  explicit TQueuedMainThreadCalls(std::function<void()> wake = {});
  bool IsMainThread() const override;
  void Synchronize(const std::function<void()>& fn) override;
  int ServePending() override;
  // Makes the calling thread the main thread (tests that run a "main" thread of their own).
  void AdoptCurrentThread();

 private:
  struct TCall {
    const std::function<void()>* fn;
    std::exception_ptr error;
    bool done = false;
  };
  std::function<void()> FWake;
  std::thread::id FMainThread;
  // -- All the following fields are protected by FLock.
  std::mutex FLock;
  std::condition_variable FDone;
  std::deque<TCall*> FQueue;
};

// The process-wide service. The default one treats the thread that started the process as main.
IMainThreadCalls& MainThreadCalls();
// Installs a service (the application's); nullptr restores the default. Not thread-safe: call
// before any worker starts.
void SetMainThreadCalls(IMainThreadCalls* calls);

inline bool IsMainThread() { return MainThreadCalls().IsMainThread(); }
inline void Synchronize(const std::function<void()>& fn) { MainThreadCalls().Synchronize(fn); }
// Serves pending calls when on the main thread; does nothing elsewhere.
inline void ServePendingIfMain() {
  if (IsMainThread()) MainThreadCalls().ServePending();
}

}  // namespace platform
