#!/bin/sh
# The Debian package as `make package` builds it, checked from the build
# tree: CPack writes it into a scratch folder, its file list must hold the
# two programs, the desktop entry, the icons and the manual page and no test
# program, and it is unpacked into a scratch root (dpkg -x) where
# ov7931rec --help must run. The desktop entry is validated when
# desktop-file-validate is installed.
# Usage: check_package.sh BUILD_DIR
set -u
build=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ov7931fp-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/out/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack wrote no .deb"
echo "package: $(basename "$deb")"

dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends >"$scratch/fields" || fail "dpkg-deb -f failed"
cat "$scratch/fields"
grep -q '^Package: ov7931fp$' "$scratch/fields" || fail "package name"
grep -q '^Depends: .*libqt5widgets5' "$scratch/fields" || fail "no dependency on Qt widgets"

dpkg -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$scratch/files" || fail "dpkg -c failed"
for f in /usr/bin/ov7931fp /usr/bin/ov7931rec \
         /usr/share/applications/ov7931fp.desktop \
         /usr/share/icons/hicolor/48x48/apps/ov7931fp.png \
         /usr/share/icons/hicolor/256x256/apps/ov7931fp.png \
         /usr/share/man/man1/ov7931rec.1.gz; do
    grep -qx "$f" "$scratch/files" || fail "$f is not in the package"
done
# Only the files above (and their folders): no test, benchmark, fuzzer or library.
extra=$(grep -v '/$' "$scratch/files" | grep -vx -e /usr/bin/ov7931fp -e /usr/bin/ov7931rec \
    -e /usr/share/applications/ov7931fp.desktop -e '/usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/ov7931fp.png' \
    -e /usr/share/man/man1/ov7931rec.1.gz)
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

root="$scratch/root"
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
out=$("$root/usr/bin/ov7931rec" --help) || fail "ov7931rec --help exited with $?"
echo "$out" | grep -q '^Usage: ov7931rec VERB' || fail "ov7931rec --help printed: $out"
gzip -t "$root/usr/share/man/man1/ov7931rec.1.gz" || fail "the manual page is not gzip data"
zcat "$root/usr/share/man/man1/ov7931rec.1.gz" | grep -q '^\.TH OV7931REC 1 ' || fail "the manual page has no .TH 1 line"
for size in 48 256; do
    head -c 24 "$root/usr/share/icons/hicolor/${size}x$size/apps/ov7931fp.png" | od -An -tx1 | tr -d ' \n' >"$scratch/png"
    # PNG signature, IHDR, then width and height as 32-bit big-endian numbers.
    hex=$(printf '%08x' "$size")
    grep -q "^89504e470d0a1a0a0000000d49484452$hex$hex\$" "$scratch/png" || fail "the ${size}x$size icon is not a $size x $size PNG"
done
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/ov7931fp.desktop" || fail "desktop-file-validate"
fi
echo "PASS: package $(basename "$deb"), $(grep -vc '/$' "$scratch/files") files"
