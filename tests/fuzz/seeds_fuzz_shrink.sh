#!/usr/bin/env bash
# Writes seeds for fuzz_shrink into the folder given.
set -euo pipefail
exec python3 "$(dirname "$0")/legacy_seeds.py" shrink "${1:-build/fuzz/seeds/shrink}"
