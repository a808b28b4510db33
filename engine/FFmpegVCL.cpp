#include "engine/FFmpegVCL.h"

#include <algorithm>
#include <utility>

#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "media/FFmpegLogger.h"

namespace {

constexpr int kMinProgressInterval = 100;  // ms
constexpr int kMaxFilesLimit = 512;

// How many progress, preview or hook handlers this thread is running. A waiting Stop from
// inside one would wait for a task that waits for that very handler.
thread_local int tlEventDepth = 0;

struct TEventScope {
  TEventScope() { ++tlEventDepth; }
  ~TEventScope() { --tlEventDepth; }
  TEventScope(const TEventScope&) = delete;
  TEventScope& operator=(const TEventScope&) = delete;
};

using TTerminateGuard = std::unique_lock<std::recursive_mutex>;

}  // namespace

// --- Task

TFFmpeg::TFFmpeg(int maxFiles)
    : TCustomFFmpeg(maxFiles),
      FProbes(maxFiles),
      FInputOptions(maxFiles),
      FOutputOptions(maxFiles) {}

TFFmpeg::~TFFmpeg() {
  StopAndWait();
  DetachProbes();
}

TAVProbe* TFFmpeg::Probe(int input) {
  if (input < 0 || input >= MaxFiles()) return nullptr;
  if (!FProbes[input]) FProbes[input] = std::make_unique<TAVProbe>();
  return FProbes[input].get();
}

const TInputOptions* TFFmpeg::InputOptions(int slot) const {
  if (slot < 0 || slot >= MaxFiles() || !FInputOptions[slot]) return nullptr;
  return &*FInputOptions[slot];
}

const TOutputOptions* TFFmpeg::OutputOptions(int slot) const {
  if (slot < 0 || slot >= MaxFiles() || !FOutputOptions[slot]) return nullptr;
  return &*FOutputOptions[slot];
}

void TFFmpeg::AttachProbe(int input) {
  Probe(input)->SetFileHandle(InputContext(input));
}

void TFFmpeg::DetachProbes() {
  for (auto& probe : FProbes) {
    if (!probe || !probe->FileHandle()) continue;
    try {
      probe->SetFileHandle(nullptr);
    } catch (const FFmpegException&) {
      // The libraries are gone; the borrowed context is only forgotten.
    }
  }
}

void TFFmpeg::CloseFiles() {
  DetachProbes();  // before the inputs they borrow are closed
  TCustomFFmpeg::CloseFiles();
}

void TFFmpeg::SetPostHookLocked(TPostHook hook, bool on) {
  if (on)
    FPostHooks |= 1u << hook;
  else
    FPostHooks &= ~(1u << hook);
}

// --- Task list

int TFFmpegList::IndexOf(const TFFmpeg* task) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == task) return static_cast<int>(i);
  return -1;
}

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> task) {
  FItems.push_back(std::move(task));
  return Count() - 1;
}

void TFFmpegList::Delete(int index) {
  FItems.erase(FItems.begin() + index);
}

void TFFmpegList::Exchange(int index1, int index2) {
  std::swap(FItems[index1], FItems[index2]);
}

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::Extract() {
  std::vector<std::unique_ptr<TFFmpeg>> items;
  items.swap(FItems);
  return items;
}

// --- Component: life cycle and libraries

TCustomFFmpegVCL::TCustomFFmpegVCL() : FAVProbe(std::make_unique<TAVProbe>()) {}

TCustomFFmpegVCL::~TCustomFFmpegVCL() {
  if (IsRunning()) Stop(true);
  for (int i = 0; i < FFFmpegList.Count(); ++i) FFFmpegList.Items(i)->StopAndWait();
  JoinHelpers();
  // Converters' callbacks point here; nothing can call them any more.
  std::vector<std::unique_ptr<TFFmpeg>> tasks = FFFmpegList.Extract();
  tasks.clear();
}

bool TCustomFFmpegVCL::LoadAVLib(const std::string& APath) {
  FFLoader().SetLibraryPath(APath);
  if (FFLoader().Load(kEngineLibraries)) return true;
  FLastErrMsg = FFLoader().LastErrMsg();
  return false;
}

void TCustomFFmpegVCL::UnloadAVLib() {
  // Converting threads run inside the libraries.
  if (IsRunning()) Stop(true);
  FAVProbe->CloseFile();
  FFLoader().Unload(kEngineLibraries);
}

