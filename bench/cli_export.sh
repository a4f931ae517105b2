#!/usr/bin/env bash
# Times `kyq-cli export` of the 32,767-record benchmark document from process start to exit,
# and measures its peak resident size. Budgets: 60 ms, 40 MiB.
#   bench/cli_export.sh [BUILD_DIR] [RUNS]
# BUILD_DIR (default build/bench) is configured and built here when it has no kyq-cli yet:
# Release, KYQ_BUILD_BENCH=ON. KYQ_BENCH_ENFORCE=1 makes a missed budget exit status 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
runs=${2:-20}
budget_ms=60
budget_kib=$((40 * 1024))

cli=$build/src/cli/kyq-cli
maker=$build/bench/make_large_document
if [ ! -x "$cli" ] || [ ! -x "$maker" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKYQ_BUILD_BENCH=ON -DKYQ_BUILD_TESTS=OFF \
        -DKYQ_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" --target kyq-cli make_large_document -j"$(nproc)" >/dev/null
fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time; scripts/deps.sh installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/large.kyq" >"$work/password"
echo "document: $(stat -c %s "$work/large.kyq") bytes, 32767 records"

# One untimed run: page cache, dynamic loader caches; and a check that the export works.
"$cli" export "$work/large.kyq" <"$work/password" >"$work/export.json"
entries=$(grep -c '^{"title"' "$work/export.json" || true)
if [ "$entries" -ne 32767 ]; then
  echo "export gave $entries records instead of 32767" >&2
  exit 1
fi

times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$cli" export "$work/large.kyq" <"$work/password" >/dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
done
mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
min_us=${sorted[0]}
median_us=${sorted[$(( runs / 2 ))]}

/usr/bin/time -v "$cli" export "$work/large.kyq" <"$work/password" >/dev/null 2>"$work/time.txt"
peak_kib=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")

median_ms=$(( (median_us + 500) / 1000 ))
missed=0
time_verdict=ok
memory_verdict=ok
[ "$median_ms" -le "$budget_ms" ] || { time_verdict=MISSED; missed=1; }
[ "$peak_kib" -le "$budget_kib" ] || { memory_verdict=MISSED; missed=1; }
printf 'kyq-cli export, start to exit: median %d.%03d ms, fastest %d.%03d ms over %d runs (budget %d ms): %s\n' \
  $((median_us / 1000)) $((median_us % 1000)) $((min_us / 1000)) $((min_us % 1000)) "$runs" "$budget_ms" "$time_verdict"
printf 'kyq-cli export, peak resident size: %d KiB = %d.%01d MiB (budget 40 MiB): %s\n' \
  "$peak_kib" $((peak_kib / 1024)) $(( (peak_kib % 1024) * 10 / 1024 )) "$memory_verdict"
if [ "$missed" -ne 0 ] && [ "${KYQ_BENCH_ENFORCE:-0}" = 1 ]; then
  exit 1
fi
