#!/usr/bin/env bash
# Sets up the machine, builds, and runs the main job: renders a short phrase through
# a VST 2 plug-in with the command-line host, to out/demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

mkdir -p out
build/korvane-host info build/korvane.so
build/korvane-host info /usr/lib/vst/Kars-vst.so
build/korvane-host render /usr/lib/vst/Kars-vst.so --seconds 4 \
  --notes "60:0:0.5:100,64:0.5:0.5:100,67:1:0.5:100,72:1.5:1.5:110" -o out/demo.wav
echo "wrote out/demo.wav"
