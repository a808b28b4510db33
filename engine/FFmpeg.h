// The converter of one conversion task (TCustomFFmpeg): its option state, the option
// dispatcher, and the opening of its inputs and outputs. The transcoding run reads what is
// prepared here: the opened inputs (TInputFile), the created outputs with their streams and
// encoder settings (TOutputFile, TOutputStream) and the option state (TOptionState).
//
// Threads: options are applied and files opened on the caller's thread (normally the main
// thread) before the run; only stream-information reading takes the process-wide codec lock,
// because other tasks may be converting meanwhile.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/AVHolders.h"
#include "engine/ConvertRun.h"
#include "engine/FFmpegOptions.h"
#include "engine/GenericOptions.h"
#include "engine/OutputFiles.h"
#include "media/FFmpegLogger.h"

// Per-file stream tables hold this many streams.
constexpr int kMaxStreams = 20;
// "Fixed quality not set" for audio.
constexpr float kQScaleNone = -99999.0f;

// "map F.S[:SF.SS]": output stream from input file F stream S, synchronised to SF.SS.
struct TStreamMap {
  int FileIndex;
  int StreamIndex;
  int SyncFileIndex;
  int SyncStreamIndex;
};

// "map_meta_data OUT:IN".
struct TMetaDataMap {
  int OutFile;
  int InFile;
};

// The option values the dispatcher sets; they are consumed when the next input or output is
// opened. Restored to these defaults whenever the converter is reset.
struct TOptionState {
  // Formats and codecs. Codec names and copy flags are per kind and reset after each stream.
  std::string FileFormat;  // "f": forced format of the next input or output
  bool Image2Pgmyuv = false;
  std::string VideoCodecName, AudioCodecName, SubtitleCodecName;
  bool VideoStreamCopy = false, AudioStreamCopy = false, SubtitleStreamCopy = false;
  bool VideoDisable = false, AudioDisable = false, SubtitleDisable = false;
  uint32_t VideoCodecTag = 0, AudioCodecTag = 0, SubtitleCodecTag = 0;
  std::string VideoLanguage, AudioLanguage, SubtitleLanguage;

  // Video. An opened input's video stream sets size, rate, aspect and pixel format.
  int FrameWidth = 0, FrameHeight = 0;
  AVRational FrameRate = {0, 0};  // denominator 0: unset
  double FrameAspectRatio = 0;    // display aspect, 0: unset
  AVPixelFormat FramePixFmt = AV_PIX_FMT_NONE;
  int FrameTopBand = 0, FrameBottomBand = 0, FrameLeftBand = 0, FrameRightBand = 0;
  bool IntraOnly = false;
  int VideoDiscard = 0;   // AVDiscard of video input streams ("vdt")
  float VideoQScale = 0;  // fixed quantizer, 0: unset
  std::string VideoRcOverrideString;
  int MeThreshold = 0;  // stored; FFmpeg 5.1 encoders have no such setting
  bool SameQuality = false;
  int TopFieldFirst = -1;  // -1: auto
  int IntraDcPrecision = 8;
  std::vector<uint16_t> IntraMatrix, InterMatrix;  // 64 coefficients when given
  int VideoChannel = 0;
  std::string VideoStandard;
  int VideoSync = -1;
  int VideoGlobalHeader = 0;
  std::string VideoFilters;  // filter graph text ("vf")
  bool DoDeinterlace = false, DoPSNR = false, QpHist = false, ForceFps = false;
  int DoPass = 0;
  std::string PassLogFileName;
  std::string VStatsFileName;
  std::vector<std::vector<std::string>> FrameHooks;  // "vhook": module name and arguments

  // Audio. An opened input's audio stream sets layout, channels, rate and sample format.
  int AudioSampleRate = 44100;
  int AudioChannels = 2;
  uint64_t AudioChannelLayout = 0;  // channel mask, 0: the default for the channel count
  AVSampleFormat AudioSampleFmt = AV_SAMPLE_FMT_NONE;
  float AudioQScale = kQScaleNone;
  int AudioVolume = 256;
  int AudioSync = 0;
  float AudioDriftThreshold = 0.1f;

