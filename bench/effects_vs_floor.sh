#!/usr/bin/env bash
# One 1920 x 1080 frame of each built effect (old-screen copy, plan, region
# building, drawing) as a multiple of the floor of two full-frame memory copies timed
# in the same run, next to the nearest transition of ffmpeg's xfade filter
# (single thread, planar RGB): its per-frame cost is the time of 100 frames
# of xfade between two still pictures less the time of the same graph
# without xfade, each the fastest of three runs.
#   bench/effects_vs_floor.sh [BUILD_DIR] [REPETITIONS] [PASSES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
reps=${2:-5}
passes=${3:-3}
exe="$build/bench/bench_effect_frames"
[ -x "$exe" ] || { echo "effects_vs_floor.sh: $exe not built (cmake --build --preset linux)" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "effects_vs_floor.sh: ffmpeg is not installed (scripts/setup.sh bench)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$exe" --reps "$reps" --passes "$passes" >"$work/ours.csv"

# The nearest xfade transition of each effect.
counterpart() {
  case $1 in
    1 | 2 | 7 | 8 | 9 | 10 | 13) echo squeezeh ;;
    18 | 19 | 24 | 25 | 26 | 27 | 30) echo squeezev ;;
    35 | 36 | 37 | 38 | 47 | 48 | 49 | 50 | 51 | 52 | 56) echo zoomin ;;
    3 | 39 | 40 | 57 | 129 | 131) echo slideleft ;;
    4 | 41 | 42 | 128 | 130) echo slideright ;;
    20 | 133 | 135) echo slideup ;;
    21 | 132 | 134) echo slidedown ;;
    5 | 14 | 16) echo wiperight ;;
    6 | 15 | 17) echo wipeleft ;;
    22 | 31 | 33) echo wipedown ;;
    23 | 32 | 34) echo wipeup ;;
    11) echo vertopen ;;
    12) echo vertclose ;;
    28) echo horzopen ;;
    29) echo horzclose ;;
    43 | 55) echo wipetl ;;
    44) echo wipebl ;;
    45) echo wipebr ;;
    46) echo wipetr ;;
    53 | 54) echo rectcrop ;;
    60 | 62 | 64 | 139 | 146) echo hlslice ;;
    61 | 63 | 138 | 145) echo hrslice ;;
    71 | 73 | 75 | 141 | 148) echo vuslice ;;
    72 | 74 | 140 | 147) echo vdslice ;;
    86 | 87 | 88 | 89 | 90 | 91 | 92 | 93 | 94 | 95 | 96 | 97 | 98 | 99 | 142) echo pixelize ;;
    136) echo hrslice ;;
    137) echo vdslice ;;
    58 | 80 | 82) echo smoothright ;;
    59 | 81 | 83) echo smoothleft ;;
    69) echo smoothdown ;;
    70) echo smoothup ;;
    84) echo circleopen ;;
    85) echo circleclose ;;
    110 | 117) echo diagtl ;;
    111) echo diagtr ;;
    112) echo diagbl ;;
    113) echo diagbr ;;
    114 | 115) echo wipetl ;;
    116 | 143 | 144) echo radial ;;
    118 | 119 | 120 | 121 | 122) echo fade ;;
    149 | 150) echo circlecrop ;;
    65 | 104) echo wipeleft ;;
    66 | 105) echo wiperight ;;
    76 | 106) echo wipeup ;;
    77 | 107) echo wipedown ;;
    67) echo vertopen ;;
    68) echo vertclose ;;
    78) echo horzopen ;;
    79) echo horzclose ;;
    100) echo wipebr ;;
    101) echo wipetr ;;
    102) echo wipebl ;;
    103) echo wipetl ;;
    108 | 109) echo rectcrop ;;
    123 | 124 | 125 | 126 | 127) echo dissolve ;;
    *) echo "" ;;
  esac
}

