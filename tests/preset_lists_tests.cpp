#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "presets/Catalogue.h"
#include "presets/PresetLists.h"
#include "tests/support/TestSupport.h"

using namespace presets;
using testsupport::TTempDir;

namespace {

std::vector<std::string> Entries(const TSelectorPreset& s) {
  return {s.List->Entries.begin(), s.List->Entries.end()};
}

}  // namespace

TEST(PresetLists, EveryListHasItsEntryCount) {
  const std::pair<const char*, size_t> counts[] = {
      {"R1", 1},   {"R2", 28},  {"R3", 11},  {"R4", 19},  {"R5", 11},  {"R6", 7},   {"R7", 12},
      {"R8", 25},  {"R9", 13},  {"R10", 25}, {"R11", 27}, {"R12", 12}, {"R13", 28}, {"R14", 27},
      {"R15", 15}, {"R16", 18}, {"R17", 28}, {"R18", 10}, {"V1", 1},   {"V2", 8},   {"V3", 9},
      {"V4", 9},   {"V5", 15},  {"V6", 9},   {"V7", 8},   {"V8", 9},   {"V9", 11},  {"V10", 12},
      {"V11", 12}, {"V12", 12}, {"V13", 12}, {"V14", 13}, {"V15", 15}, {"V16", 16}, {"V17", 9},
      {"V18", 11}, {"V19", 10}, {"V20", 11}, {"V21", 11}, {"V22", 9},  {"V23", 10}, {"V24", 11},
      {"F1", 1},   {"F2", 12},  {"F3", 7},   {"F4", 4},   {"F5", 10},  {"A1", 17},  {"A2", 8},
      {"A3", 6},   {"A4", 5},   {"A5", 8},   {"S1", 6},   {"S2", 1},   {"S3", 4},   {"S4", 3},
      {"S5", 7},   {"M1", 1},   {"M2", 5},   {"M3", 2}};
  for (auto [name, count] : counts) {
    const TPresetList* list = FindPresetList(name);
    ASSERT_NE(list, nullptr) << name;
    EXPECT_EQ(list->Entries.size(), count) << name;
  }
  EXPECT_EQ(FindPresetList("R19"), nullptr);
}

TEST(PresetLists, R13OffersDoubled1920x1200AndNo1920x1440) {
  const TPresetList* r13 = FindPresetList("R13");
  EXPECT_STREQ(r13->Entries[24], "1920*1200");
  EXPECT_STREQ(r13->Entries[25], "1920*1200");
  for (const char* e : r13->Entries) EXPECT_STRNE(e, "1920*1440");
  EXPECT_EQ(FrameSizeValue(r13->Entries[24]), FrameSizeValue(r13->Entries[25]));
  // R2, the same list otherwise, has 1920*1440 in that place.
  EXPECT_STREQ(FindPresetList("R2")->Entries[25], "1920*1440");
}

TEST(PresetLists, FlacHasOnlyAudioSelectorsEnabled) {
  auto p = FormatPresets({0, 10});
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->NoVideo);
  EXPECT_EQ(Entries((*p)[psResolution]), std::vector<std::string>{"该格式无视频"});
  EXPECT_EQ(Entries((*p)[psVideoBitrate]), std::vector<std::string>{"无视频"});
  EXPECT_EQ(Entries((*p)[psFrameRate]), std::vector<std::string>{"无视频"});
  EXPECT_EQ(Entries((*p)[psAspectMode]), std::vector<std::string>{"无视频"});
  for (TPresetSelector s : {psResolution, psVideoBitrate, psFrameRate, psAspectMode})
    EXPECT_FALSE((*p)[s].Enabled);
  EXPECT_TRUE((*p)[psAudioBitrate].Enabled);
  EXPECT_TRUE((*p)[psSampleRate].Enabled);
  EXPECT_STREQ((*p)[psAudioBitrate].List->Name, "A1");
  EXPECT_EQ((*p)[psAudioBitrate].DefaultIndex, 13);
  EXPECT_EQ((*p)[psAudioBitrate].DefaultText(), "192 kbps");
  EXPECT_STREQ((*p)[psSampleRate].List->Name, "S1");
  EXPECT_EQ((*p)[psSampleRate].DefaultText(), "48000");
}

