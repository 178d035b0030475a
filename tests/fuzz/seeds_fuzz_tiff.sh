#!/usr/bin/env bash
# Writes seed pictures for fuzz_tiff into the folder given.
set -euo pipefail
exec python3 "$(dirname "$0")/picture_seeds.py" tiff "${1:-build/fuzz/seeds/tiff}"
