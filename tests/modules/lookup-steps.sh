# shellcheck shell=bash
# Steps shared by the tests of where mottler finds its modules; sourced, not run alone. Sets
# $work to a scratch folder that is removed on exit, and defines fail and expect.
work="$(realpath "$(mktemp -d)")"
trap 'rm -rf "$work"' EXIT
fail() { echo "$(basename "$0" .sh): $*" >&2; exit 1; }

# expect WHAT LINE COMMAND…: the command exits with 1 and prints exactly LINE to stderr; what
# it printed to stdout is left in $work/out.
expect() {
  local what="$1" line="$2" status=0
  shift 2
  "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = 1 ] || fail "$what: exit status $status, not 1: $(cat "$work/err")"
  [ "$(cat "$work/err")"$'\n' = "$line"$'\n' ] && [ "$(wc -l <"$work/err")" = 1 ] ||
    fail "$what: stderr is"$'\n'"$(cat "$work/err")"$'\n'"expected"$'\n'"$line"
}
