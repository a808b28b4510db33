// Picture-to-bitmap conversion shared by the probe, the preview player and the engine's
// previews: a picture of any pixel format and size becomes a 24-bit BGR platform::TBitmap.
//
// The scaling contexts and the converted-picture buffer are cached between calls and grown,
// never shrunk. One user thread at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/AVLibs.h"
#include "engine/AVHolders.h"
#include "platform/Bitmap.h"

// A picture laid over a buffer: four plane pointers and their line sizes.
struct TPicture {
  uint8_t* data[4] = {};
  int linesize[4] = {};
};

class TRGBConvertContext {
 public:
  TRGBConvertContext() = default;
  TRGBConvertContext(const TRGBConvertContext&) = delete;
  TRGBConvertContext& operator=(const TRGBConvertContext&) = delete;

  // Converts the picture into Bitmap() (created on first use, sized to width × height).
  // False when the picture cannot be converted; Bitmap() then holds no valid picture.
  bool Convert(const uint8_t* const data[4], const int linesize[4], AVPixelFormat pixFmt, int width,
               int height);
  bool Convert(const TPicture& picture, AVPixelFormat pixFmt, int width, int height) {
    return Convert(picture.data, picture.linesize, pixFmt, width, height);
  }

  // The cached context that turns a BGR 24-bit picture of width × height back into dstFmt
  // (for picture hooks that draw on the bitmap); nullptr when the library cannot do it.
  SwsContext* FromRGBContext(int width, int height, AVPixelFormat dstFmt);

  // Frees the bitmap, the buffer and both scaling contexts.
  void Release();

  platform::TBitmap* Bitmap() const { return FBitmap.get(); }
  AVPixelFormat RGBPixFmt() const { return FRGBPixFmt; }
  int BMPPixFmt() const { return FBMPPixFmt; }
  int RGBBufSize() const { return FRGBBufSize; }
  const TPicture& RGBPicture() const { return FRGBPicture; }
  // The picture last copied into the bitmap: RGBPicture() or the caller's source planes (valid
  // only as long as the caller keeps them).
  const TPicture* RGBPictureRef() const { return FRGBPictureRef; }

 private:
  bool IsDirectCopy(const int linesize[4], AVPixelFormat pixFmt, int width, int height) const;
  bool ScaleToRGB(const uint8_t* const data[4], const int linesize[4], AVPixelFormat pixFmt,
                  int width, int height);
  void CopyRowsToBitmap(int height);

  static constexpr AVPixelFormat kRGBPixFmt = AV_PIX_FMT_BGR24;
  static constexpr int kBitmapBits = 24;

  AVPixelFormat FRGBPixFmt = kRGBPixFmt;
  int FBMPPixFmt = kBitmapBits;
  std::unique_ptr<platform::TBitmap> FBitmap;
  TAVBufferPtr FRGBBuf;
  int FRGBBufSize = 0;
  TPicture FRGBPicture;
  TPicture FSourcePicture;  // the caller's planes when they are copied directly
  const TPicture* FRGBPictureRef = nullptr;
  TSwsContextPtr toRGB_convert_ctx;
  TSwsContextPtr fromRGB_convert_ctx;
};
