// Set-up of a run: the stream tables, the source of every output stream, stream copy or
// encoding, the codecs, tags and chapters, the headers and the stream mapping.
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "engine/Transcode.h"

namespace {

// Tags that describe how the source was encoded; the output gets its own.
bool IsEncodingTag(const char* key) {
  return ff::av_strcasecmp(key, "encoder") == 0;
}

void CopyTags(AVDictionary** dst, const AVDictionary* src, bool dropEncodingTags) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(src, "", e, AV_DICT_IGNORE_SUFFIX))) {
    if (dropEncodingTags && IsEncodingTag(e->key)) continue;
    ff::av_dict_set(dst, e->key, e->value, AV_DICT_DONT_OVERWRITE);
  }
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

}  // namespace

// --- Input tables (B.1)

void TTranscodeRun::SetupInputs() {
  const int64_t now = ff::av_gettime_relative();
  for (int i = 0; i < C.InputCount(); ++i) {
    const TInputFile& in = C.Input(i);
    TRunInputFile f;
    f.Context = C.InputContext(i);
    f.FirstStream = static_cast<int>(FInputStreams.size());
    f.StreamCount = static_cast<int>(f.Context->nb_streams);
    f.TsOffset = in.TsOffset;
    f.TsScale = in.TsScale;
    for (int s = 0; s < f.StreamCount; ++s) {
      TRunInputStream ist;
      ist.FileIndex = i;
      ist.StreamIndex = s;
      ist.Stream = f.Context->streams[s];
      ist.Setup = &in.Streams[s];
      if (FOpt.RateEmu) ist.Start = now;
      FInputStreams.push_back(std::move(ist));
    }
    FInputFiles.push_back(f);
  }
}

// --- Output streams and their sources (B.2, B.3)

void TTranscodeRun::SetupOutputStreams() {
  for (int e = 0; e < C.OutputCount(); ++e) {
    TOutputFile& out = *C.Foutput_files[e];
    AVFormatContext* oc = out.Context.get();
    if (out.Streams.empty()) {
      ff::av_dump_format(oc, e, oc->url, 1);
      throw FFmpegException::Fmt("Output file #%d does not contain any stream", e);
    }
    bool seen = false;
    for (TOutputFile* o : FOutputs) seen = seen || o == &out;
    if (seen) continue;  // join mode: the same output again
    FOutputs.push_back(&out);
    for (size_t s = 0; s < out.Streams.size(); ++s) {
      TRunOutputStream ost;
      ost.FileIndex = e;
      ost.Index = static_cast<int>(s);
      ost.File = &out;
      ost.Setup = &out.Streams[s];
      ost.Stream = out.Streams[s].Stream;
      ost.Kind = out.Streams[s].Kind;
      if (C.JoinMode()) {
        ost.SegmentSources.assign(C.InputCount(), -1);
        ost.SegmentSyncs.assign(C.InputCount(), -1);
      }
      FOutputStreams.push_back(std::move(ost));
    }
  }
}

void TTranscodeRun::ChooseSources() {
  const auto& maps = FOpt.StreamMaps;
  size_t total = 0;
  for (int e = 0; e < C.OutputCount(); ++e) total += C.Output(e).Streams.size();
  auto inputIndex = [this](int file, int stream) {
    if (file < 0 || file >= static_cast<int>(FInputFiles.size())) return -1;
    if (stream < 0 || stream >= FInputFiles[file].StreamCount) return -1;
    return FInputFiles[file].FirstStream + stream;
  };
  if (!maps.empty()) {
    if (maps.size() != total)
      throw FFmpegException("Number of stream maps must match number of output streams");
    for (const TStreamMap& m : maps) {
      if (inputIndex(m.FileIndex, m.StreamIndex) < 0)
        throw FFmpegException::Fmt("Could not find input stream #%d.%d", m.FileIndex,
                                   m.StreamIndex);
      if (inputIndex(m.SyncFileIndex, m.SyncStreamIndex) < 0)
        throw FFmpegException::Fmt("Could not find sync stream #%d.%d", m.SyncFileIndex,
                                   m.SyncStreamIndex);
    }
  }

  std::vector<bool> used(FInputStreams.size(), false);
  size_t k = 0;
  for (int e = 0; e < C.OutputCount(); ++e) {
    const TOutputFile& out = C.Output(e);
    // The run's stream of this entry's stream s: in join mode the entries share one output.
    size_t first = 0;
    for (TOutputFile* o : FOutputs) {
      if (o == &out) break;
      first += o->Streams.size();
    }
    for (size_t s = 0; s < out.Streams.size(); ++s, ++k) {
      TRunOutputStream& ost = FOutputStreams[first + s];
      int source, sync;
      if (!maps.empty()) {
        const TStreamMap& m = maps[k];
        source = inputIndex(m.FileIndex, m.StreamIndex);
        sync = inputIndex(m.SyncFileIndex, m.SyncStreamIndex);
        AVMediaType inKind = FInputStreams[source].Stream->codecpar->codec_type;
        if (inKind != ost.Kind)
          throw FFmpegException::Fmt("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                     m.FileIndex, m.StreamIndex, MediaTypeName(inKind), e,
                                     static_cast<int>(s), MediaTypeName(ost.Kind));
      } else {
        source = ChooseSource(e, static_cast<int>(s), ost.Kind, used);
        sync = source;
      }
      used[source] = true;
      FInputStreams[source].Discard = false;
      if (C.JoinMode()) {
        ost.SegmentSources[e] = source;
        ost.SegmentSyncs[e] = sync;
      } else {
        ost.SourceIndex = source;
        ost.SyncIndex = sync;
      }
    }
  }
}

