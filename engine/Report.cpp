// Progress reports of a run and the final size statistics.
#include <cmath>

#include "engine/FFmpegException.h"
#include "engine/Transcode.h"

bool TTranscodeRun::TimeToReport() const {
  return ff::av_gettime_relative() - FLastReport > C.ReportInterval;
}

namespace {

double Psnr(double error) {
  return error > 0 ? -10.0 * std::log10(error) : 99.99;
}

}  // namespace

void TTranscodeRun::Report(bool last, int fileIndex) {
  const int64_t now = ff::av_gettime_relative();
  FLastReport = now;
  const bool callback = static_cast<bool>(C.OnProgress);
  if (!last && !callback && FOpt.Verbose <= 0) return;

  AVIOContext* pb = FOutputs[0]->Context->pb;
  int64_t total = 0;
  if (pb) {
    total = ff::avio_size(pb);
    if (total <= 0) total = ff::avio_seek(pb, 0, SEEK_CUR);
    if (total < 0) total = 0;
  }
  // The output's time: its shortest stream, once something is written.
  double time = 1e10;
  for (const TRunOutputStream& ost : FOutputStreams) {
    double t = ost.WrittenTime();
    if (t > 0 && t < time) time = t;
  }
  if (time == 1e10) time = 0;
  if (time < 0.01) time = 0.01;

  const TRunOutputStream* video = nullptr;
  for (const TRunOutputStream& ost : FOutputStreams)
    if (ost.Kind == AVMEDIA_TYPE_VIDEO && ost.ShowInReport) {
      video = &ost;
      break;
    }
  // A video output reports nothing until its first frame.
  if (video && video->FrameNumber < 1) {
    if (last && FOpt.Verbose >= 0) LogFinalSizes(total);
    return;
  }
  const double elapsed = (now - FRunStart) / static_cast<double>(AV_TIME_BASE);
  int frame = -1, fps = -1;
  float quality = -1;
  if (video) {
    frame = static_cast<int>(video->FrameNumber);
    fps = elapsed > 1 ? static_cast<int>(frame / elapsed + 0.5) : 0;
    quality = video->EncodingNeeded ? video->Quality / static_cast<float>(FF_QP2LAMBDA) : -1;
  }
  const double bitrate = total * 8 / time / 1000.0;

  std::string text;
  bool first = true;
  for (const TRunOutputStream& ost : FOutputStreams) {
    if (ost.Kind != AVMEDIA_TYPE_VIDEO || !ost.ShowInReport) continue;
    float q = ost.EncodingNeeded ? ost.Quality / static_cast<float>(FF_QP2LAMBDA) : -1;
    if (first) {
      text += StrFmt("frame=%5d fps=%3d q=%3.1f ", frame, fps, q);
      if (last) text += "L";
    } else {
      text += StrFmt("q=%2.1f ", q);
    }
    first = false;
    if (FOpt.QpHist) {
      for (int j = 0; j < 32; ++j)
        text += StrFmt("%X", static_cast<int>(std::lrint(std::log2(ost.QpHistogram[j] + 1.0))));
      text += " ";
    }
    if (ost.EncodingNeeded && (ost.Encoder->flags & AV_CODEC_FLAG_PSNR) && ost.FrameNumber > 0) {
      const AVCodecContext* enc = ost.Encoder.get();
      double scale =
          static_cast<double>(enc->width) * enc->height * 255.0 * 255.0 * ost.FrameNumber;
      text += "PSNR=";
      for (int j = 0; j < 3; ++j)
        text += StrFmt("%c:%2.2f ", "YUV"[j], Psnr(ost.Error[j] / (j ? scale / 4 : scale)));
      double all = static_cast<double>(ost.Error[0] + ost.Error[1] + ost.Error[2]);
      text += StrFmt("*:%2.2f ", Psnr(all / (scale * 1.5)));
    }
  }
  text += StrFmt("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", total / 1024.0, time, bitrate);
  if (FDupFrames || FDropFrames) text += StrFmt(" dup=%d drop=%d", FDupFrames, FDropFrames);

  const bool newDupDrop = FDupFrames != FReportedDup || FDropFrames != FReportedDrop;
  FReportedDup = FDupFrames;
  FReportedDrop = FDropFrames;
  if (callback) {
    C.OnProgress(fileIndex, frame, fps, quality, static_cast<float>(bitrate), total,
                 static_cast<int64_t>(std::floor(time * AV_TIME_BASE)), C.TotalOutputDuration());
    if (newDupDrop) Log(llVerbose, "%s", text.c_str());
  } else if (FOpt.Verbose >= 0) {
    Log(llVerbose, "%s", text.c_str());
  }
  if (last && FOpt.Verbose >= 0) LogFinalSizes(total);
}

void TTranscodeRun::LogFinalSizes(int64_t totalSize) {
  const double raw = static_cast<double>(FVideoSize + FAudioSize + FExtraSize);
  const double overhead = raw > 0 ? 100.0 * (totalSize - raw) / raw : 0;
  Log(llVerbose, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
      FVideoSize / 1024.0, FAudioSize / 1024.0, FExtraSize / 1024.0, overhead);
}
