// Opening of a converter's inputs and outputs and the lookup of codecs by name.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/AVErrors.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "engine/UnicodeProtocol.h"

namespace {

// Encoders that the output catalogue names but today's libraries lack, and what replaces them.
struct TEncoderAlias {
  const char* Name;
  const char* Replacement;
};
// clang-format off
constexpr TEncoderAlias kEncoderAliases[] = {
  {"libfaac", "aac"},
};
// clang-format on
std::atomic<bool> gAliasLogged[std::size(kEncoderAliases)];

int KindFlag(AVMediaType kind) {
  switch (kind) {
    case AVMEDIA_TYPE_VIDEO:
      return AV_OPT_FLAG_VIDEO_PARAM;
    case AVMEDIA_TYPE_AUDIO:
      return AV_OPT_FLAG_AUDIO_PARAM;
    case AVMEDIA_TYPE_SUBTITLE:
      return AV_OPT_FLAG_SUBTITLE_PARAM;
    default:
      return 0;
  }
}

bool HasPrivateOption(const AVClass* cls, const char* name) {
  return cls && ff::av_opt_find(&cls, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

// A name the library opens as a local file (not a protocol address).
bool IsLocalLibName(const std::string& libName) {
  if (libName.compare(0, 5, "file:") == 0) return true;
  size_t colon = libName.find(':');
  size_t slash = libName.find('/');
  return colon == std::string::npos || (slash != std::string::npos && slash < colon);
}

std::string CreationTimeText(int64_t seconds) {
  time_t t = static_cast<time_t>(seconds);
  struct tm utc;
  gmtime_r(&t, &utc);
  char buf[64];
  strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
  return buf;
}

[[noreturn]] void ThrowWithPrefix(const char* fmt, const FFmpegException& e) {
  throw FFmpegException::Fmt(fmt, e.what());
}

}  // namespace

// --- Codec lookup

const AVCodec* TCustomFFmpeg::FindCodec(const std::string& name, AVMediaType kind,
                                        bool encoder) const {
  if (name.empty()) return nullptr;
  const char* what = encoder ? "encoder" : "decoder";
  const AVCodec* codec = encoder ? ff::avcodec_find_encoder_by_name(name.c_str())
                                 : ff::avcodec_find_decoder_by_name(name.c_str());
  for (size_t i = 0; !codec && encoder && i < std::size(kEncoderAliases); ++i) {
    if (name != kEncoderAliases[i].Name) continue;
    codec = ff::avcodec_find_encoder_by_name(kEncoderAliases[i].Replacement);
    if (codec && !gAliasLogged[i].exchange(true))
      Log(llInfo, "Encoder '%s' is not available, using '%s' instead", kEncoderAliases[i].Name,
          kEncoderAliases[i].Replacement);
  }
  if (!codec) throw FFmpegException::Fmt("Unknown %s '%s'", what, name.c_str());
  if (codec->type != kind) throw FFmpegException::Fmt("Invalid %s type '%s'", what, name.c_str());
  AVCodecContext* opts = FOptions ? FOptions->Codec(TargetOfKind(kind)) : nullptr;
  int strict = opts ? opts->strict_std_compliance : FF_COMPLIANCE_NORMAL;
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strict > FF_COMPLIANCE_EXPERIMENTAL) {
    std::string msg = StrFmt(
        "%s '%s' is experimental and might produce bad results.\r\nAdd '-strict experimental' "
        "if you want to use it.",
        what, name.c_str());
    const AVCodec* other =
        encoder ? ff::avcodec_find_encoder(codec->id) : ff::avcodec_find_decoder(codec->id);
    if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
      msg += "\r\n" + StrFmt("Or use the non experimental %s '%s'.", what, other->name);
    throw FFmpegException(msg);
  }
  return codec;
}

// --- Inputs

void TCustomFFmpeg::DoOpenInput(const std::string& fileName) {
  const AVInputFormat* fmt = nullptr;
  if (!FOpt.FileFormat.empty()) {
    std::string forced = std::move(FOpt.FileFormat);
    FOpt.FileFormat.clear();
    fmt = ff::av_find_input_format(forced.c_str());
    if (!fmt) throw FFmpegException::Fmt("Unknown input format: \"%s\"", forced.c_str());
  }

  TFormatContextPtr pending(ff::avformat_alloc_context());
  if (!pending) throw FFmpegException("avformat_alloc_context failed");
  // Parameters for formats that cannot tell them themselves (raw audio and video, devices,
  // image sequences); a demuxer without such an option leaves it unused.
  TDictionary params;
  params.Set("sample_rate", std::to_string(FOpt.AudioSampleRate));
  if (fmt && !HasPrivateOption(fmt->priv_class, "ch_layout")) {
    params.Set("channels", std::to_string(FOpt.AudioChannels));
  } else {
    AVChannelLayout layout;
    ff::av_channel_layout_default(&layout, FOpt.AudioChannels);
    char text[64];
    if (ff::av_channel_layout_describe(&layout, text, sizeof text) > 0)
      params.Set("ch_layout", text);
    ff::av_channel_layout_uninit(&layout);
  }
  if (FOpt.FrameRate.num && FOpt.FrameRate.den)
    params.Set("framerate", StrFmt("%d/%d", FOpt.FrameRate.num, FOpt.FrameRate.den));
  if (FOpt.FrameWidth && FOpt.FrameHeight)
    params.Set("video_size", StrFmt("%dx%d", FOpt.FrameWidth, FOpt.FrameHeight));
  if (FOpt.FramePixFmt != AV_PIX_FMT_NONE)
    params.Set("pixel_format", ff::av_get_pix_fmt_name(FOpt.FramePixFmt));
  if (FOpt.VideoChannel) params.Set("channel", std::to_string(FOpt.VideoChannel));
  if (!FOpt.VideoStandard.empty()) params.Set("standard", FOpt.VideoStandard);
  if (FOpt.LoopInput) params.Set("loop", "1");
  FOptions->CopyTo(pending.get(), otFormat, AV_OPT_FLAG_DECODING_PARAM);

  const AVCodec* forced[3] = {FindCodec(FOpt.VideoCodecName, AVMEDIA_TYPE_VIDEO, false),
                              FindCodec(FOpt.AudioCodecName, AVMEDIA_TYPE_AUDIO, false),
                              FindCodec(FOpt.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false)};
  if (forced[0]) pending->video_codec_id = forced[0]->id, pending->video_codec = forced[0];
  if (forced[1]) pending->audio_codec_id = forced[1]->id, pending->audio_codec = forced[1];
  if (forced[2]) pending->subtitle_codec_id = forced[2]->id, pending->subtitle_codec = forced[2];

  std::string libName = ToLibFileName(fileName);
  AVFormatContext* ic = pending.release();  // freed by avformat_open_input when it fails
  int r = ff::avformat_open_input(&ic, libName.c_str(), fmt, params.Ptr());
  if (r < 0) throw FFmpegException(fileName + ": " + AVErrorText(r));
  auto in = std::make_unique<TInputFile>();
  in->Context.reset(ic);
  in->FileName = fileName;

  if (FOpt.ProgramId) {
    bool found = false;
    for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
      AVProgram* prog = ic->programs[p];
      if (prog->id != FOpt.ProgramId) continue;
      found = true;
      for (unsigned j = 0; j < prog->nb_stream_indexes; ++j)
        ic->streams[prog->stream_index[j]]->discard = AVDISCARD_DEFAULT;
    }
    if (!found) throw FFmpegException("Specified program id not found");
    FOpt.ProgramId = 0;
  }

