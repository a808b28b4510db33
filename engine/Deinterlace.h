// Deinterlacing of a decoded picture by a vertical low-pass filter: the lines of the first field
// are kept, each line of the second field becomes (-a + 4b + 2c + 4d - e) / 8 of the five lines
// around it.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

// Writes the deinterlaced `src` into `dst` (same size and format, writable). False for pixel
// formats it does not handle (only planar 8-bit YUV and gray).
bool DeinterlacePicture(AVFrame* dst, const AVFrame* src);
