#include <gtest/gtest.h>

#include <set>
#include <string>

#include "presets/Catalogue.h"
#include "presets/PresetLists.h"

using namespace presets;

namespace {

struct TCategoryRow {
  const char* caption;
  int icon;
  int group;
  int formats;
};

// clang-format off
constexpr TCategoryRow kExpectedCategories[] = {
    {"通用音频",    1,  1, 13}, {"WMA音频",    49, 28,  4}, {"MP3音频",    52, 29,  4},
    {"WAV音频",    50, 30,  4}, {"经典视频",   40,  0, 15}, {"MP4视频",    10, 10,  5},
    {"HD视频",      2,  2, 10}, {"iPod视频",    3,  3, 14}, {"iPhone视频",  4,  4, 15},
    {"MPG视频",    18, 13, 11}, {"SWF视频",    19, 14,  7}, {"AVI视频",    13, 15,  7},
    {"MKV视频",    14, 16,  7}, {"RMVB视频",   39, 23, 15}, {"VCD视频",    48, 24,  7},
    {"MOV视频",    47, 25,  4}, {"H264视频",   45, 26,  4}, {"智能手机",   41, 31, 16},
    {"平板电脑",   42, 32, 13}, {"智能电视",   43, 33, 12}};
// clang-format on

template <class F>
void ForEachFormat(F f) {
  for (int c = 0; c < kCategoryCount; ++c)
    for (int p = 0; p < static_cast<int>(Categories()[c].Formats.size()); ++p)
      f(TFormatChoice{c, p}, *FormatAt({c, p}));
}

std::string Where(TFormatChoice choice) {
  return "category " + std::to_string(choice.Category) + " position " +
         std::to_string(choice.Position) + " " + FormatAt(choice)->Title;
}

}  // namespace

TEST(Catalogue, CategoriesInDisplayOrderWithTheirFormatCounts) {
  ASSERT_EQ(Categories().size(), std::size(kExpectedCategories));
  int total = 0;
  for (int c = 0; c < kCategoryCount; ++c) {
    SCOPED_TRACE(c);
    const TOutputCategory& cat = Categories()[c];
    EXPECT_STREQ(cat.Caption, kExpectedCategories[c].caption);
    EXPECT_EQ(cat.Icon, kExpectedCategories[c].icon);
    EXPECT_EQ(cat.Group, kExpectedCategories[c].group);
    EXPECT_EQ(static_cast<int>(cat.Formats.size()), kExpectedCategories[c].formats);
    total += static_cast<int>(cat.Formats.size());
  }
  EXPECT_EQ(total, 187);
  EXPECT_EQ(CategoryAt(-1), nullptr);
  EXPECT_EQ(CategoryAt(20), nullptr);
}

TEST(Catalogue, EveryFormatIsWellFormed) {
  const std::set<std::string> extensions = {".3gp", ".aac",  ".ac3", ".aiff", ".amr", ".asf",
                                            ".avi", ".flac", ".flv", ".m4a",  ".mkv", ".mov",
                                            ".mp2", ".mp3",  ".mp4", ".mpg",  ".ogg", ".ra",
                                            ".rm",  ".swf",  ".vob", ".wav",  ".wma", ".wmv"};
  const std::set<std::string> videoCodecs = {"",        "mpeg4", "libxvid",    "libx264",
                                             "msmpeg4", "wmv2",  "mpeg1video", "mpeg2video",
                                             "h263",    "rv20"};
  const std::set<std::string> audioCodecs = {
      "", "libmp3lame", "libfaac", "wmav2", "libvorbis", "ac3", "flac", "libopencore_amrnb"};
  std::set<std::string> usedExtensions;
  ForEachFormat([&](TFormatChoice choice, const TOutputFormat& f) {
    SCOPED_TRACE(Where(choice));
    std::string title = f.Title;
    EXPECT_EQ(title.substr(title.rfind("(*.")), std::string("(*") + TitleExtension(title) + ")");
    EXPECT_TRUE(extensions.count(f.Ext));
    usedExtensions.insert(f.Ext);
    EXPECT_TRUE(videoCodecs.count(f.VideoCodec));
    EXPECT_TRUE(audioCodecs.count(f.AudioCodec));
    EXPECT_NE(std::string(f.Description), "");
    if (f.NoVideo) {
      EXPECT_STREQ(f.VideoCodec, "");
      EXPECT_STREQ(f.FrameSize, "");
      EXPECT_STREQ(f.FrameRate, "");
      EXPECT_EQ(f.VideoBitrate, -1);
    }
    // The preset table agrees on which formats have no video.
    EXPECT_EQ(FormatPresets(choice)->NoVideo, f.NoVideo);
  });
  EXPECT_EQ(usedExtensions, extensions);
}

