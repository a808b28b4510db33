#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

// Readers and writers of one process never see a half-replaced file list.
std::mutex gIniLock;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

enum class TReadResult { ok, missing, unreadable };

// Reads the whole file as raw lines (without "\n"; a "\r" stays on the line).
TReadResult ReadLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? TReadResult::missing
                                                             : TReadResult::unreadable;
  if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > TIniFile::kMaxFileSize)
    return TReadResult::unreadable;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return TReadResult::unreadable;
  std::string data;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0 && data.size() <= TIniFile::kMaxFileSize)
    data.append(buf, n);
  bool failed = ferror(f) != 0 || data.size() > TIniFile::kMaxFileSize;
  fclose(f);
  if (failed) return TReadResult::unreadable;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    lines.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  if (!lines.empty() && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0) lines[0].erase(0, 3);
  return TReadResult::ok;
}

// The section name of a "[name]" line.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// The key and value of a "key=value" line.
bool KeyValueOf(const std::string& line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return !key.empty() && key[0] != ';' && key[0] != '#';
}

struct TKeyPlace {
  long sectionLine = -1;  // the "[section]" line
  long lastLine = -1;     // last non-empty line of the section
  long keyLine = -1;      // the key's line
};

TKeyPlace Locate(const std::vector<std::string>& lines, const std::string& section,
                 const std::string& key, std::string* value) {
  TKeyPlace place;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionOf(lines[i])) {
      if (place.sectionLine >= 0 && inSection) break;  // first matching section only
      inSection = SameName(*name, section);
      if (inSection) place.sectionLine = place.lastLine = static_cast<long>(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) place.lastLine = static_cast<long>(i);
    std::string k, v;
    if (KeyValueOf(lines[i], k, v) && SameName(k, key)) {
      place.keyLine = static_cast<long>(i);
      if (value) *value = v;
      break;
    }
  }
  return place;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::string& data) {
  std::string tmp = path + ".XXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  struct stat st;
  fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
  bool ok = WriteAll(fd, data) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(name.data(), path.c_str()) == 0;
  if (!ok) unlink(name.data());
  return ok;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  std::lock_guard lock(gIniLock);
  std::vector<std::string> lines;
  if (ReadLines(FFileName, lines) != TReadResult::ok) return def;
  std::string value;
  return Locate(lines, section, key, &value).keyLine >= 0 ? value : def;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) const {
  if (section.empty() || key.empty() || key.find_first_of("=\r\n") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return false;
  std::lock_guard lock(gIniLock);
  std::vector<std::string> lines;
  if (ReadLines(FFileName, lines) == TReadResult::unreadable) return false;
  bool crlf = !lines.empty() && !lines[0].empty() && lines[0].back() == '\r';
  std::string eol = crlf ? "\r" : "";
  std::string entry = key + "=" + value + eol;
  TKeyPlace place = Locate(lines, section, key, nullptr);
  if (place.keyLine >= 0) {
    std::string k, v;
    KeyValueOf(lines[place.keyLine], k, v);
    lines[place.keyLine] = k + "=" + value + eol;
  } else if (place.sectionLine >= 0) {
    lines.insert(lines.begin() + place.lastLine + 1, entry);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back(eol);
    lines.push_back("[" + section + "]" + eol);
    lines.push_back(entry);
  }
  std::string data;
  for (const auto& line : lines) data += line + "\n";
  return ReplaceFile(FFileName, data);
}

}  // namespace platform
