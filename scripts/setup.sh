#!/usr/bin/env bash
# Installs every Debian package the build, the tools and the tests need.
# Idempotent: prints nothing and touches nothing when all packages are present.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config binutils file
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxext-dev libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev
  libsndfile1-dev nlohmann-json3-dev
  # tests: display, fonts, sanitizers and fuzzers
  xvfb xauth libxtst-dev fonts-dejavu-core clang-14 libclang-rt-14-dev llvm-14
  # independent references used by tests
  sox libsox-fmt-all sndfile-programs midicsv bc gdb
  # real third-party VST 2 plug-ins for hosting tests
  dpf-plugins-vst dragonfly-reverb-vst
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
