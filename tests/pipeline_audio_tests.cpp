// Audio conversions through the whole pipeline, checked by the FFmpeg tools: FLAC is lossless
// and keeps the source's precision, compressed sources become FLAC, FLAC becomes the
// catalogue's audio formats, and the tags travel with the music.
#include "tests/pipeline_support.h"

using testsupport::FFmpeg;
using testsupport::ProbeFacts;
using testsupport::Quote;
using testsupport::TTempDir;

namespace {

// Noise in every channel, different per channel, at full precision of the sample format.
bool MakeNoise(const std::string& path, double seconds, int rate, int channels,
               const std::string& codec) {
  std::string expr = "random(0)*0.8-0.4";
  for (int c = 1; c < channels; ++c) expr += StrFmt("|random(%d)*0.8-0.4", c);
  return FFmpeg(StrFmt("-f lavfi -i \"aevalsrc=%s:s=%d:d=%g\" -c:a %s ", expr.c_str(), rate,
                       seconds, codec.c_str()) +
                Quote(path));
}

}  // namespace

class AudioPipeline : public ConverterTest {
 protected:
  TTempDir dir;

  // Converts `input` into `output` with the record; expects the task to finish.
  void Convert(const std::string& input, const std::string& output, TOutputOptions o) {
    TRecordedConversion r;
    ASSERT_TRUE(r.c.AddInputFile(input, std::string())) << r.c.LastErrMsg();
    ASSERT_TRUE(r.c.SetOutputFile(output, &o)) << r.c.LastErrMsg();
    EXPECT_TRUE(r.Run()) << r.c.FatalMessage();
    EXPECT_EQ(r.Terminates(), 1);
  }
};

TEST_F(AudioPipeline, PcmToFlacIsLosslessAtTheSourcesPrecision) {
  struct {
    const char* name;
    int rate, channels;
    const char* pcm;
    const char* raw;
    int bits;
  } cases[] = {
      {"16-bit stereo 44.1 kHz", 44100, 2, "pcm_s16le", "s16le", 16},
      {"24-bit stereo 48 kHz", 48000, 2, "pcm_s24le", "s24le", 24},
      {"16-bit mono 22.05 kHz", 22050, 1, "pcm_s16le", "s16le", 16},
      {"24-bit mono 96 kHz", 96000, 1, "pcm_s24le", "s24le", 24},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    std::string wav = dir.File(StrFmt("%d-%d-%d.wav", k.rate, k.channels, k.bits));
    std::string flac = wav + ".flac";
    ASSERT_TRUE(MakeNoise(wav, 2.5, k.rate, k.channels, k.pcm));
    Convert(wav, flac, AudioRecord("flac", k.channels, k.rate, 128000));

    auto facts = ProbeFacts(flac);
    EXPECT_EQ(Fact(facts, "format.nb_streams"), "1");
    EXPECT_EQ(Fact(facts, "stream.0.codec_name"), "flac");
    EXPECT_EQ(FactNumber(facts, "stream.0.channels"), k.channels);
    EXPECT_EQ(FactNumber(facts, "stream.0.sample_rate"), k.rate);
    EXPECT_EQ(FactNumber(facts, "stream.0.bits_per_raw_sample"), k.bits);

    std::string source = DecodedSamples(wav, k.raw);
    std::string decoded = DecodedSamples(flac, k.raw);
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(decoded.size(), source.size());
    EXPECT_TRUE(decoded == source) << "decoded samples differ from the source";
    // STREAMINFO's MD5 is that of the source's samples.
    EXPECT_EQ(FlacStoredMd5(flac), Md5Hex(source));
  }
}

TEST_F(AudioPipeline, CompressedSourcesBecomeOneFlacAudioStream) {
  struct {
    const char* name;
    const char* file;
    const char* make;  // ffmpeg arguments after the lavfi inputs
    bool video;
    int rate;      // output rate asked for, -1: the source's
    int expected;  // rate of the output
    double frame;  // seconds of one source frame
  } cases[] = {
      {"MP3 192 kbit/s", "a.mp3", "-c:a libmp3lame -b:a 192k", false, -1, 44100, 1152 / 44100.0},
      {"Ogg Vorbis", "a.ogg", "-c:a libvorbis -b:a 128k", false, 48000, 48000, 2048 / 44100.0},
      {"AAC in M4A", "a.m4a", "-c:a aac -b:a 128k", false, -1, 44100, 1024 / 44100.0},
      {"H.264 and AAC clip", "clip.mp4", "-c:v libx264 -preset ultrafast -c:a aac", true, 48000,
       48000, 1024 / 44100.0},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    std::string src = dir.File(k.file);
    bool made = k.video ? testsupport::MakeClip(src, 2, k.make, 320, 240, 25, true)
                        : testsupport::MakeTone(src, 3, 44100, 2, k.make);
    ASSERT_TRUE(made);
    std::string flac = src + ".flac";
    TOutputOptions o = AudioRecord("flac", 2, k.rate, 128000);
    o.DisableVideo = false;  // no video comes out of a FLAC output anyway
    Convert(src, flac, o);
    auto facts = ProbeFacts(flac);
    EXPECT_EQ(Fact(facts, "format.nb_streams"), "1");
    EXPECT_EQ(Fact(facts, "stream.0.codec_type"), "audio");
    EXPECT_EQ(Fact(facts, "stream.0.codec_name"), "flac");
    EXPECT_EQ(FactNumber(facts, "stream.0.channels"), 2);
    EXPECT_EQ(FactNumber(facts, "stream.0.sample_rate"), k.expected);
    EXPECT_NEAR(DecodedSeconds(flac), DecodedSeconds(src), k.frame + 0.001);
  }
}

