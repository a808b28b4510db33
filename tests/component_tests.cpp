// The engine component: task list, guards, scheduling on worker threads and on the caller's
// thread, pause and stop in any order, and the four events with their threads. Most cases run
// tasks whose conversion is a row of short sleeps ("packets") reporting progress, so the
// scheduling can be observed exactly; inputs and outputs are still opened for real. Real
// conversions are in component_conversion_tests.cpp.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "engine/FFmpegException.h"
#include "engine/FFmpegVCL.h"
#include "platform/MainThread.h"
#include "tests/component_support.h"

using namespace std::chrono_literals;
using testsupport::TTempDir;

namespace {

// How one scripted task behaves.
struct TPlan {
  int Packets = 20;
  std::chrono::microseconds PacketTime = 2ms;
  bool Haltable = true;  // halts between packets while paused
  std::string Throw;     // fails halfway with this text
  bool Hook = false;     // calls the custom hook every packet
};

// What every scripted task of a component reports.
struct TStats {
  std::atomic<int> Alive{0}, MaxAlive{0}, Started{0}, Packets{0};
  std::atomic<int64_t> ReportInterval{0};
  std::atomic<int> Nice{-100};
  std::atomic<int> HookUpdates{0}, HookStops{0};
};

class TScriptedTask : public TFFmpeg {
 public:
  TScriptedTask(int maxFiles, TPlan plan, TStats* stats)
      : TFFmpeg(maxFiles), FPlan(plan), FStats(stats) {}
  ~TScriptedTask() override { StopAndWait(); }

 protected:
  void Transcode() override {
    int alive = ++FStats->Alive;
    ++FStats->Started;
    int max = FStats->MaxAlive;
    while (alive > max && !FStats->MaxAlive.compare_exchange_weak(max, alive)) {
    }
    FStats->ReportInterval = ReportInterval.load();
    FStats->Nice = getpriority(PRIO_PROCESS, 0);
    struct TLeave {
      TStats* s;
      ~TLeave() { --s->Alive; }
    } leave{FStats};
    platform::TBitmap bitmap(8, 8);
    for (int i = 0; i < FPlan.Packets && !Broken(); ++i) {
      if (FPlan.Haltable) HaltWhilePaused();
      std::this_thread::sleep_for(FPlan.PacketTime);
      if (!FPlan.Throw.empty() && i == FPlan.Packets / 2) throw FFmpegException(FPlan.Throw);
      ++FStats->Packets;
      if (OnProgress)
        OnProgress(0, -1, -1, -1.0f, 128.0f, i * 100, (i + 1) * 1000, FPlan.Packets * 1000);
      if (FPlan.Hook && OnCustomHook) {
        bool update = true, stop = false;
        OnCustomHook(&bitmap, i + 1, i * 40000, update, stop);
        FStats->HookUpdates += update;
        FStats->HookStops += stop;
      }
    }
  }

 private:
  TPlan FPlan;
  TStats* FStats;
};

// The component with scripted tasks: each new task takes the next plan (or the default one).
class TScriptedVCL : public TFFmpegVCL {
 public:
  std::deque<TPlan> Plans;
  TPlan Default;
  TStats Stats;
  std::vector<TFFmpeg*> Created;  // every converter made, also those of failed adds

 protected:
  std::unique_ptr<TFFmpeg> CreateTask(int maxFiles) override {
    TPlan plan = Default;
    if (!Plans.empty()) {
      plan = Plans.front();
      Plans.pop_front();
    }
    auto task = std::make_unique<TScriptedTask>(maxFiles, plan, &Stats);
    Created.push_back(task.get());
    return task;
  }
};

std::string GuardText(const std::string& word) {
  return "Cannot " + word + " while working.";
}

}  // namespace

// --- Scheduling

