#include <gtest/gtest.h>

#include "engine/AVErrors.h"
#include "engine/AVLibs.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "engine/UnicodeProtocol.h"
#include "tests/support/TestSupport.h"

using testsupport::TTempDir;

class Loader : public testing::Test {
 protected:
  TFFmpegLoader loader;
  void TearDown() override { loader.Unload(kAllLibraries); }
};

TEST_F(Loader, EmptyFolderFallsBackToTheSystemLibraries) {
  TTempDir empty;
  loader.SetLibraryPath(empty.Path());
  ASSERT_TRUE(loader.Load(kAllLibraries)) << loader.LastErrMsg();
  EXPECT_TRUE(loader.Loaded(kAllLibraries));
  // Bound to the libraries the headers describe.
  EXPECT_EQ(ff::avcodec_version() >> 16, static_cast<unsigned>(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_NE(ff::avcodec_find_encoder_by_name("flac"), nullptr);
  EXPECT_NE(ff::swr_alloc_set_opts2, nullptr);
  EXPECT_NE(ff::SDL_Init, nullptr);
}

TEST_F(Loader, LoadingTwiceIsHarmlessAndUnloadClearsEveryPointer) {
  ASSERT_TRUE(loader.Load(kEngineLibraries)) << loader.LastErrMsg();
  ASSERT_TRUE(loader.Load(kEngineLibraries)) << loader.LastErrMsg();
  EXPECT_TRUE(loader.Loaded(avFormat));
  loader.Unload(kEngineLibraries);
  EXPECT_FALSE(loader.Loaded(avCodec));
  EXPECT_EQ(loader.Status(avCodec).Handle, nullptr);
  EXPECT_EQ(ff::avcodec_open2, nullptr);
  EXPECT_EQ(ff::avformat_open_input, nullptr);
  EXPECT_EQ(ff::av_log_set_callback, nullptr);
  EXPECT_EQ(ff::swr_convert, nullptr);
}

TEST_F(Loader, MissingNamedFileFailsAndLeavesNothingLoaded) {
  TTempDir dir;
  std::string missing = dir.File("libavfilter.so.8");
  loader.Status(avFilter).Name = missing;
  EXPECT_FALSE(loader.Load(kEngineLibraries));
  EXPECT_EQ(loader.LastErrMsg().rfind("Load library " + missing + " error: ", 0), 0u)
      << loader.LastErrMsg();
  EXPECT_NE(loader.LastErrMsg().find("No such file or directory"), std::string::npos);
  // Members loaded before avfilter in the set are released again.
  for (TLibrary lib : {avCodec, avFilter, avFormat, avUtil, swScale, swResample}) {
    EXPECT_FALSE(loader.Loaded(lib)) << lib;
    EXPECT_EQ(loader.Status(lib).Handle, nullptr) << lib;
  }
  EXPECT_EQ(ff::avutil_version, nullptr);
}

TEST_F(Loader, LibraryLackingAnEntryPointNamesItAndTheFile) {
  loader.SetLibraryPath(FAKELIB_DIR);
  EXPECT_FALSE(loader.Load(avUtil));
  std::string file = "libavutil.so.57";
  EXPECT_EQ(loader.LastErrMsg().rfind("Load function av_version_info@" + file + " error: ", 0),
            0u)
      << loader.LastErrMsg();
  EXPECT_NE(loader.LastErrMsg().find("undefined symbol: av_version_info"), std::string::npos);
  EXPECT_FALSE(loader.Loaded(avUtil));
  EXPECT_EQ(loader.Status(avUtil).Handle, nullptr);
  EXPECT_EQ(ff::avutil_version, nullptr);
}

TEST(ErrorTexts, LibraryCodesHaveTheirTexts) {
  struct {
    int code;
    const char* text;
  } cases[] = {
      {AVERROR(ENOENT), "No such file or directory"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR_EOF, "End of file"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR_MUXER_NOT_FOUND, "Unknown format"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {-1234, "Error number -1234 occurred"},
  };
  for (const auto& c : cases) EXPECT_EQ(AVErrorText(c.code), c.text) << c.code;
}

TEST(FileNames, LibraryFormOfNames) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/home/u/音乐/a.wav", "/home/u/音乐/a.wav"},
      {"rtp://239.0.0.1:5004", "rtp://239.0.0.1:5004"},
      {"udp://1.2.3.4:5", "udp://1.2.3.4:5"},
      {"http://x/y.mp3", "http://x/y.mp3"},
      {"unicode:utf8:/tmp/日本語.mp3", "/tmp/日本語.mp3"},
      {"my:song.mp3", "file:my:song.mp3"},
      {"dir/a:b.mp3", "dir/a:b.mp3"},
      {"HTTP://x", "file:HTTP://x"},  // prefixes match with their exact case only
  };
  for (const auto& c : cases) EXPECT_EQ(ToLibFileName(c.in), c.out) << c.in;
  EXPECT_EQ(FromLibFileName("unicode:utf8:/tmp/日本語.mp3"), "/tmp/日本語.mp3");
  EXPECT_EQ(FromLibFileName("file:my:song.mp3"), "my:song.mp3");
  EXPECT_EQ(FromLibFileName("/a/b"), "/a/b");
}

TEST(FileNames, OverlongNameIsRejected) {
  std::string longest = "/" + std::string(kMaxLibFileName - 1, 'a');
  EXPECT_EQ(ToLibFileName(longest), longest);
  EXPECT_THROW(ToLibFileName(longest + "a"), FFmpegException);
}
