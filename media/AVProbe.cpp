#include "media/AVProbe.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "engine/UnicodeProtocol.h"
#include "platform/SysThread.h"

namespace {

constexpr TLibraries kProbeLibraries{avCodec, avFormat, avUtil, swScale};
constexpr AVRational kMicroseconds{1, 1000000};
constexpr int kCodecDescriptionSize = 256;
constexpr int kMaxAspectTerm = 1024 * 1024;

const char kFileNotLoaded[] = "file not loaded.";
const char kReadOnlyHandle[] = "file cannot be seeked, handle is readonly.";
const char kEOFReached[] = "stream eof reached.";

static_assert(TSeekFlags{sfBackward}.Mask() == AVSEEK_FLAG_BACKWARD);
static_assert(TSeekFlags{sfByte}.Mask() == AVSEEK_FLAG_BYTE);
static_assert(TSeekFlags{sfAny}.Mask() == AVSEEK_FLAG_ANY);
static_assert(TSeekFlags{sfFrame}.Mask() == AVSEEK_FLAG_FRAME);
static_assert(int{ptI} == AV_PICTURE_TYPE_I && int{ptBI} == AV_PICTURE_TYPE_BI);

struct TKindTexts {
  AVMediaType type;
  const char* none;     // no stream of the kind
  const char* notKind;  // the stream is of another kind
};
// clang-format off
constexpr TKindTexts kKindTexts[] = {
  {AVMEDIA_TYPE_AUDIO,    "no audio stream.",    "stream #%d is not audio stream."},
  {AVMEDIA_TYPE_VIDEO,    "no video stream.",    "stream #%d is not video stream."},
  {AVMEDIA_TYPE_SUBTITLE, "no subtitle stream.", "stream #%d is not subtitle stream."},
};

struct TKeyName {
  const char* key;
  const char* shown;
};
constexpr TKeyName kID3v2Names[] = {
  {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},
  {"TCON", "genre"},     {"TCO", "genre"},      {"TCOP", "copyright"},
  {"TDRL", "date"},      {"TENC", "encoder"},   {"TEN",  "encoder"},
  {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
  {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},
  {"TPUB", "publisher"}, {"TRCK", "track"},     {"TRK",  "track"},
  {"TSOA", "albumsort"}, {"TSOP", "authorsort"},{"TSOT", "titlesort"},
  {"TYER", "year"},
};
// clang-format on

const TKindTexts& KindTexts(AVMediaType type) {
  for (const auto& k : kKindTexts)
    if (k.type == type) return k;
  return kKindTexts[0];
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

const char* DictValue(const AVDictionary* dict, const char* key) {
  const AVDictionaryEntry* e = ff::av_dict_get(dict, key, nullptr, 0);
  return e ? e->value : nullptr;
}

std::string DictString(const AVDictionary* dict, const char* key) {
  const char* v = DictValue(dict, key);
  return v ? v : "";
}

// Leading decimal number of a tag such as "2004-05-01" or "3/12"; 0 when there is none.
int32_t DictNumber(const AVDictionary* dict, const char* key) {
  const char* v = DictValue(dict, key);
  return v ? static_cast<int32_t>(strtol(v, nullptr, 10)) : 0;
}

bool IsLanguageKey(const char* key) {
  return ff::av_strcasecmp(key, "language") == 0;
}

int64_t ToMicroseconds(int64_t value, AVRational timeBase) {
  return ff::av_rescale_q(value, timeBase, kMicroseconds);
}

// The container's creation time ("creation_time", ISO 8601) in seconds since 1970; 0 when none.
int64_t CreationTime(const AVDictionary* dict) {
  const char* v = DictValue(dict, "creation_time");
  int64_t us = 0;
  if (!v || ff::av_parse_time(&us, v, 0) < 0) return 0;
  return us / 1000000;
}

// Local standard time: the daylight bias is not applied.
std::string LocalStandardTimeText(int64_t utcSeconds) {
  time_t local = static_cast<time_t>(utcSeconds - int64_t{platform::TimeZoneBiasMinutes()} * 60);
  tm t{};
  gmtime_r(&local, &t);
  return StrFmt("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
}

std::string CodecName(const AVStream* st) {
  const AVCodecParameters* par = st->codecpar;
  if (const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id)) {
    std::string longName = Trim(codec->long_name ? codec->long_name : "");
    if (longName.empty()) return codec->name;
    return StrFmt("%s(%s)", codec->name, longName.c_str());
  }
  if (par->codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  // Codec parameters carry no name of their own: the codec's registered name stands in.
  if (const AVCodecDescriptor* d = ff::avcodec_descriptor_get(par->codec_id)) {
    std::string name = Trim(d->name ? d->name : "");
    if (!name.empty()) return name;
  }
  uint32_t tag = par->codec_tag;
  char c[4];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    c[i] = static_cast<char>((tag >> (8 * i)) & 0xff);
    printable = printable && c[i] >= 32 && c[i] <= 126;
  }
  if (printable) return StrFmt("%c%c%c%c / 0x%04X", c[0], c[1], c[2], c[3], tag);
  return StrFmt("0x%04x", tag);
}

// The library's one-line description of the stream's codec, as a decoder would see it.
std::string CodecDescription(const AVStream* st) {
  const AVCodec* decoder = ff::avcodec_find_decoder(st->codecpar->codec_id);
  TCodecContextPtr ctx(ff::avcodec_alloc_context3(decoder));
  if (!ctx || ff::avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return "";
  char buf[kCodecDescriptionSize] = {0};
  ff::avcodec_string(buf, sizeof buf, ctx.get(), 0);
  return buf;
}

void AddMetadataLines(std::string& text, const AVDictionary* dict, const char* prefix) {
  int count = dict ? ff::av_dict_count(dict) : 0;
  if (count == 0) return;
  const AVDictionaryEntry* e = ff::av_dict_get(dict, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (count == 1 && IsLanguageKey(e->key)) return;
  text += StrFmt("%sMetadata:\n", prefix);
  for (; e; e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)) {
    if (IsLanguageKey(e->key)) continue;
    text += StrFmt("%s  %-16s: %s\n", prefix, probetext::MetadataKeyName(e->key), e->value);
  }
}

bool KnownRate(AVRational q) {
  return q.num != 0 && q.den != 0;
}

}  // namespace

// ---- report texts ----

namespace probetext {

std::string DurationText(int64_t us) {
  if (us == kNoTime) return "N/A";
  int64_t ms = us / 1000;
  int64_t secs = ms / 1000;
  return StrFmt("%.2lld:%.2lld:%.2lld.%.3lld", static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60),
                static_cast<long long>(ms % 1000));
}

std::string SizeText(int64_t bytes) {
  if (bytes > 1073741824) return StrFmt("%.2f GB", bytes / 1073741824.0);
  if (bytes > 1048576) return StrFmt("%.2f MB", bytes / 1048576.0);
  if (bytes > 1024) return StrFmt("%.2f KB", bytes / 1024.0);
  return StrFmt("%lld Byte", static_cast<long long>(bytes));
}

std::string RateText(double d, const char* label) {
  int64_t v = llround(d * 100);
  if (v % 100 != 0) return StrFmt(", %3.2f %s", d, label);
  if (v % (100 * 1000) != 0) return StrFmt(", %1.0f %s", d, label);
  return StrFmt(", %1.0fk %s", d / 1000, label);
}

std::string SecondsText(int64_t us) {
  const char* sign = us < 0 ? "-" : "";
  uint64_t a = us < 0 ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
  return StrFmt("%s%llu.%.6llu", sign, static_cast<unsigned long long>(a / 1000000),
                static_cast<unsigned long long>(a % 1000000));
}

const char* MetadataKeyName(const char* key) {
  for (const auto& k : kID3v2Names)
    if (strcmp(k.key, key) == 0) return k.shown;
  return key;
}

}  // namespace probetext

// ---- TCustomAVProbe ----

TCustomAVProbe::TCustomAVProbe() {
  UpdateFileInfo();
}

TCustomAVProbe::~TCustomAVProbe() {
  TCustomAVProbe::CloseFile();
}

bool TCustomAVProbe::Fail(TLogLevel ALevel, const std::string& AMsg) {
  FLastErrMsg = AMsg;
  FFLogger().Log(this, ALevel, AMsg);
  return false;
}

void TCustomAVProbe::CheckLibraries() const {
  struct TCheck {
    TLibrary lib;
    const char* msg;
  };
  static constexpr TCheck kChecks[] = {{avCodec, "LibAVCodec not loaded."},
                                       {avFormat, "LibAVFormat not loaded."},
                                       {avUtil, "LibAVUtil not loaded."},
                                       {swScale, "LibSwScale not loaded."}};
  for (const auto& c : kChecks)
    if (!FFLoader().Loaded(c.lib)) throw FFmpegException(c.msg);
}

bool TCustomAVProbe::AVLibLoaded() const {
  return FFLoader().Loaded(kProbeLibraries);
}

bool TCustomAVProbe::LoadAVLib(const std::string& APath) {
  FFLoader().SetLibraryPath(APath);
  if (FFLoader().Load(kProbeLibraries)) return true;
  FLastErrMsg = FFLoader().LastErrMsg();
  return false;
}

void TCustomAVProbe::UnloadAVLib() {
  FFLoader().Unload(kProbeLibraries);
}

bool TCustomAVProbe::LoadFile(const std::string& AFileName, const std::string& AFormatName) {
  CheckLibraries();
  CloseFile();
  try {
    if (!OpenFile(AFileName, AFormatName)) return false;
  } catch (const FFmpegException& e) {
    CloseHandle();
    return Fail(llError, e.what());
  }
  UpdateFileInfo();
  FForceFormat = AFormatName;
  return true;
}

bool TCustomAVProbe::OpenFile(const std::string& AFileName, const std::string& AFormatName) {
  const AVInputFormat* format = nullptr;
  if (!AFormatName.empty()) {
    format = ff::av_find_input_format(AFormatName.c_str());
    if (!format) {
      FLastErrMsg = StrFmt("Unknown input format: %s", AFormatName.c_str());
      return false;
    }
  }
  std::string libName = ToLibFileName(AFileName);
  int ret = ff::avformat_open_input(&FFileHandle, libName.c_str(), format, nullptr);
  if (ret < 0) {
    FFileHandle = nullptr;  // the library frees the context on failure
    return Fail(llError, AFileName + ": " + AVErrorText(ret));
  }
  FOwnHandle = true;
  {
    TCodecLock lock;
    ret = ff::avformat_find_stream_info(FFileHandle, nullptr);
  }
  if (ret < 0) {
    FLastErrMsg = StrFmt("%s: could not find codec parameters", AFileName.c_str());
    CloseHandle();
    return false;
  }
  return true;
}

void TCustomAVProbe::CloseHandle() {
  if (FFileHandle && FOwnHandle) ff::avformat_close_input(&FFileHandle);
  FFileHandle = nullptr;
  FOwnHandle = false;
}

void TCustomAVProbe::CloseFile() {
  FForceFormat.clear();
  CloseHandle();
  UpdateFileInfo();
}

void TCustomAVProbe::SetFileHandle(AVFormatContext* AHandle) {
  CheckLibraries();
  CloseFile();
  FFileHandle = AHandle;
  FOwnHandle = false;
  UpdateFileInfo();
}

std::string TCustomAVProbe::FileName() const {
  if (!FFileHandle || !FFileHandle->url) return "";
  return FromLibFileName(FFileHandle->url);
}

std::string TCustomAVProbe::FormatName() const {
  return FFileHandle && FFileHandle->iformat ? FFileHandle->iformat->name : "";
}

std::string TCustomAVProbe::FormatLongName() const {
  if (!FFileHandle || !FFileHandle->iformat || !FFileHandle->iformat->long_name) return "";
  return FFileHandle->iformat->long_name;
}

int64_t TCustomAVProbe::SizeOfOpenFile() const {
  int64_t size = FFileHandle->pb ? ff::avio_size(FFileHandle->pb) : -1;
  if (size > 0) return size;
  struct stat st;
  std::string name = FileName();
  if (!name.empty() && stat(name.c_str(), &st) == 0) return S_ISREG(st.st_mode) ? st.st_size : -1;
  // An error code of the reader is not a size.
  return size < 0 ? -1 : size;
}

void TCustomAVProbe::UpdateFileInfo() {
  FFileSize = -1;
  FStreamCount = FProgramCount = -1;
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
  FFirstAudioStreamIndex = FFirstVideoStreamIndex = FFirstSubtitleStreamIndex = -1;
  if (!FFileHandle) return;
  FFileSize = SizeOfOpenFile();
  FStreamCount = static_cast<int>(FFileHandle->nb_streams);
  FProgramCount = static_cast<int>(FFileHandle->nb_programs);
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
  for (int i = 0; i < FStreamCount; ++i) {
    switch (FFileHandle->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        if (FAudioStreamCount++ == 0) FFirstAudioStreamIndex = i;
        break;
      case AVMEDIA_TYPE_VIDEO:
        if (FVideoStreamCount++ == 0) FFirstVideoStreamIndex = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (FSubtitleStreamCount++ == 0) FFirstSubtitleStreamIndex = i;
        break;
      default:
        break;
    }
  }
}

bool TCustomAVProbe::CheckFileLoaded() {
  if (FFileHandle) return true;
  return Fail(llWarning, kFileNotLoaded);
}

AVStream* TCustomAVProbe::Stream(int AStreamIndex) const {
  AVStream* st = FFileHandle->streams[AStreamIndex];
  if (st->time_base.den == 0) st->time_base.den = st->time_base.num != 0 ? st->time_base.num : 1;
  return st;
}

TFileStreamInfo TCustomAVProbe::FileStreamInfo() {
  TFileStreamInfo info;
  if (!CheckFileLoaded()) return info;
  const AVFormatContext* ic = FFileHandle;
  info.StartTime = ic->start_time == kNoTime ? -1 : ic->start_time;
  info.Duration = ic->duration == kNoTime ? -1 : ic->duration;
  info.BitRate = static_cast<int32_t>(ic->bit_rate);
  info.TimeStamp = CreationTime(ic->metadata);
  info.Year = DictNumber(ic->metadata, "year");
  if (info.Year == 0) info.Year = DictNumber(ic->metadata, "date");
  info.Track = DictNumber(ic->metadata, "track");
  info.Title = DictString(ic->metadata, "title");
  info.Author = DictString(ic->metadata, "author");
  info.Copyright = DictString(ic->metadata, "copyright");
  info.Comment = DictString(ic->metadata, "comment");
  info.Album = DictString(ic->metadata, "album");
  info.Genre = DictString(ic->metadata, "genre");
  return info;
}

bool TCustomAVProbe::IsStreamType(int AStreamIndex, AVMediaType AType) {
  if (!CheckFileLoaded()) return false;
  if (AStreamIndex < 0 || AStreamIndex >= FStreamCount)
    return Fail(llError, StrFmt("stream index #%d is invalid.", AStreamIndex));
  return FFileHandle->streams[AStreamIndex]->codecpar->codec_type == AType;
}

bool TCustomAVProbe::IsAudioStream(int i) {
  return IsStreamType(i, AVMEDIA_TYPE_AUDIO);
}
bool TCustomAVProbe::IsVideoStream(int i) {
  return IsStreamType(i, AVMEDIA_TYPE_VIDEO);
}
bool TCustomAVProbe::IsSubtitleStream(int i) {
  return IsStreamType(i, AVMEDIA_TYPE_SUBTITLE);
}

AVStream* TCustomAVProbe::StreamOfType(int AStreamIndex, AVMediaType AType) {
  if (!CheckFileLoaded()) return nullptr;
  const TKindTexts& texts = KindTexts(AType);
  if (AStreamIndex < 0) {
    AStreamIndex = AType == AVMEDIA_TYPE_AUDIO   ? FFirstAudioStreamIndex
                   : AType == AVMEDIA_TYPE_VIDEO ? FFirstVideoStreamIndex
                                                 : FFirstSubtitleStreamIndex;
    if (AStreamIndex < 0) {
      Fail(llError, texts.none);
      return nullptr;
    }
  }
  if (AStreamIndex >= FStreamCount) {
    Fail(llError, StrFmt("stream index #%d is invalid.", AStreamIndex));
    return nullptr;
  }
  AVStream* st = Stream(AStreamIndex);
  if (st->codecpar->codec_type != AType) {
    Fail(llError, StrFmt(texts.notKind, AStreamIndex));
    return nullptr;
  }
  return st;
}

namespace {
// The fields the three stream records share.
template <typename TInfo>
void FillTimes(TInfo& info, const AVStream* st) {
  info.Language = DictString(st->metadata, "language");
  info.CodecName = CodecName(st);
  if (st->start_time != kNoTime) {
    info.StartTime = st->start_time;
    info.StartTimeScaled = ToMicroseconds(st->start_time, st->time_base);
  }
  if (st->duration != kNoTime) {
    info.Duration = st->duration;
    info.DurationScaled = ToMicroseconds(st->duration, st->time_base);
  }
}
}  // namespace

TAudioStreamInfo TCustomAVProbe::AudioStreamInfo(int AStreamIndex) {
  TAudioStreamInfo info;
  const AVStream* st = StreamOfType(AStreamIndex, AVMEDIA_TYPE_AUDIO);
  if (!st) return info;
  FillTimes(info, st);
  const AVCodecParameters* par = st->codecpar;
  info.BitRate = static_cast<int32_t>(par->bit_rate);
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = par->format;
  return info;
}

TVideoStreamInfo TCustomAVProbe::VideoStreamInfo(int AStreamIndex) {
  TVideoStreamInfo info;
  const AVStream* st = StreamOfType(AStreamIndex, AVMEDIA_TYPE_VIDEO);
  if (!st) return info;
  FillTimes(info, st);
  const AVCodecParameters* par = st->codecpar;
  info.BitRate = static_cast<int32_t>(par->bit_rate);
  info.Height = par->height;
  info.Width = par->width;
  AVRational sar = par->sample_aspect_ratio;
  // An unknown picture height or sample aspect (0/1) gives 0 rather than a division by zero.
  info.AspectRatio = sar.den != 0 && par->height != 0
                         ? static_cast<float>(static_cast<long double>(par->width) * sar.num /
                                              sar.den / par->height)
                         : 0.0f;
  info.PixFmt = par->format;
  if (KnownRate(st->r_frame_rate)) info.FrameRate = st->r_frame_rate;
  return info;
}

TSubtitleStreamInfo TCustomAVProbe::SubtitleStreamInfo(int AStreamIndex) {
  TSubtitleStreamInfo info;
  const AVStream* st = StreamOfType(AStreamIndex, AVMEDIA_TYPE_SUBTITLE);
  if (!st) return info;
  info.Language = DictString(st->metadata, "language");
  info.CodecName = CodecName(st);
  return info;
}

std::string TCustomAVProbe::FileInfoText() {
  if (!CheckFileLoaded()) return "";
  TFileStreamInfo info = FileStreamInfo();
  const AVFormatContext* ic = FFileHandle;
  std::string text;
  text += "File Name: " + FileName() + "\n";
  text += "Format Name: " + FormatName() + "\n";
  text += "Format Long Name: " + FormatLongName() + "\n";
  text += "File Size: " + probetext::SizeText(FFileSize) + "\n";
  text += info.Duration < 0 ? std::string("Duration: N/A\n")
                            : "Duration: " + probetext::DurationText(info.Duration) + "\n";
  if (info.StartTime >= 0) text += "StartTime: " + probetext::SecondsText(info.StartTime) + "\n";
  text += info.BitRate < 1 ? std::string("Bit Rate: N/A\n")
                           : StrFmt("Bit Rate: %d kb/s\n", info.BitRate / 1000);
  if (info.TimeStamp > 0) text += "Time Stamp: " + LocalStandardTimeText(info.TimeStamp) + "\n";
  AddMetadataLines(text, ic->metadata, "");

  std::vector<bool> shown(ic->nb_streams, false);
  for (unsigned p = 0; p < ic->nb_programs; ++p) {
    const AVProgram* prog = ic->programs[p];
    // The transport-stream demuxer names these "service_provider" and "service_name".
    const char* provider = DictValue(prog->metadata, "service_provider");
    if (!provider) provider = DictValue(prog->metadata, "provider_name");
    const char* name = DictValue(prog->metadata, "service_name");
    if (!name) name = DictValue(prog->metadata, "name");
    text +=
        StrFmt("Program %d %s@%s\n", prog->id, provider ? provider : "N/A", name ? name : "N/A");
    AddMetadataLines(text, prog->metadata, "  ");
    for (unsigned k = 0; k < prog->nb_stream_indexes; ++k) {
      unsigned i = prog->stream_index[k];
      if (i >= ic->nb_streams) continue;
      AddStreamLines(text, static_cast<int>(i));
      shown[i] = true;
    }
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (!shown[i]) AddStreamLines(text, static_cast<int>(i));
  return text;
}

void TCustomAVProbe::AddStreamLines(std::string& text, int AStreamIndex) const {
  const AVStream* st = Stream(AStreamIndex);
  const AVCodecParameters* par = st->codecpar;
  std::string line = StrFmt("Stream #%d", AStreamIndex);
  if (FFileHandle->iformat && (FFileHandle->iformat->flags & AVFMT_SHOW_IDS))
    line += StrFmt("[0x%x]", st->id);
  if (const char* lang = DictValue(st->metadata, "language")) line += StrFmt("(%s)", lang);
  int64_t g = ff::av_gcd(st->time_base.num, st->time_base.den);
  if (g == 0) g = 1;
  line += StrFmt(", %lld/%lld", static_cast<long long>(st->time_base.num / g),
                 static_cast<long long>(st->time_base.den / g));
  line += ": " + CodecDescription(st);
  if (st->sample_aspect_ratio.num != 0 &&
      av_cmp_q(st->sample_aspect_ratio, par->sample_aspect_ratio) != 0) {
    AVRational dar;
    ff::av_reduce(&dar.num, &dar.den, int64_t{par->width} * st->sample_aspect_ratio.num,
                  int64_t{par->height} * st->sample_aspect_ratio.den, kMaxAspectTerm);
    line += StrFmt(", PAR %d:%d DAR %d:%d", st->sample_aspect_ratio.num,
                   st->sample_aspect_ratio.den, dar.num, dar.den);
  }
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (KnownRate(st->avg_frame_rate))
      line += probetext::RateText(av_q2d(st->avg_frame_rate), "fps");
    if (KnownRate(st->r_frame_rate)) line += probetext::RateText(av_q2d(st->r_frame_rate), "tbr");
    if (KnownRate(st->time_base)) line += probetext::RateText(1 / av_q2d(st->time_base), "tbn");
    // "tbc" needs a codec time base, which codec parameters do not carry: left out.
  }
  if (st->start_time != kNoTime)
    line += ", StartTime: " + probetext::SecondsText(ToMicroseconds(st->start_time, st->time_base));
  if (st->duration == kNoTime)
    line += ", Duration: N/A";
  else
    line += ", Duration: " + probetext::DurationText(ToMicroseconds(st->duration, st->time_base));
  text += line + "\n";
  AddMetadataLines(text, st->metadata, "  ");
}

// ---- TAVProbe ----

TAVProbe::TAVProbe() = default;

TAVProbe::~TAVProbe() {
  CloseFile();
  FPictureBuffer.reset();
  FPacket.reset();
  FFrame.reset();
  FRGBContext.Release();
}

void TAVProbe::UpdateFileInfo() {
  TCustomAVProbe::UpdateFileInfo();
  FSeekIndex = FirstVideoStreamIndex() >= 0 ? FirstVideoStreamIndex() : FirstAudioStreamIndex();
  FStartTime = 0;
  if (!FileLoaded()) return;
  int64_t start =
      FSeekIndex >= 0 ? FileHandle()->streams[FSeekIndex]->start_time : FileHandle()->start_time;
  FStartTime = start == kNoTime ? 0 : start;
}

void TAVProbe::CloseFile() {
  FSeekIndex = -1;
  FStartTime = -1;
  FDecodeIndex = -1;
  FEOF = false;
  ClearPicture();
  FLastPTS = kNoTime;
  FLastPos = -1;
  CloseDecoder();
  FRGBContext.Release();
  TCustomAVProbe::CloseFile();
}

void TAVProbe::ClearPicture() {
  if (FPicture.PTS != kNoTime) FLastPTS = FPicture.PTS;
  if (FPicture.Position >= 0) FLastPos = FPicture.Position;
  FPicture.PTS = kNoTime;
  FPicture.Position = -1;
  FPicture.Ready = false;
}

void TAVProbe::CloseDecoder() {
  if (FCodec) {
    TCodecLock lock;
    FCodec.reset();
  }
  FCodecStream = -1;
  FDraining = false;
}

int64_t TAVProbe::ReaderPosition() const {
  AVIOContext* pb = FileHandle() ? FileHandle()->pb : nullptr;
  return pb ? ff::avio_seek(pb, 0, SEEK_CUR) : -1;
}

int64_t TAVProbe::Position() {
  if (!CheckFileLoaded()) return -1;
  if (!FileHandle()->pb) {
    Fail(llWarning, "cannot get position");
    return -1;
  }
  return ReaderPosition();
}

bool TAVProbe::IsStillImageFormat() const {
  // Single pictures open as "image2" or, detected by content, as one of the "*_pipe" formats.
  std::string name = FormatName();
  if (ff::av_strcasecmp(name.c_str(), "image2") == 0) return true;
  const std::string pipe = "_pipe";
  return name.size() > pipe.size() &&
         name.compare(name.size() - pipe.size(), pipe.size(), pipe) == 0;
}

bool TAVProbe::CheckSeekable() {
  if (!CheckFileLoaded()) return false;
  if (!OwnHandle()) {
    Fail(llWarning, kReadOnlyHandle);
    throw FFmpegException(kReadOnlyHandle);
  }
  return true;
}

bool TAVProbe::Seek(int64_t APTS, TSeekFlags ASeekFlags) {
  if (!CheckSeekable()) return false;
  if (IsStillImageFormat())
    return Fail(llInfo, StrFmt("\"%s\" format cannot to be seeked.", "image2"));
  AVFormatContext* ic = FileHandle();
  if (ic->pb)
    FFLogger().LogFmt(this, llDebug, "currunt position %lld bytes", (long long)ReaderPosition());

  int64_t target = APTS < 0 ? 0 : APTS;
  if (!ASeekFlags.Contains(sfByte)) {
    if (FSeekIndex >= 0)
      target = ff::av_rescale_q(target, kMicroseconds, Stream(FSeekIndex)->time_base);
    if (FStartTime > 0) target += FStartTime;
  }
  if (FCodec) ff::avcodec_flush_buffers(FCodec.get());
  FDraining = false;
  FEOF = false;
  ClearPicture();

  int ret;
  if (APTS > 0) {
    ret = ff::av_seek_frame(ic, FSeekIndex, target, ASeekFlags.Mask());
  } else {
    ret = ff::av_seek_frame(ic, FSeekIndex, 0, (ASeekFlags + sfBackward).Mask());
    if (ret < 0) ret = ff::av_seek_frame(ic, FSeekIndex, APTS, (ASeekFlags - sfBackward).Mask());
  }
  bool result = ret >= 0;
  if (!result) {
    if (ASeekFlags.Contains(sfByte))
      Fail(llError, StrFmt("could not seek to position %lld bytes", (long long)APTS));
    else
      Fail(llError, StrFmt("could not seek to position %0.3f seconds", APTS / 1000000.0));
  }
  if (ic->pb) {
    FFLogger().LogFmt(this, llDebug, "seek to position %lld bytes", (long long)ReaderPosition());
    if (ff::avio_feof(ic->pb)) {
      if (result) Fail(llInfo, kEOFReached);
      FEOF = true;
      result = false;
    }
  }
  return result;
}

int TAVProbe::SelectDecodeStream(int AStreamIndex) {
  if (!CheckSeekable()) return -1;
  int index = AStreamIndex;
  if (index < 0) {
    index = FDecodeIndex >= 0 ? FDecodeIndex : FirstVideoStreamIndex();
    if (index < 0) {
      Fail(llError, "no video stream.");
      return -1;
    }
  }
  if (index >= StreamCount()) {
    Fail(llError, StrFmt("stream index #%d is invalid.", index));
    return -1;
  }
  if (FileHandle()->streams[index]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
    Fail(llError, StrFmt("stream #%d is not video stream.", index));
    return -1;
  }
  if (index != FDecodeIndex) ClearPicture();
  FDecodeIndex = index;
  return index;
}

int64_t TAVProbe::FrameDuration(int AStreamIndex) const {
  AVRational rate = FileHandle()->streams[AStreamIndex]->r_frame_rate;
  int64_t d = rate.num > 0 && rate.den > 0 ? int64_t{1000000} * rate.den / rate.num : 0;
  // The stepping loops need a positive step.
  return d > 0 ? d : 40000;
}

bool TAVProbe::OpenDecoder() {
  const AVStream* st = Stream(FDecodeIndex);
  const AVCodecParameters* par = st->codecpar;
  if (par->width == 0 || par->height == 0) return Fail(llError, "frame size of codec is invalid.");
  if (FCodec && FCodecStream == FDecodeIndex) return true;
  CloseDecoder();
  const AVCodec* decoder = ff::avcodec_find_decoder(par->codec_id);
  if (!decoder)
    return Fail(llError, StrFmt("Unsupported codec (id=%d) for input file stream #%d",
                                par->codec_id, FDecodeIndex));
  TCodecContextPtr ctx(ff::avcodec_alloc_context3(decoder));
  bool opened = ctx && ff::avcodec_parameters_to_context(ctx.get(), par) >= 0;
  if (opened) {
    ctx->pkt_timebase = st->time_base;
    TCodecLock lock;
    opened = ff::avcodec_open2(ctx.get(), decoder, nullptr) >= 0;
    if (!opened) ctx.reset();  // closed under the lock as well
  }
  if (!opened)
    return Fail(llError,
                StrFmt("Error while opening codec for input file stream #%d", FDecodeIndex));
  if (!FPacket) FPacket.reset(ff::av_packet_alloc());
  if (!FFrame) FFrame.reset(ff::av_frame_alloc());
  if (!FPacket || !FFrame) return Fail(llError, "Not enough memory");
  FCodec = std::move(ctx);
  FCodecStream = FDecodeIndex;
  FDraining = false;
  return true;
}

bool TAVProbe::Decode(int AStreamIndex) {
  if (SelectDecodeStream(AStreamIndex) < 0) return false;
  if (FPicture.Ready && IsStillImageFormat()) return true;
  if (FEOF) return Fail(llInfo, kEOFReached);
  if (!OpenDecoder()) return false;
  if (DecodePicture()) return true;
  FEOF = true;
  return Fail(llInfo, kEOFReached);
}

// Reads packets until the decoder hands out a picture; at the end of the file the decoder is
// drained, so pictures it still holds come out before the end is reported.
bool TAVProbe::DecodePicture() {
  AVFormatContext* ic = FileHandle();
  AVCodecContext* codec = FCodec.get();
  const int64_t readerPos = ReaderPosition();
  for (;;) {
    int ret = ff::avcodec_receive_frame(codec, FFrame.get());
    if (ret == 0) {
      FFLogger().LogFmt(this, llDebug, "pkt.st_idx=%d, dts=%lld, pts=%lld, flags=%d, pict_type=%d",
                        FDecodeIndex, (long long)FSentDTS, (long long)FSentPTS, FSentFlags,
                        FFrame->pict_type);
      StorePicture(*FFrame, FSentPos >= 0 ? FSentPos : readerPos);
      ff::av_frame_unref(FFrame.get());
      return true;
    }
    if (ret == AVERROR_EOF || FDraining) return false;
    if (ff::av_read_frame(ic, FPacket.get()) < 0) {
      ff::avcodec_send_packet(codec, nullptr);
      FDraining = true;
      continue;
    }
    if (FPacket->stream_index == FDecodeIndex) {
      FSentDTS = FPacket->dts;
      FSentPTS = FPacket->pts;
      FSentPos = FPacket->pos;
      FSentFlags = FPacket->flags;
      // A packet the decoder refuses gives no picture; reading goes on.
      ff::avcodec_send_packet(codec, FPacket.get());
    }
    ff::av_packet_unref(FPacket.get());
  }
}

void TAVProbe::StorePicture(const AVFrame& frame, int64_t position) {
  const AVPixelFormat fmt = static_cast<AVPixelFormat>(frame.format);
  int size = ff::av_image_get_buffer_size(fmt, frame.width, frame.height, 1);
  if (size > 0 && (!FPictureBuffer || FPicture.Size < size)) {
    FPictureBuffer.reset();
    FPicture.Buffer = nullptr;
    FPicture.Size = 0;
    FPictureBuffer.reset(static_cast<uint8_t*>(ff::av_malloc(size)));
    if (FPictureBuffer) FPicture.Size = size;
    FPicture.Buffer = FPictureBuffer.get();
  }
  FPicture.PixFmt = fmt;
  FPicture.Width = frame.width;
  FPicture.Height = frame.height;
  FPicture.IsKeyFrame = frame.key_frame == 1;
  const int type = frame.pict_type;
  FPicture.PictureType =
      type >= ptUnknown && type <= ptBI ? static_cast<TPictureType>(type) : ptUnknown;

  const AVStream* st = Stream(FDecodeIndex);
  int64_t time = frame.pkt_dts != kNoTime ? frame.pkt_dts
                 : frame.pts != kNoTime   ? frame.pts
                                          : FSentPTS;
  if (FPicture.PTS != kNoTime) FLastPTS = FPicture.PTS;
  if (time == kNoTime) {
    FPicture.PTS = kNoTime;
  } else {
    if (st->start_time != kNoTime) time -= st->start_time;
    FPicture.PTS = ToMicroseconds(time, st->time_base);
    ff::av_log(nullptr, AV_LOG_DEBUG, "decode PTS: %0.3f\n", FPicture.PTS / 1000000.0);
  }
  FPicture.OriginalDTS = FSentDTS;
  FPicture.OriginalPTS = FSentPTS;
  FPicture.StreamIndex = FDecodeIndex;
  if (FPicture.Position >= 0) FLastPos = FPicture.Position;
  FPicture.Position = position;

  FPicture.Picture = TPicture{};
  if (size <= 0 || FPicture.Size < size) {
    FPicture.Ready = false;
    return;
  }
  ff::av_image_fill_arrays(FPicture.Picture.data, FPicture.Picture.linesize, FPicture.Buffer, fmt,
                           frame.width, frame.height, 1);
  ff::av_image_copy(FPicture.Picture.data, FPicture.Picture.linesize,
                    const_cast<const uint8_t**>(frame.data), frame.linesize, fmt, frame.width,
                    frame.height);
  FPicture.Ready = true;
}

bool TAVProbe::DecodeNextKeyFrame(int AStreamIndex) {
  int index = SelectDecodeStream(AStreamIndex);
  if (index < 0) return false;
  int64_t d = FrameDuration(index);
  int64_t target = FPicture.PTS > 0 ? FPicture.PTS + d : d;
  return Seek(target) && Decode(index);
}

bool TAVProbe::DecodePreviousKeyFrame(int AStreamIndex) {
  int index = SelectDecodeStream(AStreamIndex);
  if (index < 0) return false;
  const int64_t d = FrameDuration(index);
  int64_t t = FPicture.PTS != kNoTime ? FPicture.PTS : FLastPTS;
  if (t == kNoTime) {
    int64_t duration = FileHandle()->duration;
    t = duration == kNoTime || duration < 0 ? 0 : duration;
  }
  const int64_t p = FPicture.Position >= 0 ? FPicture.Position : FLastPos;
  // Each step goes one frame duration further back; the steps end once they pass the start.
  for (int64_t h = 1;; ++h) {
    const bool beforeStart = t < h * d;
    bool decoded = Seek(t - h * d, {sfBackward}) && Decode(index);
    // The reader's position after a seek says nothing for demuxers that read by their index,
    // so the landing point is judged by the picture the seek leads to.
    if (decoded && !beforeStart && p > 0 && FPicture.Position >= p) continue;
    if (decoded && (FPicture.PTS < t || FPicture.PTS <= 0)) return true;
    if (beforeStart) break;
  }
  SetLastErrMsg("Could not seek to the previous key-frame. " + LastErrMsg());
  return false;
}

bool TAVProbe::DecodePreviousFrame(int AStreamIndex) {
  int index = SelectDecodeStream(AStreamIndex);
  if (index < 0) return false;
  const int64_t d = FrameDuration(index);
  int64_t t = FPicture.PTS != kNoTime ? FPicture.PTS - 2 * d
              : FLastPTS != kNoTime   ? FLastPTS - 2 * d
                                      : -2 * d;
  if (!DecodePreviousKeyFrame(index)) return false;
  while (!(FPicture.Ready && FPicture.PTS != kNoTime && FPicture.PTS > t))
    if (!Decode(index)) return false;
  return true;
}

bool TAVProbe::CopyToBitmap(platform::TBitmap& ABitmap) {
  if (!FPicture.Ready) return Fail(llError, "picture not ready, please decode first");
  if (FRGBContext.Convert(FPicture.Picture, FPicture.PixFmt, FPicture.Width, FPicture.Height)) {
    const platform::TBitmap& src = *FRGBContext.Bitmap();
    ABitmap.SetSize(src.Width(), src.Height());
    memcpy(ABitmap.Bits(), src.Bits(), src.ByteSize());
    return true;
  }
  ABitmap.SetSize(FPicture.Width, FPicture.Height);
  ABitmap.Fill(0, 0, 0);
  ff::av_log(nullptr, AV_LOG_ERROR, "convert picture to bitmap failed\n");
  return false;
}
