// The media probe: opens one media file (or borrows an open demuxer context), summarises the
// file and its streams, writes the report text of the log, and — TAVProbe — decodes single
// video pictures, seeks, steps by key frame or frame and copies the picture into a bitmap.
//
// A probe is used from one thread at a time and has no lock of its own; decoder open and close
// take the process-wide codec lock. Failures are reported through LastErrMsg() and the engine
// log with the probe as sender; only the library checks of LoadFile/SetFileHandle and the
// refusal to seek a borrowed context raise FFmpegException.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "engine/AVLibs.h"
#include "engine/AVHolders.h"
#include "engine/FFmpegOptions.h"  // kNoTime, the library's marker for a missing time
#include "media/FFmpegLogger.h"
#include "media/RGBConvertContext.h"
#include "platform/Bitmap.h"

struct TFileStreamInfo {
  int64_t StartTime = -1;  // microseconds
  int64_t Duration = -1;   // microseconds
  int32_t BitRate = -1;    // bits per second, 0 when the library does not know it
  int64_t TimeStamp = -1;  // creation time, seconds since 1970-01-01 UTC, 0 when none
  int32_t Year = -1;       // leading number of the "year" or "date" tag, 0 when there is none
  int32_t Track = -1;      // leading number of the "track" tag, 0 when there is none
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

// StartTime and Duration are in the stream's time base; the *Scaled values in microseconds.
struct TAudioStreamInfo {
  std::string Language, CodecName;
  int64_t StartTime = -1, StartTimeScaled = -1, Duration = -1, DurationScaled = -1;
  int32_t BitRate = -1, Channels = -1, SampleRate = -1;
  int32_t SampleFormat = -1;  // AVSampleFormat
};

struct TVideoStreamInfo {
  std::string Language, CodecName;
  int64_t StartTime = -1, StartTimeScaled = -1, Duration = -1, DurationScaled = -1;
  int32_t BitRate = -1, Height = -1, Width = -1;
  float AspectRatio = -1.0f;
  int32_t PixFmt = -1;  // AVPixelFormat
  AVRational FrameRate{-1, -1};
};

struct TSubtitleStreamInfo {
  std::string Language, CodecName;
};

// Equal to the library's picture type numbers.
enum TPictureType { ptUnknown, ptI, ptP, ptB, ptS, ptSI, ptSP, ptBI };

enum TSeekFlag { sfBackward, sfByte, sfAny, sfFrame };

// A set of seek flags; its mask is the library's seek flags.
class TSeekFlags {
 public:
  constexpr TSeekFlags() = default;
  constexpr TSeekFlags(std::initializer_list<TSeekFlag> flags) {
    for (TSeekFlag f : flags) FBits |= 1 << f;
  }
  constexpr bool Contains(TSeekFlag f) const { return (FBits >> f) & 1; }
  constexpr TSeekFlags operator+(TSeekFlag f) const { return FromMask(FBits | 1 << f); }
  constexpr TSeekFlags operator-(TSeekFlag f) const { return FromMask(FBits & ~(1 << f)); }
  constexpr int Mask() const { return FBits; }

 private:
  static constexpr TSeekFlags FromMask(int bits) {
    TSeekFlags s;
    s.FBits = bits;
    return s;
  }
  int FBits = 0;
};

// The current decoded picture. Picture's planes point into Buffer, which the probe owns.
struct TFrameInfo {
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  int Width = 0, Height = 0;
  bool IsKeyFrame = false;
  TPictureType PictureType = ptUnknown;
  int64_t PTS = kNoTime;                                 // microseconds from the stream start
  int64_t OriginalDTS = kNoTime, OriginalPTS = kNoTime;  // the packet's, stream time base
  int StreamIndex = -1;
  int64_t Position = -1;  // byte position of the packet that completed the picture
  bool Ready = false;
  TPicture Picture;
  uint8_t* Buffer = nullptr;
  int Size = 0;
};

// Texts of the report, public for their callers and tests.
namespace probetext {
// "%.2d:%.2d:%.2d.%.3d" of a microsecond count, hours not wrapped; "N/A" for kNoTime.
std::string DurationText(int64_t us);
// "%.2f GB", "%.2f MB", "%.2f KB" above 2^30, 2^20, 2^10 bytes, else "%d Byte".
std::string SizeText(int64_t bytes);
// ", 29.97 fps", ", 25 tbr", ", 90k tbn".
std::string RateText(double d, const char* label);
// "%d.%.6d" seconds and microseconds; a negative time keeps its sign in front.
std::string SecondsText(int64_t us);
// The shown name of a metadata key (ID3v2 frame names to plain words).
const char* MetadataKeyName(const char* key);
}  // namespace probetext

class TCustomAVProbe {
 public:
  TCustomAVProbe();
  virtual ~TCustomAVProbe();
  TCustomAVProbe(const TCustomAVProbe&) = delete;
  TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

  // Opens a file; an empty format name lets the library detect the format.
  bool LoadFile(const std::string& AFileName, const std::string& AFormatName = "");
  virtual void CloseFile();

  AVFormatContext* FileHandle() const { return FFileHandle; }
  // Closes the current file and borrows the given context (nullptr: none). The probe never
  // closes a borrowed context; its owner detaches it before closing it.
  virtual void SetFileHandle(AVFormatContext* AHandle);

