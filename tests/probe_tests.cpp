#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sstream>

#include "engine/AVLibs.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegLoader.h"
#include "media/AVProbe.h"
#include "media/FFmpegLogger.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

struct TLogged {
  const void* sender;
  TLogLevel level;
  std::string text;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The probe's own fields, for checks the public interface does not show.
class TInspectedProbe : public TAVProbe {
 public:
  int SeekIndex() const { return FSeekIndex; }
};

class ProbeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(FFLoader().Load(kEngineLibraries)); }

  void SetUp() override {
    if (!HaveFFmpegTools()) GTEST_SKIP() << "ffmpeg and ffprobe are needed for the fixtures";
    FFLogger().SetTriggerEventInMainThread(false);
    FFLogger().SetOnLog([this](const void* s, uint32_t, TLogLevel l, const std::string& m) {
      std::lock_guard g(lock);
      logged.push_back({s, l, m});
    });
  }
  void TearDown() override {
    FFLogger().SetOnLog(nullptr);
    FFLogger().SetTriggerEventInMainThread(true);
  }

  std::vector<TLogged> LogOf(const void* sender) {
    std::lock_guard g(lock);
    std::vector<TLogged> out;
    for (const auto& l : logged)
      if (l.sender == sender) out.push_back(l);
    return out;
  }
  bool Logged(const void* sender, TLogLevel level, const std::string& text) {
    for (const auto& l : LogOf(sender))
      if (l.level == level && l.text == text) return true;
    return false;
  }
  void ClearLog() {
    std::lock_guard g(lock);
    logged.clear();
  }

  TTempDir dir;
  std::mutex lock;
  std::vector<TLogged> logged;
};

// ffprobe's seconds ("1.433367", "N/A") in microseconds; −1 for "N/A".
int64_t Micro(const std::string& seconds) {
  return seconds == "N/A" || seconds.empty() ? -1 : llround(std::stod(seconds) * 1e6);
}
bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
int64_t Number(const std::string& v, int64_t unknown) {
  return v == "N/A" || v.empty() ? unknown : std::stoll(v);
}

// Key frames exactly every 10 frames, B-frames in between.
const char kH264Gop10[] =
    "-c:v libx264 -preset ultrafast -bf 2 -x264-params keyint=10:min-keyint=10:scenecut=0";

}  // namespace

