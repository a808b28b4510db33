// Owners for library objects: one holder per object, freed through the bound entry points.
#pragma once

#include <memory>

#include "engine/AVLibs.h"

namespace avholders {

struct TCodecContextFree {
  void operator()(AVCodecContext* p) const { ff::avcodec_free_context(&p); }
};
struct TPacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
struct TFrameFree {
  void operator()(AVFrame* p) const { ff::av_frame_free(&p); }
};
struct TSwsFree {
  void operator()(SwsContext* p) const { ff::sws_freeContext(p); }
};
struct TAVFree {
  void operator()(void* p) const { ff::av_free(p); }
};

using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFree>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFree>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsFree>;
using TAVBufferPtr = std::unique_ptr<uint8_t, TAVFree>;

}  // namespace avholders
