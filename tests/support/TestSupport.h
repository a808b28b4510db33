// Helpers shared by the tests: temporary folders, running commands, and media fixtures made
// with the FFmpeg command-line tools, which also serve as the independent checker of outputs.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainThread.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// Runs a shell command; returns its exit status and fills `output` with stdout.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes a word for the shell.
std::string Quote(const std::string& s);

bool HaveFFmpegTools();
// Runs ffmpeg with the given arguments (quiet, overwrite); false on failure.
bool FFmpeg(const std::string& args);

// A sine tone; `codecArgs` chooses the encoding, e.g. "-c:a pcm_s16le".
bool MakeTone(const std::string& path, double seconds, int rate = 44100, int channels = 2,
              const std::string& codecArgs = "");
// A test-pattern video with a sine tone, e.g. 320x240 at 25 fps.
bool MakeClip(const std::string& path, double seconds, const std::string& codecArgs = "",
              int width = 320, int height = 240, int fps = 25, bool withAudio = true);

// What ffprobe says of a file: "format.duration", "format.nb_streams", and per stream
// "stream.N.codec_name", "stream.N.codec_type", "stream.N.sample_rate", "stream.N.channels",
// "stream.N.width", ... Empty when ffprobe fails.
std::map<std::string, std::string> ProbeFacts(const std::string& path);

// How long a file plays, by decoding it with ffmpeg (for containers that store no duration);
// -1 when it cannot be decoded.
double DecodedSeconds(const std::string& path);

// Serves main-thread calls (as the main thread would) until the condition holds or the time is
// up; false when the time ran out.
template <typename F>
bool ServeUntil(F cond, std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    platform::MainThreadCalls().ServePending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool FileExists(const std::string& path);
long long FileSize(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

}  // namespace testsupport
