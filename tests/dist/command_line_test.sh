# Both programs answer --help and --version on standard output with status 0, without a display;
# the packing tool's verbs describe themselves and an unknown option still fails with one line.
# Usage: command_line_test.sh <file-converter> <file-converter-pack>
set -eu
converter=$1
pack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() { echo "FAIL: $*" >&2; exit 1; }

# expect <status> <text the output holds> <stream: out|err> <command...>
expect() {
    status=$1 text=$2 stream=$3
    shift 3
    actual=0
    "$@" >"$work/out" 2>"$work/err" || actual=$?
    [ "$actual" = "$status" ] || fail "$* exited $actual, not $status"
    grep -qF -- "$text" "$work/$stream" || fail "$* did not print '$text' on standard $stream"
    other=err; [ "$stream" = err ] && other=out
    [ ! -s "$work/$other" ] || fail "$* also printed on standard $other: $(cat "$work/$other")"
}

expect 0 "usage: file-converter [--help | --version]" out "$converter" --help
expect 0 "file-converter.sfx  the patch set" out "$converter" --help
expect 0 "(file-converter) " out "$converter" --version
# A copy shipped under another name speaks of its own companion files.
cp "$converter" "$work/convert"
expect 0 "convert.sfx  the patch set" out "$work/convert" --help

expect 0 "usage: file-converter-pack build" out "$pack" --help
expect 0 "file-converter-pack " out "$pack" --version
expect 0 "--system-bsdiff" out "$pack" build --help
expect 0 "--apply VERSION_DIR" out "$pack" check --help
expect 0 "--apply VERSION_DIR" out "$pack" check some.sfx --help
expect 2 "usage: file-converter-pack" err "$pack"
expect 2 "unknown option --frobnicate" err "$pack" build out --frobnicate
[ "$(wc -l <"$work/err")" = 1 ] || fail "an unknown option gave more than one line"
echo "command_line_test: ok"
