// The audio path of a run: volume, sample-format conversion and resampling (libswresample),
// the audio sync methods, the sample FIFO and frame-size encoding.
//
// Samples keep the source's precision: a resampler works in the source's own sample format
// (planar), and an encoder of 32-bit integer samples is told how many bits the source has, so
// a 24-bit source stays 24-bit.
#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/FFmpegException.h"
#include "engine/Transcode.h"

namespace {

// Samples per frame for encoders that take any frame size (PCM).
constexpr int kVariableChunk = 4096;
// Resampler settings.
constexpr int kFilterLength = 16;
constexpr int kPhaseShift = 10;
constexpr double kCutoff = 0.8;
// A sync difference below this many samples is left alone.
constexpr double kSyncTolerance = 50;

int SourceBits(const AVCodecParameters* par) {
  if (par->bits_per_raw_sample > 0) return par->bits_per_raw_sample;
  switch (static_cast<AVSampleFormat>(par->format)) {
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
      return 0;
    default:
      return par->bits_per_coded_sample;
  }
}

template <typename T, typename Wide>
void ScaleSamples(T* p, size_t count, int volume, Wide lo, Wide hi) {
  for (size_t i = 0; i < count; ++i) {
    Wide v = (static_cast<Wide>(p[i]) * volume + 128) >> 8;
    p[i] = static_cast<T>(std::clamp(v, lo, hi));
  }
}

template <typename T>
void ScaleFloats(T* p, size_t count, int volume) {
  const T k = static_cast<T>(volume) / 256;
  for (size_t i = 0; i < count; ++i) p[i] = std::clamp(p[i] * k, T(-1), T(1));
}

void** AsPlanes(const uint8_t* const* planes) {
  return reinterpret_cast<void**>(const_cast<uint8_t**>(planes));
}

// The frame's layout, or the default one for its channel count when it names none.
void LayoutOf(const AVFrame* frame, AVChannelLayout* layout) {
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    ff::av_channel_layout_default(layout, frame->ch_layout.nb_channels);
  else
    ff::av_channel_layout_copy(layout, &frame->ch_layout);
}

}  // namespace

// --- Set-up

void TTranscodeRun::SetupAudio(TRunOutputStream& ost, TRunInputStream& ist) {
  ost.Audio = std::make_unique<TAudioState>();
  AVCodecContext* enc = ost.Encoder.get();
  if (ff::av_get_packed_sample_fmt(enc->sample_fmt) != AV_SAMPLE_FMT_S32 ||
      enc->bits_per_raw_sample > 0)
    return;
  int bits = SourceBits(ist.Stream->codecpar);
  if (C.JoinMode())
    for (int src : ost.SegmentSources)
      bits = std::max(bits, SourceBits(FInputStreams[src].Stream->codecpar));
  if (bits > 0) enc->bits_per_raw_sample = std::min(bits, 32);
}

void TTranscodeRun::PrepareAudioEncoding(TRunOutputStream& ost) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  const bool variable = enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
  a.FrameSize = variable ? 0 : enc->frame_size;
  a.SmallLastFrame = variable || (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
  const int chunk = a.FrameSize > 0 ? a.FrameSize : kVariableChunk;
  a.Fifo.reset(ff::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 2 * chunk));
  if (!a.Fifo) throw FFmpegException("av_fifo_alloc fail");
  a.EncodeFrame.reset(ff::av_frame_alloc());
  AVFrame* f = a.EncodeFrame.get();
  if (!f) throw FFmpegException("Out of memory in do_audio_out");
  f->format = enc->sample_fmt;
  f->sample_rate = enc->sample_rate;
  ff::av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
  f->nb_samples = chunk;
  if (ff::av_frame_get_buffer(f, 0) < 0) throw FFmpegException("Out of memory in do_audio_out");
}

// --- Volume (256 = unchanged), in the decoded sample format, clipped

