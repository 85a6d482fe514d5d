#!/usr/bin/env bash
# The peer race: the "polyN" workload of the shared peer bench, rendered by the peers and by
# Korvane in one run, side by side (bench/README.md records the tables).
#
#   bash bench/peer/run.sh                      # all peers and ours, 3 reps, poly1/16/64
#   PEERS="scsynth faust-native ours" REPS=5 bash bench/peer/run.sh
#   WORKLOADS="poly16 poly64" bash bench/peer/run.sh
#
# Ours: bench/peer/ours_workload.py turns each workload's note schedule into a patch in the
# text form and a MIDI file; korvane-patch builds the patch into a copy of the plug-in, and
# korvane-host renders the MIDI file through it offline (48 kHz, host blocks of 512), timed
# like every peer (user+sys CPU of the whole process, start-up included).
#
# The peer bench's folder is only read: it is copied to $WORK/peerbench, and the copy's
# runner gets our build step and our command line. Peers need Debian packages:
#   apt-get install csound puredata-core puredata-extra faust supercollider-server time sox
# (INSTALL_PEERS=1 installs them). Our tools are built in $KV_BUILD (default build/, the
# README's build; configured and built here when missing).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
PEERBENCH=${PEERBENCH:-$ROOT/../shared/peerbench}
WORK=${WORK:-/tmp/peerbench}
KV_BUILD=${KV_BUILD:-$ROOT/build}
export WORK

[ -x "$PEERBENCH/run_all.sh" ] || { echo "no peer bench at $PEERBENCH (set PEERBENCH)" >&2; exit 1; }
if [ -n "${INSTALL_PEERS:-}" ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y csound puredata-core puredata-extra faust \
    supercollider-server time sox g++ >/dev/null
fi

if [ ! -f "$KV_BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$KV_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$KV_BUILD" -j "$(nproc)" --target korvane korvane-host korvane-patch >/dev/null

# The runner's copy, with our two additions; each edit is checked so that a changed runner
# fails loudly here instead of racing without us.
SRC=$WORK/peerbench
rm -rf "$SRC"; mkdir -p "$WORK"; cp -r "$PEERBENCH" "$SRC"; chmod -R u+w "$SRC"
RUNNER=$SRC/run_all.sh
OURS_BUILD="\"\$PY\" \"$ROOT/bench/peer/ours_workload.py\" \"\$d/schedule.txt\" \"\$n\" \"\$d/ours\" \&\& \"$KV_BUILD/korvane-patch\" build \"\$d/ours/poly\$n.json\" -o \"\$d/ours/ours.so\" >/dev/null"
OURS_CMD="$KV_BUILD/korvane-host render \$d/ours/ours.so --midi \$d/ours/notes.mid --rate 48000 --block 512 --seconds \$DUR --tail 0 --no-progress -o \$OUT/\${p}_\$w.wav"
sed -i \
  -e "s|^\(    rm -rf \"\$d\"; \"\$PY\" gen/gen.py \"\$d\" \"\$n\" \"\$DUR\"\)\$|\1\n    $OURS_BUILD|" \
  -e "s|^\(    kernel-scalar) echo .*\)\$|    ours)          echo \"$OURS_CMD\" ;;\n\1|" \
  -e "s|^PEERS=\${PEERS:-\"\(.*\)\"}|PEERS=\${PEERS:-\"\1 ours\"}|" \
  "$RUNNER"
grep -q 'ours_workload.py' "$RUNNER" && grep -q '^    ours)' "$RUNNER" && grep -q ' ours"}' "$RUNNER" || {
  echo "the peer bench's runner has changed shape; bench/peer/run.sh needs updating" >&2; exit 1; }

bash "$RUNNER"
echo
echo "results: $WORK/results (table.md, raw.csv, sanity.txt, versions.txt)"
