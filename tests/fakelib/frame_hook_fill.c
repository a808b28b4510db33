/* A frame-hook plug-in for the tests: fills the luma plane with argv[1]; "fail" refuses to
 * configure; with argv[2] it writes "released" into that file on Release. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "media/FrameHookPlugin.h"

typedef struct {
  int value;
  char marker[1024];
} Context;

int Configure(void** ctxp, int argc, char* argv[]) {
  if (argc < 2 || strcmp(argv[1], "fail") == 0) return -1;
  Context* c = calloc(1, sizeof(Context));
  if (!c) return -1;
  c->value = atoi(argv[1]);
  if (argc > 2) snprintf(c->marker, sizeof c->marker, "%s", argv[2]);
  *ctxp = c;
  return 0;
}

void Process(void* ctx, TFrameHookPicture* picture, int pix_fmt, int width, int height,
             int64_t pts) {
  Context* c = ctx;
  (void)pix_fmt;
  (void)pts;
  for (int y = 0; y < height; ++y)
    memset(picture->data[0] + y * picture->linesize[0], c->value, width);
}

void Release(void* ctx) {
  Context* c = ctx;
  if (c->marker[0]) {
    FILE* f = fopen(c->marker, "w");
    if (f) {
      fputs("released", f);
      fclose(f);
    }
  }
  free(c);
}