TEST_F(Component, SynchronousStartRunsTasksInTurnOnTheCallersThread) {
  TScriptedVCL vcl;
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 3);
  vcl.Start(0);
  // Everything has happened before Start returns.
  EXPECT_TRUE(vcl.Terminated());
  EXPECT_EQ(rec.TerminateCount, 4);
  EXPECT_EQ(rec.TaskOrder(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(rec.Terminates.back().TaskIndex, -1);
  for (const auto& t : rec.Terminates) {
    EXPECT_TRUE(t.Finished);
    EXPECT_FALSE(t.Exception);
  }
  EXPECT_EQ(vcl.Stats.MaxAlive, 1);
  EXPECT_EQ(rec.TerminateThreads, std::set{std::this_thread::get_id()});
  EXPECT_EQ(rec.ProgressThreads, std::set{std::this_thread::get_id()});
  EXPECT_EQ(rec.ProgressCount, 60);
  EXPECT_EQ(rec.Progress.front().TaskIndex, 0);
  EXPECT_EQ(rec.Progress.back().TaskIndex, 2);
}

TEST_F(Component, ThreadModeNeverRunsMoreTasksThanThreads) {
  struct TCase {
    int tasks, threads, maxAlive;
  };
  for (TCase c : {TCase{5, 2, 2}, TCase{3, 8, 3}, TCase{4, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << c.tasks << " tasks on " << c.threads << " threads");
    TScriptedVCL vcl;
    vcl.Default.Packets = 15;
    TRecorder rec;
    rec.Attach(vcl);
    AddTasks(vcl, c.tasks);
    vcl.Start(c.threads);  // returns at once
    EXPECT_TRUE(vcl.Working());
    ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
    EXPECT_EQ(vcl.Stats.MaxAlive, c.maxAlive);
    EXPECT_EQ(vcl.Stats.Started, c.tasks);
    std::vector<int> order = rec.TaskOrder();
    std::sort(order.begin(), order.end());
    std::vector<int> all(c.tasks);
    for (int i = 0; i < c.tasks; ++i) all[i] = i;
    EXPECT_EQ(order, all);
    EXPECT_EQ(rec.Terminates.back().TaskIndex, -1);
    EXPECT_TRUE(rec.Terminates.back().Finished);
    // Terminate events run on helper threads, progress on the main thread.
    EXPECT_FALSE(rec.TerminateThreads.count(std::this_thread::get_id()));
    EXPECT_EQ(rec.ProgressThreads, std::set{std::this_thread::get_id()});
  }
}

TEST_F(Component, FailingTasksReportTheirErrorAndTheRunGoesOn) {
  TScriptedVCL vcl;
  TRecorder rec;
  rec.Attach(vcl);
  vcl.Default.Packets = 10;
  TPlan failing;
  failing.Throw = "Video encoding failed";
  vcl.Plans = {TPlan{}, failing, TPlan{}, TPlan{}};
  AddTasks(vcl, 2);
  // No output: fails at start, and the next task takes its thread at once.
  ASSERT_EQ(vcl.AddTask(Tone()), 2);
  AddTasks(vcl, 1);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  std::map<int, TTerminateInfo> byTask;
  for (const auto& t : rec.Terminates) byTask[t.TaskIndex] = t;
  EXPECT_TRUE(byTask[0].Finished);
  EXPECT_TRUE(byTask[1].Exception);
  EXPECT_EQ(byTask[1].ExceptionMsg, "Video encoding failed");
  EXPECT_FALSE(byTask[1].Finished);
  EXPECT_TRUE(byTask[2].Exception);
  EXPECT_EQ(byTask[2].ExceptionMsg, "At least one output file must be specified");
  EXPECT_TRUE(byTask[3].Finished);
  EXPECT_FALSE(byTask[-1].Exception);
  EXPECT_EQ(vcl.Stats.Started, 3);
  EXPECT_EQ(vcl.Stats.MaxAlive, 2);
}

TEST_F(Component, EmptyStartEndsAtOnceAndCanBeCleared) {
  for (int threads : {0, 3}) {
    TScriptedVCL vcl;
    TRecorder rec;
    rec.Attach(vcl);
    vcl.Start(threads);
    EXPECT_TRUE(vcl.Working());
    EXPECT_TRUE(vcl.Terminated());
    ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
    EXPECT_EQ(rec.TerminateCount, 1);
    EXPECT_NO_THROW(vcl.ClearTasks());
    EXPECT_FALSE(vcl.Working());
  }
}

TEST_F(Component, ConversionThreadsTakeThePriority) {
  TScriptedVCL vcl;
  vcl.SetThreadPriority(platform::tpLower);
  EXPECT_EQ(vcl.ThreadPriority(), platform::tpLower);
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 1);
  vcl.Start(1);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  EXPECT_EQ(vcl.Stats.Nice, 10);
}

// --- Guards, settings and the list

TEST_F(Component, GuardedOperationsFailWhileWorkingWithTheirWord) {
  TScriptedVCL vcl;
  vcl.Default.Packets = 100000;
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 2);
  vcl.Start(1);
  std::string tone = Tone();
  const std::pair<const char*, std::function<void()>> kCases[] = {
      {"AddTask", [&] { vcl.AddTask(tone); }},
      {"AddTask", [&] { vcl.AddTask(tone, "TimeStart=1"); }},
      {"AddInputFile", [&] { vcl.AddInputFile(0, tone); }},
      {"AddInputFile", [&] { vcl.AddInputFile(0, tone, ""); }},
      {"SetOutputFile", [&] { vcl.SetOutputFile(0, dir.File("x.flac")); }},
      {"SetOutputFile", [&] { vcl.SetOutputFile(0, dir.File("x.flac"), ""); }},
      {"Exchange", [&] { vcl.Exchange(0, 1); }},
      {"RemoveTask", [&] { vcl.RemoveTask(1); }},
      {"StartTask", [&] { vcl.Start(1); }},
      {"ClearTasks", [&] { vcl.ClearTasks(); }},
  };
  for (const auto& [word, op] : kCases) {
    SCOPED_TRACE(word);
    try {
      op();
      ADD_FAILURE() << "no error";
    } catch (const FFmpegException& e) {
      EXPECT_EQ(e.what(), GuardText(word));
    }
  }
  EXPECT_EQ(vcl.TasksCount(), 2);
  vcl.Stop(true);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  // After the end of the run every guarded operation still fails until ClearTasks.
  EXPECT_THROW(vcl.AddTask(tone), FFmpegException);
  vcl.ClearTasks();
  EXPECT_FALSE(vcl.Working());
  EXPECT_FALSE(vcl.Terminated());
  EXPECT_EQ(vcl.TasksCount(), 0);
  EXPECT_EQ(vcl.AddTask(tone), 0);
}

