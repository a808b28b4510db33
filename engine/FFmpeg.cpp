// The converter's life cycle, the component-facing entry points and the order in which option
// records are applied. The dispatcher is in FFmpegDispatch.cpp, the opening of files in
// FFmpegOpen.cpp.
#include "engine/FFmpeg.h"

#include <cassert>
#include <cstdarg>
#include <ctime>

#include "engine/FFmpegException.h"
#include "engine/Transcode.h"

namespace {

bool LibrariesBound() {
  return ff::avcodec_alloc_context3 && ff::avformat_alloc_context;
}

// Option names of an output record's codec, preset, size and filter settings.
const char* const kSettingNames[] = {"acodec", "vcodec", "scodec", "apre",
                                     "vpre",   "spre",   "s",      "vf"};

bool IsSettingName(const std::string& name) {
  for (const char* n : kSettingNames)
    if (name == n) return true;
  return name == "vfilters";
}

AVMediaType NewStreamKind(const std::string& name) {
  if (name == "newvideo") return AVMEDIA_TYPE_VIDEO;
  if (name == "newaudio") return AVMEDIA_TYPE_AUDIO;
  if (name == "newsubtitle") return AVMEDIA_TYPE_SUBTITLE;
  return AVMEDIA_TYPE_UNKNOWN;
}

std::string IntText(int64_t v) {
  return std::to_string(v);
}

}  // namespace

// --- Output files

TOutputFile::~TOutputFile() {
  if (LibrariesBound()) Close(oeDiscarded, nullptr);
}

void TOutputFile::Close(TOutputEnd end, const void* sender) {
  if (FClosed) return;
  FClosed = true;
  AVFormatContext* oc = Context.get();
  if (oc && oc->pb && !(oc->oformat->flags & AVFMT_NOFILE)) ff::avio_closep(&oc->pb);
  if (HeaderWritten && PacketsWritten == 0) end = oeDiscarded;  // nothing but headers
  if (!TempFileName.empty()) SettleOutputFile(TempFileName, FileName, end, sender);
  Streams.clear();
  Context.reset();
}

// --- Life cycle

TCustomFFmpeg::TCustomFFmpeg(int maxFiles) : FMaxFiles(maxFiles) {
  assert(maxFiles >= 1 && maxFiles <= 512);
  if (LibrariesBound()) FOptions = std::make_unique<TFFOptions>();
}

TCustomFFmpeg::~TCustomFFmpeg() {
  StopAndWait();
  if (!LibrariesBound()) {
    // The libraries are gone: nothing can be freed any more, only forgotten.
    (void)FRun.release();
    for (auto& in : Finput_files) (void)in->Context.release();
    for (auto& out : Foutput_files) (void)out->Context.release();
    (void)FOptions.release();
    return;
  }
  FRun.reset();
  CloseOutputs(oeDiscarded);
  CloseInputs();
}

void TCustomFFmpeg::EnsureOptions() {
  if (FOptions) return;
  if (!LibrariesBound()) throw FFmpegException("The FFmpeg libraries are not loaded");
  FOptions = std::make_unique<TFFOptions>();
}

void TCustomFFmpeg::Reset() {
  CloseOutputs(oeDiscarded);
  CloseInputs();
  FOpt = TOptionState{};
  FOptions.reset();
  EnsureOptions();
  FJoinMode = false;
  FUseFilters = false;
  FTotalOutputDuration = -1;
  FLastErrMsg.clear();
}

void TCustomFFmpeg::CloseOutputs(TOutputEnd end) {
  // In join mode one output is listed once per input; it is closed once.
  for (size_t i = 0; i < Foutput_files.size(); ++i) {
    bool seen = false;
    for (size_t j = 0; j < i; ++j) seen = seen || Foutput_files[j] == Foutput_files[i];
    if (!seen) Foutput_files[i]->Close(end, this);
  }
  Foutput_files.clear();
  FJoinMode = false;
}

void TCustomFFmpeg::CloseInputs() {
  Finput_files.clear();
}

