#include "engine/ConvertRun.h"

#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "platform/MainThread.h"

std::mutex& PostHookLock() {
  static std::mutex lock;
  return lock;
}

TConvertRun::~TConvertRun() { JoinThreads(); }

std::string TConvertRun::FatalMessage() const {
  std::lock_guard lock(FStateLock);
  return FFatalMessage;
}

void TConvertRun::Fail(const std::string& msg) {
  {
    std::lock_guard lock(FStateLock);
    if (!FFatalException) FFatalMessage = msg;
  }
  FFatalException = true;
  FFLogger().Log(this, llQuiet, msg);
}

void TConvertRun::SetPostHook(TPostHook hook, bool on) {
  std::lock_guard lock(PostHookLock());
  if (on)
    FPostHooks |= 1u << hook;
  else
    FPostHooks &= ~(1u << hook);
}

bool TConvertRun::HasPostHook(TPostHook hook) const {
  std::lock_guard lock(PostHookLock());
  return (FPostHooks >> hook) & 1u;
}

namespace {

void ApplyPriority(platform::TThreadPriority priority) {
  if (platform::SetCurrentThreadPriority(priority)) return;
  static std::atomic<bool> logged{false};
  if (!logged.exchange(true))
    FFLogger().Log(nullptr, llWarning,
                   "Thread priority above normal needs privileges; conversions run at normal "
                   "priority");
}

}  // namespace

bool TConvertRun::StartConvert(bool useThread, platform::TThreadPriority priority) {
  if (FConverting || FTerminated) return false;
  std::string error = StartError();
  if (!error.empty()) {
    Guarded([this] { CloseFiles(); });
    Fail(error);
    TerminateStep();
    return false;
  }
  FConverting = true;
  FBroken = false;
  FFinished = false;
  FTerminated = false;
  if (!useThread) {
    Body();
    return false;
  }
  JoinThreads();  // a previous thread of this converter has ended; reap it
  FStopEvent.Reset();
  FThread = std::thread([this, priority] {
    ApplyPriority(priority);
    Body();
    FStopEvent.Set();
  });
  return true;
}

template <typename F>
void TConvertRun::Guarded(F step) {
  try {
    step();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unknown error");
  }
}

void TConvertRun::Body() {
  Guarded([this] {
    Transcode();
    FFinished = !FBroken;
  });
  Guarded([this] { FreeCodecs(); });
  Guarded([this] { CloseFiles(); });
  Guarded([this] { TerminateStep(); });
}

void TConvertRun::TerminateStep() {
  FConverting = false;
  FTerminated = true;
  if (OnTerminate) OnTerminate();
}

void TConvertRun::HaltWhilePaused() {
  if (!FPaused) return;
  std::unique_lock lock(FPauseLock);
  FPauseCond.wait(lock, [this] { return !FPaused || FBroken; });
}

void TConvertRun::Pause() {
  if (!FConverting || !FThread.joinable()) return;
  std::lock_guard lock(FPauseLock);
  FPaused = true;
}

void TConvertRun::Resume() {
  {
    std::lock_guard lock(FPauseLock);
    FPaused = false;
  }
  FPauseCond.notify_all();
}

void TConvertRun::Stop(bool wait) {
  FBroken = true;
  Resume();
  if (wait && FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
    platform::WaitServing(FStopEvent);
}

void TConvertRun::StopTask(bool wait) {
  if (FConverting) {
    Stop(wait);
    return;
  }
  if (FTerminated || FTermThread.joinable()) return;
  FTermEvent.Reset();
  FTermThread = std::thread([this] {
    Guarded([this] { CloseFiles(); });
    TerminateStep();
    FTermEvent.Set();
  });
  if (wait) platform::WaitServing(FTermEvent);
}

void TConvertRun::JoinThreads() {
  for (std::thread* t : {&FThread, &FTermThread}) {
    if (!t->joinable()) continue;
    if (t->get_id() == std::this_thread::get_id()) {
      t->detach();  // destroyed from its own callback: nothing left to wait for
      continue;
    }
    platform::WaitServing(t == &FThread ? FStopEvent : FTermEvent);
    t->join();
  }
}

void TConvertRun::StopAndWait() {
  if (FConverting) Stop(true);
  JoinThreads();
}
