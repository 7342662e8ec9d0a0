#!/usr/bin/env bash
# The command line starts without the desktop's libraries, and the window module brings no
# second engine: the engine symbols it uses are left to mottler, which exports them, and no
# function or variable is defined in both (weak and unique copies of inline code are merged
# by the dynamic loader; the linker's own markers are left out).
#   module-links.sh MOTTLER MODULE
set -euo pipefail
mottler="$1"
module="$2"
fail() { echo "module-links: $*" >&2; exit 1; }

desktop_libraries="$(ldd "$mottler" | grep -E 'libQt|libsecret|libcanberra' || true)"
[ -z "$desktop_libraries" ] || fail "mottler loads the desktop's libraries:"$'\n'"$desktop_libraries"
[[ "$(ldd "$module")" == *libQt6Quick* ]] || fail "$module does not load Qt Quick: not the window module"

# Names in the dynamic symbol table: defined strongly, defined in any way, or undefined.
strong() {
  nm -D --defined-only "$1" | awk '$2 !~ /^[WVu]$/ && $3 !~ /^(__bss_start|_edata|_end|_init|_fini)$/ { print $3 }' | sort -u
}
defined() { nm -D --defined-only "$1" | awk '{ print $3 }' | sort -u; }
undefined() { nm -D --undefined-only "$1" | awk '{ print $2 }' | sort -u; }

twice="$(comm -12 <(strong "$mottler") <(strong "$module"))"
[ -z "$twice" ] || fail "defined in both mottler and the module:"$'\n'"$(c++filt <<<"$twice")"

engine_used="$(undefined "$module" | grep -E '^_ZNK?6quelso' || true)"
[ -n "$engine_used" ] || fail "the module uses no engine symbol from mottler: does it carry its own engine?"
missing="$(comm -23 <(printf '%s\n' "$engine_used") <(defined "$mottler"))"
[ -z "$missing" ] || fail "the module needs engine symbols that mottler does not export:"$'\n'"$(c++filt <<<"$missing")"
echo "module-links: no desktop library in mottler; $(wc -l <<<"$engine_used") engine symbols taken from it, none defined twice"
