#include <gtest/gtest.h>

#include "presets/Catalogue.h"
#include "presets/CurrentSettings.h"
#include "presets/OutputRecord.h"
#include "tests/support/TestSupport.h"

using namespace presets;

namespace {

// The record a file gets when added with a format's default parameter entries.
TOutputOptions RecordFor(const char* title, const std::string& folder) {
  for (int c = 0; c < kCategoryCount; ++c) {
    const auto* cat = CategoryAt(c);
    for (int p = 0; p < static_cast<int>(cat->Formats.size()); ++p) {
      if (std::string(cat->Formats[p].Title) != title) continue;
      TFormatChoice choice{c, p};
      auto s = SettingsForFile("/music/a.wav", choice, DefaultPresetTexts(choice), folder, true);
      return OutputOptionsFromSettings(s);
    }
  }
  ADD_FAILURE() << "no format " << title;
  return {};
}

}  // namespace

TEST(OutputRecord, FlacRecordHasTheFormatDataAndDefaultEntries) {
  TOutputOptions o = RecordFor("FLAC-音频格式(*.flac)", "/out");
  EXPECT_EQ(o.AudioCodec, "flac");
  EXPECT_TRUE(o.DisableVideo);
  EXPECT_EQ(o.VideoCodec, "");
  EXPECT_EQ(o.AudioChannels, 2);
  EXPECT_EQ(o.AudioSampleRate, 48000);
  EXPECT_EQ(o.AudioBitrate, 192000);
  EXPECT_EQ(o.AudioVolume, 256);
  EXPECT_EQ(o.VideoBitrate, -1);  // "无视频" is no value
  EXPECT_EQ(o.FrameSize, "");
  EXPECT_EQ(o.TargetType, ttIgnore);
  EXPECT_EQ(o.NormType, ntAuto);
}

TEST(OutputRecord, FieldRulesForVideoAndDiscFormats) {
  TOutputOptions x264 = RecordFor("MP4 AVC视频(*.mp4)", "/out");
  EXPECT_EQ(x264.VideoCodec, "libx264");
  EXPECT_EQ(x264.VideoPreset, "libx264-default");
  EXPECT_EQ(x264.AudioCodec, "libfaac");
  EXPECT_FALSE(x264.DisableVideo);
  EXPECT_GT(x264.VideoBitrate, 0);

  TOutputOptions dvd = RecordFor("DVD - 视频格式(*.mpg)", "/out");
  EXPECT_EQ(dvd.TargetType, ttDVD);
  EXPECT_EQ(dvd.NormType, ntPAL);
  // The format's no-value bit rates give way to the parameter selectors' default entries.
  EXPECT_EQ(dvd.VideoBitrate, 1200000);
  EXPECT_EQ(dvd.AudioBitrate, 128000);
  EXPECT_EQ(dvd.VideoCodec, "");
  EXPECT_EQ(RecordFor("VCD - 视频格式(*.mpg)", "/out").TargetType, ttVCD);
}

TEST(OutputRecord, SettingsTextsBecomeRecordFields) {
  TCurrentSettings s;
  s.Video_VideoCodec = "mpeg4";
  s.Video_AudioCodec = "AUTO";
  s.Video_AudioSampleRate = "AUTO";
  s.Video_AudioChannels = "1";
  s.Video_AudioVolume = "300";
  s.Video_VideoTag = "XVID";
  s.Video_FrameSize = "640*480";
  s.Video_FrameAspectRatio = "16:9";
  s.Video_NormType = "NTSC";
  s.Video_TargetType = "svcd";
  s.Video_AudioBitrate = -2000;
  TOutputOptions o = OutputOptionsFromSettings(s);
  EXPECT_EQ(o.VideoCodec, "mpeg4");
  EXPECT_EQ(o.VideoPreset, "");
  EXPECT_EQ(o.AudioCodec, "");
  EXPECT_EQ(o.AudioSampleRate, -1);
  EXPECT_EQ(o.AudioChannels, 1);
  EXPECT_EQ(o.AudioVolume, 300);
  EXPECT_EQ(o.VideoTag, "XVID");
  EXPECT_EQ(o.FrameSize, "640*480");
  EXPECT_EQ(o.FrameAspectRatio, "16:9");
  EXPECT_EQ(o.NormType, ntNTSC);
  EXPECT_EQ(o.TargetType, ttSVCD);
  EXPECT_EQ(o.AudioBitrate, -1);
}
