# shellcheck shell=bash
# Steps shared by the package checks and the install test; sourced, not run alone.

# package_build BUILD-FOLDER: builds the program and its Debian package; sets $deb to the file.
package_build() {
  cmake --build "$1" --target mottler
  (cd "$1" && cpack -G DEB)
  deb="$(ls -t "$1"/quelso_*.deb | head -n 1)"
  dpkg-deb --field "$deb" Package Version Depends Recommends
}

# package_check_files ROOT: the installed files are in place under ROOT ("" for this machine)
# and the desktop entry and AppStream data validate (with this machine's validators). The
# window and naming modules sit in the library folder, with or without the multiarch triplet.
package_check_files() {
  local f
  for f in /usr/bin/mottler /usr/share/man/man1/mottler.1.gz \
           /usr/share/applications/com.quelso.app.desktop \
           /usr/share/icons/hicolor/scalable/apps/com.quelso.app.svg /usr/share/metainfo/com.quelso.app.metainfo.xml; do
    [ -e "$1$f" ] || { echo "not installed: $f" >&2; return 1; }
  done
  for f in mottler-desktop.so mottler-naming.so; do
    compgen -G "$1/usr/lib/quelso/$f" >/dev/null || compgen -G "$1/usr/lib/*/quelso/$f" >/dev/null ||
      { echo "not installed: /usr/lib/[triplet/]quelso/$f" >&2; return 1; }
  done
  grep -qx 'Exec=mottler %F' "$1/usr/share/applications/com.quelso.app.desktop"
  desktop-file-validate "$1/usr/share/applications/com.quelso.app.desktop"
  appstreamcli validate --no-net "$1/usr/share/metainfo/com.quelso.app.metainfo.xml"
}
