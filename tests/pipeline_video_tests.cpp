// Video conversions through the whole pipeline, checked by the FFmpeg tools: the catalogue's
// video formats, frame-rate changes by the sync methods, and pictures whose size changes
// midway.
#include "tests/pipeline_support.h"

using testsupport::FFmpeg;
using testsupport::ProbeFacts;
using testsupport::Quote;
using testsupport::TTempDir;

namespace {

// Frames of the first video stream, counted by decoding.
int CountedFrames(const std::string& path) {
  std::string out;
  testsupport::Run(std::string(BRENVO_FFPROBE_TOOL) +
                       " -v error -count_frames -select_streams v:0 -show_entries "
                       "stream=nb_read_frames -of csv=p=0 " +
                       Quote(path),
                   &out);
  return atoi(out.c_str());
}

}  // namespace

class VideoPipeline : public ConverterTest {
 protected:
  static void SetUpTestSuite() {
    ConverterTest::SetUpTestSuite();
    if (!gClip) {
      gClip = new std::string(gMedia->File("clip2s.mp4"));
      ASSERT_TRUE(testsupport::MakeClip(*gClip, 2,
                                        "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac",
                                        320, 240, 25, true));
    }
  }
  // Converts the input(s) with the record; expects the task to finish.
  void Convert(const std::vector<std::string>& inputs, const std::string& output, TOutputOptions o,
               TRecordedConversion* r = nullptr) {
    TRecordedConversion own;
    if (!r) r = &own;
    for (const std::string& in : inputs)
      ASSERT_TRUE(r->c.AddInputFile(in, std::string())) << r->c.LastErrMsg();
    ASSERT_TRUE(r->c.SetOutputFile(output, &o)) << r->c.LastErrMsg();
    EXPECT_TRUE(r->Run()) << r->c.FatalMessage();
  }

  TTempDir dir;
  inline static std::string* gClip = nullptr;
};

TEST_F(VideoPipeline, ClipBecomesTheCatalogueVideoFormats) {
  struct {
    const char* ext;
    const char* vcodec;
    const char* acodec;
    const char* tag;
    const char* size;  // "" : the source's
    int vbitrate, abitrate, rate;
    const char* probedVideo;
    const char* probedAudio;
    int width, height;
    double audioSlack;  // seconds of audio the codec adds: one frame, and for MP3 outside MP3
                        // files also the encoder's delay and padding (no gapless information)
  } cases[] = {
      // clang-format off
      {"avi", "mpeg4",      "libmp3lame", "XVID", "",        816000,  128000, 44100, "mpeg4",      "mp3", 320, 240, 3 * 1152 / 44100.0},
      {"mp4", "libx264",    "libfaac",    "",     "320*240", 1200000, 128000, 44100, "h264",       "aac", 320, 240, 1024 / 44100.0},
      {"mpg", "mpeg1video", "",           "",     "",        528000,  128000, 44100, "mpeg1video", "mp2", 320, 240, 2 * 1152 / 44100.0},
      {"mkv", "mpeg4",      "libmp3lame", "",     "640*480", 1200000, 128000, 48000, "mpeg4",      "mp3", 640, 480, 3 * 1152 / 48000.0},
      // clang-format on
  };

  for (const auto& k : cases) {
    SCOPED_TRACE(k.ext);
    std::string out = dir.File(std::string("out.") + k.ext);
    TOutputOptions o = VideoRecord(k.vcodec, k.acodec, k.vbitrate, k.abitrate, k.rate);
    o.VideoTag = k.tag;
    o.FrameSize = k.size;
    Convert({*gClip}, out, o);
    auto facts = ProbeFacts(out);
    ASSERT_EQ(Fact(facts, "format.nb_streams"), "2");
    EXPECT_EQ(Fact(facts, "stream.0.codec_name"), k.probedVideo);
    EXPECT_EQ(FactNumber(facts, "stream.0.width"), k.width);
    EXPECT_EQ(FactNumber(facts, "stream.0.height"), k.height);
    if (*k.tag) {
      EXPECT_EQ(Fact(facts, "stream.0.codec_tag_string"), k.tag);
    }
    EXPECT_EQ(Fact(facts, "stream.1.codec_name"), k.probedAudio);
    EXPECT_EQ(FactNumber(facts, "stream.1.channels"), 2);
    EXPECT_EQ(FactNumber(facts, "stream.1.sample_rate"), k.rate);
    EXPECT_NEAR(CountedFrames(out), 50, 1);
    EXPECT_NEAR(DecodedSeconds(out), 2.0, k.audioSlack);
  }
}