struct TDefaultsCase {
  TFormatChoice at;
  std::array<const char*, kPresetSelectorCount> texts;  // by TPresetSelector
};

// clang-format off
const TDefaultsCase kDefaultsCases[] = {
  {{0, 0},   {"该格式无视频", "无视频",    "无视频",       "128 kbps", "44100", "无视频"}},
  {{0, 12},  {"该格式无视频", "无视频",    "无视频",       "7.4 kbps", "8000",  "无视频"}},
  {{1, 0},   {"该格式无视频", "无视频",    "无视频",       "224 kbps", "48000", "无视频"}},
  {{4, 0},   {"保持原分辨率", "816 kbps",  "25.00",        "128 kbps", "44100", "保持原视频模式"}},
  {{4, 4},   {"保持原分辨率", "1000 kbps", "保持原帧速率", "128 kbps", "44100", "保持原视频模式"}},
  {{4, 9},   {"176*144",      "128 kbps",  "12",           "12 kbps",  "8000",  "保持原视频模式"}},
  {{7, 8},   {"640*480",      "768 kbps",  "25.00",        "128 kbps", "48000", "保持原视频模式"}},
  {{7, 11},  {"640*272",      "768 kbps",  "25.00",        "128 kbps", "48000", "宽屏视频16:9模式"}},
  {{8, 4},   {"1920*1080",    "2000 kbps", "29.97",        "128 kbps", "48000", "保持原视频模式"}},
  {{10, 1},  {"1280*720",     "1600 kbps", "29.97",        "128 kbps", "22050", "保持原视频模式"}},
  {{10, 5},  {"该格式无视频", "无视频",    "无视频",       "128 kbps", "22050", "无视频"}},
  {{17, 9},  {"176*144",      "128 kbps",  "12",           "48 kbps",  "32000", "保持原视频模式"}},
  {{18, 3},  {"800*600",      "1000 kbps", "30.00",        "128 kbps", "48000", "保持原视频模式"}},
  {{19, 1},  {"3840*2160",    "1200 kbps", "30.00",        "128 kbps", "48000", "保持原视频模式"}},
  {{19, 5},  {"3840*2160",    "2500 kbps", "保持原帧速率", "128 kbps", "44100", "保持原视频模式"}},
};
// clang-format on

TEST(PresetLists, DefaultEntriesOfSpotCheckedFormats) {
  for (const TDefaultsCase& c : kDefaultsCases) {
    SCOPED_TRACE(FormatAt(c.at)->Title);
    std::array<std::string, kPresetSelectorCount> texts = DefaultPresetTexts(c.at);
    for (int s = 0; s < kPresetSelectorCount; ++s) EXPECT_EQ(texts[s], c.texts[s]) << s;
  }
}

TEST(PresetLists, AmrOffersOnlyItsNarrowBandRates) {
  auto p = FormatPresets({0, 12});
  EXPECT_STREQ((*p)[psAudioBitrate].List->Name, "A2");
  EXPECT_EQ((*p)[psAudioBitrate].DefaultText(), "7.4 kbps");
  EXPECT_EQ(AudioBitrateValue((*p)[psAudioBitrate].DefaultText()), 7400);
  EXPECT_EQ(Entries((*p)[psSampleRate]), std::vector<std::string>{"8000"});
}

