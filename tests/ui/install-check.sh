#!/usr/bin/env bash
# cmake --install into a scratch root's /usr: the files land where a desktop looks for them
# and the two descriptions pass their validators (the same checks as the installed package).
#   install-check.sh BUILD-FOLDER
set -euo pipefail
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$1" --prefix "$stage/usr" >/dev/null
# shellcheck source=scripts/package-steps.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/package-steps.sh"
package_check_files "$stage"
