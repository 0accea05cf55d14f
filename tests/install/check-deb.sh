#!/bin/sh
# Builds the Debian package from the build tree BUILD with CPack, unpacks it
# into a temporary root and checks it: exactly the expected files, declared
# dependencies, fcetool running from the unpacked copy (its help and a
# picture of SAMPLE), and desktop entries and AppStream metadata that pass
# their validators.
set -eu
build=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/*.deb)
[ "$(echo "$deb" | wc -l)" -eq 1 ] || fail "expected one package, got: $deb"
root=$work/root
dpkg-deb -x "$deb" "$root"

cat >"$work/expected" <<'LIST'
./usr/bin/fcetool
./usr/bin/mobrix
./usr/bin/trimlet
./usr/share/applications/mobrix.desktop
./usr/share/applications/trimlet.desktop
./usr/share/icons/hicolor/scalable/apps/mobrix.svg
./usr/share/icons/hicolor/scalable/apps/trimlet.svg
./usr/share/man/man1/fcetool.1
./usr/share/metainfo/METAINFO_MOBRIX
./usr/share/metainfo/METAINFO_TRIMLET
./usr/share/mime/packages/mobrix-fce.xml
./usr/share/thumbnailers/mobrix.thumbnailer
LIST
mobrix_meta=$(cd "$root/usr/share/metainfo" && ls *.Mobrix.metainfo.xml)
trimlet_meta=$(cd "$root/usr/share/metainfo" && ls *.Trimlet.metainfo.xml)
sed -i "s/METAINFO_MOBRIX/$mobrix_meta/; s/METAINFO_TRIMLET/$trimlet_meta/" "$work/expected"
(cd "$root" && find . -type f | sort) >"$work/actual"
diff -u "$work/expected" "$work/actual" >&2 || fail "the package holds other files than expected"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6openglwidgets6 zlib1g libstdc++6; do
    echo "$depends" | grep -q "$lib" || fail "Depends does not name $lib: $depends"
done

"$root/usr/bin/fcetool" --help | grep -q "render" || fail "the unpacked fcetool does not run"
"$root/usr/bin/fcetool" render --size 64 "$sample" "$work/car.png" || fail "the unpacked fcetool render failed"
head -c 8 "$work/car.png" | od -An -c | grep -q 'P   N   G' || fail "render wrote no PNG"

desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "a desktop entry does not validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$work/as.log" 2>&1 ||
    { cat "$work/as.log" >&2; fail "the AppStream metadata does not validate"; }
echo "package $deb checked"
