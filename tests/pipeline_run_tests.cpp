// The run of a task as a whole: progress reports, stopping, joining inputs, "shortest", a
// conversion that writes nothing, stream copy with its refusals and bitstream filters, and the
// failures a run reports.
#include <chrono>
#include <thread>

#include "platform/MainThread.h"
#include "tests/pipeline_support.h"

using namespace std::chrono_literals;
using testsupport::FFmpeg;
using testsupport::FileExists;
using testsupport::ProbeFacts;
using testsupport::Quote;
using testsupport::TTempDir;

namespace {

// Packet times of the file's first stream of `kind` ("a", "v"): pts and duration in seconds.
std::vector<std::pair<double, double>> PacketTimes(const std::string& path, const char* kind) {
  std::string out;
  testsupport::Run(std::string(BRENVO_FFPROBE_TOOL) + " -v error -select_streams " + kind +
                       ":0 -show_entries packet=pts_time,duration_time -of csv=p=0 " + Quote(path),
                   &out);
  std::vector<std::pair<double, double>> times;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    times.push_back({atof(line.c_str()), atof(line.c_str() + comma + 1)});
  }
  return times;
}

std::string FirstPacketBytes(const std::string& path) {
  std::string out;
  testsupport::Run(std::string(BRENVO_FFPROBE_TOOL) +
                       " -v error -select_streams v:0 -read_intervals %+#1 -show_packets "
                       "-show_data " +
                       Quote(path),
                   &out);
  size_t at = out.find("00000000: ");
  return at == std::string::npos ? std::string() : out.substr(at + 10, 9);
}

}  // namespace

class RunPipeline : public ConverterTest {
 protected:
  // A tone of `seconds` (44.1 kHz stereo WAV), made once per length.
  static std::string Tone(double seconds) {
    std::string path = gMedia->File(StrFmt("tone%g.wav", seconds));
    if (!FileExists(path)) {
      EXPECT_TRUE(testsupport::MakeTone(path, seconds, 44100, 2, "-c:a pcm_s16le"));
    }
    return path;
  }
  // A 320x240 25 fps H.264 + AAC clip of `seconds`.
  // A key frame every second.
  static std::string Clip(double seconds, bool audio = true) {
    std::string path = gMedia->File(StrFmt("clip%g%s.mp4", seconds, audio ? "" : "v"));
    if (!FileExists(path)) {
      EXPECT_TRUE(testsupport::MakeClip(
          path, seconds, "-c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac", 320, 240,
          25, audio));
    }
    return path;
  }
  void Prepare(TRecordedConversion& r, const std::vector<std::string>& inputs,
               const std::string& output, TOutputOptions o) {
    for (const std::string& in : inputs)
      ASSERT_TRUE(r.c.AddInputFile(in, std::string())) << r.c.LastErrMsg();
    ASSERT_TRUE(r.c.SetOutputFile(output, &o)) << r.c.LastErrMsg();
  }

  TTempDir dir;
};

TEST_F(RunPipeline, AudioProgressHasNoFigures) {
  TRecordedConversion r;
  r.c.ReportInterval = 0;  // a report after every packet
  std::string out = dir.File("progress.flac");
  Prepare(r, {Tone(3)}, out, AudioRecord("flac", 2, -1, 128000));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  auto calls = r.Progress();
  ASSERT_GT(calls.size(), 5u);
  int64_t lastTime = 0, lastSize = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    const TProgressCall& p = calls[i];
    EXPECT_EQ(p.FileIndex, i + 1 < calls.size() ? 0 : -1);  // the final report names no input
    EXPECT_EQ(p.FrameNumber, -1);
    EXPECT_EQ(p.FPS, -1);
    EXPECT_EQ(p.Quality, -1);
    EXPECT_NEAR(p.TotalDuration, 3000000, 1000);
    EXPECT_GE(p.CurrentDuration, lastTime);
    EXPECT_GE(p.CurrentSize, lastSize);
    lastTime = p.CurrentDuration;
    lastSize = p.CurrentSize;
  }
  // The last report is made after the trailer: the whole file, the whole time.
  EXPECT_EQ(calls.back().CurrentSize, testsupport::FileSize(out));
  EXPECT_NEAR(calls.back().CurrentDuration, 3000000, 30000);
  EXPECT_NEAR(calls.back().BitRate, calls.back().CurrentSize * 8 / 3.0 / 1000, 5);
}

