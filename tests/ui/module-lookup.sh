#!/usr/bin/env bash
# Where mottler looks for the window module, and what it says when the module is missing,
# damaged or not a window module: copies of mottler in scratch folders, without a display,
# so that a module that loads answers with its own no-display line.
#   module-lookup.sh MOTTLER MODULE MODULE-FROM-BIN OTHER-SHARED-OBJECT
# MODULE-FROM-BIN is the installed module's folder relative to the installed mottler's.
set -euo pipefail
mottler="$1"
module="$2"
from_bin="$3"
other="$4"
# shellcheck source=tests/modules/lookup-steps.sh
source "$(dirname "${BASH_SOURCE[0]}")/../modules/lookup-steps.sh"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
name="$(basename "$module")"
cannot="mottler: cannot start the desktop application:"

# Alone in a folder: the command line works, the window names the installed place it tried.
mkdir "$work/alone"
cp "$mottler" "$work/alone/mottler"
"$work/alone/mottler" --version >/dev/null || fail "the command line needs the module"
expect "no module" "$cannot $(realpath -m "$work/alone/$from_bin/$name"): cannot open shared object file: No such file or directory" \
  "$work/alone/mottler"
head -c 2000 /dev/zero | tr '\0' 'x' >"$work/alone/$name"
expect "damaged module" "$cannot $work/alone/$name: invalid ELF header" "$work/alone/mottler" photo.jpg
cp "$other" "$work/alone/$name"
expect "not a window module" "$cannot $work/alone/$name: undefined symbol: quelso_desktop_main" "$work/alone/mottler"

# Installed: the module under the prefix, mottler started through a link from elsewhere.
mkdir -p "$work/usr/bin" "$work/usr/bin/$from_bin" "$work/links"
cp "$mottler" "$work/usr/bin/mottler"
cp "$module" "$work/usr/bin/$from_bin/$name"
ln -s ../usr/bin/mottler "$work/links/mottler"
expect "installed module" \
  "$cannot no display (DISPLAY or WAYLAND_DISPLAY); use --cli, --extract or --suggest-name (see --help)" \
  "$work/links/mottler"
echo "module-lookup: found under the prefix through a link; missing, damaged and foreign modules refused in one line"
