#include <gtest/gtest.h>

#include <sys/stat.h>

#include "presets/CurrentSettings.h"
#include "tests/support/TestSupport.h"

using namespace presets;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

constexpr TFormatChoice kMp3{0, 0};
constexpr TFormatChoice kFlac{0, 10};

TCurrentSettings Dirty() {
  TCurrentSettings s;
  s.Video_OutPutFileName = "/o/x.mp3";
  s.Video_AddFileName = "/in/song.wav";
  s.Video_FileExt = s.Video_VideoCodec = s.Video_AudioCodec = s.Video_AudioChannels = "x";
  s.Video_VideoTag = s.Video_TargetType = s.Video_NormType = s.Video_VideoFilters = "x";
  s.Video_FileFormat = s.Video_CopyTimestamp = s.Video_FrameSize = s.Video_FrameRate = "x";
  s.Video_AudioSampleRate = s.Video_FrameAspectRatio = s.Video_AudioVolume = "x";
  s.Video_DisableVideo = true;
  s.Video_VideoBitrate = s.Video_AudioBitrate = 5;
  s.Video_TimeStart = s.Video_TimeLength = 7;
  s.All_Trant_Number = 210;
  return s;
}

}  // namespace

TEST(CurrentSettings, ResetKeepsOnlyTheFileBeingAdded) {
  TCurrentSettings s = Dirty();
  ResetCurrentSettings(s);
  TCurrentSettings expected;
  expected.Video_AddFileName = "/in/song.wav";
  expected.All_Trant_Number = 210;  // written only by a format choice
  EXPECT_EQ(s, expected);
  EXPECT_EQ(s.Video_AudioVolume, "256");
  EXPECT_EQ(s.Video_VideoBitrate, -1);
  EXPECT_EQ(s.Video_TimeLength, -1);
  EXPECT_FALSE(s.Video_DisableVideo);
}

TEST(CurrentSettings, MarkFormatChosenSetsTheNumberAndClearsNoVideo) {
  TCurrentSettings s;
  s.Video_DisableVideo = true;
  MarkFormatChosen(s, kFlac);
  EXPECT_EQ(s.All_Trant_Number, 210);
  EXPECT_FALSE(s.Video_DisableVideo);
  MarkFormatChosen(s, {4, 14});
  EXPECT_EQ(s.All_Trant_Number, 114);
  MarkFormatChosen(s, {0, 99});
  EXPECT_EQ(s.All_Trant_Number, 114);
}

TEST(CurrentSettings, FlacFormatDataThenItsPresets) {
  TTempDir out;
  TCurrentSettings s = Dirty();
  s.Video_AddFileName = "/music/song.mp3";
  ASSERT_TRUE(ApplyFormatData(s, kFlac, out.Path(), false));
  EXPECT_EQ(s.Video_OutPutFileName, out.File("song.flac"));
  EXPECT_EQ(s.All_Trant_Number, 210);
  EXPECT_EQ(s.Video_FileExt, ".flac");
  EXPECT_EQ(s.Video_AudioCodec, "flac");
  EXPECT_EQ(s.Video_AudioChannels, "2");
  EXPECT_TRUE(s.Video_DisableVideo);
  EXPECT_EQ(s.Video_AudioVolume, "256");
  EXPECT_EQ(s.Video_VideoBitrate, -1);
  EXPECT_EQ(s.Video_AudioBitrate, 128000);
  EXPECT_EQ(s.Video_AudioSampleRate, "48000");
  EXPECT_EQ(s.Video_TimeStart, -1);
  for (const std::string* empty :
       {&s.Video_VideoCodec, &s.Video_VideoTag, &s.Video_TargetType, &s.Video_NormType,
        &s.Video_VideoFilters, &s.Video_FileFormat, &s.Video_CopyTimestamp, &s.Video_FrameSize,
        &s.Video_FrameRate, &s.Video_FrameAspectRatio})
    EXPECT_EQ(*empty, "");

  // The row's setting columns as a format change writes them.
  TSettingColumns columns = SettingColumns(s);
  const TSettingColumns expected = {"", "flac",   "2",     "", ".flac", "", "-1",
                                    "", "128000", "48000", "", "True",  "", ""};
  EXPECT_EQ(columns, expected);

  ReadPresetLists(s, DefaultPresetTexts(kFlac));
  EXPECT_EQ(s.Video_AudioBitrate, 192000);
  EXPECT_EQ(s.Video_VideoBitrate, -1000);
  EXPECT_EQ(s.Video_AudioSampleRate, "48000");
  EXPECT_EQ(s.Video_FrameSize, "");
  EXPECT_EQ(s.Video_FrameRate, "");
  EXPECT_EQ(s.Video_FrameAspectRatio, "");
  EXPECT_TRUE(s.Video_DisableVideo);
  EXPECT_EQ(SelectorColumnText(s, psAudioBitrate), "192000");
  EXPECT_EQ(SelectorColumnText(s, psVideoBitrate), "-1000");
}

