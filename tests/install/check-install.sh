#!/bin/sh
# Installs the build tree BUILD into a fresh temporary prefix and checks
# what lands there: the three programs (fcetool runs from its installed
# copy), the desktop entries with their icons, the FCE file type claimed by
# Mobrix, and fcetool's manual page.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for program in mobrix trimlet fcetool; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing"
done
"$prefix/bin/fcetool" --help | grep -q "export-obj" || fail "the installed fcetool does not run"

share=$prefix/share
for app in mobrix trimlet; do
    entry=$share/applications/$app.desktop
    grep -qx "Exec=$app %f" "$entry" || fail "$entry does not start $app with a file"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -s "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon for $app"
done
grep -q '<glob pattern="\*.fce"/>' "$share/mime/packages/mobrix-fce.xml" || fail "the FCE type has no *.fce glob"
for type in $(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/mobrix-fce.xml"); do
    grep -q "^MimeType=.*$type;" "$share/applications/mobrix.desktop" || fail "Mobrix does not claim $type"
done
grep -q '^\.TH FCETOOL 1' "$share/man/man1/fcetool.1" || fail "no manual page for fcetool"
echo "installed and checked under $prefix"