TEST(ProbeTexts, EdgeCasesOfTheReportRules) {
  struct {
    std::string got, want;
  } cases[] = {
      {probetext::DurationText(3725500000), "01:02:05.500"},
      {probetext::DurationText(0), "00:00:00.000"},
      {probetext::DurationText(int64_t{100} * 3600 * 1000000 + 999), "100:00:00.000"},
      {probetext::DurationText(kNoTime), "N/A"},
      {probetext::SizeText(3000000000), "2.79 GB"},
      {probetext::SizeText(1073741824), "1024.00 MB"},
      {probetext::SizeText(1048577), "1.00 MB"},
      {probetext::SizeText(1025), "1.00 KB"},
      {probetext::SizeText(1024), "1024 Byte"},
      {probetext::SizeText(0), "0 Byte"},
      {probetext::RateText(30000.0 / 1001, "fps"), ", 29.97 fps"},
      {probetext::RateText(25, "fps"), ", 25 fps"},
      {probetext::RateText(24000.0 / 1001, "tbr"), ", 23.98 tbr"},
      {probetext::RateText(90000, "tbn"), ", 90k tbn"},
      {probetext::RateText(12800, "tbn"), ", 12800 tbn"},
      {probetext::RateText(1000, "tbn"), ", 1k tbn"},
      {probetext::SecondsText(1422456), "1.422456"},
      {probetext::SecondsText(0), "0.000000"},
      // A negative start (audio priming in MP4) keeps its sign in front of the whole number.
      {probetext::SecondsText(-21333), "-0.021333"},
      {probetext::SecondsText(-1500000), "-1.500000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(ProbeTexts, ID3v2FrameNamesAreShownAsWordsOthersAsTheyAre) {
  struct {
    const char *key, *shown;
  } cases[] = {{"TALB", "album"},  {"TAL", "album"}, {"TCON", "genre"},      {"TDRL", "date"},
               {"TPE1", "artist"}, {"TRK", "track"}, {"TSOP", "authorsort"}, {"TYER", "year"},
               {"talb", "talb"},   {"TXXX", "TXXX"}, {"encoder", "encoder"}};
  for (const auto& c : cases) EXPECT_STREQ(probetext::MetadataKeyName(c.key), c.shown) << c.key;
}

TEST_F(ProbeTest, WithoutAFileEverythingIsUnknown) {
  TAVProbe probe;
  EXPECT_EQ(probe.FileSize(), -1);
  for (int v :
       {probe.StreamCount(), probe.ProgramCount(), probe.AudioStreamCount(),
        probe.VideoStreamCount(), probe.SubtitleStreamCount(), probe.FirstAudioStreamIndex(),
        probe.FirstVideoStreamIndex(), probe.FirstSubtitleStreamIndex()})
    EXPECT_EQ(v, -1);
  TFileStreamInfo info = probe.FileStreamInfo();
  for (int64_t v : {info.StartTime, info.Duration, int64_t{info.BitRate}, info.TimeStamp,
                    int64_t{info.Year}, int64_t{info.Track}})
    EXPECT_EQ(v, -1);
  for (const auto& s :
       {info.Title, info.Author, info.Copyright, info.Comment, info.Album, info.Genre})
    EXPECT_EQ(s, "");
  EXPECT_TRUE(Logged(&probe, llWarning, "file not loaded."));
  EXPECT_EQ(probe.FileInfoText(), "");
  TVideoStreamInfo video = probe.FirstVideoStreamInfo();
  EXPECT_EQ(video.Width, -1);
  EXPECT_EQ(video.FrameRate.num, -1);
  EXPECT_FALSE(probe.IsAudioStream(0));
  EXPECT_FALSE(probe.Decode());
  EXPECT_EQ(probe.Position(), -1);
  EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
  EXPECT_EQ(probe.FileName(), "");
}

TEST_F(ProbeTest, MissingFileNamesTheFileAndTheSystemError) {
  TAVProbe probe;
  std::string name = dir.File("nothing here.mp3");
  EXPECT_FALSE(probe.LoadFile(name));
  EXPECT_EQ(probe.LastErrMsg(), name + ": No such file or directory");
  EXPECT_TRUE(Logged(&probe, llError, probe.LastErrMsg()));
  EXPECT_EQ(probe.FileHandle(), nullptr);
  EXPECT_EQ(probe.StreamCount(), -1);
}

TEST_F(ProbeTest, UnknownForcedFormatIsKeptButNotLogged) {
  std::string wav = dir.File("a.wav");
  ASSERT_TRUE(MakeTone(wav, 0.2));
  TAVProbe probe;
  EXPECT_FALSE(probe.LoadFile(wav, "no_such_format"));
  EXPECT_EQ(probe.LastErrMsg(), "Unknown input format: no_such_format");
  EXPECT_TRUE(LogOf(&probe).empty());
  EXPECT_EQ(probe.FileSize(), -1);
  // A known forced format is remembered until the file is closed.
  ASSERT_TRUE(probe.LoadFile(wav, "wav")) << probe.LastErrMsg();
  EXPECT_EQ(probe.ForceFormat(), "wav");
  probe.CloseFile();
  EXPECT_EQ(probe.ForceFormat(), "");
}

TEST_F(ProbeTest, OpeningNeedsTheFourLibrariesInOrder) {
  std::string wav = dir.File("a.wav");
  ASSERT_TRUE(MakeTone(wav, 0.2));
  struct {
    TLibraries missing;
    const char* message;
  } cases[] = {
      {{swScale}, "LibSwScale not loaded."},
      {{avUtil, swScale}, "LibAVUtil not loaded."},
      {{avFormat, avUtil}, "LibAVFormat not loaded."},
      {{avCodec, avFormat, avUtil, swScale}, "LibAVCodec not loaded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TAVProbe probe;
    FFLoader().Unload(c.missing);
    EXPECT_FALSE(probe.AVLibLoaded());
    for (auto open : {+[](TAVProbe&p, const std::string&f) { p.LoadFile(f); },
                      +[](TAVProbe&p, const std::string&) { p.SetFileHandle(nullptr); }}) {
      try {
        open(probe, wav);
        ADD_FAILURE() << "no exception";
      } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), c.message);
      }
    }
    ASSERT_TRUE(probe.LoadAVLib(FFLoader().LibraryPath())) << probe.LastErrMsg();
    EXPECT_TRUE(probe.AVLibLoaded());
    EXPECT_TRUE(probe.LoadFile(wav)) << probe.LastErrMsg();
  }
}

