#include "tests/support/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

TTempDir::TTempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "brenvo-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  FPath = tmpl;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int Run(const std::string& command, std::string* output) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buf;
  std::string out;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveFFmpegTools() {
  return std::string(BRENVO_FFMPEG_TOOL).find("NOTFOUND") == std::string::npos &&
         std::string(BRENVO_FFPROBE_TOOL).find("NOTFOUND") == std::string::npos;
}

bool FFmpeg(const std::string& args) {
  return Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -hide_banner -loglevel error -y " +
             args + " 2>&1") == 0;
}

bool MakeTone(const std::string& path, double seconds, int rate, int channels,
              const std::string& codecArgs) {
  std::ostringstream a;
  a << "-f lavfi -i \"sine=frequency=440:sample_rate=" << rate << ":duration=" << seconds
    << "\" -ac " << channels << " " << codecArgs << " " << Quote(path);
  return FFmpeg(a.str());
}

bool MakeClip(const std::string& path, double seconds, const std::string& codecArgs, int width,
              int height, int fps, bool withAudio) {
  std::ostringstream a;
  a << "-f lavfi -i \"testsrc=size=" << width << "x" << height << ":rate=" << fps
    << ":duration=" << seconds << "\" ";
  if (withAudio)
    a << "-f lavfi -i \"sine=frequency=440:sample_rate=44100:duration=" << seconds << "\" ";
  a << codecArgs << " " << Quote(path);
  return FFmpeg(a.str());
}

std::map<std::string, std::string> ProbeFacts(const std::string& path) {
  std::map<std::string, std::string> facts;
  std::string out;
  if (Run(std::string(BRENVO_FFPROBE_TOOL) +
              " -v error -show_format -show_streams -of flat=s=. " + Quote(path) + " 2>/dev/null",
          &out) != 0)
    return facts;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    // "streams.stream.0.codec_name" → "stream.0.codec_name"
    if (key.compare(0, 8, "streams.") == 0) key.erase(0, 8);
    facts[key] = value;
  }
  return facts;
}

double DecodedSeconds(const std::string& path) {
  std::string out;
  if (Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -hide_banner -i " + Quote(path) +
              " -f null - 2>&1",
          &out) != 0)
    return -1;
  size_t at = out.rfind("time=");
  if (at == std::string::npos) return -1;
  int h = 0, m = 0;
  double sec = 0;
  if (sscanf(out.c_str() + at, "time=%d:%d:%lf", &h, &m, &sec) != 3) return -1;
  return h * 3600 + m * 60 + sec;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

long long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace testsupport
