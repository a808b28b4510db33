#include "presets/PresetLists.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace presets {

namespace {

// The distinct entry lists, one per line. Lists are named by selector kind and number: R
// resolution, V video bit rate, F frame rate, A audio bit rate, S sample rate, M aspect mode.
// R13 offers "1920*1200" twice (entries 24 and 25) and no "1920*1440": both mean 1920*1200.
// clang-format off
// Resolution
constexpr const char* kR1Entries[] = {"该格式无视频"};
constexpr const char* kR2Entries[] = {"保持原分辨率", "128*96", "176*144", "240*176", "320*240", "352*240", "352*288", "384*288", "480*480", "480*576", "640*368", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "1920*1440", "2048*1536", "2560*1600"};
constexpr const char* kR3Entries[] = {"112*96", "128*96", "160*112", "160*120", "176*144", "192*144", "208*176", "220*176", "320*208", "320*224", "320*240"};
constexpr const char* kR4Entries[] = {"保持原分辨率", "128*96", "176*144", "240*176", "320*240", "352*240", "352*288", "384*288", "480*480", "480*576", "640*368", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768"};
constexpr const char* kR5Entries[] = {"保持原分辨率", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "1920*1440", "2048*1536", "2560*1600"};
constexpr const char* kR6Entries[] = {"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "640*480"};
constexpr const char* kR7Entries[] = {"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480"};
constexpr const char* kR8Entries[] = {"保持原分辨率", "128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080"};
constexpr const char* kR9Entries[] = {"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480", "720*406"};
constexpr const char* kR10Entries[] = {"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480", "720*406", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080"};
constexpr const char* kR11Entries[] = {"保持原分辨率", "128*96", "176*144", "240*176", "320*240", "352*240", "352*288", "384*288", "480*480", "480*576", "640*368", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "2048*1536", "2560*1600"};
constexpr const char* kR12Entries[] = {"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*272", "640*480", "704*576", "1280*720", "1440*1080", "1920*1080"};
constexpr const char* kR13Entries[] = {"保持原分辨率", "128*96", "176*144", "240*176", "320*240", "352*240", "352*288", "384*288", "480*480", "480*576", "640*368", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "1920*1200", "2048*1536", "2560*1600"};
constexpr const char* kR14Entries[] = {"保持原分辨率", "128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "2048*1536", "2560*1600"};
constexpr const char* kR15Entries[] = {"640*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "2048*1536", "2560*1600"};
constexpr const char* kR16Entries[] = {"保持原分辨率", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "2048*1536", "2560*1600", "3840*2160"};
constexpr const char* kR17Entries[] = {"保持原分辨率", "128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368", "512*384", "640*272", "640*353", "640*480", "704*480", "704*576", "720*480", "720*576", "800*600", "852*480", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "2048*1536", "2560*1600", "3840*2160"};
constexpr const char* kR18Entries[] = {"保持原分辨率", "1024*768", "1280*720", "1280*1024", "1600*1024", "1600*1200", "1920*1080", "1920*1200", "2048*1536", "2560*1600"};

// Video bit rate
constexpr const char* kV1Entries[] = {"无视频"};
constexpr const char* kV2Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps"};
constexpr const char* kV3Entries[] = {"128 kbps", "288 kbps", "528 kbps", "768 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps"};
constexpr const char* kV4Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps"};
constexpr const char* kV5Entries[] = {"8 kbps", "16 kbps", "24 kbps", "32 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps", "384 kbps"};
constexpr const char* kV6Entries[] = {"128 kbps", "288 kbps", "528 kbps", "600 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps"};
constexpr const char* kV7Entries[] = {"816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
constexpr const char* kV8Entries[] = {"192 kbps", "384 kbps", "600 kbps", "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps", "1800 kbps", "2000 kbps"};
constexpr const char* kV9Entries[] = {"192 kbps", "384 kbps", "600 kbps", "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps"};
constexpr const char* kV10Entries[] = {"128 kbps", "288 kbps", "528 kbps", "768 kbps", "816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps"};
constexpr const char* kV11Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
constexpr const char* kV12Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "3500 kbps"};
constexpr const char* kV13Entries[] = {"192 kbps", "384 kbps", "600 kbps", "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
constexpr const char* kV14Entries[] = {"128 kbps", "288 kbps", "528 kbps", "768 kbps", "816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "3500 kbps"};
constexpr const char* kV15Entries[] = {"128 kbps", "288 kbps", "528 kbps", "600 kbps", "768 kbps", "816 kbps", "900 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "3500 kbps"};
constexpr const char* kV16Entries[] = {"128 kbps", "288 kbps", "528 kbps", "600 kbps", "768 kbps", "816 kbps", "900 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "3500 kbps", "4000 kbps"};
constexpr const char* kV17Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps"};
constexpr const char* kV18Entries[] = {"128 kbps", "288 kbps", "528 kbps", "600 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps"};
constexpr const char* kV19Entries[] = {"128 kbps", "288 kbps", "528 kbps", "600 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps"};
constexpr const char* kV20Entries[] = {"384 kbps", "600 kbps", "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "3500 kbps"};
constexpr const char* kV21Entries[] = {"192 kbps", "384 kbps", "600 kbps", "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps", "1800 kbps", "2000 kbps", "3000 kbps", "4000 kbps"};
constexpr const char* kV22Entries[] = {"816 kbps", "1000 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
constexpr const char* kV23Entries[] = {"128 kbps", "288 kbps", "528 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps"};
constexpr const char* kV24Entries[] = {"128 kbps", "288 kbps", "528 kbps", "768 kbps", "816 kbps", "1200 kbps", "1600 kbps", "1800 kbps", "2000 kbps", "2500 kbps", "3000 kbps"};

// Frame rate
constexpr const char* kF1Entries[] = {"无视频"};
constexpr const char* kF2Entries[] = {"保持原帧速率", "10.00", "13.00", "15.00", "18.00", "20.00", "23.00", "23.97", "24.00", "25.00", "29.97", "30.00"};
constexpr const char* kF3Entries[] = {"1", "2", "3", "5", "10", "12", "15"};
constexpr const char* kF4Entries[] = {"保持原帧速率", "25.00", "29.97", "30.00"};
constexpr const char* kF5Entries[] = {"保持原帧速率", "10.00", "12.00", "15.00", "20.00", "23.98", "24.00", "25.00", "29.97", "30.00"};

// Audio bit rate
constexpr const char* kA1Entries[] = {"16 kbps", "24 kbps", "32 kbps", "40 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps", "96 kbps", "112 kbps", "128 kbps", "144 kbps", "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps"};
constexpr const char* kA2Entries[] = {"4.75 kbps", "5.15 kbps", "5.9 kbps", "6.7 kbps", "7.4 kbps", "7.95 kbps", "10.2 kbps", "12.2 kbps"};
constexpr const char* kA3Entries[] = {"5 kbps", "6 kbps", "7 kbps", "8 kbps", "10 kbps", "12 kbps"};
constexpr const char* kA4Entries[] = {"64 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps"};
constexpr const char* kA5Entries[] = {"48 kbps", "56 kbps", "64 kbps", "80 kbps", "96 kbps", "112 kbps", "116 kbps", "128 kbps"};

// Sample rate
constexpr const char* kS1Entries[] = {"11025", "16000", "22050", "32000", "44100", "48000"};
constexpr const char* kS2Entries[] = {"8000"};
constexpr const char* kS3Entries[] = {"22050", "32000", "44100", "48000"};
constexpr const char* kS4Entries[] = {"11025", "22050", "44100"};
constexpr const char* kS5Entries[] = {"8000", "11025", "16000", "22050", "32000", "44100", "48000"};

// Aspect mode
constexpr const char* kM1Entries[] = {"无视频"};
constexpr const char* kM2Entries[] = {"保持原视频模式", "普通视频4:3模式", "宽屏视频16:9模式", "宽屏视频37:20模式", "宽屏视频47:20模式"};
constexpr const char* kM3Entries[] = {"保持原视频模式", "普通视频4:3模式"};

constexpr TPresetList R1{"R1", kR1Entries}, R2{"R2", kR2Entries}, R3{"R3", kR3Entries}, R4{"R4", kR4Entries}, R5{"R5", kR5Entries}, R6{"R6", kR6Entries}, R7{"R7", kR7Entries}, R8{"R8", kR8Entries}, R9{"R9", kR9Entries}, R10{"R10", kR10Entries}, R11{"R11", kR11Entries}, R12{"R12", kR12Entries}, R13{"R13", kR13Entries}, R14{"R14", kR14Entries}, R15{"R15", kR15Entries}, R16{"R16", kR16Entries}, R17{"R17", kR17Entries}, R18{"R18", kR18Entries};
constexpr TPresetList V1{"V1", kV1Entries}, V2{"V2", kV2Entries}, V3{"V3", kV3Entries}, V4{"V4", kV4Entries}, V5{"V5", kV5Entries}, V6{"V6", kV6Entries}, V7{"V7", kV7Entries}, V8{"V8", kV8Entries}, V9{"V9", kV9Entries}, V10{"V10", kV10Entries}, V11{"V11", kV11Entries}, V12{"V12", kV12Entries}, V13{"V13", kV13Entries}, V14{"V14", kV14Entries}, V15{"V15", kV15Entries}, V16{"V16", kV16Entries}, V17{"V17", kV17Entries}, V18{"V18", kV18Entries}, V19{"V19", kV19Entries}, V20{"V20", kV20Entries}, V21{"V21", kV21Entries}, V22{"V22", kV22Entries}, V23{"V23", kV23Entries}, V24{"V24", kV24Entries};
constexpr TPresetList F1{"F1", kF1Entries}, F2{"F2", kF2Entries}, F3{"F3", kF3Entries}, F4{"F4", kF4Entries}, F5{"F5", kF5Entries};
constexpr TPresetList A1{"A1", kA1Entries}, A2{"A2", kA2Entries}, A3{"A3", kA3Entries}, A4{"A4", kA4Entries}, A5{"A5", kA5Entries};
constexpr TPresetList S1{"S1", kS1Entries}, S2{"S2", kS2Entries}, S3{"S3", kS3Entries}, S4{"S4", kS4Entries}, S5{"S5", kS5Entries};
constexpr TPresetList M1{"M1", kM1Entries}, M2{"M2", kM2Entries}, M3{"M3", kM3Entries};

constexpr const TPresetList* kAllLists[] = {&R1, &R2, &R3, &R4, &R5, &R6, &R7, &R8, &R9, &R10, &R11, &R12, &R13, &R14, &R15, &R16, &R17, &R18, &V1, &V2, &V3, &V4, &V5, &V6, &V7, &V8, &V9, &V10, &V11, &V12, &V13, &V14, &V15, &V16, &V17, &V18, &V19, &V20, &V21, &V22, &V23, &V24, &F1, &F2, &F3, &F4, &F5, &A1, &A2, &A3, &A4, &A5, &S1, &S2, &S3, &S4, &S5, &M1, &M2, &M3};
// clang-format on

struct TPresetCell {
  const TPresetList& List;
  int Default;
};

// One format's six selectors in filling order; a row's index is the format's position.
struct TPresetRow {
  TPresetCell Resolution, VideoBitrate, FrameRate, AudioBitrate, SampleRate, AspectMode;
};

// The preset table: list and default entry per selector and format. The video selectors of a
// format without video hold R1, V1, F1 and M1 and are off.
// clang-format off
// 0 "通用音频"
constexpr TPresetRow kPresets0[] = {
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 0
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 1
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  13}, {S1,   5}, {M1,   0}},  // 2
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   5}, {M1,   0}},  // 3
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   9}, {S1,   4}, {M1,   0}},  // 4
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 5
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   9}, {S1,   4}, {M1,   0}},  // 6
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 7
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 8
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 9
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  13}, {S1,   5}, {M1,   0}},  // 10
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  12}, {S1,   5}, {M1,   0}},  // 11
  {{R1,   0}, {V1,   0}, {F1,   0}, {A2,   4}, {S2,   0}, {M1,   0}},  // 12
};

