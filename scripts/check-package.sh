#!/usr/bin/env bash
# Builds the Debian package, installs it with apt on this machine, and starts the installed
# window on a virtual X server (not part of ./test.sh: it installs into the system).
#   scripts/check-package.sh [BUILD-FOLDER]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
cmake --build "$build" --target mottler
(cd "$build" && cpack -G DEB)
deb="$(ls -t "$build"/quelso_*.deb | head -n 1)"
dpkg-deb --field "$deb" Package Version Depends
apt-get install -y --reinstall "$deb"
for f in /usr/bin/mottler /usr/share/applications/com.quelso.app.desktop \
         /usr/share/icons/hicolor/scalable/apps/com.quelso.app.svg /usr/share/metainfo/com.quelso.app.metainfo.xml; do
  [ -e "$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
desktop-file-validate /usr/share/applications/com.quelso.app.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.quelso.app.metainfo.xml
"$root/scripts/test-services.sh" "$root/tests/ui/smoke.sh" /usr/bin/mottler "$build/installed-window.png"
