// Real conversions through the engine component: a list of files converted to FLAC on worker
// threads and checked sample by sample with the FFmpeg tools, audio-only progress figures, and
// runs paused and stopped in every order while the converters work.
#include <map>

#include "tests/component_support.h"
#include "tests/pipeline_support.h"

using testsupport::FileExists;

namespace {

// The mean luma of picture `n` of the file's video (decoded by the FFmpeg tool).
double MeanLuma(const std::string& path, int n) {
  std::string out;
  testsupport::Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -v error -i " +
                       testsupport::Quote(path) +
                       StrFmt(" -vf \"select=eq(n\\,%d)\" -frames:v 1 -f rawvideo -pix_fmt gray - "
                              "2>/dev/null",
                              n),
                   &out);
  if (out.empty()) return -1;
  double sum = 0;
  for (unsigned char c : out) sum += c;
  return sum / out.size();
}

}  // namespace

class ComponentConversion : public Component {
 protected:
  // A 16-bit WAV tone, made once per test program.
  static std::string ToneFile(double seconds, int rate, int channels) {
    std::string path = gMedia->File(StrFmt("tone_%g_%d_%d.wav", seconds, rate, channels));
    if (!FileExists(path)) {
      EXPECT_TRUE(testsupport::MakeTone(path, seconds, rate, channels, "-c:a pcm_s16le"));
    }
    return path;
  }

  // The progress events of each task, in order.
  static std::map<int, std::vector<TProgressInfo>> ProgressByTask(TRecorder& rec) {
    std::lock_guard g(rec.Lock);
    std::map<int, std::vector<TProgressInfo>> byTask;
    for (const TProgressInfo& p : rec.Progress) byTask[p.TaskIndex].push_back(p);
    return byTask;
  }
};

TEST_F(ComponentConversion, ConvertsAListOfFilesToFlacOnWorkerThreads) {
  struct TInput {
    double seconds;
    int rate, channels;
  };
  const TInput kInputs[] = {
      {1.5, 44100, 2}, {0.7, 48000, 1}, {2.0, 22050, 2}, {1.0, 44100, 1}, {0.3, 8000, 2}};
  TFFmpegVCL vcl;
  vcl.SetProgressInterval(100);
  TRecorder rec;
  rec.Attach(vcl);
  std::vector<std::string> inputs, outputs;
  for (const TInput& in : kInputs) {
    inputs.push_back(ToneFile(in.seconds, in.rate, in.channels));
    int index = vcl.AddTask(inputs.back());
    ASSERT_GE(index, 0) << vcl.LastErrMsg();
    outputs.push_back(dir.File("list" + std::to_string(index) + ".flac"));
    ASSERT_TRUE(vcl.SetOutputFile(index, outputs.back())) << vcl.LastErrMsg();
  }
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  ExpectOneEventPerTaskThenTheFinalOne(rec, 5);
  for (const TTerminateInfo& t : rec.Terminates) {
    EXPECT_TRUE(t.Finished) << t.TaskIndex;
    EXPECT_FALSE(t.Exception) << t.TaskIndex << ": " << t.ExceptionMsg;
  }
  EXPECT_EQ(rec.ProgressThreads, std::set{std::this_thread::get_id()});

  auto byTask = ProgressByTask(rec);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(outputs[i]);
    // FLAC is lossless: the samples come back exactly.
    std::string expected = DecodedSamples(inputs[i], "s16le");
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(DecodedSamples(outputs[i], "s16le") == expected);
    auto facts = testsupport::ProbeFacts(outputs[i]);
    EXPECT_EQ(Fact(facts, "stream.0.codec_name"), "flac");
    EXPECT_EQ(FactNumber(facts, "stream.0.sample_rate"), kInputs[i].rate);
    EXPECT_EQ(FactNumber(facts, "stream.0.channels"), kInputs[i].channels);

    // Audio only: no frame figures; the expected length is the input's.
    const std::vector<TProgressInfo>& events = byTask[i];
    ASSERT_FALSE(events.empty());
    for (const TProgressInfo& p : events) {
      EXPECT_EQ(p.FrameNumber, -1);
      EXPECT_EQ(p.FPS, -1);
      EXPECT_EQ(p.Quality, -1.0f);
      EXPECT_NEAR(p.TotalDuration, kInputs[i].seconds * 1e6, 30000);
    }
    const TProgressInfo& last = events.back();
    EXPECT_NEAR(last.CurrentDuration, last.TotalDuration, last.TotalDuration / 20);
    EXPECT_GT(last.CurrentSize, 0);
    EXPECT_GT(last.BitRate, 0);
  }
}

