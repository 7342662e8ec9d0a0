#!/usr/bin/env bash
# cmake --install into a scratch prefix: the binary, desktop file, icon and metainfo land
# where a desktop looks for them, and the two descriptions pass their validators.
#   install-check.sh BUILD-FOLDER
set -euo pipefail
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
for f in bin/mottler share/applications/com.quelso.app.desktop \
         share/icons/hicolor/scalable/apps/com.quelso.app.svg share/metainfo/com.quelso.app.metainfo.xml; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
grep -qx 'Exec=mottler %F' "$prefix/share/applications/com.quelso.app.desktop"
desktop-file-validate "$prefix/share/applications/com.quelso.app.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.quelso.app.metainfo.xml"
