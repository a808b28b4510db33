// Shared pieces of the transcoding tests: a converter with its callbacks recorded, output
// records like the catalogue's, and independent checks of outputs with the FFmpeg tools.
#pragma once

#include <algorithm>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/FFmpegException.h"
#include "tests/converter_support.h"

struct TProgressCall {
  int FileIndex, FrameNumber, FPS;
  float Quality, BitRate;
  int64_t CurrentSize, CurrentDuration, TotalDuration;
};

// A converter whose progress and terminate callbacks are recorded.
class TRecordedConversion {
 public:
  TRecordedConversion() {
    c.OnProgress = [this](int f, int frame, int fps, float q, float br, int64_t size, int64_t cur,
                          int64_t total) {
      std::lock_guard g(FLock);
      FProgress.push_back({f, frame, fps, q, br, size, cur, total});
    };
    c.OnTerminate = [this] {
      std::lock_guard g(FLock);
      ++FTerminates;
    };
  }
  std::vector<TProgressCall> Progress() {
    std::lock_guard g(FLock);
    return FProgress;
  }
  int Terminates() {
    std::lock_guard g(FLock);
    return FTerminates;
  }
  // Runs on the calling thread; true when the task finished without an error.
  bool Run() {
    c.StartConvert(false, platform::tpNormal);
    return c.Finished() && !c.FatalException();
  }

  TCustomFFmpeg c;

 private:
  std::mutex FLock;
  std::vector<TProgressCall> FProgress;
  int FTerminates = 0;
};

// An output record as the catalogue's audio formats fill it.
inline TOutputOptions AudioRecord(const std::string& codec, int channels, int rate, int bitrate) {
  TOutputOptions o;
  o.AudioCodec = codec;
  o.AudioChannels = channels;
  o.AudioSampleRate = rate;
  o.AudioBitrate = bitrate;
  o.DisableVideo = true;
  return o;
}

// An output record as the catalogue's video formats fill it.
inline TOutputOptions VideoRecord(const std::string& vcodec, const std::string& acodec,
                                  int vbitrate, int abitrate, int rate) {
  TOutputOptions o;
  o.VideoCodec = vcodec;
  o.AudioCodec = acodec;
  o.FrameRate = "25";
  o.VideoBitrate = vbitrate;
  o.AudioBitrate = abitrate;
  o.AudioChannels = 2;
  o.AudioSampleRate = rate;
  return o;
}

// The file's first audio stream decoded by the FFmpeg tool into raw samples of `format`
// ("s16le", "s24le", ...).
inline std::string DecodedSamples(const std::string& path, const std::string& format) {
  std::string out;
  testsupport::Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -v error -i " +
                       testsupport::Quote(path) + " -map 0:a:0 -f " + format + " - 2>/dev/null",
                   &out);
  return out;
}

inline std::string Md5Hex(const std::string& data) {
  uint8_t digest[16];
  AVMD5* md5 = ff::av_md5_alloc();
  ff::av_md5_init(md5);
  ff::av_md5_update(md5, reinterpret_cast<const uint8_t*>(data.data()), data.size());
  ff::av_md5_final(md5, digest);
  ff::av_free(md5);
  std::string hex;
  for (uint8_t b : digest) hex += StrFmt("%02x", b);
  return hex;
}

// The MD5 of the samples stored in a FLAC file's STREAMINFO block.
inline std::string FlacStoredMd5(const std::string& path) {
  std::string d = testsupport::ReadFile(path);
  if (d.size() < 42 || d.compare(0, 4, "fLaC") != 0 || (d[4] & 0x7f) != 0) return {};
  std::string hex;
  for (int i = 0; i < 16; ++i) hex += StrFmt("%02x", static_cast<uint8_t>(d[8 + 18 + i]));
  return hex;
}

inline double FactNumber(const std::map<std::string, std::string>& facts, const std::string& key) {
  auto it = facts.find(key);
  return it == facts.end() ? -1 : atof(it->second.c_str());
}

inline std::string Fact(const std::map<std::string, std::string>& facts, const std::string& key) {
  auto it = facts.find(key);
  return it == facts.end() ? std::string() : it->second;
}

// Seconds of audio the FFmpeg tool decodes from the file's first audio stream.
inline double DecodedSeconds(const std::string& path) {
  auto facts = testsupport::ProbeFacts(path);
  double rate = -1;
  for (int i = 0; i < 8 && rate <= 0; ++i)
    if (Fact(facts, StrFmt("stream.%d.codec_type", i)) == "audio")
      rate = FactNumber(facts, StrFmt("stream.%d.sample_rate", i));
  if (rate <= 0) return -1;
  std::string out;
  testsupport::Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -v error -i " +
                       testsupport::Quote(path) + " -map 0:a:0 -ac 1 -f s16le - 2>/dev/null",
                   &out);
  return out.size() / 2 / rate;
}
