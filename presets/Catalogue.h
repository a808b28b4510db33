// The built-in output catalogue: 20 categories, each an ordered list of output formats, and the
// data each format writes into the current settings (see CurrentSettings.h).
//
// A format is addressed in three ways:
//  - by its choice (category index, position in the category), as the two selectors show it;
//  - by its format code, (category + 1) * 100 + position, as a job row stores it (column 9);
//  - by its catalogue key, format group * 100 + position, an internal number whose key + 100 the
//    current settings keep in `All_Trant_Number`.
// Everything is compiled in; nothing is read from a file or asked of the media libraries.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace presets {

inline constexpr int kCategoryCount = 20;
inline constexpr int kFormatCount = 187;
// Number of output formats per category, in category order.
inline constexpr int kCategoryFormatCounts[kCategoryCount] = {13, 4, 4, 4,  15, 5, 10, 14, 15, 11,
                                                              7,  7, 7, 15, 7,  4, 4,  16, 13, 12};

// One output format. Texts are never null; "" means "not given". Bit rates are in bits per
// second; -1 is "not set" and -1000 the no-value mark (DVD, SVCD and VCD formats).
// clang-format off
struct TOutputFormat {
  const char* Title;        // first line of the selector entry; ends in "(*.ext)"
  const char* Ext;          // extension of the output file name, with its dot
  bool NoVideo;             // -> Video_DisableVideo: an audio-only format (no video codec)
  const char* VideoCodec;   // -> Video_VideoCodec
  const char* AudioCodec;   // -> Video_AudioCodec
  const char* Channels;     // -> Video_AudioChannels: "1", "2" or ""
  const char* FrameSize;    // -> Video_FrameSize, "640*480"
  const char* FrameRate;    // -> Video_FrameRate, "25", "29.97"
  int VideoBitrate;         // -> Video_VideoBitrate
  int AudioBitrate;         // -> Video_AudioBitrate
  const char* SampleRate;   // -> Video_AudioSampleRate, "44100"
  const char* AspectRatio;  // -> Video_FrameAspectRatio, "4:3", "16:9"
  const char* FileExt;      // -> Video_FileExt (may differ from Ext, e.g. ".ra" / ".rm")
  const char* VideoTag;     // -> Video_VideoTag, "XVID", "DX50"
  const char* TargetType;   // -> Video_TargetType, "vcd", "svcd", "dvd"
  const char* NormType;     // -> Video_NormType, "PAL", "NTSC"
  const char* Description;  // second line of the selector entry
};
// clang-format on

// One output category of the category selector.
struct TOutputCategory {
  const char* Caption;  // "通用音频"
  int Icon;             // index in the category image list
  int Group;            // format group: the first part of the catalogue key
  std::span<const TOutputFormat> Formats;
};

// A category index and a position inside it, as the two selectors hold them.
struct TFormatChoice {
  int Category = 0;
  int Position = 0;
  friend bool operator==(const TFormatChoice&, const TFormatChoice&) = default;
};

// The 20 categories in display order.
std::span<const TOutputCategory> Categories();
// nullptr when out of range.
const TOutputCategory* CategoryAt(int category);
const TOutputFormat* FormatAt(TFormatChoice choice);
bool IsValidChoice(TFormatChoice choice);

// Catalogue key (group * 100 + position); -1 for a choice that names no format.
int CatalogueKey(TFormatChoice choice);
// The format with that catalogue key, or nullptr.
const TOutputFormat* FormatByKey(int key);

// Job row column 9: (category + 1) * 100 + position.
int FormatCode(TFormatChoice choice);
// Inverse of FormatCode; nullopt when the code names no format.
std::optional<TFormatChoice> DecodeFormatCode(int code);
// The same for the column text; nullopt also when the text is not a decimal number.
std::optional<TFormatChoice> DecodeFormatCode(std::string_view text);

// Icon of a format selector entry: image 0 at even positions, image 1 at odd ones.
constexpr int FormatIcon(int position) {
  return position % 2;
}

// One entry of the format selector, what FillFormatList shows.
struct TFormatListEntry {
  int Icon;
  std::string_view Title;
  std::string_view Description;
};
// The entries of a category in order; empty for an unknown category. The selector then selects
// position 0.
std::vector<TFormatListEntry> FormatListEntries(int category);

// The extension a format title names: "…(*.mp3)" gives ".mp3", "…(*.flac)" ".flac",
// "…(*.aiff)" ".aiff", "…(*.rm)" ".rm", "…(*.ra)" ".ra". Used for a job row's output name when
// its format changes; note that it may differ from the format's Ext.
std::string TitleExtension(std::string_view title);

}  // namespace presets
