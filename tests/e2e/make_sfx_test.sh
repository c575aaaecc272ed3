#!/bin/sh
# The archive maker's output unpacks into an existing directory, replaces files of the same
# names, keeps the directory's own permissions and refuses other argument lists.
set -eu
source_root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/set" "$work/out"
chmod 0700 "$work/out"
printf 'new\n' >"$work/set/name with blanks.ini"
printf '#!/bin/sh\n' >"$work/set/tool"
chmod 0755 "$work/set/tool"
printf 'old\n' >"$work/out/name with blanks.ini"
"$source_root/tools/make-sfx" "$work/set" "$work/patch set.sfx"

"$work/patch set.sfx" -overwrite "$work/out" || fail "unpacking failed"
[ "$(cat "$work/out/name with blanks.ini")" = new ] || fail "an existing file was not replaced"
[ -x "$work/out/tool" ] || fail "the executable bit was lost"
[ "$(stat -c %a "$work/out")" = 700 ] || fail "the target directory's mode changed"

if "$work/patch set.sfx" "$work/out" 2>/dev/null; then fail "ran without -overwrite"; fi
if "$work/patch set.sfx" -overwrite "$work/missing" 2>/dev/null; then fail "ran into a missing directory"; fi
"$work/patch set.sfx" -x 2>&1 | grep -q usage || fail "no usage text for wrong arguments"
echo "1 passed, 0 failed: make-sfx"
