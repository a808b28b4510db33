#include "engine/GenericOptions.h"

#include "media/FFmpegLogger.h"

namespace {

// Option flags that a name must carry to be looked up on each codec-context target. Data and
// attachment contexts take any name.
constexpr int kKindFlags[otAttachment + 1] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                              AV_OPT_FLAG_SUBTITLE_PARAM, 0};

int PrivateIndex(AVMediaType kind) {
  switch (kind) {
    case AVMEDIA_TYPE_VIDEO:
      return 0;
    case AVMEDIA_TYPE_AUDIO:
      return 1;
    case AVMEDIA_TYPE_SUBTITLE:
      return 2;
    default:
      return -1;
  }
}

constexpr AVMediaType kPrivateKinds[3] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                          AVMEDIA_TYPE_SUBTITLE};

bool ClassHasOption(const AVClass* cls, const std::string& name) {
  return cls && ff::av_opt_find(&cls, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

bool AnyEncoderHasOption(AVMediaType kind, const std::string& name) {
  void* it = nullptr;
  while (const AVCodec* c = ff::av_codec_iterate(&it))
    if (c->type == kind && ff::av_codec_is_encoder(c) && ClassHasOption(c->priv_class, name))
      return true;
  return false;
}

bool AnyMuxerHasOption(const std::string& name) {
  void* it = nullptr;
  while (const AVOutputFormat* f = ff::av_muxer_iterate(&it))
    if (ClassHasOption(f->priv_class, name)) return true;
  return false;
}

// Whether `encoder` accepts the value: tried on a context of that encoder that is never opened.
bool EncoderAccepts(const AVCodec* encoder, const std::string& name, const std::string& value) {
  TCodecContextPtr scratch(ff::avcodec_alloc_context3(encoder));
  return scratch && scratch->priv_data &&
         ff::av_opt_set(scratch->priv_data, name.c_str(), value.c_str(), 0) >= 0;
}

bool MuxerAccepts(const AVOutputFormat* muxer, const std::string& name, const std::string& value) {
  AVFormatContext* oc = nullptr;
  if (ff::avformat_alloc_output_context2(&oc, muxer, nullptr, nullptr) < 0) return false;
  TFormatContextPtr scratch(oc);
  return oc->priv_data && ff::av_opt_set(oc->priv_data, name.c_str(), value.c_str(), 0) >= 0;
}

}  // namespace

TOptionTarget TargetOfKind(AVMediaType kind) {
  switch (kind) {
    case AVMEDIA_TYPE_VIDEO:
      return otVideo;
    case AVMEDIA_TYPE_AUDIO:
      return otAudio;
    case AVMEDIA_TYPE_SUBTITLE:
      return otSubtitle;
    case AVMEDIA_TYPE_ATTACHMENT:
      return otAttachment;
    default:
      return otData;
  }
}

void LogInvalidOptionValue(const std::string& name, const std::string& value) {
  ff::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
             name.c_str());
}

TFFOptions::TFFOptions() {
  for (AVCodecContext*& c : FCodec) c = ff::avcodec_alloc_context3(nullptr);
  FFormat = ff::avformat_alloc_context();
  FScaler = ff::sws_alloc_context();
}

TFFOptions::~TFFOptions() {
  for (AVCodecContext*& c : FCodec) ff::avcodec_free_context(&c);
  ff::avformat_free_context(FFormat);
  ff::sws_freeContext(FScaler);
}

AVCodecContext* TFFOptions::Codec(TOptionTarget target) const {
  return target <= otAttachment ? FCodec[target] : nullptr;
}

void* TFFOptions::Context(TOptionTarget target) const {
  if (target <= otAttachment) return FCodec[target];
  return target == otFormat ? static_cast<void*>(FFormat) : static_cast<void*>(FScaler);
}

void TFFOptions::Remember(const std::string& name, TOptionTarget target) {
  for (TEntry& e : FSetNames) {
    if (e.Name == name) {
      e.Targets |= 1u << target;
      return;
    }
  }
  FSetNames.push_back({name, 1u << target});
}

TFFOptions::TResult TFFOptions::SetAt(TOptionTarget target, const std::string& name,
                                      const std::string& value) {
  if (ff::av_opt_set(Context(target), name.c_str(), value.c_str(), 0) < 0) {
    LogInvalidOptionValue(name, value);
    return orRejected;
  }
  Remember(name, target);
  // The libraries' debug output is only worth asking for when the log lets it through.
  if (name == "debug" && target != otScaler) FFLogger().SetLogLevel(llDebug);
  return orSet;
}

TFFOptions::TResult TFFOptions::SetOn(TOptionTarget target, const std::string& name,
                                      const std::string& value) {
  if (name.empty() || value.empty()) return orSet;
  if (!ff::av_opt_find(Context(target), name.c_str(), nullptr, 0, 0)) return orUnknown;
  return SetAt(target, name, value);
}