void TCustomFFmpeg::RemoveOutputsFrom(size_t first) {
  for (size_t i = first; i < Foutput_files.size(); ++i) {
    bool kept = false;
    for (size_t j = 0; j < first; ++j) kept = kept || Foutput_files[j] == Foutput_files[i];
    if (!kept) Foutput_files[i]->Close(oeDiscarded, this);
  }
  Foutput_files.resize(first);
}

int TCustomFFmpeg::ScalerFlags() const {
  int64_t flags = FOpt.SwsFlags;
  if (FOptions && FOptions->IsSet("sws_flags", otScaler))
    ff::av_opt_get_int(FOptions->Scaler(), "sws_flags", 0, &flags);
  return static_cast<int>(flags);
}

void TCustomFFmpeg::Log(TLogLevel level, const char* fmt, ...) const {
  va_list args;
  va_start(args, fmt);
  std::string text = StrFmtV(fmt, args);
  va_end(args);
  FFLogger().Log(this, level, text);
}

// --- Entry points of the engine component

bool TCustomFFmpeg::AddInputFile(const std::string& fileName, TInputOptions* options) {
  if (InputCount() >= FMaxFiles) {
    FLastErrMsg = StrFmt("max input files %d reached", FMaxFiles);
    return false;
  }
  try {
    EnsureOptions();
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      ApplyInputOptions(*options);
    }
    DoOpenInput(fileName);
    return true;
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    return false;
  }
}

bool TCustomFFmpeg::AddInputFile(const std::string& fileName, const std::string& extOptions) {
  TInputOptions options = InputOptionsFromText(extOptions);
  return AddInputFile(fileName, &options);
}

bool TCustomFFmpeg::SetOutputFile(const std::string& fileName, TOutputOptions* options) {
  if (OutputCount() >= FMaxFiles) {
    FLastErrMsg = StrFmt("max output files %d reached", FMaxFiles);
    return false;
  }
  size_t outputsBefore = Foutput_files.size();
  bool joinBefore = FJoinMode;
  int64_t durationBefore = FTotalOutputDuration;
  try {
    EnsureOptions();
    TOutputOptions none;
    if (options && options->FileName.empty()) options->FileName = fileName;
    const TOutputOptions& o = options ? *options : none;
    TOutputSettings settings = ApplyOutputOptions(o);
    DoOpenOutput(fileName, o.Join);
    AddExtraStreams(o, &settings);
    return true;
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    RemoveOutputsFrom(outputsBefore);
    FJoinMode = joinBefore;
    FTotalOutputDuration = durationBefore;
    return false;
  }
}

bool TCustomFFmpeg::SetOutputFile(const std::string& fileName, const std::string& extOptions) {
  TOutputOptions options = OutputOptionsFromText(extOptions);
  return SetOutputFile(fileName, &options);
}

bool TCustomFFmpeg::OpenInput(const std::string& fileName) {
  try {
    EnsureOptions();
    DoOpenInput(fileName);
    return true;
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    return false;
  }
}

int TCustomFFmpeg::OpenOutput(const std::string& fileName, bool join) {
  size_t outputsBefore = Foutput_files.size();
  try {
    EnsureOptions();
    return DoOpenOutput(fileName, join);
  } catch (const FFmpegException& e) {
    FLastErrMsg = e.what();
    RemoveOutputsFrom(outputsBefore);
    return -1;
  }
}

// --- Applying the records

void TCustomFFmpeg::ApplyInputOptions(const TInputOptions& o) {
  static const char* const kNotForInputs[] = {"newvideo", "newaudio", "newsubtitle", "apre",
                                              "vpre",     "spre",     "vfilters",    "vf"};
  for (const TOptionLine& l : ParseExtOptions(o.ExtOptions)) {
    bool skip = false;
    for (const char* n : kNotForInputs) skip = skip || l.Name == n;
    if (!skip) ParseOption(l.Name, l.Value);
  }
  if (!o.FileFormat.empty()) ParseOption("f", o.FileFormat);
  if (o.TimeStart != kNoTime) FOpt.StartTime = o.TimeStart;
  if (o.ProgramID >= 0) ParseOption("programid", IntText(o.ProgramID));
}

