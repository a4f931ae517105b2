#!/usr/bin/env bash
# Times `kyq-cli export` of the 32,767-record benchmark document from process start to exit,
# side by side with bench/export_floor (read the file, take every value of its record
# stream, walk the records: what any export does at least), one run of each in turn, and
# prints the ratio of the medians. Also the peak resident size of the export, of an
# import of a CSV file with 2 million records (refused at the 32,768th), of one whose
# second line is 100 million commas (refused at its 1,025th field), and of one with a
# 100 MB cell in a column that is not imported (read and dropped).
# Budgets: 2.5 times the floor; 40 MiB for the export, 64 MiB for any import.
#   bench/cli_export.sh [BUILD_DIR] [RUNS]
# BUILD_DIR (default build/bench) is configured and built here when it lacks a program:
# Release, KYQ_BUILD_BENCH=ON. KYQ_BENCH_ENFORCE=1 makes a missed budget exit status 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
runs=${2:-31}
budget_ratio_percent=250
budget_export_kib=$((40 * 1024))
budget_import_kib=$((64 * 1024))

cli=$build/src/cli/kyq-cli
maker=$build/bench/make_large_document
floor=$build/bench/export_floor
if [ ! -x "$cli" ] || [ ! -x "$maker" ] || [ ! -x "$floor" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKYQ_BUILD_BENCH=ON -DKYQ_BUILD_TESTS=OFF \
        -DKYQ_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" --target kyq-cli make_large_document export_floor -j"$(nproc)" >/dev/null
fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time; scripts/deps.sh installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/large.kyq" >"$work/password"
echo "document: $(stat -c %s "$work/large.kyq") bytes, 32767 records"

# One untimed run of each: page cache, dynamic loader caches; and a check that both work.
"$cli" export "$work/large.kyq" <"$work/password" >"$work/export.json"
entries=$(grep -c '^{"title"' "$work/export.json" || true)
if [ "$entries" -ne 32767 ]; then
  echo "export gave $entries records instead of 32767" >&2
  exit 1
fi
"$floor" "$work/large.kyq" >/dev/null

# Bash's own clock (microseconds): no process is started to read it, so a time is that of
# starting and running the program alone.
floor_times=()
export_times=()
for _ in $(seq "$runs"); do
  start=${EPOCHREALTIME/[.,]/}
  "$floor" "$work/large.kyq" >/dev/null
  middle=${EPOCHREALTIME/[.,]/}
  "$cli" export "$work/large.kyq" <"$work/password" >/dev/null
  end=${EPOCHREALTIME/[.,]/}
  floor_times+=($((middle - start)))
  export_times+=($((end - middle)))
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
floor_us=$(median "${floor_times[@]}")
export_us=$(median "${export_times[@]}")
ratio_percent=$(( (export_us * 100 + floor_us / 2) / floor_us ))

/usr/bin/time -f %M "$cli" export "$work/large.kyq" <"$work/password" 2>"$work/export.kib" >/dev/null
export_kib=$(tail -1 "$work/export.kib")

awk 'BEGIN { print "Title,UserName,Password"; for (i = 0; i < 2000000; i++) printf "t%d,u%d,p%d\n", i, i, i }' \
  >"$work/huge.csv"
/usr/bin/time -f %M "$cli" import "$work/huge.csv" --owner o -o "$work/huge.kyq" <"$work/password" \
  2>"$work/import.err" >/dev/null || true
import_kib=$(tail -1 "$work/import.err")
if [ -e "$work/huge.kyq" ] || ! grep -q 32767 "$work/import.err"; then
  echo "the import of 2 million records was not refused at the limit" >&2
  exit 1
fi

# Peak resident size (KiB) of an import of $1 that must end with status $2.
import_peak() {
  local status=0
  /usr/bin/time -f %M "$cli" import "$1" --owner o -o "$work/wide.kyq" --force <"$work/password" \
    2>"$work/wide.err" >/dev/null || status=$?
  if [ "$status" -ne "$2" ]; then
    echo "kyq-cli import $1 ended with status $status instead of $2:" >&2
    cat "$work/wide.err" >&2
    exit 1
  fi
  tail -1 "$work/wide.err"
}
{ echo "Title,Password"; head -c 100000000 /dev/zero | tr '\0' ','; echo; } >"$work/wide.csv"
wide_kib=$(import_peak "$work/wide.csv" 1)
{ echo "Title,Password,Notes"; printf 'a,p,'; head -c 100000000 /dev/zero | tr '\0' 'n'; echo; } >"$work/cell.csv"
cell_kib=$(import_peak "$work/cell.csv" 0)
[ "$wide_kib" -gt "$cell_kib" ] && import_kib_wide=$wide_kib || import_kib_wide=$cell_kib

missed=0
verdict() { if [ "$1" -le "$2" ]; then echo ok; else echo MISSED; fi; }
for pair in "$ratio_percent $budget_ratio_percent" "$export_kib $budget_export_kib" "$import_kib $budget_import_kib" \
            "$import_kib_wide $budget_import_kib"; do
  set -- $pair
  [ "$1" -le "$2" ] || missed=1
done
ratio_verdict=$(verdict "$ratio_percent" "$budget_ratio_percent")
export_verdict=$(verdict "$export_kib" "$budget_export_kib")
import_verdict=$(verdict "$import_kib" "$budget_import_kib")
wide_verdict=$(verdict "$import_kib_wide" "$budget_import_kib")
printf 'kyq-cli export, start to exit: median %d.%03d ms; floor (export_floor) %d.%03d ms; over %d interleaved runs\n' \
  $((export_us / 1000)) $((export_us % 1000)) $((floor_us / 1000)) $((floor_us % 1000)) "$runs"
printf 'kyq-cli export / floor: %d.%02dx (budget %d.%02dx): %s\n' \
  $((ratio_percent / 100)) $((ratio_percent % 100)) $((budget_ratio_percent / 100)) $((budget_ratio_percent % 100)) \
  "$ratio_verdict"
printf 'kyq-cli export, peak resident size: %d.%01d MiB (budget 40 MiB): %s\n' \
  $((export_kib / 1024)) $(( (export_kib % 1024) * 10 / 1024 )) "$export_verdict"
printf 'kyq-cli import of 2,000,000 records (refused), peak resident size: %d.%01d MiB (budget 64 MiB): %s\n' \
  $((import_kib / 1024)) $(( (import_kib % 1024) * 10 / 1024 )) "$import_verdict"
printf 'kyq-cli import of a line of 100,000,000 commas (refused) / a 100 MB unimported cell, peak resident size: %d.%01d / %d.%01d MiB (budget 64 MiB): %s\n' \
  $((wide_kib / 1024)) $(( (wide_kib % 1024) * 10 / 1024 )) $((cell_kib / 1024)) $(( (cell_kib % 1024) * 10 / 1024 )) \
  "$wide_verdict"
if [ "$missed" -ne 0 ] && [ "${KYQ_BENCH_ENFORCE:-0}" = 1 ]; then
  exit 1
fi