// Output-name extension, file extension and title extension agree except in these rows.
TEST(Catalogue, ExtensionsDifferOnlyWhereTheCatalogueSaysSo) {
  const std::set<std::pair<int, int>> emptyFileExt = {
      {4, 11},  {4, 12},  {4, 13}, {4, 14}, {9, 8},  {9, 9},  {9, 10}, {10, 5}, {10, 6}, {13, 12},
      {13, 13}, {13, 14}, {14, 0}, {14, 1}, {14, 2}, {14, 3}, {14, 4}, {14, 5}, {14, 6}};
  ForEachFormat([&](TFormatChoice choice, const TOutputFormat& f) {
    SCOPED_TRACE(Where(choice));
    std::pair<int, int> at{choice.Category, choice.Position};
    std::string fileExt = f.Ext;
    if (at == std::pair(0, 6)) fileExt = ".rm";
    if (at == std::pair(6, 6)) fileExt = ".asf";
    if (emptyFileExt.count(at)) fileExt = "";
    EXPECT_EQ(f.FileExt, fileExt);
    bool mp4TitleAviOutput = at == std::pair(17, 0) || at == std::pair(19, 0);
    EXPECT_EQ(TitleExtension(f.Title), mp4TitleAviOutput ? ".mp4" : f.Ext);
    if (mp4TitleAviOutput) {
      EXPECT_STREQ(f.Ext, ".avi");
    }
  });
}

TEST(Catalogue, FlacIsKey110WithItsData) {
  TFormatChoice flac{0, 10};
  EXPECT_EQ(CatalogueKey(flac), 110);
  EXPECT_EQ(FormatCode(flac), 110);
  const TOutputFormat* f = FormatByKey(110);
  ASSERT_EQ(f, FormatAt(flac));
  EXPECT_STREQ(f->Title, "FLAC-音频格式(*.flac)");
  EXPECT_STREQ(f->Description, "FLAC是一套著名的无损压缩编码,所以还原CD音乐光盘音质");
  EXPECT_STREQ(f->Ext, ".flac");
  EXPECT_STREQ(f->FileExt, ".flac");
  EXPECT_STREQ(f->AudioCodec, "flac");
  EXPECT_STREQ(f->Channels, "2");
  EXPECT_TRUE(f->NoVideo);
  EXPECT_EQ(f->AudioBitrate, 128000);
  EXPECT_STREQ(f->SampleRate, "48000");
  EXPECT_EQ(f->VideoBitrate, -1);
  for (const char* empty : {f->VideoCodec, f->VideoTag, f->FrameSize, f->FrameRate, f->AspectRatio,
                            f->TargetType, f->NormType})
    EXPECT_STREQ(empty, "");
}

struct TFormatCase {
  TFormatChoice at;
  const char* title;
  const char* ext;
  const char* fileExt;
  bool noVideo;
  const char* videoCodec;
  const char* audioCodec;
  const char* channels;
  const char* frameSize;
  const char* frameRate;
  int videoBitrate;
  int audioBitrate;
  const char* sampleRate;
  const char* aspect;
  const char* tag;
  const char* target;
  const char* norm;
};

