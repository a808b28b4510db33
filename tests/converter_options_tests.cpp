// The option records' text form and the option dispatcher of the converter.
#include <fstream>

#include "engine/FFmpegException.h"
#include "engine/X264Presets.h"
#include "tests/converter_support.h"

using testsupport::TTempDir;

TEST(ExtOptionsText, LinesNamesAndValues) {
  struct {
    const char* text;
    std::vector<TOptionLine> lines;
  } cases[] = {
      {"", {}},
      {"  \r\n ", {}},
      {"vcodec=libx264", {{"vcodec", "libx264"}}},
      // Names lower-cased, values as written, split at the first "=".
      {"VCodec=LibX264\nmetadata=title=A=B", {{"vcodec", "LibX264"}, {"metadata", "title=A=B"}}},
      // CR LF, CR, LF and the literal "<CRLF>" all end a line; the whole text is trimmed.
      {"  a=1\r\nb=2\rc=3\nd=4<CRLF>e=5 \n",
       {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}}},
      // A line without "=" is a name with an empty value; inner blanks stay.
      {"an\nx = y ", {{"an", ""}, {"x ", " y"}}},
      {"a=1\n\nb=", {{"a", "1"}, {"", ""}, {"b", ""}}},
  };
  for (const auto& c : cases) {
    std::vector<TOptionLine> got = ParseExtOptions(c.text);
    ASSERT_EQ(got.size(), c.lines.size()) << c.text;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].Name, c.lines[i].Name) << c.text;
      EXPECT_EQ(got[i].Value, c.lines[i].Value) << c.text;
    }
  }
}

TEST(ExtOptionsText, InputAndOutputTextForms) {
  TInputOptions in = InputOptionsFromText("TIMESTART=1500000<CRLF>f=wav\nss=2");
  EXPECT_EQ(in.TimeStart, 1500000);
  EXPECT_EQ(in.ExtOptions, "f=wav\nss=2");
  EXPECT_EQ(InputOptionsFromText("TimeStart=1.5").TimeStart, kNoTime);

  TOutputOptions out =
      OutputOptionsFromText("Hook=0\nJoin\nTimeLength=3000000\ntimestart=x\nVCodec=mpeg4");
  EXPECT_TRUE(out.CustomHook);  // values of Hook and Join are ignored
  EXPECT_TRUE(out.Join);
  EXPECT_EQ(out.TimeLength, 3000000);
  EXPECT_EQ(out.TimeStart, kNoTime);
  EXPECT_EQ(out.ExtOptions, "VCodec=mpeg4");  // lines go on as written
  EXPECT_TRUE(OutputOptionsFromText("customhook").CustomHook);
  EXPECT_FALSE(OutputOptionsFromText("hooks=1").CustomHook);
}