TEST_F(ProbeTest, TwoAudioStreamsWithoutVideo) {
  std::string mka = dir.File("two.mka");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i sine=frequency=440:duration=1 -f lavfi -i "
             "sine=frequency=880:sample_rate=22050:duration=1 -map 0 -map 1 -c:a flac " +
             Quote(mka)));
  TInspectedProbe probe;
  ASSERT_TRUE(probe.LoadFile(mka)) << probe.LastErrMsg();
  EXPECT_EQ(probe.StreamCount(), 2);
  EXPECT_EQ(probe.AudioStreamCount(), 2);
  EXPECT_EQ(probe.VideoStreamCount(), 0);
  EXPECT_EQ(probe.FirstAudioStreamIndex(), 0);
  EXPECT_EQ(probe.FirstVideoStreamIndex(), -1);
  EXPECT_EQ(probe.SeekIndex(), 0);
  EXPECT_EQ(probe.AudioStreamInfo(1).SampleRate, 22050);

  TVideoStreamInfo video = probe.FirstVideoStreamInfo();
  EXPECT_TRUE(Logged(&probe, llError, "no video stream."));
  EXPECT_EQ(video.Width, -1);
  EXPECT_EQ(video.Height, -1);
  EXPECT_EQ(video.AspectRatio, -1.0f);
  EXPECT_EQ(video.CodecName, "");
  probe.VideoStreamInfo(1);
  EXPECT_EQ(probe.LastErrMsg(), "stream #1 is not video stream.");
  probe.AudioStreamInfo(2);
  EXPECT_EQ(probe.LastErrMsg(), "stream index #2 is invalid.");

  EXPECT_FALSE(probe.Decode());
  EXPECT_EQ(probe.LastErrMsg(), "no video stream.");
  EXPECT_FALSE(probe.Decode(1));
  EXPECT_EQ(probe.LastErrMsg(), "stream #1 is not video stream.");
  // Time seeks use the first audio stream.
  EXPECT_TRUE(probe.Seek(500000)) << probe.LastErrMsg();
}

