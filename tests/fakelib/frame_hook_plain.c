/* A frame-hook plug-in without Configure: inverts the luma plane. */
#include <stdint.h>

#include "media/FrameHookPlugin.h"

void Process(void* ctx, TFrameHookPicture* picture, int pix_fmt, int width, int height,
             int64_t pts) {
  (void)ctx;
  (void)pix_fmt;
  (void)pts;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = picture->data[0] + y * picture->linesize[0];
    for (int x = 0; x < width; ++x) row[x] = (uint8_t)(255 - row[x]);
  }
}
