// Shared pieces of the engine component tests: the events recorded with their threads, a
// main thread that serves while it waits, and a run shaken by random pause, resume and stop.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/FFmpegVCL.h"
#include "platform/MainThread.h"
#include "tests/converter_support.h"
#include "tests/support/TestSupport.h"

using namespace std::chrono_literals;

// Everything the component's events delivered, with the threads they ran on.
struct TRecorder {
  std::mutex Lock;
  std::vector<TTerminateInfo> Terminates;
  std::set<std::thread::id> TerminateThreads;
  std::vector<TProgressInfo> Progress;
  std::set<std::thread::id> ProgressThreads;
  std::atomic<int> ProgressCount{0}, TerminateCount{0};
  std::atomic<bool> Final{false};

  void Attach(TFFmpegVCL& vcl) {
    vcl.SetOnProgress([this](TCustomFFmpegVCL*, TProgressInfo* info) {
      std::lock_guard g(Lock);
      Progress.push_back(*info);
      ProgressThreads.insert(std::this_thread::get_id());
      ++ProgressCount;
    });
    vcl.SetOnTerminate([this](TCustomFFmpegVCL*, const TTerminateInfo& info) {
      std::lock_guard g(Lock);
      EXPECT_FALSE(Final) << "event after the final one";
      Terminates.push_back(info);
      TerminateThreads.insert(std::this_thread::get_id());
      ++TerminateCount;
      if (info.TaskIndex < 0) Final = true;
    });
  }
  // Task indexes of the task events, in delivery order.
  std::vector<int> TaskOrder() {
    std::lock_guard g(Lock);
    std::vector<int> order;
    for (const auto& t : Terminates)
      if (t.TaskIndex >= 0) order.push_back(t.TaskIndex);
    return order;
  }
};

using testsupport::ServeUntil;

inline void Serve(std::chrono::milliseconds time) {
  ServeUntil([] { return false; }, time);
}

// The main thread's random pause, resume and stop while it serves the events, until the final
// event; `check` runs after every step. A paused run that was never stopped is resumed at the end.
inline void ShakeRun(TFFmpegVCL& vcl, TRecorder& rec, std::mt19937& random,
                     const std::function<void()>& check) {
  bool stopped = false;
  auto end = std::chrono::steady_clock::now() + 60s;
  while (!rec.Final && std::chrono::steady_clock::now() < end) {
    switch (random() % 8) {
      case 0:
        vcl.Pause();
        break;
      case 1:
      case 2:
        vcl.Resume();
        break;
      case 3:
        if (random() % 6 == 0) {
          vcl.Stop(random() % 2 == 0);
          stopped = true;
        }
        break;
      default:
        Serve(std::chrono::milliseconds(random() % 3));
    }
    check();
  }
  if (!stopped) vcl.Resume();
  EXPECT_TRUE(ServeUntil([&] { return rec.Final.load(); }, 60000ms)) << "the run did not end";
}

inline void ExpectOneEventPerTaskThenTheFinalOne(TRecorder& rec, int tasks) {
  std::vector<int> order = rec.TaskOrder();
  std::sort(order.begin(), order.end());
  std::vector<int> all(tasks);
  for (int i = 0; i < tasks; ++i) all[i] = i;
  EXPECT_EQ(order, all);
  std::lock_guard g(rec.Lock);
  ASSERT_FALSE(rec.Terminates.empty());
  EXPECT_EQ(rec.Terminates.back().TaskIndex, -1);
  EXPECT_TRUE(rec.Terminates.back().Finished);
}

class Component : public ConverterTest {
 protected:
  // Adds `count` tasks on the tone, each with its own FLAC output.
  void AddTasks(TFFmpegVCL& vcl, int count) {
    for (int i = 0; i < count; ++i) {
      int index = vcl.AddTask(Tone());
      ASSERT_EQ(index, vcl.TasksCount() - 1) << vcl.LastErrMsg();
      ASSERT_TRUE(vcl.SetOutputFile(index, Out(index))) << vcl.LastErrMsg();
    }
  }
  std::string Out(int i) {
    return dir.File("out" + std::to_string(FOutCount++) + "_" + std::to_string(i) + ".flac");
  }

  testsupport::TTempDir dir;
  int FOutCount = 0;
};
