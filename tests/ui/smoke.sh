#!/usr/bin/env bash
# The real mottler window on a virtual X server: started with three pictures, found by its
# title, photographed, checked for size and content, its pictures run and named, and its file
# dialog opened.
#   smoke.sh MOTTLER OUTPUT.png PHOTO.jpg
# PHOTO.jpg is the sample photo, whose offline name is harbour-fish-market.
set -euo pipefail
mottler="$1"
shot="$2"
photo="$3"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "smoke: $*" >&2; exit 1; }

convert -size 640x480 gradient:steelblue-orange "$work/one.jpg"
convert -size 480x640 radial-gradient:gold-darkgreen "$work/two.png"
cp "$photo" "$work/three.jpg"

# The server picks a free display and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

"$mottler" "$work/one.jpg" "$work/two.png" "$work/three.jpg" 2>"$work/mottler.log" &
pids+=($!)
# xdotool ends with an X error when a window it is looking at goes away meanwhile (Qt makes
# and drops a few while it starts): search again until the window shows, mottler ends or 30 s
# have passed.
window=""
for _ in $(seq 60); do
  window="$(xdotool search --onlyvisible --name '^Quelso$' 2>>"$work/xdotool.log" | head -n 1)" || true
  [ -n "$window" ] && break
  kill -0 "${pids[1]}" 2>/dev/null || break
  sleep 0.5
done
[ -n "$window" ] || fail "no window titled Quelso: $(cat "$work/mottler.log" "$work/xdotool.log")"
mkdir -p "$(dirname "$shot")"
# The first frames may still be empty while the rows and thumbnails arrive: look a few times.
# A capture taken while the window is being mapped can fail or come out unreadable; each
# step may fail without ending the script, and the last readable capture is judged.
width=0 height=0 spread=0
for attempt in 1 2 3 4 5; do
  sleep 1
  import -window "$window" "$shot" 2>>"$work/import.log" || continue
  size="$(identify -format '%w %h' "$shot" 2>>"$work/import.log")" || continue
  read -r width height <<<"$size"
  spread="$(convert "$shot" -colorspace gray -format '%[fx:standard_deviation]' info: 2>>"$work/import.log")" || continue
  awk -v s="$spread" 'BEGIN { exit !(s > 0.03) }' && break
done
[ "$width" -ge 900 ] && [ "$height" -ge 560 ] || fail "window is ${width}×${height}, smaller than 900×560: $(cat "$work/import.log")"
awk -v s="$spread" 'BEGIN { exit !(s > 0.03) }' || fail "the window looks blank (grey deviation $spread)"
kill -0 "${pids[1]}" 2>/dev/null || fail "mottler ended: $(cat "$work/mottler.log")"
# Run All (Ctrl+Return, once a click has given the window the keyboard): the window names its
# outputs through mottler, which loads the naming module on a worker's first call.
xdotool mousemove --window "$window" 600 300 click 1 key ctrl+Return
named="$work/harbour-fish-market.webp"
for _ in $(seq 120); do [ -s "$named" ] && break; sleep 0.5; done
[ -s "$named" ] || fail "no output named from the photo's content: $(ls "$work") $(cat "$work/mottler.log")"
# Qt loads the file dialog's own QML only when it first opens, so a module missing from an
# installation shows only then: press the add button at the bottom-left corner.
xdotool mousemove --window "$window" 27 "$((height - 25))" click 1
sleep 2
kill -0 "${pids[1]}" 2>/dev/null || fail "mottler ended when its file dialog opened: $(cat "$work/mottler.log")"
! grep -E 'is not installed|Failed to load|module .* not found' "$work/mottler.log" >&2 || fail "a QML module is missing"
echo "smoke: ${width}×${height}, grey deviation $spread, $(basename "$named") written, file dialog opened"
