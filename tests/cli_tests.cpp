#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/CliOptions.h"
#include "tests/support/TestSupport.h"

using cli::ParseCommandLine;

namespace {

cli::TCliParse Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "brenvoflac-cli");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(args.size()), argv.data());
}

}  // namespace

TEST(CliOptions, ValidCommandLines) {
  auto p = Parse({"-f", "100", "-o", "/out", "-j", "19", "--overwrite", "-x", "an", "-x",
                  "ar=22050", "--audio-bitrate=256 kbps", "a.wav", "dir"});
  ASSERT_TRUE(p.Options) << p.Error;
  EXPECT_EQ(p.Options->Format, (presets::TFormatChoice{0, 0}));
  EXPECT_EQ(p.Options->OutputFolder, "/out");
  EXPECT_EQ(p.Options->Threads, 19);
  EXPECT_TRUE(p.Options->Overwrite);
  EXPECT_EQ(p.Options->ExtraOptions, (std::vector<std::string>{"an", "ar=22050"}));
  EXPECT_EQ(p.Options->Parameters[presets::psAudioBitrate], "256 kbps");
  EXPECT_EQ(p.Options->Inputs, (std::vector<std::string>{"a.wav", "dir"}));

  auto d = Parse({"a.wav"});
  ASSERT_TRUE(d.Options);
  EXPECT_EQ(presets::FormatCode(d.Options->Format), 110);  // FLAC by default
  EXPECT_EQ(d.Options->Threads, 1);
}

TEST(CliOptions, BadUsageNamesTheProblem) {
  struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"-f", "999", "a.wav"}, "未知的格式代码“999”"},
      {{"-f", "abc", "a.wav"}, "未知的格式代码“abc”"},
      {{"-j", "0", "a.wav"}, "1 到 19"},
      {{"-j", "20", "a.wav"}, "1 到 19"},
      {{"--bogus", "a.wav"}, "未知选项 --bogus"},
      {{"-o"}, "缺少参数"},
      {{}, "请给出要转换的文件或文件夹"},
  };
  for (const auto& c : cases) {
    auto p = Parse(c.args);
    EXPECT_FALSE(p.Options);
    EXPECT_NE(p.Error.find(c.says), std::string::npos) << p.Error;
  }
}

TEST(CliOptions, ParameterTextsMustBeEntriesOfTheFormatsLists) {
  auto ok = Parse({"--sample-rate", "44100", "a.wav"});
  std::string error;
  auto texts = cli::ResolveParameters(*ok.Options, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(texts[presets::psSampleRate], "44100");
  EXPECT_EQ(texts[presets::psAudioBitrate], "192 kbps");  // FLAC's default entry

  auto bad = Parse({"--sample-rate", "12345", "a.wav"});
  cli::ResolveParameters(*bad.Options, &error);
  EXPECT_NE(error.find("“12345”不在格式 110 的列表中"), std::string::npos) << error;
  EXPECT_NE(error.find("“48000”"), std::string::npos) << error;  // the valid choices are named

  // FLAC has no video: its only resolution entry is "该格式无视频".
  auto noVideo = Parse({"--resolution", "640*480", "a.wav"});
  cli::ResolveParameters(*noVideo.Options, &error);
  EXPECT_NE(error.find("该格式无视频"), std::string::npos) << error;
}

TEST(CliOptions, FoldersExpandToTheirFilesOnly) {
  testsupport::TTempDir dir;
  testsupport::WriteFile(dir.File("b.wav"), "x");
  testsupport::WriteFile(dir.File("a.mp3"), "x");
  std::filesystem::create_directory(dir.File("sub"));
  testsupport::WriteFile(dir.File("sub/c.wav"), "x");
  std::string error;
  auto files = cli::ExpandInputs({dir.Path()}, &error);
  EXPECT_EQ(files, (std::vector<std::string>{dir.File("a.mp3"), dir.File("b.wav")}));
  cli::ExpandInputs({dir.File("missing.wav")}, &error);
  EXPECT_NE(error.find("missing.wav"), std::string::npos);
}
