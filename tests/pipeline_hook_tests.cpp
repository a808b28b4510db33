// What a run does to the pictures and samples on their way: the custom hook, the post hooks
// (preview bitmap event and live preview), frame-hook plug-ins, the filter graph, cropping,
// deinterlacing, two-pass statistics, video statistics, volume and audio sync.
#include <atomic>

#include "media/Previewer.h"
#include "tests/pipeline_support.h"

using testsupport::FFmpeg;
using testsupport::FileExists;
using testsupport::ProbeFacts;
using testsupport::Quote;
using testsupport::TTempDir;

namespace {

// The luma plane of picture `n` of the file's video, row after row (no range conversion).
std::string GrayPicture(const std::string& path, int n = 0) {
  std::string out;
  testsupport::Run(
      std::string(BRENVO_FFMPEG_TOOL) + " -nostdin -v error -i " + Quote(path) +
          StrFmt(" -vf \"select=eq(n\\,%d)\" -frames:v 1 -f rawvideo -pix_fmt yuv444p - "
                 "2>/dev/null",
                 n),
      &out);
  return out.substr(0, out.size() / 3);
}

double Mean(const std::string& bytes) {
  if (bytes.empty()) return -1;
  double sum = 0;
  for (unsigned char c : bytes) sum += c;
  return sum / bytes.size();
}

std::string Hook(const char* name) {
  return std::string(HOOK_DIR) + "/" + name + ".so";
}

// A live preview that records what it is shown and is closed after `open` pictures.
struct TFakePreview : TPreviewer {
  static inline std::atomic<int> Painted{0}, Created{0};
  static inline int Open = 1000;
  static inline int Width = 0;
  TFakePreview() { ++Created; }
  bool PaintFrame(platform::TBitmap* bitmap, int, int64_t) override {
    Width = bitmap->Width();
    return ++Painted < Open;
  }
};

}  // namespace

class HookPipeline : public ConverterTest {
 protected:
  // 2 s of 320x240 test pattern at 25 fps, with a tone.
  static std::string Clip() {
    return Fixture("hookclip.mkv", [](const std::string& p) {
      return testsupport::MakeClip(p, 2, "-c:v ffv1 -pix_fmt yuv420p -c:a flac", 320, 240, 25,
                                   true);
    });
  }
  void Prepare(TRecordedConversion& r, const std::string& input, const std::string& output,
               TOutputOptions o) {
    ASSERT_TRUE(r.c.AddInputFile(input, std::string())) << r.c.LastErrMsg();
    ASSERT_TRUE(r.c.SetOutputFile(output, &o)) << r.c.LastErrMsg();
  }
  // Lossless video, no audio: pictures come out as the hooks left them.
  static TOutputOptions Lossless(const std::string& ext = "") {
    TOutputOptions o;
    o.VideoCodec = "ffv1";
    o.DisableAudio = true;
    o.ExtOptions = ext;
    return o;
  }

  TTempDir dir;
};

TEST_F(HookPipeline, CustomHookDrawsIntoThePictures) {
  TRecordedConversion r;
  std::vector<std::pair<int, int64_t>> calls;
  int width = 0;
  r.c.OnCustomHook = [&](platform::TBitmap* bmp, int frame, int64_t pts, bool& update, bool& stop) {
    calls.push_back({frame, pts});
    width = bmp->Width();
    bmp->Fill(255, 255, 255);
    EXPECT_TRUE(update);  // starts True
    EXPECT_FALSE(stop);
    stop = calls.size() == 10;
  };
  std::string out = dir.File("hooked.mkv");
  Prepare(r, Clip(), out, Lossless());
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  ASSERT_EQ(calls.size(), 10u);  // asked to stop after the 10th picture
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].first, static_cast<int>(i) + 1);
    EXPECT_NEAR(calls[i].second, 40000 * static_cast<int64_t>(i), 1000);
  }
  EXPECT_EQ(width, 320);
  EXPECT_GT(Mean(GrayPicture(out, 0)), 230);  // drawn white
  EXPECT_GT(Mean(GrayPicture(out, 9)), 230);
  EXPECT_LT(Mean(GrayPicture(out, 10)), 200);  // as decoded
}