void TTranscodeRun::ApplyVolume(AVFrame* frame) const {
  if (ff::av_frame_make_writable(frame) < 0) throw FFmpegException("Out of memory in do_audio_out");
  const AVSampleFormat fmt = static_cast<AVSampleFormat>(frame->format);
  const bool planar = ff::av_sample_fmt_is_planar(fmt);
  const int channels = frame->ch_layout.nb_channels;
  const int planes = planar ? channels : 1;
  const size_t count = static_cast<size_t>(frame->nb_samples) * (planar ? 1 : channels);
  const int vol = FOpt.AudioVolume;
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = frame->extended_data[p];
    switch (ff::av_get_packed_sample_fmt(fmt)) {
      case AV_SAMPLE_FMT_U8:
        for (size_t i = 0; i < count; ++i) {
          int v = ((data[i] - 128) * vol + 128) >> 8;
          data[i] = static_cast<uint8_t>(std::clamp(v, -128, 127) + 128);
        }
        break;
      case AV_SAMPLE_FMT_S16:
        ScaleSamples(reinterpret_cast<int16_t*>(data), count, vol, -32768, 32767);
        break;
      case AV_SAMPLE_FMT_S32:
        ScaleSamples(reinterpret_cast<int32_t*>(data), count, vol, int64_t{INT32_MIN},
                     int64_t{INT32_MAX});
        break;
      case AV_SAMPLE_FMT_FLT:
        ScaleFloats(reinterpret_cast<float*>(data), count, vol);
        break;
      case AV_SAMPLE_FMT_DBL:
        ScaleFloats(reinterpret_cast<double*>(data), count, vol);
        break;
      default:
        break;
    }
  }
}

// --- One decoded frame into the FIFO and the encoder

void TTranscodeRun::DoAudioOut(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* frame) {
  const int inRate = frame->sample_rate;
  if (inRate <= 0 || frame->nb_samples <= 0) return;
  // Only the samples after the start time and before the end of the recording time.
  const int64_t t = frame->pts - FStartTime;
  int first = 0, count = frame->nb_samples;
  if (t < 0)
    first = static_cast<int>(std::min<int64_t>(count, ff::av_rescale(-t, inRate, AV_TIME_BASE)));
  if (FRecordingTime != INT64_MAX) {
    int64_t keep = ff::av_rescale(FRecordingTime - t, inRate, AV_TIME_BASE);
    count = static_cast<int>(std::clamp<int64_t>(keep, 0, count));
  }
  if (first >= count) return;

  MakeResampler(ost, frame);
  const int64_t firstTime = t + ff::av_rescale(first, AV_TIME_BASE, inRate);
  int skip = 0;
  int silence = SyncAudio(ost, ist, firstTime, count - first, &skip);
  if (silence > 0) AddSilence(ost, silence);
  first += skip;
  if (first >= count) return;

  const AVSampleFormat fmt = static_cast<AVSampleFormat>(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const bool planar = ff::av_sample_fmt_is_planar(fmt);
  const int bytes = ff::av_get_bytes_per_sample(fmt);
  const uint8_t* planes[AV_NUM_DATA_POINTERS * 8];
  const int planeCount = planar ? channels : 1;
  if (planeCount > static_cast<int>(std::size(planes)))
    throw FFmpegException("Buffer sizes too large in do_audio_out");
  for (int p = 0; p < planeCount; ++p)
    planes[p] =
        frame->extended_data[p] + static_cast<size_t>(first) * bytes * (planar ? 1 : channels);
  ConvertIntoFifo(ost, planes, count - first);
  EncodeAudioFrames(ost, false);
}

void TTranscodeRun::MakeResampler(TRunOutputStream& ost, const AVFrame* frame) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  const AVSampleFormat fmt = static_cast<AVSampleFormat>(frame->format);
  const int rate = frame->sample_rate, channels = frame->ch_layout.nb_channels;
  const int outChannels = enc->ch_layout.nb_channels;
  const bool needed = fmt != enc->sample_fmt || rate != enc->sample_rate ||
                      channels != outChannels || FOpt.AudioSync > 1;
  const bool same = a.InFormat == fmt && a.InRate == rate && a.InChannels == channels;
  if (same && a.Resample == needed) return;
  if (a.Resample) {
    // The input changed: what the old resampler holds goes out first.
    ConvertIntoFifo(ost, nullptr, 0);
    a.Resampler.reset();
  }
  a.InFormat = fmt;
  a.InRate = rate;
  a.InChannels = channels;
  a.Resample = needed;
  if (!needed) return;

  AVChannelLayout in{}, out{};
  LayoutOf(frame, &in);
  // The same channel count is passed through as it is, never remixed.
  if (channels == outChannels)
    ff::av_channel_layout_copy(&out, &in);
  else
    ff::av_channel_layout_copy(&out, &enc->ch_layout);
  SwrContext* swr = nullptr;
  int r = ff::swr_alloc_set_opts2(&swr, &out, enc->sample_fmt, enc->sample_rate, &in, fmt, rate, 0,
                                  nullptr);
  ff::av_channel_layout_uninit(&in);
  ff::av_channel_layout_uninit(&out);
  if (r < 0 || !swr) throw FFmpegException("Cannot get resampling context");
  a.Resampler.reset(swr);
  ff::av_opt_set_int(swr, "filter_size", kFilterLength, 0);
  ff::av_opt_set_int(swr, "phase_shift", kPhaseShift, 0);
  ff::av_opt_set_int(swr, "linear_interp", 0, 0);
  ff::av_opt_set_double(swr, "cutoff", kCutoff, 0);
  // Work in the source's precision (8-bit sources in 16 bits).
  AVSampleFormat work = ff::av_get_planar_sample_fmt(fmt);
  if (work == AV_SAMPLE_FMT_U8P) work = AV_SAMPLE_FMT_S16P;
  if (work == AV_SAMPLE_FMT_S64P) work = AV_SAMPLE_FMT_DBLP;
  ff::av_opt_set_int(swr, "internal_sample_fmt", work, 0);
  if (ff::swr_init(swr) < 0) {
    if (rate != enc->sample_rate || channels != outChannels)
      throw FFmpegException::Fmt("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                 channels, rate, outChannels, enc->sample_rate);
    throw FFmpegException::Fmt("Cannot convert %s sample format to %s sample format",
                               ff::av_get_sample_fmt_name(fmt),
                               ff::av_get_sample_fmt_name(enc->sample_fmt));
  }
}

// The audio sync methods. `firstTime` is the time of the frame's first kept sample (µs from the
// output start). Returns the samples of silence to add before it; *skip is set to the input
// samples to discard.
int TTranscodeRun::SyncAudio(TRunOutputStream& ost, TRunInputStream& ist, int64_t firstTime,
                             int available, int* skip) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  const int rate = enc->sample_rate;
  const int64_t target = ff::av_rescale(firstTime, rate, AV_TIME_BASE);
  *skip = 0;
  if (FOpt.AudioSync == 0) {
    // Positions follow the samples; only the first frame places the stream.
    if (!a.Started) ost.SyncOpts = target;
    a.Started = true;
    return 0;
  }
  a.Started = true;
  const double delta = static_cast<double>(target - AudioEndSamples(ost));
  if (std::fabs(delta) <= kSyncTolerance) return 0;
  if (ist.IsStart || std::fabs(delta) > FOpt.AudioDriftThreshold * rate) {
    if (delta < 0) {
      int inRate = a.InRate > 0 ? a.InRate : rate;
      *skip = static_cast<int>(std::min<int64_t>(available, std::llround(-delta * inRate / rate)));
      if (FOpt.Verbose > 2) Log(llVerbose, "discarding %d audio samples", static_cast<int>(-delta));
      return 0;
    }
    if (FOpt.Verbose > 2)
      Log(llVerbose, "adding %d audio samples of silence", static_cast<int>(delta));
    return static_cast<int>(std::min<double>(delta, INT_MAX / 2));
  }
  if (FOpt.AudioSync > 1 && a.Resampler) {
    int comp = static_cast<int>(std::clamp<double>(delta, -FOpt.AudioSync, FOpt.AudioSync));
    if (FOpt.Verbose > 2)
      Log(llVerbose, "compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp,
          rate);
    ff::swr_set_compensation(a.Resampler.get(), comp, rate);
  }
  return 0;
}