TEST(CurrentSettings, DvdFormatsLeaveCodecsEmptyAndMarkBitRates) {
  TTempDir out;
  TCurrentSettings s;
  s.Video_AddFileName = "/v/clip.avi";
  ASSERT_TRUE(ApplyFormatData(s, {14, 6}, out.Path(), false));  // "VOB  - DVD视频格式(*.vob)"
  EXPECT_EQ(s.Video_OutPutFileName, out.File("clip.vob"));
  EXPECT_EQ(s.Video_TargetType, "dvd");
  EXPECT_EQ(s.Video_NormType, "PAL");
  EXPECT_EQ(s.Video_AudioVolume, "256");
  EXPECT_EQ(s.Video_FileExt, "");
  EXPECT_EQ(s.Video_VideoCodec, "");
  EXPECT_EQ(s.Video_AudioCodec, "");
  EXPECT_EQ(s.Video_AudioChannels, "");
  EXPECT_EQ(s.Video_VideoBitrate, -1000);
  EXPECT_EQ(s.Video_AudioBitrate, -1000);
  EXPECT_FALSE(s.Video_DisableVideo);
}

TEST(CurrentSettings, OutputNameTakesTheFormatsExtensionNotTheTitles) {
  TTempDir out;
  TCurrentSettings s;
  s.Video_AddFileName = "/v/clip.rmvb";
  ApplyFormatData(s, {17, 0}, out.Path(), false);  // "智能手机标准MP4视频(*.mp4)"
  EXPECT_EQ(s.Video_OutPutFileName, out.File("clip.avi"));
  EXPECT_EQ(s.Video_VideoCodec, "libx264");
  s.Video_AddFileName = "/a/tune.wav";
  ApplyFormatData(s, {0, 6}, out.Path(), false);  // RA
  EXPECT_EQ(s.Video_OutPutFileName, out.File("tune.ra"));
  EXPECT_EQ(s.Video_FileExt, ".rm");
}

TEST(CurrentSettings, AutomaticRenamingSkipsExistingNames) {
  TTempDir out;
  WriteFile(out.File("a.mp3"), "x");
  WriteFile(out.File("a_1.mp3"), "x");
  TCurrentSettings s;
  s.Video_AddFileName = "/in/a.wav";
  ApplyFormatData(s, kMp3, out.Path(), false);
  EXPECT_EQ(s.Video_OutPutFileName, out.File("a_2.mp3"));
  ApplyFormatData(s, kMp3, out.Path(), true);
  EXPECT_EQ(s.Video_OutPutFileName, out.File("a.mp3"));

  // Names given to earlier files of the same batch count as taken, also when overwriting.
  auto batch = [&](const std::string& c) {
    return c == out.File("a_2.mp3") || c == out.File("a.mp3");
  };
  EXPECT_EQ(UniqueOutputPath(out.File("a.mp3"), false, batch), out.File("a_3.mp3"));
  EXPECT_EQ(UniqueOutputPath(out.File("a.mp3"), true, batch), out.File("a_1.mp3"));

  // A folder of that name is no place for the output either.
  mkdir(out.File("b.mp3").c_str(), 0755);
  s.Video_AddFileName = "/in/b.wav";
  ApplyFormatData(s, kMp3, out.Path(), false);
  EXPECT_EQ(s.Video_OutPutFileName, out.File("b_1.mp3"));

  s.Video_AddFileName = "/in/c.wav";
  ApplyFormatData(s, kMp3, out.Path(), false);
  EXPECT_EQ(s.Video_OutPutFileName, out.File("c.mp3"));
}

TEST(CurrentSettings, UnknownFormatOnlyResets) {
  TCurrentSettings s = Dirty();
  EXPECT_FALSE(ApplyFormatData(s, {0, 13}, "/o", false));
  TCurrentSettings expected;
  expected.Video_AddFileName = "/in/song.wav";
  expected.All_Trant_Number = 210;
  EXPECT_EQ(s, expected);
}