int TTranscodeRun::ChooseSource(int entry, int stream, AVMediaType kind, std::vector<bool>& used) {
  auto usable = [&](int i) {
    const TRunInputStream& ist = FInputStreams[i];
    return ist.Stream->codecpar->codec_type == kind && ist.Stream->discard != AVDISCARD_ALL;
  };
  // Unused streams first; within a file the one the library rates best (default disposition,
  // most frames seen while reading the stream information), else the first.
  for (size_t f = 0; f < FInputFiles.size(); ++f) {
    if (C.JoinMode() && static_cast<int>(f) != entry) continue;
    const TRunInputFile& file = FInputFiles[f];
    int best = ff::av_find_best_stream(file.Context, kind, -1, -1, nullptr, 0);
    int pick = -1;
    for (int s = 0; s < file.StreamCount; ++s) {
      int i = file.FirstStream + s;
      if (!usable(i) || used[i]) continue;
      if (pick < 0 || s == best) pick = i;
    }
    if (pick >= 0) return pick;
  }
  if (!C.JoinMode()) {
    int last = -1;
    for (size_t i = 0; i < FInputStreams.size(); ++i)
      if (usable(static_cast<int>(i))) last = static_cast<int>(i);
    if (last >= 0) return last;
  }
  throw FFmpegException::Fmt("Could not find input stream matching output stream #%d.%d (%s)",
                             entry, stream, MediaTypeName(kind));
}

void TTranscodeRun::BindSegment(int segment) {
  for (TRunInputStream& ist : FInputStreams) ist.Outputs.clear();
  for (size_t o = 0; o < FOutputStreams.size(); ++o) {
    TRunOutputStream& ost = FOutputStreams[o];
    if (C.JoinMode()) {
      ost.SourceIndex = ost.SegmentSources[segment];
      ost.SyncIndex = ost.SegmentSyncs[segment];
    }
    FInputStreams[ost.SourceIndex].Outputs.push_back(static_cast<int>(o));
  }
}

// --- Codec parameters (B.4)

