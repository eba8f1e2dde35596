#!/usr/bin/env bash
# The copy benchmark: builds, makes about 1 GiB of files under the install
# list's names in a private Wine prefix (build/x86_64/bench) and copies them
# four ways with the x86_64 copy_benchmark.exe: CopyFileA, a plain 64 KiB
# fread/fwrite loop, SetupEngine::CopyFileChecked and
# SetupEngine::CopyWithProgress (and, to tell where its time goes, the same
# copy without its thread and wait loop). Prints MB/s for each, the CPU
# time spent, the ratios and the targets; removes the files afterwards.
#
#   sudo bash scripts/benchmark.sh [ROUNDS]
#
# Every way runs ROUNDS times (default 5) on a warm cache (the program reads
# the sources once before it copies), then ROUNDS times on a cold cache (the
# page cache dropped before each run: needs root; without it the cold pass is
# left out and the script says so). The report gives the median of the runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
rounds=${1:-5}
case $rounds in '' | *[!0-9]* | 0) echo "usage: $0 [ROUNDS]" >&2; exit 2 ;; esac

bash scripts/setup.sh
bash scripts/build.sh >/dev/null

. scripts/wine-env.sh
dir=$root/build/x86_64/bench
exe=$root/build/x86_64/bin/copy_benchmark.exe
mkdir -p "$dir"
wine_user_can_reach "$dir"
wine_prefix_ready "$dir" >/dev/null

# The files live on the prefix's C: drive, which the Wine user owns.
data_win='C:\copybench'
data_unix=$dir/prefix/drive_c/copybench
cleanup() { rm -rf "$data_unix"; }
trap cleanup EXIT

bench() { wine_exec "$dir" "$WINE_BIN" "$exe" "$@"; }

# The host process id of this prefix's wineserver (started by
# wine_prefix_ready), so the program can add its CPU time; empty if not found.
server_pid() {
  local pid
  for pid in $(pgrep -x 'wineserver(64)?' || true); do
    if grep -qzxF "WINEPREFIX=$dir/prefix" "/proc/$pid/environ" 2>/dev/null; then
      echo "$pid"
      return
    fi
  done
}

drop_cache() {
  sync
  { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "copy benchmark: $(nproc) cores, $("$WINE_BIN" --version), $rounds round(s); load average $(load)"
echo "a line a run: pass, way, MB/s, seconds, cpu (seconds) of the calling thread, the process, the wineserver, all else"
bench prepare "$data_win"
sync
server=$(server_pid)
[ -n "$server" ] || echo "wineserver of $dir/prefix not found: its CPU time is left out"

for ((r = 1; r <= rounds; r++)); do
  for way in 1 2 3 4 5; do
    sync
    bench run "$data_win" "$way" warm $server
  done
done

if drop_cache; then
  for ((r = 1; r <= rounds; r++)); do
    for way in 1 2 3 4 5; do
      drop_cache
      bench run "$data_win" "$way" cold $server
    done
  done
else
  echo "cold pass left out: the page cache could not be dropped here (/proc/sys/vm/drop_caches not writable)"
fi

bench report "$data_win"
echo "load average at the end: $(load)"