// The report and the summary against what ffprobe says of the same files.
TEST_F(ProbeTest, SummaryAndReportMatchAnIndependentProber) {
  WriteFile(dir.File("subs.srt"), "1\n00:00:00,000 --> 00:00:01,000\nhello\n");
  const std::string sine = "-f lavfi -i sine=frequency=440:duration=2 ";
  const std::string clip = "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 " + sine;
  struct {
    const char* name;
    std::string args;
  } files[] = {
      {"a.wav", sine + "-c:a pcm_s16le -ac 2"},
      {"a.flac", sine + "-c:a flac -ar 48000"},
      {"a.mp3", sine + "-c:a libmp3lame -b:a 128k -metadata title=Tone -metadata artist=Me"},
      {"a.aac", sine + "-c:a aac -b:a 96k"},
      {"a.ogg", sine + "-c:a libvorbis -ac 2"},
      {"v.mp4", clip + "-c:v libx264 -preset ultrafast -c:a aac -metadata title=Clip"},
      {"v.mkv", clip + "-i " + Quote(dir.File("subs.srt")) +
                    " -map 0 -map 1 -map 2 -c:v mpeg4 -c:a libvorbis -c:s srt"
                    " -metadata:s:a:0 language=ger"},
      {"v.avi", clip + "-c:v mpeg4 -c:a libmp3lame"},
      {"v.ts", "-f lavfi -i testsrc=size=320x240:rate=30000/1001:duration=2 " + sine +
                   "-c:v mpeg2video -c:a mp2"},
      {"a.wma", sine + "-c:a wmav2"},
      {"v.mpg", clip + "-c:v mpeg1video -c:a mp2"},
      {"v.flv", clip + "-c:v flv1 -c:a libmp3lame -ar 44100"},
      {"v.mov", clip + "-c:v mpeg4 -c:a pcm_s16le"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::string path = dir.File(f.name);
    ASSERT_TRUE(FFmpeg(f.args + " " + Quote(path)));
    auto facts = ProbeFacts(path);
    ASSERT_FALSE(facts.empty());
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrMsg();
    std::string report = probe.FileInfoText();
    SCOPED_TRACE(report);
    std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 5u);

    // Container.
    EXPECT_EQ(probe.FormatName(), facts["format.format_name"]);
    EXPECT_EQ(probe.FileSize(), std::stoll(facts["format.size"]));
    int streams = std::stoi(facts["format.nb_streams"]);
    EXPECT_EQ(probe.StreamCount(), streams);
    EXPECT_EQ(probe.ProgramCount(), std::stoi(facts["format.nb_programs"]));
    TFileStreamInfo info = probe.FileStreamInfo();
    int64_t duration = Micro(facts["format.duration"]);
    int64_t bitRate = Number(facts["format.bit_rate"], 0);
    EXPECT_EQ(info.Duration, duration);
    EXPECT_EQ(info.StartTime, Micro(facts["format.start_time"]));
    EXPECT_EQ(info.BitRate, bitRate);
    EXPECT_EQ(info.Title, facts["format.tags.title"]);
    EXPECT_EQ(lines[0], "File Name: " + path);
    EXPECT_EQ(lines[1], "Format Name: " + facts["format.format_name"]);
    EXPECT_EQ(lines[2], "Format Long Name: " + facts["format.format_long_name"]);
    EXPECT_EQ(lines[3], "File Size: " + probetext::SizeText(std::stoll(facts["format.size"])));
    EXPECT_EQ(lines[4], "Duration: " + probetext::DurationText(duration));
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        bitRate > 0 ? "Bit Rate: " + std::to_string(bitRate / 1000) + " kb/s"
                                    : std::string("Bit Rate: N/A")),
              lines.end());

    // Streams.
    int audio = 0, video = 0, subtitle = 0;
    for (int i = 0; i < streams; ++i) {
      std::string s = "stream." + std::to_string(i) + ".";
      std::string type = facts[s + "codec_type"];
      auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind("Stream #" + std::to_string(i), 0) == 0 &&
               !isdigit(static_cast<unsigned char>(l[8 + std::to_string(i).size()]));
      });
      ASSERT_NE(line, lines.end()) << "no line for stream " << i;
      std::string kind = type == "audio" ? "Audio" : type == "video" ? "Video" : "Subtitle";
      EXPECT_NE(line->find(": " + kind + ": " + facts[s + "codec_name"]), std::string::npos)
          << *line;
      std::string tb = facts[s + "time_base"];
      // The decoder's name with the codec's long name: "mp3float(MP3 (MPEG audio layer 3))".
      std::string longName = "(" + facts[s + "codec_long_name"] + ")";
      EXPECT_NE(line->find(", " + tb + ": "), std::string::npos) << *line;
      int64_t streamDuration = Micro(facts[s + "duration"]);
      EXPECT_NE(line->find(", Duration: " + (streamDuration < 0
                                                 ? std::string("N/A")
                                                 : probetext::DurationText(streamDuration))),
                std::string::npos)
          << *line;
      if (facts.count(s + "tags.language")) {
        EXPECT_NE(line->find("(" + facts[s + "tags.language"] + ")"), std::string::npos);
      }
      if (type == "audio") {
        ++audio;
        TAudioStreamInfo a = probe.AudioStreamInfo(i);
        EXPECT_EQ(a.SampleRate, std::stoi(facts[s + "sample_rate"]));
        EXPECT_EQ(a.Channels, std::stoi(facts[s + "channels"]));
        EXPECT_STREQ(ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(a.SampleFormat)),
                     facts[s + "sample_fmt"].c_str());
        EXPECT_TRUE(EndsWith(a.CodecName, longName)) << a.CodecName;
        std::string layout = facts[s + "channel_layout"] == "unknown"
                                 ? facts[s + "channels"] + " channels"
                                 : facts[s + "channel_layout"];
        EXPECT_NE(line->find(facts[s + "sample_rate"] + " Hz, " + layout), std::string::npos)
            << *line;
        EXPECT_EQ(a.Language, facts.count(s + "tags.language") ? facts[s + "tags.language"] : "");
      } else if (type == "video") {
        ++video;
        TVideoStreamInfo v = probe.VideoStreamInfo(i);
        EXPECT_TRUE(EndsWith(v.CodecName, longName)) << v.CodecName;
        EXPECT_EQ(v.Width, std::stoi(facts[s + "width"]));
        EXPECT_EQ(v.Height, std::stoi(facts[s + "height"]));
        EXPECT_STREQ(ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(v.PixFmt)),
                     facts[s + "pix_fmt"].c_str());
        EXPECT_EQ(std::to_string(v.FrameRate.num) + "/" + std::to_string(v.FrameRate.den),
                  facts[s + "r_frame_rate"]);
        EXPECT_NE(line->find(facts[s + "width"] + "x" + facts[s + "height"]), std::string::npos);
        // 25/1 → "25 fps", 30000/1001 → "29.97 fps", 1/90000 → "90k tbn".
        const char* fps =
            facts[s + "avg_frame_rate"] == "25/1" ? ", 25 fps, 25 tbr" : ", 29.97 fps, 29.97 tbr";
        EXPECT_NE(line->find(fps), std::string::npos) << *line;
        if (tb == "1/90000") {
          EXPECT_NE(line->find(", 90k tbn"), std::string::npos) << *line;
        }
        EXPECT_EQ(line->find("tbc"), std::string::npos);
      } else if (type == "subtitle") {
        ++subtitle;
        TSubtitleStreamInfo t = probe.SubtitleStreamInfo(i);
        EXPECT_TRUE(EndsWith(t.CodecName, longName)) << t.CodecName;
      }
      if (facts[s + "start_time"] != "N/A") {
        EXPECT_NE(line->find(", StartTime: " + facts[s + "start_time"]), std::string::npos)
            << *line;
      }
    }
    EXPECT_EQ(probe.AudioStreamCount(), audio);
    EXPECT_EQ(probe.VideoStreamCount(), video);
    EXPECT_EQ(probe.SubtitleStreamCount(), subtitle);
    EXPECT_TRUE(LogOf(&probe).empty()) << LogOf(&probe)[0].text;
  }
}