  // Bitstream filters waiting for the next stream of their kind.
  std::vector<const AVBitStreamFilter*> VideoBitstreamFilters, AudioBitstreamFilters,
      SubtitleBitstreamFilters;

  // Timing, µs unless noted.
  int64_t RecordingTime = INT64_MAX;               // "t": unlimited
  int64_t StartTime = 0;                           // "ss": input seek, then output start
  int64_t InputTsOffset = 0;                       // "itsoffset"
  std::array<double, kMaxStreams> InputTsScale{};  // "itsscale" for the next input, 0: none
  int64_t RecTimestamp = 0;                        // "timestamp", seconds since 1970; 0: none
  uint64_t LimitFileSize = 0;                      // "fs", bytes; 0: none
  int MaxFrames[AVMEDIA_TYPE_NB] = {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX};

  // Muxing.
  float MuxPreload = 0.5f, MuxMaxDelay = 0.7f;  // seconds
  int LoopOutput = -1;                          // no output loop
  bool LoopInput = false;
  std::vector<TOptionLine> Metadata;           // tags of the next output, in the order given
  std::array<int, kMaxStreams> StreamIdMap{};  // "streamid" for the next output, 0: none
  std::vector<TStreamMap> StreamMaps;
  std::vector<TMetaDataMap> MetaDataMaps;

  // Run behaviour, read by the pipeline.
  bool DoPktDump = false, DoHexDump = false, RateEmu = false, CopyTs = false;
  bool OptShortest = false, ExitOnError = false, InputSync = false;
  int CopyInitialNonKeyframes = 0;
  float DtsDeltaThreshold = 10;
  int ProgramId = 0;  // program to take from the next input, 0: none
  int ThreadCount = 1;
  int Verbose = 1;
  int SwsFlags = 4;  // bicubic
  int BitBufferSize = 262144;
};

// What the run needs of one input stream.
struct TInputStreamSetup {
  const AVCodec* ForcedDecoder = nullptr;  // decoder named before the input was opened
  TDictionary DecoderOptions;              // generic decoding options, for avcodec_open2
};

struct TInputFile {
  TInputContextPtr Context;
  std::string FileName;                       // as given
  int64_t TsOffset = 0;                       // µs, added to every packet of this input
  std::array<double, kMaxStreams> TsScale{};  // per stream, 0: none
  std::vector<TInputStreamSetup> Streams;     // one per stream of Context
};

// One stream of an output, as created when the output was added; the run fills in the source
// stream and opens the encoder from these settings.
struct TOutputStream {
  AVStream* Stream = nullptr;  // owned by the output's context
  AVMediaType Kind = AVMEDIA_TYPE_UNKNOWN;
  bool StreamCopy = false;
  uint32_t CodecTag = 0;                 // forced codec tag, 0: none
  AVCodecID CodecId = AV_CODEC_ID_NONE;  // the chosen encoder's, or the format's default
  const AVCodec* Encoder = nullptr;      // nullptr for copy or when no encoder exists
  TCodecContextPtr EncoderContext;       // settings for the encoder, not opened (encode only)
  TDictionary EncoderOptions;            // the encoder's private options, for avcodec_open2
  std::vector<const AVBitStreamFilter*> BitstreamFilters;  // applied in order
  // Set by the run (stream maps or automatic choice): the source and the sync stream.
  int SourceFile = -1, SourceStream = -1;
  int SyncFile = -1, SyncStream = -1;
};

// One output file. The file is written under TempFileName and takes FileName when the task
// ends (CloseOutputs); formats that write no file of their own have no temporary name.
class TOutputFile {
 public:
  TOutputFile() = default;
  ~TOutputFile();  // a file never settled is discarded
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  TFormatContextPtr Context;
  std::string FileName;                // final name, as given
  std::string TempFileName;            // written meanwhile; empty when the format writes no file
  std::vector<TOutputStream> Streams;  // index = stream index in Context