  std::string FileName() const;
  int64_t FileSize() const { return FFileSize; }
  const std::string& ForceFormat() const { return FForceFormat; }
  std::string FormatName() const;
  std::string FormatLongName() const;
  int StreamCount() const { return FStreamCount; }
  int ProgramCount() const { return FProgramCount; }
  int AudioStreamCount() const { return FAudioStreamCount; }
  int VideoStreamCount() const { return FVideoStreamCount; }
  int SubtitleStreamCount() const { return FSubtitleStreamCount; }
  int FirstAudioStreamIndex() const { return FFirstAudioStreamIndex; }
  int FirstVideoStreamIndex() const { return FFirstVideoStreamIndex; }
  int FirstSubtitleStreamIndex() const { return FFirstSubtitleStreamIndex; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }

  TFileStreamInfo FileStreamInfo();
  // The multi-line report, one line break after every line; empty without a file.
  std::string FileInfoText();

  bool IsAudioStream(int AStreamIndex);
  bool IsVideoStream(int AStreamIndex);
  bool IsSubtitleStream(int AStreamIndex);
  // A negative index means the first stream of that kind.
  TAudioStreamInfo AudioStreamInfo(int AStreamIndex);
  TVideoStreamInfo VideoStreamInfo(int AStreamIndex);
  TSubtitleStreamInfo SubtitleStreamInfo(int AStreamIndex);
  TAudioStreamInfo FirstAudioStreamInfo() { return AudioStreamInfo(-1); }
  TVideoStreamInfo FirstVideoStreamInfo() { return VideoStreamInfo(-1); }
  TSubtitleStreamInfo FirstSubtitleStreamInfo() { return SubtitleStreamInfo(-1); }

  // The probe's libraries: avcodec, avformat, avutil, swscale.
  bool AVLibLoaded() const;
  bool LoadAVLib(const std::string& APath);
  void UnloadAVLib();

 protected:
  virtual void UpdateFileInfo();
  // Keeps the message in LastErrMsg and logs it with the probe as sender; returns false.
  bool Fail(TLogLevel ALevel, const std::string& AMsg);
  bool FileLoaded() const { return FFileHandle != nullptr; }
  bool OwnHandle() const { return FOwnHandle; }
  // The stream, its time base mended when the denominator is 0.
  AVStream* Stream(int AStreamIndex) const;
  // Warns "file not loaded." when there is no file.
  bool CheckFileLoaded();
  // The stream of that kind: the first one for a negative index; errors logged, nullptr.
  AVStream* StreamOfType(int AStreamIndex, AVMediaType AType);
  void SetLastErrMsg(const std::string& AMsg) { FLastErrMsg = AMsg; }

 private:
  bool IsStreamType(int AStreamIndex, AVMediaType AType);
  void CheckLibraries() const;
  bool OpenFile(const std::string& AFileName, const std::string& AFormatName);
  void CloseHandle();
  int64_t SizeOfOpenFile() const;
  void AddStreamLines(std::string& text, int AStreamIndex) const;

  AVFormatContext* FFileHandle = nullptr;
  bool FOwnHandle = false;
  std::string FLastErrMsg;
  std::string FForceFormat;
  int64_t FFileSize = -1;
  int FStreamCount = -1;
  int FProgramCount = -1;
  int FAudioStreamCount = -1, FVideoStreamCount = -1, FSubtitleStreamCount = -1;
  int FFirstAudioStreamIndex = -1, FFirstVideoStreamIndex = -1, FFirstSubtitleStreamIndex = -1;
};

class TAVProbe : public TCustomAVProbe {
 public:
  TAVProbe();
  ~TAVProbe() override;

  void CloseFile() override;

  // End of the file reached by decoding or seeking.
  bool IsEOF() const { return FEOF; }
  const TFrameInfo& FrameInfo() const { return FPicture; }
  // The byte reader's position; −1 without a file or a reader.
  int64_t Position();

  // APTS in microseconds, or a byte offset with sfByte. Raises FFmpegException on a borrowed
  // context.
  bool Seek(int64_t APTS, TSeekFlags ASeekFlags = {});
  // A negative index means the stream decoded last, else the first video stream. These raise
  // FFmpegException on a borrowed context.
  bool Decode(int AStreamIndex = -1);
  bool DecodeNextKeyFrame(int AStreamIndex = -1);
  bool DecodePreviousKeyFrame(int AStreamIndex = -1);
  bool DecodePreviousFrame(int AStreamIndex = -1);
  // The held picture as a 24-bit bitmap; false (bitmap black) when it cannot be converted.
  bool CopyToBitmap(platform::TBitmap& ABitmap);

 protected:
  void UpdateFileInfo() override;

  int FSeekIndex = -1;     // stream of time seeks
  int64_t FStartTime = 0;  // its start time, in its own time base
  int FDecodeIndex = -1;
  bool FEOF = false;
  TFrameInfo FPicture;
  int64_t FLastPTS = kNoTime;  // of the picture held before the current one
  int64_t FLastPos = -1;

 private:
  bool CheckSeekable();
  bool IsStillImageFormat() const;
  int SelectDecodeStream(int AStreamIndex);
  int64_t FrameDuration(int AStreamIndex) const;
  bool OpenDecoder();
  void CloseDecoder();
  bool DecodePicture();
  void StorePicture(const AVFrame& frame, int64_t position);
  void ClearPicture();
  int64_t ReaderPosition() const;

  TCodecContextPtr FCodec;  // decoder of FCodecStream
  int FCodecStream = -1;
  bool FDraining = false;  // the decoder was told that no packets follow
  TRGBConvertContext FRGBContext;
  TAVBufferPtr FPictureBuffer;  // FPicture.Buffer
  TPacketPtr FPacket;
  TFramePtr FFrame;
  // The last packet handed to the decoder: the one that completes the next picture.
  int64_t FSentDTS = kNoTime, FSentPTS = kNoTime, FSentPos = -1;
  int FSentFlags = 0;
};
