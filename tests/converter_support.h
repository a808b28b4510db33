// Shared set-up of the converter tests: the libraries loaded once, the engine log captured,
// and small media fixtures made once per test program.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/FFmpeg.h"
#include "engine/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "tests/support/TestSupport.h"

class ConverterTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(FFLoader().Load(kEngineLibraries)) << FFLoader().LastErrMsg();
    ASSERT_TRUE(testsupport::HaveFFmpegTools());
    if (!gMedia) gMedia = new testsupport::TTempDir;  // kept for the whole program
  }
  void SetUp() override {
    FFLogger().SetTriggerEventInMainThread(false);
    FFLogger().SetLogLevel(llInfo);
    FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel l, const std::string& m) {
      std::lock_guard g(FLock);
      FLog.push_back({l, m});
    });
  }
  void TearDown() override { FFLogger().SetOnLog(nullptr); }

  // True when a message containing `text` was logged at `level`.
  bool Logged(TLogLevel level, const std::string& text) {
    std::lock_guard g(FLock);
    for (const auto& m : FLog)
      if (m.first == level && m.second.find(text) != std::string::npos) return true;
    return false;
  }
  int LoggedCount(const std::string& text) {
    std::lock_guard g(FLock);
    int n = 0;
    for (const auto& m : FLog) n += m.second.find(text) != std::string::npos;
    return n;
  }
  void ClearLog() {
    std::lock_guard g(FLock);
    FLog.clear();
  }

  // 1 s of 320x240 video at 25 fps with a 44.1 kHz stereo tone (MPEG-4 and MP2 in AVI).
  static std::string Clip25() {
    return Fixture("clip25.avi", [](const std::string& p) {
      return testsupport::MakeClip(p, 1, "-c:v mpeg4 -c:a mp2", 320, 240, 25, true);
    });
  }
  // 2 s of 48 kHz stereo tone, no video.
  static std::string Tone() {
    return Fixture("tone.wav", [](const std::string& p) {
      return testsupport::MakeTone(p, 2, 48000, 2, "-c:a pcm_s16le");
    });
  }
  // 1 s clip in an MPEG transport stream (one program, number 1).
  static std::string TsClip() {
    return Fixture("clip.ts", [](const std::string& p) {
      return testsupport::MakeClip(p, 1, "-c:v mpeg2video -c:a mp2", 320, 240, 25, true);
    });
  }
  static std::string Fixture(const std::string& name, bool (*make)(const std::string&)) {
    std::string path = gMedia->File(name);
    if (!testsupport::FileExists(path)) {
      EXPECT_TRUE(make(path)) << name;
    }
    return path;
  }

  // The streams of output `i` of kind `kind`, in order.
  static std::vector<const TOutputStream*> StreamsOf(const TCustomFFmpeg& c, AVMediaType kind,
                                                     int i = 0) {
    std::vector<const TOutputStream*> r;
    for (const TOutputStream& s : c.Output(i).Streams)
      if (s.Kind == kind) r.push_back(&s);
    return r;
  }

  inline static testsupport::TTempDir* gMedia = nullptr;
  std::mutex FLock;
  std::vector<std::pair<TLogLevel, std::string>> FLog;
};