bool TCustomFFmpegVCL::AVLibLoaded() const {
  return FFLoader().Loaded(kEngineLibraries);
}

std::unique_ptr<TFFmpeg> TCustomFFmpegVCL::CreateTask(int AMaxFiles) {
  return std::make_unique<TFFmpeg>(AMaxFiles);
}

// --- Settings

void TCustomFFmpegVCL::SetCustomMaxFiles(int AValue) {
  FCustomMaxFiles = std::clamp(AValue, 1, kMaxFilesLimit);
}

void TCustomFFmpegVCL::SetProgressInterval(int AValue) {
  FProgressInterval = std::max(AValue, kMinProgressInterval);
}

void TCustomFFmpegVCL::SetPreview(bool AValue) {
  FPreview = AValue;
  SetPostHooks(phPreview, AValue);
}

void TCustomFFmpegVCL::SetPreviewBitmap(bool AValue) {
  FPreviewBitmap = AValue;
  SetPostHooks(phBitmap, AValue);
}

void TCustomFFmpegVCL::SetPostHooks(TPostHook AHook, bool AValue) {
  // A converter holds the post-hook lock while its preview event waits for the main thread.
  std::unique_lock lock(PostHookLock(), std::defer_lock);
  LockServing(lock);
  for (int i = 0; i < FFFmpegList.Count(); ++i)
    FFFmpegList.Items(i)->SetPostHookLocked(AHook, AValue);
}

// --- Building the list

void TCustomFFmpegVCL::CheckWorking(const char* AWord) const {
  if (FWorking) throw FFmpegException::Fmt("Cannot %s while working.", AWord);
}

TFFmpeg* TCustomFFmpegVCL::TaskAt(int AIndex) {
  if (AIndex >= 0 && AIndex < FFFmpegList.Count()) return FFFmpegList.Items(AIndex);
  FLastErrMsg = StrFmt("Invalid task index %d", AIndex);
  return nullptr;
}

namespace {

// Opens one more input of a task and lets the slot's probe borrow it; false with the message.
bool OpenTaskInput(TFFmpeg& task, const std::string& fileName, TInputOptions* options,
                   std::string* error, std::optional<TInputOptions>* stored) {
  int slot = task.InputCount();
  if (slot >= task.MaxFiles()) {
    *error = StrFmt("max input files %d reached", task.MaxFiles());
    return false;
  }
  stored->reset();
  if (!task.AddInputFile(fileName, options)) {
    *error = task.LastErrMsg();
    return false;
  }
  if (options) *stored = *options;
  return true;
}

}  // namespace

int TCustomFFmpegVCL::AddTask(const std::string& AFileName, TInputOptions* AOptions) {
  CheckWorking("AddTask");
  try {
    // Without the libraries nothing can be reset or opened.
    if (!AVLibLoaded()) throw FFmpegException("The FFmpeg libraries are not loaded");
    std::unique_ptr<TFFmpeg> task = CreateTask(FCustomMaxFiles);
    task->Reset();
    task->SetVerbose(FVerbose);
    task->SetPostHook(phPreview, FPreview);
    task->SetPostHook(phBitmap, FPreviewBitmap);
    TFFmpeg* t = task.get();
    t->OnPreviewBitmap = [this, t](platform::TBitmap* bitmap, int frame, int64_t pts) {
      DoPreviewBitmap(t, bitmap, frame, pts);
    };
    if (!OpenTaskInput(*t, AFileName, AOptions, &FLastErrMsg, &t->FInputOptions[0])) return -1;
    t->AttachProbe(0);
    t->OnProgress = [this, t](int file, int frame, int fps, float q, float rate, int64_t size,
                              int64_t current, int64_t total) {
      DoProgress(t, file, frame, fps, q, rate, size, current, total);
    };
    t->OnTerminate = [this, t] { DoTerminate(t); };
    return FFFmpegList.Add(std::move(task));
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    return -1;
  }
}

int TCustomFFmpegVCL::AddTask(const std::string& AFileName, const std::string& AExtOptions) {
  TInputOptions options = InputOptionsFromText(AExtOptions);
  return AddTask(AFileName, &options);
}

bool TCustomFFmpegVCL::AddInputFile(int ATaskIndex, const std::string& AFileName,
                                    TInputOptions* AOptions) {
  CheckWorking("AddInputFile");
  TFFmpeg* task = TaskAt(ATaskIndex);
  if (!task) return false;
  int slot = task->InputCount();
  std::optional<TInputOptions> unused;
  auto* stored = slot < task->MaxFiles() ? &task->FInputOptions[slot] : &unused;
  try {
    if (!OpenTaskInput(*task, AFileName, AOptions, &FLastErrMsg, stored)) return false;
    task->AttachProbe(slot);
    return true;
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    stored->reset();
    return false;
  }
}

