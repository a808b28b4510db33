// A 24-bit BGR picture: rows padded to 4 bytes, top row first. The engine, probe and player
// draw into it; the user interface converts it at its edge.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height) { SetSize(width, height); }

  // Keeps the buffer when the size is unchanged; the content is undefined after a change.
  void SetSize(int width, int height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
  // Bytes per row, a multiple of 4.
  int Stride() const { return FStride; }
  uint8_t* ScanLine(int row) { return FPixels.data() + static_cast<size_t>(row) * FStride; }
  const uint8_t* ScanLine(int row) const {
    return FPixels.data() + static_cast<size_t>(row) * FStride;
  }
  uint8_t* Bits() { return FPixels.data(); }
  const uint8_t* Bits() const { return FPixels.data(); }
  size_t ByteSize() const { return FPixels.size(); }

  // Pixel access for tests and small drawing: blue, green, red.
  void SetPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b);
  void GetPixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const;
  void Fill(uint8_t r, uint8_t g, uint8_t b);

  // Writes a Windows BMP file (24-bit, bottom-up); false on an I/O error.
  bool SaveToBmpFile(const char* path) const;

  // Stands in for the canvas lock: held by whoever draws into or reads the picture.
  std::mutex& CanvasLock() { return FCanvasLock; }

 private:
  int FWidth = 0;
  int FHeight = 0;
  int FStride = 0;
  std::vector<uint8_t> FPixels;
  std::mutex FCanvasLock;
};

}  // namespace platform
