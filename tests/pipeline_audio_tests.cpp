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