TEST_F(RunPipeline, VideoProgressCountsFramesAndNeverReportsBeforeTheFirst) {
  TRecordedConversion r;
  r.c.ReportInterval = 0;
  std::string out = dir.File("progress.avi");
  Prepare(r, {Clip(2)}, out, VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  auto calls = r.Progress();
  ASSERT_FALSE(calls.empty());
  for (const TProgressCall& p : calls) {
    EXPECT_GE(p.FrameNumber, 1);
    EXPECT_GE(p.FPS, 0);
    EXPECT_GT(p.Quality, 0);
  }
  EXPECT_EQ(calls.back().FrameNumber, 50);

  // A video output that never gets a frame reports nothing at all.
  TRecordedConversion none;
  TOutputOptions o = VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100);
  o.ExtOptions = "vframes=0";
  Prepare(none, {Clip(2)}, dir.File("none.avi"), o);
  none.Run();
  EXPECT_TRUE(none.Progress().empty());
  EXPECT_EQ(none.Terminates(), 1);
}

TEST_F(RunPipeline, StopEndsBeforeTheNextPacketAndStillWritesTheTrailer) {
  TRecordedConversion r;
  r.c.ReportInterval = 100000;
  std::string out = dir.File("stopped.flac");
  TOutputOptions o = AudioRecord("flac", 2, -1, 128000);
  Prepare(r, {Tone(30)}, out, o);
  r.c.ParseOption("re", "1");  // at the source's pace, so that the stop comes midway
  ASSERT_TRUE(r.c.StartConvert(true, platform::tpNormal));
  auto until = std::chrono::steady_clock::now() + 10s;
  while (r.Progress().size() < 3 && std::chrono::steady_clock::now() < until) {
    platform::MainThreadCalls().ServePending();
    std::this_thread::sleep_for(5ms);
  }
  r.c.Stop(true);
  EXPECT_TRUE(r.c.Terminated());
  EXPECT_FALSE(r.c.Finished());
  EXPECT_FALSE(r.c.FatalException()) << r.c.FatalMessage();
  EXPECT_EQ(r.Terminates(), 1);
  // A complete file of what was converted: its stored MD5 matches its samples.
  ASSERT_TRUE(FileExists(out));
  std::string samples = DecodedSamples(out, "s16le");
  EXPECT_GT(samples.size(), 0u);
  EXPECT_LT(samples.size(), 30u * 44100 * 4 / 2);
  EXPECT_EQ(FlacStoredMd5(out), Md5Hex(samples));
  EXPECT_EQ(r.Progress().back().CurrentSize, testsupport::FileSize(out));
}

