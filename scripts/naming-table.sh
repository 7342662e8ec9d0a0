#!/usr/bin/env bash
# Regenerates docs/naming.md: the names offline naming gives a dozen real pictures, so that a
# change in their quality shows in review. Usage: scripts/naming-table.sh [path/to/mottler]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mottler="${1:-$root/build/mottler}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$root/scripts/render-invoice.sh" "$work/invoice"
convert -size 1400x -background white pango:'<span font="DejaVu Sans 30">کتابخانه ملی ایران
سلام دنیا
این یک متن آزمایشی است که برای خواندن نوشته شده است
کتابخانه ملی ایران در تهران است</span>' "$work/persian.png"

pictures="$root/tests/naming/pictures"
rows=(
  "$work/invoice/scan.png|the rendered invoice, a clean 150 dpi scan"
  "$work/invoice/photo.jpg|the same invoice photographed: tinted, skewed, soft, unevenly lit (930 × 1316 JPEG)"
  "$work/invoice/rotated90.png|the scan turned by 90°"
  "$work/invoice/rotated180.png|the scan upside down"
  "$work/invoice/rotated270.png|the scan turned by 90° the other way"
  "$work/invoice/skewed10.png|the scan turned by 10°"
  "$pictures/page.jpg|a photographed page of a textbook, unevenly lit"
  "$work/persian.png|four lines of Persian text"
  "$root/samples/harbour.jpg|a harbour with a fish market sign"
  "$pictures/chelsea.jpg|a tabby cat, close up"
  "$pictures/coffee.jpg|a cup of coffee on a wooden table"
  "$pictures/rocket.jpg|a rocket on its pad at dusk"
  "$pictures/astronaut.jpg|a portrait of an astronaut"
  "$pictures/camera.jpg|a man with a camera on a lawn, sky above"
  "$pictures/hubble_deep_field.jpg|the Hubble deep field"
)

{
  echo "# Offline names of real pictures"
  echo
  echo "What \`mottler --suggest-name\` prints for each picture without an AI provider and without"
  echo "a classifier model installed. Regenerate with \`scripts/naming-table.sh\` after a change"
  echo "to text recognition or the scene tagger. The invoice is rendered by"
  echo "\`scripts/render-invoice.sh\`; the photos come from Debian's python3-skimage (see"
  echo "\`tests/naming/pictures/README.md\`)."
  echo
  echo "| Picture | Shows | Name |"
  echo "|---|---|---|"
  for row in "${rows[@]}"; do
    path="${row%%|*}"
    name="$("$mottler" --suggest-name "$path" || true)"
    echo "| $(basename "$path") | ${row#*|} | $name |"
  done
} > "$root/docs/naming.md"
cat "$root/docs/naming.md"
