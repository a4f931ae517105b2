#!/usr/bin/env bash
# Installs what is missing, builds Keyquill and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKYQ_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
if [ -x build/release/src/app/KYQ ]; then
  exec build/release/src/app/KYQ "$@"
else
  exec build/release/src/cli/kyq-cli "$@"
fi