TEST_F(RunPipeline, JoinedInputsMakeOneContinuousOutput) {
  // Three tones of 10, 20 and 30 s become one FLAC of 60 s, sample for sample.
  std::string parts[] = {dir.File("p1.wav"), dir.File("p2.wav"), dir.File("p3.wav")};
  const int seconds[] = {10, 20, 30};
  std::string all;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(FFmpeg(StrFmt("-f lavfi -i \"sine=frequency=%d:sample_rate=44100:duration=%d\" "
                              "-ac 2 -c:a pcm_s16le ",
                              300 + 100 * i, seconds[i]) +
                       Quote(parts[i])));
    all += DecodedSamples(parts[i], "s16le");
  }
  TRecordedConversion r;
  std::string out = dir.File("joined.flac");
  TOutputOptions o = AudioRecord("flac", 2, -1, 128000);
  o.Join = true;
  Prepare(r, {parts[0], parts[1], parts[2]}, out, o);
  EXPECT_EQ(r.c.OutputCount(), 3);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  for (const TProgressCall& p : r.Progress()) EXPECT_NEAR(p.TotalDuration, 60000000, 1000);
  EXPECT_NEAR(r.Progress().back().CurrentDuration, 60000000, 100000);
  std::string joined = DecodedSamples(out, "s16le");
  EXPECT_EQ(joined.size(), all.size());
  EXPECT_TRUE(joined == all);
  // One trailer with the stream's total: the stored MD5 is that of all 60 s.
  EXPECT_EQ(FlacStoredMd5(out), Md5Hex(all));
  auto packets = PacketTimes(out, "a");
  ASSERT_GT(packets.size(), 10u);
  for (size_t i = 1; i < packets.size(); ++i)
    ASSERT_NEAR(packets[i].first, packets[i - 1].first + packets[i - 1].second, 1e-3) << i;
}

TEST_F(RunPipeline, JoinedClipsContinueEachOthersTimestamps) {
  TRecordedConversion r;
  std::string out = dir.File("joined.mkv");
  TOutputOptions o = VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100);
  o.Join = true;
  Prepare(r, {Clip(1), Clip(2), Clip(3)}, out, o);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  auto video = PacketTimes(out, "v");
  ASSERT_NEAR(video.size(), 150u, 2);
  std::vector<double> pts;
  for (const auto& p : video) pts.push_back(p.first);
  std::sort(pts.begin(), pts.end());
  // Each part continues where its longer stream ended (the audio, by its last frame's padding).
  for (size_t i = 1; i < pts.size(); ++i) EXPECT_NEAR(pts[i] - pts[i - 1], 0.04, 0.041) << i;
  EXPECT_GE(pts.back(), 5.96 - 0.001);
  EXPECT_LE(pts.back(), 5.96 + 3 * 1024 / 44100.0 + 0.04);
  EXPECT_NEAR(DecodedSeconds(out), 6.0, 0.15);
}

TEST_F(RunPipeline, ShortestEndsWithTheShorterInput) {
  for (bool shortest : {true, false}) {
    SCOPED_TRACE(shortest ? "shortest" : "longest");
    TRecordedConversion r;
    std::string out = dir.File(shortest ? "short.mkv" : "long.mkv");
    TOutputOptions o = VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100);
    if (shortest) o.ExtOptions = "shortest=1";
    Prepare(r, {Clip(2, false), Tone(5)}, out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_NEAR(DecodedSeconds(out), shortest ? 2.0 : 5.0, 0.3);
  }
}

TEST_F(RunPipeline, AConversionThatWritesNothingLeavesNoFile) {
  TRecordedConversion r;
  std::string out = dir.File("nothing.flac");
  TOutputOptions o = AudioRecord("flac", 2, -1, 128000);
  o.TimeLength = 0;
  Prepare(r, {Tone(3)}, out, o);
  EXPECT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_FALSE(FileExists(out));

  // An existing file of that name is left as it was.
  testsupport::WriteFile(out, "keep");
  TRecordedConversion again;
  Prepare(again, {Tone(3)}, out, o);
  EXPECT_TRUE(again.Run());
  EXPECT_TRUE(testsupport::ReadFile(out) == "keep");
}

