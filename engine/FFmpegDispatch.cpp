// The option dispatcher of the converter: the named options, presets, disc targets and the
// fallback to generic options.
#include <unistd.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>

#include "engine/FFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/X264Presets.h"

namespace {

using S = const std::string&;

// Options of the command-line tool that mean nothing for a converter.
const char* const kIgnoredOptions[] = {"L",      "h",    "version",   "formats",
                                       "codecs", "bsfs", "protocols", "filters",
                                       "i",      "y",    "benchmark"};

int64_t ParseDuration(S option, S value) {
  int64_t us = 0;
  if (ff::av_parse_time(&us, value.c_str(), 1) < 0)
    throw FFmpegException::Fmt("Invalid %s specification for %s: %s", "duration", option.c_str(),
                               value.c_str());
  return us;
}

int64_t ParseDate(S option, S value) {
  int64_t us = 0;
  if (ff::av_parse_time(&us, value.c_str(), 0) < 0)
    throw FFmpegException::Fmt("Invalid %s specification for %s: %s", "date", option.c_str(),
                               value.c_str());
  return us;
}

// A C integer (decimal, 0x hex or 0 octal) at *p, as strtol reads it; *p moves past it.
long ReadCInt(const char** p) {
  char* end = nullptr;
  long v = strtol(*p, &end, 0);
  *p = end;
  return v;
}

// A decimal number at *p (0 when there is none); *p moves past it. Independent of the locale.
double ReadDecimal(const char** p) {
  const char* s = *p;
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == '+') ++s;
  double v = 0;
  auto [end, ec] = std::from_chars(s, s + strlen(s), v);
  if (ec != std::errc()) return 0;
  *p = end;
  return v;
}

std::string ProgramFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

// Words of a "vhook" value: split at "|" when it has one, else at blanks.
std::vector<std::string> HookWords(S value) {
  constexpr size_t kMaxWords = 254;
  bool bar = value.find('|') != std::string::npos;
  std::vector<std::string> words;
  std::string word;
  auto flush = [&] {
    if (!word.empty() && words.size() < kMaxWords) words.push_back(word);
    word.clear();
  };
  for (char c : value) {
    if (bar ? c == '|' : (c == ' ' || c == '\t'))
      flush();
    else
      word += c;
  }
  flush();
  return words;
}

AVMediaType KindOfPrefix(char c) {
  return c == 'a' ? AVMEDIA_TYPE_AUDIO : c == 's' ? AVMEDIA_TYPE_SUBTITLE : AVMEDIA_TYPE_VIDEO;
}

}  // namespace

// --- The dispatcher table

struct TCustomFFmpeg::TOptionRow {
  const char* Name;
  void (*Apply)(TCustomFFmpeg& c, S name, S value);
};

