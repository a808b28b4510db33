// The one exception type inside the engine, the probe and the player. Their public operations
// catch it and report its text through LastErrMsg.
#pragma once

#include <cstdarg>
#include <stdexcept>
#include <string>

class FFmpegException : public std::runtime_error {
 public:
  explicit FFmpegException(const std::string& msg) : std::runtime_error(msg) {}
  // printf-style construction: throw FFmpegException::Fmt("Unknown %s '%s'", kind, name);
  [[nodiscard]] static FFmpegException Fmt(const char* fmt, ...)
      __attribute__((format(printf, 1, 2)));
};

// printf into a std::string.
std::string StrFmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string StrFmtV(const char* fmt, va_list args);
