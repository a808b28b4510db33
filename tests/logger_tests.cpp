#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/AVLibs.h"
#include "engine/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "platform/MainThread.h"
#include "platform/SysThread.h"

namespace {

struct TMessage {
  const void* sender;
  uint32_t thread;
  TLogLevel level;
  std::string text;
};

// Collects what the logger delivers, as the main window's handler would.
class LoggerTest : public testing::Test {
 protected:
  std::mutex lock;
  std::vector<TMessage> got;
  void SetUp() override {
    FFLogger().SetTriggerEventInMainThread(false);
    FFLogger().SetOnLog([this](const void* s, uint32_t t, TLogLevel l, const std::string& m) {
      std::lock_guard g(lock);
      got.push_back({s, t, l, m});
    });
  }
  void TearDown() override {
    FFLogger().SetOnLog(nullptr);
    FFLogger().SetTriggerEventInMainThread(true);
    FFLogger().SetLogLevel(llInfo);
  }
  // Calls the library callback as the libraries do.
  static void LibLog(void* obj, int level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FFLogCallback(obj, level, fmt, args);
    va_end(args);
  }
};

}  // namespace

TEST(LogLevels, MapBothWays) {
  for (int l = llQuiet; l <= llDebug; ++l)
    EXPECT_EQ(AVToLogLevel(LogLevelToAV(static_cast<TLogLevel>(l))), l);
  struct {
    int av;
    TLogLevel level;
  } back[] = {{-8, llQuiet}, {-100, llQuiet}, {0, llPanic},   {16, llError},
              {32, llInfo},  {40, llVerbose}, {56, llDebug}, {20, llError}};
  for (const auto& c : back) EXPECT_EQ(AVToLogLevel(c.av), c.level) << c.av;
}

TEST_F(LoggerTest, LevelFilteringPassesVerboseButNotAtQuiet) {
  struct {
    TLogLevel setting, message;
    bool delivered;
  } cases[] = {
      {llWarning, llInfo, false}, {llWarning, llVerbose, true}, {llWarning, llError, true},
      {llWarning, llWarning, true}, {llQuiet, llVerbose, false}, {llQuiet, llPanic, false},
      {llInfo, llDebug, false},   {llDebug, llDebug, true},
  };
  for (const auto& c : cases) {
    got.clear();
    FFLogger().SetLogLevel(c.setting);
    FFLogger().Log(this, c.message, "m");
    EXPECT_EQ(got.size(), c.delivered ? 1u : 0u) << c.setting << " " << c.message;
  }
}

TEST_F(LoggerTest, FormattedMessageCarriesSenderLevelAndThread) {
  FFLogger().LogFmt(this, llError, "%s has %d streams", "a.mkv", 3);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sender, this);
  EXPECT_EQ(got[0].level, llError);
  EXPECT_EQ(got[0].text, "a.mkv has 3 streams");
  EXPECT_EQ(got[0].thread, platform::CurrentThreadId());
}

TEST_F(LoggerTest, LibraryLinesAreAssembledFromPartialCalls) {
  LibLog(nullptr, AV_LOG_INFO, "abc");
  LibLog(nullptr, AV_LOG_INFO, "def\nghi");
  EXPECT_EQ(got.size(), 1u);  // "abcdef" is complete, "ghi" waits
  LibLog(nullptr, AV_LOG_INFO, "\n");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].text, "abcdef");
  EXPECT_EQ(got[1].text, "ghi");
  EXPECT_EQ(got[0].sender, &FFLogger());
  EXPECT_EQ(got[0].level, llInfo);
}

TEST_F(LoggerTest, LibraryMessagesAboveTheLevelAreIgnored) {
  LibLog(nullptr, AV_LOG_DEBUG, "hidden\n");
  LibLog(nullptr, AV_LOG_ERROR, "shown\n");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "shown");
  EXPECT_EQ(got[0].level, llError);
}

TEST_F(LoggerTest, NewLineStartsWithTheObjectPrefix) {
  static const AVClass cls = {"demo", [](void*) { return "demo"; }, nullptr,
                              LIBAVUTIL_VERSION_INT};
  struct {
    const AVClass* c = &cls;
  } obj;
  LibLog(&obj, AV_LOG_WARNING, "first ");
  LibLog(&obj, AV_LOG_WARNING, "part\n");
  ASSERT_EQ(got.size(), 1u);
  char expected[128];
  snprintf(expected, sizeof expected, "[demo @ %p]first part", static_cast<void*>(&obj));
  EXPECT_EQ(got[0].text, expected);
}

TEST_F(LoggerTest, TwoThreadsKeepTheirOwnPendingText) {
  std::atomic<int> step{0};
  auto writer = [&](const char* a, const char* b, int myTurn) {
    while (step != myTurn) std::this_thread::yield();
    LibLog(nullptr, AV_LOG_INFO, a);
    ++step;
    while (step != myTurn + 2) std::this_thread::yield();
    LibLog(nullptr, AV_LOG_INFO, b);
    ++step;
  };
  std::thread t1(writer, "one-", "end1\n", 0);
  std::thread t2(writer, "two-", "end2\n", 1);
  t1.join();
  t2.join();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].text, "one-end1");
  EXPECT_EQ(got[1].text, "two-end2");
  EXPECT_NE(got[0].thread, got[1].thread);
}

TEST_F(LoggerTest, WorkerMessagesAreDeliveredOnTheMainThread) {
  FFLogger().SetTriggerEventInMainThread(true);
  std::atomic<bool> onMain{true}, done{false};
  FFLogger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& m) {
    if (!platform::IsMainThread()) onMain = false;
    std::lock_guard g(lock);
    got.push_back({nullptr, 0, llInfo, m});
  });
  std::thread worker([&] {
    FFLogger().Log(nullptr, llInfo, "from worker");
    done = true;
  });
  while (!done) platform::MainThreadCalls().ServePending();
  worker.join();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(onMain);
}

TEST_F(LoggerTest, OptLogLevelTakesNamesAndNumbers) {
  FFLogger().OptLogLevel("Warning");
  EXPECT_EQ(FFLogger().LogLevel(), llWarning);
  FFLogger().OptLogLevel("40");
  EXPECT_EQ(FFLogger().LogLevel(), llVerbose);
  FFLogger().OptLogLevel("QUIET");
  EXPECT_EQ(FFLogger().LogLevel(), llQuiet);
  EXPECT_THROW(FFLogger().OptLogLevel("loud"), std::invalid_argument);
  EXPECT_THROW(FFLogger().OptLogLevel("12x"), std::invalid_argument);
}

TEST(Logger, OnlyOneInstance) {
  FFLogger();
  try {
    TFFLogger second;
    FAIL() << "a second logger was created";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
  }
}

TEST(Logger, LoadedLibrariesLogThroughTheLogger) {
  std::vector<std::string> lines;
  FFLogger().SetTriggerEventInMainThread(false);
  FFLogger().SetOnLog(
      [&](const void*, uint32_t, TLogLevel, const std::string& m) { lines.push_back(m); });
  ASSERT_TRUE(FFLoader().Load(avUtil)) << FFLoader().LastErrMsg();
  FFLogger().SetLogLevel(llWarning);
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_WARNING);
  ff::av_log(nullptr, AV_LOG_ERROR, "through %s\n", "the callback");
  ff::av_log(nullptr, AV_LOG_INFO, "filtered\n");
  FFLogger().SetOnLog(nullptr);
  FFLoader().Unload(avUtil);
  FFLogger().SetTriggerEventInMainThread(true);
  FFLogger().SetLogLevel(llInfo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "through the callback");
}
