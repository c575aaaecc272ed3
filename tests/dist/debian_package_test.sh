# The Debian package made from the build holds the installation under /usr and depends on the
# shared libraries its programs use, as dpkg-shlibdeps finds them.
# Usage: debian_package_test.sh <build directory>
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || fail "cpack: $(cat "$work/cpack.log")"
package=$(ls "$work"/file-converter_*.deb) || fail "no package was made"
dpkg-deb -c "$package" | awk '{ print $6 }' >"$work/contents"
for file in ./usr/bin/file-converter ./usr/bin/file-converter-pack ./usr/lib/file-converter/bsdiff \
            ./usr/lib/file-converter/bspatch \
            ./usr/share/applications/io.github.fileconverter.FileConverter.desktop; do
    grep -qxF "$file" "$work/contents" || fail "the package lacks $file"
done
depends=$(dpkg-deb -f "$package" Depends)
for library in libqt6widgets6 libbz2-1.0 libdivsufsort3 libsdl2 libc6; do
    case "$depends" in
        *"$library"*) ;;
        *) fail "the package does not depend on $library: $depends" ;;
    esac
done
echo "debian_package_test: ok"
