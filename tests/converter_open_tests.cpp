// Opening inputs and outputs: the option state that task records produce, checked on the
// opened library contexts, and the output files that keep an existing file until the end.
#include <dirent.h>

#include <cstring>
#include <ctime>

#include "engine/FFmpegException.h"
#include "engine/X264Presets.h"
#include "tests/converter_support.h"

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

// Opens the stream's encoder with its settings and private options, as the run will.
int OpenEncoder(const TOutputStream& s, int* unusedOptions = nullptr) {
  TDictionary options = s.EncoderOptions;
  TCodecLock lock;
  int r = ff::avcodec_open2(s.EncoderContext.get(), s.Encoder, options.Ptr());
  if (unusedOptions) *unusedOptions = options.Count();
  return r;
}

// The settings line x264 writes into the first packet ("cabac=1 ref=3 deblock=1:0:0 ...").
std::string X264Settings(AVCodecContext* enc) {
  AVFrame* f = ff::av_frame_alloc();
  f->width = enc->width;
  f->height = enc->height;
  f->format = enc->pix_fmt;
  ff::av_frame_get_buffer(f, 0);
  ff::av_frame_make_writable(f);
  for (int p = 0; p < 3; ++p)
    memset(f->data[p], 128, f->linesize[p] * (p ? enc->height / 2 : enc->height));
  f->pts = 0;
  ff::avcodec_send_frame(enc, f);
  ff::avcodec_send_frame(enc, nullptr);
  ff::av_frame_free(&f);
  AVPacket* pkt = ff::av_packet_alloc();
  std::string text;
  if (ff::avcodec_receive_packet(enc, pkt) == 0) {
    std::string data(reinterpret_cast<char*>(pkt->data), pkt->size);
    size_t at = data.find("options: ");
    if (at != std::string::npos) text = data.substr(at, data.find('\0', at) - at);
  }
  ff::av_packet_free(&pkt);
  return text;
}

}  // namespace

class Opening : public ConverterTest {
 protected:
  TTempDir dir;
};

TEST_F(Opening, InputPropertiesBecomeTheDefaultsOfTheOutputStreams) {
  TCustomFFmpeg c;
  TInputOptions in;
  in.TimeStart = 500000;
  ASSERT_TRUE(c.AddInputFile(Clip25(), &in)) << c.LastErrMsg();
  EXPECT_EQ(in.FileName, Clip25());
  EXPECT_EQ(c.InputCount(), 1);
  EXPECT_EQ(c.Options().FrameWidth, 320);
  EXPECT_EQ(c.Options().FrameHeight, 240);
  EXPECT_EQ(av_cmp_q(c.Options().FrameRate, AVRational{25, 1}), 0);
  EXPECT_EQ(c.Options().AudioSampleRate, 44100);
  EXPECT_EQ(c.Options().StartTime, 0);  // consumed by the input's seek
  EXPECT_EQ(c.Input(0).TsOffset, -500000);
  EXPECT_NEAR(c.TotalOutputDuration(), 1000000, 100000);

  TOutputOptions out;
  out.VideoCodec = "mpeg4";
  out.AudioCodec = "libmp3lame";
  out.VideoTag = "XVID";
  out.VideoBitrate = 816000;
  out.AudioBitrate = 128000;
  out.AudioSampleRate = 48000;
  out.FrameSize = "640*480";
  out.AudioLanguage = "chi";
  out.Info.Title = "Title";
  out.Info.Year = 2010;
  out.ExtOptions = "metadata=comment=c\nmetadata=title=overridden";
  std::string name = dir.File("out.avi");
  ASSERT_TRUE(c.SetOutputFile(name, &out)) << c.LastErrMsg();
  EXPECT_EQ(out.FileName, name);
  ASSERT_EQ(c.OutputCount(), 1);
  AVFormatContext* oc = c.OutputContext(0);
  EXPECT_STREQ(oc->oformat->name, "avi");
  ASSERT_EQ(oc->nb_streams, 2u);

  auto video = StreamsOf(c, AVMEDIA_TYPE_VIDEO);
  auto audio = StreamsOf(c, AVMEDIA_TYPE_AUDIO);
  ASSERT_EQ(video.size(), 1u);
  ASSERT_EQ(audio.size(), 1u);
  const AVCodecContext* v = video[0]->EncoderContext.get();
  EXPECT_STREQ(video[0]->Encoder->name, "mpeg4");
  EXPECT_EQ(v->width, 640);
  EXPECT_EQ(v->height, 480);
  EXPECT_EQ(av_cmp_q(v->time_base, AVRational{1, 25}), 0);
  EXPECT_EQ(v->bit_rate, 816000);
  EXPECT_EQ(v->codec_tag, MKTAG('X', 'V', 'I', 'D'));
  EXPECT_EQ(v->pix_fmt, AV_PIX_FMT_YUV420P);
  const AVCodecContext* a = audio[0]->EncoderContext.get();
  EXPECT_STREQ(audio[0]->Encoder->name, "libmp3lame");
  EXPECT_EQ(a->sample_rate, 48000);
  EXPECT_EQ(a->ch_layout.nb_channels, 1);  // the input's tone is mono
  EXPECT_EQ(a->bit_rate, 128000);
  EXPECT_STREQ(ff::av_dict_get(audio[0]->Stream->metadata, "language", nullptr, 0)->value, "chi");
  // The record's tags come after the extra lines and win over them.
  EXPECT_STREQ(ff::av_dict_get(oc->metadata, "title", nullptr, 0)->value, "Title");
  EXPECT_STREQ(ff::av_dict_get(oc->metadata, "year", nullptr, 0)->value, "2010");
  EXPECT_STREQ(ff::av_dict_get(oc->metadata, "comment", nullptr, 0)->value, "c");
  EXPECT_EQ(OpenEncoder(*video[0]), 0);
  EXPECT_EQ(OpenEncoder(*audio[0]), 0);
}