const TCustomFFmpeg::TOptionRow* TCustomFFmpeg::FindOptionRow(const std::string& name) {
  using C = TCustomFFmpeg;
  // clang-format off
  static const TOptionRow kRows[] = {
    {"loglevel",     [](C&, S, S v) { FFLogger().OptLogLevel(v); }},
    {"f",            [](C& c, S, S v) {
                       if (v == "pgmyuv") {
                         c.FOpt.FileFormat = "image2";
                         c.FOpt.Image2Pgmyuv = true;
                         c.Log(llWarning, "pgmyuv format is deprecated, use image2");
                       } else {
                         c.FOpt.FileFormat = v;
                       }
                     }},
    {"map",          [](C& c, S, S v) { c.AddStreamMap(v); }},
    {"map_meta_data", [](C& c, S, S v) { c.AddMetaDataMap(v); }},
    {"t",            [](C& c, S n, S v) { c.SetRecordingTime(ParseDuration(n, v)); }},
    {"fs",           [](C& c, S, S v) { c.FOpt.LimitFileSize = OptionToInt64(v); }},
    {"ss",           [](C& c, S n, S v) { c.FOpt.StartTime = ParseDuration(n, v); }},
    {"itsoffset",    [](C& c, S n, S v) { c.FOpt.InputTsOffset = ParseDuration(n, v); }},
    {"itsscale",     [](C& c, S, S v) { c.SetTsScale(v); }},
    {"timestamp",    [](C& c, S n, S v) { c.FOpt.RecTimestamp = ParseDate(n, v) / 1000000; }},
    {"metadata",     [](C& c, S, S v) { c.AddMetadata(v); }},
    {"dframes",      [](C& c, S, S v) { c.FOpt.MaxFrames[AVMEDIA_TYPE_DATA] = OptionToInt(v); }},
    {"vframes",      [](C& c, S, S v) { c.FOpt.MaxFrames[AVMEDIA_TYPE_VIDEO] = OptionToInt(v); }},
    {"aframes",      [](C& c, S, S v) { c.FOpt.MaxFrames[AVMEDIA_TYPE_AUDIO] = OptionToInt(v); }},
    {"timelimit",    [](C& c, S, S) { c.Log(llWarning, "Warning: -timelimit not implemented on Windows"); }},
    {"dump",         [](C& c, S, S v) { c.FOpt.DoPktDump = OptionToBool(v); }},
    {"hex",          [](C& c, S, S v) { c.FOpt.DoHexDump = OptionToBool(v); }},
    {"re",           [](C& c, S, S v) { c.FOpt.RateEmu = OptionToBool(v); }},
    {"loop_input",   [](C& c, S, S v) { c.FOpt.LoopInput = OptionToBool(v); }},
    {"loop_output",  [](C& c, S, S v) { c.FOpt.LoopOutput = OptionToInt(v); }},
    {"v",            [](C& c, S, S v) { c.FOpt.Verbose = OptionToInt(v); }},
    {"target",       [](C& c, S, S v) { c.ParseTarget(v); }},
    {"threads",      [](C&, S n, S) { throw FFmpegException("TODO: option - " + n); }},
    {"vsync",        [](C& c, S, S v) { c.FOpt.VideoSync = OptionToInt(v); }},
    {"async",        [](C& c, S, S v) { c.FOpt.AudioSync = OptionToInt(v); }},
    {"adrift_threshold", [](C& c, S, S v) { c.FOpt.AudioDriftThreshold = static_cast<float>(OptionToFloat(v)); }},
    {"dts_delta_threshold", [](C& c, S, S v) { c.FOpt.DtsDeltaThreshold = static_cast<float>(OptionToFloat(v)); }},
    {"vglobal",      [](C& c, S, S v) { c.FOpt.VideoGlobalHeader = OptionToInt(v); }},
    {"copyts",       [](C& c, S, S) { c.FOpt.CopyTs = true; }},
    {"shortest",     [](C& c, S, S v) { c.FOpt.OptShortest = OptionToBool(v); }},
    {"programid",    [](C& c, S, S v) { c.FOpt.ProgramId = OptionToInt(v); }},
    {"xerror",       [](C& c, S, S) { c.FOpt.ExitOnError = true; }},
    {"copyinkf",     [](C& c, S, S v) { c.FOpt.CopyInitialNonKeyframes = OptionToInt(v); }},
    {"b",            [](C& c, S n, S v) { c.SetBitrate(n, v); }},
    {"vb",           [](C& c, S n, S v) { c.SetBitrate(n, v); }},
    {"ab",           [](C& c, S n, S v) { c.SetBitrate(n, v); }},
    {"r",            [](C& c, S, S v) { c.SetFrameRate(v); }},
    {"s",            [](C& c, S, S v) { c.SetFrameSize(v); }},
    {"aspect",       [](C& c, S, S v) {
                       const char* p = v.c_str();
                       double x = ReadDecimal(&p), ar = 0;
                       if (p != v.c_str()) {
                         if (*p == ':') {
                           ++p;
                           double y = ReadDecimal(&p);
                           if (y > 0) ar = x / y;
                         } else {
                           ar = x;
                         }
                       }
                       if (ar == 0) throw FFmpegException("Incorrect aspect ratio specification.");
                       c.FOpt.FrameAspectRatio = ar;
                     }},
    {"pix_fmt",      [](C& c, S, S v) {
                       if (v == "list") {
                         for (int i = 0; i < AV_PIX_FMT_NB; ++i)
                           if (const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(i)))
                             c.Log(llInfo, "%s", d->name);
                         return;
                       }
                       c.FOpt.FramePixFmt = ff::av_get_pix_fmt(v.c_str());
                       if (c.FOpt.FramePixFmt == AV_PIX_FMT_NONE)
                         throw FFmpegException::Fmt("Unknown pixel format requested: %s", v.c_str());
                     }},
    {"croptop",      [](C& c, S n, S v) { c.SetCrop(n, v); }},
    {"cropbottom",   [](C& c, S n, S v) { c.SetCrop(n, v); }},
    {"cropleft",     [](C& c, S n, S v) { c.SetCrop(n, v); }},
    {"cropright",    [](C& c, S n, S v) { c.SetCrop(n, v); }},
    {"padtop",       [](C&, S, S) { throw FFmpegException("Please use vfilters=pad"); }},
    {"padbottom",    [](C&, S, S) { throw FFmpegException("Please use vfilters=pad"); }},
    {"padleft",      [](C&, S, S) { throw FFmpegException("Please use vfilters=pad"); }},
    {"padright",     [](C&, S, S) { throw FFmpegException("Please use vfilters=pad"); }},
    {"padcolor",     [](C&, S, S) { throw FFmpegException("Please use vfilters=pad"); }},
    {"intra",        [](C& c, S, S v) { c.FOpt.IntraOnly = OptionToBool(v); }},
    {"vn",           [](C& c, S, S v) { c.FOpt.VideoDisable = OptionToBool(v); }},
    {"an",           [](C& c, S, S v) { c.FOpt.AudioDisable = OptionToBool(v); }},
    {"sn",           [](C& c, S, S v) { c.FOpt.SubtitleDisable = OptionToBool(v); }},
    {"vdt",          [](C& c, S, S v) { c.FOpt.VideoDiscard = OptionToInt(v); }},
    {"qscale",       [](C& c, S, S v) {
                       double q = OptionToFloat(v);
                       if (q <= 0 || q > 255) throw FFmpegException("qscale must be > 0.0 and <= 255");
                       c.FOpt.VideoQScale = static_cast<float>(q);
                     }},
    {"aq",           [](C& c, S, S v) { c.FOpt.AudioQScale = static_cast<float>(OptionToFloat(v)); }},
    {"rc_override",  [](C& c, S, S v) { c.FOpt.VideoRcOverrideString = v; }},
    {"vcodec",       [](C& c, S, S v) { c.SetCodecName(AVMEDIA_TYPE_VIDEO, v); }},
    {"acodec",       [](C& c, S, S v) { c.SetCodecName(AVMEDIA_TYPE_AUDIO, v); }},
    {"scodec",       [](C& c, S, S v) { c.SetCodecName(AVMEDIA_TYPE_SUBTITLE, v); }},
    {"me_threshold", [](C& c, S, S v) { c.FOpt.MeThreshold = OptionToInt(v); }},
    {"sameq",        [](C& c, S, S v) { c.FOpt.SameQuality = OptionToBool(v); }},
    {"pass",         [](C& c, S, S v) {
                       int pass = OptionToInt(v);
                       if (pass != 1 && pass != 2) throw FFmpegException("pass number can be only 1 or 2");
                       c.FOpt.DoPass = pass;
                     }},
    {"passlogfile",  [](C& c, S, S v) { c.FOpt.PassLogFileName = v; }},
    {"deinterlace",  [](C& c, S, S v) { c.FOpt.DoDeinterlace = OptionToBool(v); }},
    {"psnr",         [](C& c, S, S v) { c.FOpt.DoPSNR = OptionToBool(v); }},
    {"qphist",       [](C& c, S, S v) { c.FOpt.QpHist = OptionToBool(v); }},
    {"force_fps",    [](C& c, S, S v) { c.FOpt.ForceFps = OptionToBool(v); }},
    {"isync",        [](C& c, S, S v) { c.FOpt.InputSync = OptionToBool(v); }},
    {"vstats",       [](C& c, S, S) {
                       time_t now = time(nullptr);
                       struct tm t;
                       localtime_r(&now, &t);
                       c.FOpt.VStatsFileName = StrFmt("%svstats_%02d%02d%02d.log", ProgramFolder().c_str(),
                                                      t.tm_hour, t.tm_min, t.tm_sec);
                     }},
    {"vstats_file",  [](C& c, S, S v) { c.FOpt.VStatsFileName = v; }},
    {"vhook",        [](C& c, S, S v) { c.SetFrameHook(v); }},
    {"vfilters",     [](C& c, S, S v) { c.FOpt.VideoFilters = v; }},
    {"vf",           [](C& c, S, S v) { c.FOpt.VideoFilters = v; }},
    {"intra_matrix", [](C& c, S, S v) { c.SetMatrix(&c.FOpt.IntraMatrix, v); }},
    {"inter_matrix", [](C& c, S, S v) { c.SetMatrix(&c.FOpt.InterMatrix, v); }},
    {"top",          [](C& c, S, S v) { c.FOpt.TopFieldFirst = OptionToInt(v); }},
    {"dc",           [](C& c, S, S v) { c.FOpt.IntraDcPrecision = OptionToInt(v); }},
    {"vtag",         [](C& c, S, S v) { c.SetCodecTag(AVMEDIA_TYPE_VIDEO, v); }},
    {"atag",         [](C& c, S, S v) { c.SetCodecTag(AVMEDIA_TYPE_AUDIO, v); }},
    {"stag",         [](C& c, S, S v) { c.SetCodecTag(AVMEDIA_TYPE_SUBTITLE, v); }},
    {"newvideo",     [](C& c, S, S) { c.AddStream(AVMEDIA_TYPE_VIDEO); }},
    {"newaudio",     [](C& c, S, S) { c.AddStream(AVMEDIA_TYPE_AUDIO); }},
    {"newsubtitle",  [](C& c, S, S) { c.AddStream(AVMEDIA_TYPE_SUBTITLE); }},
    {"vlang",        [](C& c, S, S v) { c.FOpt.VideoLanguage = v; }},
    {"alang",        [](C& c, S, S v) { c.FOpt.AudioLanguage = v; }},
    {"slang",        [](C& c, S, S v) { c.FOpt.SubtitleLanguage = v; }},
    {"streamid",     [](C& c, S n, S v) { c.SetStreamId(n, v); }},
    {"ar",           [](C& c, S, S v) { if (int r = OptionToInt(v); r > 0) c.FOpt.AudioSampleRate = r; }},
    {"ac",           [](C& c, S, S v) { if (int n = OptionToInt(v); n > 0) c.FOpt.AudioChannels = n; }},
    {"vol",          [](C& c, S, S v) { c.FOpt.AudioVolume = OptionToInt(v); }},
    {"sample_fmt",   [](C& c, S, S v) {
                       if (v == "list") {
                         for (int i = 0; i < AV_SAMPLE_FMT_NB; ++i)
                           c.Log(llInfo, "%s", ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(i)));
                         return;
                       }
                       c.FOpt.AudioSampleFmt = ff::av_get_sample_fmt(v.c_str());
                     }},
    {"vc",           [](C& c, S, S v) { c.FOpt.VideoChannel = OptionToInt(v); }},
    {"tvstd",        [](C& c, S, S v) { c.FOpt.VideoStandard = v; }},
    {"muxdelay",     [](C& c, S, S v) { c.FOpt.MuxMaxDelay = static_cast<float>(OptionToFloat(v)); }},
    {"muxpreload",   [](C& c, S, S v) { c.FOpt.MuxPreload = static_cast<float>(OptionToFloat(v)); }},
    {"absf",         [](C& c, S n, S v) { c.AddBitstreamFilter(KindOfPrefix(n[0]), v); }},
    {"vbsf",         [](C& c, S n, S v) { c.AddBitstreamFilter(KindOfPrefix(n[0]), v); }},
    {"sbsf",         [](C& c, S n, S v) { c.AddBitstreamFilter(KindOfPrefix(n[0]), v); }},
    {"apre",         [](C& c, S n, S v) { c.ApplyPreset(n, v); }},
    {"vpre",         [](C& c, S n, S v) { c.ApplyPreset(n, v); }},
    {"spre",         [](C& c, S n, S v) { c.ApplyPreset(n, v); }},
    {"fpre",         [](C& c, S n, S v) { c.ApplyPreset(n, v); }},
  };
  // clang-format on
  for (const TOptionRow& r : kRows)
    if (name == r.Name) return &r;
  return nullptr;
}

