# An installation into a staging directory holds exactly the expected files, its desktop entry,
# metainfo and man pages validate, and the installed packing tool makes a set from the installed
# programs that passes its own check.
# Usage: install_test.sh <build directory>
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log" || fail "install: $(cat "$work/install.log")"

id=io.github.fileconverter.FileConverter
cat >"$work/expected" <<LIST
usr/bin/file-converter
usr/bin/file-converter-pack
usr/lib/file-converter/bsdiff
usr/lib/file-converter/bspatch
usr/lib/file-converter/make-sfx
usr/share/applications/$id.desktop
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/file-converter-pack.1
usr/share/man/man1/file-converter.1
usr/share/metainfo/$id.metainfo.xml
LIST
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "the installation holds other files than expected"
for program in usr/bin/file-converter usr/bin/file-converter-pack usr/lib/file-converter/bsdiff usr/lib/file-converter/bspatch \
               usr/lib/file-converter/make-sfx; do
    [ -x "$stage/$program" ] || fail "$program is not executable"
done

desktop-file-validate "$stage/usr/share/applications/$id.desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 \
    || fail "the metainfo does not validate: $(cat "$work/appstream.log")"
for page in file-converter file-converter-pack; do
    groff -man -ww -z "$stage/usr/share/man/man1/$page.1" 2>"$work/man.log" && [ ! -s "$work/man.log" ] \
        || fail "man page $page has faults: $(cat "$work/man.log")"
done

# The installed tool, run from its installed place, ships the installed converter and patch tool.
mkdir -p "$work/v1" "$work/v2"
printf 'Dear reader,\nthe first letter.\n' >"$work/v1/letter.txt"
printf 'Dear reader,\nthe second letter, longer.\n' >"$work/v2/letter.txt"
pack=$stage/usr/bin/file-converter-pack
"$pack" build "$work/out" --name letter.txt 1.0="$work/v1/letter.txt" 2.0="$work/v2/letter.txt" \
    2>"$work/build.log" || fail "build from the installed layout: $(cat "$work/build.log")"
cmp "$work/out/letter" "$stage/usr/bin/file-converter" || fail "the set does not ship the installed converter"
mkdir "$work/unpacked"
(cd "$work/unpacked" && "$work/out/letter.sfx" -overwrite "$work/unpacked") >/dev/null
cmp "$work/unpacked/bspatch" "$stage/usr/lib/file-converter/bspatch" \
    || fail "the set does not ship the installed patch tool"
"$pack" check "$work/out/letter.sfx" --apply "$work/v1" >"$work/check.log" 2>&1 \
    || fail "check of the installed tool's set: $(cat "$work/check.log")"
echo "install_test: ok"
