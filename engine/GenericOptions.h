// The generic option contexts of one converter (TFFOptions): options that the converter does
// not know by name are set on the libraries' own option tables and copied into the real
// codec, container and scaler contexts when streams and files are created.
//
// Names are looked up in the codec context's table per media kind (video 16, audio 8, data
// any, subtitle 32, attachment any), then the container's, then the scaler's; a name of none
// of them that begins with "a", "v" or "s" is tried without that letter on the audio, video or
// subtitle context. What no table knows may still be a private option of an encoder (or a
// muxer): it is kept per kind and reaches the encoder of the next stream of that kind when
// that encoder knows it.
#pragma once

#include <string>
#include <vector>

#include "engine/AVHolders.h"

enum TOptionTarget { otVideo, otAudio, otData, otSubtitle, otAttachment, otFormat, otScaler };
constexpr int kOptionTargetCount = otScaler + 1;

// The codec-context target of a media kind.
TOptionTarget TargetOfKind(AVMediaType kind);

// Where private options may belong when a name is set: the encoders chosen so far.
struct TPrivateScope {
  // Per kind (video, audio, subtitle): the chosen encoder, or nullptr.
  const AVCodec* Encoder[3] = {nullptr, nullptr, nullptr};
  // True when no encoder is chosen for the kind and it is not copied: the output format's
  // default encoder will be used, so any encoder of that kind may own the name.
  bool Open[3] = {true, true, true};
  const AVOutputFormat* Muxer = nullptr;  // forced output format, or nullptr
};

class TFFOptions {
 public:
  enum TResult { orUnknown, orSet, orRejected };

  // Fresh contexts with the libraries' defaults (the libraries must be loaded).
  TFFOptions();
  ~TFFOptions();
  TFFOptions(const TFFOptions&) = delete;
  TFFOptions& operator=(const TFFOptions&) = delete;

  // Sets a generic option by the lookup rules above. A rejected value logs
  // "Invalid value "%s" for option "%s"" through the library log. An empty name or value does
  // nothing (orSet).
  TResult Set(const std::string& name, const std::string& value, const TPrivateScope& scope);
  // Sets a name on one target only.
  TResult SetOn(TOptionTarget target, const std::string& name, const std::string& value);

  AVCodecContext* Codec(TOptionTarget target) const;  // otVideo .. otAttachment
  AVFormatContext* Format() const { return FFormat; }
  SwsContext* Scaler() const { return FScaler; }

  // True when `name` was set on `target`.
  bool IsSet(const std::string& name, TOptionTarget target) const;
  // The names set so far, in order.
  std::vector<std::string> Names() const;

  // Copies every option set on `target` into `dst` (a context of that kind) when the option
  // carries all of `flags` (kind and encoding or decoding).
  void CopyTo(void* dst, TOptionTarget target, int flags) const;
  // The same options as name=value pairs, for avcodec_open2 or avformat_open_input.
  void CollectInto(TDictionary* dict, TOptionTarget target, int flags) const;

  // Private options kept for `kind` that `encoder` knows.
  void PrivateOptionsFor(const AVCodec* encoder, AVMediaType kind, TDictionary* dict) const;
  // Sets the kept muxer options on an output context's muxer; a rejected value is logged.
  void ApplyMuxerOptions(AVFormatContext* oc) const;
  // Every private option kept for `kind` (video, audio, subtitle).
  const TDictionary& PrivateOptions(AVMediaType kind) const;

 private:
  struct TEntry {
    std::string Name;
    unsigned Targets;  // bit per TOptionTarget
  };
  void* Context(TOptionTarget target) const;
  TResult SetAt(TOptionTarget target, const std::string& name, const std::string& value);
  TResult SetPrivate(const std::string& name, const std::string& value, const TPrivateScope& scope,
                     bool* found);
  void Remember(const std::string& name, TOptionTarget target);

  AVCodecContext* FCodec[otAttachment + 1] = {};
  AVFormatContext* FFormat = nullptr;
  SwsContext* FScaler = nullptr;
  std::vector<TEntry> FSetNames;
  TDictionary FPrivate[3];  // video, audio, subtitle
  TDictionary FMuxerPrivate;
};

// "Invalid value "%s" for option "%s"\n" through the library log.
void LogInvalidOptionValue(const std::string& name, const std::string& value);
