// The run of a converter: the main loop (input choice, reading, timestamp offsets, scales and
// discontinuities, limits), decoding with send/receive, join segments and the end.
#include "engine/Transcode.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "media/Previewer.h"

namespace {
constexpr int64_t kTryAgainSleep = 10000;  // µs
}

const char* MediaTypeName(AVMediaType kind) {
  switch (kind) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

double TRunOutputStream::WrittenTime() const {
  return LastEnd == AV_NOPTS_VALUE ? 0.0 : LastEnd * av_q2d(Stream->time_base);
}

// --- Life cycle

TTranscodeRun::TTranscodeRun(TCustomFFmpeg& owner) : C(owner), FOpt(owner.FOpt) {}

TTranscodeRun::~TTranscodeRun() {
  CloseCodecs();
  FFrameHooks.Release();
}

void TCustomFFmpeg::Transcode() {
  FRun = std::make_unique<TTranscodeRun>(*this);
  FRun->Run();
}

void TCustomFFmpeg::FreeCodecs() {
  if (!FRun) return;
  FRun->CloseCodecs();
  FRun.reset();
}

void TTranscodeRun::CloseCodecs() {
  bool any = false;
  for (const TRunOutputStream& ost : FOutputStreams) any = any || ost.Encoder;
  for (const TRunInputStream& ist : FInputStreams) any = any || ist.Decoder;
  if (!any) return;
  TCodecLock lock;
  for (TRunOutputStream& ost : FOutputStreams) {
    if (!ost.Encoder) continue;
    ost.Encoder->stats_in = nullptr;  // ost.PassStats owns it
    ost.Encoder.reset();
  }
  for (TRunInputStream& ist : FInputStreams) ist.Decoder.reset();
}

void TTranscodeRun::Log(TLogLevel level, const char* fmt, ...) const {
  va_list args;
  va_start(args, fmt);
  std::string text = StrFmtV(fmt, args);
  va_end(args);
  FFLogger().Log(&C, level, text);
}

AVFormatContext* TTranscodeRun::OutputContext(int entry) const {
  return C.OutputContext(entry);
}

// --- The run

void TTranscodeRun::Run() {
  FStartTime = FOpt.StartTime;
  FRecordingTime = FOpt.RecordingTime;
  FPacket.reset(ff::av_packet_alloc());
  FOutPacket.reset(ff::av_packet_alloc());
  if (!FPacket || !FOutPacket) throw FFmpegException("Out of memory");

  SetupInputs();
  SetupOutputStreams();
  ChooseSources();
  BindSegment(0);
  for (TRunOutputStream& ost : FOutputStreams) {
    if (ost.Setup->StreamCopy)
      SetupStreamCopy(ost);
    else
      SetupEncoding(ost);
  }
  SetupFrameHooks();
  for (size_t i = 0; i < FOutputStreams.size(); ++i)
    if (FOutputStreams[i].EncodingNeeded) SetupPassLog(FOutputStreams[i], static_cast<int>(i));
  // Decoders first: encoders of subtitles take the decoder's header.
  OpenDecoders();
  OpenEncoders();
  for (TRunOutputStream& ost : FOutputStreams) SetupBitstreamFilters(ost);
  CopyMetadata();
  CopyChapters();
  WriteHeaders();
  for (TRunOutputStream& ost : FOutputStreams)
    ost.CopyStart = ff::av_rescale_q(FStartTime, AV_TIME_BASE_Q, ost.PacketTimeBase);
  LogStreamMapping();
  if (!FOpt.VStatsFileName.empty()) {
    FVStats.reset(fopen(FOpt.VStatsFileName.c_str(), "w"));
    if (!FVStats) throw FFmpegException("fopen fail: " + FOpt.VStatsFileName);
  }

  FRunStart = ff::av_gettime_relative();
  FLastReport = FRunStart;
  MainLoop();
  Finish();
}

// --- Main loop (G)

void TTranscodeRun::MainLoop() {
  while (!C.Broken()) {
    C.HaltWhilePaused();
    if (C.Broken()) break;
    bool endLoop = false;
    int file = PickInput(&endLoop);
    if (endLoop) break;
    if (file < 0) {
      // Every input that could be read answered "try again".
      for (TRunInputFile& f : FInputFiles) f.TryAgain = false;
      ff::av_usleep(kTryAgainSleep);
      continue;
    }
    if (FOpt.LimitFileSize) {
      AVIOContext* pb = FOutputs[0]->Context->pb;
      if (pb && static_cast<uint64_t>(std::max<int64_t>(0, ff::avio_seek(pb, 0, SEEK_CUR))) >
                    FOpt.LimitFileSize)
        break;
    }
    FLastFile = file;
    if (!ReadAndProcess(file)) break;
    if (TimeToReport()) Report(false, file);
  }
}

int TTranscodeRun::PickInput(bool* endLoop) {
  for (const TRunOutputStream& ost : FOutputStreams) {
    if (ost.FrameNumber >= FOpt.MaxFrames[ost.Kind]) {
      *endLoop = true;
      return -1;
    }
  }
  if (C.JoinMode()) return FInputFiles[FSegment].TryAgain ? -1 : FSegment;

  int best = -1;
  double bestTime = INFINITY;
  for (const TRunOutputStream& ost : FOutputStreams) {
    const TRunInputStream& ist = FInputStreams[ost.SourceIndex];
    const TRunInputFile& f = FInputFiles[ist.FileIndex];
    if (f.Eof || f.TryAgain || ist.PastRecordingTime) continue;
    double t = FOpt.InputSync ? ist.Pts / static_cast<double>(AV_TIME_BASE) : ost.WrittenTime();
    if (t < bestTime) {
      bestTime = t;
      best = ist.FileIndex;
    }
  }
  if (best < 0) {
    bool tryAgain = false;
    for (const TRunInputFile& f : FInputFiles) tryAgain = tryAgain || f.TryAgain;
    *endLoop = !tryAgain;
  }
  return best;
}

// Reads one packet of the input and processes it; false when the loop must end.
bool TTranscodeRun::ReadAndProcess(int fileIndex) {
  TRunInputFile& f = FInputFiles[fileIndex];
  AVPacket* pkt = FPacket.get();
  int r = ff::av_read_frame(f.Context, pkt);
  if (r == AVERROR(EAGAIN)) {
    f.TryAgain = true;
    return true;
  }
  if (r < 0) {
    f.Eof = true;
    if (C.JoinMode()) return EndSegment();
    return !FOpt.OptShortest;
  }
  struct TUnref {
    AVPacket* p;
    ~TUnref() { ff::av_packet_unref(p); }
  } unref{pkt};

  if (FOpt.DoPktDump)
    ff::av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, FOpt.DoHexDump,
                         f.Context->streams[pkt->stream_index]);
  if (pkt->stream_index >= f.StreamCount) return true;  // a stream that appeared later
  TRunInputStream& ist = FInputStreams[f.FirstStream + pkt->stream_index];
  if (ist.Discard) return true;
  AdjustTimestamps(f, ist, pkt);

  if (FRecordingTime != INT64_MAX) {
    int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts != AV_NOPTS_VALUE &&
        ff::av_compare_ts(ts, ist.Stream->time_base, FRecordingTime + FStartTime, AV_TIME_BASE_Q) >=
            0) {
      ist.PastRecordingTime = true;
      return true;
    }
  }
  ProcessPacket(ist, pkt);
  return true;
}

