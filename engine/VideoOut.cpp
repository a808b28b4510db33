// The video path of a run: the filter graph, or cropping and scaling without one; the video
// sync methods with drops and duplicates; mid-stream size changes; encoding.
#include <cmath>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "engine/Transcode.h"

namespace {

AVFilterContext* CreateFilter(AVFilterGraph* graph, const char* filter, const char* name,
                              const std::string& args) {
  AVFilterContext* ctx = nullptr;
  const AVFilter* f = ff::avfilter_get_by_name(filter);
  if (!f || ff::avfilter_graph_create_filter(&ctx, f, name, args.empty() ? nullptr : args.c_str(),
                                             nullptr, graph) < 0)
    throw FFmpegException("Error opening filters!");
  return ctx;
}

void Link(AVFilterContext* from, AVFilterContext* to) {
  if (ff::avfilter_link(from, 0, to, 0) < 0) throw FFmpegException("Error opening filters!");
}

TFilterInOutPtr InOut(const char* name, AVFilterContext* ctx) {
  TFilterInOutPtr io(ff::avfilter_inout_alloc());
  if (!io) throw FFmpegException("Error opening filters!");
  io->name = ff::av_strdup(name);
  io->filter_ctx = ctx;
  io->pad_idx = 0;
  io->next = nullptr;
  return io;
}

}  // namespace

// --- Set-up

void TTranscodeRun::SetupVideo(TRunOutputStream& ost, TRunInputStream& ist) {
  const AVCodecParameters* par = ist.Stream->codecpar;
  if (par->format == AV_PIX_FMT_NONE)
    throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
  ost.Video = std::make_unique<TVideoState>();
  TVideoState& v = *ost.Video;
  AVCodecContext* enc = ost.Encoder.get();
  v.TopBand = FOpt.FrameTopBand;
  v.BottomBand = FOpt.FrameBottomBand;
  v.LeftBand = FOpt.FrameLeftBand;
  v.RightBand = FOpt.FrameRightBand;
  if (enc->width <= 0 || enc->height <= 0) {
    enc->width = par->width - v.LeftBand - v.RightBand;
    enc->height = par->height - v.TopBand - v.BottomBand;
  }
  const bool variableRate = ost.File->Context->oformat->flags & AVFMT_VARIABLE_FPS;
  v.Sync = FOpt.VideoSync >= 0 ? FOpt.VideoSync : (variableRate ? 2 : 1);
  v.Filtered.reset(ff::av_frame_alloc());
  v.Cropped.reset(ff::av_frame_alloc());
  v.EncodeRef.reset(ff::av_frame_alloc());
  if (!v.Filtered || !v.Cropped || !v.EncodeRef) throw FFmpegException("Out of memory");

  const AVPixelFormat fmt = static_cast<AVPixelFormat>(par->format);
  if (C.UseFilters()) {
    BuildFilterGraph(ost, par->width, par->height, fmt, ist.Stream->sample_aspect_ratio);
    enc->width = v.GraphWidth;
    enc->height = v.GraphHeight;
    return;
  }
  // Cropping and scaling: the picture and the scaler are made now, so a format the scaler
  // cannot handle fails before anything is written.
  const int w = par->width - v.LeftBand - v.RightBand, h = par->height - v.TopBand - v.BottomBand;
  if (w == enc->width && h == enc->height && fmt == enc->pix_fmt) return;
  v.TempPicture.reset(ff::av_frame_alloc());
  AVFrame* temp = v.TempPicture.get();
  if (!temp) throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  temp->width = enc->width;
  temp->height = enc->height;
  temp->format = enc->pix_fmt;
  if (ff::av_frame_get_buffer(temp, 0) < 0)
    throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  v.Scaler.reset(ff::sws_getContext(w, h, fmt, enc->width, enc->height, enc->pix_fmt,
                                    C.ScalerFlags(), nullptr, nullptr, nullptr));
  if (!v.Scaler) throw FFmpegException("Cannot get resampling context");
}

// --- Filter graph: "src" (buffer) → crop → scale → the parsed text → "out" (buffersink)

