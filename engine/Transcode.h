// The transcoding run of one converter (TCustomFFmpeg::Transcode): set-up of the stream
// tables, the read–decode–encode–write loop, join segments, the end and the progress reports.
//
// A TTranscodeRun is made by Transcode on the converting thread and lives until FreeCodecs;
// everything it holds (decoders, encoders, resamplers, scalers, filter graphs, FIFOs, the hook
// and preview conversion contexts) belongs to the run and is used by that thread only. It reads
// the converter's opened files and option state and writes the outputs' packets; the files
// themselves stay the converter's and are closed by CloseFiles.
//
// The work is spread over: TranscodeSetup.cpp (set-up), Transcode.cpp (loop, decoding, join,
// end), AudioOut.cpp, VideoOut.cpp, VideoHooks.cpp, Mux.cpp (stream copy, bitstream filters,
// writing) and Report.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/AVHolders.h"
#include "engine/FFmpeg.h"
#include "media/FrameHook.h"
#include "media/RGBConvertContext.h"

class TPreviewer;

struct TFileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

struct TRunInputFile {
  AVFormatContext* Context = nullptr;
  int FirstStream = 0;  // index of its first stream in the run's input-stream table
  int StreamCount = 0;
  bool Eof = false;
  bool TryAgain = false;  // the last read answered "try again"
  int64_t TsOffset = 0;   // µs added to every packet; moves on discontinuities and joins
  std::array<double, kMaxStreams> TsScale{};
};

struct TRunInputStream {
  int FileIndex = 0, StreamIndex = 0;
  AVStream* Stream = nullptr;
  const TInputStreamSetup* Setup = nullptr;
  bool Discard = true;  // no output uses the stream
  bool DecodingNeeded = false;
  TCodecContextPtr Decoder;
  TFramePtr Frame;                   // the decoded frame
  int64_t Start = 0;                 // wall clock when the run started, µs (rate emulation)
  int64_t Pts = 0;                   // µs: time of the frame or packet being processed
  int64_t NextPts = AV_NOPTS_VALUE;  // µs: expected time of the next frame
  int64_t NextDts = AV_NOPTS_VALUE;  // µs: expected dts of the next packet
  bool IsStart = true;               // nothing decoded yet
  bool PastRecordingTime = false;
  bool Flushed = false;
  std::vector<int> Outputs;  // output streams fed by this stream (current segment)
};

// Per audio output stream: sample conversion, sync position, FIFO, the frame handed to the
// encoder.
struct TAudioState {
  TSwrContextPtr Resampler;
  // The input the resampler was made for.
  AVSampleFormat InFormat = AV_SAMPLE_FMT_NONE;
  int InRate = 0, InChannels = 0;
  bool Resample = false;  // a resampler is in use
  TAudioFifoPtr Fifo;
  TFramePtr EncodeFrame;
  std::vector<uint8_t*> Converted;  // plane pointers into ConvertedBuf
  TAVBufferPtr ConvertedBuf;
  int ConvertedCapacity = 0;  // samples per channel
  int FrameSize = 0;          // samples per encoded frame; 0: any
  bool SmallLastFrame = false;
  bool Started = false;  // the position was taken from the first frame
};

// Per video output stream: scaler, crop bands, filter graph, temporary picture.
struct TVideoState {
  TSwsContextPtr Scaler;
  TFramePtr TempPicture;  // the scaled picture
  TFramePtr Cropped;      // a reference to the source with the crop applied
  int TopBand = 0, BottomBand = 0, LeftBand = 0, RightBand = 0;
  // Decoded size last seen (a change is logged; the scaler or graph follows).
  int SourceWidth = 0, SourceHeight = 0;
  // Filter graph, when the task has one.
  TFilterGraphPtr Graph;
  AVFilterContext* GraphSource = nullptr;
  AVFilterContext* GraphSink = nullptr;
  int GraphInWidth = 0, GraphInHeight = 0;  // what the graph's source was made for
  int GraphInFormat = AV_PIX_FMT_NONE;
  int GraphWidth = 0, GraphHeight = 0;  // its output
  TFramePtr Filtered;
  TFramePtr EncodeRef;  // the picture as handed to the encoder, with its position
  int Sync = 1;  // effective video sync method: 0 pts from frames, 1 constant rate, 2 variable
};