void TTranscodeRun::SetupStreamCopy(TRunOutputStream& ost) {
  const TRunInputStream& ist = FInputStreams[ost.SourceIndex];
  if (ost.Kind == AVMEDIA_TYPE_VIDEO) {
    if (C.OnCustomHook)
      throw FFmpegException(
          "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
    if (!FOpt.FrameHooks.empty())
      throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
    std::lock_guard lock(PostHookLock());
    if (C.FPostHooks)
      throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
  }
  if (ost.Kind == AVMEDIA_TYPE_AUDIO && FOpt.AudioVolume != 256)
    throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");

  const AVCodecParameters* in = ist.Stream->codecpar;
  if (in->extradata_size < 0 || in->extradata_size > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
    throw FFmpegException("icodec.extradata_size is invalid (too large)");
  AVStream* st = ost.Stream;
  AVRational aspect = st->sample_aspect_ratio;  // set by the "aspect" option, if any
  if (ff::avcodec_parameters_copy(st->codecpar, in) < 0)
    throw FFmpegException("Out of memory in stream copy");
  // The source's tag only when the output format accepts it for that codec.
  const AVCodecTag* const* tags = ost.File->Context->oformat->codec_tag;
  uint32_t tag = in->codec_tag;
  if (tags && tag && ff::av_codec_get_id(tags, tag) != in->codec_id &&
      ff::av_codec_get_tag(tags, in->codec_id) > 0)
    tag = 0;
  st->codecpar->codec_tag = ost.Setup->CodecTag ? ost.Setup->CodecTag : tag;
  st->time_base = ist.Stream->time_base;
  ost.PacketTimeBase = ist.Stream->time_base;
  st->avg_frame_rate = ist.Stream->avg_frame_rate;
  st->r_frame_rate = ist.Stream->r_frame_rate;
  if (ost.Kind == AVMEDIA_TYPE_VIDEO) {
    if (aspect.num > 0)
      st->codecpar->sample_aspect_ratio = aspect;
    else
      st->sample_aspect_ratio = ist.Stream->sample_aspect_ratio;
  }
  st->disposition = ist.Stream->disposition;
}

void TTranscodeRun::SetupEncoding(TRunOutputStream& ost) {
  ost.EncodingNeeded = true;
  ost.Encoder = std::move(ost.Setup->EncoderContext);
  if (!ost.Encoder) throw FFmpegException("Could not alloc stream");
  if (C.JoinMode())
    for (int src : ost.SegmentSources) FInputStreams[src].DecodingNeeded = true;
  TRunInputStream& ist = FInputStreams[ost.SourceIndex];
  ist.DecodingNeeded = true;
  ost.Stream->disposition = ist.Stream->disposition;
  if (ost.Kind == AVMEDIA_TYPE_AUDIO) SetupAudio(ost, ist);
  if (ost.Kind == AVMEDIA_TYPE_VIDEO) SetupVideo(ost, ist);
}

void TTranscodeRun::SetupPassLog(TRunOutputStream& ost, int number) {
  AVCodecContext* enc = ost.Encoder.get();
  if (!(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))) return;
  std::string name =
      StrFmt("%s-%d.log",
             FOpt.PassLogFileName.empty() ? "ffmpeg2pass" : FOpt.PassLogFileName.c_str(), number);
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    ost.PassLog.reset(fopen(name.c_str(), "wb"));
    if (!ost.PassLog)
      throw FFmpegException::Fmt("Cannot write log file %s for pass-1 encoding", name.c_str());
  } else {
    std::ifstream in(name, std::ios::binary);
    if (!in)
      throw FFmpegException::Fmt("Cannot read log file %s for pass-2 encoding", name.c_str());
    std::ostringstream text;
    text << in.rdbuf();
    ost.PassStats = text.str();
    enc->stats_in = ost.PassStats.data();
  }
}

void TTranscodeRun::SetupFrameHooks() {
  for (const std::vector<std::string>& words : FOpt.FrameHooks)
    if (FFrameHooks.Add(words) != 0)
      throw FFmpegException("Failed to add video hook function: " + JoinWords(words));
  FFrameHooksOn = !FFrameHooks.Empty();
  FCustomHookOn = static_cast<bool>(C.OnCustomHook);
}

// --- Codecs (B.5)