void TTranscodeRun::BuildFilterGraph(TRunOutputStream& ost, int width, int height,
                                     AVPixelFormat fmt, AVRational sar) {
  TVideoState& v = *ost.Video;
  AVCodecContext* enc = ost.Encoder.get();
  v.Graph.reset(ff::avfilter_graph_alloc());
  AVFilterGraph* graph = v.Graph.get();
  if (!graph) throw FFmpegException("Error opening filters!");
  const int flags = C.ScalerFlags();
  graph->scale_sws_opts = ff::av_strdup(StrFmt("flags=0x%X", flags).c_str());

  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{0, 1};
  v.GraphSource =
      CreateFilter(graph, "buffer", "src",
                   StrFmt("video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d", width,
                          height, fmt, AV_TIME_BASE, sar.num, sar.den));
  v.GraphSink = CreateFilter(graph, "buffersink", "out", "");
  const AVPixelFormat pixFmts[] = {enc->pix_fmt};
  if (ff::av_opt_set_bin(v.GraphSink, "pix_fmts", reinterpret_cast<const uint8_t*>(pixFmts),
                         sizeof pixFmts, AV_OPT_SEARCH_CHILDREN) < 0)
    throw FFmpegException("Error opening filters!");

  AVFilterContext* last = v.GraphSource;
  const int w = width - v.LeftBand - v.RightBand, h = height - v.TopBand - v.BottomBand;
  if (v.TopBand || v.BottomBand || v.LeftBand || v.RightBand) {
    AVFilterContext* crop = CreateFilter(
        graph, "crop", "crop", StrFmt("w=%d:h=%d:x=%d:y=%d", w, h, v.LeftBand, v.TopBand));
    Link(last, crop);
    last = crop;
  }
  if (w != enc->width || h != enc->height) {
    AVFilterContext* scale = CreateFilter(
        graph, "scale", "scale", StrFmt("w=%d:h=%d:flags=0x%X", enc->width, enc->height, flags));
    Link(last, scale);
    last = scale;
  }
  if (!FOpt.VideoFilters.empty()) {
    AVFilterInOut* outputs = InOut("in", last).release();
    AVFilterInOut* inputs = InOut("out", v.GraphSink).release();
    int r =
        ff::avfilter_graph_parse_ptr(graph, FOpt.VideoFilters.c_str(), &inputs, &outputs, nullptr);
    ff::avfilter_inout_free(&inputs);
    ff::avfilter_inout_free(&outputs);
    if (r < 0) throw FFmpegException("Error opening filters!");
  } else {
    Link(last, v.GraphSink);
  }
  if (ff::avfilter_graph_config(graph, nullptr) < 0)
    throw FFmpegException("Error opening filters!");
  v.GraphInWidth = width;
  v.GraphInHeight = height;
  v.GraphInFormat = fmt;
  v.GraphWidth = ff::av_buffersink_get_w(v.GraphSink);
  v.GraphHeight = ff::av_buffersink_get_h(v.GraphSink);
}

void TTranscodeRun::FilterVideo(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* picture) {
  TVideoState& v = *ost.Video;
  if (picture->width != v.GraphInWidth || picture->height != v.GraphInHeight ||
      picture->format != v.GraphInFormat) {
    if (picture->width != v.GraphInWidth || picture->height != v.GraphInHeight)
      Log(llInfo, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.FileIndex,
          ist.StreamIndex, picture->width, picture->height,
          ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format)));
    DrainFilterGraph(ost, ist, false);
    BuildFilterGraph(ost, picture->width, picture->height,
                     static_cast<AVPixelFormat>(picture->format), picture->sample_aspect_ratio);
  }
  if (ff::av_buffersrc_add_frame_flags(v.GraphSource, picture, AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
    throw FFmpegException("Error while filtering");
  DrainFilterGraph(ost, ist, false);
}

// Encodes every picture the graph has ready; with flush the graph's input ends first.
void TTranscodeRun::DrainFilterGraph(TRunOutputStream& ost, TRunInputStream& ist, bool flush) {
  TVideoState& v = *ost.Video;
  if (flush && ff::av_buffersrc_add_frame_flags(v.GraphSource, nullptr, 0) < 0)
    throw FFmpegException("Error while filtering");
  AVFrame* f = v.Filtered.get();
  const AVRational tb = ff::av_buffersink_get_time_base(v.GraphSink);
  for (;;) {
    int r = ff::av_buffersink_get_frame(v.GraphSink, f);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
    if (r < 0) throw FFmpegException("Error while filtering");
    if (f->pts != AV_NOPTS_VALUE) f->pts = ff::av_rescale_q(f->pts, tb, AV_TIME_BASE_Q);
    DoVideoOut(ost, ist, f);
    ff::av_frame_unref(f);
  }
}

// --- One picture to the encoder

void TTranscodeRun::DoVideoOut(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* picture) {
  const double t = (picture->pts - FStartTime) / static_cast<double>(AV_TIME_BASE);
  int n = VideoFrameCount(ost, t);
  if (n <= 0) return;
  AVFrame* out = picture;
  if (!ost.Video->Graph) {
    NoteSourceChange(ost, ist, picture);
    out = CropPicture(ost, picture);
  }
  out = ScalePicture(ost, out);
  ApplyPostHooks(out, picture->pts);
  for (int i = 0; i < n; ++i) EncodeVideo(ost, out);
}

// How many times the picture is written (0: dropped), by the sync method.
int TTranscodeRun::VideoFrameCount(TRunOutputStream& ost, double syncTime) {
  TVideoState& v = *ost.Video;
  const double position = syncTime / av_q2d(ost.Encoder->time_base);
  int n = 1;
  if (v.Sync == 0) {
    int64_t pts = std::llround(position);
    // Frames must go forward; one that does not is dropped.
    if (ost.FrameNumber > 0 && pts < ost.SyncOpts)
      n = 0;
    else
      ost.SyncOpts = pts;
  } else {
    const double delta = position - static_cast<double>(ost.SyncOpts);
    if (delta < -1.1) {
      n = 0;
    } else if (v.Sync == 2) {
      if (delta <= -0.6)
        n = 0;
      else if (delta > 0.6)
        ost.SyncOpts = std::llround(position);
    } else if (delta > 1.1) {
      n = static_cast<int>(std::llround(delta));
    }
  }
  if (n == 0) {
    ++FDropFrames;
    if (FOpt.Verbose > 2) Log(llVerbose, "*** drop!");
    return 0;
  }
  if (n > 1) {
    FDupFrames += n - 1;
    if (FOpt.Verbose > 2) Log(llVerbose, "*** %d dup!", n - 1);
  }
  int64_t left = FOpt.MaxFrames[AVMEDIA_TYPE_VIDEO] - ost.FrameNumber;
  return static_cast<int>(std::min<int64_t>(n, std::max<int64_t>(left, 0)));
}

// A change of the decoded size is logged once per change; the scaler follows by itself.
void TTranscodeRun::NoteSourceChange(TRunOutputStream& ost, TRunInputStream& ist,
                                     const AVFrame* picture) {
  TVideoState& v = *ost.Video;
  const bool changed =
      v.SourceWidth && (picture->width != v.SourceWidth || picture->height != v.SourceHeight);
  if (changed)
    Log(llInfo, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.FileIndex,
        ist.StreamIndex, picture->width, picture->height,
        ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format)));
  v.SourceWidth = picture->width;
  v.SourceHeight = picture->height;
}

