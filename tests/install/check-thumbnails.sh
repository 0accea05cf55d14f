#!/bin/sh
# The file types and the thumbnailer, installed into a temporary XDG data
# folder: gio names the project's types by name and by magic (an NFSIV or
# FCE4M file without an extension, a BIGF archive named .viv, while another
# .viv stays a video), and the thumbnailer's command, run as a file manager
# runs it, makes a PNG of the asked size of a model or a car archive, or
# fails and writes nothing.
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "thumbnails: $*" >&2; exit 1; }

share=$work/share
mkdir -p "$share/mime/packages" "$share/thumbnailers"
cp "$source/data/mobrix-fce.xml" "$share/mime/packages/"
cp "$source/data/mobrix.thumbnailer" "$share/thumbnailers/"
XDG_DATA_DIRS=$share:/usr/share update-mime-database "$share/mime"

type_of() {
    XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share gio info -a standard::content-type "$1" |
        sed -n 's/^ *standard::content-type: //p'
}
expect_type() {
    got=$(type_of "$1")
    [ "$got" = "$2" ] || fail "$(basename "$1") is $got, not $2"
}

files=$work/files
mkdir "$files"
cp "$source/samples/sample-nfs4.fce" "$files/nfs4-without-extension"
cp "$source/samples/sample-nfs3.fce" "$files/car.fce"
printf '\025\020\020\000%060d' 0 >"$files/fce4m-without-extension"
printf 'BIGF\000\000\000\020\000\000\000\000\000\000\000\020' >"$files/car.viv"
printf 'BIG4\020\000\000\000\000\000\000\000\000\000\000\020' >"$files/other-car.viv"
printf 'not an archive at all, but some other file named viv' >"$files/movie.viv"
expect_type "$files/nfs4-without-extension" application/x-nfs-fce
expect_type "$files/fce4m-without-extension" application/x-nfs-fce
expect_type "$files/car.fce" application/x-nfs-fce
expect_type "$files/car.viv" application/x-nfs-viv
expect_type "$files/other-car.viv" application/x-nfs-viv
viv_video=$(XDG_DATA_DIRS=/usr/share gio info -a standard::content-type "$files/movie.viv" | sed -n 's/^ *standard::content-type: //p')
expect_type "$files/movie.viv" "$viv_video"
[ "$viv_video" != application/x-nfs-viv ] || fail "the system has no other type for *.viv to keep"

# The command line of the thumbnailer entry, with the file manager's fields.
exec_line=$(sed -n 's/^Exec=//p' "$share/thumbnailers/mobrix.thumbnailer")
try_exec=$(sed -n 's/^TryExec=//p' "$share/thumbnailers/mobrix.thumbnailer")
PATH=$(dirname "$build/src/cli/fcetool"):$PATH
export PATH
command -v "$try_exec" >/dev/null || fail "TryExec $try_exec is not found"
thumbnail() {
    cmd=$(echo "$exec_line" | sed "s|%s|$1|; s|%i|$2|; s|%o|$3|")
    sh -c "$cmd" 2>"$work/err"
}
thumbnail 128 "$files/nfs4-without-extension" "$work/thumb.png" || fail "no thumbnail: $(cat "$work/err")"
/usr/bin/python3 - "$work/thumb.png" <<'PY' || fail "the thumbnail is not a 128-pixel PNG with a clear corner"
import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
assert im.mode == 'RGBA' and max(im.size) == 128, (im.mode, im.size)
assert im.getpixel((0, 0))[3] == 0
PY
cp "$source/samples/car.viv" "$files/archive.viv"
thumbnail 64 "$files/archive.viv" "$work/archive.png" || fail "no thumbnail of a car archive: $(cat "$work/err")"
/usr/bin/python3 -c 'import sys; from PIL import Image; assert max(Image.open(sys.argv[1]).size) == 64' "$work/archive.png" ||
    fail "the thumbnail of a car archive is not a 64-pixel picture"
if thumbnail 128 "$files/movie.viv" "$work/none.png"; then fail "a thumbnail of a file that is no model"; fi
[ ! -e "$work/none.png" ] || fail "a failed thumbnail left a file"
echo "file types and thumbnails checked"