void TTranscodeRun::AdjustTimestamps(TRunInputFile& f, TRunInputStream& ist, AVPacket* pkt) {
  const AVRational tb = ist.Stream->time_base;
  const int64_t offset = ff::av_rescale_q(f.TsOffset, AV_TIME_BASE_Q, tb);
  if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
  if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
  double scale = ist.StreamIndex < kMaxStreams ? f.TsScale[ist.StreamIndex] : 0;
  if (scale != 0) {
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = static_cast<int64_t>(pkt->dts * scale);
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = static_cast<int64_t>(pkt->pts * scale);
  }
  if (pkt->dts == AV_NOPTS_VALUE) return;
  int64_t dts = ff::av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
  if (ist.NextDts != AV_NOPTS_VALUE && (f.Context->iformat->flags & AVFMT_TS_DISCONT) &&
      !FOpt.CopyTs && ist.Stream->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) {
    int64_t delta = dts - ist.NextDts;
    if (std::fabs(static_cast<double>(delta)) > FOpt.DtsDeltaThreshold * AV_TIME_BASE) {
      f.TsOffset -= delta;
      int64_t shift = ff::av_rescale_q(delta, AV_TIME_BASE_Q, tb);
      pkt->dts -= shift;
      if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
      dts -= delta;
      if (FOpt.Verbose >= 3)
        Log(llVerbose, "timestamp discontinuity %" PRId64 ", new offset= %" PRId64, delta,
            f.TsOffset);
    }
  }
  ist.NextDts = dts + ff::av_rescale_q(pkt->duration, tb, AV_TIME_BASE_Q);
}

// --- One packet (D)