  // Written by the run.
  bool HeaderWritten = false;
  bool TrailerWritten = false;
  int64_t PacketsWritten = 0;  // packets with data

  // Closes the file and gives it its final name or removes it (see TOutputEnd); a run that
  // wrote no packet into it leaves no file.
  void Close(TOutputEnd end, const void* sender);

 private:
  bool FClosed = false;
};

class TTranscodeRun;

class TCustomFFmpeg : public TConvertRun {
  friend class TTranscodeRun;

 public:
  // maxFiles: input and output slots (1..512).
  explicit TCustomFFmpeg(int maxFiles = 20);
  virtual ~TCustomFFmpeg();
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  // Closes everything this converter holds (outputs discarded), restores every option
  // default, clears join mode and the expected duration, and creates fresh option contexts.
  // The libraries must be loaded.
  void Reset();

  // --- What the engine component calls. Errors never escape: false with LastErrMsg.
  // Applies the record (extra options, then FileFormat, TimeStart, ProgramID) and opens the
  // input; an empty record FileName is filled with the file name.
  bool AddInputFile(const std::string& fileName, TInputOptions* options = nullptr);
  bool AddInputFile(const std::string& fileName, const std::string& extOptions);
  // Applies the record in its order (target, codecs, presets, extra options, fields, size and
  // filters), opens the output and adds the extra streams of "newvideo"/"newaudio"/
  // "newsubtitle" lines. A failure leaves no trace of this output.
  bool SetOutputFile(const std::string& fileName, TOutputOptions* options = nullptr);
  bool SetOutputFile(const std::string& fileName, const std::string& extOptions);

  // --- Options. These throw FFmpegException with the option's error text.
  // The option dispatcher: one name (exact, lower case) and its value.
  void ParseOption(const std::string& name, const std::string& value);
  // A preset for "apre", "vpre", "spre" or "fpre" (built-in table, "<codec>-<name>", file).
  void ApplyPreset(const std::string& option, const std::string& value);
  // A disc target: type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal", "ntsc", "film" or
  // "auto"; fallback norm for "auto" ("pal", "ntsc", "film").
  void ApplyTarget(const std::string& type, const std::string& norm, const std::string& fallback);
  // A generic option; false when no table knows the name or the value is rejected.
  bool SetGenericOption(const std::string& name, const std::string& value);
  // The encoder or decoder named `name` of that kind; nullptr for an empty name. Throws with
  // the lookup's message.
  const AVCodec* FindCodec(const std::string& name, AVMediaType kind, bool encoder) const;

  // --- Opening. False / -1 with LastErrMsg set (errors are caught).
  bool OpenInput(const std::string& fileName);
  // Returns the number of output files.
  int OpenOutput(const std::string& fileName, bool join);
  // "newvideo", "newaudio", "newsubtitle": one more stream on the last output; throws.
  void AddStream(AVMediaType kind);

  // --- Closing. The run calls CloseOutputs when it ends (after the trailers are written);
  // closing without a run discards the outputs and leaves existing files untouched.
  void CloseOutputs(TOutputEnd end);
  void CloseInputs();

  // --- Read-only state for the component, the run and tests.
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  int MaxFiles() const { return FMaxFiles; }
  int InputCount() const { return static_cast<int>(Finput_files.size()); }
  const TInputFile& Input(int i) const { return *Finput_files[i]; }
  AVFormatContext* InputContext(int i) const { return Finput_files[i]->Context.get(); }
  // Output entries: in join mode the same output is listed once per input.
  int OutputCount() const { return static_cast<int>(Foutput_files.size()); }
  const TOutputFile& Output(int i) const { return *Foutput_files[i]; }
  AVFormatContext* OutputContext(int i) const { return Foutput_files[i]->Context.get(); }
  const TOptionState& Options() const { return FOpt; }
  const TFFOptions& GenericOptions() const { return *FOptions; }
  bool JoinMode() const { return FJoinMode; }
  bool UseFilters() const { return FUseFilters; }
  int64_t TotalOutputDuration() const { return FTotalOutputDuration; }
  // Flags for the scalers the run creates: "sws_flags" when it was set, else bicubic.
  int ScalerFlags() const;
  int Verbose() const { return FOpt.Verbose; }
  void SetVerbose(int v) { FOpt.Verbose = v; }