std::string& TCustomFFmpeg::TOutputSettings::Default(const std::string& name) {
  for (TOptionLine& l : Defaults)
    if (l.Name == name) return l.Value;
  Defaults.push_back({name, {}});
  return Defaults.back().Value;
}

TCustomFFmpeg::TOutputSettings TCustomFFmpeg::ApplyOutputOptions(const TOutputOptions& o) {
  TOutputSettings s;
  s.Defaults = {{"acodec", o.AudioCodec}, {"vcodec", o.VideoCodec}, {"scodec", o.SubtitleCodec},
                {"apre", o.AudioPreset},  {"vpre", o.VideoPreset},  {"spre", o.SubtitlePreset},
                {"s", o.FrameSize},       {"vf", o.VideoFilters}};
  std::vector<TOptionLine> lines = ParseExtOptions(o.ExtOptions);
  for (const TOptionLine& l : lines) {
    if (!IsSettingName(l.Name) || l.Value.empty()) continue;
    std::string name = l.Name == "vfilters" ? "vf" : l.Name;
    std::string& def = s.Default(name);
    if (def.empty()) def = l.Value;
    s.Lines.push_back({name, l.Value});
  }

  if (o.TargetType != ttIgnore) {
    static const char* const kTypes[] = {"", "vcd", "svcd", "dvd"};
    static const char* const kNorms[] = {"auto", "pal", "ntsc"};
    ApplyTarget(kTypes[o.TargetType], kNorms[o.NormType],
                o.NormDefault == TOptionNormDefault::ntNTSC ? "ntsc" : "pal");
  }
  for (const char* n : {"acodec", "vcodec", "scodec"})
    if (!s.Default(n).empty()) ParseOption(n, s.Default(n));
  for (const char* n : {"apre", "vpre", "spre"}) ApplyPreset(n, s.Default(n));
  for (const TOptionLine& l : lines)
    if (!IsSettingName(l.Name) && NewStreamKind(l.Name) == AVMEDIA_TYPE_UNKNOWN)
      ParseOption(l.Name, l.Value);
  ApplyOutputFields(o);
  // Size and filters last: they beat what a target or a preset set.
  if (!s.Default("s").empty()) ParseOption("s", s.Default("s"));
  if (!s.Default("vf").empty()) ParseOption("vf", s.Default("vf"));
  return s;
}

void TCustomFFmpeg::ApplyOutputFields(const TOutputOptions& o) {
  auto positive = [this](const char* name, int32_t v) {
    if (v > 0) ParseOption(name, IntText(v));
  };
  auto text = [this](const char* name, const std::string& v) {
    if (!v.empty()) ParseOption(name, v);
  };
  auto flag = [this](const char* name, bool on) {
    if (on) ParseOption(name, "1");
  };
  text("f", o.FileFormat);
  positive("packetsize", o.PacketSize);
  positive("muxrate", o.MuxRate);
  if (o.MuxDelay > 0) FOpt.MuxMaxDelay = o.MuxDelay;
  if (o.MuxPreload > 0) FOpt.MuxPreload = o.MuxPreload;
  flag("an", o.DisableAudio);
  if (o.AudioVolume >= 0) ParseOption("vol", IntText(o.AudioVolume));
  positive("ac", o.AudioChannels);
  positive("ar", o.AudioSampleRate);
  positive("ab", o.AudioBitrate);
  positive("abt", o.AudioBitRateTolerance);
  ParseOption("alang", o.AudioLanguage);
  ParseOption("async", IntText(o.AudioSyncMethod));
  text("atag", o.AudioTag);
  flag("vn", o.DisableVideo);
  text("r", o.FrameRate);
  text("aspect", o.FrameAspectRatio);
  positive("croptop", o.CropTop);
  positive("cropbottom", o.CropBottom);
  positive("cropleft", o.CropLeft);
  positive("cropright", o.CropRight);
  positive("g", o.GroupPictureSize);
  positive("vb", o.VideoBitrate);
  positive("maxrate", o.VideoMaxRate);
  positive("minrate", o.VideoMinRate);
  positive("bt", o.VideoBitRateTolerance);
  positive("bufsize", o.VideoBufSize);
  ParseOption("vsync", IntText(o.VideoSyncMethod));
  text("vtag", o.VideoTag);
  ParseOption("vlang", o.VideoLanguage);
  flag("sn", o.DisableSubtitle);
  ParseOption("slang", o.SubtitleLanguage);
  ParseOption("isync", o.InputSync ? "1" : "0");
  flag("copyts", o.CopyTimestamp);
  if (o.TimeStart != kNoTime) FOpt.StartTime = o.TimeStart;
  if (o.TimeLength != kNoTime) SetRecordingTime(o.TimeLength);
  ApplyStreamInfo(o.Info);
}

