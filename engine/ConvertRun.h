// Run control of one converter: starting its conversion on a worker thread or on the caller's,
// pausing between packets, stopping with or without waiting, and the terminate step.
//
// Threads: StartConvert, Stop, Pause, Resume and StopTask are called by the engine component
// (normally on the main thread); the body and every callback run on the converting thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Bitmap.h"
#include "platform/Event.h"
#include "platform/SysThread.h"

// Post hooks of a run: live preview window, preview-bitmap event (phHBITMAP has no effect).
enum TPostHook { phPreview, phBitmap, phHBITMAP };

// The converter's callbacks, installed by the engine component; all run on the converting thread.
using TConvertProgress =
    std::function<void(int FileIndex, int FrameNumber, int FPS, float Quality, float BitRate,
                       int64_t CurrentSize, int64_t CurrentDuration, int64_t TotalDuration)>;
using TConvertPreviewBitmap =
    std::function<void(platform::TBitmap* Bitmap, int FrameNumber, int64_t PTS)>;
using TConvertCustomHook = std::function<void(platform::TBitmap* Bitmap, int FrameNumber,
                                              int64_t PTS, bool& Update, bool& StopHook)>;
using TConvertTerminate = std::function<void()>;

// Serialises the post-hook step of every converter with changes of the post hooks.
std::mutex& PostHookLock();

class TConvertRun {
 public:
  TConvertRun() = default;
  // A derived class must call StopAndWait() first in its own destructor, while its members
  // still exist.
  virtual ~TConvertRun();
  TConvertRun(const TConvertRun&) = delete;
  TConvertRun& operator=(const TConvertRun&) = delete;

  // Starts the run; does nothing when converting or terminated. With useThread the body runs on
  // a new thread at the given priority and the call returns at once (true); otherwise the body
  // runs here and the call returns when the task has terminated (false).
  bool StartConvert(bool useThread, platform::TThreadPriority priority);
  // Ends the run before the next packet; with wait, returns once the thread has ended (on the
  // main thread it keeps serving main-thread calls meanwhile).
  void Stop(bool wait);
  // Halts the worker between packets until Resume; no effect without a thread.
  void Pause();
  void Resume();
  // The component's stop: a converting task is stopped; one that never ran gets its terminate
  // step on a helper thread, so it too reports its end.
  void StopTask(bool wait);
  // Stops with waiting and joins every thread of this run.
  void StopAndWait();

  bool Converting() const { return FConverting; }
  bool Broken() const { return FBroken; }
  bool Finished() const { return FFinished; }
  bool Terminated() const { return FTerminated; }
  bool Paused() const { return FPaused; }
  bool FatalException() const { return FFatalException; }
  std::string FatalMessage() const;

  // Minimum time between progress reports and between previews, microseconds.
  std::atomic<int64_t> ReportInterval{500000};
  std::atomic<int64_t> PreviewInterval{100000};

  TConvertProgress OnProgress;
  TConvertPreviewBitmap OnPreviewBitmap;
  TConvertCustomHook OnCustomHook;
  TConvertTerminate OnTerminate;

  // Under PostHookLock().
  void SetPostHook(TPostHook hook, bool on);
  bool HasPostHook(TPostHook hook) const;

 protected:
  // Empty, or why the task cannot start ("At least one output file must be specified").
  virtual std::string StartError() const = 0;
  // The transcoding itself; returns when done or when Broken() (the run counts as finished when
  // it returns without a stop). Throws FFmpegException.
  virtual void Transcode() = 0;
  // Frees the opened encoders and decoders (under the codec lock).
  virtual void FreeCodecs() {}
  // Closes every file: outputs take their final names or are removed.
  virtual void CloseFiles() = 0;

  // The loop calls this between packets, where it holds no lock: returns at once unless paused.
  void HaltWhilePaused();
  // Records a fatal error of the run (first one wins) and logs it at quiet level.
  void Fail(const std::string& msg);

  uint32_t FPostHooks = 0;  // bit per TPostHook; guarded by PostHookLock()

 private:
  void Body();
  void TerminateStep();
  template <typename F>
  void Guarded(F step);
  void JoinThreads();

  std::atomic<bool> FConverting{false}, FBroken{false}, FFinished{false}, FTerminated{false};
  std::atomic<bool> FFatalException{false};
  mutable std::mutex FStateLock;
  std::string FFatalMessage;  // guarded by FStateLock
  // -- Pausing: protected by FPauseLock.
  std::mutex FPauseLock;
  std::condition_variable FPauseCond;
  std::atomic<bool> FPaused{false};

  platform::TEvent FStopEvent{true};  // reset while the thread body runs
  platform::TEvent FTermEvent{true};  // reset while the stop-before-start terminate runs
  std::thread FThread, FTermThread;
};
