#include "presets/Catalogue.h"

#include <charconv>

namespace presets {

namespace {

constexpr bool kOff = true;   // no video: Video_DisableVideo, no video codec
constexpr bool kVid = false;  // with video

// One row per output format, in catalogue order (the row's index is its position). Columns:
// title, output-name extension, video, video codec, audio codec, channels, the six parameter
// values (frame size, frame rate, video bit rate, audio bit rate, sample rate, aspect), file
// extension, video tag, target type, norm type, description. Audio volume is "256" for all.
// clang-format off
// 0 "通用音频" (group 1)
constexpr TOutputFormat kGeneralAudio[] = {
  {"MP3 - MPEG Layer-3音频格式(*.mp3)", ".mp3",  kOff, "", "libmp3lame",        "2", "", "", -1, 128000, "48000", "", ".mp3",  "", "", "", "最流行的音频格式,具有体积小,音质高的特点,几乎成为网上音乐的代名词"},
  {"WMA - Windows媒体音频格式(*.wma)",  ".wma",  kOff, "", "wmav2",             "2", "", "", -1, 128000, "48000", "", ".wma",  "", "", "", "微软公司推出的与MP3格式齐名的一种新的音频格式"},
  {"WAV - 波形音频格式(*.wav)",         ".wav",  kOff, "", "",                  "2", "", "", -1, 128000, "48000", "", ".wav",  "", "", "", "WAV为微软公司开发的波形声音文件格式"},
  {"AAC - 高级音频格式(*.aac)",         ".aac",  kOff, "", "libfaac",           "2", "", "", -1, 128000, "48000", "", ".aac",  "", "", "", "高级声音数据设计的文件压缩格式,与Mp3类似,苹果公司的ipod,iPhone支持的音频格式"},
  {"M4A - MPEG-4音频格式(*.m4a)",       ".m4a",  kOff, "", "",                  "2", "", "", -1, 128000, "48000", "", ".m4a",  "", "", "", "M4A是MPEG4音频标准的文件,几乎所有支持MPEG4音频的软件都支持m4a音频"},
  {"OGG - Ogg Vorbis音频格式(*.ogg)",   ".ogg",  kOff, "", "libvorbis",         "2", "", "", -1, 128000, "48000", "", ".ogg",  "", "", "", "OGG是一种常见的格式，在音乐软件、游戏音效、便携播放器、网络浏览器上都得到广泛支持"},
  {"RA - RealAudio音频格式(*.ra)",      ".ra",   kOff, "", "",                  "2", "", "", -1, 128000, "48000", "", ".rm",   "", "", "", "RealNetworks制定的流媒体音频格式,便于网络传输的音频格式"},
  {"AC3 - 杜比数字AC-3音频格式(*.ac3)", ".ac3",  kOff, "", "ac3",               "2", "", "", -1, 128000, "48000", "", ".ac3",  "", "", "", "杜比数字AC-3是杜比公司开发的新一代家庭影院多声道数字音频系统。"},
  {"AIFF - 音频交换文件格式(*.aiff)",   ".aiff", kOff, "", "",                  "2", "", "", -1, 128000, "48000", "", ".aiff", "", "", "", "AIFF是音频交换文件格式是Apple公司开发的声音文件格式,广泛应用于各种专业的音频软件中"},
  {"MP2 - MPEG Layer-2音频格式(*.mp2)", ".mp2",  kOff, "", "",                  "2", "", "", -1, 128000, "44100", "", ".mp2",  "", "", "", "MPEG Layer-2音频格式，具有CD级别的音质"},
  {"FLAC-音频格式(*.flac)",             ".flac", kOff, "", "flac",              "2", "", "", -1, 128000, "48000", "", ".flac", "", "", "", "FLAC是一套著名的无损压缩编码,所以还原CD音乐光盘音质"},
  {"MP4-MP4音频格式(*.m4a)",            ".m4a",  kOff, "", "",                  "2", "", "", -1, 128000, "48000", "", ".m4a",  "", "", "", "MP4音频格式,具有完美的CD音质"},
  {"AMR-手机音频格式(*.amr)",           ".amr",  kOff, "", "libopencore_amrnb", "1", "", "", -1, 7400,   "8000",  "", ".amr",  "", "", "", "AMR是流行的手机数字音乐文件格式之一"},
};

// 1 "WMA音频" (group 28)
constexpr TOutputFormat kWmaAudio[] = {
  {"高清晰WMA音频格式(*.wma)", ".wma", kOff, "", "wmav2", "2", "", "", -1, 128000, "48000", "", ".wma", "", "", "", "高音质的WMA音频,较高比特率和采样率,适合收藏欣赏"},
  {"高压缩WMA音频格式(*.wma)", ".wma", kOff, "", "wmav2", "2", "", "", -1, 128000, "48000", "", ".wma", "", "", "", "体积小巧的WMA音频,较低比特率和采样率,适合网络传输"},
  {"优化WMA音频格式(*.wma)",   ".wma", kOff, "", "wmav2", "2", "", "", -1, 128000, "48000", "", ".wma", "", "", "", "兼顾音质与体积的WMA音频,适合日常聆听"},
  {"标准WMA音频格式(*.wma)",   ".wma", kOff, "", "wmav2", "2", "", "", -1, 128000, "48000", "", ".wma", "", "", "", "通用的WMA音频,128kbps比特率,几乎所有播放器都支持"},
};

// 2 "MP3音频" (group 29)
constexpr TOutputFormat kMp3Audio[] = {
  {"高清晰MP3音频格式(*.mp3)", ".mp3", kOff, "", "libmp3lame", "2", "", "", -1, 128000, "48000", "", ".mp3", "", "", "", "高音质的MP3音频,较高比特率和采样率,接近CD音质"},
  {"高压缩MP3音频格式(*.mp3)", ".mp3", kOff, "", "libmp3lame", "2", "", "", -1, 128000, "48000", "", ".mp3", "", "", "", "体积小巧的MP3音频,较低比特率,适合手机和网络传输"},
  {"优化MP3音频格式(*.mp3)",   ".mp3", kOff, "", "libmp3lame", "2", "", "", -1, 128000, "48000", "", ".mp3", "", "", "", "兼顾音质与体积的MP3音频,适合日常聆听"},
  {"标准MP3音频格式(*.mp3)",   ".mp3", kOff, "", "libmp3lame", "2", "", "", -1, 128000, "48000", "", ".mp3", "", "", "", "通用的MP3音频,128kbps比特率,几乎所有播放器都支持"},
};

// 3 "WAV音频" (group 30)
constexpr TOutputFormat kWavAudio[] = {
  {"高清晰WAV音频格式(*.wav)", ".wav", kOff, "", "", "2", "", "", -1, 128000, "48000", "", ".wav", "", "", "", "高音质的WAV波形音频,较高采样率,适合音频编辑与收藏"},
  {"高压缩WAV音频格式(*.wav)", ".wav", kOff, "", "", "2", "", "", -1, 128000, "48000", "", ".wav", "", "", "", "较低采样率的WAV波形音频,文件体积更小"},
  {"优化WAV音频格式(*.wav)",   ".wav", kOff, "", "", "2", "", "", -1, 128000, "48000", "", ".wav", "", "", "", "兼顾音质与体积的WAV波形音频,适合日常使用"},
  {"标准WAV音频格式(*.wav)",   ".wav", kOff, "", "", "2", "", "", -1, 128000, "48000", "", ".wav", "", "", "", "通用的WAV波形音频,兼容性极好,几乎所有软件都支持"},
};

// 4 "经典视频" (group 0)
constexpr TOutputFormat kClassicVideo[] = {
  {"AVI - 音频视频交错格式(*.avi)",      ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",        "25", 816000,  128000, "44100", "",    ".avi", "XVID", "",     "",    "AVI最常用的视频格式,语音和影像同步组合在一起的文件格式"},
  {"MP4 - MPEG-4视频格式(*.mp4)",        ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "",        "25", 816000,  128000, "44100", "",    ".mp4", "",     "",     "",    "为网络广播和视频通信制定的压缩标准,有很小的体积和清晰的画质"},
  {"DivX - 视频格式(*.avi)",             ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",        "25", 816000,  128000, "44100", "",    ".avi", "DX50", "",     "",    "DivX采用MPEG-4技术来压缩的数字多媒体格式,有接近DVD的画质和完美的音质"},
  {"MOV - 苹果QuickTime视频格式(*.mov)", ".mov", kVid, "",           "libfaac",    "2", "",        "25", 816000,  128000, "44100", "",    ".mov", "",     "",     "",    "MOV即QuickTime影片格式，它是Apple公司开发的音频视频文件格式"},
  {"XviD - 视频格式(*.avi)",             ".avi", kVid, "libxvid",    "libmp3lame", "2", "",        "25", 816000,  128000, "44100", "",    ".avi", "",     "",     "",    "XviD是世界上最流行的视频编码,很多电影是用XviD压制的"},
  {"MKV - Matroska视频格式(*.mkv)",      ".mkv", kVid, "mpeg4",      "libmp3lame", "2", "",        "25", 1200000, 128000, "44100", "",    ".mkv", "",     "",     "",    "Matroska是一种新的多媒体封装格式 ，有超清晰的画面，和完美的音质"},
  {"MPEG-1视频格式(*.mpg)",              ".mpg", kVid, "mpeg1video", "",           "2", "",        "25", 528000,  128000, "44100", "",    ".mpg", "",     "",     "",    "工业级标准而设计的压缩格式，具有VHS的画质和接近CD的音质"},
  {"MPEG-2视频格式(*.mpg)",              ".mpg", kVid, "mpeg2video", "",           "2", "",        "25", 816000,  128000, "44100", "",    ".mpg", "",     "",     "",    "工业级标准而设计的压缩格式，具有广播级的视频画质和CD的音质"},
  {"ASF - 高级流视频格式(*.asf)",        ".asf", kVid, "msmpeg4",    "wmav2",      "2", "",        "25", 816000,  128000, "44100", "",    ".asf", "",     "",     "",    "微软制定的高级流媒体视频格式，被广泛用于网络"},
  {"3GP - 视频格式(*.3gp)",              ".3gp", kVid, "mpeg4",      "libfaac",    "1", "176*144", "12", 128000,  12000,  "8000",  "4:3", ".3gp", "",     "",     "",    "3GP是一种3G流媒体的视频编码格式，手机支持的视频格式"},
  {"WMV - 视频格式(*.wmv)",              ".wmv", kVid, "wmv2",       "wmav2",      "2", "",        "25", 816000,  128000, "44100", "",    ".wmv", "",     "",     "",    "WMV是微软推出的一种流媒体格式,WMV格式的体积非常小,很适合在网上播放和传输"},
  {"DVD - 视频格式(*.mpg)",              ".mpg", kVid, "",           "",           "",  "",        "",   -1000,   -1000,  "",      "",    "",     "",     "dvd",  "PAL", "DVD-数字视频光盘通,常用来播放标准电视机清晰度的电影,高质量的音乐"},
  {"SVCD - 视频格式(*.mpg)",             ".mpg", kVid, "",           "",           "",  "",        "",   -1000,   -1000,  "",      "",    "",     "",     "svcd", "PAL", "SVCD采用MPEG-2压缩,比VCD视频有更好的视频质量"},
  {"VCD - 视频格式(*.mpg)",              ".mpg", kVid, "",           "",           "",  "",        "",   -1000,   -1000,  "",      "",    "",     "",     "vcd",  "PAL", "可以在VCD机上直接播放,也可以在配置了光驱的电脑中播放。"},
  {"RM - REAL视频格式(*.rm)",            ".rm",  kVid, "rv20",       "",           "",  "320*240", "",   -1,      -1,     "",      "",    "",     "",     "",     "",    "RealNetWorks推出的一种流媒体格式,低码率,很适合在网上播放和传输"},
};

// 5 "MP4视频" (group 10)
constexpr TOutputFormat kMp4Video[] = {
  {"MP4机播放的MP4视频格式(*.mp4)",  ".mp4", kVid, "mpeg4",   "libmp3lame", "2", "320*240", "25", 528000,  128000, "44100", "", ".mp4", "", "", "", "适合在MP4播放机上播放的MPEG-4视频,320*240分辨率"},
  {"电脑上使用的MP4视频格式(*.mp4)", ".mp4", kVid, "mpeg4",   "libmp3lame", "2", "",        "25", 768000,  128000, "44100", "", ".mp4", "", "", "", "适合在电脑上播放的MPEG-4视频,保持原分辨率"},
  {"MPEG-4视频高清晰视频(*.mp4)",    ".mp4", kVid, "libx264", "libmp3lame", "2", "",        "25", 1200000, 128000, "44100", "", ".mp4", "", "", "", "采用H.264编码的高清晰MP4视频,画质细腻"},
  {"MP4 AVC视频(*.mp4)",             ".mp4", kVid, "libx264", "libfaac",    "2", "320*240", "25", 1200000, 128000, "44100", "", ".mp4", "", "", "", "H.264(AVC)编码、AAC音频的MP4视频,兼容性好"},
  {"MP4 H264编码视频(*.mp4)",        ".mp4", kVid, "libx264", "libmp3lame", "2", "",        "25", 1200000, 128000, "44100", "", ".mp4", "", "", "", "H.264编码的MP4视频,体积小、画质高"},
};

// 6 "HD视频" (group 2)
constexpr TOutputFormat kHdVideo[] = {
  {"高清AVI视频格式(*.avi)",    ".avi", kVid, "mpeg4",      "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".avi", "", "", "", "MPEG-4编码的720P高清AVI视频,适合电脑和高清播放器"},
  {"高清AVI视频格式(*.avi)",    ".avi", kVid, "libxvid",    "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".avi", "", "", "", "Xvid编码的720P高清AVI视频,画质清晰,兼容性好"},
  {"高清H264视频格式(*.mp4)",   ".mp4", kVid, "libx264",    "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".mp4", "", "", "", "H.264编码的720P高清MP4视频,画质细腻,音质出众"},
  {"高清MPEG-4视频格式(*.mp4)", ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mp4", "", "", "", "MPEG-4编码的720P高清MP4视频,适合各种高清设备"},
  {"高清MOV视频格式(*.mov)",    ".mov", kVid, "",           "libfaac",    "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mov", "", "", "", "720P高清QuickTime视频,适合苹果电脑和设备播放"},
  {"高清ASF视频格式(*.asf)",    ".asf", kVid, "msmpeg4",    "wmav2",      "2", "1280*720", "25", 1600000, 128000, "48000", "", ".asf", "", "", "", "720P高清ASF流媒体视频,适合网络播放"},
  {"高清WMV视频格式(*.wmv)",    ".wmv", kVid, "wmv2",       "wmav2",      "2", "1280*720", "25", 1600000, 128000, "48000", "", ".asf", "", "", "", "720P高清WMV视频,适合Windows媒体播放器播放"},
  {"高清DVD视频格式(*.vob)",    ".vob", kVid, "",           "libfaac",    "2", "1280*720", "25", 1600000, 128000, "48000", "", ".vob", "", "", "", "720P高清VOB视频,DVD光盘使用的视频封装格式"},
  {"高清MPEG-2视频格式(*.mpg)", ".mpg", kVid, "mpeg2video", "libfaac",    "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mpg", "", "", "", "MPEG-2编码的720P高清视频,广播级画质"},
  {"高清MKV视频格式(*.mkv)",    ".mkv", kVid, "mpeg4",      "libfaac",    "2", "1280*720", "25", 1600000, 192000, "48000", "", ".mkv", "", "", "", "MPEG-4编码的720P高清MKV视频,音质出众"},
};

// 7 "iPod视频" (group 3)
constexpr TOutputFormat kIpodVideo[] = {
  {"iPod (320X240) 高清晰视频(*.mp4)",        ".mp4", kVid, "libx264", "libfaac", "2", "320*240", "25", 512000,  128000, "48000", "",     ".mp4", "", "", "", "H.264编码的iPod视频,320*240分辨率,画质清晰"},
  {"iPod (320X240) 高压缩视频(*.mp4)",        ".mp4", kVid, "libxvid", "libfaac", "2", "320*240", "25", 768000,  128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod视频,320*240分辨率,体积小巧"},
  {"iPod (320X240) 标准视频(*.mp4)",          ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 768000,  128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod标准视频,适合iPod播放"},
  {"iPod Video2 TV OutPut视频(*.mp4)",        ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 768000,  128000, "48000", "",     ".mp4", "", "", "", "适合iPod第二代连接电视输出的视频,640*480分辨率"},
  {"iPod Video2 (640X480)视频(*.mp4)",        ".mp4", kVid, "mpeg4",   "libfaac", "2", "640*480", "25", 600000,  128000, "48000", "",     ".mp4", "", "", "", "MPEG-4编码的iPod第二代视频,640*480分辨率"},
  {"iPod Video2 (640X480)高清晰视频(*.mp4)",  ".mp4", kVid, "libx264", "libfaac", "2", "640*480", "25", 1200000, 128000, "48000", "",     ".mp4", "", "", "", "H.264编码的iPod第二代高清晰视频,640*480分辨率"},
  {"iPod Video2 (640X480)高压缩视频(*.mp4)",  ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 512000,  128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod第二代视频,较低比特率,体积小巧"},
  {"iPod touch MPEG-4视频(*.mp4)",            ".mp4", kVid, "mpeg4",   "libfaac", "2", "320*240", "25", 600000,  128000, "48000", "",     ".mp4", "", "", "", "MPEG-4编码的iPod touch视频,320*240分辨率"},
  {"iPod touch MPEG-4 480P视频(*.mp4)",       ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 7680000, 128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod touch 480P视频,画质出色"},
  {"iPod touch MPEG-4 480P高清晰视频(*.mp4)", ".mp4", kVid, "libx264", "libfaac", "2", "640*480", "25", 1200000, 128000, "48000", "",     ".mp4", "", "", "", "H.264编码的iPod touch 480P高清晰视频"},
  {"iPod touch MPEG-4 480P高压缩视频(*.mp4)", ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 512000,  128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod touch 480P视频,较低比特率,体积小巧"},
  {"iPod touch MPEG-4 480P宽屏视频(*.mp4)",   ".mp4", kVid, "libxvid", "libfaac", "2", "640*480", "25", 1200000, 128000, "48000", "16:9", ".mp4", "", "", "", "Xvid编码的iPod touch 480P宽屏16:9视频"},
  {"iPod touch MPEG-4 (320X240)视频(*.mp4)",  ".mp4", kVid, "libxvid", "libfaac", "2", "320*240", "25", 768000,  128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod touch视频,320*240分辨率"},
  {"iPod touch MPEG-4 (480X320)视频(*.mp4)",  ".mp4", kVid, "libxvid", "libfaac", "2", "480*320", "25", 1000000, 128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的iPod touch视频,480*320分辨率,适合全屏播放"},
};

// 8 "iPhone视频" (group 4)
constexpr TOutputFormat kIphoneVideo[] = {
  {"标准iPhone MPEG-4视频(*.mp4)",      ".mp4", kVid, "mpeg4",   "libfaac",    "2", "480*320",   "25",    768000,  128000, "48000", "",     ".mp4", "",     "", "", "MPEG-4编码的iPhone标准视频,480*320分辨率"},
  {"iPhone MPEG-4视频480P(*.mp4)",      ".mp4", kVid, "libxvid", "libfaac",    "2", "640*480",   "25",    768000,  128000, "48000", "",     ".mp4", "",     "", "", "Xvid编码的iPhone 480P视频,640*480分辨率"},
  {"高清iPhone MPEG-4视频720P(*.mp4)",  ".mp4", kVid, "mpeg4",   "libfaac",    "2", "1280*720",  "29.97", 1200000, 128000, "48000", "16:9", ".mp4", "",     "", "", "MPEG-4编码的iPhone 720P高清宽屏视频"},
  {"高清iPhone H264视频720P(*.mp4)",    ".mp4", kVid, "libx264", "libfaac",    "2", "1280*720",  "29.97", 1800000, 128000, "48000", "",     ".mp4", "",     "", "", "H.264编码的iPhone 720P高清视频,画质细腻"},
  {"高清iPhone H264视频1080P(*.mp4)",   ".mp4", kVid, "libx264", "libfaac",    "2", "1920*1080", "29.97", 2000000, 128000, "48000", "",     ".mp4", "",     "", "", "H.264编码的iPhone 1080P全高清视频"},
  {"iPhone MPEG-4视频宽屏(*.mp4)",      ".mp4", kVid, "mpeg4",   "libfaac",    "2", "720*406",   "25",    768000,  128000, "48000", "16:9", ".mp4", "",     "", "", "MPEG-4编码的iPhone宽屏16:9视频"},
  {"iPhone MPEG-4高清晰视频(*.mp4)",    ".mp4", kVid, "libx264", "libfaac",    "2", "720*406",   "29.97", 1200000, 128000, "48000", "",     ".mp4", "",     "", "", "H.264编码的iPhone高清晰视频,720*406分辨率"},
  {"iPhone MPEG-4视频(320X240)(*.mp4)", ".mp4", kVid, "mpeg4",   "libfaac",    "2", "320*240",   "25",    768000,  128000, "44100", "",     ".mp4", "",     "", "", "MPEG-4编码的iPhone视频,320*240分辨率,体积小巧"},
  {"iPhone MPEG-4视频(480X320)(*.mp4)", ".mp4", kVid, "mpeg4",   "libfaac",    "2", "480*320",   "25",    768000,  128000, "48000", "",     ".mp4", "",     "", "", "MPEG-4编码的iPhone视频,480*320分辨率,适合全屏播放"},
  {"iPhone 标准MOV视频(*.mov)",         ".mov", kVid, "",        "libfaac",    "2", "",          "25",    768000,  128000, "48000", "",     ".mov", "",     "", "", "iPhone可播放的标准QuickTime视频"},
  {"iPhone 高清MOV视频(*.mov)",         ".mov", kVid, "",        "libfaac",    "2", "1280*720",  "29.97", 1000000, 128000, "48000", "",     ".mov", "",     "", "", "iPhone可播放的720P高清QuickTime视频"},
  {"iPhone 标准AVI视频-Xvid(*.avi)",    ".avi", kVid, "libxvid", "libmp3lame", "2", "",          "25",    816000,  128000, "48000", "",     ".avi", "",     "", "", "Xvid编码的AVI视频,适合在iPhone播放器中播放"},
  {"iPhone 高清DivX视频(*.avi)",        ".avi", kVid, "mpeg4",   "libmp3lame", "2", "1280*720",  "29.97", 1200000, 128000, "44100", "",     ".avi", "DX50", "", "", "DivX编码的720P高清AVI视频,适合iPhone播放器"},
  {"iPhone 高清AVI视频(*.avi)",         ".avi", kVid, "msmpeg4", "libmp3lame", "2", "1280*720",  "29.97", 1200000, 128000, "48000", "",     ".avi", "",     "", "", "MS-MPEG4编码的720P高清AVI视频"},
  {"iPhone 高清WMV视频(*.wmv)",         ".wmv", kVid, "wmv2",    "wmav2",      "2", "1280*720",  "29.97", 1600000, 128000, "48000", "",     ".wmv", "",     "", "", "720P高清WMV视频,适合在iPhone播放器中播放"},
};

// 9 "MPG视频" (group 13)
constexpr TOutputFormat kMpgVideo[] = {
  {"MPG标准视频(*.mpg)",       ".mpg", kVid, "mpeg1video", "",           "2", "",         "25", 528000,  128000, "44100", "", ".mpg", "", "",     "",    "MPEG-1编码的标准MPG视频,兼容性极好"},
  {"MPEG-1标准视频(*.mpg)",    ".mpg", kVid, "mpeg1video", "",           "2", "",         "25", 528000,  128000, "44100", "", ".mpg", "", "",     "",    "MPEG-1标准视频,具有VHS的画质和接近CD的音质"},
  {"MPEG-2标准视频(*.mpg)",    ".mpg", kVid, "mpeg2video", "",           "2", "",         "25", 816000,  128000, "44100", "", ".mpg", "", "",     "",    "MPEG-2标准视频,具有广播级的画质"},
  {"MPEG-4标准视频(*.mp4)",    ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mp4", "", "",     "",    "MPEG-4标准视频,体积小、画质清晰"},
  {"MPEG-2高清HD视频(*.mpg)",  ".mpg", kVid, "mpeg2video", "libfaac",    "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mpg", "", "",     "",    "MPEG-2编码的720P高清视频,画质出色"},
  {"MPEG-4高清HD视频(*.mp4)",  ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mp4", "", "",     "",    "MPEG-4编码的720P高清视频,适合高清播放器"},
  {"MPEG-2优化视频(*.mpg)",    ".mpg", kVid, "mpeg2video", "",           "2", "",         "25", 816000,  128000, "44100", "", ".mpg", "", "",     "",    "兼顾画质与体积的MPEG-2视频"},
  {"MPEG-2高压缩视频(*.mpg)",  ".mpg", kVid, "mpeg2video", "",           "2", "",         "25", 816000,  128000, "44100", "", ".mpg", "", "",     "",    "较小分辨率和比特率的MPEG-2视频,体积小巧"},
  {"DVD格式高清晰视频(*.mpg)", ".mpg", kVid, "",           "",           "",  "",         "",   -1000,   -1000,  "",      "", "",     "", "dvd",  "PAL", "PAL制DVD格式视频,可刻录成DVD光盘播放"},
  {"SVCD格式标清视频(*.mpg)",  ".mpg", kVid, "",           "",           "",  "",         "",   -1000,   -1000,  "",      "", "",     "", "svcd", "PAL", "PAL制SVCD格式视频,画质优于VCD"},
  {"VCD格式清晰视频(*.mpg)",   ".mpg", kVid, "",           "",           "",  "",         "",   -1000,   -1000,  "",      "", "",     "", "vcd",  "PAL", "PAL制VCD格式视频,可在VCD机上播放"},
};

// 10 "SWF视频" (group 14)
constexpr TOutputFormat kSwfVideo[] = {
  {"标准的SWF视频格式(*.swf)",              ".swf", kVid, "", "libmp3lame", "2", "", "25", 528000,  128000, "22050", "", ".swf", "", "", "", "标准的SWF网络视频,适合网页中播放"},
  {"高清的SWF动画视频FLASH动画视频(*.swf)", ".swf", kVid, "", "libmp3lame", "2", "", "25", 528000,  128000, "22050", "", ".swf", "", "", "", "较高画质的SWF动画视频,适合网页展示"},
  {"优化的SWF视频格式(*.swf)",              ".swf", kVid, "", "libmp3lame", "2", "", "25", 528000,  128000, "22050", "", ".swf", "", "", "", "兼顾画质与体积的SWF视频"},
  {"高压缩的SWF视频格式(*.swf)",            ".swf", kVid, "", "libmp3lame", "2", "", "25", 528000,  128000, "22050", "", ".swf", "", "", "", "较低比特率的SWF视频,体积小巧,加载快速"},
  {"FLV在线网络视频(*.flv)",                ".flv", kVid, "", "libmp3lame", "2", "", "25", 1200000, 128000, "22050", "", ".flv", "", "", "", "FLV在线网络视频,视频网站常用的格式"},
  {"SWF动画视频FLASH动画音频格式(*.swf)",   ".swf", kOff, "", "libmp3lame", "2", "", "",   -1,      128000, "22050", "", "",     "", "", "", "只含声音的SWF动画音频,适合网页背景音乐"},
  {"FLV在线网络音频格式(*.flv)",            ".flv", kOff, "", "libmp3lame", "2", "", "",   -1,      128000, "22050", "", "",     "", "", "", "只含声音的FLV网络音频,适合在线播放"},
};

// 11 "AVI视频" (group 15)
constexpr TOutputFormat kAviVideo[] = {
  {"AVI标准视频(*.avi)",         ".avi", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".avi", "DX50", "", "", "DivX编码的标准AVI视频,兼容性好"},
  {"HD高清晰AVI标准视频(*.avi)", ".avi", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".avi", "",     "", "", "H.264编码的720P高清AVI视频,画质细腻"},
  {"网络上常用的AVI视频(*.avi)", ".avi", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".avi", "XVID", "", "", "Xvid兼容的AVI视频,网络上最常见的AVI格式"},
  {"电脑上常用的AVI视频(*.avi)", ".avi", kVid, "libxvid", "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".avi", "",     "", "", "Xvid编码的AVI视频,电脑上最常用的格式"},
  {"优化的AVI视频(*.avi)",       ".avi", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".avi", "DX50", "", "", "兼顾画质与体积的DivX编码AVI视频"},
  {"高压缩的AVI视频(*.avi)",     ".avi", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".avi", "XVID", "", "", "较低比特率的AVI视频,体积小巧"},
  {"高清的HD AVI视频(*.avi)",    ".avi", kVid, "libxvid", "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".avi", "",     "", "", "Xvid编码的720P高清AVI视频"},
};

// 12 "MKV视频" (group 16)
constexpr TOutputFormat kMkvVideo[] = {
  {"MKV标准视频(*.mkv)",             ".mkv", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mkv", "",     "", "", "MPEG-4编码的标准MKV视频,音画同步出色"},
  {"HD高清MKV视频(*.mkv)",           ".mkv", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".mkv", "",     "", "", "H.264编码的720P高清MKV视频,画质细腻"},
  {"网络上常用的MKV视频(*.mkv)",     ".mkv", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mkv", "XVID", "", "", "Xvid兼容的MKV视频,网络上常用的格式"},
  {"电脑上常用的MKV标准视频(*.mkv)", ".mkv", kVid, "libxvid", "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mkv", "",     "", "", "Xvid编码的MKV视频,电脑上常用的格式"},
  {"优化的MKV视频(*.mkv)",           ".mkv", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mkv", "DX50", "", "", "兼顾画质与体积的MKV视频"},
  {"高压缩的MKV视频(*.mkv)",         ".mkv", kVid, "mpeg4",   "libmp3lame", "2", "",         "25", 816000,  128000, "44100", "", ".mkv", "XVID", "", "", "较低比特率的MKV视频,体积小巧"},
  {"高清的HD MKV视频(*.mkv)",        ".mkv", kVid, "libxvid", "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mkv", "",     "", "", "Xvid编码的720P高清MKV视频"},
};

// 13 "RMVB视频" (group 23)
constexpr TOutputFormat kRmvbVideo[] = {
  {"RMVB视频转换为标准AVI视频(*.avi)",            ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",         "25",    816000,  128000, "44100", "",    ".avi", "XVID", "",     "",    "把RMVB视频转换为Xvid兼容的标准AVI视频"},
  {"HD高清RMVB视频转换为HD高清AVI视频(*.avi)",    ".avi", kVid, "libx264",    "libmp3lame", "2", "1280*720", "30",    1600000, 256000, "48000", "",    ".avi", "",     "",     "",    "把高清RMVB视频转换为H.264编码的高清AVI视频"},
  {"RM视频格式，转换为AVI视频格式(*.avi)",        ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",         "29.97", 1200000, 128000, "44100", "",    ".avi", "DX50", "",     "",    "把RM视频转换为DivX编码的AVI视频"},
  {"RMVB视频转换为MPEG-2视频格式标准视频(*.mpg)", ".mpg", kVid, "mpeg2video", "",           "2", "",         "25",    1000000, 128000, "44100", "",    ".mpg", "",     "",     "",    "把RMVB视频转换为MPEG-2标准视频"},
  {"RMVB视频转换为MPG视频格式(*.mpg)",            ".mpg", kVid, "mpeg2video", "",           "2", "",         "25",    1200000, 128000, "44100", "",    ".mpg", "",     "",     "",    "把RMVB视频转换为MPEG-2编码的MPG视频"},
  {"RMVB视频转换为MP4视频(*.mp4)",                ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "",         "25",    816000,  128000, "44100", "",    ".mp4", "",     "",     "",    "把RMVB视频转换为MPEG-4编码的MP4视频"},
  {"RMVB视频转换为AVI视频(*.avi)",                ".avi", kVid, "libxvid",    "libmp3lame", "2", "",         "25",    1000000, 128000, "44100", "",    ".avi", "",     "",     "",    "把RMVB视频转换为Xvid编码的AVI视频"},
  {"RMVB视频转换为3GP视频(*.3gp)",                ".3gp", kVid, "mpeg4",      "libfaac",    "1", "176*144",  "12",    128000,  12000,  "8000",  "4:3", ".3gp", "",     "",     "",    "把RMVB视频转换为手机常用的3GP视频"},
  {"RMVB视频转换为电脑常用WMV视频(*.wmv)",        ".wmv", kVid, "wmv2",       "wmav2",      "2", "",         "25",    816000,  128000, "44100", "",    ".wmv", "",     "",     "",    "把RMVB视频转换为电脑常用的WMV视频"},
  {"RMVB视频转换为网络在线常用FLV视频(*.flv)",    ".flv", kVid, "",           "libmp3lame", "2", "",         "25",    1200000, 128000, "22050", "",    ".flv", "",     "",     "",    "把RMVB视频转换为视频网站常用的FLV视频"},
  {"RMVB视频转换为SWF视频(*.swf)",                ".swf", kVid, "",           "libmp3lame", "2", "",         "25",    528000,  128000, "22050", "",    ".swf", "",     "",     "",    "把RMVB视频转换为可在网页播放的SWF视频"},
  {"RMVB视频转换为VOB视频(*.vob)",                ".vob", kVid, "",           "libfaac",    "2", "1280*720", "25",    1600000, 128000, "48000", "",    ".vob", "",     "",     "",    "把RMVB视频转换为高清VOB视频"},
  {"RMVB视频转换为DVD视频(*.mpg)",                ".mpg", kVid, "",           "",           "",  "",         "",      -1000,   -1000,  "",      "",    "",     "",     "dvd",  "PAL", "把RMVB视频转换为PAL制DVD视频"},
  {"RMVB视频转换为SVCD视频(*.mpg)",               ".mpg", kVid, "",           "",           "",  "",         "",      -1000,   -1000,  "",      "",    "",     "",     "svcd", "PAL", "把RMVB视频转换为PAL制SVCD视频"},
  {"RMVB视频转换为VCD视频(*.mpg)",                ".mpg", kVid, "",           "",           "",  "",         "",      -1000,   -1000,  "",      "",    "",     "",     "vcd",  "PAL", "把RMVB视频转换为PAL制VCD视频"},
};

// 14 "VCD视频" (group 24)
constexpr TOutputFormat kVcdVideo[] = {
  {"VCD - PAL视频格式(*.mpg)",   ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "vcd",  "PAL",  "PAL制VCD视频,适合中国和欧洲的VCD机播放"},
  {"VCD - NTSC视频格式(*.mpg)",  ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "vcd",  "NTSC", "NTSC制VCD视频,适合美国和日本的VCD机播放"},
  {"SVCD - PAL视频格式(*.mpg)",  ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "svcd", "PAL",  "PAL制SVCD视频,画质优于VCD"},
  {"SVCD - NTSC视频格式(*.mpg)", ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "svcd", "NTSC", "NTSC制SVCD视频,画质优于VCD"},
  {"DVD - PAL视频格式(*.mpg)",   ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "dvd",  "PAL",  "PAL制DVD视频,可刻录成DVD光盘播放"},
  {"DVD - NTSC视频格式(*.mpg)",  ".mpg", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "dvd",  "NTSC", "NTSC制DVD视频,可刻录成DVD光盘播放"},
  {"VOB  - DVD视频格式(*.vob)",  ".vob", kVid, "", "", "", "", "", -1000, -1000, "", "", "", "", "dvd",  "PAL",  "DVD光盘中的VOB视频,PAL制"},
};

// 15 "MOV视频" (group 25)
constexpr TOutputFormat kMovVideo[] = {
  {"标准MOV视频格式(*.mov)",   ".mov", kVid, "", "libfaac", "2", "",         "25", 816000,  128000, "44100", "", ".mov", "", "", "", "标准的QuickTime视频,适合苹果电脑和设备播放"},
  {"高清MOV视频格式(*.mov)",   ".mov", kVid, "", "libfaac", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".mov", "", "", "", "720P高清QuickTime视频,画质清晰"},
  {"优化MOV视频格式(*.mov)",   ".mov", kVid, "", "libfaac", "2", "",         "25", 816000,  128000, "44100", "", ".mov", "", "", "", "兼顾画质与体积的QuickTime视频"},
  {"高压缩MOV视频格式(*.mov)", ".mov", kVid, "", "libfaac", "2", "",         "25", 600000,  128000, "44100", "", ".mov", "", "", "", "较低比特率的QuickTime视频,体积小巧"},
};

// 16 "H264视频" (group 26)
constexpr TOutputFormat kH264Video[] = {
  {"H.264高清AVI视频格式(*.avi)",    ".avi", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 128000, "48000", "", ".avi", "", "", "", "H.264编码的720P高清AVI视频"},
  {"H.264高清MPEG-4视频格式(*.mp4)", ".mp4", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".mp4", "", "", "", "H.264编码的720P高清MPEG-4视频,音质出众"},
  {"H.264高清MKV视频格式(*.mkv)",    ".mkv", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".mkv", "", "", "", "H.264编码的720P高清MKV视频,音质出众"},
  {"H.264高清MP4视频格式(*.mp4)",    ".mp4", kVid, "libx264", "libmp3lame", "2", "1280*720", "25", 1600000, 256000, "48000", "", ".mp4", "", "", "", "H.264编码的720P高清MP4视频,适合各种播放设备"},
};

// 17 "智能手机" (group 31)
constexpr TOutputFormat kSmartPhone[] = {
  {"智能手机标准MP4视频(*.mp4)",      ".avi", kVid, "libx264",    "libmp3lame", "2", "",         "25",    1000000, 128000, "48000", "", ".avi", "",     "", "", "H.264编码的智能手机标准视频"},
  {"智能手机DivX视频(*.mp4)",         ".mp4", kVid, "mpeg4",      "libmp3lame", "2", "",         "25",    768000,  128000, "44100", "", ".mp4", "",     "", "", "DivX兼容的智能手机视频,适合大多数手机播放"},
  {"智能手机Xvid视频(*.mp4)",         ".mp4", kVid, "libxvid",    "libfaac",    "2", "640*480",  "25",    768000,  128000, "48000", "", ".mp4", "",     "", "", "Xvid编码的智能手机视频,640*480分辨率"},
  {"H.264编码高清视频(*.mp4)",        ".mp4", kVid, "libx264",    "libfaac",    "2", "800*600",  "29.97", 1500000, 128000, "48000", "", ".mp4", "",     "", "", "H.264编码的智能手机高清视频,800*600分辨率"},
  {"智能手机高清AVI视频(*.avi)",      ".avi", kVid, "mpeg4",      "libmp3lame", "2", "1024*768", "30",    1200000, 128000, "44100", "", ".avi", "",     "", "", "MPEG-4编码的智能手机高清AVI视频,1024*768分辨率"},
  {"AVI视频-智能手机适用(*.avi)",     ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",         "29.97", 1200000, 128000, "48000", "", ".avi", "",     "", "", "适合智能手机播放的MPEG-4编码AVI视频"},
  {"MKV格式视频(*.mkv)",              ".mkv", kVid, "mpeg4",      "libmp3lame", "2", "",         "25",    816000,  128000, "44100", "", ".mkv", "XVID", "", "", "Xvid兼容的MKV视频,适合智能手机播放"},
  {"手机MOV视频(*.mov)",              ".mov", kVid, "",           "libfaac",    "2", "",         "25",    768000,  128000, "48000", "", ".mov", "",     "", "", "适合智能手机播放的QuickTime视频"},
  {"FLV网络格式视频(*.flv)",          ".flv", kVid, "",           "libmp3lame", "2", "1280*720", "25",    816000,  128000, "22050", "", ".flv", "",     "", "", "适合手机在线播放的FLV网络视频"},
  {"手机3GP视频(*.3gp)",              ".3gp", kVid, "h263",       "libfaac",    "2", "176*144",  "12",    128000,  48000,  "32000", "", ".3gp", "",     "", "", "H.263编码的手机3GP视频,体积小巧"},
  {"WMV格式视频(*.wmv)",              ".wmv", kVid, "wmv2",       "wmav2",      "2", "",         "25",    600000,  128000, "44100", "", ".wmv", "",     "", "", "适合智能手机播放的WMV视频"},
  {"ASF格式视频(*.asf)",              ".asf", kVid, "msmpeg4",    "wmav2",      "2", "",         "25",    816000,  128000, "44100", "", ".asf", "",     "", "", "适合智能手机播放的ASF流媒体视频"},
  {"MPG格式视频(*.mpg)",              ".mpg", kVid, "mpeg2video", "",           "2", "640*480",  "25",    600000,  128000, "44100", "", ".mpg", "",     "", "", "MPEG-2编码的手机MPG视频,640*480分辨率"},
  {"智能手机支持的MPEG-2视频(*.mpg)", ".mpg", kVid, "mpeg2video", "",           "2", "800*600",  "25",    816000,  128000, "44100", "", ".mpg", "",     "", "", "智能手机支持的MPEG-2视频,800*600分辨率"},
  {"智能手机支持的MPEG-4视频(*.mp4)", ".mp4", kVid, "libxvid",    "libfaac",    "2", "640*480",  "25",    768000,  128000, "48000", "", ".mp4", "",     "", "", "Xvid编码的智能手机MPEG-4视频"},
  {"手机MP3格式音频(*.mp3)",          ".mp3", kOff, "",           "libmp3lame", "2", "",         "",      -1,      128000, "48000", "", ".mp3", "",     "", "", "适合手机播放的MP3音频"},
};

// 18 "平板电脑" (group 32)
constexpr TOutputFormat kTablet[] = {
  {"高清AVI格式视频(*.avi)",             ".avi", kVid, "libx264",    "libmp3lame", "2", "1280*720", "29.97", 1600000, 128000, "48000", "",     ".avi", "", "", "", "H.264编码的720P高清AVI视频,适合平板电脑"},
  {"平板电脑支持的AVI视频(*.avi)",       ".avi", kVid, "mpeg4",      "libmp3lame", "2", "",         "25",    816000,  128000, "48000", "",     ".avi", "", "", "", "MPEG-4编码的AVI视频,平板电脑都能播放"},
  {"平板电脑标准的MP4视频(*.mp4)",       ".mp4", kVid, "mpeg4",      "libfaac",    "2", "",         "",      1200000, 128000, "48000", "16:9", ".mp4", "", "", "", "平板电脑标准的宽屏MPEG-4视频"},
  {"适用平板电脑的DivX视频(*.mp4)",      ".mp4", kVid, "mpeg4",      "libfaac",    "2", "800*600",  "30",    1000000, 128000, "48000", "",     ".mp4", "", "", "", "DivX兼容的平板电脑视频,800*600分辨率"},
  {"Xvid视频高清(*.mp4)",                ".mp4", kVid, "libxvid",    "libfaac",    "2", "1024*768", "29.97", 1200000, 128000, "48000", "",     ".mp4", "", "", "", "Xvid编码的平板电脑高清视频,1024*768分辨率"},
  {"H.264格式高清视频(*.mp4)",           ".mp4", kVid, "libx264",    "libfaac",    "2", "1280*720", "29.97", 1500000, 128000, "48000", "",     ".mp4", "", "", "", "H.264编码的720P平板电脑高清视频"},
  {"安卓平板电脑MPEG-2视频(*.mpg)",      ".mpg", kVid, "mpeg2video", "",           "2", "640*480",  "25",    600000,  128000, "44100", "",     ".mpg", "", "", "", "MPEG-2编码的安卓平板电脑视频,640*480分辨率"},
  {"Android平板支持的MPEG-4视频(*.mp4)", ".mp4", kVid, "mpeg4",      "libfaac",    "2", "",         "29.97", 1200000, 128000, "48000", "16:9", ".mp4", "", "", "", "安卓平板电脑支持的宽屏MPEG-4视频"},
  {"MKV格式视频(*.mkv)",                 ".mkv", kVid, "libxvid",    "libmp3lame", "2", "",         "29.97", 1000000, 128000, "44100", "",     ".mkv", "", "", "", "Xvid编码的MKV视频,适合平板电脑播放"},
  {"MOV格式视频(*.mov)",                 ".mov", kVid, "",           "libfaac",    "2", "",         "29.97", 1200000, 128000, "48000", "",     ".mov", "", "", "", "适合平板电脑播放的QuickTime视频"},
  {"FLV格式视频(*.flv)",                 ".flv", kVid, "",           "libmp3lame", "2", "",         "25",    816000,  128000, "22050", "",     ".flv", "", "", "", "适合平板电脑在线播放的FLV视频"},
  {"平板电脑WMV视频(*.wmv)",             ".wmv", kVid, "wmv2",       "wmav2",      "2", "",         "29.97", 1200000, 128000, "44100", "",     ".wmv", "", "", "", "适合Windows平板电脑播放的WMV视频"},
  {"平板电脑MP3音频(*.mp3)",             ".mp3", kOff, "",           "libmp3lame", "2", "",         "",      -1,      128000, "44100", "",     ".mp3", "", "", "", "适合平板电脑播放的MP3音频"},
};

// 19 "智能电视" (group 33)
constexpr TOutputFormat kSmartTv[] = {
  {"智能电视高清MP4视频(*.mp4)",   ".avi", kVid, "libx264",    "libmp3lame", "2", "",          "29.97", 1500000, 128000, "48000", "", ".avi", "",     "", "", "H.264编码的智能电视高清视频"},
  {"4K高清电视DivX视频(*.mp4)",    ".mp4", kVid, "mpeg4",      "libfaac",    "2", "3840*2160", "30",    1200000, 128000, "48000", "", ".mp4", "",     "", "", "DivX兼容的4K超高清电视视频,3840*2160分辨率"},
  {"电视高清Xvid视频(*.mp4)",      ".mp4", kVid, "libxvid",    "libfaac",    "2", "1920*1080", "25",    1500000, 128000, "48000", "", ".mp4", "",     "", "", "Xvid编码的1080P电视高清视频"},
  {"H.264编码高清视频(*.mp4)",     ".mp4", kVid, "libx264",    "libfaac",    "2", "1280*720",  "29.97", 1800000, 128000, "48000", "", ".mp4", "",     "", "", "H.264编码的720P电视高清视频"},
  {"高清智能电视AVI视频(*.avi)",   ".avi", kVid, "mpeg4",      "libmp3lame", "2", "1280*720",  "29.97", 1600000, 128000, "48000", "", ".avi", "",     "", "", "MPEG-4编码的720P智能电视高清AVI视频"},
  {"4K高清电视AVI视频(*.avi)",     ".avi", kVid, "libxvid",    "libmp3lame", "2", "3840*2160", "",      2500000, 128000, "44100", "", ".avi", "",     "", "", "Xvid编码的4K超高清电视AVI视频"},
  {"智能电视适用的MKV视频(*.mkv)", ".mkv", kVid, "mpeg4",      "libmp3lame", "2", "1280*720",  "29.97", 1200000, 128000, "44100", "", ".mkv", "XVID", "", "", "Xvid兼容的720P智能电视MKV视频"},
  {"高清MOV格式视频(*.mov)",       ".mov", kVid, "",           "libfaac",    "2", "",          "29.97", 1200000, 128000, "48000", "", ".mov", "",     "", "", "适合智能电视播放的高清QuickTime视频"},
  {"FLV网络视频(*.flv)",           ".flv", kVid, "",           "libmp3lame", "2", "",          "25",    816000,  128000, "22050", "", ".flv", "",     "", "", "适合智能电视在线播放的FLV视频"},
  {"WMV高清视频(*.wmv)",           ".wmv", kVid, "wmv2",       "wmav2",      "2", "",          "25",    1200000, 128000, "44100", "", ".wmv", "",     "", "", "适合智能电视播放的高清WMV视频"},
  {"高清MPEG视频(*.mpg)",          ".mpg", kVid, "mpeg2video", "",           "2", "",          "25",    1200000, 128000, "44100", "", ".mpg", "",     "", "", "MPEG-2编码的智能电视高清视频"},
  {"MPEG-4超高清视频(*.mp4)",      ".mp4", kVid, "libx264",    "libfaac",    "2", "1920*1080", "29.97", 2000000, 128000, "48000", "", ".mp4", "",     "", "", "H.264编码的1080P超高清视频,画质细腻"},
};

constexpr TOutputCategory kCategories[kCategoryCount] = {
  {"通用音频",    1,  1, kGeneralAudio},
  {"WMA音频",    49, 28, kWmaAudio},
  {"MP3音频",    52, 29, kMp3Audio},
  {"WAV音频",    50, 30, kWavAudio},
  {"经典视频",   40,  0, kClassicVideo},
  {"MP4视频",    10, 10, kMp4Video},
  {"HD视频",      2,  2, kHdVideo},
  {"iPod视频",    3,  3, kIpodVideo},
  {"iPhone视频",  4,  4, kIphoneVideo},
  {"MPG视频",    18, 13, kMpgVideo},
  {"SWF视频",    19, 14, kSwfVideo},
  {"AVI视频",    13, 15, kAviVideo},
  {"MKV视频",    14, 16, kMkvVideo},
  {"RMVB视频",   39, 23, kRmvbVideo},
  {"VCD视频",    48, 24, kVcdVideo},
  {"MOV视频",    47, 25, kMovVideo},
  {"H264视频",   45, 26, kH264Video},
  {"智能手机",   41, 31, kSmartPhone},
  {"平板电脑",   42, 32, kTablet},
  {"智能电视",   43, 33, kSmartTv},
};
// clang-format on

constexpr bool CategoriesMatchCounts() {
  int total = 0;
  for (int c = 0; c < kCategoryCount; ++c) {
    if (static_cast<int>(kCategories[c].Formats.size()) != kCategoryFormatCounts[c]) return false;
    total += kCategoryFormatCounts[c];
  }
  return total == kFormatCount;
}
static_assert(CategoriesMatchCounts(), "formats per category");

}  // namespace

std::span<const TOutputCategory> Categories() {
  return kCategories;
}

const TOutputCategory* CategoryAt(int category) {
  if (category < 0 || category >= kCategoryCount) return nullptr;
  return &kCategories[category];
}

bool IsValidChoice(TFormatChoice choice) {
  return FormatAt(choice) != nullptr;
}

const TOutputFormat* FormatAt(TFormatChoice choice) {
  const TOutputCategory* c = CategoryAt(choice.Category);
  if (!c || choice.Position < 0 || choice.Position >= static_cast<int>(c->Formats.size()))
    return nullptr;
  return &c->Formats[choice.Position];
}

int CatalogueKey(TFormatChoice choice) {
  if (!IsValidChoice(choice)) return -1;
  return kCategories[choice.Category].Group * 100 + choice.Position;
}

const TOutputFormat* FormatByKey(int key) {
  if (key < 0) return nullptr;
  for (const TOutputCategory& c : kCategories)
    if (c.Group == key / 100) {
      int position = key % 100;
      return position < static_cast<int>(c.Formats.size()) ? &c.Formats[position] : nullptr;
    }
  return nullptr;
}

int FormatCode(TFormatChoice choice) {
  return (choice.Category + 1) * 100 + choice.Position;
}

std::optional<TFormatChoice> DecodeFormatCode(int code) {
  TFormatChoice choice{code / 100 - 1, code - code / 100 * 100};
  if (code < 0 || !IsValidChoice(choice)) return std::nullopt;
  return choice;
}

std::optional<TFormatChoice> DecodeFormatCode(std::string_view text) {
  int code = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return DecodeFormatCode(code);
}

std::vector<TFormatListEntry> FormatListEntries(int category) {
  std::vector<TFormatListEntry> entries;
  if (const TOutputCategory* c = CategoryAt(category)) {
    int position = 0;
    for (const TOutputFormat& f : c->Formats)
      entries.push_back({FormatIcon(position++), f.Title, f.Description});
  }
  return entries;
}

std::string TitleExtension(std::string_view title) {
  // The four characters before the closing parenthesis: ".mp3" as it stands, while longer and
  // shorter extensions show as "flac", "aiff", "*.rm", "*.ra".
  if (title.size() < 5) return {};
  std::string_view four = title.substr(title.size() - 5, 4);
  if (four == "flac") return ".flac";
  if (four == "aiff") return ".aiff";
  if (four == "*.rm") return ".rm";
  if (four == "*.ra") return ".ra";
  return std::string(four);
}

}  // namespace presets
