#!/usr/bin/env bash
# Installs what is needed, builds, and processes the bundled sample picture.
# Extra arguments are passed to `mottler --cli` (for example --format png).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" mottler
mkdir -p "$root/out"
exec "$root/build/mottler" --cli --in "$root/samples/harbour.jpg" --out "$root/out/harbour.webp" \
  --text "Quelso sample" "$@"
