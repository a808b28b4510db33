// The engine component: the one object through which the program converts files. It owns a
// list of conversion tasks (one converter each), schedules them on worker threads or on the
// caller's thread, and turns the converters' callbacks into its own events with a task index.
//
// Threads. Every operation runs on the caller's thread (normally the main thread). A run in
// thread mode adds one conversion thread per running task and one short-lived helper thread
// per terminate event; every finished task starts the next one from its own thread. Progress
// and preview events are handed to the main thread by a blocking call when
// TriggerEventInMainThread is set; the custom hook runs on the task's thread.
//
// Locks. One lock per event kind serialises that kind across all tasks and is held until the
// handler has returned; FTerminateLock also guards the scheduling counters. On the main thread
// every wait for one of them keeps serving main-thread calls, because its holder may be waiting
// for the main thread. docs/ARCHITECTURE.md has the full picture.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/FFmpeg.h"
#include "media/AVProbe.h"
#include "platform/Bitmap.h"
#include "platform/Event.h"
#include "platform/MainThread.h"
#include "platform/SysThread.h"

// --- Event records: filled by the component just before the event; a handler must not keep
// them.

struct TProgressInfo {
  int32_t TaskIndex;
  int32_t FileIndex;        // input of the last packet; −1 in a task's final report
  int32_t FrameNumber;      // first video output stream; −1 without video output
  int32_t FPS;              // −1 without video output
  float Quality;            // −1.0 for stream copy or without video output
  float BitRate;            // kbit/s
  int64_t CurrentSize;      // bytes written to the first output
  int64_t CurrentDuration;  // µs reached in the output
  int64_t TotalDuration;    // µs expected; −1 when unknown
};

struct TTerminateInfo {
  int32_t TaskIndex;  // −1 for the final event of the run
  bool Finished;      // the loop ran to its end (True in the final event)
  bool Exception;     // the task failed
  std::string ExceptionMsg;
};

struct TPreviewInfo {
  int32_t TaskIndex;
  platform::TBitmap* Bitmap;  // the converter's, valid during the event only
  int32_t FrameNumber;
  int64_t PTS;
};

struct THookInfo {
  int32_t TaskIndex;
  platform::TBitmap* Bitmap;  // the converter's, valid during the event only
  int32_t FrameNumber;
  int64_t PTS;
  bool Update;    // in/out: the handler changed the bitmap
  bool StopHook;  // in/out: no more hook calls for this task
};

class TCustomFFmpegVCL;

using TProgressEvent = std::function<void(TCustomFFmpegVCL* Sender, TProgressInfo* AProgressInfo)>;
using TPreviewBitmapEvent =
    std::function<void(TCustomFFmpegVCL* Sender, const TPreviewInfo& APreviewInfo)>;
using TCustomHookEvent = std::function<void(TCustomFFmpegVCL* Sender, THookInfo* AHookInfo)>;
using TTerminateEvent =
    std::function<void(TCustomFFmpegVCL* Sender, const TTerminateInfo& ATerminateInfo)>;

// A handler that can be replaced while events are running. Once Set has returned, the old
// handler is not running on another thread and is never called again; a handler may replace
// itself from inside its own call.
template <typename F>
class TEventSlot {
 public:
  void Set(F handler);
  bool Assigned() const;
  // Runs the handler (if any) with the arguments.
  template <typename... A>
  void Call(A&&... args);

 private:
  std::recursive_mutex FCallLock;  // held while the handler runs
  mutable std::mutex FLock;
  std::shared_ptr<const F> FHandler;  // guarded by FLock
};

// One task: the converter plus, per input slot, a probe and the stored input record, and per
// output slot the stored output record.
class TFFmpeg : public TCustomFFmpeg {
 public:
  explicit TFFmpeg(int maxFiles);
  ~TFFmpeg() override;

