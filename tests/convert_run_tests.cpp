#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/ConvertRun.h"
#include "engine/FFmpegException.h"
#include "platform/MainThread.h"
#include "tests/support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

// A converter whose "packets" are short sleeps; it can hand a call to the main thread per
// packet, as progress events do.
class TFakeRun : public TConvertRun {
 public:
  ~TFakeRun() override { StopAndWait(); }
  int packets = 20;
  bool syncEachPacket = false;
  std::string startError;
  std::string throwAt;  // throw this text halfway
  std::atomic<int> done{0};
  std::atomic<int> closed{0};
  std::atomic<int> terminates{0};

 protected:
  std::string StartError() const override { return startError; }
  void Transcode() override {
    for (int i = 0; i < packets && !Broken(); ++i) {
      HaltWhilePaused();
      std::this_thread::sleep_for(2ms);
      if (!throwAt.empty() && i == packets / 2) throw FFmpegException(throwAt);
      if (syncEachPacket) platform::Synchronize([] {});
      ++done;
    }
  }
  void CloseFiles() override { ++closed; }
};

void Install(TFakeRun& run) {
  run.OnTerminate = [&run] { ++run.terminates; };
}

using testsupport::ServeUntil;

}  // namespace

TEST(ConvertRun, SynchronousRunFinishesAndTerminatesOnce) {
  TFakeRun run;
  Install(run);
  EXPECT_FALSE(run.StartConvert(false, platform::tpNormal));
  EXPECT_EQ(run.done, 20);
  EXPECT_TRUE(run.Finished());
  EXPECT_TRUE(run.Terminated());
  EXPECT_FALSE(run.Converting());
  EXPECT_EQ(run.terminates, 1);
  EXPECT_EQ(run.closed, 1);
  // A terminated converter is not started again.
  EXPECT_FALSE(run.StartConvert(false, platform::tpNormal));
  EXPECT_EQ(run.terminates, 1);
}

TEST(ConvertRun, MissingFilesTerminateAtOnceWithTheMessage) {
  TFakeRun run;
  Install(run);
  run.startError = "At least one output file must be specified";
  EXPECT_FALSE(run.StartConvert(true, platform::tpNormal));
  EXPECT_EQ(run.terminates, 1);
  EXPECT_TRUE(run.FatalException());
  EXPECT_EQ(run.FatalMessage(), "At least one output file must be specified");
  EXPECT_EQ(run.done, 0);
}

TEST(ConvertRun, ErrorInTheRunIsReportedAndFilesStillClose) {
  TFakeRun run;
  Install(run);
  run.throwAt = "Video encoding failed";
  run.StartConvert(false, platform::tpNormal);
  EXPECT_TRUE(run.FatalException());
  EXPECT_EQ(run.FatalMessage(), "Video encoding failed");
  EXPECT_FALSE(run.Finished());
  EXPECT_EQ(run.closed, 1);
  EXPECT_EQ(run.terminates, 1);
}

TEST(ConvertRun, PausedWorkerHaltsAndStopLetsItEnd) {
  TFakeRun run;
  Install(run);
  run.packets = 100000;
  run.syncEachPacket = true;
  ASSERT_TRUE(run.StartConvert(true, platform::tpNormal));
  ASSERT_TRUE(ServeUntil([&] { return run.done > 3; }));
  run.Pause();
  ServeUntil([] { return false; }, 50ms);
  int halted = run.done;
  ServeUntil([] { return false; }, 50ms);
  EXPECT_LE(run.done - halted, 1);  // at most the packet in flight
  run.Resume();
  ASSERT_TRUE(ServeUntil([&] { return run.done > halted + 3; }));
  run.Pause();
  run.Stop(true);  // a stop lets a halted worker go on, then waits for it
  EXPECT_TRUE(run.Terminated());
  EXPECT_FALSE(run.Finished());
  EXPECT_FALSE(run.FatalException());
  EXPECT_EQ(run.terminates, 1);
}

TEST(ConvertRun, WaitingStopServesAWorkerBlockedOnTheMainThread) {
  TFakeRun run;
  Install(run);
  run.packets = 100000;
  run.syncEachPacket = true;
  ASSERT_TRUE(run.StartConvert(true, platform::tpLower));
  ASSERT_TRUE(ServeUntil([&] { return run.done > 2; }));
  // No serving here: the worker is (or soon will be) waiting in Synchronize.
  std::this_thread::sleep_for(20ms);
  run.Stop(true);
  EXPECT_TRUE(run.Terminated());
}

TEST(ConvertRun, StopBeforeStartStillTerminatesOnAHelperThread) {
  TFakeRun run;
  std::atomic<bool> onOtherThread{false};
  auto main = std::this_thread::get_id();
  run.OnTerminate = [&] {
    onOtherThread = std::this_thread::get_id() != main;
    ++run.terminates;
  };
  run.StopTask(true);
  EXPECT_EQ(run.terminates, 1);
  EXPECT_TRUE(onOtherThread);
  EXPECT_FALSE(run.Finished());
  EXPECT_EQ(run.closed, 1);
  run.StopTask(true);  // already terminated: nothing more
  EXPECT_EQ(run.terminates, 1);
}

TEST(ConvertRun, DestroyingARunningConverterStopsAndWaits) {
  std::atomic<int> terminates{0};
  {
    TFakeRun run;
    run.packets = 100000;
    run.OnTerminate = [&] { ++terminates; };
    ASSERT_TRUE(run.StartConvert(true, platform::tpNormal));
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(terminates, 1);
}

TEST(ConvertRun, PostHooksSwitchUnderTheLock) {
  TFakeRun run;
  EXPECT_FALSE(run.HasPostHook(phPreview));
  run.SetPostHook(phPreview, true);
  run.SetPostHook(phBitmap, true);
  run.SetPostHook(phPreview, false);
  EXPECT_FALSE(run.HasPostHook(phPreview));
  EXPECT_TRUE(run.HasPostHook(phBitmap));
}
