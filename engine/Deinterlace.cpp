#include "engine/Deinterlace.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace {

struct TPlaneShift {
  AVPixelFormat Format;
  int Planes;
  int ChromaShiftX, ChromaShiftY;
};
// clang-format off
constexpr TPlaneShift kFormats[] = {
  {AV_PIX_FMT_YUV420P,  3, 1, 1},
  {AV_PIX_FMT_YUVJ420P, 3, 1, 1},
  {AV_PIX_FMT_YUV422P,  3, 1, 0},
  {AV_PIX_FMT_YUVJ422P, 3, 1, 0},
  {AV_PIX_FMT_YUV444P,  3, 0, 0},
  {AV_PIX_FMT_YUVJ444P, 3, 0, 0},
  {AV_PIX_FMT_YUV411P,  3, 2, 0},
  {AV_PIX_FMT_YUV410P,  3, 2, 2},
  {AV_PIX_FMT_GRAY8,    1, 0, 0},
};
// clang-format on

void DeinterlacePlane(uint8_t* dst, int dstStride, const uint8_t* src, int srcStride, int width,
                      int height) {
  auto line = [&](int y) {
    return src + static_cast<ptrdiff_t>(std::clamp(y, 0, height - 1)) * srcStride;
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* out = dst + static_cast<ptrdiff_t>(y) * dstStride;
    if (y % 2 == 0) {
      memcpy(out, line(y), width);
      continue;
    }
    const uint8_t *a = line(y - 2), *b = line(y - 1), *c = line(y), *d = line(y + 1),
                  *e = line(y + 2);
    for (int x = 0; x < width; ++x) {
      int v = (-a[x] + 4 * b[x] + 2 * c[x] + 4 * d[x] - e[x] + 4) >> 3;
      out[x] = static_cast<uint8_t>(std::clamp(v, 0, 255));
    }
  }
}

}  // namespace

bool DeinterlacePicture(AVFrame* dst, const AVFrame* src) {
  const TPlaneShift* f = nullptr;
  for (const TPlaneShift& k : kFormats)
    if (k.Format == src->format) f = &k;
  if (!f || src->width <= 0 || src->height <= 0 || dst->format != src->format ||
      dst->width != src->width || dst->height != src->height)
    return false;
  for (int p = 0; p < f->Planes; ++p) {
    int w = p ? -((-src->width) >> f->ChromaShiftX) : src->width;
    int h = p ? -((-src->height) >> f->ChromaShiftY) : src->height;
    DeinterlacePlane(dst->data[p], dst->linesize[p], src->data[p], src->linesize[p], w, h);
  }
  return true;
}