TEST_F(ComponentConversion, StartTimeOnAHundredSecondsShowsSeventyPercentAtTheEnd) {
  TFFmpegVCL vcl;
  vcl.SetProgressInterval(100);
  TRecorder rec;
  rec.Attach(vcl);
  TInputOptions in;
  in.TimeStart = 30 * 1000000LL;
  int index = vcl.AddTask(ToneFile(100, 8000, 1), &in);
  ASSERT_EQ(index, 0) << vcl.LastErrMsg();
  std::string out = dir.File("from30.flac");
  ASSERT_TRUE(vcl.SetOutputFile(index, out)) << vcl.LastErrMsg();
  vcl.Start(1);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  ASSERT_TRUE(rec.Terminates[0].Finished) << rec.Terminates[0].ExceptionMsg;
  auto byTask = ProgressByTask(rec);
  ASSERT_FALSE(byTask[0].empty());
  for (const TProgressInfo& p : byTask[0]) EXPECT_EQ(p.TotalDuration, 100 * 1000000LL);
  const TProgressInfo& last = byTask[0].back();
  int64_t percent = last.CurrentDuration * 100 / last.TotalDuration;
  EXPECT_GE(percent, 68);
  EXPECT_LE(percent, 71);
  EXPECT_NEAR(DecodedSeconds(out), 70.0, 0.1);
}

TEST_F(ComponentConversion, VideoEventsReachTheirHandlersOnTheirThreads) {
  TFFmpegVCL vcl;
  vcl.SetProgressInterval(100);
  TRecorder rec;
  rec.Attach(vcl);
  std::mutex lock;
  std::set<std::thread::id> hookThreads, previewThreads;
  std::vector<int> hookFrames;
  std::set<int> previewTasks;
  vcl.SetOnCustomHook([&](TCustomFFmpegVCL*, THookInfo* info) {
    std::lock_guard g(lock);
    hookThreads.insert(std::this_thread::get_id());
    hookFrames.push_back(info->FrameNumber);
    info->Bitmap->Fill(0, 0, 0);  // the converter copies it back into the picture
    info->Update = true;
    info->StopHook = info->FrameNumber == 5;
  });
  vcl.SetOnPreviewBitmap([&](TCustomFFmpegVCL*, const TPreviewInfo& info) {
    std::lock_guard g(lock);
    previewThreads.insert(std::this_thread::get_id());
    previewTasks.insert(info.TaskIndex);
    EXPECT_EQ(info.Bitmap->Width(), 320);
    EXPECT_EQ(info.Bitmap->Height(), 240);
  });
  std::vector<std::string> outputs;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(vcl.AddTask(Clip25()), i) << vcl.LastErrMsg();
    TOutputOptions out;
    out.VideoCodec = "ffv1";
    out.CustomHook = i == 0;
    outputs.push_back(dir.File(StrFmt("video%d.mkv", i)));
    ASSERT_TRUE(vcl.SetOutputFile(i, outputs.back(), &out)) << vcl.LastErrMsg();
  }
  vcl.SetPreviewBitmap(true);  // reaches the tasks already listed
  vcl.Start(2);
  ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
  for (const TTerminateInfo& t : rec.Terminates) {
    EXPECT_TRUE(t.Finished) << t.TaskIndex << ": " << t.ExceptionMsg;
  }
  std::lock_guard g(lock);
  EXPECT_EQ(hookFrames, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(hookThreads.size(), 1u);
  EXPECT_FALSE(hookThreads.count(std::this_thread::get_id()));
  EXPECT_EQ(previewThreads, std::set{std::this_thread::get_id()});
  EXPECT_EQ(previewTasks, (std::set<int>{0, 1}));
  // The hooked pictures are black, the rest keep the test pattern.
  EXPECT_LT(MeanLuma(outputs[0], 0), 20);
  EXPECT_LT(MeanLuma(outputs[0], 4), 20);
  EXPECT_GT(MeanLuma(outputs[0], 10), 40);
  EXPECT_GT(MeanLuma(outputs[1], 0), 40);
  for (const TProgressInfo& p : rec.Progress) EXPECT_GT(p.FrameNumber, 0);
}

