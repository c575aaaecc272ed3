#!/bin/sh
# A person converts a file: names the source, takes its one reachable version, names a new target
# (or overwrites the source), presses Enter, answers the boxes and closes with Escape. The result
# carries the catalogue's checksum and time stamp.
. "$(dirname "$0")/lib.sh"

start_x_server
seq 1 3000 >"$work/v1"
seq 1 3000 | sed 's/^2.*7$/changed/' >"$work/v2"
touch -d '2001-02-03 04:05:06' "$work/v1"
touch -d '2004-03-01 13:05:08' "$work/v2"
install_program "$work/app" convert
install_patch_set "$work/app/convert.sfx" sample.txt "1=$work/v1" "2=$work/v2"
catalogue="$work/set/patchinfo.ini"

# The value of a key in the catalogue section of version 2.
catalogue_value() {  # <key>
    tr -d '\r' <"$catalogue" | awk -F= -v key="$1" '
        /^\[/ { in_section = ($0 == "[\"sample.txt\" \"2\"]") }
        in_section && $1 == key { print substr($0, length(key) + 2) }'
}

expect_version_2() {  # <file>
    [ "$(md5sum <"$1" | cut -c1-32)" = "$(catalogue_value md5)" ] || fail "$1 does not have the checksum of version 2"
    [ "$(date -r "$1" '+%m/%d/%Y %H:%M:%S')" = "$(catalogue_value TimeStamp)" ] ||
        fail "$1 is stamped $(date -r "$1"), not with the catalogue's time stamp"
}

# Starts the program, focuses the source box with its access key and types the source name. The
# pause lets the identification finish before the next keys arrive.
start_and_name_source() {  # <source>
    start_program "$work/app" convert
    window=$(wait_for_window "File Converter")
    [ -n "$window" ] || fail "the main window did not appear"
    wait_for_file "$TMPDIR/convert/patchinfo.ini" || fail "the patch set was not unpacked"
    press_key "$window" alt+s
    type_text "$window" "$1"
    sleep 1
}

answer_box() {  # <title>
    box=$(wait_for_window "$1")
    [ -n "$box" ] || fail "no \"$1\" box appeared"
    press_key "$box" Return
}

close_and_expect_clean_exit() {
    press_key "$window" Escape
    wait_for_exit
    [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape, expected 0"
}

echo "case: convert into a new target file"
mkdir -p "$work/data"
cp "$work/v1" "$work/data/sample.txt"
start_and_name_source "$work/data/sample.txt"
# The one version is chosen and the target box has the focus; replace whatever it proposes.
press_key "$window" ctrl+a
type_text "$window" "$work/data/sample converted.txt"
press_key "$window" Return
answer_box Success
close_and_expect_clean_exit
expect_version_2 "$work/data/sample converted.txt"
cmp -s "$work/v1" "$work/data/sample.txt" || fail "the source changed"

echo "case: overwrite the source file"
cp "$work/v1" "$work/data/overwritten.txt"
start_and_name_source "$work/data/overwritten.txt"
press_key "$window" alt+o
sleep 0.5
press_key "$window" Return
answer_box Question
answer_box Success
close_and_expect_clean_exit
expect_version_2 "$work/data/overwritten.txt"
[ "$(LC_ALL=C ls "$work/data")" = "$(printf 'overwritten.txt\nsample converted.txt\nsample.txt')" ] ||
    fail "unexpected files beside the source: $(ls "$work/data")"

echo "2 passed, 0 failed: conversion"
