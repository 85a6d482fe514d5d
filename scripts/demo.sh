#!/usr/bin/env bash
# Sets up the machine, builds, and runs the main job: the demo instrument, written in the
# text form of a patch, is built into a copy of the plug-in and plays a MIDI phrase through
# the command-line host to out/demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

mkdir -p out
build/korvane-patch build demo/korvane-demo.json -o out/korvane-demo.so
build/korvane-patch check out/korvane-demo.so
build/korvane-host info out/korvane-demo.so
build/korvane-host render out/korvane-demo.so --midi demo/phrase.mid --no-progress -o out/demo.wav
echo "wrote out/demo.wav"