 protected:
  // --- The run (TConvertRun).
  std::string StartError() const override;
  void Transcode() override;  // engine/Transcode.cpp
  void FreeCodecs() override;
  void CloseFiles() override;

  // Input and output opening; they throw FFmpegException.
  void DoOpenInput(const std::string& fileName);
  int DoOpenOutput(const std::string& fileName, bool join);
  void ApplyInputOptions(const TInputOptions& o);
  // An output record's codec, preset, size and filter settings: the record's values (or the
  // first extra-option line of that name when the record leaves one empty), and every
  // extra-option line naming one of them, in order, for the extra streams.
  struct TOutputSettings {
    std::vector<TOptionLine> Defaults;  // "acodec", "vcodec", "scodec", "apre", ..., "s", "vf"
    std::vector<TOptionLine> Lines;
    std::string& Default(const std::string& name);
  };
  TOutputSettings ApplyOutputOptions(const TOutputOptions& o);
  void ApplyOutputFields(const TOutputOptions& o);
  void AddExtraStreams(const TOutputOptions& o, TOutputSettings* settings);
  void RemoveOutputsFrom(size_t first);
  void NewStream(TOutputFile& out, AVMediaType kind);
  const AVCodec* EncoderTheFormatHolds(AVFormatContext* oc, const AVCodec* codec,
                                       AVMediaType kind) const;
  void SetupVideoEncoder(TOutputFile& out, TOutputStream& os);
  void KeepBitrateInRange(AVCodecContext* enc) const;
  void ReleasePrivateState(AVCodecContext* enc) const;
  void SetupAudioEncoder(TOutputFile& out, TOutputStream& os);
  TPrivateScope PrivateScope() const;
  // Creates the option contexts on first use; throws when the libraries are not loaded.
  void EnsureOptions();
  void Log(TLogLevel level, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));

  // Option state and the generic option contexts.
  TOptionState FOpt;
  std::unique_ptr<TFFOptions> FOptions;

  // File tables.
  int FMaxFiles;
  std::vector<std::unique_ptr<TInputFile>> Finput_files;
  std::vector<std::shared_ptr<TOutputFile>> Foutput_files;
  bool FJoinMode = false;
  bool FUseFilters = false;
  int64_t FTotalOutputDuration = -1;
  std::string FLastErrMsg;

  // The state of the current run, from Transcode to FreeCodecs.
  std::unique_ptr<TTranscodeRun> FRun;

 private:
  // Dispatcher rows (FFmpegDispatch.cpp).
  struct TOptionRow;
  static const TOptionRow* FindOptionRow(const std::string& name);
  void ApplyPresetText(const std::string& presetName, const std::string& text);
  void SetFrameSize(const std::string& value);
  void SetFrameRate(const std::string& value);
  void SetCrop(const std::string& name, const std::string& value);
  void SetCodecName(AVMediaType kind, const std::string& value);
  void SetBitrate(const std::string& name, const std::string& value);
  void AddBitstreamFilter(AVMediaType kind, const std::string& value);
  void SetCodecTag(AVMediaType kind, const std::string& value);
  void SetTsScale(const std::string& value);
  void SetStreamId(const std::string& name, const std::string& value);
  void SetFrameHook(const std::string& value);
  void SetMatrix(std::vector<uint16_t>* matrix, const std::string& value);
  void AddMetadata(const std::string& value);
  void AddStreamMap(const std::string& value);
  void AddMetaDataMap(const std::string& value);
  void ParseTarget(const std::string& value);
  void SetRecordingTime(int64_t us);
  void ApplyStreamInfo(const TStreamInfo& info);
};