TEST_F(HookPipeline, CustomHookThatFailsOrDeclinesLeavesThePicture) {
  for (bool fail : {true, false}) {
    SCOPED_TRACE(fail ? "throws" : "no update");
    TRecordedConversion r;
    int calls = 0;
    r.c.OnCustomHook = [&](platform::TBitmap* bmp, int, int64_t, bool& update, bool&) {
      ++calls;
      bmp->Fill(255, 255, 255);
      if (fail) throw FFmpegException("boom");
      update = false;
    };
    ClearLog();
    std::string out = dir.File(fail ? "throws.mkv" : "declines.mkv");
    Prepare(r, Clip(), out, Lossless());
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_EQ(calls, 50);
    EXPECT_LT(Mean(GrayPicture(out, 3)), 200);
    EXPECT_EQ(Logged(llError, "Error occurs OnCustomHook: boom"), fail);
  }
}

TEST_F(HookPipeline, PreviewBitmapsComeAtThePreviewPace) {
  struct {
    int64_t interval;
    size_t calls;
  } cases[] = {{0, 50}, {60 * 1000000LL, 1}};
  for (const auto& k : cases) {
    TRecordedConversion r;
    std::vector<int> frames;
    int width = 0;
    r.c.OnPreviewBitmap = [&](platform::TBitmap* bmp, int frame, int64_t) {
      frames.push_back(frame);
      width = bmp->Width();
    };
    r.c.SetPostHook(phBitmap, true);
    r.c.PreviewInterval = k.interval;
    TOutputOptions o = Lossless();
    o.FrameSize = "160x120";
    Prepare(r, Clip(), dir.File("previewed.mkv"), o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_EQ(frames.size(), k.calls);
    EXPECT_EQ(frames.front(), 1);
    EXPECT_EQ(width, 160);  // the picture as encoded
  }
}

TEST_F(HookPipeline, LivePreviewPaintsUntilItsWindowCloses) {
  SetPreviewerFactory([] { return std::make_unique<TFakePreview>(); });
  TFakePreview::Painted = 0;
  TFakePreview::Created = 0;
  TFakePreview::Open = 3;
  TRecordedConversion r;
  r.c.SetPostHook(phPreview, true);
  r.c.PreviewInterval = 0;
  Prepare(r, Clip(), dir.File("live.mkv"), Lossless());
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_EQ(TFakePreview::Created, 1);
  EXPECT_EQ(TFakePreview::Painted, 3);  // closed after the third: no more previews
  EXPECT_EQ(TFakePreview::Width, 320);

  // With the bitmap event as well, only the event gets the pictures.
  TFakePreview::Painted = 0;
  TRecordedConversion both;
  int events = 0;
  both.c.OnPreviewBitmap = [&](platform::TBitmap*, int, int64_t) { ++events; };
  both.c.SetPostHook(phPreview, true);
  both.c.SetPostHook(phBitmap, true);
  both.c.PreviewInterval = 0;
  Prepare(both, Clip(), dir.File("both.mkv"), Lossless());
  ASSERT_TRUE(both.Run());
  EXPECT_EQ(events, 50);
  EXPECT_EQ(TFakePreview::Painted, 0);
  SetPreviewerFactory(nullptr);

  // Without a previewer the task converts all the same.
  TRecordedConversion none;
  none.c.SetPostHook(phPreview, true);
  Prepare(none, Clip(), dir.File("nopreview.mkv"), Lossless());
  EXPECT_TRUE(none.Run());
}

TEST_F(HookPipeline, FrameHookPluginsProcessEveryPictureInOrder) {
  std::string marker = dir.File("released.txt");
  TRecordedConversion r;
  std::string out = dir.File("vhook.mkv");
  // Fill with 200, then invert: 55 everywhere.
  Prepare(r, Clip(), out,
          Lossless("vhook=" + Hook("frame_hook_fill") + " 200 " + marker +
                   "<CRLF>vhook=" + Hook("frame_hook_plain")));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  for (int n : {0, 49}) {
    std::string picture = GrayPicture(out, n);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(static_cast<unsigned char>(picture[0]), 55) << n;
    EXPECT_NEAR(Mean(picture), 55, 0.01) << n;
  }
  EXPECT_EQ(testsupport::ReadFile(marker), "released");
}

TEST_F(HookPipeline, FrameHookFailuresEndTheTask) {
  struct {
    const char* name;
    std::string vhook;
    const char* logged;  // through the library log, at error level
  } cases[] = {
      {"missing", dir.File("nosuch.so"), nullptr},
      {"no Process", "libm.so.6 x", "Failed to find Process entrypoint in libm.so.6"},
      {"no Configure", Hook("frame_hook_plain") + " arg", "Failed to find Configure entrypoint in"},
      {"refused", Hook("frame_hook_fill") + " fail", "Failed to Configure"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    TRecordedConversion r;
    ClearLog();
    std::string out = dir.File(std::string(k.name) + ".mkv");
    Prepare(r, Clip(), out, Lossless("vhook=" + k.vhook));
    EXPECT_FALSE(r.Run());
    EXPECT_EQ(r.c.FatalMessage(), "Failed to add video hook function: " + k.vhook);
    if (k.logged) {
      EXPECT_TRUE(Logged(llError, k.logged));
    }
    EXPECT_FALSE(FileExists(out));
  }
  // Stream copy cannot hook pictures.
  TRecordedConversion copy;
  TOutputOptions o;
  o.VideoCodec = "copy";
  o.ExtOptions = "vhook=" + Hook("frame_hook_plain");
  Prepare(copy, Clip(), dir.File("copy.mkv"), o);
  EXPECT_FALSE(copy.Run());
  EXPECT_EQ(copy.c.FatalMessage(),
            "-vcodec copy and -vhook are incompatible (frames are not decoded)");
}

TEST_F(HookPipeline, FilterGraphSizesTheEncoder) {
  struct {
    const char* name;
    const char* options;
    int width, height;
  } cases[] = {
      {"scale in the text", "vf=scale=160:100", 160, 100},
      {"size, then the text", "s=200x150<CRLF>vf=hflip", 200, 150},
      {"crop before the text", "cropleft=20<CRLF>croptop=40<CRLF>vf=hflip", 300, 200},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    TRecordedConversion r;
    std::string out = dir.File(std::string(k.name) + ".mkv");
    Prepare(r, Clip(), out, Lossless(k.options));
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    auto facts = ProbeFacts(out);
    EXPECT_EQ(FactNumber(facts, "stream.0.width"), k.width);
    EXPECT_EQ(FactNumber(facts, "stream.0.height"), k.height);
  }
  TRecordedConversion bad;
  Prepare(bad, Clip(), dir.File("bad.mkv"), Lossless("vf=nosuchfilter"));
  EXPECT_FALSE(bad.Run());
  EXPECT_EQ(bad.c.FatalMessage(), "Error opening filters!");
}

TEST_F(HookPipeline, FilterGraphTextChangesThePictures) {
  std::string black = dir.File("black.mkv");
  ASSERT_TRUE(FFmpeg("-f lavfi -i color=black:s=64x48:r=25:d=1 -c:v ffv1 -pix_fmt yuv420p " +
                     Quote(black)));
  TRecordedConversion r;
  std::string out = dir.File("negated.mkv");
  Prepare(r, black, out, Lossless("vf=negate"));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_GT(Mean(GrayPicture(out)), 230);
}

TEST_F(HookPipeline, CroppingWithoutAGraphCutsTheBands) {
  // Left half black, right half white; cropping the left half leaves white.
  std::string halves = dir.File("halves.mkv");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i "
             "\"color=black:s=320x240:r=25:d=1,drawbox=x=160:y=0:w=160:h=240:color=white:t=fill\" "
             "-c:v ffv1 -pix_fmt yuv420p " +
             Quote(halves)));
  TRecordedConversion r;
  std::string out = dir.File("cropped.mkv");
  Prepare(r, halves, out, Lossless("cropleft=160<CRLF>croptop=40"));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  auto facts = ProbeFacts(out);
  EXPECT_EQ(FactNumber(facts, "stream.0.width"), 160);
  EXPECT_EQ(FactNumber(facts, "stream.0.height"), 200);
  EXPECT_GT(Mean(GrayPicture(out)), 230);
}

