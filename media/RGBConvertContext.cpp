#include "media/RGBConvertContext.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kBicubic = SWS_BICUBIC;  // library flag 4
}

bool TRGBConvertContext::Convert(const uint8_t* const data[4], const int linesize[4],
                                 AVPixelFormat pixFmt, int width, int height) {
  if (width <= 0 || height <= 0 || pixFmt <= AV_PIX_FMT_NONE || !data[0]) return false;
  if (!FBitmap) FBitmap = std::make_unique<platform::TBitmap>();
  FBitmap->SetSize(width, height);
  if (IsDirectCopy(linesize, pixFmt, width, height)) {
    for (int i = 0; i < 4; ++i) {
      FSourcePicture.data[i] = const_cast<uint8_t*>(data[i]);
      FSourcePicture.linesize[i] = linesize[i];
    }
    FRGBPictureRef = &FSourcePicture;
  } else {
    if (!ScaleToRGB(data, linesize, pixFmt, width, height)) return false;
    FRGBPictureRef = &FRGBPicture;
  }
  CopyRowsToBitmap(height);
  return true;
}

bool TRGBConvertContext::IsDirectCopy(const int linesize[4], AVPixelFormat pixFmt, int width,
                                      int height) const {
  return pixFmt == FRGBPixFmt && width % 2 == 0 && height % 2 == 0 &&
         linesize[0] == FBitmap->Stride();
}

bool TRGBConvertContext::ScaleToRGB(const uint8_t* const data[4], const int linesize[4],
                                    AVPixelFormat pixFmt, int width, int height) {
  int needed = ff::av_image_get_buffer_size(FRGBPixFmt, width, height, 1);
  if (needed <= 0) return false;
  if (!FRGBBuf || FRGBBufSize < needed) {
    FRGBBuf.reset();
    FRGBBufSize = 0;
    FRGBBuf.reset(static_cast<uint8_t*>(ff::av_malloc(needed)));
    if (!FRGBBuf) return false;
    FRGBBufSize = needed;
  }
  if (ff::av_image_fill_arrays(FRGBPicture.data, FRGBPicture.linesize, FRGBBuf.get(), FRGBPixFmt,
                               width, height, 1) < 0)
    return false;
  toRGB_convert_ctx.reset(ff::sws_getCachedContext(toRGB_convert_ctx.release(), width, height,
                                                   pixFmt, width, height, FRGBPixFmt, kBicubic,
                                                   nullptr, nullptr, nullptr));
  if (!toRGB_convert_ctx) return false;
  return ff::sws_scale(toRGB_convert_ctx.get(), data, linesize, 0, height, FRGBPicture.data,
                       FRGBPicture.linesize) == height;
}

void TRGBConvertContext::CopyRowsToBitmap(int height) {
  const TPicture& src = *FRGBPictureRef;
  const size_t bytes = static_cast<size_t>(std::min(src.linesize[0], FBitmap->Stride()));
  for (int r = 0; r < height; ++r)
    memcpy(FBitmap->ScanLine(r), src.data[0] + static_cast<ptrdiff_t>(r) * src.linesize[0], bytes);
}

SwsContext* TRGBConvertContext::FromRGBContext(int width, int height, AVPixelFormat dstFmt) {
  fromRGB_convert_ctx.reset(ff::sws_getCachedContext(fromRGB_convert_ctx.release(), width, height,
                                                     FRGBPixFmt, width, height, dstFmt, kBicubic,
                                                     nullptr, nullptr, nullptr));
  return fromRGB_convert_ctx.get();
}

void TRGBConvertContext::Release() {
  FBitmap.reset();
  FRGBBuf.reset();
  toRGB_convert_ctx.reset();
  fromRGB_convert_ctx.reset();
  FRGBPixFmt = kRGBPixFmt;
  FBMPPixFmt = kBitmapBits;
  FRGBBufSize = 0;
  FRGBPicture = TPicture{};
  FSourcePicture = TPicture{};
  FRGBPictureRef = nullptr;
}