// Converts (when needed) and appends samples to the FIFO; data nullptr drains the resampler.
void TTranscodeRun::ConvertIntoFifo(TRunOutputStream& ost, const uint8_t* const* data,
                                    int samples) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  if (!a.Resample) {
    if (!data || samples <= 0) return;
    if (ff::av_audio_fifo_write(a.Fifo.get(), AsPlanes(data), samples) < samples)
      throw FFmpegException("av_fifo_realloc2() failed");
    return;
  }
  SwrContext* swr = a.Resampler.get();
  const int channels = enc->ch_layout.nb_channels;
  for (;;) {
    int64_t wanted = ff::swr_get_out_samples(swr, data ? samples : 0);
    if (wanted < 0) throw FFmpegException("av_audio_convert() failed");
    if (wanted > INT_MAX / 8 / std::max(channels, 1))
      throw FFmpegException("Buffer sizes too large in do_audio_out");
    if (wanted > a.ConvertedCapacity) {
      // Grown, never shrunk.
      int capacity = static_cast<int>(std::max<int64_t>(wanted, 2 * a.ConvertedCapacity));
      int linesize = 0;
      a.Converted.assign(std::max(channels, 1), nullptr);
      if (ff::av_samples_alloc(a.Converted.data(), &linesize, channels, capacity, enc->sample_fmt,
                               0) < 0)
        throw FFmpegException("Out of memory in do_audio_out");
      a.ConvertedBuf.reset(a.Converted[0]);
      a.ConvertedCapacity = capacity;
    }
    int got = ff::swr_convert(swr, a.Converted.data(), a.ConvertedCapacity,
                              const_cast<const uint8_t**>(data), data ? samples : 0);
    if (got < 0) throw FFmpegException("av_audio_convert() failed");
    if (got > a.ConvertedCapacity) throw FFmpegException("Internal error, buffer size too small");
    if (got > 0 && ff::av_audio_fifo_write(a.Fifo.get(),
                                           reinterpret_cast<void**>(a.Converted.data()), got) < got)
      throw FFmpegException("av_fifo_realloc2() failed");
    // Draining: until the resampler gives nothing more.
    if (data || got == 0) break;
  }
}

