// Every output format of the catalogue converts a short clip, through the same path as the
// command line: current settings from the format's data and default entries, the output record,
// a validation task and one run. Each output is checked with ffprobe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "engine/FFmpegVCL.h"
#include "presets/AppSettings.h"
#include "presets/Catalogue.h"
#include "presets/CurrentSettings.h"
#include "presets/OutputRecord.h"
#include "tests/support/TestSupport.h"

using namespace presets;

namespace {

// The codec name ffprobe reports for an encoder the catalogue names.
std::string CodecNameOf(const std::string& encoder) {
  // clang-format off
  static const std::map<std::string, std::string> kNames = {
    {"libx264",           "h264"},
    {"libxvid",           "mpeg4"},
    {"mpeg4",             "mpeg4"},
    {"msmpeg4",           "msmpeg4v3"},
    {"wmv2",              "wmv2"},
    {"mpeg1video",        "mpeg1video"},
    {"mpeg2video",        "mpeg2video"},
    {"rv20",              "rv20"},
    {"h263",              "h263"},
    {"libmp3lame",        "mp3"},
    {"libfaac",           "aac"},
    {"wmav2",             "wmav2"},
    {"libvorbis",         "vorbis"},
    {"ac3",               "ac3"},
    {"flac",              "flac"},
    {"libopencore_amrnb", "amr_nb"},
  };
  // clang-format on
  auto it = kNames.find(encoder);
  return it == kNames.end() ? encoder : it->second;
}

// What the output's audio codec must be: the format's, except where the container cannot hold
// it and the engine takes the container's own (AAC in an MPEG program stream becomes MP2).
std::string ExpectedAudioCodec(const TOutputFormat& f) {
  std::string ext = f.Ext;
  if ((ext == ".mpg" || ext == ".vob") && std::string(f.AudioCodec) == "libfaac") return "mp2";
  return CodecNameOf(f.AudioCodec);
}

std::vector<TFormatChoice> AllFormats() {
  std::vector<TFormatChoice> all;
  for (int c = 0; c < kCategoryCount; ++c)
    for (int p = 0; p < static_cast<int>(CategoryAt(c)->Formats.size()); ++p) all.push_back({c, p});
  return all;
}

constexpr double kClipSeconds = 2.0;

class FormatMatrix : public testing::TestWithParam<TFormatChoice> {
 protected:
  testsupport::TTempDir dir;
};

// Finds the first stream of a kind in ffprobe's facts; -1 when there is none.
int StreamOfType(const std::map<std::string, std::string>& facts, const std::string& type) {
  for (int i = 0; facts.count("stream." + std::to_string(i) + ".codec_type"); ++i)
    if (facts.at("stream." + std::to_string(i) + ".codec_type") == type) return i;
  return -1;
}

}  // namespace

TEST_P(FormatMatrix, ConvertsAndProbesAsTheFormatAsks) {
  ASSERT_TRUE(testsupport::HaveFFmpegTools());
  const TFormatChoice choice = GetParam();
  const TOutputFormat& format = *FormatAt(choice);
  std::string input = dir.File(format.NoVideo ? "tone.wav" : "clip.mkv");
  ASSERT_TRUE(format.NoVideo
                  ? testsupport::MakeTone(input, kClipSeconds, 44100, 2, "-c:a pcm_s16le")
                  : testsupport::MakeClip(input, kClipSeconds, "-c:v mpeg4 -q:v 3 -c:a pcm_s16le"));
  std::string outFolder = dir.File("out");
  ASSERT_TRUE(ForceFolders(outFolder));

  TFFmpegVCL engine;
  ASSERT_TRUE(engine.LoadAVLib("")) << engine.LastErrMsg();
  ASSERT_TRUE(engine.AVProbe().LoadFile(input)) << engine.AVProbe().LastErrMsg();
  int task = engine.AddTask(input);
  ASSERT_GE(task, 0) << engine.LastErrMsg();
  TCurrentSettings s = SettingsForFile(input, choice, DefaultPresetTexts(choice), outFolder, false);
  TOutputOptions record = OutputOptionsFromSettings(s);
  ASSERT_TRUE(engine.SetOutputFile(task, s.Video_OutPutFileName, &record)) << engine.LastErrMsg();
  std::string message;
  bool finished = false;
  engine.SetOnTerminate([&](TCustomFFmpegVCL*, const TTerminateInfo& info) {
    if (info.TaskIndex == task) {
      finished = info.Finished && !info.Exception;
      message = info.ExceptionMsg;
    }
  });
  engine.Start(0);
  ASSERT_TRUE(finished) << format.Title << ": " << message;

  std::string out = s.Video_OutPutFileName;
  ASSERT_GT(testsupport::FileSize(out), 0) << out;
  auto facts = testsupport::ProbeFacts(out);
  ASSERT_FALSE(facts.empty()) << "ffprobe cannot read " << out;

  int video = StreamOfType(facts, "video");
  int audio = StreamOfType(facts, "audio");
  if (format.NoVideo) {
    EXPECT_EQ(video, -1) << format.Title;
  } else {
    ASSERT_GE(video, 0) << format.Title;
    std::string v = "stream." + std::to_string(video) + ".";
    if (*format.VideoCodec) {
      EXPECT_EQ(facts[v + "codec_name"], CodecNameOf(format.VideoCodec)) << format.Title;
    }
    // "640*480" as the record asks (disc targets set their own size).
    if (!record.FrameSize.empty() && record.TargetType == ttIgnore) {
      std::string size = record.FrameSize;
      std::string w = size.substr(0, size.find('*')), h = size.substr(size.find('*') + 1);
      EXPECT_EQ(facts[v + "width"] + "*" + facts[v + "height"], w + "*" + h) << format.Title;
    }
  }
  ASSERT_GE(audio, 0) << format.Title;
  std::string a = "stream." + std::to_string(audio) + ".";
  if (*format.AudioCodec) {
    EXPECT_EQ(facts[a + "codec_name"], ExpectedAudioCodec(format)) << format.Title;
  }
  if (*format.Channels) {
    EXPECT_EQ(facts[a + "channels"], format.Channels) << format.Title;
  }
  if (record.AudioSampleRate > 0) {
    EXPECT_EQ(facts[a + "sample_rate"], std::to_string(record.AudioSampleRate)) << format.Title;
  }
  // Some containers (SWF) store no duration: then the decoded length counts.
  double duration = facts["format.duration"].empty() || facts["format.duration"] == "N/A"
                         ? testsupport::DecodedSeconds(out)
                         : std::atof(facts["format.duration"].c_str());
  EXPECT_NEAR(duration, kClipSeconds, 0.5) << format.Title;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormatMatrix, testing::ValuesIn(AllFormats()),
                         [](const testing::TestParamInfo<TFormatChoice>& info) {
                           return "code" + std::to_string(FormatCode(info.param));
                         });