# Two still pictures as raw planar RGB frames.
ffq=(ffmpeg -hide_banner -nostdin -loglevel error -y)
"${ffq[@]}" -f lavfi -i "testsrc2=s=1920x1080:r=1" -frames:v 1 -pix_fmt gbrp -f rawvideo "$work/a.raw"
"${ffq[@]}" -f lavfi -i "mandelbrot=s=1920x1080:r=1" -frames:v 1 -pix_fmt gbrp -f rawvideo "$work/b.raw"
input=(-f rawvideo -pix_fmt gbrp -s 1920x1080 -framerate 25)
stills="[0:v]loop=loop=99:size=1:start=0,setpts=N/25/TB[a];[1:v]loop=loop=99:size=1:start=0,setpts=N/25/TB[b]"

# Fastest wall time, in seconds, of three runs of 100 frames with the given
# filter graph and output mapping.
ffmpeg_seconds() {
  local graph=$1
  shift
  local best="" t
  for _ in 1 2 3; do
    t=$(ffmpeg -hide_banner -nostdin -benchmark -threads 1 -filter_threads 1 \
      "${input[@]}" -i "$work/a.raw" "${input[@]}" -i "$work/b.raw" \
      -filter_complex "$graph" "$@" -fps_mode passthrough -frames:v 100 -f null - 2>&1 |
      tr '\r' '\n' | sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p' | tail -1)
    [ -n "$t" ] || { echo "effects_vs_floor.sh: ffmpeg gave no timing for: $graph" >&2; exit 1; }
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

base=$(ffmpeg_seconds "$stills" -map "[a]" -map "[b]")
declare -A xfade_ms
for n in $(awk -F, '$1 == "effect" { print $2 }' "$work/ours.csv"); do
  t=$(counterpart "$n")
  [ -n "$t" ] && [ -z "${xfade_ms[$t]+x}" ] || continue
  s=$(ffmpeg_seconds "$stills;[a][b]xfade=transition=$t:duration=4:offset=0[v]" -map "[v]")
  xfade_ms[$t]=$(awk -v s="$s" -v b="$base" 'BEGIN { printf "%.3f", (s - b) * 1000 / 100 }')
done
for t in "${!xfade_ms[@]}"; do echo "xfade,$t,${xfade_ms[$t]}"; done >>"$work/ours.csv"
for n in $(seq 1 150); do echo "pair,$n,$(counterpart "$n")"; done >>"$work/ours.csv"

awk -F, '
  $1 == "effect" { n[++k] = $2; ms[k] = $3; worst[k] = $4; fl[k] = $5; name[k] = $6; floors[k] = $5 }
  $1 == "floor" { lowest = $2 }
  $1 == "xfade" { x[$2] = $3 }
  $1 == "pair" { pair[$2] = $3 }
  END {
    # The xfade ratios are taken to the median of the run'"'"'s floors.
    m = k; for (i = 1; i <= m; ++i) s[i] = floors[i]
    for (i = 1; i <= m; ++i) for (j = i + 1; j <= m; ++j) if (s[j] < s[i]) { t = s[i]; s[i] = s[j]; s[j] = t }
    median = m % 2 ? s[(m + 1) / 2] : (s[m / 2] + s[m / 2 + 1]) / 2
    printf "%-4s %-42s %9s %8s %9s   %-11s %9s %8s\n", "no.", "effect", "ms/frame", "x floor", "slowest", "xfade", "ms/frame", "x floor"
    within = 0
    for (i = 1; i <= k; ++i) {
      r = ms[i] / fl[i]; if (r <= 2) ++within
      t = pair[n[i]]
      if (t != "" && (t in x)) xr = sprintf("%-11s %9.3f %8.2f", t, x[t], x[t] / median); else xr = "-"
      printf "%-4d %-42s %9.3f %8.2f %9.2f   %s\n", n[i], substr(name[i], 1, 42), ms[i], r, worst[i] / fl[i], xr
    }
    printf "floor (two 1920x1080 frame copies): lowest %.3f ms, median %.3f ms\n", lowest, median
    printf "%d of %d effects within twice the floor (mean over progress 4, 8, ..., 96)\n", within, k
  }' "$work/ours.csv"
