/* The interface of a frame-hook plug-in ("vhook" option): a shared library that exports
 * "Process" and optionally "Configure" and "Release" with these C signatures.
 *
 *   Configure(ctxp, argc, argv)  called once when the hook is added; argv[0] is the library
 *                                path, the rest are the option's arguments. The plug-in stores
 *                                its context in *ctxp. Non-zero fails the hook.
 *   Process(ctx, picture, pix_fmt, width, height, pts)
 *                                called for every decoded picture of a conversion, on the
 *                                converting thread; the plug-in may change the picture in
 *                                place. pix_fmt is an FFmpeg AVPixelFormat value, pts is in
 *                                microseconds.
 *   Release(ctx)                 called once when the conversion ends.
 *
 * Several conversions may run at once, each with its own contexts. */
#ifndef BRENVO_FRAME_HOOK_PLUGIN_H
#define BRENVO_FRAME_HOOK_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Four plane pointers and their line sizes (bytes per row). */
typedef struct TFrameHookPicture {
  uint8_t* data[4];
  int linesize[4];
} TFrameHookPicture;

typedef int (*TFrameHookConfigureFn)(void** ctxp, int argc, char* argv[]);
typedef void (*TFrameHookProcessFn)(void* ctx, TFrameHookPicture* picture, int pix_fmt, int width,
                                    int height, int64_t pts);
typedef void (*TFrameHookReleaseFn)(void* ctx);

#ifdef __cplusplus
}
#endif

#endif