  {
    TCodecLock lock;
    r = ff::avformat_find_stream_info(ic, nullptr);
  }
  if (r < 0 && FOpt.Verbose >= 0) {
    std::string msg = fileName + ": could not find codec parameters";
    Log(llVerbose, "%s", msg.c_str());
    throw FFmpegException(msg);
  }

  int64_t timestamp = FOpt.StartTime;
  if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
  if (FOpt.StartTime != 0) {
    if (ff::av_seek_frame(ic, -1, timestamp, AVSEEK_FLAG_BACKWARD) < 0 && FOpt.Verbose > 0)
      Log(llVerbose, "%s: could not seek to position %0.3f", fileName.c_str(),
          static_cast<double>(timestamp) / AV_TIME_BASE);
    FOpt.StartTime = 0;
  }

  in->Streams.resize(ic->nb_streams);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    AVCodecParameters* par = st->codecpar;
    TInputStreamSetup& setup = in->Streams[i];
    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO: {
        FOptions->CollectInto(&setup.DecoderOptions, otVideo,
                              AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
        int lowres = FOptions->IsSet("lowres", otVideo) ? FOptions->Codec(otVideo)->lowres : 0;
        FOpt.FrameWidth = par->width >> lowres;
        FOpt.FrameHeight = par->height >> lowres;
        AVRational sar =
            st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
        if (par->width > 0 && par->height > 0)
          FOpt.FrameAspectRatio = av_q2d(sar) * par->width / par->height;
        else
          FOpt.FrameAspectRatio = sar.num ? av_q2d(sar) : 4.0 / 3.0;
        if (par->format < 0) par->format = 0;
        FOpt.FramePixFmt = static_cast<AVPixelFormat>(par->format);
        AVRational container = st->r_frame_rate, codec = st->avg_frame_rate;
        if (FOpt.Verbose >= 0 && container.num && container.den && codec.num && codec.den &&
            av_cmp_q(container, codec) != 0)
          Log(llInfo,
              "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) "
              "-> %2.2f (%d/%d)",
              i, av_q2d(codec), codec.num, codec.den, av_q2d(container), container.num,
              container.den);
        FOpt.FrameRate = container.num && container.den ? container : codec;
        setup.ForcedDecoder = forced[0];
        if (FOpt.VideoDisable)
          st->discard = AVDISCARD_ALL;
        else if (FOpt.VideoDiscard)
          st->discard = static_cast<AVDiscard>(FOpt.VideoDiscard);
        break;
      }
      case AVMEDIA_TYPE_AUDIO:
        FOptions->CollectInto(&setup.DecoderOptions, otAudio,
                              AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
        if (par->ch_layout.nb_channels > 0) FOpt.AudioChannels = par->ch_layout.nb_channels;
        FOpt.AudioChannelLayout =
            par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
        if (par->sample_rate > 0) FOpt.AudioSampleRate = par->sample_rate;
        FOpt.AudioSampleFmt = static_cast<AVSampleFormat>(par->format);
        setup.ForcedDecoder = forced[1];
        if (FOpt.AudioDisable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        FOptions->CollectInto(&setup.DecoderOptions, otSubtitle,
                              AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_DECODING_PARAM);
        setup.ForcedDecoder = forced[2];
        if (FOpt.SubtitleDisable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_ATTACHMENT:
        break;
      default:
        throw FFmpegException("invalid codec_type");
    }
  }

  // The expected duration: the recording time when one is set, else the longest input.
  if (FOpt.RecordingTime == INT64_MAX && ic->duration != AV_NOPTS_VALUE &&
      ic->duration > FTotalOutputDuration)
    FTotalOutputDuration = ic->duration;

  in->TsOffset = FOpt.InputTsOffset - (FOpt.CopyTs ? 0 : timestamp);
  in->TsScale = FOpt.InputTsScale;
  FOpt.InputTsScale = {};
  if (FOpt.Verbose >= 0) ff::av_dump_format(ic, InputCount(), libName.c_str(), 0);
  Finput_files.push_back(std::move(in));
  FOpt.VideoChannel = 0;
  FOpt.VideoCodecName.clear();
  FOpt.AudioCodecName.clear();
  FOpt.SubtitleCodecName.clear();
}

// --- Outputs

int TCustomFFmpeg::DoOpenOutput(const std::string& fileName, bool join) {
  if (FJoinMode) throw FFmpegException("Cannot join more than one output file.");
  FUseFilters = !FOpt.VideoFilters.empty();

  std::string libName = ToLibFileName(fileName);
  const AVOutputFormat* ofmt = nullptr;
  if (!FOpt.FileFormat.empty()) {
    std::string forced = std::move(FOpt.FileFormat);
    FOpt.FileFormat.clear();
    ofmt = ff::av_guess_format(forced.c_str(), nullptr, nullptr);
    if (!ofmt)
      throw FFmpegException::Fmt("Requested output format '%s' is not a suitable output format",
                                 forced.c_str());
  } else {
    ofmt = ff::av_guess_format(nullptr, libName.c_str(), nullptr);
    if (!ofmt)
      throw FFmpegException::Fmt("Unable to find a suitable output format for '%s'",
                                 fileName.c_str());
  }
  AVFormatContext* oc = nullptr;
  if (ff::avformat_alloc_output_context2(&oc, ofmt, nullptr, nullptr) < 0 || !oc)
    throw FFmpegException("avformat_alloc_context failed");
  auto out = std::make_shared<TOutputFile>();
  out->Context.reset(oc);
  out->FileName = fileName;
  ff::av_freep(&oc->url);
  oc->url = ff::av_strdup(libName.c_str());  // the name the format sees

  // Kinds: what the format or the options ask for, and what the inputs have.
  bool use[3] = {
      ofmt->video_codec != AV_CODEC_ID_NONE || FOpt.VideoStreamCopy || !FOpt.VideoCodecName.empty(),
      ofmt->audio_codec != AV_CODEC_ID_NONE || FOpt.AudioStreamCopy || !FOpt.AudioCodecName.empty(),
      ofmt->subtitle_codec != AV_CODEC_ID_NONE || FOpt.SubtitleStreamCopy ||
          !FOpt.SubtitleCodecName.empty()};
  if (InputCount() > 0) {
    bool has[3] = {false, false, false};
    int files = join ? 1 : InputCount();
    for (int f = 0; f < files; ++f) {
      AVFormatContext* ic = InputContext(f);
      for (unsigned s = 0; s < ic->nb_streams; ++s) {
        switch (ic->streams[s]->codecpar->codec_type) {
          case AVMEDIA_TYPE_VIDEO:
            has[0] = true;
            break;
          case AVMEDIA_TYPE_AUDIO:
            has[1] = true;
            break;
          case AVMEDIA_TYPE_SUBTITLE:
            has[2] = true;
            break;
          case AVMEDIA_TYPE_DATA:
          case AVMEDIA_TYPE_ATTACHMENT:
            break;
          default:
            throw FFmpegException(
                "check_audio_video_sub_inputs fail: invalid codec_type of input file");
        }
      }
    }
    for (int k = 0; k < 3; ++k) use[k] = use[k] && has[k];
  }
  if (FOpt.VideoDisable) use[0] = false;
  if (FOpt.AudioDisable) use[1] = false;
  if (FOpt.SubtitleDisable) use[2] = false;
  try {
    if (use[0]) NewStream(*out, AVMEDIA_TYPE_VIDEO);
  } catch (const FFmpegException& e) {
    ThrowWithPrefix("new_video_stream fail: %s", e);
  }
  try {
    if (use[1]) NewStream(*out, AVMEDIA_TYPE_AUDIO);
  } catch (const FFmpegException& e) {
    ThrowWithPrefix("new_audio_stream fail: %s", e);
  }
  try {
    if (use[2]) NewStream(*out, AVMEDIA_TYPE_SUBTITLE);
  } catch (const FFmpegException& e) {
    ThrowWithPrefix("new_subtitle_stream fail: %s", e);
  }

  // Tags: the recording time, then the pairs in the order given, so that a later pair (a
  // record's tag after the extra lines) wins over an earlier one of the same key.
  if (FOpt.RecTimestamp)
    ff::av_dict_set(&oc->metadata, "creation_time", CreationTimeText(FOpt.RecTimestamp).c_str(), 0);
  for (const TOptionLine& tag : FOpt.Metadata)
    ff::av_dict_set(&oc->metadata, tag.Name.c_str(), tag.Value.c_str(), 0);
  FOpt.Metadata.clear();

  if ((ofmt->flags & AVFMT_NEEDNUMBER) && !ff::av_filename_number_test(libName.c_str()))
    throw FFmpegException(fileName + ": " + AVErrorText(AVERROR(EDOM)));
  if (!(ofmt->flags & AVFMT_NOFILE)) {
    // A local file is written under a temporary name (see OutputFiles.h).
    std::string writeName = libName;
    if (IsLocalLibName(libName)) {
      out->TempFileName = CreateTempOutputFile(fileName);
      writeName = ToLibFileName(out->TempFileName);
    }
    // The muxer still sees the final name (some check its extension).
    int r = ff::avio_open(&oc->pb, writeName.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) throw FFmpegException(fileName + ": " + AVErrorText(r));
  }

  oc->max_delay = static_cast<int>(FOpt.MuxMaxDelay * AV_TIME_BASE);
  if (oc->priv_data && HasPrivateOption(ofmt->priv_class, "preload"))
    ff::av_opt_set_int(oc->priv_data, "preload",
                       static_cast<int64_t>(FOpt.MuxPreload * AV_TIME_BASE), 0);
  if (oc->priv_data && HasPrivateOption(ofmt->priv_class, "loop"))
    ff::av_opt_set_int(oc->priv_data, "loop", FOpt.LoopOutput, 0);
  oc->flags |= AVFMT_FLAG_NONBLOCK;
  FOptions->CopyTo(oc, otFormat, AV_OPT_FLAG_ENCODING_PARAM);
  FOptions->ApplyMuxerOptions(oc);
  FOpt.StreamIdMap = {};

  if (join && InputCount() > 1) {
    FJoinMode = true;
    int64_t sum = 0;
    bool known = false;
    for (int i = 0; i < InputCount(); ++i) {
      int64_t d = InputContext(i)->duration;
      if (d == AV_NOPTS_VALUE || d <= 0) continue;
      sum += d;
      known = true;
    }
    FTotalOutputDuration = known ? sum : -1;
    for (int i = 0; i < InputCount(); ++i) Foutput_files.push_back(out);
  } else {
    Foutput_files.push_back(out);
  }
  return OutputCount();
}

void TCustomFFmpeg::AddStream(AVMediaType kind) {
  if (Foutput_files.empty()) throw FFmpegException("At least one output file must be specified");
  NewStream(*Foutput_files.back(), kind);
}

namespace {

// MPEG program streams cannot tell which codecs they hold before the header is written.
bool ProgramStreamRefuses(const AVOutputFormat* of, const AVCodec* codec) {
  static const char* const kFormats[] = {"mpeg", "vob", "svcd", "vcd", "dvd"};
  static const AVCodecID kAudio[] = {AV_CODEC_ID_MP1,     AV_CODEC_ID_MP2,       AV_CODEC_ID_MP3,
                                     AV_CODEC_ID_PCM_DVD, AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_AC3,
                                     AV_CODEC_ID_DTS};
  if (codec->type != AVMEDIA_TYPE_AUDIO) return false;
  if (std::none_of(std::begin(kFormats), std::end(kFormats),
                   [of](const char* f) { return strcmp(f, of->name) == 0; }))
    return false;
  return std::find(std::begin(kAudio), std::end(kAudio), codec->id) == std::end(kAudio);
}

bool FormatRefuses(const AVOutputFormat* of, const AVCodec* codec) {
  return ff::avformat_query_codec(of, codec->id, FF_COMPLIANCE_NORMAL) == 0 ||
         ProgramStreamRefuses(of, codec);
}

}  // namespace

// A named encoder whose codec the container refuses would only fail when the header is written
// (AAC in an MPEG program stream, say): the container's own codec of that kind is used instead.
const AVCodec* TCustomFFmpeg::EncoderTheFormatHolds(AVFormatContext* oc, const AVCodec* codec,
                                                    AVMediaType kind) const {
  if (!codec || !FormatRefuses(oc->oformat, codec)) return codec;
  AVCodecID id = kind == AVMEDIA_TYPE_VIDEO   ? oc->oformat->video_codec
                 : kind == AVMEDIA_TYPE_AUDIO ? oc->oformat->audio_codec
                                              : oc->oformat->subtitle_codec;
  const AVCodec* fallback = id != AV_CODEC_ID_NONE ? ff::avcodec_find_encoder(id) : nullptr;
  if (!fallback) return codec;
  Log(llWarning, "Codec '%s' cannot be stored in the '%s' format, using '%s' instead",
      codec->name, oc->oformat->name, fallback->name);
  return fallback;
}

void TCustomFFmpeg::NewStream(TOutputFile& out, AVMediaType kind) {
  AVFormatContext* oc = out.Context.get();
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) throw FFmpegException("Could not alloc stream");
  if (st->index < kMaxStreams && FOpt.StreamIdMap[st->index]) st->id = FOpt.StreamIdMap[st->index];

  const bool video = kind == AVMEDIA_TYPE_VIDEO, audio = kind == AVMEDIA_TYPE_AUDIO;
  std::string& codecName = video   ? FOpt.VideoCodecName
                           : audio ? FOpt.AudioCodecName
                                   : FOpt.SubtitleCodecName;
  bool& copy = video   ? FOpt.VideoStreamCopy
               : audio ? FOpt.AudioStreamCopy
                       : FOpt.SubtitleStreamCopy;
  bool& disable = video ? FOpt.VideoDisable : audio ? FOpt.AudioDisable : FOpt.SubtitleDisable;
  auto& filters = video   ? FOpt.VideoBitstreamFilters
                  : audio ? FOpt.AudioBitstreamFilters
                          : FOpt.SubtitleBitstreamFilters;
  const std::string& language = video   ? FOpt.VideoLanguage
                                : audio ? FOpt.AudioLanguage
                                        : FOpt.SubtitleLanguage;

  TOutputStream os;
  os.Stream = st;
  os.Kind = kind;
  os.BitstreamFilters = std::move(filters);
  filters.clear();
  os.CodecTag = video ? FOpt.VideoCodecTag : audio ? FOpt.AudioCodecTag : FOpt.SubtitleCodecTag;
  if (copy) {
    os.StreamCopy = true;
    if (video && FOpt.FrameAspectRatio > 0 && FOpt.FrameWidth > 0 && FOpt.FrameHeight > 0)
      st->sample_aspect_ratio =
          ff::av_d2q(FOpt.FrameAspectRatio * FOpt.FrameHeight / FOpt.FrameWidth, 255);
  } else {
    const AVCodec* codec = EncoderTheFormatHolds(oc, FindCodec(codecName, kind, true), kind);
    os.CodecId = codec ? codec->id
                       : ff::av_guess_codec(oc->oformat, nullptr,
                                            ToLibFileName(out.FileName).c_str(), nullptr, kind);
    if (!codec && os.CodecId != AV_CODEC_ID_NONE) codec = ff::avcodec_find_encoder(os.CodecId);
    os.Encoder = codec;
    os.EncoderContext.reset(ff::avcodec_alloc_context3(codec));
    if (!os.EncoderContext) throw FFmpegException("Could not alloc stream");
    AVCodecContext* enc = os.EncoderContext.get();
    enc->codec_type = kind;
    enc->codec_id = os.CodecId;
    FOptions->CopyTo(enc, TargetOfKind(kind), KindFlag(kind) | AV_OPT_FLAG_ENCODING_PARAM);
    FOptions->PrivateOptionsFor(codec, kind, &os.EncoderOptions);
    if (os.CodecTag) enc->codec_tag = os.CodecTag;
    if (video) {
      SetupVideoEncoder(out, os);
      KeepBitrateInRange(enc);
    }
    if (audio) SetupAudioEncoder(out, os);
    ReleasePrivateState(enc);
  }
  if (!language.empty()) ff::av_dict_set(&st->metadata, "language", language.c_str(), 0);
  out.Streams.push_back(std::move(os));

  // Each stream takes its own codec settings.
  codecName.clear();
  copy = false;
  disable = false;
  if (video) FOpt.FramePixFmt = AV_PIX_FMT_NONE;
}

// An encoder's private state can be large (FLAC's is 6.8 MB) and avcodec_open2 makes it again
// with its defaults and the stream's private options; a task waiting in a long list does not
// hold it meanwhile.
void TCustomFFmpeg::ReleasePrivateState(AVCodecContext* enc) const {
  if (!enc->priv_data) return;
  if (enc->codec && enc->codec->priv_class) ff::av_opt_free(enc->priv_data);
  ff::av_freep(&enc->priv_data);
}

// A disc target fixes the rate range (VCD: exactly 1150 kbit/s); a bit rate chosen outside it
// would make the encoder refuse to open, so it is moved to the nearest end of the range.
void TCustomFFmpeg::KeepBitrateInRange(AVCodecContext* enc) const {
  int64_t rate = enc->bit_rate;
  if (enc->rc_min_rate > 0 && rate < enc->rc_min_rate) rate = enc->rc_min_rate;
  if (enc->rc_max_rate > 0 && rate > enc->rc_max_rate) rate = enc->rc_max_rate;
  if (rate == enc->bit_rate) return;
  Log(llWarning, "Video bit rate %lld is outside %lld..%lld, using %lld",
      static_cast<long long>(enc->bit_rate), static_cast<long long>(enc->rc_min_rate),
      static_cast<long long>(enc->rc_max_rate), static_cast<long long>(rate));
  enc->bit_rate = rate;
}

void TCustomFFmpeg::SetupVideoEncoder(TOutputFile& out, TOutputStream& os) {
  AVCodecContext* enc = os.EncoderContext.get();
  const AVCodec* codec = os.Encoder;
  AVRational fps = FOpt.FrameRate.num && FOpt.FrameRate.den ? FOpt.FrameRate : AVRational{25, 1};
  if (codec && codec->supported_framerates && !FOpt.ForceFps)
    fps = codec->supported_framerates[ff::av_find_nearest_q_idx(fps, codec->supported_framerates)];
  enc->framerate = fps;
  enc->time_base = av_inv_q(fps);
  enc->width = FOpt.FrameWidth;
  enc->height = FOpt.FrameHeight;
  if (FOpt.FrameAspectRatio > 0 && enc->width > 0 && enc->height > 0) {
    enc->sample_aspect_ratio = ff::av_d2q(FOpt.FrameAspectRatio * enc->height / enc->width, 255);
    os.Stream->sample_aspect_ratio = enc->sample_aspect_ratio;
  }
  enc->pix_fmt = FOpt.FramePixFmt;
  if (codec && codec->pix_fmts) {
    const AVPixelFormat* p = codec->pix_fmts;
    while (*p != AV_PIX_FMT_NONE && *p != enc->pix_fmt) ++p;
    if (*p == AV_PIX_FMT_NONE) enc->pix_fmt = codec->pix_fmts[0];
  }
  if (FOpt.IntraOnly) enc->gop_size = 0;
  if (FOpt.VideoQScale != 0 || FOpt.SameQuality) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(FF_QP2LAMBDA * FOpt.VideoQScale);
  }
  auto matrix = [](const std::vector<uint16_t>& m) {
    auto* p = static_cast<uint16_t*>(ff::av_malloc(64 * sizeof(uint16_t)));
    if (p) std::copy(m.begin(), m.end(), p);
    return p;
  };
  if (FOpt.IntraMatrix.size() == 64) enc->intra_matrix = matrix(FOpt.IntraMatrix);
  if (FOpt.InterMatrix.size() == 64) enc->inter_matrix = matrix(FOpt.InterMatrix);