struct TRunOutputStream {
  int FileIndex = 0;  // output entry; in join mode the first entry
  int Index = 0;      // stream index in the output
  TOutputFile* File = nullptr;
  TOutputStream* Setup = nullptr;
  AVStream* Stream = nullptr;
  AVMediaType Kind = AVMEDIA_TYPE_UNKNOWN;
  int SourceIndex = -1, SyncIndex = -1;           // input-stream table (current segment)
  std::vector<int> SegmentSources, SegmentSyncs;  // join mode: per input
  bool EncodingNeeded = false;
  TCodecContextPtr Encoder;  // opened
  int64_t FrameNumber = 0;   // frames encoded (or packets copied)
  int64_t SyncOpts = 0;      // next position in the encoder's time base
  bool ShowInReport = true;
  // What was written: end of the last packet (stream time base), sizes.
  int64_t LastEnd = AV_NOPTS_VALUE;
  bool CopyStarted = false;  // stream copy: a key frame was seen
  int64_t CopyStart = 0;     // stream copy: the output start in the stream's time base
  AVRational PacketTimeBase{1, AV_TIME_BASE};  // of the packets handed to WritePacket
  std::vector<TBSFContextPtr> Filters;
  // Report.
  int Quality = 0;  // last coded quality (lambda)
  int PictType = 0;
  int64_t Error[4] = {};
  int64_t QpHistogram[52] = {};
  TFilePtr PassLog;
  std::string PassStats;  // pass 2: the statistics the encoder reads
  std::unique_ptr<TAudioState> Audio;
  std::unique_ptr<TVideoState> Video;

  double WrittenTime() const;  // seconds, 0 before the first packet
};

class TTranscodeRun {
 public:
  explicit TTranscodeRun(TCustomFFmpeg& owner);
  ~TTranscodeRun();
  TTranscodeRun(const TTranscodeRun&) = delete;
  TTranscodeRun& operator=(const TTranscodeRun&) = delete;

  // Set-up, loop, end (B–H). Throws FFmpegException.
  void Run();
  // Closes every decoder and encoder under the codec lock.
  void CloseCodecs();

 private:
  // --- Set-up (TranscodeSetup.cpp)
  void SetupInputs();
  void SetupOutputStreams();
  void ChooseSources();
  int ChooseSource(int entry, int stream, AVMediaType kind, std::vector<bool>& used);
  void BindSegment(int segment);
  void SetupFrameHooks();
  void SetupStreamCopy(TRunOutputStream& ost);
  void SetupEncoding(TRunOutputStream& ost);
  void SetupPassLog(TRunOutputStream& ost, int number);
  void OpenDecoders();
  void OpenEncoders();
  void PrepareSubtitleEncoder(TRunOutputStream& ost);
  void SetupBitstreamFilters(TRunOutputStream& ost);
  void CopyMetadata();
  void CopyChapters();
  void WriteHeaders();
  void LogStreamMapping();

  // --- Loop, decoding, join, end (Transcode.cpp)
  void MainLoop();
  int PickInput(bool* endLoop);
  bool ReadAndProcess(int fileIndex);
  void AdjustTimestamps(TRunInputFile& file, TRunInputStream& ist, AVPacket* pkt);
  void ProcessPacket(TRunInputStream& ist, const AVPacket* pkt);
  void EmulateRate(const TRunInputStream& ist, int64_t pts);
  void DecodeAudioVideo(TRunInputStream& ist, const AVPacket* pkt);
  void DecodeSubtitle(TRunInputStream& ist, const AVPacket* pkt);
  void SetFrameTime(TRunInputStream& ist, AVFrame* frame);
  void DecodeError(const TRunInputStream& ist);
  void OnDecodedFrame(TRunInputStream& ist, AVFrame* frame);
  bool EndSegment();
  int64_t EndPosition(const TRunOutputStream& ost) const;
  void FlushDecoders(int fileIndex);
  void Finish();
  void FlushEncoder(TRunOutputStream& ost);

  // --- Audio (AudioOut.cpp)
  void SetupAudio(TRunOutputStream& ost, TRunInputStream& ist);
  void PrepareAudioEncoding(TRunOutputStream& ost);
  void ApplyVolume(AVFrame* frame) const;
  void DoAudioOut(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* frame);
  void MakeResampler(TRunOutputStream& ost, const AVFrame* frame);
  int SyncAudio(TRunOutputStream& ost, TRunInputStream& ist, int64_t firstTime, int available,
                int* skip);
  void ConvertIntoFifo(TRunOutputStream& ost, const uint8_t* const* data, int samples);
  void AddSilence(TRunOutputStream& ost, int samples);
  void EncodeAudioFrames(TRunOutputStream& ost, bool flush);
  void FlushAudio(TRunOutputStream& ost);
  int64_t AudioEndSamples(const TRunOutputStream& ost) const;
  int64_t AudioEnd(const TRunOutputStream& ost) const;

