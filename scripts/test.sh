#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   0. the layering of src/ (scripts/check-layers.py)
#   1. everything (unit, GUI on the offscreen platform, X11 end to end under Xvfb, Wayland under
#      sway, the portal, label "desktops" on headless KDE and GNOME), warnings as errors
#   2. the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer
#   3. the fuzz targets for about a minute each under AddressSanitizer
#   4. the Debian package: built from a Release build and checked (scripts/package-check.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

echo "== layers: no include runs up a layer or round between folders"
python3 scripts/check-layers.py

echo "== build and test (warnings are errors)"
cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYQ_WERROR=ON -DKYQ_BUILD_BENCH=ON >/dev/null
cmake --build build/ci -j"$jobs"
ctest --test-dir build/ci --output-on-failure -j"$jobs"

echo "== unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DKYQ_WERROR=ON -DKYQ_SANITIZE=ON \
      -DKYQ_BUILD_GUI=OFF >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs" -L unit

if [ -d fuzz ] && [ -f fuzz/CMakeLists.txt ]; then
  echo "== fuzzing"
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYQ_BUILD_FUZZ=ON \
        -DKYQ_BUILD_GUI=OFF -DKYQ_BUILD_TESTS=OFF >/dev/null
  cmake --build build/fuzz -j"$jobs"
  scripts/fuzz.sh build/fuzz "${KYQ_FUZZ_SECONDS:-60}"
fi
echo "== the Debian package"
scripts/package-check.sh build/package
echo "== all tests passed"
