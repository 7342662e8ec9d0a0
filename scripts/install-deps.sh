#!/usr/bin/env bash
# Installs every Debian package the project needs (listed in packages-*.txt beside this
# script). Quick when everything is already there.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

mapfile -t wanted < <(grep -hv '^[[:space:]]*\(#\|$\)' "$here"/packages-*.txt | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another package run (unattended upgrades, a second terminal) holds the lock for a while;
# wait for it rather than fail.
wait_lock=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${wait_lock[@]}" update -qq
$sudo apt-get "${wait_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