// clang-format off
const TFormatCase kFormatCases[] = {
  {{0, 0},   "MP3 - MPEG Layer-3音频格式(*.mp3)", ".mp3", ".mp3", true,  "",     "libmp3lame", "2", "",        "",   -1,     128000, "48000", "",    "",     "",     ""},
  {{0, 6},   "RA - RealAudio音频格式(*.ra)",      ".ra",  ".rm",  true,  "",     "",           "2", "",        "",   -1,     128000, "48000", "",    "",     "",     ""},
  {{0, 9},   "MP2 - MPEG Layer-2音频格式(*.mp2)", ".mp2", ".mp2", true,  "",     "",           "2", "",        "",   -1,     128000, "44100", "",    "",     "",     ""},
  {{0, 12},  "AMR-手机音频格式(*.amr)",           ".amr", ".amr", true,  "",     "libopencore_amrnb", "1", "", "",   -1,     7400,   "8000",  "",    "",     "",     ""},
  {{1, 0},   "高清晰WMA音频格式(*.wma)",          ".wma", ".wma", true,  "",     "wmav2",      "2", "",        "",   -1,     128000, "48000", "",    "",     "",     ""},
  {{3, 3},   "标准WAV音频格式(*.wav)",            ".wav", ".wav", true,  "",     "",           "2", "",        "",   -1,     128000, "48000", "",    "",     "",     ""},
  {{4, 0},   "AVI - 音频视频交错格式(*.avi)",     ".avi", ".avi", false, "mpeg4", "libmp3lame", "2", "",       "25", 816000, 128000, "44100", "",    "XVID", "",     ""},
  {{4, 9},   "3GP - 视频格式(*.3gp)",             ".3gp", ".3gp", false, "mpeg4", "libfaac",   "1", "176*144", "12", 128000, 12000,  "8000",  "4:3", "",     "",     ""},
  {{4, 11},  "DVD - 视频格式(*.mpg)",             ".mpg", "",     false, "",      "",          "",  "",        "",   -1000,  -1000,  "",      "",    "",     "dvd",  "PAL"},
  {{4, 12},  "SVCD - 视频格式(*.mpg)",            ".mpg", "",     false, "",      "",          "",  "",        "",   -1000,  -1000,  "",      "",    "",     "svcd", "PAL"},
  {{4, 13},  "VCD - 视频格式(*.mpg)",             ".mpg", "",     false, "",      "",          "",  "",        "",   -1000,  -1000,  "",      "",    "",     "vcd",  "PAL"},
  {{4, 14},  "RM - REAL视频格式(*.rm)",           ".rm",  "",     false, "rv20",  "",          "",  "320*240", "",   -1,     -1,     "",      "",    "",     "",     ""},
  {{6, 0},   "高清AVI视频格式(*.avi)",            ".avi", ".avi", false, "mpeg4", "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", "",     "",     ""},
  {{6, 1},   "高清AVI视频格式(*.avi)",            ".avi", ".avi", false, "libxvid", "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", "",   "",     ""},
  {{6, 6},   "高清WMV视频格式(*.wmv)",            ".wmv", ".asf", false, "wmv2",  "wmav2",     "2", "1280*720", "25", 1600000, 128000, "48000", "",   "",     "",     ""},
  {{7, 8},   "iPod touch MPEG-4 480P视频(*.mp4)", ".mp4", ".mp4", false, "libxvid", "libfaac", "2", "640*480", "25", 7680000, 128000, "48000", "",    "",     "",     ""},
  {{10, 5},  "SWF动画视频FLASH动画音频格式(*.swf)", ".swf", "",   true,  "",      "libmp3lame", "2", "",       "",   -1,     128000, "22050", "",    "",     "",     ""},
  {{13, 7},  "RMVB视频转换为3GP视频(*.3gp)",      ".3gp", ".3gp", false, "mpeg4", "libfaac",   "1", "176*144", "12", 128000, 12000,  "8000",  "4:3", "",     "",     ""},
  {{14, 1},  "VCD - NTSC视频格式(*.mpg)",         ".mpg", "",     false, "",      "",          "",  "",        "",   -1000,  -1000,  "",      "",    "",     "vcd",  "NTSC"},
  {{14, 6},  "VOB  - DVD视频格式(*.vob)",         ".vob", "",     false, "",      "",          "",  "",        "",   -1000,  -1000,  "",      "",    "",     "dvd",  "PAL"},
  {{17, 0},  "智能手机标准MP4视频(*.mp4)",        ".avi", ".avi", false, "libx264", "libmp3lame", "2", "",     "25", 1000000, 128000, "48000", "",    "",     "",     ""},
  {{17, 9},  "手机3GP视频(*.3gp)",                ".3gp", ".3gp", false, "h263",  "libfaac",   "2", "176*144", "12", 128000, 48000,  "32000", "",    "",     "",     ""},
  {{18, 2},  "平板电脑标准的MP4视频(*.mp4)",      ".mp4", ".mp4", false, "mpeg4", "libfaac",   "2", "",        "",   1200000, 128000, "48000", "16:9", "",    "",     ""},
  {{19, 0},  "智能电视高清MP4视频(*.mp4)",        ".avi", ".avi", false, "libx264", "libmp3lame", "2", "",     "29.97", 1500000, 128000, "48000", "", "",     "",     ""},
  {{19, 5},  "4K高清电视AVI视频(*.avi)",          ".avi", ".avi", false, "libxvid", "libmp3lame", "2", "3840*2160", "", 2500000, 128000, "44100", "", "",     "",     ""},
  {{19, 11}, "MPEG-4超高清视频(*.mp4)",           ".mp4", ".mp4", false, "libx264", "libfaac", "2", "1920*1080", "29.97", 2000000, 128000, "48000", "", "",   "",     ""},
};
// clang-format on

