#!/usr/bin/env bash
# Speed of the transcoding pipeline against the FFmpeg command-line tool on the same machine:
# a 10-minute 16-bit stereo 44.1 kHz WAV to FLAC, and the same music as a 192 kbit/s MP3 to
# FLAC. Both sides use the same FFmpeg libraries, so the difference is the converter's own
# overhead. Prints CPU time (user + system) and peak memory of each side and their ratios; the
# goal is CPU at most 1.05 x and memory at most 1.2 x the tool's.
#
#   bench/pipeline_bench.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR defaults to "build" (the driver is built there); RUNS (default 5) repeats each
# measurement and keeps the fastest.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
RUNS="${2:-5}"
MEASURE="python3 bench/measure.py"

cmake --build "$BUILD_DIR" --target convert_driver -j2 >/dev/null
DRIVER="$BUILD_DIR/bin/convert_driver"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

echo "Making the inputs in $WORK ..."
# Music-like material: two tones under pink noise, different per channel.
ffmpeg -nostdin -v error -y \
  -f lavfi -i "sine=frequency=220:sample_rate=44100:duration=600" \
  -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=600" \
  -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:amplitude=0.2:duration=600:seed=1" \
  -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:amplitude=0.2:duration=600:seed=2" \
  -filter_complex "[0][2]amix=inputs=2:normalize=0[l];[1][3]amix=inputs=2:normalize=0[r];[l][r]join=inputs=2:channel_layout=stereo" \
  -c:a pcm_s16le "$WORK/music.wav"
ffmpeg -nostdin -v error -y -i "$WORK/music.wav" -c:a libmp3lame -b:a 192k "$WORK/music.mp3"

# One measurement: "cpu rss" of the command.
measure() {
  local line
  line="$($MEASURE run -- "$@")"
  echo "$(sed -E 's/.* cpu=([0-9.]+).*/\1/' <<<"$line") $(sed -E 's/.* rss_mib=([0-9.]+).*/\1/' <<<"$line")"
}

# The two sides run in turns, so that load from elsewhere on the machine hits both alike; each
# side keeps its fastest run (and that run's peak memory).
compare() {
  local name="$1" input="$2"
  local ours="$WORK/ours.flac" tool="$WORK/tool.flac"
  local ocpu="" orss="" tcpu="" trss="" cpu rss
  for _ in $(seq "$RUNS"); do
    read -r cpu rss < <(measure "$DRIVER" "$input" "$ours" "acodec=flac<CRLF>ac=2<CRLF>ar=44100")
    if [ -z "$ocpu" ] || awk "BEGIN{exit !($cpu < $ocpu)}"; then ocpu="$cpu"; orss="$rss"; fi
    # The tool would pick 32-bit samples (24-bit FLAC) for a float source such as MP3; the
    # converter writes 16-bit FLAC from it, so the tool is asked for the same.
    read -r cpu rss < <(measure ffmpeg -nostdin -v error -y -i "$input" -c:a flac -ac 2 -ar 44100 \
      -sample_fmt s16 "$tool")
    if [ -z "$tcpu" ] || awk "BEGIN{exit !($cpu < $tcpu)}"; then tcpu="$cpu"; trss="$rss"; fi
  done
  local same="no"
  if [ "$(ffmpeg -nostdin -v error -i "$ours" -f s16le - | md5sum)" = \
       "$(ffmpeg -nostdin -v error -i "$tool" -f s16le - | md5sum)" ]; then same="yes"; fi
  awk -v n="$name" -v oc="$ocpu" -v tc="$tcpu" -v orr="$orss" -v tr="$trss" -v s="$same" 'BEGIN{
    printf "%-12s cpu ours=%.2fs ffmpeg=%.2fs ratio=%.3f (goal <= 1.05)   peak memory ours=%.1fMiB ffmpeg=%.1fMiB ratio=%.3f (goal <= 1.2)   same samples: %s\n",
      n, oc, tc, oc / tc, orr, tr, orr / tr, s }'
}

echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
compare "WAV to FLAC" "$WORK/music.wav"
compare "MP3 to FLAC" "$WORK/music.mp3"
