// Packets of a run on their way into the outputs: encoder output, stream copy with converted
// timestamps, subtitles, the bitstream filters and interleaved writing.
#include <cinttypes>
#include <cmath>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "engine/Transcode.h"

namespace {

// Room for one encoded subtitle.
constexpr int kSubtitleBufferSize = 1024 * 1024;

uint32_t ReadLE32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t ReadLE64(const uint8_t* p) {
  return ReadLE32(p) | (static_cast<uint64_t>(ReadLE32(p + 4)) << 32);
}

}  // namespace

// --- Encoder output

void TTranscodeRun::ReceivePackets(TRunOutputStream& ost) {
  AVCodecContext* enc = ost.Encoder.get();
  AVPacket* pkt = FOutPacket.get();
  for (;;) {
    int r = ff::avcodec_receive_packet(enc, pkt);
    if (r == AVERROR(EAGAIN)) break;
    if (r == AVERROR_EOF) {
      if (ost.PassLog && enc->stats_out) fputs(enc->stats_out, ost.PassLog.get());
      break;
    }
    if (r < 0)
      throw FFmpegException(ost.Kind == AVMEDIA_TYPE_VIDEO ? "Video encoding failed"
                                                           : "Audio encoding failed");
    if (ost.Kind == AVMEDIA_TYPE_VIDEO) {
      // The library's encoders leave the duration of a video packet unset: one frame.
      if (pkt->duration <= 0 && enc->framerate.num > 0 && enc->framerate.den > 0)
        pkt->duration = ff::av_rescale_q(1, av_inv_q(enc->framerate), enc->time_base);
      NoteQuality(ost, pkt);
      if (FVStats) WriteVideoStats(ost, pkt);
    }
    if (ost.PassLog && enc->stats_out) fputs(enc->stats_out, ost.PassLog.get());
    WritePacket(ost, pkt);
  }
}

void TTranscodeRun::NoteQuality(TRunOutputStream& ost, const AVPacket* pkt) {
  size_t size = 0;
  const uint8_t* sd = ff::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
  if (!sd || size < 5) return;
  ost.Quality = static_cast<int>(ReadLE32(sd));
  ost.PictType = sd[4];
  int q = std::clamp(static_cast<int>(std::lrint(ost.Quality / static_cast<double>(FF_QP2LAMBDA))),
                     0, 51);
  ++ost.QpHistogram[q];
  const int errors = size >= 6 ? sd[5] : 0;
  for (int i = 0; i < errors && i < 4 && 8 + 8 * (i + 1) <= static_cast<int>(size); ++i)
    ost.Error[i] += static_cast<int64_t>(ReadLE64(sd + 8 + 8 * i));
}

// One line per encoded frame in the video statistics file.
void TTranscodeRun::WriteVideoStats(TRunOutputStream& ost, const AVPacket* pkt) {
  AVCodecContext* enc = ost.Encoder.get();
  FILE* f = FVStats.get();
  fprintf(f, "frame= %5" PRId64 " q= %2.1f ", ost.FrameNumber,
          ost.Quality / static_cast<double>(FF_QP2LAMBDA));
  if (enc->flags & AV_CODEC_FLAG_PSNR) {
    double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0 *
                   std::max<int64_t>(1, ost.FrameNumber);
    double e = ost.Error[0] / scale;
    fprintf(f, "PSNR= %6.2f ", e > 0 ? -10.0 * std::log10(e) : 99.99);
  }
  fprintf(f, "f_size= %6d ", pkt->size);
  double ti = pkt->pts != AV_NOPTS_VALUE ? pkt->pts * av_q2d(enc->time_base) : 0;
  if (ti < 0.01) ti = 0.01;
  double bitrate = pkt->size * 8 / av_q2d(enc->time_base) / 1000.0;
  double average = (FVideoSize + pkt->size) * 8 / ti / 1000.0;
  fprintf(f, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
          (FVideoSize + pkt->size) / 1024.0, ti, bitrate, average);
  fprintf(f, "type= %c\n", ff::av_get_picture_type_char(static_cast<AVPictureType>(ost.PictType)));
}

// --- Stream copy

void TTranscodeRun::CopyPacket(TRunOutputStream& ost, TRunInputStream& ist, const AVPacket* pkt) {
  const AVRational tb = ist.Stream->time_base;
  int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  if (ts != AV_NOPTS_VALUE && ff::av_rescale_q(ts, tb, AV_TIME_BASE_Q) < FStartTime) return;
  if (!ost.CopyStarted) {
    if (!(pkt->flags & AV_PKT_FLAG_KEY) && !FOpt.CopyInitialNonKeyframes) return;
    ost.CopyStarted = true;
  }
  // Into the stream's packet time base (in join mode the inputs may differ), from the output
  // start.
  AVPacket* opkt = FOutPacket.get();
  if (ff::av_packet_ref(opkt, pkt) < 0) throw FFmpegException("Out of memory in stream copy");
  const AVRational otb = ost.PacketTimeBase;
  opkt->pts = pkt->pts != AV_NOPTS_VALUE ? ff::av_rescale_q(pkt->pts, tb, otb) - ost.CopyStart
                                         : AV_NOPTS_VALUE;
  opkt->dts = pkt->dts != AV_NOPTS_VALUE
                  ? ff::av_rescale_q(pkt->dts, tb, otb) - ost.CopyStart
                  : ff::av_rescale_q(ist.Pts, AV_TIME_BASE_Q, otb) - ost.CopyStart;
  opkt->duration = ff::av_rescale_q(pkt->duration, tb, otb);
  ++ost.FrameNumber;
  WritePacket(ost, opkt);
}

