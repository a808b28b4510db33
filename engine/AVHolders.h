// Owners of the library objects the converter creates: one holder per object, each freeing it
// with the library's own function. A holder never outlives the loaded libraries.
#pragma once

#include <memory>
#include <string>

#include "engine/AVLibs.h"

struct TCodecContextFree {
  void operator()(AVCodecContext* c) const { ff::avcodec_free_context(&c); }
};
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFree>;

// An input opened with avformat_open_input.
struct TInputContextClose {
  void operator()(AVFormatContext* c) const { ff::avformat_close_input(&c); }
};
using TInputContextPtr = std::unique_ptr<AVFormatContext, TInputContextClose>;

// A context that was allocated but not opened as an input, or an output whose file is closed
// by its owner.
struct TFormatContextFree {
  void operator()(AVFormatContext* c) const { ff::avformat_free_context(c); }
};
using TFormatContextPtr = std::unique_ptr<AVFormatContext, TFormatContextFree>;

struct TPacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFree>;

struct TFrameFree {
  void operator()(AVFrame* p) const { ff::av_frame_free(&p); }
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;

// A buffer from av_malloc.
struct TAVFree {
  void operator()(void* p) const { ff::av_free(p); }
};
using TAVBufferPtr = std::unique_ptr<uint8_t, TAVFree>;

struct TSwsContextFree {
  void operator()(SwsContext* c) const { ff::sws_freeContext(c); }
};
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsContextFree>;

struct TSwrContextFree {
  void operator()(SwrContext* c) const { ff::swr_free(&c); }
};
using TSwrContextPtr = std::unique_ptr<SwrContext, TSwrContextFree>;

struct TAudioFifoFree {
  void operator()(AVAudioFifo* f) const { ff::av_audio_fifo_free(f); }
};
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoFree>;

struct TBSFContextFree {
  void operator()(AVBSFContext* c) const { ff::av_bsf_free(&c); }
};
using TBSFContextPtr = std::unique_ptr<AVBSFContext, TBSFContextFree>;

struct TFilterGraphFree {
  void operator()(AVFilterGraph* g) const { ff::avfilter_graph_free(&g); }
};
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, TFilterGraphFree>;

struct TFilterInOutFree {
  void operator()(AVFilterInOut* io) const { ff::avfilter_inout_free(&io); }
};
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, TFilterInOutFree>;

// An owned AVDictionary (name=value pairs for the libraries' option setters).
class TDictionary {
 public:
  TDictionary() = default;
  ~TDictionary() { Clear(); }
  TDictionary(const TDictionary& other) { *this = other; }
  TDictionary& operator=(const TDictionary& other) {
    if (this != &other) {
      Clear();
      if (other.FDict) ff::av_dict_copy(&FDict, other.FDict, 0);
    }
    return *this;
  }
  TDictionary(TDictionary&& other) noexcept : FDict(other.FDict) { other.FDict = nullptr; }
  TDictionary& operator=(TDictionary&& other) noexcept {
    if (this != &other) {
      Clear();
      FDict = other.FDict;
      other.FDict = nullptr;
    }
    return *this;
  }

  void Set(const std::string& name, const std::string& value) {
    ff::av_dict_set(&FDict, name.c_str(), value.c_str(), 0);
  }
  // The value of `name`, or nullptr.
  const char* Get(const std::string& name) const {
    AVDictionaryEntry* e = FDict ? ff::av_dict_get(FDict, name.c_str(), nullptr, 0) : nullptr;
    return e ? e->value : nullptr;
  }
  int Count() const { return FDict ? ff::av_dict_count(FDict) : 0; }
  void Clear() {
    if (FDict) ff::av_dict_free(&FDict);
  }
  const AVDictionary* Get() const { return FDict; }
  // For library calls that take and leave back a dictionary (avcodec_open2, ...).
  AVDictionary** Ptr() { return &FDict; }

 private:
  AVDictionary* FDict = nullptr;
};