// 1 "WMA音频"
constexpr TPresetRow kPresets1[] = {
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  14}, {S1,   5}, {M1,   0}},  // 0
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   9}, {S1,   2}, {M1,   0}},  // 1
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   9}, {S1,   3}, {M1,   0}},  // 2
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 3
};

// 2 "MP3音频"
constexpr TPresetRow kPresets2[] = {
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  13}, {S1,   5}, {M1,   0}},  // 0
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   8}, {S1,   2}, {M1,   0}},  // 1
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 2
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 3
};

// 3 "WAV音频"
constexpr TPresetRow kPresets3[] = {
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  13}, {S1,   5}, {M1,   0}},  // 0
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,   8}, {S1,   2}, {M1,   0}},  // 1
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  11}, {S1,   4}, {M1,   0}},  // 2
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 3
};

// 4 "经典视频"
constexpr TPresetRow kPresets4[] = {
  {{R2,   0}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,   0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,   0}, {V4,   4}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 3
  {{R2,   0}, {V4,   4}, {F2,   0}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R2,   0}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 5
  {{R2,   4}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R2,   0}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 7
  {{R2,   0}, {V2,   3}, {F2,   0}, {A1,  10}, {S1,   5}, {M2,   0}},  // 8
  {{R3,   4}, {V5,   9}, {F3,   5}, {A3,   5}, {S2,   0}, {M3,   0}},  // 9
  {{R2,   0}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 10
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 11
  {{R2,   8}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 12
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 13
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 14
};

// 5 "MP4视频"
constexpr TPresetRow kPresets5[] = {
  {{R4,   4}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,   0}, {V2,   4}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,   0}, {V2,   4}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R2,   0}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
};