TFFOptions::TResult TFFOptions::Set(const std::string& name, const std::string& value,
                                    const TPrivateScope& scope) {
  if (name.empty() || value.empty()) return orSet;
  bool found = false;
  for (int t = otVideo; t <= otAttachment; ++t) {
    if (!ff::av_opt_find(FCodec[t], name.c_str(), nullptr, kKindFlags[t], 0)) continue;
    found = true;
    if (SetAt(static_cast<TOptionTarget>(t), name, value) == orRejected) return orRejected;
  }
  if (found) return orSet;
  for (TOptionTarget t : {otFormat, otScaler})
    if (ff::av_opt_find(Context(t), name.c_str(), nullptr, 0, 0)) return SetAt(t, name, value);
  if (name.size() > 1) {
    TOptionTarget t = name[0] == 'a'   ? otAudio
                      : name[0] == 'v' ? otVideo
                      : name[0] == 's' ? otSubtitle
                                       : otData;
    std::string rest = name.substr(1);
    if (t != otData && ff::av_opt_find(FCodec[t], rest.c_str(), nullptr, 0, 0))
      return SetAt(t, rest, value);
  }
  TResult r = SetPrivate(name, value, scope, &found);
  if (r == orRejected) return r;
  return found ? orSet : orUnknown;
}

TFFOptions::TResult TFFOptions::SetPrivate(const std::string& name, const std::string& value,
                                           const TPrivateScope& scope, bool* found) {
  for (int k = 0; k < 3; ++k) {
    const AVCodec* enc = scope.Encoder[k];
    if (enc) {
      if (!ClassHasOption(enc->priv_class, name)) continue;
      if (!EncoderAccepts(enc, name, value)) {
        LogInvalidOptionValue(name, value);
        return orRejected;
      }
    } else if (!scope.Open[k] || !AnyEncoderHasOption(kPrivateKinds[k], name)) {
      continue;
    }
    FPrivate[k].Set(name, value);
    *found = true;
  }
  if (scope.Muxer ? ClassHasOption(scope.Muxer->priv_class, name) : AnyMuxerHasOption(name)) {
    if (scope.Muxer && !MuxerAccepts(scope.Muxer, name, value)) {
      LogInvalidOptionValue(name, value);
      return orRejected;
    }
    FMuxerPrivate.Set(name, value);
    *found = true;
  }
  return orSet;
}

bool TFFOptions::IsSet(const std::string& name, TOptionTarget target) const {
  for (const TEntry& e : FSetNames)
    if (e.Name == name) return (e.Targets >> target) & 1u;
  return false;
}

std::vector<std::string> TFFOptions::Names() const {
  std::vector<std::string> names;
  for (const TEntry& e : FSetNames) names.push_back(e.Name);
  return names;
}

void TFFOptions::CopyTo(void* dst, TOptionTarget target, int flags) const {
  void* src = Context(target);
  for (const TEntry& e : FSetNames) {
    if (!((e.Targets >> target) & 1u)) continue;
    if (!ff::av_opt_find(dst, e.Name.c_str(), nullptr, flags, 0)) continue;
    uint8_t* v = nullptr;
    if (ff::av_opt_get(src, e.Name.c_str(), 0, &v) < 0) continue;
    if (ff::av_opt_set(dst, e.Name.c_str(), reinterpret_cast<char*>(v), 0) < 0)
      LogInvalidOptionValue(e.Name, reinterpret_cast<char*>(v));
    ff::av_free(v);
  }
}

void TFFOptions::CollectInto(TDictionary* dict, TOptionTarget target, int flags) const {
  void* src = Context(target);
  for (const TEntry& e : FSetNames) {
    if (!((e.Targets >> target) & 1u)) continue;
    if (!ff::av_opt_find(src, e.Name.c_str(), nullptr, flags, 0)) continue;
    uint8_t* v = nullptr;
    if (ff::av_opt_get(src, e.Name.c_str(), 0, &v) < 0) continue;
    dict->Set(e.Name, reinterpret_cast<char*>(v));
    ff::av_free(v);
  }
}

void TFFOptions::PrivateOptionsFor(const AVCodec* encoder, AVMediaType kind,
                                   TDictionary* dict) const {
  int k = PrivateIndex(kind);
  if (k < 0 || !encoder) return;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(FPrivate[k].Get(), "", e, AV_DICT_IGNORE_SUFFIX)))
    if (ClassHasOption(encoder->priv_class, e->key)) dict->Set(e->key, e->value);
}

void TFFOptions::ApplyMuxerOptions(AVFormatContext* oc) const {
  if (!oc->priv_data || !oc->oformat->priv_class) return;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(FMuxerPrivate.Get(), "", e, AV_DICT_IGNORE_SUFFIX))) {
    if (!ClassHasOption(oc->oformat->priv_class, e->key)) continue;
    if (ff::av_opt_set(oc->priv_data, e->key, e->value, 0) < 0)
      LogInvalidOptionValue(e->key, e->value);
  }
}

const TDictionary& TFFOptions::PrivateOptions(AVMediaType kind) const {
  static const TDictionary kNone;
  int k = PrivateIndex(kind);
  return k < 0 ? kNone : FPrivate[k];
}