TEST(ExtOptionsText, ValueConversions) {
  EXPECT_TRUE(OptionToBool(""));
  EXPECT_TRUE(OptionToBool("false"));
  EXPECT_FALSE(OptionToBool("0"));
  EXPECT_EQ(OptionToInt(" -12 "), -12);
  EXPECT_DOUBLE_EQ(OptionToFloat("0.25"), 0.25);
  for (const char* bad : {"", "12a", "0x10", "1.5"}) {
    try {
      OptionToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const FFmpegException& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
  EXPECT_THROW(OptionToFloat("1,5"), FFmpegException);
}

class Dispatcher : public ConverterTest {
 protected:
  TCustomFFmpeg c;
  // The message the option raises, or "" when it succeeds.
  std::string Raised(const std::string& name, const std::string& value) {
    try {
      c.ParseOption(name, value);
      return "";
    } catch (const FFmpegException& e) {
      return e.what();
    }
  }
};

TEST_F(Dispatcher, ErrorTextsOfTheOptionRows) {
  struct {
    const char* name;
    const char* value;
    const char* error;
  } cases[] = {
      {"threads", "2", "TODO: option - threads"},
      {"metadata", "title", "Missing ="},
      {"itsscale", "25:1.5", "stream index over MAX_STREAMS(20)"},
      {"itsscale", "20:2", "stream index over MAX_STREAMS(20)"},
      {"r", "fast", "Incorrect frame rate"},
      {"s", "big", "Incorrect frame size"},
      {"aspect", "4:0", "Incorrect aspect ratio specification."},
      {"aspect", "0", "Incorrect aspect ratio specification."},
      {"pix_fmt", "nosuch", "Unknown pixel format requested: nosuch"},
      {"padtop", "8", "Please use vfilters=pad"},
      {"qscale", "0", "qscale must be > 0.0 and <= 255"},
      {"qscale", "256", "qscale must be > 0.0 and <= 255"},
      {"pass", "3", "pass number can be only 1 or 2"},
      {"vtag", "XVI", "video tag parameter must be 4 chars"},
      {"atag", "mp4a1", "audio tag parameter must be 4 chars"},
      {"stag", "", "subtitle tag parameter must be 4 chars"},
      {"newaudio", "", "At least one output file must be specified"},
      {"streamid", "1",
       "Invalid value \"1\" for option \"streamid\", required syntax is "
       "\"index:value\""},
      {"vbsf", "nosuch_bsf=x", "Unknown bitstream filter nosuch_bsf"},
      {"intra_matrix", "1,2,3", "Syntax error in matrix \"1,2,3\" at coeff 2"},
      {"t", "abc", "Invalid duration specification for t: abc"},
      {"timestamp", "yesterday", "Invalid date specification for timestamp: yesterday"},
      {"target", "cdi", "frame_rate is invalid."},
      {"target", "pal-cdi", "Unknown target type"},
      {"croptop", "8",
       "Vertical crop dimensions are outside the range of the original image.\n"
       "Remember to crop first and scale second."},
      {"vpre", "nosuch", "Preset \"nosuch\" not found"},
      {"vol", "loud", "'loud' is not a valid integer value"},
  };
  for (const auto& k : cases) EXPECT_EQ(Raised(k.name, k.value), k.error) << k.name;
}

TEST_F(Dispatcher, ValuesLandInTheOptionState) {
  for (const auto& [n, v] : std::vector<std::pair<std::string, std::string>>{
           {"s", "640*480"},
           {"r", "ntsc"},
           {"aspect", "16:9"},
           {"ss", "00:00:01.5"},
           {"t", "90"},
           {"ar", "0"},
           {"ac", "1"},
           {"vcodec", "copy"},
           {"acodec", "mp2"},
           {"map", "1.2:0.1"},
           {"streamid", "3:77"},
           {"vhook", "hook.so|-a 1|b"},
           {"metadata", "title=x=y"},
           {"itsscale", "19:0.5"},
           {"isync", ""},
           {"sn", "0"},
           {"dframes", "7"},
           {"intra_matrix", std::string(127, ',').replace(0, 1, "9")}}) {
    c.ParseOption(n, v);
  }
  const TOptionState& o = c.Options();
  EXPECT_EQ(o.FrameWidth, 640);
  EXPECT_EQ(o.FrameHeight, 480);
  EXPECT_EQ(o.FrameRate.num, 30000);
  EXPECT_EQ(o.FrameRate.den, 1001);
  EXPECT_DOUBLE_EQ(o.FrameAspectRatio, 16.0 / 9.0);
  EXPECT_EQ(o.StartTime, 1500000);
  EXPECT_EQ(o.RecordingTime, 90000000);
  EXPECT_EQ(c.TotalOutputDuration(), 90000000);
  EXPECT_EQ(o.AudioSampleRate, 44100);  // values ≤ 0 are ignored
  EXPECT_EQ(o.AudioChannels, 1);
  EXPECT_TRUE(o.VideoStreamCopy);
  EXPECT_EQ(o.AudioCodecName, "mp2");
  ASSERT_EQ(o.StreamMaps.size(), 1u);
  EXPECT_EQ(o.StreamMaps[0].FileIndex, 1);
  EXPECT_EQ(o.StreamMaps[0].StreamIndex, 2);
  EXPECT_EQ(o.StreamMaps[0].SyncFileIndex, 0);
  EXPECT_EQ(o.StreamMaps[0].SyncStreamIndex, 1);
  EXPECT_EQ(o.StreamIdMap[3], 77);
  ASSERT_EQ(o.FrameHooks.size(), 1u);
  EXPECT_EQ(o.FrameHooks[0], (std::vector<std::string>{"hook.so", "-a 1", "b"}));
  ASSERT_EQ(o.Metadata.size(), 1u);
  EXPECT_EQ(o.Metadata[0].Name, "title");
  EXPECT_EQ(o.Metadata[0].Value, "x=y");
  EXPECT_DOUBLE_EQ(o.InputTsScale[19], 0.5);
  EXPECT_TRUE(o.InputSync);
  EXPECT_FALSE(o.SubtitleDisable);
  EXPECT_EQ(o.MaxFrames[AVMEDIA_TYPE_DATA], 7);
  ASSERT_EQ(o.IntraMatrix.size(), 64u);
  EXPECT_EQ(o.IntraMatrix[0], 9);

  c.ParseOption("vcodec", "mpeg4");  // a name after "copy" encodes again
  EXPECT_FALSE(c.Options().VideoStreamCopy);
  c.ParseOption("h", "");
  EXPECT_TRUE(Logged(llInfo, "Do nothing: option - h"));
  c.ParseOption("f", "pgmyuv");
  EXPECT_EQ(c.Options().FileFormat, "image2");
  EXPECT_TRUE(Logged(llWarning, "pgmyuv format is deprecated, use image2"));

  c.Reset();
  EXPECT_TRUE(c.Options().StreamMaps.empty());
  EXPECT_EQ(c.Options().FrameWidth, 0);
  EXPECT_EQ(c.TotalOutputDuration(), -1);
  EXPECT_TRUE(c.GenericOptions().Names().empty());
}

TEST_F(Dispatcher, BitRatesTakeBitsPerSecondAndWarnWhenTooLow) {
  c.ParseOption("b", "128");
  EXPECT_EQ(c.GenericOptions().Codec(otVideo)->bit_rate, 128);
  EXPECT_TRUE(Logged(llWarning,
                     "WARNING: The bitrate parameter is set too low. It takes bits/s "
                     "as argument, not kbits/s"));
  // "b" is the video rate only.
  EXPECT_FALSE(c.GenericOptions().IsSet("b", otAudio));
  ClearLog();
  c.ParseOption("ab", "128000");
  c.ParseOption("vb", "800000");
  EXPECT_EQ(c.GenericOptions().Codec(otAudio)->bit_rate, 128000);
  EXPECT_EQ(c.GenericOptions().Codec(otVideo)->bit_rate, 800000);
  EXPECT_EQ(LoggedCount("bitrate parameter is set too low"), 0);
}

TEST_F(Dispatcher, GenericOptionsByKindContainerScalerAndPrefix) {
  EXPECT_TRUE(c.SetGenericOption("g", "48"));           // video only
  EXPECT_TRUE(c.SetGenericOption("flags", "+qscale"));  // every codec kind
  EXPECT_TRUE(c.SetGenericOption("packetsize", "2048"));
  EXPECT_TRUE(c.SetGenericOption("sws_flags", "lanczos"));
  EXPECT_TRUE(c.SetGenericOption("abt", "5000"));  // "a" + "bt" on the audio context
  EXPECT_TRUE(c.SetGenericOption("name", ""));     // an empty value does nothing
  EXPECT_FALSE(c.SetGenericOption("no_such_option", "1"));
  ClearLog();
  EXPECT_FALSE(c.SetGenericOption("g", "many"));
  EXPECT_TRUE(Logged(llError, "Invalid value \"many\" for option \"g\""));
  // ... and neither fails when it comes through the dispatcher.
  EXPECT_EQ(Raised("no_such_option", "1"), "");
  EXPECT_EQ(Raised("g", "many"), "");

  const TFFOptions& g = c.GenericOptions();
  EXPECT_EQ(g.Codec(otVideo)->gop_size, 48);
  EXPECT_FALSE(g.IsSet("g", otAudio));
  EXPECT_TRUE(g.IsSet("flags", otVideo) && g.IsSet("flags", otAudio) &&
              g.IsSet("flags", otSubtitle));
  EXPECT_EQ(g.Format()->packet_size, 2048u);
  EXPECT_TRUE(g.IsSet("sws_flags", otScaler));
  EXPECT_EQ(c.ScalerFlags(), SWS_LANCZOS);
  EXPECT_EQ(TCustomFFmpeg().ScalerFlags(), SWS_BICUBIC);
  EXPECT_EQ(g.Codec(otAudio)->bit_rate_tolerance, 5000);
  EXPECT_EQ(g.Names(), (std::vector<std::string>{"g", "flags", "packetsize", "sws_flags", "bt"}));

  // Copied into a real context only where kind and direction match.
  TCodecContextPtr enc(ff::avcodec_alloc_context3(ff::avcodec_find_encoder_by_name("mpeg4")));
  g.CopyTo(enc.get(), otVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(enc->gop_size, 48);
  EXPECT_TRUE(enc->flags & AV_CODEC_FLAG_QSCALE);
}

TEST_F(Dispatcher, PrivateEncoderOptionsNeedTheirEncoder) {
  // Names that are libx264's own: unknown while another encoder is chosen, kept once it is.
  c.ParseOption("vcodec", "mpeg4");
  EXPECT_FALSE(c.SetGenericOption("weightp", "smart"));
  c.ParseOption("vcodec", "libx264");
  ClearLog();
  EXPECT_FALSE(c.SetGenericOption("weightp", "cleverest"));
  EXPECT_TRUE(Logged(llError, "Invalid value \"cleverest\" for option \"weightp\""));
  EXPECT_TRUE(c.SetGenericOption("weightp", "smart"));
  EXPECT_STREQ(c.GenericOptions().PrivateOptions(AVMEDIA_TYPE_VIDEO).Get("weightp"), "smart");
  EXPECT_EQ(c.GenericOptions().PrivateOptions(AVMEDIA_TYPE_AUDIO).Get("weightp"), nullptr);
  // With no encoder named, a name some encoder of that kind has is kept for the format's own.
  TCustomFFmpeg open;
  EXPECT_TRUE(open.SetGenericOption("rc-lookahead", "20"));
  EXPECT_FALSE(open.SetGenericOption("rc_lookahead_typo", "20"));
}

TEST_F(Dispatcher, PresetsFromTheTableByCodecPrefixAndFromFiles) {
  c.ParseOption("vcodec", "libx264");
  c.ParseOption("vpre", "fast");  // found as "libx264-fast"
  EXPECT_EQ(c.GenericOptions().Codec(otVideo)->me_subpel_quality, 6);
  EXPECT_STREQ(c.GenericOptions().PrivateOptions(AVMEDIA_TYPE_VIDEO).Get("rc-lookahead"), "30");
  c.ParseOption("vpre", "LIBX264-MAIN");  // any case
  EXPECT_STREQ(c.GenericOptions().PrivateOptions(AVMEDIA_TYPE_VIDEO).Get("8x8dct"), "0");

  TTempDir dir;
  struct {
    const char* text;
    const char* error;  // with %s for the file name
  } files[] = {
      {"\n  g=30 \r\n\nacodec=mp2\n", ""},
      {"g=30\nbroken\n", "%s: Invalid syntax: \"broken\""},
      {"=5", "%s: Invalid syntax: \"=5\""},
      {"g=", "%s: Invalid syntax: \"g=\""},
      {"no_such_option=1",
       "%s: Invalid option or argument: \"no_such_option=1\", parsed as \"no_such_option\" = "
       "\"1\""},
      {"g=many", "%s: Invalid option or argument: \"g=many\", parsed as \"g\" = \"many\""},
  };
  for (const auto& f : files) {
    std::string path = dir.File("p.ffpreset");
    testsupport::WriteFile(path, f.text);
    std::string expected = StrFmt(f.error, path.c_str());
    EXPECT_EQ(Raised("fpre", path), *f.error ? expected : "") << f.text;
  }
  EXPECT_EQ(c.Options().AudioCodecName, "mp2");
  EXPECT_EQ(c.GenericOptions().Codec(otVideo)->gop_size, 30);
  // "fpre" reads files only; an empty value does nothing.
  EXPECT_EQ(Raised("fpre", "libx264-fast"), "Preset \"libx264-fast\" not found");
  EXPECT_EQ(Raised("apre", ""), "");
}

TEST_F(Dispatcher, CodecLookupMessagesAndTheAliasForMissingEncoders) {
  struct {
    const char* name;
    AVMediaType kind;
    bool encoder;
    const char* error;
  } cases[] = {
      {"nosuch", AVMEDIA_TYPE_AUDIO, true, "Unknown encoder 'nosuch'"},
      {"nosuch", AVMEDIA_TYPE_VIDEO, false, "Unknown decoder 'nosuch'"},
      {"mp2", AVMEDIA_TYPE_VIDEO, true, "Invalid encoder type 'mp2'"},
      {"h264", AVMEDIA_TYPE_AUDIO, false, "Invalid decoder type 'h264'"},
  };
  for (const auto& k : cases) {
    try {
      c.FindCodec(k.name, k.kind, k.encoder);
      ADD_FAILURE() << k.name;
    } catch (const FFmpegException& e) {
      EXPECT_EQ(std::string(e.what()), k.error);
    }
  }
  EXPECT_EQ(c.FindCodec("", AVMEDIA_TYPE_VIDEO, true), nullptr);
  // Every encoder the output catalogue names is there; "libfaac" is the native AAC encoder.
  for (const char* v : {"mpeg4", "libxvid", "libx264", "msmpeg4", "wmv2", "mpeg1video",
                        "mpeg2video", "h263", "rv20"})
    EXPECT_NE(c.FindCodec(v, AVMEDIA_TYPE_VIDEO, true), nullptr) << v;
  for (const char* a : {"libmp3lame", "wmav2", "libvorbis", "ac3", "flac", "libopencore_amrnb"})
    EXPECT_NE(c.FindCodec(a, AVMEDIA_TYPE_AUDIO, true), nullptr) << a;
  ClearLog();
  EXPECT_STREQ(c.FindCodec("libfaac", AVMEDIA_TYPE_AUDIO, true)->name, "aac");
  c.FindCodec("libfaac", AVMEDIA_TYPE_AUDIO, true);
  EXPECT_LE(LoggedCount("'libfaac'"), 1);  // once per process
}