TEST(PresetLists, SelectorsAreOffExactlyForFormatsWithoutVideo) {
  int without = 0;
  for (int c = 0; c < kCategoryCount; ++c)
    for (int pos = 0; pos < kCategoryFormatCounts[c]; ++pos) {
      auto p = FormatPresets({c, pos});
      ASSERT_TRUE(p) << c << "/" << pos;
      bool noVideo = FormatAt({c, pos})->NoVideo;
      without += noVideo;
      for (TPresetSelector s : {psResolution, psVideoBitrate, psFrameRate, psAspectMode})
        EXPECT_EQ((*p)[s].Enabled, !noVideo) << c << "/" << pos;
      EXPECT_TRUE((*p)[psAudioBitrate].Enabled);
      EXPECT_TRUE((*p)[psSampleRate].Enabled);
      for (const TSelectorPreset& s : p->Selectors)
        EXPECT_LT(s.DefaultIndex, static_cast<int>(s.List->Entries.size()));
    }
  // Categories 0 to 3, the two SWF/FLV audio formats and the two MP3 formats of 17 and 18.
  EXPECT_EQ(without, 13 + 4 + 4 + 4 + 2 + 1 + 1);
  EXPECT_EQ(FormatPresets({0, 13}), std::nullopt);
  EXPECT_EQ(FormatPresets({-1, 0}), std::nullopt);
}

TEST(PresetLists, EveryEntryOfEveryListConvertsToAValue) {
  for (int c = 0; c < kCategoryCount; ++c)
    for (int pos = 0; pos < kCategoryFormatCounts[c]; ++pos) {
      auto p = FormatPresets({c, pos});
      for (const char* e : (*p)[psVideoBitrate].List->Entries)
        EXPECT_TRUE(VideoBitrateValue(e) > 0 || VideoBitrateValue(e) == -1000) << e;
      for (const char* e : (*p)[psAudioBitrate].List->Entries)
        EXPECT_GT(AudioBitrateValue(e), 0) << e;
      for (const char* e : (*p)[psAspectMode].List->Entries) {
        std::string v = AspectRatioValue(e);
        EXPECT_TRUE(v.empty() ? std::string(e) == "保持原视频模式" || std::string(e) == "无视频"
                              : std::string(e).find(v) != std::string::npos)
            << e;
      }
    }
}

struct TValueCase {
  TPresetSelector selector;
  const char* text;
  const char* value;  // the field's text, bit rates as decimal
};

// clang-format off
const TValueCase kValueCases[] = {
  {psResolution,   "保持原分辨率",      ""},
  {psResolution,   "该格式无视频",      ""},
  {psResolution,   "640*480",           "640*480"},
  {psFrameRate,    "保持原帧速率",      ""},
  {psFrameRate,    "无视频",            ""},
  {psFrameRate,    "29.97",             "29.97"},
  {psFrameRate,    "12",                "12"},
  {psVideoBitrate, "无视频",            "-1000"},
  {psVideoBitrate, "816 kbps",          "816000"},
  {psVideoBitrate, "8 kbps",            "8000"},
  {psVideoBitrate, "4000 kbps",         "4000000"},
  {psVideoBitrate, "garbage",           "-1"},
  {psAudioBitrate, "128 kbps",          "128000"},
  {psAudioBitrate, "16 kbps",           "16000"},
  {psAudioBitrate, "4.75 kbps",         "4750"},
  {psAudioBitrate, "5.15 kbps",         "5150"},
  {psAudioBitrate, "5.9 kbps",          "5900"},
  {psAudioBitrate, "6.7 kbps",          "6700"},
  {psAudioBitrate, "7.4 kbps",          "7400"},
  {psAudioBitrate, "7.95 kbps",         "7950"},
  {psAudioBitrate, "10.2 kbps",         "10200"},
  {psAudioBitrate, "12.2 kbps",         "12200"},
  {psAudioBitrate, "2.01 kbps",         "2010"},  // 2.01 * 1000 is 2009.9999999999998
  {psAudioBitrate, "kbps",              "-1"},
  {psAudioBitrate, "",                  "-1"},
  {psSampleRate,   "44100",             "44100"},
  {psSampleRate,   "8000",              "8000"},
  {psAspectMode,   "保持原视频模式",    ""},
  {psAspectMode,   "无视频",            ""},
  {psAspectMode,   "普通视频4:3模式",   "4:3"},
  {psAspectMode,   "宽屏视频16:9模式",  "16:9"},
  {psAspectMode,   "宽屏视频37:20模式", "37:20"},
  {psAspectMode,   "宽屏视频47:20模式", "47:20"},
};
// clang-format on