TEST(CurrentSettings, SettingsForFileIsTheAddSequence) {
  TTempDir out;
  auto texts = DefaultPresetTexts({4, 9});  // "3GP - 视频格式(*.3gp)"
  TCurrentSettings s = SettingsForFile("/v/clip.mkv", {4, 9}, texts, out.Path(), false);

  TCurrentSettings manual = Dirty();
  ResetCurrentSettings(manual);
  manual.Video_AddFileName = "/v/clip.mkv";
  ApplyFormatData(manual, {4, 9}, out.Path(), false);
  ReadPresetLists(manual, texts);
  manual.All_Trant_Number = s.All_Trant_Number;
  EXPECT_EQ(s, manual);

  EXPECT_EQ(s.Video_OutPutFileName, out.File("clip.3gp"));
  EXPECT_EQ(s.All_Trant_Number, 109);
  EXPECT_EQ(s.Video_FrameSize, "176*144");
  EXPECT_EQ(s.Video_VideoBitrate, 128000);
  EXPECT_EQ(s.Video_FrameRate, "12");
  EXPECT_EQ(s.Video_AudioBitrate, 12000);
  EXPECT_EQ(s.Video_AudioSampleRate, "8000");
  EXPECT_EQ(s.Video_FrameAspectRatio, "");  // "保持原视频模式" overrides the format's 4:3
  EXPECT_EQ(s.Video_AudioChannels, "1");
  EXPECT_EQ(s.Video_VideoCodec, "mpeg4");
  EXPECT_EQ(s.Video_AudioCodec, "libfaac");
}

TEST(CurrentSettings, PresetTextChangesOnlyItsField) {
  TCurrentSettings s;
  TCurrentSettings before = s;
  ApplyPresetText(s, psAudioBitrate, "256 kbps");
  EXPECT_EQ(s.Video_AudioBitrate, 256000);
  EXPECT_EQ(SelectorColumnText(s, psAudioBitrate), "256000");
  s.Video_AudioBitrate = before.Video_AudioBitrate;
  EXPECT_EQ(s, before);
  ApplyPresetText(s, psAspectMode, "宽屏视频16:9模式");
  EXPECT_EQ(SelectorColumnText(s, psAspectMode), "16:9");
  ApplyPresetText(s, psResolution, "1920*1200");
  EXPECT_EQ(SelectorColumnText(s, psResolution), "1920*1200");
  ApplyPresetText(s, psFrameRate, "23.98");
  EXPECT_EQ(SelectorColumnText(s, psFrameRate), "23.98");
  ApplyPresetText(s, psSampleRate, "22050");
  EXPECT_EQ(SelectorColumnText(s, psSampleRate), "22050");
}

TEST(CurrentSettings, SettingColumnsRoundTrip) {
  TTempDir out;
  for (int c = 0; c < kCategoryCount; ++c)
    for (int p = 0; p < kCategoryFormatCounts[c]; ++p) {
      TCurrentSettings s =
          SettingsForFile("/i/x.avi", {c, p}, DefaultPresetTexts({c, p}), out.Path(), true);
      TSettingColumns columns = SettingColumns(s);
      EXPECT_EQ(SettingColumns(SettingsFromColumns(columns)), columns) << c << "/" << p;
      TCurrentSettings back = SettingsFromColumns(columns);
      EXPECT_EQ(back.Video_VideoBitrate, s.Video_VideoBitrate);
      EXPECT_EQ(back.Video_AudioBitrate, s.Video_AudioBitrate);
      EXPECT_EQ(back.Video_DisableVideo, s.Video_DisableVideo);
    }
  TSettingColumns odd{};
  odd[6] = "abc";
  odd[11] = "true";
  TCurrentSettings s = SettingsFromColumns(odd);
  EXPECT_EQ(s.Video_VideoBitrate, -1);
  EXPECT_EQ(s.Video_AudioBitrate, -1);
  EXPECT_FALSE(s.Video_DisableVideo);
}

TEST(CurrentSettings, NameHelpers) {
  const std::tuple<const char*, const char*, const char*> ext[] = {
      {"song.mp3", ".flac", "song.flac"},
      {"/a/b/song.mp3", ".flac", "/a/b/song.flac"},
      {"a.b.c.wav", ".mp3", "a.b.c.mp3"},
      {"movie", ".avi", "movie.avi"},
      {"/dir.v2/movie", ".avi", "/dir.v2/movie.avi"},
      {".hidden", ".mp3", ".hidden.mp3"},
      {"", ".mp3", ".mp3"},
  };
  for (auto [name, e, expected] : ext) EXPECT_EQ(ChangeFileExt(name, e), expected) << name;
  EXPECT_EQ(FileNameOf("/a/b/c.mp3"), "c.mp3");
  EXPECT_EQ(FileNameOf("c.mp3"), "c.mp3");
  EXPECT_EQ(JoinPath("/out", "a.mp3"), "/out/a.mp3");
  EXPECT_EQ(JoinPath("/out/", "a.mp3"), "/out/a.mp3");
  EXPECT_EQ(JoinPath("", "a.mp3"), "a.mp3");
}