// Five tasks on two threads, each input read at its own pace (1.5 s), so the steps happen
// while two convert and three wait.
TEST_F(ComponentConversion, RunsPausedAndStoppedInEveryOrder) {
  enum TStep { sPause, sResume, sStopWait, sStopNoWait, sExpectHalted };
  struct TCase {
    const char* name;
    std::vector<TStep> steps;
    bool finished;  // every task runs to its end
  };
  const TCase kCases[] = {
      {"pause, resume", {sPause, sExpectHalted, sResume}, true},
      {"pause, stop with waiting", {sPause, sExpectHalted, sStopWait}, false},
      {"stop with waiting", {sStopWait}, false},
      {"stop, then pause and resume", {sStopNoWait, sPause, sResume}, false},
      {"pause, stop, resume", {sPause, sStopNoWait, sResume}, false},
      {"pause, resume, pause, stop", {sPause, sResume, sPause, sStopWait}, false},
  };
  std::string input = ToneFile(1.5, 22050, 1);
  for (const TCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TFFmpegVCL vcl;
    vcl.SetProgressInterval(100);
    TRecorder rec;
    rec.Attach(vcl);
    std::vector<std::string> outputs;
    for (int i = 0; i < 5; ++i) {
      int index = vcl.AddTask(input, "re=1");
      ASSERT_EQ(index, i) << vcl.LastErrMsg();
      outputs.push_back(Out(i));
      ASSERT_TRUE(vcl.SetOutputFile(index, outputs.back())) << vcl.LastErrMsg();
    }
    vcl.Start(2);
    // Both running tasks have reported.
    ASSERT_TRUE(ServeUntil([&] {
      auto byTask = ProgressByTask(rec);
      return !byTask[0].empty() && !byTask[1].empty();
    }));
    for (TStep step : c.steps) {
      switch (step) {
        case sPause:
          vcl.Pause();
          break;
        case sResume:
          vcl.Resume();
          break;
        case sStopWait:
          vcl.Stop(true);
          break;
        case sStopNoWait:
          vcl.Stop(false);
          break;
        case sExpectHalted: {
          Serve(100ms);  // the packets in flight
          int progress = rec.ProgressCount;
          Serve(400ms);
          EXPECT_EQ(rec.ProgressCount, progress);
          EXPECT_EQ(rec.TerminateCount, 0);
          break;
        }
      }
    }
    ASSERT_TRUE(ServeUntil([&] { return rec.Final.load(); }));
    ExpectOneEventPerTaskThenTheFinalOne(rec, 5);
    for (const TTerminateInfo& t : rec.Terminates) {
      if (t.TaskIndex < 0) continue;
      EXPECT_EQ(t.Finished, c.finished) << t.TaskIndex;
      EXPECT_FALSE(t.Exception) << t.TaskIndex << ": " << t.ExceptionMsg;
    }
    if (c.finished) {
      for (const std::string& out : outputs) EXPECT_NEAR(DecodedSeconds(out), 1.5, 0.01);
    } else {
      // The stopped tasks keep what they wrote; those that never ran leave no file.
      for (int i : {0, 1}) {
        double seconds = DecodedSeconds(outputs[i]);
        EXPECT_GT(seconds, 0.05) << i;
        EXPECT_LT(seconds, 1.45) << i;
      }
      for (int i : {2, 3, 4}) EXPECT_FALSE(FileExists(outputs[i])) << i;
    }
  }
}

// Many short real conversions while the main thread pauses, resumes and stops at random.
TEST_F(ComponentConversion, StressRandomPauseResumeStop) {
  std::mt19937 random(54321);
  std::string input = ToneFile(0.25, 8000, 1);
  for (int run = 0; run < 6; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    TFFmpegVCL vcl;
    vcl.SetProgressInterval(100);
    vcl.SetTriggerEventInMainThread(run % 3 != 2);
    TRecorder rec;
    rec.Attach(vcl);
    const int kTasks = 16;
    std::vector<std::string> outputs;
    for (int i = 0; i < kTasks; ++i) {
      ASSERT_EQ(vcl.AddTask(input), i) << vcl.LastErrMsg();
      outputs.push_back(Out(i));
      ASSERT_TRUE(vcl.SetOutputFile(i, outputs.back())) << vcl.LastErrMsg();
    }
    vcl.Start(1 + run % 4);
    ShakeRun(vcl, rec, random, [] {});
    ExpectOneEventPerTaskThenTheFinalOne(rec, kTasks);
    std::lock_guard g(rec.Lock);
    for (const TTerminateInfo& t : rec.Terminates) {
      EXPECT_FALSE(t.Exception) << t.ExceptionMsg;
      if (t.TaskIndex >= 0 && t.Finished) {
        EXPECT_NEAR(DecodedSeconds(outputs[t.TaskIndex]), 0.25, 0.01);
      }
    }
  }
}
