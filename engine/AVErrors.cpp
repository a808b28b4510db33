#include "engine/AVErrors.h"

#include <cerrno>

#include "engine/FFmpegException.h"

extern "C" {
#include <libavutil/error.h>
}

std::string AVErrorText(int code) {
  struct TEntry {
    int code;
    const char* text;
  };
  // clang-format off
  static const TEntry kTexts[] = {
    {AVERROR_PATCHWELCOME,        "Not yet implemented in FFmpeg"},
    {AVERROR_PROTOCOL_NOT_FOUND,  "Unsupported network protocol"},
    {AVERROR_DEMUXER_NOT_FOUND,   "Unknown format"},
    {AVERROR_MUXER_NOT_FOUND,     "Unknown format"},
    {AVERROR(EDOM),               "Number syntax expected in filename"},
    {AVERROR_EOF,                 "End of file"},
    {AVERROR_INVALIDDATA,         "Invalid data found when processing input"},
    {AVERROR(ENOMEM),             "Not enough memory"},
    {AVERROR(EIO),                "I/O error"},
    {AVERROR(ENOENT),             "No such file or directory"},
  };
  // clang-format on
  for (const auto& e : kTexts)
    if (e.code == code) return e.text;
  return StrFmt("Error number %d occurred", code);
}
