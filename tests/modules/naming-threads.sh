#!/usr/bin/env bash
# Tesseract's OpenMP loops stay on the thread that reads, also now that they load with the
# naming module (on a small machine such threads spin against each other far longer than they
# compute): mottler names a picture with words in it, OpenMP is asked for four threads, and
# libgomp starts none. Skipped where the preloaded counter sees no thread start at all (a
# sanitizer's runtime takes them first).
#   naming-threads.sh MOTTLER COUNTER PICTURE
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "naming-threads: $*" >&2; exit 1; }

status=0
OMP_NUM_THREADS=4 LD_PRELOAD="$2" "$1" --suggest-name "$3" >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 0 ] || fail "--suggest-name exited with $status: $(cat "$work/err")"
counts="$(tail -n 1 "$work/err")"
[[ "$counts" =~ ^threads\ started:\ ([0-9]+),\ by\ OpenMP:\ ([0-9]+)$ ]] || fail "no thread count: $(cat "$work/err")"
if [ "${BASH_REMATCH[1]}" = 0 ]; then
  echo "naming-threads: skipped, the counter sees no thread start here"
  exit 77
fi
[ "${BASH_REMATCH[2]}" = 0 ] || fail "libgomp started ${BASH_REMATCH[2]} threads while $(cat "$work/out") was read"
echo "naming-threads: $(cat "$work/out"): ${BASH_REMATCH[1]} threads started, none by OpenMP"
