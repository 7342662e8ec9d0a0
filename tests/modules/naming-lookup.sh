#!/usr/bin/env bash
# Where mottler looks for the naming module, and what it does without it: copies of mottler
# in scratch folders. Not asked to name, the command line works without the module. Asked to
# name (--suggest-name, and --cli or --batch without --no-rename) with the module missing,
# damaged or not the naming module, it says what failed in one line, exits 1 and writes
# nothing, rather than giving a file no name. Installed under a prefix and started through a
# link, it finds the module and names the picture as the build does.
#   naming-lookup.sh MOTTLER MODULE MODULE-FROM-BIN OTHER-SHARED-OBJECT PICTURE
# MODULE-FROM-BIN is the installed module's folder relative to the installed mottler's.
set -euo pipefail
mottler="$1"
module="$2"
from_bin="$3"
other="$4"
picture="$5"
# shellcheck source=tests/modules/lookup-steps.sh
source "$(dirname "${BASH_SOURCE[0]}")/lookup-steps.sh"
name="$(basename "$module")"
unavailable="error: content naming is not available:"
named="$("$mottler" --suggest-name "$picture")" || fail "the build's mottler does not name $picture"

mkdir -p "$work/alone/out"
alone="$work/alone/mottler"
cp "$mottler" "$alone"
"$alone" --cli --in "$picture" --out "$work/alone/out/plain.png" --format png --no-rename >/dev/null ||
  fail "--cli --no-rename needs the naming module"
rm "$work/alone/out/plain.png"

# refused WHAT LINE: every mode that names says LINE, exits 1 and writes nothing.
refused() {
  expect "$1: --suggest-name" "$unavailable $2" "$alone" --suggest-name "$picture"
  [ ! -s "$work/out" ] || fail "$1: --suggest-name printed $(cat "$work/out")"
  expect "$1: --cli" "$unavailable $2" "$alone" --cli --in "$picture" --out "$work/alone/out/x.webp" --seed 1
  expect "$1: --batch" "$unavailable $2" "$alone" --batch "$picture" --out-dir "$work/alone/batch" --seed 1
  [ -z "$(ls -A "$work/alone/out")" ] && [ ! -e "$work/alone/batch" ] || fail "$1: a run that could not name wrote files"
}
refused "no module" "$(realpath -m "$work/alone/$from_bin/$name"): cannot open shared object file: No such file or directory"
head -c 2000 /dev/zero | tr '\0' 'x' >"$work/alone/$name"
refused "damaged module" "$work/alone/$name: invalid ELF header"
cp "$other" "$work/alone/$name"
refused "not the naming module" "$work/alone/$name: undefined symbol: quelso_naming_calls"

# Installed: the module under the prefix, mottler started through a link from elsewhere.
mkdir -p "$work/usr/bin/$from_bin" "$work/links"
cp "$mottler" "$work/usr/bin/mottler"
cp "$module" "$work/usr/bin/$from_bin/$name"
ln -s ../usr/bin/mottler "$work/links/mottler"
[ "$("$work/links/mottler" --suggest-name "$picture")" = "$named" ] || fail "the installed mottler does not name $picture"
echo "naming-lookup: found under the prefix through a link ($named); missing, damaged and foreign modules refused in one line"
