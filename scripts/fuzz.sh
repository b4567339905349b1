#!/usr/bin/env bash
# Fuzzes the code that reads outside data (the REGEDIT4 parser, the picture
# decoders, the WAVE parser) with libFuzzer: builds tests/fuzz with clang in a
# build of its own and runs each target for the given seconds (default 60),
# starting from the corpus kept in the tree (tests/fuzz/corpus/<target>/) and
# small seeds cut from our generated assets. Prints each target's executions
# and coverage; a failure keeps its input under crashes/ in the build (it
# belongs in the unit tests) and makes the script fail.
#   scripts/fuzz.sh [seconds]          a short run; the tree is left as it is
#   scripts/fuzz.sh --long [seconds]   before a release (default 600 s per
#       target): then merges what the runs found back into the tree's corpus,
#       minimised with -merge=1; commit the result
# Build dir: $VELMO_FUZZ_DIR or build-fuzz/. Run it niced on a shared machine.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
long=0
if [ "${1:-}" = --long ]; then
  long=1
  shift
fi
seconds="${1:-$([ "$long" = 1 ] && echo 600 || echo 60)}"
build="${VELMO_FUZZ_DIR:-$here/build-fuzz}"
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (scripts/setup.sh installs it)" >&2; exit 1; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVELMO_FUZZ=ON -DVELMO_TESTS=OFF -DVELMO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --target velmo_fuzz

# Seeds: small cuts of what the decoders meet in the program, and settings
# files as the store writes them and as people edit them.
assets="$build/assets"
seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/pictures" "$seeds/wave"
cp "$here/tests/fuzz/seeds/reg_text" -r "$seeds/reg_text"
cp "$assets/ddani1bird.bmp" "$assets/ddani1birds_small.bmp" "$seeds/pictures/"
convert "$assets/image1ground.jpg" -crop 48x24+0+0 +repage -quality 80 "$seeds/pictures/sky.jpg"
convert "$assets/image1ground.jpg" -crop 40x16+400+200 +repage -interlace Plane "$seeds/pictures/progressive.jpg"
convert "$assets/image1ground.jpg" -crop 24x16+700+300 +repage -colorspace Gray "$seeds/pictures/grey.jpg"
convert "$assets/prev_bitmap.bmp" -crop 40x20+60+40 +repage -compress None BMP3:"$seeds/pictures/preview.bmp"
convert "$assets/prev_bitmap.bmp" -crop 16x8+60+40 +repage -type TrueColor BMP3:"$seeds/pictures/truecolour.bmp"
convert "$assets/ddbmp1stone.bmp" -crop 64x24+300+150 +repage -compress RLE BMP3:"$seeds/pictures/rocks.bmp"
# The sound track cut to its first few hundred sample frames, sizes mended.
python3 - "$assets/soundname.wav" "$seeds/wave/sound.wav" <<'PY'
import struct, sys
src = open(sys.argv[1], 'rb').read()
out, at = [], 12
while at + 8 <= len(src):
    tag, size = src[at:at + 4], struct.unpack('<I', src[at + 4:at + 8])[0]
    body = src[at + 8:at + 8 + size]
    if tag == b'data': body = body[:1500]
    out.append(tag + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b''))
    at += 8 + size + (size & 1)
body = b'WAVE' + b''.join(out)
open(sys.argv[2], 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY

status=0
mkdir -p "$build/crashes"
for target in reg_text pictures wave; do
  kept="$here/tests/fuzz/corpus/$target"
  corpus="$build/corpus/$target"  # what this build's runs found
  mkdir -p "$corpus" "$kept"
  log="$build/fuzz_$target.log"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" "$corpus" "$kept" "$seeds/$target" >"$log" 2>&1; then
    echo "fuzz_$target FOUND A FAILURE (input in $build/crashes/):" >&2
    grep -E "ERROR|SUMMARY|Test unit written" "$log" >&2 || tail -n 30 "$log" >&2
    status=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -E "^#[0-9]+" "$log" | grep -o "cov: [0-9]*" | tail -n 1)
  ft=$(grep -E "^#[0-9]+" "$log" | grep -o "ft: [0-9]*" | tail -n 1)
  echo "fuzz_$target: ${seconds}s, $runs executions, $cov edges, $ft features, corpus $(ls "$corpus" | wc -l) inputs"
  if [ "$long" = 1 ]; then
    # The smallest set of inputs that covers all the runs and the seeds did.
    merged="$build/merged/$target"
    rm -rf "$merged" && mkdir -p "$merged"
    "$build/fuzz_$target" -merge=1 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
      "$merged" "$kept" "$corpus" "$seeds/$target" >"$build/merge_$target.log" 2>&1
    find "$kept" -type f -delete
    cp "$merged"/* "$kept/"
    echo "  tests/fuzz/corpus/$target: $(ls "$kept" | wc -l) inputs, $(du -sk --apparent-size "$kept" | cut -f1) KiB"
  fi
done
exit "$status"
