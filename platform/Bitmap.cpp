#include "platform/Bitmap.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace platform {

void TBitmap::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  FStride = (width * 3 + 3) & ~3;
  FPixels.assign(static_cast<size_t>(FStride) * height, 0);
}

void TBitmap::SetPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* p = ScanLine(y) + x * 3;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

void TBitmap::GetPixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const {
  const uint8_t* p = ScanLine(y) + x * 3;
  b = p[0];
  g = p[1];
  r = p[2];
}

void TBitmap::Fill(uint8_t r, uint8_t g, uint8_t b) {
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) SetPixel(x, y, r, g, b);
}

namespace {
void Put16(uint8_t* p, uint16_t v) {
  p[0] = v & 0xff;
  p[1] = v >> 8;
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xff;
}
struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
}  // namespace

bool TBitmap::SaveToBmpFile(const char* path) const {
  uint8_t header[54] = {'B', 'M'};
  const uint32_t imageSize = static_cast<uint32_t>(FStride) * FHeight;
  Put32(header + 2, 54 + imageSize);
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, FWidth);
  Put32(header + 22, FHeight);
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, imageSize);
  std::unique_ptr<FILE, FileCloser> f(fopen(path, "wb"));
  if (!f) return false;
  if (fwrite(header, 1, sizeof header, f.get()) != sizeof header) return false;
  for (int y = FHeight - 1; y >= 0; --y)
    if (fwrite(ScanLine(y), 1, FStride, f.get()) != static_cast<size_t>(FStride)) return false;
  return fclose(f.release()) == 0;
}

}  // namespace platform