void TTranscodeRun::ProcessPacket(TRunInputStream& ist, const AVPacket* pkt) {
  if (pkt) {
    int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    int64_t t = ts != AV_NOPTS_VALUE ? ff::av_rescale_q(ts, ist.Stream->time_base, AV_TIME_BASE_Q)
                                     : ist.NextPts;
    if (!ist.DecodingNeeded) {
      ist.Pts = t != AV_NOPTS_VALUE ? t : 0;
      ist.NextPts =
          ist.Pts + ff::av_rescale_q(pkt->duration, ist.Stream->time_base, AV_TIME_BASE_Q);
    }
    if (FOpt.RateEmu && t != AV_NOPTS_VALUE) EmulateRate(ist, t);
  }
  if (ist.DecodingNeeded) {
    if (ist.Stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
      DecodeSubtitle(ist, pkt);
    else
      DecodeAudioVideo(ist, pkt);
  }
  if (!pkt) return;
  for (int o : ist.Outputs) {
    TRunOutputStream& ost = FOutputStreams[o];
    if (!ost.EncodingNeeded) CopyPacket(ost, ist, pkt);
  }
}

void TTranscodeRun::EmulateRate(const TRunInputStream& ist, int64_t pts) {
  int64_t elapsed = ff::av_gettime_relative() - ist.Start;
  if (pts > elapsed + 1000) ff::av_usleep(static_cast<unsigned>(pts - elapsed));
}

void TTranscodeRun::DecodeError(const TRunInputStream& ist) {
  std::string msg = StrFmt("Error while decoding stream #%d.%d (%s)", ist.FileIndex,
                           ist.StreamIndex, MediaTypeName(ist.Stream->codecpar->codec_type));
  if (FOpt.ExitOnError) throw FFmpegException(msg);
  if (FOpt.Verbose >= 0) Log(llVerbose, "%s", msg.c_str());
}

void TTranscodeRun::DecodeAudioVideo(TRunInputStream& ist, const AVPacket* pkt) {
  AVCodecContext* dec = ist.Decoder.get();
  AVFrame* frame = ist.Frame.get();
  int r = ff::avcodec_send_packet(dec, pkt);
  if (r < 0 && r != AVERROR_EOF) {
    DecodeError(ist);
    return;  // the packet is skipped
  }
  const bool video = dec->codec_type == AVMEDIA_TYPE_VIDEO;
  int frames = 0;
  for (;;) {
    r = ff::avcodec_receive_frame(dec, frame);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
    if (r < 0) {
      DecodeError(ist);
      break;
    }
    if (video && pkt && ++frames == 2)
      Log(llWarning, "Multiple frames in a packet from stream %d", ist.StreamIndex);
    SetFrameTime(ist, frame);
    OnDecodedFrame(ist, frame);
    ff::av_frame_unref(frame);
  }
  if (!pkt) ist.Flushed = true;
}

void TTranscodeRun::DecodeSubtitle(TRunInputStream& ist, const AVPacket* pkt) {
  if (!pkt) {
    ist.Flushed = true;
    return;
  }
  AVSubtitle sub{};
  int got = 0;
  if (ff::avcodec_decode_subtitle2(ist.Decoder.get(), &sub, &got, const_cast<AVPacket*>(pkt)) < 0) {
    DecodeError(ist);
    return;
  }
  if (!got) return;
  if (sub.pts != AV_NOPTS_VALUE)
    ist.Pts = sub.pts;
  else if (pkt->pts != AV_NOPTS_VALUE)
    ist.Pts = ff::av_rescale_q(pkt->pts, ist.Stream->time_base, AV_TIME_BASE_Q);
  try {
    for (int o : ist.Outputs) {
      TRunOutputStream& ost = FOutputStreams[o];
      if (ost.EncodingNeeded) EncodeSubtitle(ost, sub, ist.Pts);
    }
  } catch (...) {
    ff::avsubtitle_free(&sub);
    throw;
  }
  ff::avsubtitle_free(&sub);
}

// The frame's time (µs, into frame->pts as well) and the expected time of the next one.
void TTranscodeRun::SetFrameTime(TRunInputStream& ist, AVFrame* frame) {
  const AVRational tb = ist.Stream->time_base;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.Pts = ff::av_rescale_q(frame->best_effort_timestamp, tb, AV_TIME_BASE_Q);
  else if (ist.NextPts != AV_NOPTS_VALUE)
    ist.Pts = ist.NextPts;
  int64_t duration = 0;
  if (ist.Decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
    if (frame->sample_rate > 0)
      duration = static_cast<int64_t>(frame->nb_samples) * AV_TIME_BASE / frame->sample_rate;
  } else if (frame->pkt_duration > 0) {
    duration = ff::av_rescale_q(frame->pkt_duration, tb, AV_TIME_BASE_Q);
  } else {
    AVRational rate =
        ist.Stream->avg_frame_rate.num ? ist.Stream->avg_frame_rate : ist.Stream->r_frame_rate;
    if (rate.num && rate.den) duration = ff::av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q);
  }
  ist.NextPts = ist.Pts + duration;
  frame->pts = ist.Pts;
}