TEST_F(ProbeTest, FileNamesWithChineseLettersOrAColonOpenAndReadBack) {
  for (const char* name : {"音乐 测试.flac", "a:b.flac"}) {
    std::string path = dir.File(name);
    ASSERT_TRUE(MakeTone(path, 0.2, 44100, 1, "-c:a flac"));
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrMsg();
    EXPECT_EQ(probe.FileName(), path);
    EXPECT_EQ(probe.FileSize(), FileSize(path));
    EXPECT_EQ(Lines(probe.FileInfoText())[0], "File Name: " + path);
  }
}

TEST_F(ProbeTest, ReportTagsLanguageProgramsAndCreationTime) {
  std::string ts = dir.File("lang.ts");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i sine=duration=0.5 -c:a mp2 -metadata:s:a:0 language=eng " + Quote(ts)));
  TAVProbe probe;
  ASSERT_TRUE(probe.LoadFile(ts)) << probe.LastErrMsg();
  std::vector<std::string> lines = Lines(probe.FileInfoText());
  auto stream = std::find_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.rfind("Stream #0", 0) == 0; });
  ASSERT_NE(stream, lines.end());
  EXPECT_EQ(stream->rfind("Stream #0[0x100](eng), 1/90000: Audio: mp2", 0), 0u) << *stream;
  // Its only tag is the language: no metadata block follows.
  EXPECT_TRUE(stream + 1 == lines.end() || (stream + 1)->find("Metadata:") == std::string::npos);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Program 1 FFmpeg@Service01"), lines.end());
  EXPECT_EQ(probe.AudioStreamInfo(0).Language, "eng");

  // Creation time in local standard time: Central European summer time is not applied.
  std::string mp3 = dir.File("tags.mp3");
  ASSERT_TRUE(
      FFmpeg("-f lavfi -i sine=duration=0.5 -c:a libmp3lame -metadata title=T "
             "-metadata album=A -metadata genre=Jazz -metadata date=2004 "
             "-metadata track=3/12 -metadata comment=C -metadata copyright=X "
             "-metadata creation_time=2020-07-01T12:00:00Z " +
             Quote(mp3)));
  const char* oldTZ = getenv("TZ");
  std::string savedTZ = oldTZ ? oldTZ : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  ASSERT_TRUE(probe.LoadFile(mp3)) << probe.LastErrMsg();
  std::string report = probe.FileInfoText();
  TFileStreamInfo info = probe.FileStreamInfo();
  if (oldTZ)
    setenv("TZ", savedTZ.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  EXPECT_NE(report.find("\nTime Stamp: 2020-07-01 13:00:00\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\nMetadata:\n  title           : T\n"), std::string::npos) << report;
  EXPECT_EQ(info.TimeStamp, 1593604800);
  EXPECT_EQ(info.Year, 2004);
  EXPECT_EQ(info.Track, 3);
  EXPECT_EQ(info.Title, "T");
  EXPECT_EQ(info.Album, "A");
  EXPECT_EQ(info.Genre, "Jazz");
  EXPECT_EQ(info.Comment, "C");
  EXPECT_EQ(info.Copyright, "X");
}