TEST_F(RunPipeline, StreamCopyKeepsThePacketsAndShiftsThemToTheStart) {
  TRecordedConversion r;
  std::string out = dir.File("copy.mkv");
  TOutputOptions o;
  o.VideoCodec = "copy";
  o.AudioCodec = "copy";
  o.TimeStart = 1000000;  // output start: the first second is left out
  Prepare(r, {Clip(3)}, out, o);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  auto facts = ProbeFacts(out);
  EXPECT_EQ(Fact(facts, "stream.0.codec_name"), "h264");
  EXPECT_EQ(Fact(facts, "stream.1.codec_name"), "aac");
  auto video = PacketTimes(out, "v");
  ASSERT_FALSE(video.empty());
  EXPECT_NEAR(video.size(), 50u, 13);  // from the key frame at or after 1 s
  EXPECT_NEAR(video.front().first, 0.0, 0.1);
  EXPECT_NEAR(DecodedSeconds(out), 2.0, 0.1);
}

TEST_F(RunPipeline, BitstreamFiltersRewriteCopiedPackets) {
  for (bool filtered : {false, true}) {
    TRecordedConversion r;
    std::string out = dir.File(filtered ? "annexb.avi" : "avcc.avi");
    TOutputOptions o;
    o.VideoCodec = "copy";
    o.DisableAudio = true;
    if (filtered) o.ExtOptions = "vbsf=h264_mp4toannexb";
    Prepare(r, {Clip(1)}, out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_EQ(FirstPacketBytes(out) == "0000 0001", filtered) << FirstPacketBytes(out);
  }
  // A filter that does not fit the codec is reported and left out, or fails with "xerror".
  for (bool xerror : {false, true}) {
    TRecordedConversion r;
    ClearLog();
    TOutputOptions o = VideoRecord("mpeg4", "", 816000, 128000, 44100);
    o.DisableAudio = true;
    o.ExtOptions = std::string("vbsf=h264_mp4toannexb") + (xerror ? "<CRLF>xerror=1" : "");
    Prepare(r, {Clip(1)}, dir.File(xerror ? "x.avi" : "nox.avi"), o);
    r.Run();
    const std::string text = "h264_mp4toannexb failed for stream 0, codec mpeg4: ";
    EXPECT_EQ(r.c.FatalException(), xerror);
    if (xerror) {
      EXPECT_EQ(r.c.FatalMessage().rfind(text, 0), 0u) << r.c.FatalMessage();
    } else {
      EXPECT_TRUE(Logged(llError, text));
      EXPECT_TRUE(r.c.Finished());
    }
  }
}

TEST_F(RunPipeline, StreamCopyIsRefusedWhenFramesMustBeDecoded) {
  struct {
    const char* name;
    const char* vcodec;
    const char* acodec;
    const char* ext;
    const char* error;
  } cases[] = {
      {"preview", "copy", "", "",
       "-vcodec copy and PostHooks are incompatible (frames are not decoded)"},
      {"custom hook", "copy", "", "",
       "-vcodec copy and CustomHook are incompatible (frames are not decoded)"},
      {"volume", "mpeg4", "copy", "vol=512",
       "-acodec copy and -vol are incompatible (frames are not decoded)"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    TRecordedConversion r;
    TOutputOptions o;
    o.VideoCodec = k.vcodec;
    o.AudioCodec = k.acodec;
    o.ExtOptions = k.ext;
    std::string out = dir.File(std::string(k.name) + ".mkv");
    Prepare(r, {Clip(1)}, out, o);
    if (std::string(k.name) == "preview") r.c.SetPostHook(phPreview, true);
    if (std::string(k.name) == "custom hook")
      r.c.OnCustomHook = [](platform::TBitmap*, int, int64_t, bool&, bool&) {};
    EXPECT_FALSE(r.Run());
    EXPECT_TRUE(r.c.FatalException());
    EXPECT_EQ(r.c.FatalMessage(), k.error);
    EXPECT_EQ(r.Terminates(), 1);
    EXPECT_FALSE(FileExists(out));
    EXPECT_TRUE(Logged(llQuiet, k.error));
  }
}

TEST_F(RunPipeline, SetUpFailuresEndTheTaskWithTheirTexts) {
  struct {
    const char* name;
    bool audio;  // the input clip has audio
    const char* ext;
    const char* options;
    const char* error;
  } cases[] = {
      // clang-format off
      {"no source",   false, "mkv", "newaudio",                      "Could not find input stream matching output stream #0.1 (Audio)"},
      {"no stream",   true,  "mkv", "an<CRLF>vn",                    "Output file #0 does not contain any stream"},
      {"map count",   true,  "mkv", "map=0.0",                       "Number of stream maps must match number of output streams"},
      {"map stream",  true,  "mkv", "map=0.0<CRLF>map=0.5",          "Could not find input stream #0.5"},
      {"sync stream", true,  "mkv", "map=0.0<CRLF>map=0.1:1.0",      "Could not find sync stream #1.0"},
      {"map kind",    true,  "mkv", "map=0.1<CRLF>map=0.0",          "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)"},
      {"meta out",    true,  "mkv", "map_meta_data=3:0",             "Invalid output file index 3 map_meta_data(3,0)"},
      {"meta in",     true,  "mkv", "map_meta_data=0:2",             "Invalid input file index 2 map_meta_data(0,2)"},
      {"encoder",     true,  "mpg", "vcodec=mpeg1video<CRLF>s=4200x240", "Error while opening encoder for output stream #0.0 (Video) - maybe incorrect parameters such as bit_rate, rate, width or height. Please check error log message to find out more detail information."},
      {"header",      true,  "ogg", "acodec=aac",                    "Could not write header for output file #0 (incorrect codec parameters ?)"},
      // clang-format on
  };

  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    TRecordedConversion r;
    TOutputOptions o;
    o.ExtOptions = k.options;
    std::string out = dir.File(std::string(k.name) + "." + k.ext);
    Prepare(r, {Clip(1, k.audio)}, out, o);
    EXPECT_FALSE(r.Run());
    EXPECT_TRUE(r.c.FatalException());
    EXPECT_EQ(r.c.FatalMessage(), k.error);
    EXPECT_FALSE(r.c.Finished());
    EXPECT_EQ(r.Terminates(), 1);
    EXPECT_FALSE(FileExists(out));
  }
}

TEST_F(RunPipeline, AnInputThatFailsToDecodeMidwayIsReported) {
  // Noise in FLAC frames inside Matroska, with garbage over 3000 bytes in the middle.
  std::string good = dir.File("noise.mka"), bad = dir.File("bad.mka");
  ASSERT_TRUE(FFmpeg("-f lavfi -i \"aevalsrc=random(0)-0.5|random(1)-0.5:s=44100:d=4\" -c:a flac " +
                     Quote(good)));
  std::string data = testsupport::ReadFile(good);
  uint32_t seed = 1;
  for (size_t i = data.size() / 2; i < data.size() / 2 + 3000; ++i) {
    seed = seed * 1103515245 + 12345;
    data[i] = static_cast<char>(seed >> 16);
  }
  testsupport::WriteFile(bad, data);
  for (bool xerror : {false, true}) {
    SCOPED_TRACE(xerror ? "xerror" : "go on");
    TRecordedConversion r;
    ClearLog();
    TOutputOptions o = AudioRecord("flac", 2, -1, 128000);
    if (xerror) o.ExtOptions = "xerror=1";
    std::string out = dir.File(xerror ? "stopped.flac" : "rest.flac");
    Prepare(r, {bad}, out, o);
    r.Run();
    const char* text = "Error while decoding stream #0.0 (Audio)";
    if (xerror) {
      EXPECT_TRUE(r.c.FatalException());
      EXPECT_EQ(r.c.FatalMessage(), text);
    } else {
      EXPECT_TRUE(r.c.Finished()) << r.c.FatalMessage();
      EXPECT_TRUE(Logged(llVerbose, text));
      EXPECT_NEAR(DecodedSeconds(out), 4.0, 0.5);
    }
    EXPECT_EQ(r.Terminates(), 1);
  }
}

TEST_F(RunPipeline, SubtitlesAreEncodedAgainWithTheirTimes) {
  std::string srt = dir.File("s.srt"), mkv = dir.File("sub.mkv"), out = dir.File("sub-out.mkv");
  testsupport::WriteFile(srt,
                         "1\n00:00:00,500 --> 00:00:01,500\nHello\n\n"
                         "2\n00:00:02,000 --> 00:00:02,800\nWorld\n");
  ASSERT_TRUE(FFmpeg("-f lavfi -i testsrc=s=160x120:r=25:d=3 -i " + Quote(srt) +
                     " -c:v mpeg4 -c:s srt " + Quote(mkv)));
  TRecordedConversion r;
  TOutputOptions o;
  o.VideoCodec = "mpeg4";
  o.SubtitleCodec = "ass";
  Prepare(r, {mkv}, out, o);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_EQ(Fact(ProbeFacts(out), "stream.1.codec_name"), "ass");
  auto times = PacketTimes(out, "s");
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[0].first, 0.5, 0.001);
  EXPECT_NEAR(times[0].second, 1.0, 0.001);
  EXPECT_NEAR(times[1].first, 2.0, 0.001);
  std::string text;
  testsupport::Run(std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -v error -i " + Quote(out) +
                       " -map 0:s -f srt - 2>/dev/null",
                   &text);
  EXPECT_NE(text.find("Hello"), std::string::npos);
  EXPECT_NE(text.find("World"), std::string::npos);
}