TEST_F(Component, SettingsTheirDefaultsAndLimits) {
  TScriptedVCL vcl;
  EXPECT_EQ(vcl.Version(), "3.3");
  EXPECT_EQ(vcl.ProgressInterval(), 500);
  EXPECT_EQ(vcl.CustomMaxFiles(), 20);
  EXPECT_EQ(vcl.Verbose(), 1);
  EXPECT_TRUE(vcl.TriggerEventInMainThread());
  EXPECT_EQ(vcl.ThreadPriority(), platform::tpNormal);
  EXPECT_FALSE(vcl.Preview());
  EXPECT_FALSE(vcl.PreviewBitmap());
  vcl.SetProgressInterval(20);
  EXPECT_EQ(vcl.ProgressInterval(), 100);
  vcl.SetProgressInterval(250);
  EXPECT_EQ(vcl.ProgressInterval(), 250);
  vcl.SetCustomMaxFiles(0);
  EXPECT_EQ(vcl.CustomMaxFiles(), 1);
  vcl.SetCustomMaxFiles(9999);
  EXPECT_EQ(vcl.CustomMaxFiles(), 512);
}

TEST_F(Component, TasksTakeTheSettingsOfTheirTime) {
  TScriptedVCL vcl;
  vcl.SetVerbose(-1);
  vcl.SetPreview(true);
  AddTasks(vcl, 1);
  vcl.SetVerbose(3);  // reaches only later tasks
  AddTasks(vcl, 1);
  ASSERT_EQ(vcl.Created.size(), 2u);
  TFFmpeg* first = vcl.Created[0];
  TFFmpeg* second = vcl.Created[1];
  EXPECT_EQ(first->Verbose(), -1);
  EXPECT_EQ(second->Verbose(), 3);
  EXPECT_TRUE(first->HasPostHook(phPreview));
  vcl.SetPreview(false);
  vcl.SetPreviewBitmap(true);  // reaches the tasks already listed
  for (TFFmpeg* t : {first, second}) {
    EXPECT_FALSE(t->HasPostHook(phPreview));
    EXPECT_TRUE(t->HasPostHook(phBitmap));
  }
  vcl.SetProgressInterval(300);
  TRecorder rec;
  rec.Attach(vcl);
  vcl.Start(0);
  EXPECT_EQ(vcl.Stats.ReportInterval, 300000);
}

