#include "engine/UnicodeProtocol.h"

#include <cstring>

#include "engine/FFmpegException.h"

namespace {

const char kProtocols[] = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
const char kUnicodePrefix[] = "unicode:utf8:";

bool IsProtocolName(const std::string& name) {
  size_t colon = name.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string framed = ":" + name.substr(0, colon) + ":";
  return strstr(kProtocols, framed.c_str()) != nullptr;
}

std::string StripUnicodePrefix(const std::string& name) {
  if (name.size() >= 14 && name.compare(0, strlen(kUnicodePrefix), kUnicodePrefix) == 0)
    return name.substr(strlen(kUnicodePrefix));
  return name;
}

}  // namespace

std::string ToLibFileName(const std::string& name) {
  std::string plain = StripUnicodePrefix(name);
  std::string result = plain;
  if (!IsProtocolName(plain)) {
    size_t colon = plain.find(':');
    size_t slash = plain.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash))
      result = "file:" + plain;
  }
  if (result.size() > kMaxLibFileName)
    throw FFmpegException::Fmt("File name too long (%zu bytes, at most %zu): %s", result.size(),
                               kMaxLibFileName, name.c_str());
  return result;
}

std::string FromLibFileName(const std::string& name) {
  std::string plain = StripUnicodePrefix(name);
  if (plain.compare(0, 5, "file:") == 0) return plain.substr(5);
  return plain;
}
