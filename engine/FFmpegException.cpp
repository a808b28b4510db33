#include "engine/FFmpegException.h"

#include <cstdio>
#include <vector>

std::string StrFmtV(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, n);
  std::vector<char> big(static_cast<size_t>(n) + 1);
  vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), n);
}

std::string StrFmt(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = StrFmtV(fmt, args);
  va_end(args);
  return s;
}

FFmpegException FFmpegException::Fmt(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = StrFmtV(fmt, args);
  va_end(args);
  return FFmpegException(s);
}
