// The six parameter selectors of the "预置选项" panel: for every output format a fixed list of
// entry texts per selector with a default entry, and the rules that turn an entry text into a
// current-settings value.
//
// FillPresetLists in a window: for the chosen format take FormatPresets(choice); clear and enable
// the six selectors; fill them in TPresetSelector order (resolution, video bit rate, frame rate,
// audio bit rate, sample rate, aspect mode), selecting each one's DefaultIndex right after
// filling it; then disable every selector whose Enabled is false (resolution, video bit rate,
// aspect mode, frame rate, in that order). MarkFormatChosen (CurrentSettings.h) does the
// current-settings part of that step.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "presets/Catalogue.h"

namespace presets {

// The selectors in the order they are filled. Arrays "by selector" are indexed by these values.
enum TPresetSelector : int {
  psResolution,    // bsSkinComboBox1  "视频分辨率：" -> Video_FrameSize
  psVideoBitrate,  // bsSkinComboBox2  "视频比特率：" -> Video_VideoBitrate
  psFrameRate,     // bsSkinComboBox9  "视频帧率："   -> Video_FrameRate
  psAudioBitrate,  // bsSkinComboBox3  "音频比特率：" -> Video_AudioBitrate
  psSampleRate,    // bsSkinComboBox10 "音频采样率：" -> Video_AudioSampleRate
  psAspectMode,    // bsSkinComboBox4  "视频缩放："   -> Video_FrameAspectRatio
};
inline constexpr int kPresetSelectorCount = 6;

// The order of the selectors' two-digit pairs in the selector-index string (job row column 10).
inline constexpr std::array<TPresetSelector, kPresetSelectorCount> kSelectorIndexOrder = {
    psResolution, psVideoBitrate, psAudioBitrate, psAspectMode, psFrameRate, psSampleRate};

// The label shown in front of the selector, e.g. "视频分辨率：".
const char* SelectorLabel(TPresetSelector selector);
// The job row column that holds the selector's value: 16 resolution, 17 video bit rate,
// 18 frame rate, 19 audio bit rate, 20 sample rate, 21 aspect mode.
int SelectorColumn(TPresetSelector selector);

// One distinct list of entry texts, named like "R13", "V2", "A1" (names used only here and in
// tests).
struct TPresetList {
  const char* Name;
  std::span<const char* const> Entries;
};
// The list of that name, or nullptr.
const TPresetList* FindPresetList(std::string_view name);

// What one selector shows for a format.
struct TSelectorPreset {
  const TPresetList* List;  // never null
  int DefaultIndex;         // entry selected after filling
  bool Enabled;             // false: the selector is disabled ("off") for this format
  std::string_view DefaultText() const { return List->Entries[DefaultIndex]; }
};

// The six selectors of a format, indexed by TPresetSelector.
struct TFormatPresets {
  std::array<TSelectorPreset, kPresetSelectorCount> Selectors;
  // The format has no video: its resolution, video bit-rate, frame-rate and aspect selectors
  // hold their single "no video" entry and are off.
  bool NoVideo;
  const TSelectorPreset& operator[](TPresetSelector s) const { return Selectors[s]; }
};

// nullopt for a choice that names no format.
std::optional<TFormatPresets> FormatPresets(TFormatChoice choice);
// The default entry texts / indexes by selector (all empty / zero for an unknown choice).
std::array<std::string, kPresetSelectorCount> DefaultPresetTexts(TFormatChoice choice);
std::array<int, kPresetSelectorCount> DefaultPresetIndexes(TFormatChoice choice);

// Text-to-value rules, one per selector. Entry texts outside the lists give the "not given"
// value: empty text, or -1 for a bit rate.
// "保持原分辨率" / "该格式无视频" -> "", otherwise the text ("640*480").
std::string FrameSizeValue(std::string_view text);
// "保持原帧速率" / "无视频" -> "", otherwise the text ("29.97", "12").
std::string FrameRateValue(std::string_view text);
// "无视频" -> -1000; "816 kbps" -> 816000.
int VideoBitrateValue(std::string_view text);
// "128 kbps" -> 128000; "4.75 kbps" -> 4750; "10.2 kbps" -> 10200 (rounded to the nearest
// integer; the point is the decimal separator whatever the locale).
int AudioBitrateValue(std::string_view text);
// The text itself ("44100").
std::string SampleRateValue(std::string_view text);
// "保持原视频模式" / "无视频" -> "", "普通视频4:3模式" -> "4:3", "宽屏视频16:9模式" -> "16:9",
// "宽屏视频37:20模式" -> "37:20", "宽屏视频47:20模式" -> "47:20".
std::string AspectRatioValue(std::string_view text);

// Selector-index string: twelve digits, two per selector in kSelectorIndexOrder, each the entry
// index with a leading zero below 10. `indexes` is by TPresetSelector; an index outside 0..99
// (a selector without a chosen entry, -1) is stored as "00".
std::string SelectorIndexString(const std::array<int, kPresetSelectorCount>& indexes);
// Inverse: the six indexes by TPresetSelector; nullopt unless the text is twelve digits.
std::optional<std::array<int, kPresetSelectorCount>> ParseSelectorIndexString(
    std::string_view text);
// `text` with the pair of one selector replaced (a parameter change of a selected row). A text
// shorter than twelve characters is first padded with "0".
std::string ReplaceSelectorIndex(std::string_view text, TPresetSelector selector, int index);

}  // namespace presets