TEST_F(ProbeTest, StillPictureIsDecodedOnceAndNotSeeked) {
  std::string png = dir.File("still.png");
  ASSERT_TRUE(FFmpeg("-f lavfi -i testsrc=size=64x48 -frames:v 1 " + Quote(png)));
  // Forced as an image sequence, and as detected from the content ("png_pipe").
  for (const char* format : {"image2", ""}) {
    SCOPED_TRACE(format);
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(png, format)) << probe.LastErrMsg();
    ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
    int64_t position = probe.Position();
    for (int again = 0; again < 2; ++again) EXPECT_TRUE(probe.Decode()) << probe.LastErrMsg();
    EXPECT_EQ(probe.Position(), position);
    EXPECT_FALSE(probe.IsEOF());
    EXPECT_FALSE(probe.Seek(0));
    EXPECT_EQ(probe.LastErrMsg(), "\"image2\" format cannot to be seeked.");
    EXPECT_TRUE(Logged(&probe, llInfo, probe.LastErrMsg()));
    platform::TBitmap bmp;
    EXPECT_TRUE(probe.CopyToBitmap(bmp));
    EXPECT_EQ(bmp.Width(), 64);
    EXPECT_EQ(bmp.Height(), 48);
  }
}

// The bitmap against ffmpeg's own conversion of the first picture to BGR.
TEST_F(ProbeTest, CopyToBitmapOfAYuv420Picture) {
  std::string mp4 = dir.File("vga.mp4"), raw = dir.File("first.bgr");
  ASSERT_TRUE(
      MakeClip(mp4, 0.4, "-c:v libx264 -preset ultrafast -pix_fmt yuv420p", 640, 480, 25, false));
  ASSERT_TRUE(FFmpeg("-i " + Quote(mp4) + " -frames:v 1 -pix_fmt bgr24 -f rawvideo " + Quote(raw)));
  std::string want = ReadFile(raw);
  ASSERT_EQ(want.size(), 640u * 480 * 3);

  TAVProbe probe;
  ASSERT_TRUE(probe.LoadFile(mp4)) << probe.LastErrMsg();
  platform::TBitmap bmp(8, 8);
  EXPECT_FALSE(probe.CopyToBitmap(bmp));
  EXPECT_EQ(probe.LastErrMsg(), "picture not ready, please decode first");
  EXPECT_TRUE(Logged(&probe, llError, probe.LastErrMsg()));

  ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
  const TFrameInfo& frame = probe.FrameInfo();
  EXPECT_EQ(frame.PixFmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(frame.Size, 640 * 480 * 3 / 2);
  ASSERT_TRUE(probe.CopyToBitmap(bmp));
  ASSERT_EQ(bmp.Width(), 640);
  ASSERT_EQ(bmp.Height(), 480);
  EXPECT_EQ(bmp.Stride(), 1920);
  long long diff = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 1920; ++x)
      diff += std::abs(bmp.ScanLine(y)[x] - static_cast<uint8_t>(want[y * 1920 + x]));
  EXPECT_LT(static_cast<double>(diff) / want.size(), 2.0);
}

TEST(RGBConvert, BgrPicturesOfEvenSizeAreCopiedOthersScaledAndTheBufferOnlyGrows) {
  ASSERT_TRUE(FFLoader().Load(kEngineLibraries));
  TRGBConvertContext conv;
  EXPECT_EQ(conv.Bitmap(), nullptr);
  struct {
    AVPixelFormat fmt;
    int width, height;
    bool direct;
  } cases[] = {
      {AV_PIX_FMT_BGR24, 64, 48, true},  {AV_PIX_FMT_BGR24, 63, 47, false},
      {AV_PIX_FMT_RGB24, 64, 48, false}, {AV_PIX_FMT_YUV420P, 320, 240, false},
      {AV_PIX_FMT_BGR24, 16, 16, true},
  };
  int grown = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    // Rows padded to 4 bytes, so even BGR pictures match the bitmap's scan lines.
    uint8_t* data[4];
    int linesize[4];
    int size = ff::av_image_alloc(data, linesize, c.width, c.height, c.fmt, 4);
    ASSERT_GT(size, 0);
    TAVBufferPtr hold(data[0]);
    memset(data[0], 0, size);
    if (c.fmt == AV_PIX_FMT_BGR24)
      for (int y = 0; y < c.height; ++y) data[0][y * linesize[0] + 3 * (c.width - 1) + 2] = 200;
    ASSERT_TRUE(conv.Convert(data, linesize, c.fmt, c.width, c.height));
    const platform::TBitmap& bmp = *conv.Bitmap();
    EXPECT_EQ(bmp.Width(), c.width);
    EXPECT_EQ(bmp.Height(), c.height);
    EXPECT_EQ(conv.RGBPictureRef() != &conv.RGBPicture(), c.direct);
    if (c.fmt == AV_PIX_FMT_BGR24) {
      uint8_t r, g, b;
      bmp.GetPixel(c.width - 1, c.height - 1, r, g, b);
      EXPECT_NEAR(r, 200, 2);
      EXPECT_NEAR(g, 0, 2);
    }
    if (!c.direct)
      grown = std::max(grown, ff::av_image_get_buffer_size(AV_PIX_FMT_BGR24, c.width, c.height, 1));
    EXPECT_EQ(conv.RGBBufSize(), grown);
  }
  EXPECT_FALSE(conv.Convert(TPicture{}, AV_PIX_FMT_YUV420P, 16, 16));
  EXPECT_NE(conv.FromRGBContext(64, 48, AV_PIX_FMT_YUV420P), nullptr);
  conv.Release();
  EXPECT_EQ(conv.Bitmap(), nullptr);
  EXPECT_EQ(conv.RGBBufSize(), 0);
  EXPECT_EQ(conv.RGBPictureRef(), nullptr);
}

