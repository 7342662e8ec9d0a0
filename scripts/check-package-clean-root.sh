#!/usr/bin/env bash
# Installs the Debian package into a freshly bootstrapped, minimal Debian 12 root and runs it
# there: the command line first, then the window on a virtual X server. This proves that the
# package's dependencies are complete, which a machine that already holds every build
# library cannot show. Not part of ./test.sh: it needs root and downloads a root file system
# (about 200 MB, then the package's dependencies) from the Debian mirror.
#   scripts/check-package-clean-root.sh [BUILD-FOLDER [ROOT-FOLDER]]
# ROOT-FOLDER must not exist yet (default: a new folder under /var/tmp); it is removed at the
# end unless QUELSO_KEEP_ROOT=1. QUELSO_DEBIAN_MIRROR and QUELSO_SECURITY_MIRROR choose the
# mirrors. The window's screenshot is written to BUILD-FOLDER/clean-root-window.png.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root_src="$(cd "$here/.." && pwd)"
build="$(cd "${1:-$root_src/build}" && pwd)"
target="${2:-$(mktemp -d /var/tmp/quelso-clean-root.XXXXXX)}"
mirror="${QUELSO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
security="${QUELSO_SECURITY_MIRROR:-http://deb.debian.org/debian-security}"
[ "$(id -u)" = 0 ] || { echo "run as root: it bootstraps and enters a chroot" >&2; exit 1; }
command -v debootstrap >/dev/null || apt-get install -y debootstrap
# shellcheck source=scripts/package-steps.sh
source "$here/package-steps.sh"

# Checked before the clean-up is armed, which removes the folder.
[ -z "$(ls -A "$target" 2>/dev/null)" ] || { echo "$target is not empty: give a new folder" >&2; exit 1; }

mounted() { grep -q " $(realpath -m "$1") " /proc/mounts; }
cleanup() {
  local m
  for m in dev sys proc; do
    if mounted "$target/$m"; then umount -R "$target/$m" || umount -R -l "$target/$m"; fi
  done
  if [ "${QUELSO_KEEP_ROOT:-0}" = 1 ]; then
    echo "root kept in $target"
  elif grep -q " $(realpath -m "$target")/" /proc/mounts; then
    echo "something is still mounted under $target: not removing it" >&2
  else
    rm -rf "$target"
  fi
}
trap cleanup EXIT
# Runs a command inside the root with a plain environment (nothing of this machine's session).
in_root() {
  chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

package_build "$build"

debootstrap --variant=minbase bookworm "$target" "$mirror"
cat >"$target/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
SOURCES
cp /etc/resolv.conf "$target/etc/resolv.conf"
# No services start inside the root while packages are configured.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod +x "$target/usr/sbin/policy-rc.d"
mount -t proc proc "$target/proc"
mount -t sysfs sysfs "$target/sys"
mount --rbind /dev "$target/dev"
mount --make-rslave "$target/dev"

mkdir -p "$target/tmp/check"
cp "$deb" "$target/tmp/check/quelso.deb"
cp "$here/check-installed.sh" "$root_src/tests/ui/smoke.sh" "$root_src/samples/harbour.jpg" "$target/tmp/check/"
in_root apt-get update
# Recommends are left out: what Depends names alone must be enough to run.
in_root apt-get install -y --no-install-recommends /tmp/check/quelso.deb
package_check_files "$target"
in_root /tmp/check/check-installed.sh /tmp/check/harbour.jpg
# Test tools only, installed after the checks above so they cannot stand in for a dependency
# of the command line.
in_root apt-get install -y --no-install-recommends xvfb xdotool imagemagick x11-utils
in_root /tmp/check/smoke.sh /usr/bin/mottler /tmp/check/window.png /tmp/check/harbour.jpg
cp "$target/tmp/check/window.png" "$build/clean-root-window.png"
echo "clean root: package installed, command line and window work; screenshot in $build/clean-root-window.png"