TEST_F(Component, InputAndOutputLimits) {
  TScriptedVCL vcl;
  std::string tone = Tone();
  int index = vcl.AddTask(tone);
  ASSERT_EQ(index, 0);
  for (int i = 2; i <= 20; ++i) ASSERT_TRUE(vcl.AddInputFile(index, tone)) << i;
  EXPECT_FALSE(vcl.AddInputFile(index, tone));
  EXPECT_EQ(vcl.LastErrMsg(), "max input files 20 reached");

  vcl.SetCustomMaxFiles(2);
  index = vcl.AddTask(tone);
  ASSERT_TRUE(vcl.SetOutputFile(index, dir.File("a.flac")));
  ASSERT_TRUE(vcl.SetOutputFile(index, dir.File("b.flac"), "ar=8000"));
  EXPECT_FALSE(vcl.SetOutputFile(index, dir.File("c.flac")));
  EXPECT_EQ(vcl.LastErrMsg(), "max output files 2 reached");
  EXPECT_FALSE(vcl.AddInputFile(9, tone));
  EXPECT_FALSE(vcl.LastErrMsg().empty());
}

TEST_F(Component, FailedAddsKeepTheMessageAndLeaveNoTask) {
  TScriptedVCL vcl;
  EXPECT_EQ(vcl.AddTask(dir.File("missing.wav")), -1);
  EXPECT_FALSE(vcl.LastErrMsg().empty());
  EXPECT_EQ(vcl.TasksCount(), 0);
  int index = vcl.AddTask(Tone());
  ASSERT_EQ(index, 0);
  EXPECT_FALSE(vcl.AddInputFile(index, dir.File("missing.wav")));
  EXPECT_FALSE(vcl.SetOutputFile(index, dir.File("no/such/folder/x.flac")));
  EXPECT_FALSE(vcl.LastErrMsg().empty());
  EXPECT_FALSE(vcl.SetOutputFile(index, dir.File("x.flac"), "acodec=nosuchcodec"));
  EXPECT_FALSE(vcl.LastErrMsg().empty());
}

TEST_F(Component, RecordsAreStoredAndTheirFileNameFilled) {
  TScriptedVCL vcl;
  TInputOptions in;
  in.TimeStart = 500000;
  int index = vcl.AddTask(Tone(), &in);
  ASSERT_EQ(index, 0);
  EXPECT_EQ(in.FileName, Tone());
  TOutputOptions out;
  out.AudioCodec = "flac";
  ASSERT_TRUE(vcl.SetOutputFile(index, dir.File("x.flac"), &out));
  EXPECT_EQ(out.FileName, dir.File("x.flac"));
}

TEST_F(Component, TaskProbesBorrowTheInputsUntilTheRunEnds) {
  TScriptedVCL vcl;
  AddTasks(vcl, 1);
  ASSERT_TRUE(vcl.AddInputFile(0, Clip25()));
  TAVProbe* audio = vcl.TaskProbe(0, 0);
  TAVProbe* clip = vcl.TaskProbe(0, 1);
  ASSERT_TRUE(audio && clip);
  EXPECT_EQ(audio->FileName(), Tone());
  EXPECT_EQ(audio->AudioStreamCount(), 1);
  EXPECT_EQ(audio->VideoStreamCount(), 0);
  EXPECT_EQ(clip->VideoStreamCount(), 1);
  EXPECT_EQ(audio->FirstAudioStreamInfo().SampleRate, 48000);
  EXPECT_EQ(vcl.TaskProbe(0, 20), nullptr);
  EXPECT_EQ(vcl.TaskProbe(1, 0), nullptr);
  EXPECT_EQ(vcl.TaskProbe(-1, 0), nullptr);
  vcl.Start(0);
  // The task's inputs are closed: the probe lets go instead of pointing at them.
  EXPECT_EQ(audio->FileHandle(), nullptr);
  EXPECT_EQ(clip->StreamCount(), -1);
}