TEST_F(HookPipeline, DeinterlacingBlendsTheSecondField) {
  // White even lines, black odd lines: the filter turns the odd lines white.
  std::string lines = dir.File("lines.mkv");
  ASSERT_TRUE(FFmpeg(
      "-f lavfi -i \"color=black:s=64x48:r=25:d=1,format=gray,geq=lum='if(mod(Y\\,2)\\,0\\,255)'\" "
      "-c:v ffv1 -pix_fmt yuv420p " +
      Quote(lines)));
  for (bool deinterlace : {false, true}) {
    SCOPED_TRACE(deinterlace ? "deinterlaced" : "as decoded");
    TRecordedConversion r;
    std::string out = dir.File(deinterlace ? "deinterlaced.mkv" : "interlaced.mkv");
    Prepare(r, lines, out, Lossless(deinterlace ? "deinterlace=1" : ""));
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    std::string picture = GrayPicture(out);
    ASSERT_EQ(picture.size(), 64u * 48);
    unsigned char odd = picture[64 * 9 + 10], even = picture[64 * 10 + 10];
    EXPECT_NEAR(even, 235, 2);
    EXPECT_NEAR(odd, deinterlace ? 235 : 16, 2);
  }
  // A pixel format it does not handle: the picture stays as decoded.
  std::string rgb = dir.File("rgb.mkv");
  ASSERT_TRUE(FFmpeg("-f lavfi -i color=white:s=64x48:r=25:d=1 -c:v png " + Quote(rgb)));
  TRecordedConversion r;
  ClearLog();
  TOutputOptions o = Lossless("deinterlace=1");
  o.VideoCodec = "png";
  Prepare(r, rgb, dir.File("rgb-out.mkv"), o);
  EXPECT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_TRUE(Logged(llWarning, "Deinterlacing failed."));
}