void TCustomFFmpeg::AddExtraStreams(const TOutputOptions& o, TOutputSettings* settings) {
  for (const TOptionLine& l : ParseExtOptions(o.ExtOptions)) {
    AVMediaType kind = NewStreamKind(l.Name);
    if (kind == AVMEDIA_TYPE_UNKNOWN) continue;
    std::vector<const char*> names;
    if (kind == AVMEDIA_TYPE_AUDIO) names = {"acodec", "apre"};
    if (kind == AVMEDIA_TYPE_VIDEO) names = {"vcodec", "vpre", "s", "vf"};
    if (kind == AVMEDIA_TYPE_SUBTITLE) names = {"scodec", "spre"};
    for (const char* name : names) {
      // Each extra stream takes the next line of that name, or the record's value.
      std::string value = settings->Default(name);
      for (auto it = settings->Lines.begin(); it != settings->Lines.end(); ++it) {
        if (it->Name != name) continue;
        value = it->Value;
        settings->Lines.erase(it);
        break;
      }
      if (std::string(name).find("pre") != std::string::npos)
        ApplyPreset(name, value);
      else if (!value.empty())
        ParseOption(name, value);
    }
    AddStream(kind);
  }
}

void TCustomFFmpeg::SetRecordingTime(int64_t us) {
  FOpt.RecordingTime = us;
  FTotalOutputDuration = us;
}

void TCustomFFmpeg::ApplyStreamInfo(const TStreamInfo& info) {
  if (info.TimeStamp == 0) {
    FOpt.RecTimestamp = time(nullptr);
  } else if (info.TimeStamp > 0) {
    // Days since 1899-12-30 in local time → seconds since 1970 in UTC.
    time_t local = static_cast<time_t>((info.TimeStamp - 25569.0) * 86400.0 + 0.5);
    struct tm fields;
    gmtime_r(&local, &fields);
    fields.tm_isdst = -1;
    FOpt.RecTimestamp = mktime(&fields);
  }
  auto tag = [this](const char* key, const std::string& value) {
    if (!value.empty()) FOpt.Metadata.push_back({key, value});
  };
  if (info.Year > 0) tag("year", IntText(info.Year));
  if (info.Track > 0) tag("track", IntText(info.Track));
  tag("title", info.Title);
  tag("author", info.Author);
  tag("copyright", info.Copyright);
  tag("comment", info.Comment);
  tag("album", info.Album);
  tag("genre", info.Genre);
}

std::string TCustomFFmpeg::StartError() const {
  if (Foutput_files.empty()) return "At least one output file must be specified";
  if (Finput_files.empty()) return "At least one input file must be specified";
  return {};
}

void TCustomFFmpeg::CloseFiles() {
  if (!Converting())
    CloseOutputs(oeDiscarded);  // stopped before it ever ran
  else if (FatalException())
    CloseOutputs(oeFailed);
  else
    CloseOutputs(Finished() ? oeFinished : oeStopped);
  CloseInputs();
}