TEST_F(Component, ExchangeAndRemoveMoveTheTasks) {
  TScriptedVCL vcl;
  AddTasks(vcl, 1);
  ASSERT_EQ(vcl.AddTask(Clip25()), 1);
  ASSERT_TRUE(vcl.SetOutputFile(1, dir.File("clip.flac")));
  vcl.Exchange(0, 1);
  EXPECT_EQ(vcl.TaskProbe(0, 0)->FileName(), Clip25());
  vcl.Exchange(0, 5);  // out of range: only the message
  EXPECT_FALSE(vcl.LastErrMsg().empty());
  vcl.RemoveTask(0);
  EXPECT_EQ(vcl.TasksCount(), 1);
  EXPECT_EQ(vcl.TaskProbe(0, 0)->FileName(), Tone());
  vcl.RemoveTask(3);
  EXPECT_EQ(vcl.TasksCount(), 1);
  // The remaining task reports under its new index.
  TRecorder rec;
  rec.Attach(vcl);
  vcl.Start(0);
  EXPECT_EQ(rec.TaskOrder(), std::vector<int>{0});
}

TEST_F(Component, WithoutTheLibrariesAddingFails) {
  TScriptedVCL vcl;
  FFLoader().Unload(kEngineLibraries);
  EXPECT_FALSE(vcl.AVLibLoaded());
  EXPECT_EQ(vcl.AddTask(Tone()), -1);
  EXPECT_EQ(vcl.LastErrMsg(), "The FFmpeg libraries are not loaded");
  EXPECT_TRUE(vcl.LoadAVLib(""));
  EXPECT_TRUE(vcl.AVLibLoaded());
  EXPECT_EQ(vcl.AddTask(Tone()), 0);
}

// --- Events

TEST_F(Component, ProgressRunsOnTheTaskThreadWhenAskedTo) {
  TScriptedVCL vcl;
  vcl.SetTriggerEventInMainThread(false);
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 2);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  EXPECT_EQ(rec.ProgressCount, 40);
  EXPECT_FALSE(rec.ProgressThreads.count(std::this_thread::get_id()));
  for (const auto& p : rec.Progress) {
    EXPECT_TRUE(p.TaskIndex == 0 || p.TaskIndex == 1);
    EXPECT_EQ(p.FrameNumber, -1);
    EXPECT_EQ(p.TotalDuration, 20000);
  }
}

TEST_F(Component, CustomHookRunsOnTheTaskThreadAndHandsBackItsAnswers) {
  TScriptedVCL vcl;
  TPlan plan;
  plan.Hook = true;
  plan.Packets = 6;
  vcl.Default = plan;
  std::set<std::thread::id> threads;
  std::vector<int> frames;
  vcl.SetOnCustomHook([&](TCustomFFmpegVCL*, THookInfo* info) {
    threads.insert(std::this_thread::get_id());
    frames.push_back(info->FrameNumber);
    EXPECT_TRUE(info->Update);
    EXPECT_FALSE(info->StopHook);
    EXPECT_EQ(info->Bitmap->Width(), 8);
    info->Update = info->FrameNumber % 2 == 0;
    info->StopHook = info->FrameNumber == 6;
  });
  int index = vcl.AddTask(Tone());
  TOutputOptions out;
  out.CustomHook = true;
  ASSERT_TRUE(vcl.SetOutputFile(index, dir.File("hook.flac"), &out));
  AddTasks(vcl, 1);  // no custom hook asked for: no calls
  TRecorder rec;
  rec.Attach(vcl);
  vcl.Start(1);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_FALSE(threads.count(std::this_thread::get_id()));
  EXPECT_EQ(vcl.Stats.HookUpdates, 3);  // frames 2, 4 and 6 of the first task
  EXPECT_EQ(vcl.Stats.HookStops, 1);
}

