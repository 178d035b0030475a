#!/usr/bin/env bash
# Makes the demo's sample pictures (ImageMagick), deterministically.
# Usage: scripts/make-samples.sh FOLDER
set -euo pipefail
out=${1:?folder}
mkdir -p "$out"
i=0
for sample in "gradient:#1e3c72-#2a5298 Dawn" "gradient:#f7971e-#ffd200 Noon" \
            "gradient:#134e5e-#71b280 Forest" "gradient:#8e2de2-#4a00e0 Dusk" \
            "plasma:steelblue-navy Tide"; do
  i=$((i + 1))
  fill=${sample% *}
  label=${sample##* }
  file="$out/$(printf '%02d' "$i")-$(echo "$label" | tr 'A-Z' 'a-z').jpg"
  [ -f "$file" ] && continue
  convert -seed 7 -size 800x600 "$fill" -gravity center -pointsize 96 -fill white \
    -stroke black -strokewidth 2 -annotate 0 "$label" -quality 90 "$file"
done