void TTranscodeRun::OpenEncoders() {
  for (TRunOutputStream& ost : FOutputStreams) {
    if (!ost.EncodingNeeded) continue;
    const char* kind = MediaTypeName(ost.Kind);
    const AVCodec* codec = ost.Setup->Encoder;
    if (!codec)
      throw FFmpegException::Fmt("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                                 ost.Setup->CodecId, ost.FileIndex, ost.Index, kind);
    AVCodecContext* enc = ost.Encoder.get();
    if (ost.Kind == AVMEDIA_TYPE_SUBTITLE) PrepareSubtitleEncoder(ost);
    TDictionary options = ost.Setup->EncoderOptions;
    int r;
    {
      TCodecLock lock;
      r = ff::avcodec_open2(enc, codec, options.Ptr());
    }
    if (r < 0)
      throw FFmpegException::Fmt(
          "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect "
          "parameters such as bit_rate, rate, width or height. Please check error log message "
          "to find out more detail information.",
          ost.FileIndex, ost.Index, kind);
    if (ff::avcodec_parameters_from_context(ost.Stream->codecpar, enc) < 0)
      throw FFmpegException("Out of memory in stream set-up");
    ost.Stream->time_base = enc->time_base;
    ost.PacketTimeBase = enc->time_base;
    if (ost.Kind == AVMEDIA_TYPE_VIDEO) ost.Stream->avg_frame_rate = enc->framerate;
    FExtraSize += enc->extradata_size;
    if (ost.Kind == AVMEDIA_TYPE_AUDIO) PrepareAudioEncoding(ost);
  }
}

// A subtitle encoder takes the time base of microseconds and the decoder's header (the style
// section of text subtitles).
void TTranscodeRun::PrepareSubtitleEncoder(TRunOutputStream& ost) {
  AVCodecContext* enc = ost.Encoder.get();
  if (enc->time_base.num <= 0 || enc->time_base.den <= 0) enc->time_base = AV_TIME_BASE_Q;
  const AVCodecContext* dec = FInputStreams[ost.SourceIndex].Decoder.get();
  if (!dec || !dec->subtitle_header || enc->subtitle_header) return;
  enc->subtitle_header = static_cast<uint8_t*>(ff::av_mallocz(dec->subtitle_header_size + 1));
  if (!enc->subtitle_header) throw FFmpegException("Out of memory in stream set-up");
  memcpy(enc->subtitle_header, dec->subtitle_header, dec->subtitle_header_size);
  enc->subtitle_header_size = dec->subtitle_header_size;
}

void TTranscodeRun::OpenDecoders() {
  for (TRunInputStream& ist : FInputStreams) {
    if (!ist.DecodingNeeded) continue;
    const AVCodecParameters* par = ist.Stream->codecpar;
    const char* kind = MediaTypeName(par->codec_type);
    const AVCodec* codec = ist.Setup->ForcedDecoder ? ist.Setup->ForcedDecoder
                                                    : ff::avcodec_find_decoder(par->codec_id);
    if (!codec)
      throw FFmpegException::Fmt("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                 par->codec_id, ist.FileIndex, ist.StreamIndex, kind);
    ist.Decoder.reset(ff::avcodec_alloc_context3(codec));
    if (!ist.Decoder || ff::avcodec_parameters_to_context(ist.Decoder.get(), par) < 0)
      throw FFmpegException::Fmt("Error while opening decoder for input stream #%d.%d (%s)",
                                 ist.FileIndex, ist.StreamIndex, kind);
    AVCodecContext* dec = ist.Decoder.get();
    dec->pkt_timebase = ist.Stream->time_base;
    TDictionary options = ist.Setup->DecoderOptions;
    int r;
    {
      TCodecLock lock;
      r = ff::avcodec_open2(dec, codec, options.Ptr());
    }
    if (r < 0)
      throw FFmpegException::Fmt("Error while opening decoder for input stream #%d.%d (%s)",
                                 ist.FileIndex, ist.StreamIndex, kind);
    ist.Frame.reset(ff::av_frame_alloc());
    if (!ist.Frame) throw FFmpegException("Out of memory in decoder set-up");
  }
}

void TTranscodeRun::SetupBitstreamFilters(TRunOutputStream& ost) {
  AVStream* st = ost.Stream;
  for (const AVBitStreamFilter* filter : ost.Setup->BitstreamFilters) {
    AVBSFContext* raw = nullptr;
    if (ff::av_bsf_alloc(filter, &raw) < 0) throw FFmpegException("Out of memory in stream set-up");
    TBSFContextPtr bsf(raw);
    const AVCodecParameters* par = ost.Filters.empty() ? st->codecpar : ost.Filters.back()->par_out;
    ff::avcodec_parameters_copy(bsf->par_in, par);
    bsf->time_base_in = ost.Filters.empty() ? st->time_base : ost.Filters.back()->time_base_out;
    int r = ff::av_bsf_init(bsf.get());
    if (r < 0) {
      std::string msg = StrFmt("%s failed for stream %d, codec %s", filter->name, st->index,
                               ff::avcodec_get_name(par->codec_id)) +
                        ": " + AVErrorText(r);
      if (FOpt.ExitOnError) throw FFmpegException(msg);
      Log(llError, "%s", msg.c_str());
      continue;
    }
    ost.Filters.push_back(std::move(bsf));
  }
  if (ost.Filters.empty()) return;
  ff::avcodec_parameters_copy(st->codecpar, ost.Filters.back()->par_out);
  st->time_base = ost.Filters.back()->time_base_out;
}

// --- Tags and chapters (B.6)

void TTranscodeRun::CopyMetadata() {
  const auto& maps = FOpt.MetaDataMaps;
  for (const TMetaDataMap& m : maps) {
    if (m.OutFile < 0 || m.OutFile >= C.OutputCount())
      throw FFmpegException::Fmt("Invalid output file index %d map_meta_data(%d,%d)", m.OutFile,
                                 m.OutFile, m.InFile);
    if (m.InFile < 0 || m.InFile >= C.InputCount())
      throw FFmpegException::Fmt("Invalid input file index %d map_meta_data(%d,%d)", m.InFile,
                                 m.OutFile, m.InFile);
    CopyTags(&OutputContext(m.OutFile)->metadata, C.InputContext(m.InFile)->metadata, false);
  }
  // Without maps the first input's tags are carried over, as users converting a library
  // expect; tags set for the output win.
  if (maps.empty() && C.InputCount() > 0)
    for (TOutputFile* out : FOutputs)
      CopyTags(&out->Context->metadata, C.InputContext(0)->metadata, true);
  for (TRunOutputStream& ost : FOutputStreams) {
    int source = C.JoinMode() ? ost.SegmentSources[0] : ost.SourceIndex;
    CopyTags(&ost.Stream->metadata, FInputStreams[source].Stream->metadata, ost.EncodingNeeded);
  }
}

void TTranscodeRun::CopyChapters() {
  for (size_t f = 0; f < FInputFiles.size(); ++f) {
    AVFormatContext* ic = FInputFiles[f].Context;
    if (!ic->nb_chapters) continue;
    // Input time + offset − output start = output time.
    const int64_t shift = FInputFiles[f].TsOffset - FStartTime;
    for (TOutputFile* out : FOutputs) {
      AVFormatContext* oc = out->Context.get();
      for (unsigned c = 0; c < ic->nb_chapters; ++c) {
        const AVChapter* in = ic->chapters[c];
        int64_t off = ff::av_rescale_q(shift, AV_TIME_BASE_Q, in->time_base);
        int64_t limit = FRecordingTime == INT64_MAX
                            ? INT64_MAX
                            : ff::av_rescale_q(FRecordingTime, AV_TIME_BASE_Q, in->time_base);
        if (in->end + off < 0) continue;
        if (in->start + off > limit) break;
        auto* ch = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
        void* grown =
            ch ? ff::av_realloc(oc->chapters, sizeof(AVChapter*) * (oc->nb_chapters + 1)) : nullptr;
        if (!grown) {
          ff::av_free(ch);
          throw FFmpegException("Out of memory copying chapters");
        }
        oc->chapters = static_cast<AVChapter**>(grown);
        ch->id = in->id;
        ch->time_base = in->time_base;
        ch->start = std::max<int64_t>(0, in->start + off);
        ch->end = std::min(limit, in->end + off);
        ff::av_dict_copy(&ch->metadata, in->metadata, 0);
        oc->chapters[oc->nb_chapters++] = ch;
      }
    }
    break;  // from the first input that has chapters
  }
}

// --- Headers and mapping (B.7, B.8)

void TTranscodeRun::WriteHeaders() {
  for (int e = 0; e < C.OutputCount(); ++e) {
    TOutputFile& out = *C.Foutput_files[e];
    if (out.HeaderWritten) continue;  // join mode: written once
    if (ff::avformat_write_header(out.Context.get(), nullptr) < 0) {
      std::string msg =
          StrFmt("Could not write header for output file #%d (incorrect codec parameters ?)", e);
      Log(llError, "%s", msg.c_str());
      throw FFmpegException(msg);
    }
    out.HeaderWritten = true;
  }

  bool allRtp = !FOutputs.empty();
  std::vector<AVFormatContext*> contexts;
  for (TOutputFile* out : FOutputs) {
    allRtp = allRtp && strcmp(out->Context->oformat->name, "rtp") == 0;
    contexts.push_back(out->Context.get());
  }
  if (allRtp) {
    char sdp[16384];
    if (ff::av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp) == 0)
      Log(llInfo, "SDP:\r\n%s", sdp);
  }
}

void TTranscodeRun::LogStreamMapping() {
  if (FOpt.Verbose < 0) return;
  Log(llInfo, "Stream mapping:");
  for (int e = 0; e < C.OutputCount(); ++e) {
    const TOutputFile& out = C.Output(e);
    for (size_t s = 0; s < out.Streams.size(); ++s) {
      const TRunOutputStream* ost = nullptr;
      for (const TRunOutputStream& o : FOutputStreams)
        if (o.File == &out && o.Index == static_cast<int>(s)) ost = &o;
      int source = C.JoinMode() ? ost->SegmentSources[e] : ost->SourceIndex;
      int sync = C.JoinMode() ? ost->SegmentSyncs[e] : ost->SyncIndex;
      const TRunInputStream& ist = FInputStreams[source];
      std::string line = StrFmt("  Stream #%d.%d -> #%d.%d (%s)", ist.FileIndex, ist.StreamIndex, e,
                                static_cast<int>(s), MediaTypeName(ost->Kind));
      if (sync != source) {
        const TRunInputStream& sy = FInputStreams[sync];
        line += StrFmt(" [sync #%d.%d (%s)]", sy.FileIndex, sy.StreamIndex,
                       MediaTypeName(sy.Stream->codecpar->codec_type));
      }
      Log(llInfo, "%s", line.c_str());
    }
  }
}