// --- Subtitles

void TTranscodeRun::EncodeSubtitle(TRunOutputStream& ost, const AVSubtitle& sub, int64_t pts) {
  int64_t t = pts - FStartTime;
  if (t < 0) return;
  if (FSubtitleBuffer.empty()) FSubtitleBuffer.resize(kSubtitleBufferSize);
  AVSubtitle copy = sub;
  copy.pts = t;
  int n = ff::avcodec_encode_subtitle(ost.Encoder.get(), FSubtitleBuffer.data(),
                                      static_cast<int>(FSubtitleBuffer.size()), &copy);
  if (n < 0) throw FFmpegException("Subtitle encoding failed");
  if (n == 0) return;
  AVPacket* pkt = FOutPacket.get();
  if (ff::av_new_packet(pkt, n) < 0) throw FFmpegException("Out of memory in subtitle encoding");
  memcpy(pkt->data, FSubtitleBuffer.data(), n);
  const AVRational tb = ost.PacketTimeBase;
  pkt->pts =
      ff::av_rescale_q(t + static_cast<int64_t>(sub.start_display_time) * 1000, AV_TIME_BASE_Q, tb);
  pkt->dts = pkt->pts;
  pkt->duration =
      ff::av_rescale_q(sub.end_display_time - sub.start_display_time, AVRational{1, 1000}, tb);
  ++ost.FrameNumber;
  WritePacket(ost, pkt);
}

// --- Bitstream filters and writing

void TTranscodeRun::WritePacket(TRunOutputStream& ost, AVPacket* pkt) {
  pkt->stream_index = ost.Index;
  if (ost.Filters.empty())
    Mux(ost, pkt);
  else
    FilterAndWrite(ost, 0, pkt);
}

// Passes the packet through the filters from `filter` on; nullptr flushes them.
void TTranscodeRun::FilterAndWrite(TRunOutputStream& ost, size_t filter, AVPacket* pkt) {
  if (filter == ost.Filters.size()) {
    if (pkt) Mux(ost, pkt);
    return;
  }
  AVBSFContext* bsf = ost.Filters[filter].get();
  int r = ff::av_bsf_send_packet(bsf, pkt);
  if (r < 0) {
    if (pkt) ff::av_packet_unref(pkt);
    BitstreamFilterFailed(ost, filter, r);
    return;
  }
  TPacketPtr out(ff::av_packet_alloc());
  if (!out) throw FFmpegException("Out of memory in bitstream filtering");
  for (;;) {
    r = ff::av_bsf_receive_packet(bsf, out.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
    if (r < 0) {
      BitstreamFilterFailed(ost, filter, r);
      break;
    }
    out->stream_index = ost.Index;
    FilterAndWrite(ost, filter + 1, out.get());
  }
  if (!pkt) FilterAndWrite(ost, filter + 1, nullptr);
}

void TTranscodeRun::BitstreamFilterFailed(const TRunOutputStream& ost, size_t filter, int error) {
  std::string msg = StrFmt("%s failed for stream %d, codec %s", ost.Filters[filter]->filter->name,
                           ost.Index, ff::avcodec_get_name(ost.Stream->codecpar->codec_id)) +
                    ": " + AVErrorText(error);
  if (FOpt.ExitOnError) throw FFmpegException(msg);
  Log(llError, "%s", msg.c_str());
}

void TTranscodeRun::FlushBitstreamFilters(TRunOutputStream& ost) {
  if (!ost.Filters.empty()) FilterAndWrite(ost, 0, nullptr);
}

void TTranscodeRun::Mux(TRunOutputStream& ost, AVPacket* pkt) {
  const AVRational from =
      ost.Filters.empty() ? ost.PacketTimeBase : ost.Filters.back()->time_base_out;
  ff::av_packet_rescale_ts(pkt, from, ost.Stream->time_base);
  pkt->stream_index = ost.Index;
  int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  if (ts != AV_NOPTS_VALUE) {
    int64_t end = ts + pkt->duration;
    if (ost.LastEnd == AV_NOPTS_VALUE || end > ost.LastEnd) ost.LastEnd = end;
  }
  if (ost.Kind == AVMEDIA_TYPE_VIDEO) FVideoSize += pkt->size;
  if (ost.Kind == AVMEDIA_TYPE_AUDIO) FAudioSize += pkt->size;
  if (pkt->size > 0) ++ost.File->PacketsWritten;  // not the side-data-only ones (FLAC's last)
  int r = ff::av_interleaved_write_frame(ost.File->Context.get(), pkt);
  if (r < 0) throw FFmpegException("av_interleaved_write_frame(): " + AVErrorText(r));
}
