#!/usr/bin/env bash
# Writes a small seed corpus of settings files for fuzz_ini into the folder
# given (default: build/fuzz/seeds/ini).
set -euo pipefail
out="${1:-build/fuzz/seeds/ini}"
mkdir -p "$out"
printf '[Set]\r\nImageInterval=0x0A\r\nPlayMusic=yes\r\nuseeffects=1,2,3,\r\nScrName=Demo\r\n\r\n[Caption]\r\nPosition=7\r\nFontName=Arial\r\n\r\n[Pictures]\r\na**b.jpg=1\r\n(Resource) logo.png=1\r\n\r\n[zippos]\r\na**b.jpg_1=100\r\na**b.jpg_2=200\r\n' > "$out/settings.ini"
printf '[set]\rimageinterval = 5 \rno equals\r;comment\r[SET]\rImageInterval=9\r' > "$out/cr_only.ini"
printf 'key=before\n[]\n=x\n[Set]\nImageSize=258\n[Set\nBackgroundColor=-1' > "$out/odd.ini"