TEST(Catalogue, SpotChecksOfFormatData) {
  for (const TFormatCase& c : kFormatCases) {
    const TOutputFormat* f = FormatAt(c.at);
    ASSERT_NE(f, nullptr) << c.title;
    SCOPED_TRACE(c.title);
    EXPECT_STREQ(f->Title, c.title);
    EXPECT_STREQ(f->Ext, c.ext);
    EXPECT_STREQ(f->FileExt, c.fileExt);
    EXPECT_EQ(f->NoVideo, c.noVideo);
    EXPECT_STREQ(f->VideoCodec, c.videoCodec);
    EXPECT_STREQ(f->AudioCodec, c.audioCodec);
    EXPECT_STREQ(f->Channels, c.channels);
    EXPECT_STREQ(f->FrameSize, c.frameSize);
    EXPECT_STREQ(f->FrameRate, c.frameRate);
    EXPECT_EQ(f->VideoBitrate, c.videoBitrate);
    EXPECT_EQ(f->AudioBitrate, c.audioBitrate);
    EXPECT_STREQ(f->SampleRate, c.sampleRate);
    EXPECT_STREQ(f->AspectRatio, c.aspect);
    EXPECT_STREQ(f->VideoTag, c.tag);
    EXPECT_STREQ(f->TargetType, c.target);
    EXPECT_STREQ(f->NormType, c.norm);
  }
}

TEST(Catalogue, DuplicatedTitlesDifferInDescriptionAndData) {
  const TOutputFormat* a = FormatAt({6, 0});
  const TOutputFormat* b = FormatAt({6, 1});
  EXPECT_STREQ(a->Title, b->Title);
  EXPECT_STRNE(a->Description, b->Description);
  EXPECT_STRNE(a->VideoCodec, b->VideoCodec);
}

TEST(Catalogue, TitleExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"MP3 - MPEG Layer-3音频格式(*.mp3)", ".mp3"},
      {"FLAC-音频格式(*.flac)", ".flac"},
      {"AIFF - 音频交换文件格式(*.aiff)", ".aiff"},
      {"RM - REAL视频格式(*.rm)", ".rm"},
      {"RA - RealAudio音频格式(*.ra)", ".ra"},
      {"智能手机标准MP4视频(*.mp4)", ".mp4"},
      {"VOB  - DVD视频格式(*.vob)", ".vob"},
      {"(*.3gp)", ".3gp"},
      {"x)", ""},
      {"", ""},
  };
  for (auto [title, ext] : cases) EXPECT_EQ(TitleExtension(title), ext) << title;
}

TEST(Catalogue, KeysAndFormatCodes) {
  EXPECT_EQ(CatalogueKey({0, 0}), 100);
  EXPECT_EQ(CatalogueKey({1, 3}), 2803);
  EXPECT_EQ(CatalogueKey({4, 14}), 14);  // group 0
  EXPECT_EQ(CatalogueKey({19, 11}), 3311);
  EXPECT_EQ(CatalogueKey({19, 12}), -1);
  EXPECT_EQ(CatalogueKey({20, 0}), -1);
  EXPECT_EQ(FormatByKey(14), FormatAt({4, 14}));
  EXPECT_EQ(FormatByKey(15), nullptr);
  EXPECT_EQ(FormatByKey(500), nullptr);  // group 5 does not exist
  EXPECT_EQ(FormatByKey(-1), nullptr);

  std::set<int> keys, codes;
  ForEachFormat([&](TFormatChoice choice, const TOutputFormat& f) {
    EXPECT_EQ(FormatByKey(CatalogueKey(choice)), &f);
    EXPECT_EQ(DecodeFormatCode(FormatCode(choice)), choice);
    keys.insert(CatalogueKey(choice));
    codes.insert(FormatCode(choice));
  });
  EXPECT_EQ(keys.size(), 187u);
  EXPECT_EQ(codes.size(), 187u);

  EXPECT_EQ(FormatCode({13, 14}), 1414);
  EXPECT_EQ(DecodeFormatCode("110"), (TFormatChoice{0, 10}));
  EXPECT_EQ(DecodeFormatCode("2011"), (TFormatChoice{19, 11}));
  for (const char* bad : {"", "abc", "110x", " 110", "99", "113", "2012", "2100", "-110"})
    EXPECT_EQ(DecodeFormatCode(bad), std::nullopt) << bad;
}

TEST(Catalogue, FormatListOfACategory) {
  std::vector<TFormatListEntry> entries = FormatListEntries(4);
  ASSERT_EQ(entries.size(), 15u);
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].Icon, static_cast<int>(i % 2));
    EXPECT_EQ(entries[i].Title, FormatAt({4, static_cast<int>(i)})->Title);
  }
  EXPECT_EQ(entries[0].Title, "AVI - 音频视频交错格式(*.avi)");
  EXPECT_EQ(entries[0].Description, "AVI最常用的视频格式,语音和影像同步组合在一起的文件格式");
  EXPECT_EQ(FormatListEntries(0)[0].Title, "MP3 - MPEG Layer-3音频格式(*.mp3)");
  EXPECT_TRUE(FormatListEntries(-1).empty());
  EXPECT_TRUE(FormatListEntries(20).empty());
}
