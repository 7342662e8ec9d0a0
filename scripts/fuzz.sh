#!/usr/bin/env bash
# Runs every fuzz target built in build-asan/ (scripts/test-sanitizers.sh builds them) for
# FUZZ_SECONDS each (default 30), two at a time, over a scratch copy of its seed corpus in
# fuzz/corpus/. Crashing inputs are kept in build-asan/fuzz-findings/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-30}"
targets=("$root"/build-asan/fuzz/fuzz_*)
if [ ! -x "${targets[0]}" ]; then
  echo "no fuzz targets built (clang missing?): fuzzing skipped"
  exit 0
fi
source "$root/scripts/sanitizer-options.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
findings="$root/build-asan/fuzz-findings"
mkdir -p "$findings"

fuzz() {
  local target="$1" name="${1##*/fuzz_}"
  mkdir -p "$work/$name"
  if "$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 -artifact_prefix="$findings/$name-" \
    "$work/$name" "$root/fuzz/corpus/$name" >"$work/$name.log" 2>&1; then
    echo "fuzz $name: ok, $(grep -Eo 'Done [0-9]+ runs' "$work/$name.log" | cut -d' ' -f2) runs," \
      "$(grep -Eo 'cov: [0-9]+' "$work/$name.log" | tail -1)"
  else
    echo "fuzz $name: FAILED"
    tail -n 60 "$work/$name.log"
    return 1
  fi
}

passed=0 failed=0
running=()
for target in "${targets[@]}"; do
  fuzz "$target" &
  running+=($!)
  if [ ${#running[@]} -ge 2 ]; then
    if wait "${running[0]}"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    running=("${running[@]:1}")
  fi
done
for pid in "${running[@]}"; do
  if wait "$pid"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