TEST_F(RunPipeline, StreamMappingIsLoggedWithSyncStreams) {
  TRecordedConversion r;
  TOutputOptions o = VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100);
  o.ExtOptions = "map=0.0<CRLF>map=0.1:0.0";
  Prepare(r, {Clip(1)}, dir.File("mapped.avi"), o);
  ClearLog();
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_TRUE(Logged(llInfo, "Stream mapping:"));
  EXPECT_TRUE(Logged(llInfo, "  Stream #0.0 -> #0.0 (Video)"));
  EXPECT_TRUE(Logged(llInfo, "  Stream #0.1 -> #0.1 (Audio) [sync #0.0 (Video)]"));
}

TEST_F(RunPipeline, SizeAndFrameLimitsEndTheConversion) {
  for (bool sizeLimit : {false, true}) {
    SCOPED_TRACE(sizeLimit ? "fs" : "vframes");
    TRecordedConversion r;
    TOutputOptions o = VideoRecord("mpeg4", "", 2000000, 128000, 44100);
    o.DisableAudio = true;
    o.ExtOptions = sizeLimit ? "fs=60000" : "vframes=10";
    std::string out = dir.File(sizeLimit ? "sized.avi" : "counted.avi");
    Prepare(r, {Clip(3)}, out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    if (sizeLimit) {
      // The loop ends once the output is past the limit.
      EXPECT_GT(testsupport::FileSize(out), 60000);
      EXPECT_LT(testsupport::FileSize(out), 100000);
      EXPECT_LT(PacketTimes(out, "v").size(), 75u);
    } else {
      EXPECT_EQ(PacketTimes(out, "v").size(), 10u);
    }
  }
}

TEST_F(RunPipeline, ChaptersOfTheFirstInputAreCopied) {
  std::string meta = dir.File("chapters.txt"), in = dir.File("chapters.mkv");
  testsupport::WriteFile(meta,
                         ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=One\n"
                         "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Two\n");
  ASSERT_TRUE(FFmpeg("-i " + Quote(Tone(2)) + " -i " + Quote(meta) +
                     " -map 0 -map_chapters 1 -c:a flac " + Quote(in)));
  TRecordedConversion r;
  std::string out = dir.File("chapters-out.mkv");
  Prepare(r, {in}, out, AudioRecord("libvorbis", 2, -1, 128000));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  std::string text;
  testsupport::Run(std::string(BRENVO_FFPROBE_TOOL) +
                       " -v error -show_entries chapter=start_time,end_time:chapter_tags=title "
                       "-of csv=p=0 " +
                       Quote(out),
                   &text);
  EXPECT_EQ(text, "0.000000,1.000000,One\n1.000000,2.000000,Two\n");
}

TEST_F(RunPipeline, PauseHaltsBetweenPackets) {
  TRecordedConversion r;
  r.c.ReportInterval = 50000;
  Prepare(r, {Tone(30)}, dir.File("paused.flac"), AudioRecord("flac", 2, -1, 128000));
  r.c.ParseOption("re", "1");
  ASSERT_TRUE(r.c.StartConvert(true, platform::tpNormal));
  auto wait = [&r](size_t count) {
    auto until = std::chrono::steady_clock::now() + 10s;
    while (r.Progress().size() < count && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(5ms);
    return r.Progress().size() >= count;
  };
  ASSERT_TRUE(wait(2));
  r.c.Pause();
  std::this_thread::sleep_for(200ms);  // a packet under way may still report
  size_t paused = r.Progress().size();
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(r.Progress().size(), paused);
  r.c.Resume();
  EXPECT_TRUE(wait(paused + 2));
  r.c.Stop(true);
  EXPECT_FALSE(r.c.FatalException());
}

TEST_F(RunPipeline, JoinedStreamCopiesFollowEachInputsTimeBase) {
  // Matroska counts in milliseconds, raw FLAC in samples.
  std::string a = dir.File("a.mka"), b = dir.File("b.flac"), out = dir.File("copied.mka");
  ASSERT_TRUE(FFmpeg("-f lavfi -i sine=r=44100:d=2 -c:a flac " + Quote(a)));
  ASSERT_TRUE(FFmpeg("-f lavfi -i sine=r=44100:d=3 -c:a flac " + Quote(b)));
  TRecordedConversion r;
  TOutputOptions o;
  o.AudioCodec = "copy";
  o.Join = true;
  Prepare(r, {a, b}, out, o);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_NEAR(DecodedSeconds(out), 5.0, 0.01);
  auto packets = PacketTimes(out, "a");
  ASSERT_GT(packets.size(), 10u);
  for (size_t i = 1; i < packets.size(); ++i)
    ASSERT_NEAR(packets[i].first, packets[i - 1].first + packets[i - 1].second, 0.002) << i;
  EXPECT_NEAR(packets.back().first + packets.back().second, 5.0, 0.01);
}

TEST_F(RunPipeline, TasksConvertSideBySide) {
  constexpr int kTasks = 3;
  std::unique_ptr<TRecordedConversion> tasks[kTasks];
  std::string outs[kTasks];
  for (int i = 0; i < kTasks; ++i) {
    tasks[i] = std::make_unique<TRecordedConversion>();
    outs[i] = dir.File(StrFmt("side%d.%s", i, i == 1 ? "avi" : "flac"));
    if (i == 1)
      Prepare(*tasks[i], {Clip(2)}, outs[i],
              VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100));
    else
      Prepare(*tasks[i], {Tone(3)}, outs[i], AudioRecord("flac", 2, -1, 128000));
  }
  for (auto& t : tasks) ASSERT_TRUE(t->c.StartConvert(true, platform::tpNormal));
  for (auto& t : tasks) {
    auto until = std::chrono::steady_clock::now() + 60s;
    while (!t->c.Terminated() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(t->c.Finished()) << t->c.FatalMessage();
  }
  const std::string tone = DecodedSamples(Tone(3), "s16le");
  EXPECT_TRUE(DecodedSamples(outs[0], "s16le") == tone);
  EXPECT_TRUE(DecodedSamples(outs[2], "s16le") == tone);
  EXPECT_EQ(Fact(ProbeFacts(outs[1]), "stream.0.codec_name"), "mpeg4");
}
