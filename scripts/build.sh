#!/usr/bin/env bash
# Configures and builds into build/ (pass targets to build only those).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$root/build" --target "$@"
else
  cmake --build "$root/build"
fi
