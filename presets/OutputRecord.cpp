#include "presets/OutputRecord.h"

#include <charconv>
#include <optional>

namespace presets {

namespace {

std::optional<int> ToInt(const std::string& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void SetIfGiven(std::string& field, const std::string& value) {
  if (!value.empty()) field = value;
}

TOptionTargetType TargetTypeOf(const std::string& t) {
  if (t == "vcd") return ttVCD;
  if (t == "svcd") return ttSVCD;
  if (t == "dvd") return ttDVD;
  return ttIgnore;
}

TOptionNormType NormTypeOf(const std::string& n) {
  if (n == "PAL") return ntPAL;
  if (n == "NTSC") return ntNTSC;
  return ntAuto;
}

}  // namespace

TOutputOptions OutputOptionsFromSettings(const TCurrentSettings& s) {
  TOutputOptions o;
  if (!s.Video_VideoCodec.empty()) {
    o.VideoCodec = s.Video_VideoCodec;
    // Every x264 format of the catalogue encodes with the default x264 preset.
    if (s.Video_VideoCodec == "libx264") o.VideoPreset = "libx264-default";
  }
  if (!s.Video_AudioCodec.empty() && s.Video_AudioCodec != "AUTO") o.AudioCodec = s.Video_AudioCodec;
  SetIfGiven(o.FrameRate, s.Video_FrameRate);
  o.DisableVideo = s.Video_DisableVideo;
  if (auto n = ToInt(s.Video_AudioChannels)) o.AudioChannels = *n;
  if (s.Video_AudioSampleRate != "AUTO")
    if (auto n = ToInt(s.Video_AudioSampleRate)) o.AudioSampleRate = *n;
  SetIfGiven(o.FrameSize, s.Video_FrameSize);
  o.TargetType = TargetTypeOf(s.Video_TargetType);
  o.NormType = NormTypeOf(s.Video_NormType);
  if (auto n = ToInt(s.Video_AudioVolume)) o.AudioVolume = *n;
  SetIfGiven(o.FrameAspectRatio, s.Video_FrameAspectRatio);
  if (s.Video_AudioBitrate != -1000 && s.Video_AudioBitrate != -2000)
    o.AudioBitrate = s.Video_AudioBitrate;
  SetIfGiven(o.FileFormat, s.Video_FileFormat);
  SetIfGiven(o.VideoFilters, s.Video_VideoFilters);
  SetIfGiven(o.VideoTag, s.Video_VideoTag);
  if (s.Video_VideoBitrate != -1000) o.VideoBitrate = s.Video_VideoBitrate;
  return o;
}

}  // namespace presets