  // The probe of an input slot (created on first use); nullptr outside 0..MaxFiles()-1. It
  // borrows the opened input until the task's files are closed (end of its run); read it while
  // the task is not converting.
  TAVProbe* Probe(int input);
  const TInputOptions* InputOptions(int slot) const;
  const TOutputOptions* OutputOptions(int slot) const;

 protected:
  void CloseFiles() override;

 private:
  friend class TCustomFFmpegVCL;
  void AttachProbe(int input);
  void DetachProbes();
  // The caller holds PostHookLock().
  void SetPostHookLocked(TPostHook hook, bool on);

  std::vector<std::unique_ptr<TAVProbe>> FProbes;
  std::vector<std::optional<TInputOptions>> FInputOptions;
  std::vector<std::optional<TOutputOptions>> FOutputOptions;
  // Set by the component once this task's terminate event has been handled in a run.
  platform::TEvent FTerminateDone{false};
};

// The ordered, owning list of tasks; index = task index.
class TFFmpegList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TFFmpeg* Items(int index) const { return FItems[index].get(); }
  int IndexOf(const TFFmpeg* task) const;
  int Add(std::unique_ptr<TFFmpeg> task);
  void Delete(int index);
  void Exchange(int index1, int index2);
  // Hands every task over (the list is empty afterwards).
  std::vector<std::unique_ptr<TFFmpeg>> Extract();

 private:
  std::vector<std::unique_ptr<TFFmpeg>> FItems;
};

class TCustomFFmpegVCL {
 public:
  TCustomFFmpegVCL();
  // Stops a run with waiting, waits for every thread of the component, then frees the tasks.
  virtual ~TCustomFFmpegVCL();
  TCustomFFmpegVCL(const TCustomFFmpegVCL&) = delete;
  TCustomFFmpegVCL& operator=(const TCustomFFmpegVCL&) = delete;

  // --- Libraries: codec, filter, format, utility, scaling and resampling.
  bool LoadAVLib(const std::string& APath);
  // A run still going is stopped (with waiting) first.
  void UnloadAVLib();
  bool AVLibLoaded() const;

  // --- Building the list. Guarded: these raise FFmpegException "Cannot %s while working."
  // while Working; every other failure gives −1 or False with LastErrMsg.
  int AddTask(const std::string& AFileName, TInputOptions* AOptions = nullptr);
  int AddTask(const std::string& AFileName, const std::string& AExtOptions);
  bool AddInputFile(int ATaskIndex, const std::string& AFileName,
                    TInputOptions* AOptions = nullptr);
  bool AddInputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
  bool SetOutputFile(int ATaskIndex, const std::string& AFileName,
                     TOutputOptions* AOptions = nullptr);
  bool SetOutputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
  // Raises "Cannot ClearTasks while working." while a run is going.
  void ClearTasks();
  // Guarded; an index out of range only sets LastErrMsg.
  void Exchange(int AIndex1, int AIndex2);
  void RemoveTask(int AIndex);
  // The probe of one input of one task; nullptr for an index out of range.
  TAVProbe* TaskProbe(int ATaskIndex, int AInputIndex) const;

  // --- The run.
  // Guarded ("StartTask"). AThreadCount > 0: up to that many tasks at once on worker threads,
  // returns at once. Otherwise every task runs here, one after the other, and the call returns
  // after the final terminate event.
  void Start(int AThreadCount);
  // Halts every running task between packets; tasks started while paused begin halted.
  void Pause();
  void Resume();
  // Ends every task of the run: running ones at their next packet, waiting ones at once; each
  // gives its terminate event, then the final one follows. With AWait returns when their threads
  // have ended (on the main thread it keeps serving main-thread calls meanwhile). Called from
  // inside a progress, preview or hook handler it does not wait, since the task that waits for
  // that handler could never end. No effect without a run going.
  void Stop(bool AWait);

