#include "engine/X264Presets.h"

#include <strings.h>

// Each row keeps the meaning the preset of that name had for the older encoder interface, in
// today's names: the analysis switches that used to be "flags2" bits and "directpred",
// "wpredp", "cqp", "rc_lookahead" are libx264's own options now ("mixed-refs", "weightb",
// "8x8dct", "fast-pskip", "b-pyramid", "mbtree", "direct-pred", "weightp", "qp",
// "rc-lookahead"); partitions are listed by name; "flags=-loop" no longer switches the
// deblocking filter off, so "libx264-ultrafast" asks x264 directly.
// clang-format off
const TBuiltinPreset kBuiltinPresets[kBuiltinPresetCount] = {
    {"libx264-baseline",
     "coder=cavlc / bf=0 / weightb=0 / 8x8dct=0 / weightp=none"},
    {"libx264-default",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=7 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / "
     "refs=3 / direct-pred=spatial / trellis=1 / mixed-refs=1 / weightb=1 / 8x8dct=1 / "
     "fast-pskip=1 / weightp=smart"},
    {"libx264-fast",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=6 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=2 / direct-pred=spatial / trellis=1 / b-pyramid=normal / mixed-refs=1 / "
     "weightb=1 / 8x8dct=1 / fast-pskip=1 / weightp=smart / rc-lookahead=30"},
    {"libx264-fast_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=spatial / "
     "trellis=0 / b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "weightp=smart / rc-lookahead=30"},
    {"libx264-faster",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=4 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=2 / direct-pred=spatial / trellis=1 / b-pyramid=normal / mixed-refs=0 / "
     "weightb=1 / 8x8dct=1 / fast-pskip=1 / weightp=simple / rc-lookahead=20"},
    {"libx264-faster_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=spatial / "
     "trellis=0 / b-pyramid=normal / mixed-refs=0 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "weightp=simple / rc-lookahead=20"},
    {"libx264-fastfirstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / refs=1 / direct-pred=auto / "
     "trellis=0 / weightb=1 / 8x8dct=0 / fast-pskip=1 / weightp=smart"},
    {"libx264-hq",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=umh / subq=8 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / "
     "refs=4 / direct-pred=auto / trellis=1 / mixed-refs=1 / weightb=1 / 8x8dct=1 / "
     "fast-pskip=1 / weightp=smart"},
    {"libx264-ipod320",
     "coder=cavlc / bf=0 / weightb=0 / 8x8dct=0 / level=13 / maxrate=768000 / "
     "bufsize=3000000 / weightp=none"},
    {"libx264-ipod640",
     "coder=cavlc / bf=0 / refs=1 / weightb=0 / 8x8dct=0 / level=30 / maxrate=10000000 / "
     "bufsize=10000000 / weightp=none"},
    {"libx264-lossless_fast",
     "coder=cavlc / flags=+loop / cmp=+chroma / partitions=i4x4,p8x8 / me_method=hex / "
     "subq=3 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / "
     "b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / direct-pred=spatial / "
     "fast-pskip=1 / qp=0"},
    {"libx264-lossless_max",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=esa / subq=8 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / refs=16 / "
     "direct-pred=spatial / mixed-refs=1 / 8x8dct=1 / qp=0"},
    {"libx264-lossless_medium",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i4x4,p8x8,p4x4 / me_method=hex / "
     "subq=5 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / "
     "b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / direct-pred=spatial / "
     "fast-pskip=1 / qp=0"},
    {"libx264-lossless_slow",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=umh / subq=6 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / refs=2 / "
     "direct-pred=spatial / 8x8dct=1 / qp=0"},
    {"libx264-lossless_slower",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=umh / subq=8 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / refs=4 / "
     "direct-pred=spatial / mixed-refs=1 / 8x8dct=1 / qp=0"},
    {"libx264-lossless_ultrafast",
     "coder=cavlc / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=0 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / direct-pred=spatial / fast-pskip=1 / qp=0"},
    {"libx264-main",
     "8x8dct=0"},
    {"libx264-max",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=tesa / subq=10 / me_range=24 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / "
     "refs=16 / direct-pred=auto / trellis=2 / mixed-refs=1 / weightb=1 / 8x8dct=1 / "
     "fast-pskip=0 / weightp=smart"},
    {"libx264-medium",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=7 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=3 / direct-pred=spatial / trellis=1 / b-pyramid=normal / mixed-refs=1 / "
     "weightb=1 / 8x8dct=1 / fast-pskip=1 / weightp=smart / rc-lookahead=40"},
    {"libx264-medium_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=spatial / "
     "trellis=0 / b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "weightp=smart / rc-lookahead=40"},
    {"libx264-normal",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=6 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / "
     "refs=2 / direct-pred=auto / trellis=0 / weightb=1 / 8x8dct=1 / fast-pskip=1 / "
     "weightp=smart"},
    {"libx264-placebo",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=tesa / subq=10 / me_range=24 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=16 / "
     "refs=16 / direct-pred=auto / trellis=2 / b-pyramid=normal / mixed-refs=1 / weightb=1 / "
     "8x8dct=1 / fast-pskip=0 / weightp=smart / rc-lookahead=60"},
    {"libx264-placebo_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=24 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=2 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=16 / refs=1 / direct-pred=auto / "
     "trellis=0 / b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "weightp=smart / rc-lookahead=60"},
    {"libx264-slow",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=umh / subq=8 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=5 / direct-pred=auto / trellis=1 / b-pyramid=normal / mixed-refs=1 / weightb=1 / "
     "8x8dct=1 / fast-pskip=1 / weightp=smart / rc-lookahead=50"},
    {"libx264-slow_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=2 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=auto / trellis=0 / "
     "b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / weightp=smart / "
     "rc-lookahead=50"},
    {"libx264-slower",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=umh / subq=9 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=8 / direct-pred=auto / trellis=2 / b-pyramid=normal / mixed-refs=1 / weightb=1 / "
     "8x8dct=1 / fast-pskip=1 / weightp=smart / rc-lookahead=60"},
    {"libx264-slower_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=2 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=auto / trellis=0 / "
     "b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / weightp=smart / "
     "rc-lookahead=60"},
    {"libx264-slowfirstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=umh / subq=8 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=10 / qmax=51 / qdiff=4 / bf=3 / "
     "refs=4 / direct-pred=auto / trellis=1 / mixed-refs=1 / weightb=1 / 8x8dct=1 / "
     "fast-pskip=1 / weightp=smart / fastfirstpass=0"},
    {"libx264-superfast",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4 / me_method=dia / "
     "subq=1 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / "
     "b_strategy=1 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / "
     "direct-pred=spatial / trellis=0 / b-pyramid=normal / mixed-refs=0 / weightb=1 / "
     "8x8dct=1 / fast-pskip=1 / mbtree=0 / weightp=simple / rc-lookahead=0"},
    {"libx264-superfast_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=1 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=spatial / "
     "trellis=0 / b-pyramid=normal / mixed-refs=0 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "mbtree=0 / weightp=simple / rc-lookahead=0"},
    {"libx264-ultrafast",
     "coder=cavlc / cmp=+chroma / partitions=none / me_method=dia / subq=0 / me_range=16 / "
     "g=250 / keyint_min=25 / sc_threshold=0 / i_qfactor=0.71 / b_strategy=0 / qcomp=0.6 / "
     "qmin=0 / qmax=69 / qdiff=4 / bf=0 / refs=1 / direct-pred=spatial / trellis=0 / "
     "b-pyramid=none / mixed-refs=0 / weightb=0 / 8x8dct=0 / fast-pskip=1 / mbtree=0 / "
     "weightp=none / aq-mode=none / rc-lookahead=0 / x264-params=no-deblock=1"},
    {"libx264-ultrafast_firstpass",
     "coder=cavlc / cmp=+chroma / partitions=none / me_method=dia / subq=0 / me_range=16 / "
     "g=250 / keyint_min=25 / sc_threshold=0 / i_qfactor=0.71 / b_strategy=0 / qcomp=0.6 / "
     "qmin=0 / qmax=69 / qdiff=4 / bf=0 / refs=1 / direct-pred=spatial / trellis=0 / "
     "b-pyramid=none / mixed-refs=0 / weightb=0 / 8x8dct=0 / fast-pskip=1 / mbtree=0 / "
     "weightp=none / aq-mode=none / rc-lookahead=0 / x264-params=no-deblock=1"},
    {"libx264-veryfast",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,b8x8 / "
     "me_method=hex / subq=2 / me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=1 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / "
     "refs=1 / direct-pred=spatial / trellis=0 / b-pyramid=normal / mixed-refs=0 / "
     "weightb=1 / 8x8dct=1 / fast-pskip=1 / weightp=simple / rc-lookahead=10"},
    {"libx264-veryfast_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=16 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=1 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=3 / refs=1 / direct-pred=spatial / "
     "trellis=0 / b-pyramid=normal / mixed-refs=0 / weightb=1 / 8x8dct=0 / fast-pskip=1 / "
     "weightp=simple / rc-lookahead=10"},
    {"libx264-veryslow",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=i8x8,i4x4,p8x8,p4x4,b8x8 / "
     "me_method=umh / subq=10 / me_range=24 / g=250 / keyint_min=25 / sc_threshold=40 / "
     "i_qfactor=0.71 / b_strategy=2 / qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=8 / "
     "refs=16 / direct-pred=auto / trellis=2 / b-pyramid=normal / mixed-refs=1 / weightb=1 / "
     "8x8dct=1 / fast-pskip=1 / weightp=smart / rc-lookahead=60"},
    {"libx264-veryslow_firstpass",
     "coder=cabac / flags=+loop / cmp=+chroma / partitions=none / me_method=dia / subq=2 / "
     "me_range=24 / g=250 / keyint_min=25 / sc_threshold=40 / i_qfactor=0.71 / b_strategy=2 / "
     "qcomp=0.6 / qmin=0 / qmax=69 / qdiff=4 / bf=8 / refs=1 / direct-pred=auto / trellis=0 / "
     "b-pyramid=normal / mixed-refs=1 / weightb=1 / 8x8dct=0 / fast-pskip=1 / weightp=smart / "
     "rc-lookahead=60"},
};
// clang-format on

bool FindBuiltinPreset(const std::string& name, std::string* text) {
  for (const TBuiltinPreset& p : kBuiltinPresets) {
    if (strcasecmp(p.Name, name.c_str()) != 0) continue;
    std::string lines = p.Lines;
    text->clear();
    size_t start = 0;
    for (;;) {
      size_t sep = lines.find(" / ", start);
      *text += lines.substr(start, sep == std::string::npos ? sep : sep - start);
      if (sep == std::string::npos) break;
      *text += '\n';
      start = sep + 3;
    }
    return true;
  }
  return false;
}