// Stepping through a clip whose key frames are exactly 10 frames (400 ms) apart.
TEST_F(ProbeTest, SteppingBackAndForthMovesByFramesAndKeyFrames) {
  const int64_t d = 40000;
  struct {
    const char* name;
    std::string codec;
    // AVI stores no presentation times: its pictures carry the decoding time of the packet
    // that completed them, one frame late behind the decoder's delay (ffprobe agrees).
    int64_t first;
  } clips[] = {
      {"gop.mp4", kH264Gop10, 0},
      {"gop.mkv", kH264Gop10, 0},
      {"gop.avi", "-c:v mpeg4 -g 10 -bf 2 -flags +cgop -sc_threshold 1000000000", d},
  };
  for (const auto& c : clips) {
    SCOPED_TRACE(c.name);
    std::string path = dir.File(c.name);
    ASSERT_TRUE(MakeClip(path, 2, c.codec, 160, 120, 25, false));
    auto at = [&](int frame) { return c.first + frame * d; };
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrMsg();
    ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
    EXPECT_EQ(probe.FrameInfo().PTS, at(0));
    EXPECT_TRUE(probe.FrameInfo().IsKeyFrame);
    EXPECT_EQ(probe.FrameInfo().PictureType, ptI);
    for (int n = 1; n <= 24; ++n) {
      ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
      ASSERT_EQ(probe.FrameInfo().PTS, at(n));
      EXPECT_EQ(probe.FrameInfo().IsKeyFrame, n % 10 == 0) << n;
    }
    struct {
      bool (TAVProbe::*step)(int);
      int frame;
    } steps[] = {
        {&TAVProbe::DecodePreviousFrame, 23},    {&TAVProbe::DecodePreviousKeyFrame, 20},
        {&TAVProbe::DecodePreviousKeyFrame, 10}, {&TAVProbe::DecodeNextKeyFrame, 20},
        {&TAVProbe::DecodeNextKeyFrame, 30},     {&TAVProbe::DecodePreviousFrame, 29},
        {&TAVProbe::DecodePreviousFrame, 28},    {&TAVProbe::DecodePreviousKeyFrame, 20},
        {&TAVProbe::DecodePreviousFrame, 19},
    };
    for (const auto& s : steps) {
      ASSERT_TRUE((probe.*s.step)(-1)) << probe.LastErrMsg();
      EXPECT_EQ(probe.FrameInfo().PTS, at(s.frame));
      EXPECT_TRUE(probe.FrameInfo().Ready);
    }
    // Frame by frame back to the start, where stepping stays.
    for (int n = 18; n >= 0; --n) {
      ASSERT_TRUE(probe.DecodePreviousFrame()) << probe.LastErrMsg();
      ASSERT_EQ(probe.FrameInfo().PTS, at(n));
    }
    for (auto step : {&TAVProbe::DecodePreviousFrame, &TAVProbe::DecodePreviousKeyFrame}) {
      bool moved = (probe.*step)(-1);
      // A first picture at time 0 is the start itself; a later one is never passed.
      if (c.first == 0) {
        EXPECT_TRUE(moved) << probe.LastErrMsg();
      } else {
        EXPECT_FALSE(moved);
        EXPECT_EQ(probe.LastErrMsg().rfind("Could not seek to the previous key-frame. ", 0), 0u);
      }
      EXPECT_EQ(probe.FrameInfo().PTS, at(0));
    }
  }
}

