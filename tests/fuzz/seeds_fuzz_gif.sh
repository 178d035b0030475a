#!/usr/bin/env bash
# Writes seed pictures for fuzz_gif into the folder given.
set -euo pipefail
exec python3 "$(dirname "$0")/picture_seeds.py" gif "${1:-build/fuzz/seeds/gif}"