TEST_F(VideoPipeline, FrameRateChangesDropOrRepeatPictures) {
  struct {
    const char* rate;
    int vsync;
    int frames;
  } cases[] = {
      {"10", -1, 20},  // AVI: constant rate, pictures dropped
      {"50", -1, 99},  // pictures repeated (when the next one comes: the last stays single)
      {"50", 0, 50},   // sync off: one picture per frame, times from the frames
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.rate) + " fps, vsync " + std::to_string(k.vsync));
    std::string out = dir.File(StrFmt("rate%s-%d.avi", k.rate, k.vsync));
    TOutputOptions o = VideoRecord("mpeg4", "libmp3lame", 816000, 128000, 44100);
    o.FrameRate = k.rate;
    o.VideoSyncMethod = k.vsync;
    o.ExtOptions = "v=3";
    ClearLog();
    Convert({*gClip}, out, o);
    EXPECT_NEAR(CountedFrames(out), k.frames, 1);
    EXPECT_EQ(Logged(llVerbose, "*** drop!"), k.frames < 50);
    EXPECT_EQ(Logged(llVerbose, "*** 1 dup!"), k.frames > 50);
  }
}

TEST_F(VideoPipeline, PicturesWhoseSizeChangesMidwayKeepTheOutputSize) {
  // Two MPEG-TS parts of different sizes, the second continuing the first's timestamps.
  std::string a = dir.File("a.ts"), b = dir.File("b.ts"), joined = dir.File("joined.ts");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i testsrc=size=320x240:rate=25:duration=2 -c:v mpeg2video " + Quote(a)));
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i color=white:size=160x120:rate=25:duration=2 -c:v mpeg2video "
             "-output_ts_offset 2 " +
             Quote(b)));
  testsupport::WriteFile(joined, testsupport::ReadFile(a) + testsupport::ReadFile(b));
  std::string out = dir.File("sized.avi");
  ClearLog();
  Convert({joined}, out, VideoRecord("mpeg4", "", 816000, 128000, 44100));
  EXPECT_TRUE(Logged(llInfo, "Input Stream #0.0 frame size changed to 160x120, yuv420p"));
  auto facts = ProbeFacts(out);
  EXPECT_EQ(FactNumber(facts, "stream.0.width"), 320);
  EXPECT_EQ(FactNumber(facts, "stream.0.height"), 240);
  EXPECT_NEAR(CountedFrames(out), 100, 2);
}

TEST_F(VideoPipeline, TimestampDiscontinuitiesShiftTheInputOffset) {
  // Two parts that both start at the same time: the second jumps back by 2 s.
  std::string a = dir.File("a.ts"), joined = dir.File("twice.ts");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -c:v mpeg2video " + Quote(a)));
  std::string part = testsupport::ReadFile(a);
  testsupport::WriteFile(joined, part + part);
  std::string out = dir.File("continuous.avi");
  TOutputOptions o = VideoRecord("mpeg4", "", 816000, 128000, 44100);
  o.ExtOptions = "dts_delta_threshold=1<CRLF>v=3";
  ClearLog();
  Convert({joined}, out, o);
  EXPECT_TRUE(Logged(llVerbose, "timestamp discontinuity"));
  EXPECT_NEAR(CountedFrames(out), 100, 2);
}