void TCustomFFmpeg::ParseOption(const std::string& name, const std::string& value) {
  EnsureOptions();
  for (const char* ignored : kIgnoredOptions) {
    if (name == ignored) {
      Log(llInfo, "Do nothing: option - %s", name.c_str());
      return;
    }
  }
  if (const TOptionRow* row = FindOptionRow(name)) {
    row->Apply(*this, name, value);
    return;
  }
  SetGenericOption(name, value);  // an unknown name or a rejected value is not an error here
}

// --- Setters of the table

void TCustomFFmpeg::SetFrameRate(const std::string& value) {
  if (ff::av_parse_video_rate(&FOpt.FrameRate, value.c_str()) < 0)
    throw FFmpegException("Incorrect frame rate");
}

void TCustomFFmpeg::SetFrameSize(const std::string& value) {
  if (ff::av_parse_video_size(&FOpt.FrameWidth, &FOpt.FrameHeight, value.c_str()) < 0)
    throw FFmpegException("Incorrect frame size");
}

void TCustomFFmpeg::SetCrop(const std::string& name, const std::string& value) {
  int band = OptionToInt(value);
  if (band <= 0) return;
  bool vertical = name == "croptop" || name == "cropbottom";
  int& size = vertical ? FOpt.FrameHeight : FOpt.FrameWidth;
  if (band >= size)
    throw FFmpegException(vertical ? "Vertical crop dimensions are outside the range of the "
                                     "original image.\nRemember to crop first and scale second."
                                   : "Horizontal crop dimensions are outside the range of the "
                                     "original image.\nRemember to crop first and scale second.");
  Log(llWarning, "CropXXX is deprecated in favor of the crop avfilter");
  if (name == "croptop") FOpt.FrameTopBand = band;
  if (name == "cropbottom") FOpt.FrameBottomBand = band;
  if (name == "cropleft") FOpt.FrameLeftBand = band;
  if (name == "cropright") FOpt.FrameRightBand = band;
  size -= band;
}