// 6 "HD视频"
constexpr TPresetRow kPresets6[] = {
  {{R5,   2}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 0
  {{R5,   2}, {V7,   1}, {F4,   3}, {A1,  10}, {S1,   5}, {M2,   0}},  // 1
  {{R5,   2}, {V7,   1}, {F4,   2}, {A1,  13}, {S1,   5}, {M2,   0}},  // 2
  {{R5,   3}, {V7,   2}, {F4,   3}, {A1,  13}, {S1,   5}, {M2,   0}},  // 3
  {{R5,   3}, {V7,   2}, {F4,   2}, {A1,  12}, {S1,   5}, {M2,   0}},  // 4
  {{R5,   3}, {V7,   1}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 5
  {{R5,   3}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 6
  {{R5,   2}, {V7,   1}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 7
  {{R5,   3}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 8
  {{R5,   3}, {V7,   2}, {F4,   3}, {A1,  10}, {S1,   5}, {M2,   0}},  // 9
};

// 7 "iPod视频"
constexpr TPresetRow kPresets7[] = {
  {{R6,   3}, {V8,   4}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 0
  {{R6,   3}, {V8,   2}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 1
  {{R6,   3}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 2
  {{R6,   6}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 3
  {{R6,   6}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 4
  {{R6,   6}, {V8,   5}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 5
  {{R6,   6}, {V8,   2}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 6
  {{R7,   6}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 7
  {{R7,  11}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 8
  {{R7,  11}, {V8,   5}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 9
  {{R7,  11}, {V8,   2}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 10
  {{R7,   9}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   2}},  // 11
  {{R7,   3}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 12
  {{R7,   6}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 13
};

// 8 "iPhone视频"
constexpr TPresetRow kPresets8[] = {
  {{R8,   7}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 0
  {{R8,  12}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 1
  {{R8,  20}, {V9,   5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   2}},  // 2
  {{R8,  20}, {V9,   7}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 3
  {{R8,  24}, {V9,   8}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 4
  {{R9,  12}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   2}},  // 5
  {{R10, 12}, {V9,   5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 6
  {{R9,   3}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   2}, {M2,   0}},  // 7
  {{R9,   6}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 8
  {{R11,  0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 9
  {{R11, 19}, {V10,  5}, {F2,  10}, {A1,  10}, {S1,   5}, {M2,   0}},  // 10
  {{R11,  0}, {V11,  3}, {F4,   1}, {A1,  10}, {S1,   5}, {M2,   0}},  // 11
  {{R11, 19}, {V12,  5}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 12
  {{R12,  9}, {V13,  5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 13
  {{R11, 19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 14
};

// 9 "MPG视频"
constexpr TPresetRow kPresets9[] = {
  {{R2,   0}, {V4,   4}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,   4}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,   0}, {V4,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R5,   3}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 4
  {{R5,   3}, {V7,   2}, {F4,   3}, {A1,  13}, {S1,   5}, {M2,   0}},  // 5
  {{R2,  11}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,   8}, {S1,   3}, {M2,   0}},  // 7
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 8
  {{R2,   8}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 9
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 10
};

// 10 "SWF视频"
constexpr TPresetRow kPresets10[] = {
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 0
  {{R13, 19}, {V2,   5}, {F2,  10}, {A1,  10}, {S4,   1}, {M2,   0}},  // 1
  {{R13,  4}, {V6,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 2
  {{R13,  4}, {V2,   2}, {F2,   5}, {A1,   8}, {S4,   1}, {M2,   0}},  // 3
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 4
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S4,   1}, {M1,   0}},  // 5
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S4,   1}, {M1,   0}},  // 6
};

// 11 "AVI视频"
constexpr TPresetRow kPresets11[] = {
  {{R2,   0}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,  19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 1
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V4,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R2,   4}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R2,   0}, {V2,   2}, {F2,   5}, {A1,   8}, {S1,   3}, {M2,   0}},  // 5
  {{R2,  19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 6
};

// 12 "MKV视频"
constexpr TPresetRow kPresets12[] = {
  {{R2,   0}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,  19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 1
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V4,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R2,   4}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R2,   0}, {V2,   2}, {F2,   5}, {A1,   8}, {S1,   3}, {M2,   0}},  // 5
  {{R2,  19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 6
};

// 13 "RMVB视频"
constexpr TPresetRow kPresets13[] = {
  {{R2,  12}, {V4,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,  19}, {V4,   6}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,  19}, {V2,   5}, {F2,  11}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   0}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R2,  12}, {V4,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R2,   4}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 5
  {{R2,   0}, {V2,   5}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R3,   4}, {V5,   9}, {F3,   5}, {A3,   5}, {S2,   0}, {M3,   0}},  // 7
  {{R2,   0}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 8
  {{R2,   0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 9
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 10
  {{R5,   2}, {V7,   1}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 11
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 12
  {{R2,   8}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 13
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 14
};

// 14 "VCD视频"
constexpr TPresetRow kPresets14[] = {
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,   4}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,   8}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,   8}, {V2,   2}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 5
  {{R2,  12}, {V2,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
};

// 15 "MOV视频"
constexpr TPresetRow kPresets15[] = {
  {{R2,   0}, {V10,  5}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 0
  {{R2,  19}, {V14,  7}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 1
  {{R2,  11}, {V15,  6}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 2
  {{R2,   0}, {V3,   2}, {F2,   5}, {A1,   8}, {S1,   3}, {M2,   0}},  // 3
};

// 16 "H264视频"
constexpr TPresetRow kPresets16[] = {
  {{R2,  19}, {V16, 10}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 0
  {{R2,  19}, {V16, 10}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R2,  19}, {V16, 10}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 2
  {{R2,  19}, {V16, 10}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 3
};

// 17 "智能手机"
constexpr TPresetRow kPresets17[] = {
  {{R14,  0}, {V9,   4}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 0
  {{R11,  0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 1
  {{R8,  12}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 2
  {{R8,  17}, {V9,   6}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 3
  {{R11, 18}, {V17,  4}, {F2,  11}, {A1,  10}, {S1,   4}, {M2,   0}},  // 4
  {{R11,  0}, {V7,   1}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 5
  {{R11,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R11,  0}, {V3,   3}, {F2,   9}, {A1,  10}, {S1,   5}, {M2,   0}},  // 7
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 8
  {{R3,   4}, {V5,   9}, {F3,   5}, {A5,   0}, {S5,   4}, {M2,   0}},  // 9
  {{R11,  0}, {V6,   3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 10
  {{R2,   0}, {V2,   3}, {F2,   0}, {A1,  10}, {S1,   5}, {M2,   0}},  // 11
  {{R11, 11}, {V18,  3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 12
  {{R11, 16}, {V18,  4}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 13
  {{R8,  12}, {V8,   3}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 14
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 15
};

// 18 "平板电脑"
constexpr TPresetRow kPresets18[] = {
  {{R11, 19}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 0
  {{R11,  0}, {V7,   0}, {F4,   1}, {A1,  10}, {S1,   5}, {M2,   0}},  // 1
  {{R8,   0}, {V9,   5}, {F5,   0}, {A4,   2}, {S3,   3}, {M2,   2}},  // 2
  {{R15,  4}, {V8,   4}, {F5,   9}, {A4,   2}, {S3,   3}, {M2,   0}},  // 3
  {{R8,  19}, {V9,   5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 4
  {{R8,  20}, {V9,   6}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 5
  {{R11, 11}, {V18,  3}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R8,   0}, {V9,   5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   2}},  // 7
  {{R11,  0}, {V4,   4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 8
  {{R11,  0}, {V3,   5}, {F2,  10}, {A1,  10}, {S1,   5}, {M2,   0}},  // 9
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 10
  {{R11,  0}, {V19,  5}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 11
  {{R1,   0}, {V1,   0}, {F1,   0}, {A1,  10}, {S1,   4}, {M1,   0}},  // 12
};

// 19 "智能电视"
constexpr TPresetRow kPresets19[] = {
  {{R16,  0}, {V20,  5}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 0
  {{R16, 17}, {V21,  5}, {F5,   9}, {A4,   2}, {S3,   3}, {M2,   0}},  // 1
  {{R17, 24}, {V9,   6}, {F5,   7}, {A4,   2}, {S3,   3}, {M2,   0}},  // 2
  {{R17, 20}, {V9,   7}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 3
  {{R18,  2}, {V7,   2}, {F4,   2}, {A1,  10}, {S1,   5}, {M2,   0}},  // 4
  {{R16, 17}, {V22,  6}, {F2,   0}, {A1,  10}, {S1,   4}, {M2,   0}},  // 5
  {{R16,  9}, {V23,  4}, {F2,  10}, {A1,  10}, {S1,   4}, {M2,   0}},  // 6
  {{R11,  0}, {V24,  5}, {F2,  10}, {A1,  10}, {S1,   5}, {M2,   0}},  // 7
  {{R13,  0}, {V2,   3}, {F2,   9}, {A1,  10}, {S4,   1}, {M2,   0}},  // 8
  {{R11,  0}, {V19,  5}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 9
  {{R11,  0}, {V18,  5}, {F2,   9}, {A1,  10}, {S1,   4}, {M2,   0}},  // 10
  {{R8,  24}, {V9,   8}, {F5,   8}, {A4,   2}, {S3,   3}, {M2,   0}},  // 11
};

constexpr std::span<const TPresetRow> kPresetTables[kCategoryCount] = {
    kPresets0,  kPresets1,  kPresets2,  kPresets3,  kPresets4,  kPresets5,  kPresets6,
    kPresets7,  kPresets8,  kPresets9,  kPresets10, kPresets11, kPresets12, kPresets13,
    kPresets14, kPresets15, kPresets16, kPresets17, kPresets18, kPresets19};
// clang-format on

constexpr bool UsesList(const TPresetCell& cell, const TPresetList& list) {
  return &cell.List == &list;
}

constexpr bool HasNoVideo(const TPresetRow& row) {
  return UsesList(row.Resolution, R1) && UsesList(row.VideoBitrate, V1) &&
         UsesList(row.FrameRate, F1) && UsesList(row.AspectMode, M1);
}

constexpr bool DefaultsInRange(std::span<const TPresetRow> table) {
  for (const TPresetRow& row : table)
    for (const TPresetCell* cell : {&row.Resolution, &row.VideoBitrate, &row.FrameRate,
                                    &row.AudioBitrate, &row.SampleRate, &row.AspectMode})
      if (cell->Default < 0 || cell->Default >= static_cast<int>(cell->List.Entries.size()))
        return false;
  return true;
}

constexpr bool AllDefaultsInRange() {
  for (std::span<const TPresetRow> table : kPresetTables)
    if (!DefaultsInRange(table)) return false;
  return true;
}
static_assert(AllDefaultsInRange(), "a default entry lies outside its list");

constexpr bool TablesMatchCatalogue() {
  for (int c = 0; c < kCategoryCount; ++c)
    if (static_cast<int>(kPresetTables[c].size()) != kCategoryFormatCounts[c]) return false;
  return true;
}
static_assert(TablesMatchCatalogue(), "one preset row per output format");

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The number in front of "kbps", blanks trimmed; nullopt-like empty view when there is none.
std::string_view KbpsNumber(std::string_view text) {
  size_t unit = text.find("kbps");
  if (unit == std::string_view::npos) return {};
  return Trim(text.substr(0, unit));
}

bool ParseInt(std::string_view s, long long& value) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

int KbpsToBitrate(long long kbps) {
  if (kbps < 0 || kbps > INT_MAX / 1000) return -1;
  return static_cast<int>(kbps * 1000);
}

// An entry index as two digits; an index that does not fit (-1: no entry chosen) as "00".
std::string TwoDigits(int index) {
  if (index < 0 || index > 99) index = 0;
  return {static_cast<char>('0' + index / 10), static_cast<char>('0' + index % 10)};
}

}  // namespace

const char* SelectorLabel(TPresetSelector selector) {
  switch (selector) {
    case psResolution:
      return "视频分辨率：";
    case psVideoBitrate:
      return "视频比特率：";
    case psFrameRate:
      return "视频帧率：";
    case psAudioBitrate:
      return "音频比特率：";
    case psSampleRate:
      return "音频采样率：";
    case psAspectMode:
      return "视频缩放：";
  }
  return "";
}

int SelectorColumn(TPresetSelector selector) {
  switch (selector) {
    case psResolution:
      return 16;
    case psVideoBitrate:
      return 17;
    case psFrameRate:
      return 18;
    case psAudioBitrate:
      return 19;
    case psSampleRate:
      return 20;
    case psAspectMode:
      return 21;
  }
  return -1;
}

const TPresetList* FindPresetList(std::string_view name) {
  for (const TPresetList* list : kAllLists)
    if (name == list->Name) return list;
  return nullptr;
}

std::optional<TFormatPresets> FormatPresets(TFormatChoice choice) {
  if (!IsValidChoice(choice)) return std::nullopt;
  std::span<const TPresetRow> table = kPresetTables[choice.Category];
  if (choice.Position >= static_cast<int>(table.size())) return std::nullopt;
  const TPresetRow& row = table[choice.Position];
  bool noVideo = HasNoVideo(row);
  auto selector = [&](const TPresetCell& cell, bool video) {
    return TSelectorPreset{&cell.List, cell.Default, !(video && noVideo)};
  };
  TFormatPresets presets{};
  presets.Selectors[psResolution] = selector(row.Resolution, true);
  presets.Selectors[psVideoBitrate] = selector(row.VideoBitrate, true);
  presets.Selectors[psFrameRate] = selector(row.FrameRate, true);
  presets.Selectors[psAudioBitrate] = selector(row.AudioBitrate, false);
  presets.Selectors[psSampleRate] = selector(row.SampleRate, false);
  presets.Selectors[psAspectMode] = selector(row.AspectMode, true);
  presets.NoVideo = noVideo;
  return presets;
}

std::array<std::string, kPresetSelectorCount> DefaultPresetTexts(TFormatChoice choice) {
  std::array<std::string, kPresetSelectorCount> texts;
  if (auto presets = FormatPresets(choice))
    for (int s = 0; s < kPresetSelectorCount; ++s) texts[s] = presets->Selectors[s].DefaultText();
  return texts;
}

std::array<int, kPresetSelectorCount> DefaultPresetIndexes(TFormatChoice choice) {
  std::array<int, kPresetSelectorCount> indexes{};
  if (auto presets = FormatPresets(choice))
    for (int s = 0; s < kPresetSelectorCount; ++s) indexes[s] = presets->Selectors[s].DefaultIndex;
  return indexes;
}

std::string FrameSizeValue(std::string_view text) {
  if (text == "保持原分辨率" || text == "该格式无视频") return {};
  return std::string(text);
}

std::string FrameRateValue(std::string_view text) {
  if (text == "保持原帧速率" || text == "无视频") return {};
  return std::string(text);
}

int VideoBitrateValue(std::string_view text) {
  if (text == "无视频") return -1000;
  long long kbps;
  return ParseInt(KbpsNumber(text), kbps) ? KbpsToBitrate(kbps) : -1;
}

int AudioBitrateValue(std::string_view text) {
  std::string_view number = KbpsNumber(text);
  long long kbps;
  if (ParseInt(number, kbps)) return KbpsToBitrate(kbps);
  // "4.75 kbps": from_chars reads the point whatever the locale; rounding keeps 10.2 * 1000
  // (10199.999...) at 10200.
  double value;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                   std::chars_format::fixed);
  if (number.empty() || ec != std::errc() || end != number.data() + number.size()) return -1;
  double bits = std::round(value * 1000.0);
  if (!(bits >= 0 && bits <= INT_MAX)) return -1;
  return static_cast<int>(bits);
}

std::string SampleRateValue(std::string_view text) {
  return std::string(text);
}

std::string AspectRatioValue(std::string_view text) {
  if (text == "普通视频4:3模式") return "4:3";
  if (text == "宽屏视频16:9模式") return "16:9";
  if (text == "宽屏视频37:20模式") return "37:20";
  if (text == "宽屏视频47:20模式") return "47:20";
  return {};  // "保持原视频模式", "无视频"
}

std::string SelectorIndexString(const std::array<int, kPresetSelectorCount>& indexes) {
  std::string text;
  for (TPresetSelector s : kSelectorIndexOrder) text += TwoDigits(indexes[s]);
  return text;
}

std::optional<std::array<int, kPresetSelectorCount>> ParseSelectorIndexString(
    std::string_view text) {
  if (text.size() != 2 * kPresetSelectorCount) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  std::array<int, kPresetSelectorCount> indexes{};
  for (size_t k = 0; k < kSelectorIndexOrder.size(); ++k)
    indexes[kSelectorIndexOrder[k]] = (text[2 * k] - '0') * 10 + (text[2 * k + 1] - '0');
  return indexes;
}

std::string ReplaceSelectorIndex(std::string_view text, TPresetSelector selector, int index) {
  std::string result(text);
  if (result.size() < 2 * kPresetSelectorCount) result.resize(2 * kPresetSelectorCount, '0');
  for (size_t k = 0; k < kSelectorIndexOrder.size(); ++k)
    if (kSelectorIndexOrder[k] == selector) result.replace(2 * k, 2, TwoDigits(index));
  return result;
}

}  // namespace presets
