// The current output settings: one working set of output fields that a window keeps for its
// selectors and that a job row keeps a copy of (as the texts of its setting columns 11 to 24).
// Both front ends build a file's settings with the same calls, so the same choice yields the
// same task:
//
//   ResetCurrentSettings(s); s.Video_AddFileName = input;
//   ApplyFormatData(s, choice, outputFolder, overwrite);   // name, format data, renaming
//   ReadPresetLists(s, selectedTexts);                      // the six selectors' entries
//
// (SettingsForFile does exactly this.) Texts: "" means "not given". Bit rates are integers in
// bits per second: -1 = not set, -1000 = no value ("无视频", and the DVD, SVCD, VCD formats).
// Folders and names are joined with "/".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "presets/Catalogue.h"
#include "presets/PresetLists.h"

namespace presets {

// clang-format off
struct TCurrentSettings {
  std::string Video_OutPutFileName;    // full output path: folder "/" name extension
  std::string Video_AddFileName;       // full path of the input file being added
  std::string Video_FileExt;           // ".mp3", ".flac", ... or ""
  std::string Video_VideoCodec;        // encoder name ("libx264", "mpeg4") or ""
  std::string Video_AudioCodec;        // encoder name ("flac", "libmp3lame") or ""
  std::string Video_AudioChannels;     // "1", "2" or ""
  std::string Video_VideoTag;          // "XVID", "DX50" or ""
  std::string Video_TargetType;        // "vcd", "svcd", "dvd" or ""
  std::string Video_NormType;          // "PAL", "NTSC" or ""
  bool Video_DisableVideo = false;     // true for formats without video
  std::string Video_AudioVolume = "256";
  std::string Video_VideoFilters;      // always ""
  std::string Video_FileFormat;        // always ""
  std::string Video_CopyTimestamp;     // always ""
  std::string Video_FrameSize;         // "640*480" or ""
  std::string Video_FrameRate;         // "25", "29.97" or ""
  int Video_VideoBitrate = -1;
  int Video_AudioBitrate = -1;
  std::string Video_AudioSampleRate;   // "44100" or ""
  std::string Video_FrameAspectRatio;  // "4:3", "16:9", "37:20", "47:20" or ""
  int64_t Video_TimeStart = -1;
  int64_t Video_TimeLength = -1;
  int All_Trant_Number = 0;            // catalogue key + 100 of the format last chosen

  friend bool operator==(const TCurrentSettings&, const TCurrentSettings&) = default;
};
// clang-format on

// Every text except Video_AddFileName empty, Video_AudioVolume "256", bit rates and times -1,
// Video_DisableVideo false. All_Trant_Number is kept.
void ResetCurrentSettings(TCurrentSettings& s);

// The current-settings part of FillPresetLists: All_Trant_Number := key + 100 and
// Video_DisableVideo := false. Nothing for a choice that names no format.
void MarkFormatChosen(TCurrentSettings& s, TFormatChoice choice);

// Resets `s` (keeping Video_AddFileName), then writes the chosen format's data and the output
// path: outputFolder "/" the input's file name with its extension replaced by the format's.
// When that file exists and `overwrite` is false, "_1", "_2", ... is put before the extension
// until the name is free (a.mp3, a_1.mp3 present -> a_2.mp3). False, with `s` only reset, for a
// choice that names no format.
bool ApplyFormatData(TCurrentSettings& s, TFormatChoice choice, std::string_view outputFolder,
                     bool overwrite);

// Converts the text of one selector's selected entry and stores it in that selector's field.
void ApplyPresetText(TCurrentSettings& s, TPresetSelector selector, std::string_view text);
// The same for all six selectors; `texts` is by TPresetSelector. Writes nothing else.
void ReadPresetLists(TCurrentSettings& s,
                     const std::array<std::string, kPresetSelectorCount>& texts);

// ResetCurrentSettings, Video_AddFileName := addFileName, ApplyFormatData, ReadPresetLists.
TCurrentSettings SettingsForFile(std::string_view addFileName, TFormatChoice choice,
                                 const std::array<std::string, kPresetSelectorCount>& texts,
                                 std::string_view outputFolder, bool overwrite);

// Job row setting columns 11 ("视频编码") to 24 ("NormType") as texts.
inline constexpr int kFirstSettingColumn = 11;
inline constexpr int kLastSettingColumn = 24;
inline constexpr int kSettingColumnCount = kLastSettingColumn - kFirstSettingColumn + 1;
using TSettingColumns = std::array<std::string, kSettingColumnCount>;

// Columns 11-24 from the fields: codecs, channels, tag, file extension, frame size, video bit
// rate (decimal), frame rate, audio bit rate (decimal), sample rate, aspect, "True"/"False" for
// Video_DisableVideo, target type, norm type. Element i is column kFirstSettingColumn + i.
TSettingColumns SettingColumns(const TCurrentSettings& s);
// Inverse for the fields the columns carry: a reset set with those fields read back. A bit-rate
// column that is empty or no number reads as -1; column 22 is true exactly for "True".
TCurrentSettings SettingsFromColumns(const TSettingColumns& columns);
// The text of the selector's own column (SelectorColumn) for the current value.
std::string SelectorColumnText(const TCurrentSettings& s, TPresetSelector selector);

// Helpers on names ("/" separated).
// The part after the last "/".
std::string_view FileNameOf(std::string_view path);
// `name` with the extension (from the last dot of its file name on) replaced by `ext`, or `ext`
// appended when there is none; a leading dot of a file name starts no extension.
std::string ChangeFileExt(std::string_view name, std::string_view ext);
// folder "/" name, without doubling a "/" that ends the folder.
std::string JoinPath(std::string_view folder, std::string_view name);
// `path` itself when it does not exist or `overwrite` is set; otherwise the first free one of
// base "_1" ext, base "_2" ext, ...
std::string UniqueOutputPath(std::string_view path, bool overwrite);
// The same, where a name for which `alsoTaken` is true counts as taken too, with or without
// `overwrite` (names already given to other files of the same batch).
std::string UniqueOutputPath(std::string_view path, bool overwrite,
                             const std::function<bool(const std::string&)>& alsoTaken);

}  // namespace presets
