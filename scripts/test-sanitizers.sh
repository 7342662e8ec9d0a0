#!/usr/bin/env bash
# Builds the engine, the command line, the test suite and the fuzz targets with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs the suite there.
# Every finding is fatal. Skipped (with a message) where clang is missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: sanitizer build skipped"
  exit 0
fi
# fuzzer-no-link gives the fuzz targets coverage of the engine; the tests only pay a little
# for it, and one build serves both.
flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" \
  -DQUELSO_GUI=OFF -DQUELSO_BENCH=OFF -DQUELSO_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$root/build-asan"
source "$root/scripts/sanitizer-options.sh"
cd "$root/build-asan"
ctest --output-on-failure -j "$(nproc)"
