#!/usr/bin/env bash
# Batch benchmark: 40 generated 30-second stereo WAV files to FLAC.
#   ours:      brenvoflac-cli with 1 and 2 threads (one process for the whole batch)
#   baseline:  the FFmpeg command-line tool once per file, two at a time
# and the peak memory of 19 files on 19 threads. Prints the figures and the ratios.
# Usage: bench/cli_bench.sh [build-dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
CLI="$BUILD/bin/brenvoflac-cli"
MEASURE="bench/measure.py"
[ -x "$CLI" ] || { echo "build first: $CLI is missing" >&2; exit 1; }

WORK=$(mktemp -d /tmp/brenvo-bench-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/out1" "$WORK/out2" "$WORK/base" "$WORK/out19" "$WORK/in19"

echo "Generating 40 WAV files of 30 s ..."
for i in $(seq -w 1 40); do
  ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$((200 + 10#$i * 7)):sample_rate=44100:duration=30" \
    -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:duration=30:amplitude=0.1" \
    -filter_complex "[0][1]amerge=inputs=2" -c:a pcm_s16le "$WORK/in/f$i.wav"
done
for i in $(seq -w 1 19); do cp "$WORK/in/f$i.wav" "$WORK/in19/"; done

# Same output as ours: FLAC at the source's rate and channels.
line() { grep -o "$2=[0-9.]*" <<<"$1" | cut -d= -f2; }
run() { python3 "$MEASURE" "$@"; }

ours1=$(run ours-1-thread -- "$CLI" -o "$WORK/out1" --sample-rate 44100 -j 1 "$WORK/in")
ours2=$(run ours-2-threads -- "$CLI" -o "$WORK/out2" --sample-rate 44100 -j 2 "$WORK/in")
base=$(run ffmpeg-2-at-a-time -- bash -c "ls '$WORK'/in/*.wav | xargs -P 2 -I{} sh -c \
  'ffmpeg -nostdin -v error -y -i \"{}\" -c:a flac \"$WORK/base/\$(basename \"{}\" .wav).flac\"'")
mem=$(run ours-19-files-19-threads -- "$CLI" -o "$WORK/out19" --sample-rate 44100 -j 19 "$WORK/in19")

printf '%s\n%s\n%s\n%s\n' "$ours1" "$ours2" "$base" "$mem"
w1=$(line "$ours1" wall); w2=$(line "$ours2" wall); wb=$(line "$base" wall)
rss19=$(line "$mem" rss_mib)
n=$(ls "$WORK/out2"/*.flac | wc -l)
python3 - "$w1" "$w2" "$wb" "$rss19" "$n" <<'PY'
import sys
w1, w2, wb, rss, n = map(float, sys.argv[1:])
print(f"outputs written (2 threads): {int(n)} of 40")
print(f"wall, ours 2 threads / ffmpeg per file: {w2 / wb:.2f}  (goal <= 0.60)")
print(f"speed-up, 2 threads over 1 thread:     {w1 / w2:.2f}  (goal >= 1.70)")
print(f"peak memory, 19 files on 19 threads:   {rss:.1f} MiB  (goal < 250)")
PY
