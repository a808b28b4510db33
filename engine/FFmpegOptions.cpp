#include "engine/FFmpegOptions.h"

#include <charconv>

#include "engine/FFmpegException.h"

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Trim(const std::string& s) {
  // Control characters count as blanks, as in the text controls the lines come from.
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::vector<std::string> SplitOptionLines(const std::string& text) {
  std::string t = Trim(text);
  std::string normalized;
  normalized.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r') {
      normalized += '\n';
      if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
    } else if (t.compare(i, 6, "<CRLF>") == 0) {
      normalized += '\n';
      i += 5;
    } else {
      normalized += t[i];
    }
  }
  std::vector<std::string> lines;
  if (normalized.empty()) return lines;
  size_t start = 0;
  for (;;) {
    size_t lf = normalized.find('\n', start);
    lines.push_back(normalized.substr(start, lf == std::string::npos ? lf : lf - start));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return lines;
}

TOptionLine ParseOptionLine(const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return {LowerCase(line), {}};
  return {LowerCase(line.substr(0, eq)), line.substr(eq + 1)};
}

std::vector<TOptionLine> ParseExtOptions(const std::string& text) {
  std::vector<TOptionLine> result;
  for (const std::string& line : SplitOptionLines(text)) result.push_back(ParseOptionLine(line));
  return result;
}

namespace {

bool TryInt64(const std::string& value, int64_t* out) {
  std::string v = Trim(value);
  const char* b = v.data();
  const char* e = b + v.size();
  if (b != e && *b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, *out);
  return b != e && ec == std::errc() && p == e;
}

// A time field given as a line: its integer value, or no value.
int64_t TimeFieldFromText(const std::string& value) {
  int64_t t;
  return TryInt64(value, &t) ? t : kNoTime;
}

void AppendLine(std::string* text, const std::string& line) {
  if (!text->empty()) *text += '\n';
  *text += line;
}

}  // namespace

TInputOptions InputOptionsFromText(const std::string& text) {
  TInputOptions o;
  for (const std::string& line : SplitOptionLines(text)) {
    TOptionLine l = ParseOptionLine(line);
    if (l.Name == "timestart")
      o.TimeStart = TimeFieldFromText(l.Value);
    else
      AppendLine(&o.ExtOptions, line);
  }
  return o;
}

TOutputOptions OutputOptionsFromText(const std::string& text) {
  TOutputOptions o;
  for (const std::string& line : SplitOptionLines(text)) {
    TOptionLine l = ParseOptionLine(line);
    if (l.Name == "hook" || l.Name == "customhook")
      o.CustomHook = true;
    else if (l.Name == "join")
      o.Join = true;
    else if (l.Name == "timestart")
      o.TimeStart = TimeFieldFromText(l.Value);
    else if (l.Name == "timelength")
      o.TimeLength = TimeFieldFromText(l.Value);
    else
      AppendLine(&o.ExtOptions, line);
  }
  return o;
}

bool OptionToBool(const std::string& value) {
  return value != "0";
}

int64_t OptionToInt64(const std::string& value) {
  int64_t v;
  if (!TryInt64(value, &v))
    throw FFmpegException::Fmt("'%s' is not a valid integer value", value.c_str());
  return v;
}

int OptionToInt(const std::string& value) {
  int64_t v = OptionToInt64(value);
  if (v < INT32_MIN || v > INT32_MAX)
    throw FFmpegException::Fmt("'%s' is not a valid integer value", value.c_str());
  return static_cast<int>(v);
}

double OptionToFloat(const std::string& value) {
  std::string v = Trim(value);
  const char* b = v.data();
  const char* e = b + v.size();
  if (b != e && *b == '+') ++b;
  double d = 0;
  auto [p, ec] = std::from_chars(b, e, d);
  if (b == e || ec != std::errc() || p != e)
    throw FFmpegException::Fmt("'%s' is not a valid floating point value", value.c_str());
  return d;
}
