#!/usr/bin/env bash
# Builds the Debian package, installs it with apt on this machine, and runs the installed
# command line and window (not part of ./test.sh: it installs into the system). This machine
# already holds every library; scripts/check-package-clean-root.sh checks the dependencies.
#   scripts/check-package.sh [BUILD-FOLDER]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
# shellcheck source=scripts/package-steps.sh
source "$here/package-steps.sh"
package_build "$build"
apt-get install -y --reinstall "$deb"
package_check_files ""
"$here/check-installed.sh" "$root/samples/harbour.jpg"
"$here/test-services.sh" "$root/tests/ui/smoke.sh" /usr/bin/mottler "$build/installed-window.png" "$root/samples/harbour.jpg"