bool TCustomFFmpegVCL::AddInputFile(int ATaskIndex, const std::string& AFileName,
                                    const std::string& AExtOptions) {
  TInputOptions options = InputOptionsFromText(AExtOptions);
  return AddInputFile(ATaskIndex, AFileName, &options);
}

bool TCustomFFmpegVCL::SetOutputFile(int ATaskIndex, const std::string& AFileName,
                                     TOutputOptions* AOptions) {
  CheckWorking("SetOutputFile");
  TFFmpeg* task = TaskAt(ATaskIndex);
  if (!task) return false;
  int slot = task->OutputCount();
  if (slot >= task->MaxFiles()) {
    FLastErrMsg = StrFmt("max output files %d reached", task->MaxFiles());
    return false;
  }
  std::optional<TOutputOptions>& stored = task->FOutputOptions[slot];
  stored.reset();
  try {
    if (!task->SetOutputFile(AFileName, AOptions)) {
      FLastErrMsg = task->LastErrMsg();
      return false;
    }
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    return false;
  }
  if (AOptions) stored = *AOptions;
  if (AOptions && AOptions->CustomHook) {
    task->OnCustomHook = [this, task](platform::TBitmap* bitmap, int frame, int64_t pts,
                                      bool& update, bool& stop) {
      DoCustomHook(task, bitmap, frame, pts, update, stop);
    };
  }
  return true;
}

bool TCustomFFmpegVCL::SetOutputFile(int ATaskIndex, const std::string& AFileName,
                                     const std::string& AExtOptions) {
  TOutputOptions options = OutputOptionsFromText(AExtOptions);
  return SetOutputFile(ATaskIndex, AFileName, &options);
}

void TCustomFFmpegVCL::ClearTasks() {
  if (IsRunning()) throw FFmpegException("Cannot ClearTasks while working.");
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  {
    TTerminateGuard lock(FTerminateLock, std::defer_lock);
    LockServing(lock);  // the last terminate step has left
    tasks = FFFmpegList.Extract();
    FCompleteTasks = 0;
    FCurrentTask = -1;
    FPendingTasks = 0;
    FThreadMode = false;
    FPaused = false;
    FTerminated = false;
    FWorking = false;
  }
  FLastErrMsg.clear();
  tasks.clear();  // each waits for the tail of its thread
  ReapHelpers();
}

void TCustomFFmpegVCL::Exchange(int AIndex1, int AIndex2) {
  CheckWorking("Exchange");
  if (TaskAt(AIndex1) && TaskAt(AIndex2)) FFFmpegList.Exchange(AIndex1, AIndex2);
}

void TCustomFFmpegVCL::RemoveTask(int AIndex) {
  CheckWorking("RemoveTask");
  if (TaskAt(AIndex)) FFFmpegList.Delete(AIndex);
}

TAVProbe* TCustomFFmpegVCL::TaskProbe(int ATaskIndex, int AInputIndex) const {
  if (ATaskIndex < 0 || ATaskIndex >= FFFmpegList.Count()) return nullptr;
  return FFFmpegList.Items(ATaskIndex)->Probe(AInputIndex);
}

// --- The run

void TCustomFFmpegVCL::Start(int AThreadCount) {
  CheckWorking("StartTask");
  {
    TTerminateGuard lock(FTerminateLock, std::defer_lock);
    LockServing(lock);
    FCompleteTasks = 0;
    FCurrentTask = 0;
    FPendingTasks = FFFmpegList.Count();
    FTerminated = false;
    FThreadMode = AThreadCount > 0;
    FPaused = false;
    FWorking = true;
    if (FFFmpegList.Count() == 0) {
      // Nothing to run: the run ends at once, so it can be cleared.
      FTerminated = true;
      if (FOnTerminate.Assigned()) QueueTerminate({-1, true, false, {}});
    } else if (FThreadMode) {
      LaunchTasks(AThreadCount);
    }
  }
  if (!FThreadMode) RunSynchronously();
}

