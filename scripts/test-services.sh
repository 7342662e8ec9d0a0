#!/usr/bin/env bash
# Runs a command inside a private desktop session: its own D-Bus session bus, a keyring
# (Secret Service) unlocked with a throwaway password, and empty home, config, data and
# runtime folders. Nothing touches the user's own session, keyring or settings.
#   scripts/test-services.sh COMMAND [ARGS…]
set -euo pipefail

if [ -z "${QUELSO_PRIVATE_SESSION:-}" ]; then
  scratch="$(mktemp -d "${TMPDIR:-/tmp}/quelso-session.XXXXXX")"
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch"/{home,config,data,cache,runtime}
  chmod 700 "$scratch"/runtime
  export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
  export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime"
  export QUELSO_PRIVATE_SESSION="$scratch"
  unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL SSH_AUTH_SOCK
  status=0
  dbus-run-session -- "$0" "$@" || status=$?
  exit "$status"
fi

# Inside the private bus: start the keyring with only its secrets component.
printf 'quelso-throwaway' | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
keyring=$!
trap 'kill "$keyring" 2>/dev/null || true; wait "$keyring" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'; then
    break
  fi
  sleep 0.05
done
status=0
"$@" || status=$?
exit "$status"
