#!/usr/bin/env bash
# cmake --install into a scratch root's /usr: the files land where a desktop looks for them,
# the two descriptions pass their validators (the same checks as the installed package), and
# the installed mottler finds its window module where the install put it (without a display,
# the module's own line answers) and its naming module, naming the photo as the build does.
#   install-check.sh BUILD-FOLDER PHOTO
set -euo pipefail
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$1" --prefix "$stage/usr" >/dev/null
# shellcheck source=scripts/package-steps.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/package-steps.sh"
package_check_files "$stage"
status=0
window="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/usr/bin/mottler" 2>&1)" || status=$?
[ "$status" = 1 ] && [ "$window" = "mottler: cannot start the desktop application: no display (DISPLAY or WAYLAND_DISPLAY); use --cli, --extract or --suggest-name (see --help)" ] ||
  { echo "install-check: the installed mottler did not load its window module (status $status): $window" >&2; exit 1; }
named="$("$stage/usr/bin/mottler" --suggest-name "$2")" && [ "$named" = "$("$1/mottler" --suggest-name "$2")" ] ||
  { echo "install-check: the installed mottler did not name $2 (\"$named\")" >&2; exit 1; }