  // "start,end,q/start,end,q...": q > 0 a fixed quantizer, q ≤ 0 a quality factor of −q %.
  const char* p = FOpt.VideoRcOverrideString.empty() ? nullptr : FOpt.VideoRcOverrideString.c_str();
  for (int i = 0; p; ++i) {
    int start, end, q;
    if (sscanf(p, "%d,%d,%d", &start, &end, &q) != 3)
      throw FFmpegException("error parsing rc_override");
    void* grown = ff::av_realloc(enc->rc_override, sizeof(RcOverride) * (i + 1));
    if (!grown) throw FFmpegException("error parsing rc_override");
    enc->rc_override = static_cast<RcOverride*>(grown);
    enc->rc_override_count = i + 1;
    RcOverride& o = enc->rc_override[i];
    o.start_frame = start;
    o.end_frame = end;
    o.qscale = q > 0 ? q : 0;
    o.quality_factor = q > 0 ? 1.0f : -q / 100.0f;
    p = strchr(p, '/');
    if (p) ++p;
  }
  if (!enc->rc_initial_buffer_occupancy)
    enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
  enc->intra_dc_precision = FOpt.IntraDcPrecision - 8;
  if (FOpt.DoPSNR) enc->flags |= AV_CODEC_FLAG_PSNR;
  if (FOpt.DoPass == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
  if (FOpt.DoPass == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
  if ((FOpt.VideoGlobalHeader & 1) ||
      (FOpt.VideoGlobalHeader == 0 && (out.Context->oformat->flags & AVFMT_GLOBALHEADER)))
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (FOpt.VideoGlobalHeader & 2) enc->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
}

void TCustomFFmpeg::SetupAudioEncoder(TOutputFile& out, TOutputStream& os) {
  AVCodecContext* enc = os.EncoderContext.get();
  const AVCodec* codec = os.Encoder;
  int channels = FOpt.AudioChannels;
  AVChannelLayout layout{};
  if (FOpt.AudioChannelLayout && __builtin_popcountll(FOpt.AudioChannelLayout) == channels)
    ff::av_channel_layout_from_mask(&layout, FOpt.AudioChannelLayout);
  else
    ff::av_channel_layout_default(&layout, channels);
  if (codec && codec->ch_layouts) {
    const AVChannelLayout* match = nullptr;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
      if (ff::av_channel_layout_compare(l, &layout) == 0) {
        match = l;
        break;
      }
      if (!match && l->nb_channels == channels) match = l;
    }
    if (match) {
      ff::av_channel_layout_uninit(&layout);
      ff::av_channel_layout_copy(&layout, match);
    }
  }
  ff::av_channel_layout_uninit(&enc->ch_layout);
  ff::av_channel_layout_copy(&enc->ch_layout, &layout);
  ff::av_channel_layout_uninit(&layout);

  int rate = FOpt.AudioSampleRate;
  if (codec && codec->supported_samplerates) {
    int best = 0, bestDist = INT_MAX;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
      int dist = std::abs(rate - *r);
      if (dist < bestDist) bestDist = dist, best = *r;
    }
    if (bestDist)
      Log(llWarning, "Requested sampling rate unsupported using closest supported (%d)", best);
    rate = best;
  }
  enc->sample_rate = rate;
  enc->time_base = AVRational{1, rate};
  enc->sample_fmt = FOpt.AudioSampleFmt;
  if (codec && codec->sample_fmts) {
    const AVSampleFormat* f = codec->sample_fmts;
    while (*f != AV_SAMPLE_FMT_NONE && *f != enc->sample_fmt) ++f;
    if (*f == AV_SAMPLE_FMT_NONE) enc->sample_fmt = codec->sample_fmts[0];
  }
  if (FOpt.AudioQScale > kQScaleNone) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(FF_QP2LAMBDA * FOpt.AudioQScale);
  }
  if (out.Context->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}
