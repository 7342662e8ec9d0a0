#!/usr/bin/env bash
# Checks that includes run down the floors: every #include "room/..." under src/ and tests/
# names the including file's own room or a room on a lower floor. Rooms that share a floor
# never include each other, so no include runs in a circle. Prints each offending line and
# exits 1 when there is one. Usage: check-floors.sh [tree root]
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

# Bottom up. modules (what mottler loads later) sits beside pipeline, over naming; model beside
# app, over pipeline and naming; ui over model and app.
declare -A floor=(
  [core]=0
  [platform]=1
  [settings]=2
  [effects]=3 [encode]=3 [watermark]=3 [naming]=3 [compare]=3
  [pipeline]=4 [modules]=4
  [app]=5 [model]=5
  [ui]=6
)
# The helpers shared by every test program sit just above the platform, which writes their
# image files.
declare -A testFolderFloor=([support]=2)

failures=0
report() {
  echo "$1"
  failures=$((failures + 1))
}

# The floor of a folder under src/ or tests/, or nothing for a test folder of no room.
floorOf() {
  local top="$1" folder="$2"
  if [[ -n "${floor[$folder]+set}" ]]; then
    echo "${floor[$folder]}"
  elif [[ "$top" == tests && -n "${testFolderFloor[$folder]+set}" ]]; then
    echo "${testFolderFloor[$folder]}"
  fi
}

for top in src tests; do
  [[ -d "$root/$top" ]] || continue
  for dir in "$root/$top"/*/; do
    folder="$(basename "$dir")"
    own="$(floorOf "$top" "$folder")"
    if [[ -z "$own" ]]; then
      # Every source room must have a floor; test folders without sources are left alone.
      if [[ "$top" == src ]] || [[ -n "$(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) | head -n 1)" ]]; then
        report "$top/$folder: a room with no floor (add it to scripts/check-floors.sh)"
      fi
      continue
    fi
    while IFS= read -r line; do
      file="${line%%:*}"
      rest="${line#*:}"
      number="${rest%%:*}"
      target="$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"${rest#*:}")"
      [[ "$target" == */* ]] || continue
      room="${target%%/*}"
      [[ -n "${floor[$room]+set}" ]] || continue
      if [[ "$room" != "$folder" && "${floor[$room]}" -ge "$own" ]]; then
        report "${file#"$root"/}:$number: $folder (floor $own) includes $target (floor ${floor[$room]})"
      fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir" \
               --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' --include='*.c' || true)
  done
done

if ((failures > 0)); then
  echo "$failures include(s) against the floors"
  exit 1
fi
echo "includes run down the floors"
