#!/usr/bin/env bash
# Makes the demo's sample pictures with ImageMagick, deterministically:
# landscapes that look like photographs (sky, sun, clouds, two ranges of
# hills, a lake that mirrors them, film grain), as JPEGs at the sizes cameras
# and phones make, so that the demo also shows large pictures being fitted.
# Usage: scripts/make-samples.sh FOLDER
# Uses no fonts: the show's captions come from the runtime itself.
set -euo pipefail
out=${1:?folder}
mkdir -p "$out"

# name          size       seed sky top   sky low   sun        far hills         near hills        hour
samples=(
  "01-lakeside   4000x3000  11   #3b6fb0  #cfe0f0  0.70,0.22  #6d7f8f-#8d9fae  #2f4a2a-#5c7a3c"
  "02-evening    4032x3024  23   #2b2f5e  #f0a060  0.35,0.42  #5a4a66-#7a6678  #2a2230-#4a3a40"
  "03-highlands  6000x4000  37   #4d86c6  #e4eef6  0.15,0.15  #7b8a99-#a0adb8  #3d5a2c-#70884a"
  "04-portrait   3024x4032  41   #5a8cc8  #dfe8f0  0.60,0.18  #708090-#95a5b5  #34502c-#62803e"
  "05-morning    1920x1080  53   #86a8d0  #f6e2c0  0.82,0.35  #8a96a6-#aab4c2  #47603a-#7d9456"
)

for sample in "${samples[@]}"; do
  read -r name size seed top low sun far near <<<"$sample"
  file="$out/$name.jpg"
  [ -f "$file" ] && continue
  W=${size%x*}
  H=${size#*x}
  # The scene is drawn at a quarter of the size and enlarged, then given
  # grain at full size, as a camera's sensor would.
  w=$(( W / 4 )); h=$(( H / 4 ))
  sx=$(awk -v s="${sun%,*}" -v w="$w" 'BEGIN { printf "%d", s * w }')
  sy=$(awk -v s="${sun#*,}" -v h="$h" 'BEGIN { printf "%d", s * h }')
  r=$(( (w < h ? w : h) / 18 ))
  shore=$(( h * 74 / 100 ))
  # Ridge lines: y of the hills' top at column i, as a sum of waves whose
  # phases come from the seed.
  ridge() {  # BASE AMPLITUDE PHASE
    echo "$1 + $2 * (0.6*sin(6.2832*(i/w*1.3+$3)) + 0.3*sin(6.2832*(i/w*3.7+$3*2)) + 0.12*sin(6.2832*(i/w*11+$3*5)))"
  }
  p1=$(awk -v s="$seed" 'BEGIN { printf "%.3f", (s * 0.137) % 1 }')
  p2=$(awk -v s="$seed" 'BEGIN { printf "%.3f", (s * 0.291) % 1 }')
  tmp=$(mktemp -d)
  # A mask that is white below a ridge line: a ramp down the picture minus
  # the line's height in each column (one row, stretched), above zero.
  mask() {  # FILE RIDGE
    convert -size "${w}x${h}" gradient:black-white \( -size "${w}x1" xc:black -fx "$2" -scale "${w}x${h}!" \) \
      -compose minus_src -composite -threshold 0 -blur 0x0.7 "$1"
  }
  mask "$tmp/far.png" "$(ridge 0.50 0.07 "$p1")"
  mask "$tmp/near.png" "$(ridge 0.60 0.05 "$p2")"
  convert -size "${w}x${h}" xc:black -fill white -draw "rectangle 0,$shore $w,$h" "$tmp/lake.png"
  hills() {  # COLOURS MASK: a textured range, coloured from dark to light
    echo "( -size ${w}x${h} plasma:fractal -colorspace gray -blur 0x1.2 -auto-level -sigmoidal-contrast 4x50% +level-colors ${1%-*},${1#*-} $2 -alpha off -compose copy_opacity -composite )"
  }
  # shellcheck disable=SC2046
  convert -seed "$seed" \
    \( -size "${w}x${h}" "gradient:$top-$low" \) \
    \( -size "${w}x${h}" xc:none -fill '#fff4c8' -draw "circle $sx,$sy $((sx + r)),$sy" -blur 0x$((r / 2 + 1)) \) \
    -compose screen -composite \
    \( -size "${w}x${h}" xc:white \
       \( -size "${w}x${h}" plasma:fractal -colorspace gray -blur 0x4 -level 55%,95% \
          \( -size "${w}x${h}" gradient:white-black -level 0%,60% \) -compose multiply -composite \) \
       -alpha off -compose copy_opacity -composite \) \
    -compose over -composite \
    $(hills "$far" "$tmp/far.png") -compose over -composite \
    $(hills "$near" "$tmp/near.png") -compose over -composite \
    \( +clone -flip -roll +0+$(( 2 * shore - h )) -modulate 80,90 -fill '#1d3550' -colorize 25% -motion-blur 0x6+0 \
       "$tmp/lake.png" -alpha off -compose copy_opacity -composite \) \
    -compose over -composite \
    -filter Lanczos -resize "${W}x${H}!" -attenuate 0.35 +noise Gaussian \
    -sampling-factor 2x2 -quality 92 "$file"
  rm -rf "$tmp"
done
