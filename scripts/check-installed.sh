#!/usr/bin/env bash
# Runs the installed command line the way a user first would: usage text, version, manual
# page, and one picture made unique with content naming on (mottler loads its naming module,
# which reads the OCR language data and the classifier's cascades that the package depends
# on), named as --suggest-name names it. Then the window's start
# without a display: mottler loads its window module and the Qt libraries under it, and the
# module's own no-display line shows that they were all found.
#   check-installed.sh PICTURE.jpg
set -euo pipefail
picture="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "installed: $*" >&2; exit 1; }

mottler --help >"$work/help" || fail "--help exited with $?"
grep -q -- '--cli' "$work/help" || fail "--help does not show the command line: $(cat "$work/help")"
mottler --version
[ -s /usr/share/man/man1/mottler.1.gz ] || fail "no manual page"
if command -v man >/dev/null; then [[ "$(man -P cat mottler)" == *--suggest-name* ]] || fail "man mottler is unreadable"; fi

cp "$picture" "$work/x.jpg"
mkdir "$work/out"
mottler --cli --in "$work/x.jpg" --out "$work/out/y.webp" || fail "the command line failed on $picture"
written="$(find "$work/out" -name '*.webp' -size +0)"
[ "$(printf '%s\n' "$written" | grep -c .)" = 1 ] || fail "expected one WebP file, found: $written"
stem="$(mottler --suggest-name "$work/x.jpg")" || fail "--suggest-name found no name for $picture"
[ "$(basename "$written")" = "$stem.webp" ] || fail "the output $written is not named $stem.webp"
[ "$(head -c 4 "$written")$(tail -c +9 "$written" | head -c 4)" = RIFFWEBP ] || fail "$written is not a WebP file"
mottler --cli --in "$work/x.jpg" --out "$work/plain.png" --format png --no-rename || fail "PNG output failed"
[ "$(tail -c +2 "$work/plain.png" | head -c 3)" = PNG ] || fail "plain.png is not a PNG file"

status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM mottler 2>"$work/window" || status=$?
[ "$status" = 1 ] && grep -q '^mottler: cannot start the desktop application: no display' "$work/window" ||
  fail "the window's module did not load (status $status): $(cat "$work/window")"
echo "installed: help, version, manual page, WebP named from its content ($(basename "$written")) and PNG outputs," \
  "window module"