void TTranscodeRun::AddSilence(TRunOutputStream& ost, int samples) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  const int channels = enc->ch_layout.nb_channels;
  std::vector<uint8_t*> planes(std::max(channels, 1), nullptr);
  int linesize = 0;
  if (ff::av_samples_alloc(planes.data(), &linesize, channels, samples, enc->sample_fmt, 0) < 0)
    throw FFmpegException("Out of memory in do_audio_out");
  TAVBufferPtr owner(planes[0]);
  ff::av_samples_set_silence(planes.data(), 0, samples, channels, enc->sample_fmt);
  if (ff::av_audio_fifo_write(a.Fifo.get(), reinterpret_cast<void**>(planes.data()), samples) <
      samples)
    throw FFmpegException("av_fifo_realloc2() failed");
}

// Encodes whole frames from the FIFO; with flush also the rest (padded with silence when the
// encoder needs whole frames).
void TTranscodeRun::EncodeAudioFrames(TRunOutputStream& ost, bool flush) {
  TAudioState& a = *ost.Audio;
  AVCodecContext* enc = ost.Encoder.get();
  const int chunk = a.FrameSize > 0 ? a.FrameSize : kVariableChunk;
  AVFrame* f = a.EncodeFrame.get();
  for (;;) {
    int available = ff::av_audio_fifo_size(a.Fifo.get());
    if (available <= 0 || (available < chunk && !flush)) break;
    if (ost.FrameNumber >= FOpt.MaxFrames[AVMEDIA_TYPE_AUDIO]) {
      ff::av_audio_fifo_drain(a.Fifo.get(), available);
      break;
    }
    const int n = std::min(available, chunk);
    f->nb_samples = chunk;
    if (ff::av_frame_make_writable(f) < 0) throw FFmpegException("Out of memory in do_audio_out");
    if (ff::av_audio_fifo_read(a.Fifo.get(), reinterpret_cast<void**>(f->extended_data), n) < n)
      throw FFmpegException("Internal error, buffer size too small");
    f->nb_samples = n;
    if (n < chunk && !a.SmallLastFrame) {
      ff::av_samples_set_silence(f->extended_data, n, chunk - n, enc->ch_layout.nb_channels,
                                 enc->sample_fmt);
      f->nb_samples = chunk;
    }
    f->pts = ost.SyncOpts;
    ost.SyncOpts += n;
    if (ff::avcodec_send_frame(enc, f) < 0) throw FFmpegException("Audio encoding failed");
    ++ost.FrameNumber;
    ReceivePackets(ost);
  }
}

void TTranscodeRun::FlushAudio(TRunOutputStream& ost) {
  if (ost.Audio->Resample) ConvertIntoFifo(ost, nullptr, 0);
  EncodeAudioFrames(ost, true);
  if (ff::avcodec_send_frame(ost.Encoder.get(), nullptr) < 0)
    throw FFmpegException("Audio encoding failed");
  ReceivePackets(ost);
}

// Where the next sample goes, in output samples: after the FIFO and what the resampler holds.
int64_t TTranscodeRun::AudioEndSamples(const TRunOutputStream& ost) const {
  const TAudioState& a = *ost.Audio;
  int64_t end = ost.SyncOpts + ff::av_audio_fifo_size(a.Fifo.get());
  if (a.Resampler) end += ff::swr_get_delay(a.Resampler.get(), ost.Encoder->sample_rate);
  return end;
}

int64_t TTranscodeRun::AudioEnd(const TRunOutputStream& ost) const {
  return ff::av_rescale(AudioEndSamples(ost), AV_TIME_BASE, ost.Encoder->sample_rate);
}
