#!/usr/bin/env bash
# Writes seeds for fuzz_implode into the folder given.
set -euo pipefail
exec python3 "$(dirname "$0")/legacy_seeds.py" implode "${1:-build/fuzz/seeds/implode}"