void TCustomFFmpegVCL::LaunchTasks(int ACount) {
  FLaunchRequests += ACount;
  if (FLaunching) return;  // this thread is already launching further up; it goes on
  FLaunching = true;
  while (FLaunchRequests > 0 && FPendingTasks > 0) {
    --FLaunchRequests;
    StartThreadTask(TakeNextTask());
  }
  FLaunchRequests = 0;
  FLaunching = false;
}

TFFmpeg* TCustomFFmpegVCL::TakeNextTask() {
  --FPendingTasks;
  TFFmpeg* task = FFFmpegList.Items(FCurrentTask);
  ++FCurrentTask;  // before the start: a task that fails at once counts as started
  task->ReportInterval = int64_t{FProgressInterval} * 1000;
  return task;
}

void TCustomFFmpegVCL::StartThreadTask(TFFmpeg* ATask) {
  if (ATask->StartConvert(true, FThreadPriority) && FPaused) ATask->Pause();
}

void TCustomFFmpegVCL::RunSynchronously() {
  for (;;) {
    TFFmpeg* task = nullptr;
    {
      TTerminateGuard lock(FTerminateLock, std::defer_lock);
      LockServing(lock);
      if (FPendingTasks > 0) task = TakeNextTask();
    }
    if (task) {
      task->StartConvert(false, FThreadPriority);  // the body runs here, without the lock
      DeliverQueuedTerminates();
      continue;
    }
    // Tasks stopped before they ran terminate on helper threads of their own.
    FQueued.Reset();
    DeliverQueuedTerminates();
    if (FTerminated) break;
    platform::WaitServing(FQueued);
  }
  DeliverQueuedTerminates();
}

void TCustomFFmpegVCL::Pause() {
  TTerminateGuard lock(FTerminateLock, std::defer_lock);
  LockServing(lock);
  if (!IsRunning() || !FThreadMode) return;
  FPaused = true;
  for (int i = 0; i < FCurrentTask; ++i) FFFmpegList.Items(i)->Pause();
}

void TCustomFFmpegVCL::Resume() {
  TTerminateGuard lock(FTerminateLock, std::defer_lock);
  LockServing(lock);
  FPaused = false;
  if (FCurrentTask < 0) return;
  for (int i = 0; i < FCurrentTask; ++i) FFFmpegList.Items(i)->Resume();
}

void TCustomFFmpegVCL::Stop(bool AWait) {
  struct TStopItem {
    TFFmpeg* Task;
    bool Started;
  };
  std::vector<TStopItem> items;
  {
    TTerminateGuard lock(FTerminateLock, std::defer_lock);
    LockServing(lock);
    if (!IsRunning()) return;
    FPendingTasks = 0;  // nothing more is launched
    FPaused = false;
    for (int i = 0; i < FFFmpegList.Count(); ++i)
      items.push_back({FFFmpegList.Items(i), i < FCurrentTask});
  }
  bool wait = AWait && tlEventDepth == 0;
  for (const TStopItem& item : items) {
    if (item.Started) {
      if (!item.Task->Terminated()) item.Task->Stop(wait);
    } else {
      item.Task->StopTask(false);  // terminates on a helper thread
      if (wait) platform::WaitServing(item.Task->FTerminateDone);
    }
  }
}

// --- The converters' callbacks

void TCustomFFmpegVCL::RunEvent(const std::function<void()>& AEvent) {
  auto run = [&AEvent] {
    TEventScope scope;
    AEvent();
  };
  if (FTriggerEventInMainThread && !platform::IsMainThread())
    platform::Synchronize(run);
  else
    run();
}

void TCustomFFmpegVCL::DoProgress(TFFmpeg* ATask, int AFileIndex, int AFrameNumber, int AFPS,
                                  float AQuality, float ABitRate, int64_t ACurrentSize,
                                  int64_t ACurrentDuration, int64_t ATotalDuration) {
  if (!FOnProgress.Assigned()) return;
  std::unique_lock lock(FProgressLock, std::defer_lock);
  LockServing(lock);
  FProgressInfo = {FFFmpegList.IndexOf(ATask),
                   AFileIndex,
                   AFrameNumber,
                   AFPS,
                   AQuality,
                   ABitRate,
                   ACurrentSize,
                   ACurrentDuration,
                   ATotalDuration};
  RunEvent([this] { FOnProgress.Call(this, &FProgressInfo); });
}

