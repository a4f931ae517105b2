#!/usr/bin/env bash
# Runs every libFuzzer target of a KYQ_BUILD_FUZZ build for about SECONDS in all.
#   scripts/fuzz.sh BUILD_DIR SECONDS
# Targets are the programs BUILD_DIR/fuzz/fuzz_<name>; each starts from a temporary copy
# of fuzz/corpus/<name>/ and gets SECONDS divided by the number of targets (at least
# 10 s). A crash, leak, time-out or out-of-memory fails the script; the input that did it
# is kept in BUILD_DIR/fuzz-findings/<name>/ to be added to the corpus once fixed.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=$2

mapfile -t targets < <(find "$build/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x 2>/dev/null | sort)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz (configure with CC=clang CXX=clang++ -DKYQ_BUILD_FUZZ=ON)" >&2
  exit 1
fi
each=$(( seconds / ${#targets[@]} ))
[ "$each" -lt 10 ] && each=10

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  name=${name#fuzz_}
  corpus="$work/$name/corpus"
  findings="$build/fuzz-findings/$name"
  mkdir -p "$corpus" "$findings"
  if [ -d "$root/fuzz/corpus/$name" ]; then
    cp -R "$root/fuzz/corpus/$name/." "$corpus/"
  fi
  echo "== fuzzing $name for ${each}s"
  if ! "$target" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" >"$work/$name.log" 2>&1; then
    tail -n 60 "$work/$name.log" >&2
    echo "FAILED: $name; the input is in $findings/" >&2
    failed=1
  else
    grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$work/$name.log" || true
  fi
done
exit $failed