  // --- Settings and state.
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  void* UserData() const { return FUserData; }
  void SetUserData(void* AData) { FUserData = AData; }
  int CustomMaxFiles() const { return FCustomMaxFiles; }
  // Kept within the converter's 1..512.
  void SetCustomMaxFiles(int AValue);
  int Verbose() const { return FVerbose; }
  void SetVerbose(int AValue) { FVerbose = AValue; }
  TAVProbe& AVProbe() { return *FAVProbe; }
  int TasksCount() const { return FFFmpegList.Count(); }
  bool Working() const { return FWorking; }
  bool Terminated() const { return FTerminated; }

 protected:
  // --- Published by TFFmpegVCL.
  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& AValue) { FAbout = AValue; }
  std::string Version() const { return "3.3"; }
  bool Preview() const { return FPreview; }
  void SetPreview(bool AValue);
  bool PreviewBitmap() const { return FPreviewBitmap; }
  void SetPreviewBitmap(bool AValue);
  int ProgressInterval() const { return FProgressInterval; }
  // Values below 100 ms are stored as 100.
  void SetProgressInterval(int AValue);
  platform::TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(platform::TThreadPriority AValue) { FThreadPriority = AValue; }
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread; }
  void SetTriggerEventInMainThread(bool AValue) { FTriggerEventInMainThread = AValue; }
  void SetOnProgress(TProgressEvent AHandler) { FOnProgress.Set(std::move(AHandler)); }
  void SetOnPreviewBitmap(TPreviewBitmapEvent AHandler) {
    FOnPreviewBitmap.Set(std::move(AHandler));
  }
  void SetOnCustomHook(TCustomHookEvent AHandler) { FOnCustomHook.Set(std::move(AHandler)); }
  void SetOnTerminate(TTerminateEvent AHandler) { FOnTerminate.Set(std::move(AHandler)); }

  // Creates the converter of a new task (tests supply their own).
  virtual std::unique_ptr<TFFmpeg> CreateTask(int AMaxFiles);

 private:
  void CheckWorking(const char* AWord) const;
  TFFmpeg* TaskAt(int AIndex);
  bool IsRunning() const { return FWorking && !FTerminated; }
  void SetPostHooks(TPostHook AHook, bool AValue);

  // Scheduling; all under FTerminateLock.
  void LaunchTasks(int ACount);
  TFFmpeg* TakeNextTask();
  void StartThreadTask(TFFmpeg* ATask);
  void RunSynchronously();

  // The converters' callbacks, on the converting thread.
  void DoProgress(TFFmpeg* ATask, int AFileIndex, int AFrameNumber, int AFPS, float AQuality,
                  float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration,
                  int64_t ATotalDuration);
  void DoPreviewBitmap(TFFmpeg* ATask, platform::TBitmap* ABitmap, int AFrameNumber, int64_t APTS);
  void DoCustomHook(TFFmpeg* ATask, platform::TBitmap* ABitmap, int AFrameNumber, int64_t APTS,
                    bool& AUpdate, bool& AStopHook);
  void DoTerminate(TFFmpeg* ATask);
  // Runs a progress or preview event where TriggerEventInMainThread wants it.
  void RunEvent(const std::function<void()>& AEvent);

  // Terminate events leave in the order they were raised: thread mode hands each to a helper
  // thread of its own, synchronous mode to the thread in Start.
  void QueueTerminate(const TTerminateInfo& AInfo);
  void DeliverNextTerminate();
  void DeliverQueuedTerminates();
  void ReapHelpers();
  void JoinHelpers();

  // Settings.
  std::string FAbout;
  std::string FLastErrMsg;
  void* FUserData = nullptr;
  int FCustomMaxFiles = 20;
  bool FPreview = false, FPreviewBitmap = false;
  std::atomic<int> FProgressInterval{500};
  std::atomic<platform::TThreadPriority> FThreadPriority{platform::tpNormal};
  std::atomic<bool> FTriggerEventInMainThread{true};
  int FVerbose = 1;
  std::unique_ptr<TAVProbe> FAVProbe;

  TEventSlot<TProgressEvent> FOnProgress;
  TEventSlot<TPreviewBitmapEvent> FOnPreviewBitmap;
  TEventSlot<TCustomHookEvent> FOnCustomHook;
  TEventSlot<TTerminateEvent> FOnTerminate;

  // The list changes only while no run is going (the guards), so converting threads read it
  // without a lock.
  TFFmpegList FFFmpegList;
  std::atomic<bool> FWorking{false}, FTerminated{false};

  // -- The following fields are protected by FTerminateLock (recursive: a task that fails at
  // start terminates on the thread that is starting it).
  std::recursive_mutex FTerminateLock;
  int FCompleteTasks = 0;
  int FCurrentTask = -1;
  int FPendingTasks = 0;
  bool FThreadMode = false;
  bool FPaused = false;
  int FLaunchRequests = 0;
  bool FLaunching = false;

  std::mutex FProgressLock, FPreviewLock, FHookLock;
  TProgressInfo FProgressInfo{};  // guarded by FProgressLock
  TPreviewInfo FPreviewInfo{};    // guarded by FPreviewLock
  THookInfo FHookInfo{};          // guarded by FHookLock

  // -- Terminate delivery. FQueue is protected by FQueueLock; FDeliverLock is held while a
  // terminate handler runs, so events reach it one at a time and in queue order.
  std::mutex FQueueLock;
  std::deque<TTerminateInfo> FQueue;
  std::mutex FDeliverLock;
  platform::TEvent FQueued{false};  // something was queued (synchronous mode waits on it)

  // -- Helper threads of terminate events, protected by FHelpersLock.
  struct THelper {
    std::thread Thread;
    std::atomic<bool> Done{false};
  };
  std::mutex FHelpersLock;
  std::list<THelper> FHelpers;
};

