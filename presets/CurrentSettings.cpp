#include "presets/CurrentSettings.h"

#include <charconv>
#include <filesystem>

namespace presets {

namespace {

// Any directory entry counts, also a folder or a dangling link: a new output must not take its
// name.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::symlink_status(path, ec);
  return !ec && status.type() != std::filesystem::file_type::not_found;
}

// Position of the extension's dot in `name`, or npos.
size_t ExtensionDot(std::string_view name) {
  size_t slash = name.rfind('/');
  size_t fileStart = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot <= fileStart) return std::string_view::npos;
  return dot;
}

int ColumnBitrate(const std::string& text) {
  int value = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return -1;
  return value;
}

}  // namespace

void ResetCurrentSettings(TCurrentSettings& s) {
  TCurrentSettings reset;
  reset.Video_AddFileName = std::move(s.Video_AddFileName);
  reset.All_Trant_Number = s.All_Trant_Number;
  s = std::move(reset);
}

void MarkFormatChosen(TCurrentSettings& s, TFormatChoice choice) {
  int key = CatalogueKey(choice);
  if (key < 0) return;
  s.All_Trant_Number = key + 100;
  s.Video_DisableVideo = false;
}

bool ApplyFormatData(TCurrentSettings& s, TFormatChoice choice, std::string_view outputFolder,
                     bool overwrite) {
  ResetCurrentSettings(s);
  const TOutputFormat* f = FormatAt(choice);
  if (!f) return false;
  MarkFormatChosen(s, choice);
  s.Video_OutPutFileName =
      JoinPath(outputFolder, ChangeFileExt(FileNameOf(s.Video_AddFileName), f->Ext));

  s.Video_FileExt = f->FileExt;
  s.Video_VideoCodec = f->VideoCodec;
  s.Video_AudioCodec = f->AudioCodec;
  s.Video_AudioChannels = f->Channels;
  s.Video_VideoTag = f->VideoTag;
  s.Video_TargetType = f->TargetType;
  s.Video_NormType = f->NormType;
  s.Video_DisableVideo = f->NoVideo;
  s.Video_AudioVolume = "256";
  s.Video_FrameSize = f->FrameSize;
  s.Video_FrameRate = f->FrameRate;
  s.Video_VideoBitrate = f->VideoBitrate;
  s.Video_AudioBitrate = f->AudioBitrate;
  s.Video_AudioSampleRate = f->SampleRate;
  s.Video_FrameAspectRatio = f->AspectRatio;

  s.Video_OutPutFileName = UniqueOutputPath(s.Video_OutPutFileName, overwrite);
  return true;
}

void ApplyPresetText(TCurrentSettings& s, TPresetSelector selector, std::string_view text) {
  switch (selector) {
    case psResolution:
      s.Video_FrameSize = FrameSizeValue(text);
      break;
    case psVideoBitrate:
      s.Video_VideoBitrate = VideoBitrateValue(text);
      break;
    case psFrameRate:
      s.Video_FrameRate = FrameRateValue(text);
      break;
    case psAudioBitrate:
      s.Video_AudioBitrate = AudioBitrateValue(text);
      break;
    case psSampleRate:
      s.Video_AudioSampleRate = SampleRateValue(text);
      break;
    case psAspectMode:
      s.Video_FrameAspectRatio = AspectRatioValue(text);
      break;
  }
}

void ReadPresetLists(TCurrentSettings& s,
                     const std::array<std::string, kPresetSelectorCount>& texts) {
  for (int k = 0; k < kPresetSelectorCount; ++k)
    ApplyPresetText(s, static_cast<TPresetSelector>(k), texts[k]);
}

TCurrentSettings SettingsForFile(std::string_view addFileName, TFormatChoice choice,
                                 const std::array<std::string, kPresetSelectorCount>& texts,
                                 std::string_view outputFolder, bool overwrite) {
  TCurrentSettings s;
  ResetCurrentSettings(s);
  s.Video_AddFileName = addFileName;
  ApplyFormatData(s, choice, outputFolder, overwrite);
  ReadPresetLists(s, texts);
  return s;
}

TSettingColumns SettingColumns(const TCurrentSettings& s) {
  return {s.Video_VideoCodec,
          s.Video_AudioCodec,
          s.Video_AudioChannels,
          s.Video_VideoTag,
          s.Video_FileExt,
          s.Video_FrameSize,
          std::to_string(s.Video_VideoBitrate),
          s.Video_FrameRate,
          std::to_string(s.Video_AudioBitrate),
          s.Video_AudioSampleRate,
          s.Video_FrameAspectRatio,
          s.Video_DisableVideo ? "True" : "False",
          s.Video_TargetType,
          s.Video_NormType};
}

TCurrentSettings SettingsFromColumns(const TSettingColumns& c) {
  TCurrentSettings s;
  s.Video_VideoCodec = c[0];
  s.Video_AudioCodec = c[1];
  s.Video_AudioChannels = c[2];
  s.Video_VideoTag = c[3];
  s.Video_FileExt = c[4];
  s.Video_FrameSize = c[5];
  s.Video_VideoBitrate = ColumnBitrate(c[6]);
  s.Video_FrameRate = c[7];
  s.Video_AudioBitrate = ColumnBitrate(c[8]);
  s.Video_AudioSampleRate = c[9];
  s.Video_FrameAspectRatio = c[10];
  s.Video_DisableVideo = c[11] == "True";
  s.Video_TargetType = c[12];
  s.Video_NormType = c[13];
  return s;
}

std::string SelectorColumnText(const TCurrentSettings& s, TPresetSelector selector) {
  switch (selector) {
    case psResolution:
      return s.Video_FrameSize;
    case psVideoBitrate:
      return std::to_string(s.Video_VideoBitrate);
    case psFrameRate:
      return s.Video_FrameRate;
    case psAudioBitrate:
      return std::to_string(s.Video_AudioBitrate);
    case psSampleRate:
      return s.Video_AudioSampleRate;
    case psAspectMode:
      return s.Video_FrameAspectRatio;
  }
  return {};
}

std::string_view FileNameOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
  size_t dot = ExtensionDot(name);
  std::string result(dot == std::string_view::npos ? name : name.substr(0, dot));
  result += ext;
  return result;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string UniqueOutputPath(std::string_view path, bool overwrite) {
  return UniqueOutputPath(path, overwrite, nullptr);
}

std::string UniqueOutputPath(std::string_view path, bool overwrite,
                             const std::function<bool(const std::string&)>& alsoTaken) {
  auto taken = [&](const std::string& c) {
    return (!overwrite && NameTaken(c)) || (alsoTaken && alsoTaken(c));
  };
  std::string candidate(path);
  if (!taken(candidate)) return candidate;
  size_t dot = ExtensionDot(path);
  std::string_view base = dot == std::string_view::npos ? path : path.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : path.substr(dot);
  for (long n = 1;; ++n) {
    candidate = std::string(base) + "_" + std::to_string(n) + std::string(ext);
    if (!taken(candidate)) return candidate;
  }
}

}  // namespace presets