void TCustomFFmpegVCL::DoPreviewBitmap(TFFmpeg* ATask, platform::TBitmap* ABitmap, int AFrameNumber,
                                       int64_t APTS) {
  if (!FOnPreviewBitmap.Assigned()) return;
  std::unique_lock lock(FPreviewLock, std::defer_lock);
  LockServing(lock);
  FPreviewInfo = {FFFmpegList.IndexOf(ATask), ABitmap, AFrameNumber, APTS};
  RunEvent([this] { FOnPreviewBitmap.Call(this, std::as_const(FPreviewInfo)); });
}

void TCustomFFmpegVCL::DoCustomHook(TFFmpeg* ATask, platform::TBitmap* ABitmap, int AFrameNumber,
                                    int64_t APTS, bool& AUpdate, bool& AStopHook) {
  if (!FOnCustomHook.Assigned()) return;
  std::unique_lock lock(FHookLock, std::defer_lock);
  LockServing(lock);
  FHookInfo = {FFFmpegList.IndexOf(ATask), ABitmap, AFrameNumber, APTS, AUpdate, AStopHook};
  {
    std::unique_lock<std::mutex> canvas;
    if (ABitmap) canvas = std::unique_lock(ABitmap->CanvasLock());
    TEventScope scope;
    FOnCustomHook.Call(this, &FHookInfo);
  }
  AUpdate = FHookInfo.Update;
  AStopHook = FHookInfo.StopHook;
}

void TCustomFFmpegVCL::DoTerminate(TFFmpeg* ATask) {
  {
    TTerminateGuard lock(FTerminateLock, std::defer_lock);
    LockServing(lock);
    if (FOnTerminate.Assigned())
      QueueTerminate({FFFmpegList.IndexOf(ATask), ATask->Finished(), ATask->FatalException(),
                      ATask->FatalMessage()});
    ++FCompleteTasks;
    if (FPendingTasks == 0) {
      if (FCompleteTasks >= FFFmpegList.Count() && !FTerminated) {
        if (FOnTerminate.Assigned()) QueueTerminate({-1, true, false, {}});
        FTerminated = true;
      }
    } else if (FThreadMode) {
      LaunchTasks(1);  // keeps the number of running tasks
    }
  }
  ATask->FTerminateDone.Set();
  FQueued.Set();
}

// --- Terminate delivery

void TCustomFFmpegVCL::QueueTerminate(const TTerminateInfo& AInfo) {
  {
    std::lock_guard lock(FQueueLock);
    FQueue.push_back(AInfo);
  }
  if (!FThreadMode) return;  // the thread in Start delivers
  ReapHelpers();
  std::lock_guard lock(FHelpersLock);
  THelper& helper = FHelpers.emplace_back();
  helper.Thread = std::thread([this, &helper] {
    DeliverNextTerminate();
    helper.Done = true;
  });
}

void TCustomFFmpegVCL::DeliverNextTerminate() {
  std::unique_lock deliver(FDeliverLock, std::defer_lock);
  LockServing(deliver);
  TTerminateInfo info;
  {
    std::lock_guard lock(FQueueLock);
    if (FQueue.empty()) return;  // delivered by a synchronous run meanwhile
    info = std::move(FQueue.front());
    FQueue.pop_front();
  }
  try {
    FOnTerminate.Call(this, std::as_const(info));
  } catch (const std::exception& e) {
    FFLogger().LogFmt(this, llError, "Error occurs OnTerminate: %s", e.what());
  }
}

void TCustomFFmpegVCL::DeliverQueuedTerminates() {
  for (;;) {
    {
      std::lock_guard lock(FQueueLock);
      if (FQueue.empty()) return;
    }
    DeliverNextTerminate();
  }
}

void TCustomFFmpegVCL::ReapHelpers() {
  std::list<THelper> done;
  {
    std::lock_guard lock(FHelpersLock);
    for (auto it = FHelpers.begin(); it != FHelpers.end();) {
      auto next = std::next(it);
      if (it->Done) done.splice(done.end(), FHelpers, it);
      it = next;
    }
  }
  for (THelper& h : done) h.Thread.join();  // they have returned, or are about to
}

void TCustomFFmpegVCL::JoinHelpers() {
  for (;;) {
    std::list<THelper> helpers;
    {
      std::lock_guard lock(FHelpersLock);
      helpers.splice(helpers.end(), FHelpers);
    }
    if (helpers.empty()) return;
    for (THelper& h : helpers) {
      if (h.Thread.get_id() == std::this_thread::get_id()) {
        h.Thread.detach();  // destroyed from its own terminate handler
        continue;
      }
      while (!h.Done) {
        platform::ServePendingIfMain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      h.Thread.join();
    }
  }
}