// Takes the lock; on the main thread it keeps serving main-thread calls meanwhile, because the
// holder may be a worker waiting for the main thread.
template <typename L>
void LockServing(L& lock) {
  if (!platform::IsMainThread()) {
    lock.lock();
    return;
  }
  while (!lock.try_lock()) {
    platform::MainThreadCalls().ServePending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

template <typename F>
void TEventSlot<F>::Set(F handler) {
  auto next = handler ? std::make_shared<const F>(std::move(handler)) : nullptr;
  std::unique_lock call(FCallLock, std::defer_lock);
  LockServing(call);
  std::lock_guard lock(FLock);
  FHandler.swap(next);
}

template <typename F>
bool TEventSlot<F>::Assigned() const {
  std::lock_guard lock(FLock);
  return FHandler != nullptr;
}

template <typename F>
template <typename... A>
void TEventSlot<F>::Call(A&&... args) {
  std::unique_lock call(FCallLock, std::defer_lock);
  LockServing(call);
  std::shared_ptr<const F> handler;
  {
    std::lock_guard lock(FLock);
    handler = FHandler;  // a copy: the handler may replace itself while it runs
  }
  if (handler) (*handler)(std::forward<A>(args)...);
}

// The component as the program places it: every setting and event available.
class TFFmpegVCL : public TCustomFFmpegVCL {
 public:
  using TCustomFFmpegVCL::About;
  using TCustomFFmpegVCL::Preview;
  using TCustomFFmpegVCL::PreviewBitmap;
  using TCustomFFmpegVCL::ProgressInterval;
  using TCustomFFmpegVCL::SetAbout;
  using TCustomFFmpegVCL::SetOnCustomHook;
  using TCustomFFmpegVCL::SetOnPreviewBitmap;
  using TCustomFFmpegVCL::SetOnProgress;
  using TCustomFFmpegVCL::SetOnTerminate;
  using TCustomFFmpegVCL::SetPreview;
  using TCustomFFmpegVCL::SetPreviewBitmap;
  using TCustomFFmpegVCL::SetProgressInterval;
  using TCustomFFmpegVCL::SetThreadPriority;
  using TCustomFFmpegVCL::SetTriggerEventInMainThread;
  using TCustomFFmpegVCL::ThreadPriority;
  using TCustomFFmpegVCL::TriggerEventInMainThread;
  using TCustomFFmpegVCL::Version;
};