TEST_F(HookPipeline, TwoPassStatisticsAreWrittenThenRead) {
  std::string prefix = dir.File("stats");
  for (int pass : {1, 2}) {
    SCOPED_TRACE(pass);
    TRecordedConversion r;
    TOutputOptions o = VideoRecord("mpeg4", "", 400000, 128000, 44100);
    o.DisableAudio = true;
    o.ExtOptions = StrFmt("pass=%d<CRLF>passlogfile=%s", pass, prefix.c_str());
    std::string out = dir.File(StrFmt("pass%d.avi", pass));
    Prepare(r, Clip(), out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_GT(testsupport::FileSize(prefix + "-0.log"), 100);
    EXPECT_EQ(Fact(ProbeFacts(out), "stream.0.codec_name"), "mpeg4");
  }
  struct {
    int pass;
    std::string prefix;
    const char* error;
  } failures[] = {
      {1, dir.File("no/such/folder/stats"), "Cannot write log file %s-0.log for pass-1 encoding"},
      {2, dir.File("missing"), "Cannot read log file %s-0.log for pass-2 encoding"},
  };
  for (const auto& k : failures) {
    TRecordedConversion r;
    TOutputOptions o = VideoRecord("mpeg4", "", 400000, 128000, 44100);
    o.ExtOptions = StrFmt("pass=%d<CRLF>passlogfile=%s", k.pass, k.prefix.c_str());
    Prepare(r, Clip(), dir.File("failed.avi"), o);
    EXPECT_FALSE(r.Run());
    EXPECT_EQ(r.c.FatalMessage(), StrFmt(k.error, k.prefix.c_str()));
  }
}

TEST_F(HookPipeline, VideoStatisticsHaveALinePerFrame) {
  std::string stats = dir.File("vstats.log");
  TRecordedConversion r;
  TOutputOptions o = VideoRecord("mpeg4", "", 400000, 128000, 44100);
  o.ExtOptions = "vstats_file=" + stats;
  Prepare(r, Clip(), dir.File("vstats.avi"), o);
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  std::string text = testsupport::ReadFile(stats);
  int lines = 0;
  for (size_t at = 0; (at = text.find("frame= ", at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, 50);
  EXPECT_NE(text.find("type= I"), std::string::npos);

  TRecordedConversion bad;
  o.ExtOptions = "vstats_file=" + dir.File("no/such/vstats.log");
  Prepare(bad, Clip(), dir.File("vstats2.avi"), o);
  EXPECT_FALSE(bad.Run());
  EXPECT_EQ(bad.c.FatalMessage(), "fopen fail: " + dir.File("no/such/vstats.log"));
}

TEST_F(HookPipeline, VolumeScalesSamplesInTheirFormatWithClipping) {
  std::string wav = dir.File("loud.wav");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i \"aevalsrc=0.9*sin(2*PI*300*t)|0.3*sin(2*PI*500*t):s=44100:d=1\" "
             "-c:a pcm_s16le " +
             Quote(wav)));
  std::string source = DecodedSamples(wav, "s16le");
  for (int volume : {128, 512}) {
    SCOPED_TRACE(volume);
    TRecordedConversion r;
    TOutputOptions o = AudioRecord("flac", 2, -1, 128000);
    o.AudioVolume = volume;
    std::string out = dir.File(StrFmt("vol%d.flac", volume));
    Prepare(r, wav, out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    std::string got = DecodedSamples(out, "s16le");
    ASSERT_EQ(got.size(), source.size());
    auto sample = [](const std::string& s, size_t i) {
      return static_cast<int16_t>(static_cast<uint8_t>(s[2 * i]) |
                                  (static_cast<uint8_t>(s[2 * i + 1]) << 8));
    };
    int mismatches = 0;
    for (size_t i = 0; i < source.size() / 2; ++i) {
      int expected = std::clamp((sample(source, i) * volume + 128) >> 8, -32768, 32767);
      mismatches += sample(got, i) != expected;
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(HookPipeline, AudioSyncFillsAndCompensates) {
  // Video from 0 s, audio from 1 s: "async" fills the first second with silence.
  std::string late = dir.File("late.mkv");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i testsrc=s=160x120:r=25:d=3 -f lavfi -i sine=r=44100:d=2 "
             "-c:v ffv1 -c:a flac -af adelay=1000:all=1 -map 0 -map 1 " +
             Quote(late)));
  // The stream starts at 1 s in the file.
  std::string shifted = dir.File("shifted.mkv");
  ASSERT_TRUE(FFmpeg("-i " + Quote(late) +
                     " -c:v copy -af atrim=start=1,asetpts=PTS-STARTPTS+1/TB -c:a flac " +
                     Quote(shifted)));
  for (int async : {0, 1}) {
    SCOPED_TRACE(async);
    TRecordedConversion r;
    ClearLog();
    TOutputOptions o = AudioRecord("flac", 1, -1, 128000);
    o.AudioSyncMethod = async;
    o.ExtOptions = "v=3";
    std::string out = dir.File(StrFmt("async%d.flac", async));
    Prepare(r, shifted, out, o);
    ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_NEAR(DecodedSeconds(out), async ? 3.0 : 2.0, 0.05);
    EXPECT_EQ(Logged(llVerbose, "audio samples of silence"), async == 1);
  }
  // Timestamps 2 % slower than the samples: async above 1 compensates the drift.
  TRecordedConversion r;
  ClearLog();
  ASSERT_TRUE(r.c.AddInputFile(dir.File("late.mkv"), "itsscale=1:1.02"));
  TOutputOptions o = AudioRecord("flac", 1, -1, 128000);
  o.AudioSyncMethod = 100;
  o.ExtOptions = "v=3";
  ASSERT_TRUE(r.c.SetOutputFile(dir.File("drift.flac"), &o));
  ASSERT_TRUE(r.Run()) << r.c.FatalMessage();
  EXPECT_TRUE(Logged(llVerbose, "compensating audio timestamp drift:"));
}