void TTranscodeRun::OnDecodedFrame(TRunInputStream& ist, AVFrame* frame) {
  if (ist.Decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
    ++FHookFrameNumber;
    AVFrame* picture = ApplyPictureHooks(frame);
    int64_t t = picture->pts - FStartTime;
    // Before the start time or at the recording time: decoded, not written.
    if (t >= 0 && (FRecordingTime == INT64_MAX || t < FRecordingTime)) {
      for (int o : ist.Outputs) {
        TRunOutputStream& ost = FOutputStreams[o];
        if (!ost.EncodingNeeded) continue;
        if (ost.Video->Graph)
          FilterVideo(ost, ist, picture);
        else
          DoVideoOut(ost, ist, picture);
      }
    }
  } else {
    if (FOpt.AudioVolume != 256) ApplyVolume(frame);
    for (int o : ist.Outputs) {
      TRunOutputStream& ost = FOutputStreams[o];
      if (ost.EncodingNeeded) DoAudioOut(ost, ist, frame);
    }
  }
  ist.IsStart = false;
}

// --- Join segments and the end (H)

// The end of the input being joined; false after the last one.
bool TTranscodeRun::EndSegment() {
  FlushDecoders(FSegment);
  for (int s = 0; s < FInputFiles[FSegment].StreamCount; ++s) {
    TRunInputStream& ist = FInputStreams[FInputFiles[FSegment].FirstStream + s];
    if (ist.Decoder) ff::avcodec_flush_buffers(ist.Decoder.get());
  }
  if (FSegment + 1 >= static_cast<int>(FInputFiles.size())) return false;
  // The encoders stay open, so the output is one continuous stream: the next input continues
  // where the longest stream of this one ended.
  int64_t length = 0;
  for (const TRunOutputStream& ost : FOutputStreams) length = std::max(length, EndPosition(ost));
  ++FSegment;
  FInputFiles[FSegment].TsOffset += length + FStartTime;
  BindSegment(FSegment);
  return true;
}

// Where the stream's next frame goes, µs from the output start.
int64_t TTranscodeRun::EndPosition(const TRunOutputStream& ost) const {
  if (ost.EncodingNeeded && ost.Kind == AVMEDIA_TYPE_AUDIO) return AudioEnd(ost);
  if (ost.EncodingNeeded && ost.Kind == AVMEDIA_TYPE_VIDEO)
    return ff::av_rescale_q(ost.SyncOpts, ost.Encoder->time_base, AV_TIME_BASE_Q);
  if (ost.LastEnd == AV_NOPTS_VALUE) return 0;
  return ff::av_rescale_q(ost.LastEnd, ost.Stream->time_base, AV_TIME_BASE_Q);
}

void TTranscodeRun::FlushDecoders(int fileIndex) {
  const TRunInputFile& f = FInputFiles[fileIndex];
  for (int s = 0; s < f.StreamCount; ++s) {
    TRunInputStream& ist = FInputStreams[f.FirstStream + s];
    if (ist.Decoder && !ist.Flushed) ProcessPacket(ist, nullptr);
  }
}

void TTranscodeRun::Finish() {
  for (size_t f = 0; f < FInputFiles.size(); ++f) FlushDecoders(static_cast<int>(f));
  for (TRunOutputStream& ost : FOutputStreams) {
    if (ost.Video && ost.Video->Graph) DrainFilterGraph(ost, FInputStreams[ost.SourceIndex], true);
    if (ost.EncodingNeeded) FlushEncoder(ost);
  }
  for (TRunOutputStream& ost : FOutputStreams) FlushBitstreamFilters(ost);
  for (TOutputFile* out : FOutputs) {
    if (!out->HeaderWritten || out->TrailerWritten) continue;
    out->TrailerWritten = true;
    int r = ff::av_write_trailer(out->Context.get());
    if (r < 0) throw FFmpegException("av_write_trailer(): " + AVErrorText(r));
  }
  Report(true, -1);  // a task's final report names no input
}

void TTranscodeRun::FlushEncoder(TRunOutputStream& ost) {
  if (ost.Kind == AVMEDIA_TYPE_AUDIO) {
    FlushAudio(ost);
  } else if (ost.Kind == AVMEDIA_TYPE_VIDEO) {
    if (ff::avcodec_send_frame(ost.Encoder.get(), nullptr) < 0)
      throw FFmpegException("Video encoding failed");
    ReceivePackets(ost);
  }
}