TEST_F(ProbeTest, DecodingReachesEveryPictureThenTheEndAndSeeksBackFromIt) {
  std::string mp4 = dir.File("all.mp4");
  ASSERT_TRUE(MakeClip(mp4, 2, kH264Gop10, 160, 120, 25, true));
  TAVProbe probe;
  ASSERT_TRUE(probe.LoadFile(mp4)) << probe.LastErrMsg();
  int pictures = 0;
  int64_t last = -1;
  while (probe.Decode()) {
    EXPECT_GT(probe.FrameInfo().PTS, last);
    last = probe.FrameInfo().PTS;
    ++pictures;
  }
  // The decoder's delayed pictures come out at the end of the file too.
  EXPECT_EQ(pictures, 50);
  EXPECT_EQ(last, 49 * 40000);
  EXPECT_TRUE(probe.IsEOF());
  EXPECT_EQ(probe.LastErrMsg(), "stream eof reached.");
  EXPECT_TRUE(Logged(&probe, llInfo, "stream eof reached."));
  EXPECT_FALSE(probe.Decode());

  ASSERT_TRUE(probe.Seek(0)) << probe.LastErrMsg();
  EXPECT_FALSE(probe.IsEOF());
  ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
  EXPECT_EQ(probe.FrameInfo().PTS, 0);
  ASSERT_TRUE(probe.Seek(1000000)) << probe.LastErrMsg();
  ASSERT_TRUE(probe.Decode()) << probe.LastErrMsg();
  EXPECT_EQ(probe.FrameInfo().PTS, 1200000);  // the next key frame

  // MP4 has no byte seeking.
  EXPECT_FALSE(probe.Seek(0, {sfByte}));
  EXPECT_EQ(probe.LastErrMsg(), "could not seek to position 0 bytes");
  EXPECT_TRUE(Logged(&probe, llError, probe.LastErrMsg()));
  EXPECT_FALSE(probe.Decode(5));
  EXPECT_EQ(probe.LastErrMsg(), "stream index #5 is invalid.");
  EXPECT_FALSE(probe.Decode(1));
  EXPECT_EQ(probe.LastErrMsg(), "stream #1 is not video stream.");
}

// The preview player lends its context: the probe reads it but never seeks or closes it.
TEST_F(ProbeTest, BorrowedContextIsReadButNeitherSeekedNorClosed) {
  std::string mp4 = dir.File("lent.mp4");
  ASSERT_TRUE(MakeClip(mp4, 0.5, "-c:v libx264 -preset ultrafast -c:a aac"));
  AVFormatContext* ic = nullptr;
  ASSERT_EQ(ff::avformat_open_input(&ic, mp4.c_str(), nullptr, nullptr), 0);
  struct TClose {
    void operator()(AVFormatContext* p) const { ff::avformat_close_input(&p); }
  };
  std::unique_ptr<AVFormatContext, TClose> owner(ic);
  ASSERT_GE(ff::avformat_find_stream_info(ic, nullptr), 0);
  {
    TAVProbe probe;
    probe.SetFileHandle(ic);
    EXPECT_EQ(probe.FileHandle(), ic);
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FileName(), mp4);
    EXPECT_TRUE(probe.IsVideoStream(0));
    EXPECT_NE(probe.FileInfoText().find("Stream #1"), std::string::npos);
    for (auto op : {+[](TAVProbe& p) { p.Seek(0); }, +[](TAVProbe& p) { p.Decode(); },
                    +[](TAVProbe& p) { p.DecodePreviousFrame(); }}) {
      ClearLog();
      try {
        op(probe);
        ADD_FAILURE() << "no exception";
      } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "file cannot be seeked, handle is readonly.");
      }
      EXPECT_TRUE(Logged(&probe, llWarning, "file cannot be seeked, handle is readonly."));
    }
    probe.SetFileHandle(nullptr);
    EXPECT_EQ(probe.StreamCount(), -1);
    probe.SetFileHandle(ic);
    EXPECT_EQ(probe.StreamCount(), 2);
  }
  // Still open and readable after the probe is gone.
  TPacketPtr pkt(ff::av_packet_alloc());
  EXPECT_GE(ff::av_read_frame(ic, pkt.get()), 0);
}
