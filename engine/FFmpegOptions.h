// The option records of a conversion task and the extra-options text form.
//
// A caller describes each input by a TInputOptions and each output by a TOutputOptions; both
// carry free option lines (ExtOptions) in the converter's vocabulary. Strings are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

// "No value" for every time field: the libraries' no-timestamp constant.
constexpr int64_t kNoTime = AV_NOPTS_VALUE;

struct TStreamInfo {
  // Days since 1899-12-30, the fraction being the time of day (local time). 0 = now, < 0 = none.
  double TimeStamp = -1.0;
  int32_t Year = -1;
  int32_t Track = -1;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

enum TOptionTargetType { ttIgnore, ttVCD, ttSVCD, ttDVD };
enum TOptionNormType { ntAuto, ntPAL, ntNTSC };
// The fallback norm when ntAuto detects none.
enum class TOptionNormDefault { ntPAL, ntNTSC };

struct TInputOptions {
  std::string FileName;         // filled with the task's file name when empty
  std::string FileFormat;       // forced container format ("f")
  int64_t TimeStart = kNoTime;  // µs; the input is sought there ("ss")
  int32_t ProgramID = -1;       // program to take from a multi-program input; ignored when negative
  std::string ExtOptions;
  int32_t Tag = 0;
  void* Data = nullptr;
};

// Field order is the order in which the converter applies them.
struct TOutputOptions {
  std::string FileName;
  std::string FileExt;  // not used by the engine
  std::string FileFormat;
  int32_t PacketSize = -1;
  int32_t MuxRate = -1;
  float MuxDelay = -1.0f;    // seconds
  float MuxPreload = -1.0f;  // seconds
  std::string AudioCodec;
  std::string AudioPreset;
  bool DisableAudio = false;
  int32_t AudioVolume = -1;
  int32_t AudioChannels = -1;
  int32_t AudioSampleRate = -1;
  int32_t AudioBitrate = -1;  // bit/s
  int32_t AudioBitRateTolerance = -1;
  std::string AudioLanguage;
  int32_t AudioSyncMethod = 0;
  std::string AudioTag;
  std::string VideoCodec;
  std::string VideoPreset;
  bool DisableVideo = false;
  std::string FrameRate;
  std::string FrameSize;
  std::string FrameAspectRatio;
  int32_t CropTop = -1;
  int32_t CropBottom = -1;
  int32_t CropLeft = -1;
  int32_t CropRight = -1;
  int32_t GroupPictureSize = -1;
  int32_t VideoBitrate = -1;  // bit/s
  int32_t VideoMaxRate = -1;
  int32_t VideoMinRate = -1;
  int32_t VideoBitRateTolerance = -1;
  int32_t VideoBufSize = -1;
  int32_t VideoSyncMethod = -1;
  std::string VideoTag;
  std::string VideoFilters;
  std::string VideoLanguage;
  std::string SubtitleCodec;
  std::string SubtitlePreset;
  bool DisableSubtitle = false;
  std::string SubtitleLanguage;
  bool InputSync = false;
  bool CopyTimestamp = false;
  int64_t TimeStart = kNoTime;   // µs
  int64_t TimeLength = kNoTime;  // µs
  TStreamInfo Info;
  TOptionTargetType TargetType = ttIgnore;
  TOptionNormType NormType = ntAuto;
  TOptionNormDefault NormDefault = TOptionNormDefault::ntPAL;
  bool CustomHook = false;
  bool Join = false;
  std::string ExtOptions;
  int32_t Tag = 0;
  void* Data = nullptr;
};

// One line of an extra-options text: the name lower-cased, the value as written.
struct TOptionLine {
  std::string Name;
  std::string Value;
};

// The lines of an extra-options text: trimmed, every line break and every literal "<CRLF>"
// separating lines. Lines are returned as written.
std::vector<std::string> SplitOptionLines(const std::string& text);
// Splits one line at its first "="; a line without one is a name with an empty value.
TOptionLine ParseOptionLine(const std::string& line);
// SplitOptionLines and ParseOptionLine together.
std::vector<TOptionLine> ParseExtOptions(const std::string& text);

// The text forms of adding an input or an output: "TimeStart" (and for outputs "TimeLength",
// "Hook", "CustomHook", "Join") set record fields, every other line goes into ExtOptions.
TInputOptions InputOptionsFromText(const std::string& text);
TOutputOptions OutputOptionsFromText(const std::string& text);

// Value conversions of option arguments. Booleans are true for anything but exactly "0";
// malformed numbers throw FFmpegException naming the value.
bool OptionToBool(const std::string& value);
int OptionToInt(const std::string& value);
int64_t OptionToInt64(const std::string& value);
double OptionToFloat(const std::string& value);

std::string LowerCase(std::string s);
std::string Trim(const std::string& s);