TEST_F(Component, ADetachedHandlerIsNeverCalledAgain) {
  TScriptedVCL vcl;
  vcl.Default.Packets = 100000;
  vcl.SetTriggerEventInMainThread(false);  // calls come from the workers directly
  std::atomic<int> calls{0};
  std::atomic<bool> detached{false};
  vcl.SetOnProgress([&](TCustomFFmpegVCL*, TProgressInfo*) {
    EXPECT_FALSE(detached) << "called after detaching";
    std::this_thread::sleep_for(1ms);
    ++calls;
  });
  TRecorder rec;
  vcl.SetOnTerminate([&](TCustomFFmpegVCL*, const TTerminateInfo& i) {
    if (i.TaskIndex < 0) rec.Final = true;
  });
  AddTasks(vcl, 3);
  vcl.Start(3);
  ASSERT_TRUE(ServeUntil([&] { return calls > 20; }));
  vcl.SetOnProgress(nullptr);
  detached = true;
  int seen = calls;
  Serve(30ms);
  EXPECT_EQ(calls, seen);
  vcl.Stop(true);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
}

// --- Stop and pause

TEST_F(Component, StopWithWaitingEndsRunningAndWaitingTasks) {
  TScriptedVCL vcl;
  vcl.Default.Packets = 100000;
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 5);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return vcl.Stats.Alive == 2 && rec.ProgressCount > 4; }));
  vcl.Stop(true);
  EXPECT_EQ(vcl.Stats.Alive, 0);  // the threads have ended
  EXPECT_EQ(vcl.Stats.Started, 2);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  ASSERT_EQ(rec.Terminates.size(), 6u);
  EXPECT_EQ(rec.TaskOrder(), (std::vector<int>{0, 1, 2, 3, 4}));
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(rec.Terminates[i].Finished);
    EXPECT_FALSE(rec.Terminates[i].Exception);
  }
  EXPECT_TRUE(rec.Terminates[5].Finished);
  EXPECT_TRUE(vcl.Terminated());
  vcl.Stop(true);  // after the end: nothing more
  Serve(20ms);
  EXPECT_EQ(rec.TerminateCount, 6);
}

TEST_F(Component, StopWithoutWaitingReturnsAtOnceAndTheRunStillEnds) {
  TScriptedVCL vcl;
  vcl.Default.Packets = 100000;
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 4);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return rec.ProgressCount > 4; }));
  vcl.Stop(false);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  EXPECT_EQ(rec.TerminateCount, 5);
  EXPECT_EQ(vcl.Stats.Started, 2);
}

TEST_F(Component, StopBeforeAnyRunDoesNothing) {
  TScriptedVCL vcl;
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 2);
  vcl.Stop(true);
  Serve(20ms);
  EXPECT_EQ(rec.TerminateCount, 0);
  vcl.Start(0);  // the tasks still run
  EXPECT_EQ(rec.TerminateCount, 3);
  EXPECT_TRUE(rec.Terminates[0].Finished);
}

TEST_F(Component, PauseHaltsEveryTaskAndTasksStartedMeanwhileBeginHalted) {
  TScriptedVCL vcl;
  TPlan ignoresPause;  // ends on its own while the run is paused
  ignoresPause.Haltable = false;
  ignoresPause.Packets = 30;
  ignoresPause.PacketTime = 3ms;
  TPlan endless;
  endless.Packets = 100000;
  vcl.Plans = {ignoresPause, endless, endless};
  TRecorder rec;
  rec.Attach(vcl);
  AddTasks(vcl, 3);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return vcl.Stats.Alive == 2; }));
  vcl.Pause();
  ASSERT_TRUE(ServeUntil([&] { return vcl.Stats.Started == 3; }));  // task 0 ended
  Serve(20ms);
  int packets = vcl.Stats.Packets;
  Serve(60ms);
  EXPECT_LE(vcl.Stats.Packets - packets, 2);  // at most the packets in flight
  vcl.Resume();
  ASSERT_TRUE(ServeUntil([&] { return vcl.Stats.Packets > packets + 20; }));
  vcl.Pause();
  vcl.Stop(true);  // lets the halted workers go on, then waits for them
  EXPECT_EQ(vcl.Stats.Alive, 0);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  EXPECT_EQ(rec.TerminateCount, 4);
}

