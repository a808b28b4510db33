#include "platform/MainThread.h"

namespace platform {

TQueuedMainThreadCalls::TQueuedMainThreadCalls(std::function<void()> wake)
    : FWake(std::move(wake)), FMainThread(std::this_thread::get_id()) {}

bool TQueuedMainThreadCalls::IsMainThread() const {
  return std::this_thread::get_id() == FMainThread;
}

void TQueuedMainThreadCalls::AdoptCurrentThread() { FMainThread = std::this_thread::get_id(); }

void TQueuedMainThreadCalls::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  TCall call{&fn, nullptr, false};
  {
    std::lock_guard lock(FLock);
    FQueue.push_back(&call);
  }
  if (FWake) FWake();
  std::unique_lock lock(FLock);
  FDone.wait(lock, [&] { return call.done; });
  if (call.error) std::rethrow_exception(call.error);
}

int TQueuedMainThreadCalls::ServePending() {
  int served = 0;
  for (;;) {
    TCall* call;
    {
      std::lock_guard lock(FLock);
      if (FQueue.empty()) return served;
      call = FQueue.front();
      FQueue.pop_front();
    }
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard lock(FLock);
      call->done = true;
    }
    FDone.notify_all();
    ++served;
  }
}

namespace {
// Constructed during static initialisation, which runs on the process's first thread.
TQueuedMainThreadCalls gDefaultCalls;
IMainThreadCalls* gCalls = &gDefaultCalls;
}  // namespace

IMainThreadCalls& MainThreadCalls() { return *gCalls; }

void SetMainThreadCalls(IMainThreadCalls* calls) { gCalls = calls ? calls : &gDefaultCalls; }

}  // namespace platform

#include "platform/Event.h"

namespace platform {

void WaitServing(TEvent& event, std::chrono::milliseconds slice) {
  bool main = IsMainThread();
  for (;;) {
    if (main) MainThreadCalls().ServePending();
    if (event.WaitFor(main ? slice : std::chrono::milliseconds(1000))) break;
  }
  if (main) MainThreadCalls().ServePending();
}

}  // namespace platform
