#!/usr/bin/env bash
# A module that mottler loads brings its own libraries and no second engine, and is bound as it
# loads: mottler needs none of the module's libraries and loads none of them at start (but for
# those that libvips, which every run needs, brings along itself); the engine symbols the
# module uses are left to mottler, which exports them, and no function or variable is defined
# in both (weak and unique copies of inline code are merged by the dynamic loader; the linker's
# own markers are left out).
#   module-links.sh MOTTLER MODULE LIBRARIES MARKER
# LIBRARIES: an extended regular expression matching the file names of the libraries that
# only the module may bring; MARKER: one of them that the module must load.
set -euo pipefail
mottler="$1"
module="$2"
libraries="$3"
marker="$4"
fail() { echo "module-links: $*" >&2; exit 1; }

# The libraries a file names itself, and all those that loading it loads.
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort -u; }
loaded() { ldd "$1" | awk '$2 == "=>" { print $1 }' | sort -u; }
vips="$(ldd "$mottler" | awk '$1 ~ /^libvips\.so/ { print $3 }')"
[ -n "$vips" ] || fail "mottler does not load libvips"

direct="$(needed "$mottler" | grep -E "$libraries" || true)"
[ -z "$direct" ] || fail "mottler needs the module's libraries:"$'\n'"$direct"
beyond="$(comm -23 <(loaded "$mottler") <(loaded "$vips") | grep -E "$libraries" || true)"
[ -z "$beyond" ] || fail "mottler loads the module's libraries:"$'\n'"$beyond"
loaded "$module" | grep -q "^$marker" || fail "$module does not load $marker: not the module meant"
# mottler loads it lazily, as a program loads its libraries; the module's own links must be
# bound as it loads, so that one that does not fit mottler is refused there, not part-way.
readelf -d "$module" | grep -q 'FLAGS.*BIND_NOW' || fail "$module is not linked to be bound as it loads (-z now)"

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
through_vips="$(loaded "$mottler" | grep -E "$libraries" | paste -sd ' ' || true)"
[ -z "$through_vips" ] || through_vips=" but those that libvips brings: $through_vips"
echo "module-links: $(basename "$module"): mottler loads none of its libraries$through_vips;" \
  "$(wc -l <<<"$engine_used") engine symbols taken from mottler, none defined twice"
