#!/usr/bin/env bash
# Writes seeds for fuzz_reduce into the folder given.
set -euo pipefail
exec python3 "$(dirname "$0")/legacy_seeds.py" reduce "${1:-build/fuzz/seeds/reduce}"