TEST_F(AudioPipeline, FlacBecomesTheCatalogueAudioFormats) {
  std::string flac = dir.File("source.flac");
  ASSERT_TRUE(testsupport::MakeTone(flac, 3, 44100, 2, "-c:a flac"));
  const double source = DecodedSeconds(flac);
  struct {
    const char* ext;
    const char* codec;  // as the catalogue names it ("" : the format's own)
    int channels, rate, bitrate;
    const char* probed;
    double frame;  // seconds of one output frame
  } cases[] = {
      {"mp3", "libmp3lame", 2, 48000, 128000, "mp3", 1152 / 48000.0},
      {"wav", "", 2, 48000, 128000, "pcm_s16le", 0},
      {"m4a", "", 2, 48000, 128000, "aac", 1024 / 48000.0},
      {"ogg", "libvorbis", 2, 48000, 128000, "vorbis", 2048 / 48000.0},
      {"ac3", "ac3", 2, 48000, 128000, "ac3", 1536 / 48000.0},
      {"aiff", "", 2, 48000, 128000, "pcm_s16be", 0},
      {"amr", "libopencore_amrnb", 1, 8000, 7400, "amr_nb", 160 / 8000.0},
      {"flac", "flac", 1, 22050, 128000, "flac", 0},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.ext);
    std::string out = dir.File(std::string("out.") + k.ext);
    Convert(flac, out, AudioRecord(k.codec, k.channels, k.rate, k.bitrate));
    auto facts = ProbeFacts(out);
    EXPECT_EQ(Fact(facts, "format.nb_streams"), "1");
    EXPECT_EQ(Fact(facts, "stream.0.codec_name"), k.probed);
    EXPECT_EQ(FactNumber(facts, "stream.0.channels"), k.channels);
    EXPECT_EQ(FactNumber(facts, "stream.0.sample_rate"), k.rate);
    EXPECT_NEAR(DecodedSeconds(out), source, k.frame + 1152 / 44100.0);
  }
}

// Without "map_meta_data" the first input's tags and the stream languages are carried over.
TEST_F(AudioPipeline, TagsAndLanguagesTravelWithTheMusic) {
  std::string mp3 = dir.File("tagged.mp3");
  ASSERT_TRUE(testsupport::MakeTone(
      mp3, 1, 44100, 2,
      "-c:a libmp3lame -metadata title=Song -metadata artist=Singer -metadata album=Record "
      "-metadata track=7 -metadata date=2011 -metadata genre=Folk -metadata comment=Nice"));
  std::string flac = dir.File("tagged.flac");
  Convert(mp3, flac, AudioRecord("flac", 2, -1, 128000));
  auto facts = ProbeFacts(flac);
  auto tag = [&facts](const char* key) {
    for (const auto& [k, v] : facts) {
      if (k.compare(0, 12, "format.tags.") != 0) continue;
      if (ff::av_strcasecmp(k.c_str() + 12, key) == 0) return v;
    }
    return std::string();
  };
  EXPECT_EQ(tag("title"), "Song");
  EXPECT_EQ(tag("artist"), "Singer");
  EXPECT_EQ(tag("album"), "Record");
  EXPECT_EQ(tag("track"), "7");
  EXPECT_EQ(tag("date"), "2011");
  EXPECT_EQ(tag("genre"), "Folk");
  EXPECT_EQ(tag("comment"), "Nice");

  // A tag set for the output wins; a language given for the output wins over the source's.
  std::string mka = dir.File("lang.mka");
  ASSERT_TRUE(testsupport::MakeTone(mka, 1, 44100, 2,
                                    "-c:a flac -metadata title=Old -metadata:s:a:0 language=jpn"));
  std::string out = dir.File("lang-out.mka");
  TOutputOptions o = AudioRecord("libvorbis", 2, -1, 128000);
  o.Info.Title = "New";
  Convert(mka, out, o);
  facts = ProbeFacts(out);
  EXPECT_EQ(tag("title"), "New");
  EXPECT_EQ(Fact(facts, "stream.0.tags.language"), "jpn");
  std::string out2 = dir.File("lang-out2.mka");
  o.AudioLanguage = "chi";
  Convert(mka, out2, o);
  EXPECT_EQ(Fact(ProbeFacts(out2), "stream.0.tags.language"), "chi");
}
