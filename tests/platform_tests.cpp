#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "platform/Bitmap.h"
#include "platform/IniFile.h"
#include "platform/MainThread.h"
#include "tests/support/TestSupport.h"

using platform::TIniFile;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

struct TIniReadCase {
  const char* name;
  const char* content;  // nullptr: no file
  const char* section;
  const char* key;
  const char* expected;
};

class IniRead : public testing::TestWithParam<TIniReadCase> {};

TEST_P(IniRead, ReadsValueOrDefault) {
  const auto& c = GetParam();
  TTempDir dir;
  std::string path = dir.File("option.ini");
  if (c.content) WriteFile(path, c.content);
  EXPECT_EQ(TIniFile(path).ReadString(c.section, c.key, "Error"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(
        TIniReadCase{"missing_file", nullptr, "OutPath", "Path", "Error"},
        TIniReadCase{"missing_key", "[OutPath]\nOther=1\n", "OutPath", "Path", "Error"},
        TIniReadCase{"missing_section", "[Skin]\nPath=1\n", "OutPath", "Path", "Error"},
        TIniReadCase{"empty_value", "[OutPath]\nPath=\n", "OutPath", "Path", ""},
        TIniReadCase{"case_insensitive", "[outpath]\npATH = /x/输出 \n", "OutPath", "Path",
                     "/x/输出"},
        TIniReadCase{"crlf_and_bom", "\xEF\xBB\xBF[OutPath]\r\nPath=/a\r\n", "OutPath", "Path",
                     "/a"},
        TIniReadCase{"key_in_other_section", "[A]\nPath=1\n[OutPath]\nX=2\n", "OutPath", "Path",
                     "Error"},
        TIniReadCase{"value_with_equals", "[S]\nk=a=b\n", "S", "k", "a=b"},
        TIniReadCase{"garbage_lines", "\x01\x02garbage\n[[[\n=\n[S]\nnoequals\nk=v\n", "S", "k",
                     "v"},
        TIniReadCase{"comment_not_key", "[S]\n;k=x\n", "S", ";k", "Error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniWrite, CreatesFileSectionAndKey) {
  TTempDir dir;
  TIniFile ini(dir.File("option.ini"));
  ASSERT_TRUE(ini.WriteString("OutPath", "Path", "/home/u/输出"));
  ASSERT_TRUE(ini.WriteString("Options", "Thread_Count", "2"));
  EXPECT_EQ(ini.ReadString("OutPath", "Path", "Error"), "/home/u/输出");
  EXPECT_EQ(ini.ReadString("options", "thread_count", "Error"), "2");
}

TEST(IniWrite, KeepsOtherContentAndReplacesInPlace) {
  TTempDir dir;
  std::string path = dir.File("option.ini");
  WriteFile(path, "; my notes\n[Skin]\nSetSkin=2\n\n[Options]\nThread_Count=1\nAfter_Done=0\n"
                  "junk line\n");
  TIniFile ini(path);
  ASSERT_TRUE(ini.WriteString("OPTIONS", "thread_count", "4"));
  ASSERT_TRUE(ini.WriteString("Skin", "Extra", "x"));
  EXPECT_EQ(ReadFile(path),
            "; my notes\n[Skin]\nSetSkin=2\nExtra=x\n\n[Options]\nThread_Count=4\nAfter_Done=0\n"
            "junk line\n");
}

TEST(IniWrite, KeepsCrlfLineEnds) {
  TTempDir dir;
  std::string path = dir.File("option.ini");
  WriteFile(path, "[S]\r\na=1\r\n");
  ASSERT_TRUE(TIniFile(path).WriteString("S", "b", "2"));
  EXPECT_EQ(ReadFile(path), "[S]\r\na=1\r\nb=2\r\n");
}

TEST(IniWrite, RefusesWhatItCannotWriteSafely) {
  TTempDir dir;
  // A directory where the file should be: reads give defaults, writes fail, nothing crashes.
  std::string asDir = dir.File("dir.ini");
  mkdir(asDir.c_str(), 0755);
  EXPECT_EQ(TIniFile(asDir).ReadString("S", "k", "Error"), "Error");
  EXPECT_FALSE(TIniFile(asDir).WriteString("S", "k", "v"));
  // A value with a line break would corrupt the file.
  EXPECT_FALSE(TIniFile(dir.File("a.ini")).WriteString("S", "k", "a\nb"));
  // A folder that does not exist.
  EXPECT_FALSE(TIniFile(dir.File("none/a.ini")).WriteString("S", "k", "v"));
  // A file too large to be a settings file is neither read nor replaced.
  std::string huge = dir.File("huge.ini");
  WriteFile(huge, "[S]\nk=v\n" + std::string(TIniFile::kMaxFileSize, 'x'));
  EXPECT_EQ(TIniFile(huge).ReadString("S", "k", "Error"), "Error");
  EXPECT_FALSE(TIniFile(huge).WriteString("S", "k", "w"));
  EXPECT_GT(testsupport::FileSize(huge), static_cast<long long>(TIniFile::kMaxFileSize));
}

TEST(IniWrite, ReadOnlyFolderLeavesFileIntact) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  TTempDir dir;
  std::string path = dir.File("option.ini");
  WriteFile(path, "[S]\nk=1\n");
  chmod(dir.Path().c_str(), 0555);
  EXPECT_FALSE(TIniFile(path).WriteString("S", "k", "2"));
  chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "[S]\nk=1\n");
}

TEST(MainThreadCalls, WorkerCallRunsOnMainThreadAndWaits) {
  platform::TQueuedMainThreadCalls calls;
  std::atomic<bool> ranOnMain{false}, returned{false};
  std::thread worker([&] {
    calls.Synchronize([&] { ranOnMain = calls.IsMainThread(); });
    returned = true;
  });
  while (!returned) {
    calls.ServePending();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_TRUE(ranOnMain);
}

TEST(MainThreadCalls, ExceptionReachesTheCaller) {
  platform::TQueuedMainThreadCalls calls;
  std::atomic<bool> caught{false}, done{false};
  std::thread worker([&] {
    try {
      calls.Synchronize([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
    done = true;
  });
  while (!done) calls.ServePending();
  worker.join();
  EXPECT_TRUE(caught);
}

TEST(MainThreadCalls, MainThreadCallRunsDirectly) {
  platform::TQueuedMainThreadCalls calls;
  int n = 0;
  calls.Synchronize([&] { ++n; });
  EXPECT_EQ(n, 1);
  EXPECT_EQ(calls.ServePending(), 0);
}

TEST(Bitmap, RowsArePaddedAndBmpIsWritten) {
  platform::TBitmap bmp(5, 3);
  EXPECT_EQ(bmp.Stride(), 16);  // 15 bytes padded to 16
  bmp.Fill(10, 20, 30);
  bmp.SetPixel(4, 0, 255, 0, 0);
  EXPECT_EQ(bmp.ScanLine(0)[12], 0);    // blue
  EXPECT_EQ(bmp.ScanLine(0)[14], 255);  // red
  TTempDir dir;
  std::string path = dir.File("a.bmp");
  ASSERT_TRUE(bmp.SaveToBmpFile(path.c_str()));
  std::string data = ReadFile(path);
  ASSERT_EQ(data.size(), 54u + 16 * 3);
  // Bottom-up: the top row (with the red pixel) is written last.
  EXPECT_EQ(static_cast<uint8_t>(data[54 + 2 * 16 + 14]), 255);
}