  // --- Video (VideoOut.cpp)
  void SetupVideo(TRunOutputStream& ost, TRunInputStream& ist);
  void BuildFilterGraph(TRunOutputStream& ost, int width, int height, AVPixelFormat fmt,
                        AVRational sar);
  void FilterVideo(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* picture);
  void DrainFilterGraph(TRunOutputStream& ost, TRunInputStream& ist, bool flush);
  void DoVideoOut(TRunOutputStream& ost, TRunInputStream& ist, AVFrame* picture);
  int VideoFrameCount(TRunOutputStream& ost, double syncTime);
  void NoteSourceChange(TRunOutputStream& ost, TRunInputStream& ist, const AVFrame* picture);
  AVFrame* CropPicture(TRunOutputStream& ost, AVFrame* picture);
  AVFrame* ScalePicture(TRunOutputStream& ost, AVFrame* picture);
  void EncodeVideo(TRunOutputStream& ost, AVFrame* picture);

  // --- Picture hooks (VideoHooks.cpp)
  AVFrame* ApplyPictureHooks(AVFrame* frame);
  bool CopyToHookBuffer(AVFrame* frame);
  void RunCustomHook(AVFrame* picture);
  void StopPictureHooks();
  void ApplyPostHooks(const AVFrame* picture, int64_t pts);

  // --- Encoder output, stream copy, writing (Mux.cpp)
  void ReceivePackets(TRunOutputStream& ost);
  void NoteQuality(TRunOutputStream& ost, const AVPacket* pkt);
  void WriteVideoStats(TRunOutputStream& ost, const AVPacket* pkt);
  void CopyPacket(TRunOutputStream& ost, TRunInputStream& ist, const AVPacket* pkt);
  void EncodeSubtitle(TRunOutputStream& ost, const AVSubtitle& sub, int64_t pts);
  void WritePacket(TRunOutputStream& ost, AVPacket* pkt);
  void FilterAndWrite(TRunOutputStream& ost, size_t filter, AVPacket* pkt);
  void BitstreamFilterFailed(const TRunOutputStream& ost, size_t filter, int error);
  void FlushBitstreamFilters(TRunOutputStream& ost);
  void Mux(TRunOutputStream& ost, AVPacket* pkt);

  // --- Reports (Report.cpp)
  bool TimeToReport() const;
  void Report(bool last, int fileIndex);
  void LogFinalSizes(int64_t totalSize);

  AVFormatContext* OutputContext(int entry) const;
  void Log(TLogLevel level, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));

  TCustomFFmpeg& C;
  const TOptionState& FOpt;
  std::vector<TRunInputFile> FInputFiles;
  std::vector<TRunInputStream> FInputStreams;
  std::vector<TRunOutputStream> FOutputStreams;
  std::vector<TOutputFile*> FOutputs;  // distinct outputs, in entry order
  TPacketPtr FPacket, FOutPacket;
  int FSegment = 0;   // join mode: the input being joined
  int FLastFile = 0;  // the input read last (for the last report)
  int64_t FStartTime = 0;
  int64_t FRecordingTime = INT64_MAX;
  int64_t FRunStart = 0;  // wall clock, µs
  int64_t FLastReport = 0;

  // Statistics.
  int64_t FVideoSize = 0, FAudioSize = 0, FExtraSize = 0;
  int FDupFrames = 0, FDropFrames = 0, FReportedDup = 0, FReportedDrop = 0;
  TFilePtr FVStats;
  std::vector<uint8_t> FSubtitleBuffer;

  // Picture hooks.
  TFrameHookChain FFrameHooks;
  int FHookFrameNumber = 0;
  bool FCustomHookOn = false, FFrameHooksOn = false;
  TFramePtr FHookFrame;
  TRGBConvertContext FHookContext;
  TRGBConvertContext FPostContext;
  std::unique_ptr<TPreviewer> FPreviewer;
  uint32_t FDisabledPostHooks = 0;  // post hooks switched off for this run
  int64_t FLastPreview = 0;         // wall clock of the last preview, µs; 0: none yet
};

// "Video", "Audio", "Data", "Subtitle", "Attachment" or "Unknown".
const char* MediaTypeName(AVMediaType kind);