void TCustomFFmpeg::SetCodecName(AVMediaType kind, const std::string& value) {
  std::string& name = kind == AVMEDIA_TYPE_VIDEO   ? FOpt.VideoCodecName
                      : kind == AVMEDIA_TYPE_AUDIO ? FOpt.AudioCodecName
                                                   : FOpt.SubtitleCodecName;
  bool& copy = kind == AVMEDIA_TYPE_VIDEO   ? FOpt.VideoStreamCopy
               : kind == AVMEDIA_TYPE_AUDIO ? FOpt.AudioStreamCopy
                                            : FOpt.SubtitleStreamCopy;
  // The later setting wins: a name after "copy" encodes again.
  copy = value == "copy";
  name = copy ? std::string() : value;
}

void TCustomFFmpeg::SetBitrate(const std::string& name, const std::string& value) {
  // "b" and "vb" are the video bit rate, "ab" the audio one. The library's table also marks "b"
  // for audio; setting it there would give the audio encoder the video's rate.
  TOptionTarget target = name == "ab" ? otAudio : otVideo;
  FOptions->SetOn(target, name == "ab" ? "ab" : "b", value);
  if (FOptions->Codec(target)->bit_rate < 1000)
    Log(llWarning,
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TCustomFFmpeg::AddBitstreamFilter(AVMediaType kind, const std::string& value) {
  std::string name = value.substr(0, value.find('='));
  const AVBitStreamFilter* f = ff::av_bsf_get_by_name(name.c_str());
  if (!f) throw FFmpegException::Fmt("Unknown bitstream filter %s", name.c_str());
  (kind == AVMEDIA_TYPE_VIDEO   ? FOpt.VideoBitstreamFilters
   : kind == AVMEDIA_TYPE_AUDIO ? FOpt.AudioBitstreamFilters
                                : FOpt.SubtitleBitstreamFilters)
      .push_back(f);
}

void TCustomFFmpeg::SetCodecTag(AVMediaType kind, const std::string& value) {
  if (value.size() != 4)
    throw FFmpegException(kind == AVMEDIA_TYPE_VIDEO   ? "video tag parameter must be 4 chars"
                          : kind == AVMEDIA_TYPE_AUDIO ? "audio tag parameter must be 4 chars"
                                                       : "subtitle tag parameter must be 4 chars");
  uint32_t tag = MKTAG(value[0], value[1], value[2], value[3]);
  (kind == AVMEDIA_TYPE_VIDEO   ? FOpt.VideoCodecTag
   : kind == AVMEDIA_TYPE_AUDIO ? FOpt.AudioCodecTag
                                : FOpt.SubtitleCodecTag) = tag;
}

void TCustomFFmpeg::SetTsScale(const std::string& value) {
  const char* p = value.c_str();
  long stream = ReadCInt(&p);
  if (*p) ++p;
  double scale = ReadDecimal(&p);
  if (stream < 0 || stream >= kMaxStreams)
    throw FFmpegException::Fmt("stream index over MAX_STREAMS(%d)", kMaxStreams);
  FOpt.InputTsScale[stream] = scale;
}

void TCustomFFmpeg::SetStreamId(const std::string& name, const std::string& value) {
  size_t colon = value.find(':');
  int index = -1;
  if (colon != std::string::npos) index = OptionToInt(value.substr(0, colon));
  if (index < 0 || index >= kMaxStreams)
    throw FFmpegException::Fmt(
        "Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", value.c_str(),
        name.c_str());
  FOpt.StreamIdMap[index] = OptionToInt(value.substr(colon + 1));
}

void TCustomFFmpeg::SetFrameHook(const std::string& value) {
  // The frame-hook unit loads the modules when the run starts.
  std::vector<std::string> words = HookWords(value);
  if (words.empty()) throw FFmpegException("Failed to add video hook function: " + value);
  FOpt.FrameHooks.push_back(std::move(words));
}

void TCustomFFmpeg::SetMatrix(std::vector<uint16_t>* matrix, const std::string& value) {
  std::vector<uint16_t> m(64);
  const char* p = value.c_str();
  for (int i = 0;; ++i) {
    m[i] = static_cast<uint16_t>(atoi(p));
    if (i == 63) break;
    p = strchr(p, ',');
    if (!p)
      throw FFmpegException::Fmt("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
    ++p;
  }
  *matrix = std::move(m);
}

void TCustomFFmpeg::AddMetadata(const std::string& value) {
  size_t eq = value.find('=');
  if (eq == std::string::npos) throw FFmpegException("Missing =");
  FOpt.Metadata.push_back({value.substr(0, eq), value.substr(eq + 1)});
}

void TCustomFFmpeg::AddStreamMap(const std::string& value) {
  const char* p = value.c_str();
  TStreamMap m;
  m.FileIndex = static_cast<int>(ReadCInt(&p));
  if (*p) ++p;
  m.StreamIndex = static_cast<int>(ReadCInt(&p));
  if (*p) {
    ++p;
    m.SyncFileIndex = static_cast<int>(ReadCInt(&p));
    if (*p) ++p;
    m.SyncStreamIndex = static_cast<int>(ReadCInt(&p));
  } else {
    m.SyncFileIndex = m.FileIndex;
    m.SyncStreamIndex = m.StreamIndex;
  }
  FOpt.StreamMaps.push_back(m);
}

void TCustomFFmpeg::AddMetaDataMap(const std::string& value) {
  const char* p = value.c_str();
  TMetaDataMap m;
  m.OutFile = static_cast<int>(ReadCInt(&p));
  if (*p) ++p;
  m.InFile = static_cast<int>(ReadCInt(&p));
  FOpt.MetaDataMaps.push_back(m);
}

// --- Generic options

TPrivateScope TCustomFFmpeg::PrivateScope() const {
  TPrivateScope scope;
  const std::string* names[3] = {&FOpt.VideoCodecName, &FOpt.AudioCodecName,
                                 &FOpt.SubtitleCodecName};
  const bool copies[3] = {FOpt.VideoStreamCopy, FOpt.AudioStreamCopy, FOpt.SubtitleStreamCopy};
  const AVMediaType kinds[3] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
  for (int k = 0; k < 3; ++k) {
    scope.Open[k] = !copies[k] && names[k]->empty();
    if (copies[k] || names[k]->empty()) continue;
    try {
      scope.Encoder[k] = FindCodec(*names[k], kinds[k], true);
    } catch (const FFmpegException&) {
      // An unusable name fails when its stream is created; here it owns no options.
    }
  }
  if (!FOpt.FileFormat.empty())
    scope.Muxer = ff::av_guess_format(FOpt.FileFormat.c_str(), nullptr, nullptr);
  return scope;
}

bool TCustomFFmpeg::SetGenericOption(const std::string& name, const std::string& value) {
  EnsureOptions();
  return FOptions->Set(name, value, PrivateScope()) == TFFOptions::orSet;
}

// --- Presets

void TCustomFFmpeg::ApplyPreset(const std::string& option, const std::string& value) {
  if (value.empty()) return;
  EnsureOptions();
  std::string text;
  bool found = false;
  if (option != "fpre") {
    found = FindBuiltinPreset(value, &text);
    if (!found) {
      std::string codec = option == "vpre"   ? FOpt.VideoCodecName
                          : option == "apre" ? FOpt.AudioCodecName
                                             : std::string();
      if (codec.empty()) codec = FOpt.SubtitleCodecName;
      if (!codec.empty()) found = FindBuiltinPreset(codec + "-" + value, &text);
    }
  }
  if (!found) {
    std::ifstream file(value, std::ios::binary);
    if (!file) throw FFmpegException::Fmt("Preset \"%s\" not found", value.c_str());
    std::ostringstream whole;
    whole << file.rdbuf();
    text = whole.str();
  }
  ApplyPresetText(value, text);
}

void TCustomFFmpeg::ApplyPresetText(const std::string& presetName, const std::string& text) {
  for (const std::string& raw : SplitOptionLines(text)) {
    std::string line = Trim(raw);
    if (line.empty()) continue;
    size_t eq = line.find('=');
    std::string key = eq == std::string::npos ? line : line.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (key.empty() || value.empty())
      throw FFmpegException::Fmt("%s: Invalid syntax: \"%s\"", presetName.c_str(), line.c_str());
    std::string lower = LowerCase(key);
    if (lower == "acodec")
      SetCodecName(AVMEDIA_TYPE_AUDIO, value);
    else if (lower == "vcodec")
      SetCodecName(AVMEDIA_TYPE_VIDEO, value);
    else if (lower == "scodec")
      SetCodecName(AVMEDIA_TYPE_SUBTITLE, value);
    else if (!SetGenericOption(key, value))
      throw FFmpegException::Fmt(
          "%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"", presetName.c_str(),
          line.c_str(), key.c_str(), value.c_str());
  }
}

// --- Disc targets

void TCustomFFmpeg::ParseTarget(const std::string& value) {
  for (const char* norm : {"pal", "ntsc", "film"}) {
    std::string prefix = std::string(norm) + "-";
    if (value.compare(0, prefix.size(), prefix) == 0) {
      ApplyTarget(value.substr(prefix.size()), norm, "ntsc");
      return;
    }
  }
  ApplyTarget(value, "auto", "ntsc");
}

void TCustomFFmpeg::ApplyTarget(const std::string& type, const std::string& norm,
                                const std::string& fallback) {
  enum TNorm { nPAL, nNTSC, nFilm, nUnknown };
  auto normOfRate = [](AVRational r) {
    long fr = std::lround(r.num * 1000.0 / r.den);
    return fr == 25000 ? nPAL : fr == 29970 || fr == 23976 ? nNTSC : nUnknown;
  };
  EnsureOptions();
  TNorm n = norm == "pal" ? nPAL : norm == "ntsc" ? nNTSC : norm == "film" ? nFilm : nUnknown;
  if (n == nUnknown) {
    if (FOpt.FrameRate.den == 0) throw FFmpegException("frame_rate is invalid.");
    n = normOfRate(FOpt.FrameRate);
    for (int i = 0; n == nUnknown && i < InputCount(); ++i) {
      AVFormatContext* ic = InputContext(i);
      for (unsigned s = 0; n == nUnknown && s < ic->nb_streams; ++s) {
        AVStream* st = ic->streams[s];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && st->r_frame_rate.den)
          n = normOfRate(st->r_frame_rate);
      }
    }
    if (n == nUnknown) n = fallback == "film" ? nFilm : fallback == "ntsc" ? nNTSC : nPAL;
    if (FOpt.Verbose > 0) Log(llInfo, "Assuming %s for target.", n == nPAL ? "PAL" : "NTSC");
  }
  static const char* const kRates[] = {"25", "30000/1001", "24000/1001"};
  const bool ntsc = n == nNTSC;
  const char* gop = ntsc ? "18" : "15";
  auto assumeAspect = [this](double ar, const char* text) {
    if (FOpt.FrameAspectRatio != 0) return;
    FOpt.FrameAspectRatio = ar;
    Log(llInfo, "Assuming %s for aspect ratio", text);
  };

  if (type == "vcd") {
    ParseOption("vcodec", "mpeg1video");
    ParseOption("acodec", "mp2");
    ParseOption("f", "vcd");
    ParseOption("s", ntsc ? "352x240" : "352x288");
    ParseOption("r", kRates[n]);
    ParseOption("g", gop);
    ParseOption("b", "1150000");
    ParseOption("maxrate", "1150000");
    ParseOption("minrate", "1150000");
    ParseOption("bufsize", "327680");  // 40 KiB × 8
    ParseOption("ab", "224000");
    FOpt.AudioSampleRate = 44100;
    FOpt.AudioChannels = 2;
    ParseOption("packetsize", "2324");
    ParseOption("muxrate", "1411200");  // 2352 bytes × 75 sectors × 8
    // The first timestamps must lie behind the system clock of the first pack.
    FOpt.MuxPreload = (36000 + 3 * 1200) / 90000.0f;
    assumeAspect(4.0 / 3.0, "4:3");
  } else if (type == "svcd") {
    ParseOption("vcodec", "mpeg2video");
    ParseOption("acodec", "mp2");
    ParseOption("f", "svcd");
    ParseOption("s", ntsc ? "480x480" : "480x576");
    ParseOption("r", kRates[n]);
    ParseOption("g", gop);
    ParseOption("b", "2040000");
    ParseOption("maxrate", "2516000");
    ParseOption("minrate", "0");
    ParseOption("bufsize", "1835008");  // 224 KiB × 8
    // Formerly the codec flag "+scan_offset"; an option of the MPEG-2 encoder now.
    ParseOption("scan_offset", "1");
    ParseOption("ab", "224000");
    FOpt.AudioSampleRate = 44100;
    if (FOpt.AudioChannels == 1) FOpt.AudioChannels = 2;
    ParseOption("packetsize", "2324");
    assumeAspect(4.0 / 3.0, "4:3");
  } else if (type == "dvd") {
    ParseOption("vcodec", "mpeg2video");
    ParseOption("acodec", "ac3");
    ParseOption("f", "dvd");
    ParseOption("s", ntsc ? "720x480" : "720x576");
    ParseOption("r", kRates[n]);
    ParseOption("g", gop);
    ParseOption("b", "6000000");
    ParseOption("maxrate", "9000000");
    ParseOption("minrate", "0");
    ParseOption("bufsize", "1835008");
    ParseOption("packetsize", "2048");   // one DVD sector
    ParseOption("muxrate", "10080000");  // 1260000 bytes/s × 8
    ParseOption("ab", "448000");
    FOpt.AudioSampleRate = 48000;
    if (FOpt.AudioChannels == 1) FOpt.AudioChannels = 2;
    assumeAspect(16.0 / 9.0, "16:9");
  } else if (type == "dv" || type == "dv50") {
    ParseOption("f", "dv");
    ParseOption("s", ntsc ? "720x480" : "720x576");
    ParseOption("pix_fmt", type == "dv50" ? "yuv422p" : ntsc ? "yuv411p" : "yuv420p");
    ParseOption("r", kRates[n]);
    FOpt.AudioSampleRate = 48000;
    FOpt.AudioChannels = 2;
  } else {
    throw FFmpegException("Unknown target type");
  }
}
