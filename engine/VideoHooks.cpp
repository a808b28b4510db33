// Picture hooks of a run: deinterlacing into the hook buffer, the custom hook (picture → 24-bit
// bitmap → handler → back), the frame-hook plug-ins, and the post hooks (preview bitmap event
// and live preview) on the final pictures.
#include <exception>

#include "engine/Deinterlace.h"
#include "engine/FFmpegException.h"
#include "engine/Transcode.h"
#include "media/Previewer.h"

namespace {
uint32_t Bit(TPostHook hook) {
  return 1u << hook;
}
}  // namespace

// The decoded picture, or the hook buffer holding its (deinterlaced, hooked) copy.
AVFrame* TTranscodeRun::ApplyPictureHooks(AVFrame* frame) {
  if (!FOpt.DoDeinterlace && !FCustomHookOn && !FFrameHooksOn) return frame;
  if (!CopyToHookBuffer(frame)) return frame;
  AVFrame* picture = FHookFrame.get();
  if (FCustomHookOn) {
    RunCustomHook(picture);
  } else if (FFrameHooksOn) {
    TFrameHookPicture p;
    for (int i = 0; i < 4; ++i) {
      p.data[i] = picture->data[i];
      p.linesize[i] = picture->linesize[i];
    }
    FFrameHooks.Process(&p, picture->format, picture->width, picture->height, picture->pts);
  }
  return picture;
}

bool TTranscodeRun::CopyToHookBuffer(AVFrame* frame) {
  if (!FHookFrame) FHookFrame.reset(ff::av_frame_alloc());
  AVFrame* h = FHookFrame.get();
  bool ok = h != nullptr;
  if (ok && (!h->buf[0] || h->width != frame->width || h->height != frame->height ||
             h->format != frame->format)) {
    ff::av_frame_unref(h);
    h->width = frame->width;
    h->height = frame->height;
    h->format = frame->format;
    ok = ff::av_frame_get_buffer(h, 0) >= 0;
  }
  // Kept and reused; a copy is made only while the encoder still holds the last picture.
  ok = ok && ff::av_frame_make_writable(h) >= 0;
  if (!ok) {
    Log(llError, "hook buf malloc error.");
    return false;
  }
  bool copied = false;
  if (FOpt.DoDeinterlace) {
    copied = DeinterlacePicture(h, frame);
    if (!copied) Log(llWarning, "Deinterlacing failed.");
  }
  if (!copied && ff::av_frame_copy(h, frame) < 0) {
    Log(llError, "hook buf malloc error.");
    return false;
  }
  ff::av_frame_copy_props(h, frame);
  return true;
}

void TTranscodeRun::RunCustomHook(AVFrame* picture) {
  const AVPixelFormat fmt = static_cast<AVPixelFormat>(picture->format);
  if (!FHookContext.Convert(picture->data, picture->linesize, fmt, picture->width,
                            picture->height)) {
    Log(llError, "Cannot initialize the toRGB conversion context");
    StopPictureHooks();
    return;
  }
  platform::TBitmap* bitmap = FHookContext.Bitmap();
  bool update = true, stop = false;
  try {
    C.OnCustomHook(bitmap, FHookFrameNumber, picture->pts, update, stop);
  } catch (const std::exception& e) {
    Log(llError, "Error occurs OnCustomHook: %s", e.what());
    update = false;
  }
  if (update) {
    SwsContext* back = FHookContext.FromRGBContext(picture->width, picture->height, fmt);
    if (!back) {
      Log(llError, "Cannot initialize the fromRGB conversion context");
      StopPictureHooks();
      return;
    }
    const uint8_t* src[4] = {bitmap->Bits(), nullptr, nullptr, nullptr};
    const int stride[4] = {bitmap->Stride(), 0, 0, 0};
    ff::sws_scale(back, src, stride, 0, picture->height, picture->data, picture->linesize);
  }
  if (stop) StopPictureHooks();
}

// The custom hook and the frame-hook plug-ins stay off for the rest of the run.
void TTranscodeRun::StopPictureHooks() {
  FCustomHookOn = false;
  FFrameHooksOn = false;
}

// The preview bitmap event (phBitmap) or else the live preview (phPreview), at most once per
// preview interval. The post-hook lock covers reading the hooks and making the bitmap; the
// handler and the painting run after it, since they may wait for the main thread, which takes
// the same lock when the preview settings change.
void TTranscodeRun::ApplyPostHooks(const AVFrame* picture, int64_t pts) {
  const int64_t now = ff::av_gettime_relative();
  if (FLastPreview && now - FLastPreview <= C.PreviewInterval) return;
  std::unique_lock lock(PostHookLock());
  const uint32_t hooks = C.FPostHooks & ~FDisabledPostHooks;
  TPostHook use;
  if ((hooks & Bit(phBitmap)) && C.OnPreviewBitmap)
    use = phBitmap;
  else if (hooks & Bit(phPreview))
    use = phPreview;
  else
    return;
  if (!FPostContext.Convert(picture->data, picture->linesize,
                            static_cast<AVPixelFormat>(picture->format), picture->width,
                            picture->height)) {
    Log(llError, "Cannot initialize the toRGB conversion context");
    FDisabledPostHooks |= Bit(use);
    return;
  }
  FLastPreview = now;
  lock.unlock();

  platform::TBitmap* bitmap = FPostContext.Bitmap();
  if (use == phBitmap) {
    try {
      C.OnPreviewBitmap(bitmap, FHookFrameNumber, pts);
    } catch (const std::exception& e) {
      Log(llError, "%s", e.what());
    }
    return;
  }
  if (!FPreviewer) FPreviewer = CreatePreviewer();
  if (!FPreviewer || !FPreviewer->PaintFrame(bitmap, FHookFrameNumber, pts))
    FDisabledPostHooks |= Bit(phPreview);
}
