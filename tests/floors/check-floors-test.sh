#!/usr/bin/env bash
# The floor checker on small trees: a tree whose includes run down passes, and each way of
# breaking the rule (up a floor, sideways on one floor, from a test, a room with no floor)
# fails and names the line. Usage: check-floors-test.sh <check-floors.sh>
set -uo pipefail
checker="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A tree that keeps the rule, plus the one file given as "path:content".
tree() {
  local dir="$work/$1"
  mkdir -p "$dir/src/core" "$dir/src/naming" "$dir/src/pipeline" "$dir/tests/naming" "$dir/tests/support"
  printf '#pragma once\n' >"$dir/src/core/Pixel.h"
  printf '#include "core/Pixel.h"\n#include <vector>\n' >"$dir/src/naming/Words.cpp"
  printf '#include "pipeline/Chain.h"\n#include "naming/Words.h"\n#include "core/Pixel.h"\n' >"$dir/src/pipeline/Chain.cpp"
  printf '#include "TestSupport.h"\n#include "naming/Words.h"\n' >"$dir/tests/naming/WordsTest.cpp"
  if [[ $# -gt 1 ]]; then
    mkdir -p "$(dirname "$dir/${2%%:*}")"
    printf '%s\n' "${2#*:}" >"$dir/${2%%:*}"
  fi
  echo "$dir"
}

failed=0
expect() {
  local want="$1" name="$2" root="$3" needle="${4:-}"
  local out
  out="$(bash "$checker" "$root" 2>&1)"
  local rc=$?
  if [[ "$want" == pass && $rc -ne 0 ]] || [[ "$want" == fail && $rc -eq 0 ]] ||
     [[ -n "$needle" && "$out" != *"$needle"* ]]; then
    echo "FAIL $name: exit $rc"
    echo "$out"
    failed=1
  fi
}

expect pass "downward only" "$(tree good)"
expect fail "upward" "$(tree up 'src/core/Raster.cpp:#include "pipeline/Chain.h"')" \
  "src/core/Raster.cpp:1: core (floor 0) includes pipeline/Chain.h (floor 4)"
expect fail "sideways" "$(tree side 'src/naming/Cues.cpp:  #  include "encode/Jpeg.h"')" \
  "src/naming/Cues.cpp:1: naming (floor 3) includes encode/Jpeg.h (floor 3)"
expect fail "test upward" "$(tree test 'tests/naming/CliTest.cpp:#include "app/CLI.h"')" \
  "tests/naming/CliTest.cpp:1: naming (floor 3) includes app/CLI.h (floor 5)"
expect fail "no floor" "$(tree room 'src/extras/Thing.cpp:#include "core/Pixel.h"')" "src/extras: a room with no floor"
exit $failed