TEST_F(Opening, RecordingTimeIsTheLocalTimeStampInUtc) {
  const char* oldTz = getenv("TZ");
  std::string savedTz = oldTz ? oldTz : "";
  setenv("TZ", "CST-8", 1);  // eight hours east of UTC
  tzset();
  struct {
    double timeStamp;
    const char* creationTime;  // nullptr: none; "" : about now
  } cases[] = {
      {40180 + (3 * 3600 + 4 * 60 + 5) / 86400.0, "2010-01-01T19:04:05.000000Z"},  // 2010-01-02
      {0, ""},
      {-1, nullptr},
  };
  for (const auto& k : cases) {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.Info.TimeStamp = k.timeStamp;
    ASSERT_TRUE(c.SetOutputFile(dir.File("tags.mov"), &o)) << c.LastErrMsg();
    AVDictionaryEntry* e =
        ff::av_dict_get(c.OutputContext(0)->metadata, "creation_time", nullptr, 0);
    if (!k.creationTime) {
      EXPECT_EQ(e, nullptr);
    } else if (!*k.creationTime) {
      ASSERT_NE(e, nullptr);
      int64_t us = 0;
      ASSERT_GE(ff::av_parse_time(&us, e->value, 0), 0) << e->value;
      EXPECT_NEAR(static_cast<double>(us / 1000000), static_cast<double>(time(nullptr)), 5);
    } else {
      ASSERT_NE(e, nullptr);
      EXPECT_STREQ(e->value, k.creationTime);
    }
  }
  if (oldTz)
    setenv("TZ", savedTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST_F(Opening, StreamKindsFollowTheOptionsAndTheInputs) {
  struct {
    std::string input;
    std::string ext;
    std::string outName;
    std::vector<AVMediaType> kinds;
  } cases[] = {
      {Clip25(), "vcodec=mpeg4\nacodec=mp2\nan", "a.mkv", {AVMEDIA_TYPE_VIDEO}},
      {Clip25(),
       "vcodec=mpeg4\nacodec=mp2\nan=0",
       "b.mkv",
       {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
      {Clip25(), "vn=1\nacodec=mp2", "c.mkv", {AVMEDIA_TYPE_AUDIO}},
      // The format's default video codec is not enough without video in the input.
      {Tone(), "", "d.mp4", {AVMEDIA_TYPE_AUDIO}},
      {Tone(), "vcodec=mpeg4", "e.mkv", {AVMEDIA_TYPE_AUDIO}},
  };
  for (const auto& k : cases) {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(k.input, "")) << c.LastErrMsg();
    ASSERT_TRUE(c.SetOutputFile(dir.File(k.outName), k.ext)) << k.ext << ": " << c.LastErrMsg();
    std::vector<AVMediaType> kinds;
    for (const TOutputStream& s : c.Output(0).Streams) kinds.push_back(s.Kind);
    EXPECT_EQ(kinds, k.kinds) << k.outName;
  }
}

TEST_F(Opening, OpeningFailuresReportTheirTexts) {
  std::string missing = dir.File("missing.avi");
  struct {
    std::string input;
    std::string inputExt;
    std::string output;
    std::string outputExt;
    std::string error;
  } cases[] = {
      {missing, "", "", "", missing + ": No such file or directory"},
      {Clip25(), "threads=2", "", "", "TODO: option - threads"},
      {Clip25(), "itsscale=25:2", "", "", "stream index over MAX_STREAMS(20)"},
      {Clip25(), "f=nosuchformat", "", "", "Unknown input format: \"nosuchformat\""},
      {Clip25(), "vcodec=nosuch", "", "", "Unknown decoder 'nosuch'"},
      {TsClip(), "programid=7", "", "", "Specified program id not found"},
      {Clip25(), "", dir.File("x.nosuchext"), "",
       "Unable to find a suitable output format for '" + dir.File("x.nosuchext") + "'"},
      {Clip25(), "", dir.File("x.mkv"), "f=nosuchformat",
       "Requested output format 'nosuchformat' is not a suitable output format"},
      {Clip25(), "", dir.File("no/folder/x.mkv"), "",
       dir.File("no/folder/x.mkv") + ": No such file or directory"},
      {Clip25(), "", dir.File("x.mkv"), "vcodec=mp2",
       "new_video_stream fail: Invalid encoder type 'mp2'"},
      {Clip25(), "", dir.File("x.mkv"), "metadata=title", "Missing ="},
  };
  for (const auto& k : cases) {
    TCustomFFmpeg c;
    bool in = c.AddInputFile(k.input, k.inputExt);
    if (k.output.empty()) {
      EXPECT_FALSE(in) << k.error;
    } else {
      ASSERT_TRUE(in) << c.LastErrMsg();
      EXPECT_FALSE(c.SetOutputFile(k.output, k.outputExt)) << k.error;
      EXPECT_EQ(c.OutputCount(), 0);  // a failed output leaves no trace
    }
    EXPECT_EQ(c.LastErrMsg(), k.error);
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  TCustomFFmpeg c;
  TInputOptions program;
  program.ProgramID = 1;
  EXPECT_TRUE(c.AddInputFile(TsClip(), &program)) << c.LastErrMsg();
}

TEST_F(Opening, DvdTargetDetectsTheNormAndRecordFieldsWin) {
  struct {
    TOptionNormType norm;
    int32_t videoBitrate;
    std::string frameSize;
    std::string ext;
    int width, height, gop;
    AVRational timeBase;
    int64_t bitRate;
  } cases[] = {
      {ntAuto, -1, "", "", 720, 576, 15, {1, 25}, 6000000},
      {ntNTSC, -1, "", "", 720, 480, 18, {1001, 30000}, 6000000},
      // A record field beats the same extra line, both beat the target; the frame size last.
      {ntAuto, 3000000, "352x288", "vb=4000000\ng=12\ns=704x576", 352, 288, 12, {1, 25}, 3000000},
  };
  for (const auto& k : cases) {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(Clip25(), "")) << c.LastErrMsg();
    ClearLog();
    TOutputOptions o;
    o.TargetType = ttDVD;
    o.NormType = k.norm;
    o.VideoBitrate = k.videoBitrate;
    o.FrameSize = k.frameSize;
    o.ExtOptions = k.ext;
    ASSERT_TRUE(c.SetOutputFile(dir.File("dvd.mpg"), &o)) << c.LastErrMsg();
    if (k.norm == ntAuto) {
      EXPECT_TRUE(Logged(llInfo, "Assuming PAL for target."));
    }
    AVFormatContext* oc = c.OutputContext(0);
    EXPECT_STREQ(oc->oformat->name, "dvd");
    EXPECT_EQ(oc->packet_size, 2048u);
    int64_t muxRate = 0;
    ff::av_opt_get_int(oc->priv_data, "muxrate", 0, &muxRate);
    EXPECT_EQ(muxRate, 10080000);
    auto video = StreamsOf(c, AVMEDIA_TYPE_VIDEO);
    auto audio = StreamsOf(c, AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(video.size(), 1u);
    ASSERT_EQ(audio.size(), 1u);
    const AVCodecContext* v = video[0]->EncoderContext.get();
    EXPECT_STREQ(video[0]->Encoder->name, "mpeg2video");
    EXPECT_EQ(v->width, k.width);
    EXPECT_EQ(v->height, k.height);
    EXPECT_EQ(v->gop_size, k.gop);
    EXPECT_EQ(av_cmp_q(v->time_base, k.timeBase), 0);
    EXPECT_EQ(v->bit_rate, k.bitRate);
    EXPECT_EQ(v->rc_max_rate, 9000000);
    EXPECT_EQ(v->rc_buffer_size, 1835008);
    const AVCodecContext* a = audio[0]->EncoderContext.get();
    EXPECT_STREQ(audio[0]->Encoder->name, "ac3");
    EXPECT_EQ(a->sample_rate, 48000);
    EXPECT_EQ(a->bit_rate, 448000);
    EXPECT_EQ(OpenEncoder(*video[0]), 0);
    EXPECT_EQ(OpenEncoder(*audio[0]), 0);
  }

  TCustomFFmpeg audioOnly;
  ASSERT_TRUE(audioOnly.AddInputFile(Tone(), ""));
  TOutputOptions o;
  o.TargetType = ttDVD;
  EXPECT_FALSE(audioOnly.SetOutputFile(dir.File("dvd.mpg"), &o));
  EXPECT_EQ(audioOnly.LastErrMsg(), "frame_rate is invalid.");

  // SVCD: the old "+scan_offset" flag reaches the MPEG-2 encoder as its own option.
  TCustomFFmpeg svcd;
  ASSERT_TRUE(svcd.AddInputFile(Clip25(), ""));
  o.TargetType = ttSVCD;
  ASSERT_TRUE(svcd.SetOutputFile(dir.File("svcd.mpg"), &o)) << svcd.LastErrMsg();
  EXPECT_STREQ(StreamsOf(svcd, AVMEDIA_TYPE_VIDEO)[0]->EncoderOptions.Get("scan_offset"), "1");
  EXPECT_EQ(OpenEncoder(*StreamsOf(svcd, AVMEDIA_TYPE_VIDEO)[0]), 0);

  // VCD: the muxer's rate and preload.
  TCustomFFmpeg vcd;
  ASSERT_TRUE(vcd.AddInputFile(Clip25(), ""));
  o.TargetType = ttVCD;
  ASSERT_TRUE(vcd.SetOutputFile(dir.File("vcd.mpg"), &o)) << vcd.LastErrMsg();
  int64_t muxRate = 0, preload = 0;
  ff::av_opt_get_int(vcd.OutputContext(0)->priv_data, "muxrate", 0, &muxRate);
  ff::av_opt_get_int(vcd.OutputContext(0)->priv_data, "preload", 0, &preload);
  EXPECT_EQ(muxRate, 1411200);
  EXPECT_EQ(preload, 440000);
  EXPECT_EQ(vcd.OutputContext(0)->packet_size, 2324u);
  EXPECT_EQ(StreamsOf(vcd, AVMEDIA_TYPE_VIDEO)[0]->EncoderContext->width, 352);

  // DV through the option line, with the norm given.
  TCustomFFmpeg dv;
  ASSERT_TRUE(dv.AddInputFile(Clip25(), ""));
  ASSERT_TRUE(dv.SetOutputFile(dir.File("x.dv"), "target=pal-dv50")) << dv.LastErrMsg();
  const TOutputStream* dvVideo = StreamsOf(dv, AVMEDIA_TYPE_VIDEO)[0];
  EXPECT_STREQ(dvVideo->Encoder->name, "dvvideo");
  EXPECT_EQ(dvVideo->EncoderContext->pix_fmt, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(dvVideo->EncoderContext->height, 576);
  EXPECT_EQ(StreamsOf(dv, AVMEDIA_TYPE_AUDIO)[0]->EncoderContext->sample_rate, 48000);
  EXPECT_EQ(OpenEncoder(*dvVideo), 0);
}

TEST_F(Opening, RecordAudioSettingsAndExtraStreamsWithTheirOwnCodecs) {
  struct {
    int32_t sampleRate;
    std::string audioCodec;
    std::string ext;
    std::vector<std::string> codecs;
    int rate;
  } cases[] = {
      {44100, "", "acodec=mp2\nar=22050", {"mp2"}, 44100},
      {-1, "", "acodec=mp2\nar=22050", {"mp2"}, 22050},
      {-1, "aac", "newaudio\nacodec=mp2\nacodec=ac3", {"aac", "mp2"}, 44100},
      {-1, "", "acodec=ac3\nnewaudio=\nnewaudio", {"ac3", "ac3", "ac3"}, 44100},
      {-1, "libfaac", "", {"aac"}, 44100},
  };
  for (const auto& k : cases) {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
    TOutputOptions o;
    o.AudioSampleRate = k.sampleRate;
    o.AudioCodec = k.audioCodec;
    o.VideoCodec = "mpeg4";
    o.ExtOptions = k.ext;
    ASSERT_TRUE(c.SetOutputFile(dir.File("out.mkv"), &o)) << k.ext << ": " << c.LastErrMsg();
    std::vector<std::string> codecs;
    for (const TOutputStream* s : StreamsOf(c, AVMEDIA_TYPE_AUDIO)) {
      codecs.push_back(s->Encoder->name);
      EXPECT_EQ(s->EncoderContext->sample_rate, k.rate) << k.ext;
      EXPECT_EQ(OpenEncoder(*s), 0) << s->Encoder->name;
    }
    EXPECT_EQ(codecs, k.codecs) << k.ext;
  }
}

TEST_F(Opening, JoinListsOneOutputPerInputAndRefusesASecondOutput) {
  TCustomFFmpeg c;
  ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
  ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
  ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
  ASSERT_TRUE(c.SetOutputFile(dir.File("joined.mkv"), "Join\nvcodec=mpeg4\nacodec=mp2"))
      << c.LastErrMsg();
  EXPECT_TRUE(c.JoinMode());
  ASSERT_EQ(c.OutputCount(), 3);
  EXPECT_EQ(c.OutputContext(1), c.OutputContext(0));
  EXPECT_EQ(c.OutputContext(2), c.OutputContext(0));
  EXPECT_NEAR(c.TotalOutputDuration(), 3000000, 300000);

  EXPECT_FALSE(c.SetOutputFile(dir.File("second.mkv"), "vcodec=mpeg4"));
  EXPECT_EQ(c.LastErrMsg(), "Cannot join more than one output file.");
  EXPECT_EQ(c.OutputCount(), 3);
  EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);  // only the first output's temporary file
  c.CloseOutputs(oeDiscarded);
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

// An existing file of the output's name is left alone until the task ends; then the end
// decides whether the new output replaces it.
TEST_F(Opening, AnExistingOutputStaysUntilTheTaskEnds) {
  struct {
    TOutputEnd end;
    bool existing;
    bool written;
    const char* result;  // content of the final name afterwards, nullptr: no such file
  } cases[] = {
      {oeFinished, true, true, "NEW"},     {oeStopped, true, true, "OLD"},
      {oeFailed, true, true, "OLD"},       {oeStopped, false, true, "NEW"},
      {oeFailed, false, true, "NEW"},      {oeFinished, true, false, "OLD"},
      {oeFinished, false, false, nullptr}, {oeDiscarded, true, true, "OLD"},
      {oeDiscarded, false, true, nullptr},
  };
  for (const auto& k : cases) {
    TTempDir folder;
    std::string name = folder.File("输出 文件.mkv");
    if (k.existing) WriteFile(name, "OLD");
    {
      TCustomFFmpeg c;
      ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
      ASSERT_TRUE(c.SetOutputFile(name, "vcodec=mpeg4\nacodec=mp2")) << c.LastErrMsg();
      if (k.existing) {
        EXPECT_EQ(ReadFile(name), "OLD");
      }
      EXPECT_EQ(FileExists(name), k.existing);
      const std::string& temp = c.Output(0).TempFileName;
      EXPECT_EQ(temp.rfind(folder.Path() + "/.", 0), 0u) << temp;  // hidden, same folder
      EXPECT_TRUE(FileExists(temp));
      if (k.written) {
        ff::avio_write(c.OutputContext(0)->pb, reinterpret_cast<const unsigned char*>("NEW"), 3);
        ff::avio_flush(c.OutputContext(0)->pb);
      }
      ClearLog();
      c.CloseOutputs(k.end);
      EXPECT_EQ(c.OutputCount(), 0);
      if (k.existing && k.written && (k.end == oeStopped || k.end == oeFailed)) {
        EXPECT_TRUE(Logged(llWarning, name + ": the conversion did not finish"));
      }
    }
    if (k.result) {
      EXPECT_EQ(ReadFile(name), k.result) << k.end << k.existing << k.written;
    } else {
      EXPECT_FALSE(FileExists(name)) << k.end << k.existing << k.written;
    }
    EXPECT_EQ(FolderEntries(folder.Path()).size(), k.result ? 1u : 0u);
  }

  // A task removed before it ran: the converter discards its outputs when it goes.
  std::string name = dir.File("kept.mkv");
  WriteFile(name, "OLD");
  {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(Clip25(), ""));
    ASSERT_TRUE(c.SetOutputFile(name, "vcodec=mpeg4"));
    ff::avio_write(c.OutputContext(0)->pb, reinterpret_cast<const unsigned char*>("NEW"), 3);
  }
  EXPECT_EQ(ReadFile(name), "OLD");
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"kept.mkv"});
}

// Every built-in preset applies without an error and lets libx264 open.
TEST_F(Opening, EveryBuiltinPresetOpensLibx264) {
  for (const TBuiltinPreset& p : kBuiltinPresets) {
    TCustomFFmpeg c;
    ASSERT_TRUE(c.AddInputFile(Clip25(), "")) << c.LastErrMsg();
    ClearLog();
    TOutputOptions o;
    o.VideoCodec = "libx264";
    o.VideoPreset = p.Name;
    o.VideoBitrate = 500000;
    o.AudioCodec = "aac";
    ASSERT_TRUE(c.SetOutputFile(dir.File("x264.mp4"), &o)) << p.Name << ": " << c.LastErrMsg();
    EXPECT_EQ(LoggedCount("Invalid value"), 0) << p.Name;
    auto video = StreamsOf(c, AVMEDIA_TYPE_VIDEO);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_STREQ(video[0]->Encoder->name, "libx264");
    EXPECT_TRUE(video[0]->EncoderContext->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
    int unused = -1;
    EXPECT_EQ(OpenEncoder(*video[0], &unused), 0) << p.Name;
    EXPECT_EQ(unused, 0) << p.Name;  // libx264 took every private option
    // What some presets mean, as x264 reports its settings.
    struct {
      const char* preset;
      std::vector<const char*> settings;
    } meanings[] = {
        {"libx264-ultrafast",
         {"cabac=0", "deblock=0", "me=dia", "subme=0", "trellis=0", "bframes=0", "mbtree=0",
          "aq=0"}},
        {"libx264-placebo",
         {"cabac=1", "me=tesa", "subme=10", "ref=16", "bframes=16", "fast_pskip=0", "trellis=2",
          "rc_lookahead=60"}},
        {"libx264-baseline", {"cabac=0", "8x8dct=0", "bframes=0", "weightp=0"}},
        {"libx264-lossless_medium", {"qp=0", "subme=5"}},
        {"libx264-fast_firstpass", {"ref=1", "me=dia", "subme=2", "8x8dct=0", "trellis=0"}},
    };
    for (const auto& m : meanings) {
      if (std::string(p.Name) != m.preset) continue;
      std::string reported = X264Settings(video[0]->EncoderContext.get());
      for (const char* setting : m.settings)
        EXPECT_NE(reported.find(std::string(" ") + setting), std::string::npos)
            << p.Name << " lacks " << setting << " in " << reported;
    }
    if (std::string(p.Name) == "libx264-default") {
      const AVCodecContext* v = video[0]->EncoderContext.get();
      EXPECT_EQ(v->max_b_frames, 3);
      EXPECT_EQ(v->gop_size, 250);
      EXPECT_EQ(v->me_subpel_quality, 7);
      EXPECT_STREQ(video[0]->EncoderOptions.Get("me_method"), "hex");
      EXPECT_STREQ(video[0]->EncoderOptions.Get("weightp"), "smart");
    }
  }
}