AVFrame* TTranscodeRun::CropPicture(TRunOutputStream& ost, AVFrame* picture) {
  TVideoState& v = *ost.Video;
  if (!v.TopBand && !v.BottomBand && !v.LeftBand && !v.RightBand) return picture;
  AVFrame* c = v.Cropped.get();
  ff::av_frame_unref(c);
  if (ff::av_frame_ref(c, picture) < 0) throw FFmpegException("error cropping picture");
  c->crop_top = v.TopBand;
  c->crop_bottom = v.BottomBand;
  c->crop_left = v.LeftBand;
  c->crop_right = v.RightBand;
  if (ff::av_frame_apply_cropping(c, AV_FRAME_CROP_UNALIGNED) < 0)
    throw FFmpegException("error cropping picture");
  return c;
}

// The picture in the encoder's size and pixel format.
AVFrame* TTranscodeRun::ScalePicture(TRunOutputStream& ost, AVFrame* picture) {
  TVideoState& v = *ost.Video;
  AVCodecContext* enc = ost.Encoder.get();
  if (picture->width == enc->width && picture->height == enc->height &&
      picture->format == enc->pix_fmt)
    return picture;
  const AVPixelFormat fmt = static_cast<AVPixelFormat>(picture->format);
  v.Scaler.reset(ff::sws_getCachedContext(v.Scaler.release(), picture->width, picture->height, fmt,
                                          enc->width, enc->height, enc->pix_fmt, C.ScalerFlags(),
                                          nullptr, nullptr, nullptr));
  if (!v.Scaler) throw FFmpegException("Cannot get resampling context");
  if (!v.TempPicture) {
    v.TempPicture.reset(ff::av_frame_alloc());
    if (!v.TempPicture) throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  }
  AVFrame* temp = v.TempPicture.get();
  if (!temp->buf[0]) {
    temp->width = enc->width;
    temp->height = enc->height;
    temp->format = enc->pix_fmt;
    if (ff::av_frame_get_buffer(temp, 0) < 0)
      throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  }
  // The encoder may still hold the last one.
  if (ff::av_frame_make_writable(temp) < 0)
    throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  ff::sws_scale(v.Scaler.get(), picture->data, picture->linesize, 0, picture->height, temp->data,
                temp->linesize);
  ff::av_frame_copy_props(temp, picture);
  return temp;
}

void TTranscodeRun::EncodeVideo(TRunOutputStream& ost, AVFrame* picture) {
  TVideoState& v = *ost.Video;
  AVFrame* ref = v.EncodeRef.get();
  ff::av_frame_unref(ref);
  if (ff::av_frame_ref(ref, picture) < 0) throw FFmpegException("Video encoding failed");
  ref->pts = ost.SyncOpts;
  ref->pict_type = AV_PICTURE_TYPE_NONE;
  ref->key_frame = 0;
  if (FOpt.TopFieldFirst >= 0) ref->top_field_first = FOpt.TopFieldFirst;
  if (!FOpt.SameQuality) ref->quality = 0;
  int r = ff::avcodec_send_frame(ost.Encoder.get(), ref);
  ff::av_frame_unref(ref);
  if (r < 0) throw FFmpegException("Video encoding failed");
  ++ost.SyncOpts;
  ++ost.FrameNumber;
  ReceivePackets(ost);
}