std::string ValueOf(TPresetSelector s, const char* text) {
  switch (s) {
    case psResolution:
      return FrameSizeValue(text);
    case psVideoBitrate:
      return std::to_string(VideoBitrateValue(text));
    case psFrameRate:
      return FrameRateValue(text);
    case psAudioBitrate:
      return std::to_string(AudioBitrateValue(text));
    case psSampleRate:
      return SampleRateValue(text);
    case psAspectMode:
      return AspectRatioValue(text);
  }
  return "?";
}

TEST(PresetLists, TextToValueRules) {
  for (const TValueCase& c : kValueCases)
    EXPECT_EQ(ValueOf(c.selector, c.text), c.value) << SelectorLabel(c.selector) << c.text;
}

// Under a locale whose decimal separator is a comma, strtod("10.2") gives 10; the rule reads
// the point whatever the locale.
TEST(PresetLists, DecimalBitRatesIgnoreTheLocale) {
  TTempDir locales;
  std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  if (!comma &&
      testsupport::Run("localedef -i de_DE -f UTF-8 " +
                       testsupport::Quote(locales.File("de_DE.UTF-8")) + " >/dev/null 2>&1") == 0) {
    setenv("LOCPATH", locales.Path().c_str(), 1);
    comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(AudioBitrateValue("10.2 kbps"), 10200);
  EXPECT_EQ(AudioBitrateValue("4.75 kbps"), 4750);
  std::setlocale(LC_NUMERIC, saved.c_str());
  unsetenv("LOCPATH");
}

TEST(PresetLists, SelectorIndexString) {
  std::array<int, kPresetSelectorCount> indexes{};
  indexes[psResolution] = 1;
  indexes[psVideoBitrate] = 2;
  indexes[psFrameRate] = 12;
  indexes[psAudioBitrate] = 15;
  indexes[psSampleRate] = 4;
  indexes[psAspectMode] = 0;
  // Order: resolution, video bit rate, audio bit rate, aspect, frame rate, sample rate.
  EXPECT_EQ(SelectorIndexString(indexes), "010215001204");
  EXPECT_EQ(ParseSelectorIndexString("010215001204"), indexes);
  indexes[psResolution] = -1;
  EXPECT_EQ(SelectorIndexString(indexes).substr(0, 2), "00");
  for (const char* bad : {"", "01021500120", "0102150012045", "01021500120x", "-10215001204"})
    EXPECT_EQ(ParseSelectorIndexString(bad), std::nullopt) << bad;

  EXPECT_EQ(ReplaceSelectorIndex("000010000904", psAudioBitrate, 15), "000015000904");
  EXPECT_EQ(ReplaceSelectorIndex("000010000904", psSampleRate, 5), "000010000905");
  EXPECT_EQ(ReplaceSelectorIndex("", psFrameRate, 9), "000000000900");

  // FLAC's defaults: every video selector at 0, audio bit rate 13, sample rate 5.
  EXPECT_EQ(SelectorIndexString(DefaultPresetIndexes({0, 10})), "000013000005");
}

TEST(PresetLists, SelectorLabelsAndColumns) {
  const std::tuple<TPresetSelector, const char*, int> rows[] = {
      {psResolution, "视频分辨率：", 16}, {psVideoBitrate, "视频比特率：", 17},
      {psFrameRate, "视频帧率：", 18},    {psAudioBitrate, "音频比特率：", 19},
      {psSampleRate, "音频采样率：", 20}, {psAspectMode, "视频缩放：", 21}};
  for (auto [s, label, column] : rows) {
    EXPECT_STREQ(SelectorLabel(s), label);
    EXPECT_EQ(SelectorColumn(s), column);
  }
}