TEST_F(Component, WaitingStopFromInsideAnEventDoesNotDeadlock) {
  for (bool threadMode : {true, false}) {
    SCOPED_TRACE(threadMode ? "thread mode" : "synchronous");
    TScriptedVCL vcl;
    vcl.Default.Packets = 100000;
    TRecorder rec;
    rec.Attach(vcl);
    std::atomic<int> stops{0};
    vcl.SetOnProgress([&](TCustomFFmpegVCL* sender, TProgressInfo* info) {
      if (info->TaskIndex == 0 && stops++ == 3) sender->Stop(true);
    });
    AddTasks(vcl, 3);
    vcl.Start(threadMode ? 2 : 0);
    ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
    EXPECT_EQ(rec.TerminateCount, 4);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(rec.Terminates[i].Finished);
  }
}

TEST_F(Component, TerminateHandlerMayStopTheRunAndWait) {
  TScriptedVCL vcl;
  TPlan shortTask;
  shortTask.Packets = 3;
  TPlan endless;
  endless.Packets = 100000;
  vcl.Plans = {shortTask, endless, endless, endless};
  TRecorder rec;
  std::atomic<bool> final{false};
  std::atomic<int> events{0};
  vcl.SetOnTerminate([&](TCustomFFmpegVCL* sender, const TTerminateInfo& info) {
    ++events;
    if (info.TaskIndex == 0) sender->Stop(true);  // "stop all when one ends"
    if (info.TaskIndex < 0) final = true;
  });
  AddTasks(vcl, 4);
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return final.load(); }));
  EXPECT_EQ(events, 5);
}

TEST_F(Component, DestroyingDuringARunStopsEverythingAndCallsNoHandlerAfterwards) {
  std::atomic<int> progress{0}, terminates{0}, alive{0};
  {
    TScriptedVCL vcl;
    vcl.Default.Packets = 100000;
    vcl.SetOnProgress([&](TCustomFFmpegVCL*, TProgressInfo*) { ++progress; });
    vcl.SetOnTerminate([&](TCustomFFmpegVCL*, const TTerminateInfo&) {
      std::this_thread::sleep_for(5ms);  // still running when the destructor begins
      ++terminates;
    });
    AddTasks(vcl, 4);
    vcl.Start(2);
    ASSERT_TRUE(ServeUntil([&] { return progress > 3; }));
    vcl.Pause();
    alive = vcl.Stats.Alive.load();
  }
  EXPECT_EQ(alive, 2);
  EXPECT_EQ(terminates, 5);  // every event was delivered before the component went
  int p = progress, t = terminates;
  Serve(30ms);
  EXPECT_EQ(progress, p);
  EXPECT_EQ(terminates, t);
}

// Many short tasks while the main thread pauses, resumes and stops at random and serves the
// events: every run ends with one event per task and then the final one, without a deadlock.
TEST_F(Component, StressRandomPauseResumeStop) {
  std::mt19937 random(12345);
  std::string tone = Tone();
  for (int run = 0; run < 12; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    TScriptedVCL vcl;
    vcl.Default.Packets = 8;
    vcl.Default.PacketTime = 300us;
    vcl.SetProgressInterval(100);
    vcl.SetTriggerEventInMainThread(run % 3 != 2);
    TRecorder rec;
    rec.Attach(vcl);
    std::atomic<int> hooks{0};
    vcl.SetOnCustomHook([&](TCustomFFmpegVCL*, THookInfo*) { ++hooks; });
    const int kTasks = 24;
    for (int i = 0; i < kTasks; ++i) {
      TPlan plan = vcl.Default;
      plan.Hook = i % 4 == 0;
      if (i % 7 == 3) plan.Throw = "broken packet";
      vcl.Plans.push_back(plan);
      int index = vcl.AddTask(tone);
      ASSERT_EQ(index, i) << vcl.LastErrMsg();
      if (i % 11 == 5) continue;  // no output: fails at start
      TOutputOptions out;
      out.CustomHook = plan.Hook;
      ASSERT_TRUE(vcl.SetOutputFile(index, Out(index), &out)) << vcl.LastErrMsg();
    }
    int threads = 1 + run % 4;
    vcl.Start(threads);
    ShakeRun(vcl, rec, random, [&] { EXPECT_LE(vcl.Stats.Alive, threads); });
    ExpectOneEventPerTaskThenTheFinalOne(rec, kTasks);
    EXPECT_LE(vcl.Stats.MaxAlive, threads);
  }
}
