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
# From the target box two tabs lead to the check box. The space bar toggles it when the key is
# released, before the next key is handled; its access key would toggle it only after a short
# animation, which a quick Return could overtake.
press_key "$window" Tab
press_key "$window" Tab
press_key "$window" space
press_key "$window" Return
answer_box Question
answer_box Success
close_and_expect_clean_exit
expect_version_2 "$work/data/overwritten.txt"
[ "$(LC_ALL=C ls "$work/data")" = "$(printf 'overwritten.txt\nsample converted.txt\nsample.txt')" ] ||
    fail "unexpected files beside the source: $(ls "$work/data")"

echo "2 passed, 0 failed: conversion"
