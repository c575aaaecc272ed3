#!/bin/sh
# Whatever stands at the target path is asked about before it is replaced: a file dated before
# 1980, a name with wildcard characters beside a directory they would match, a dangling link.
# No leaves each exactly as it was; Yes replaces the old file.
. "$(dirname "$0")/lib.sh"

start_x_server
seq 1 3000 >"$work/v1"
seq 1 3000 | sed 's/^2.*7$/changed/' >"$work/v2"
install_program "$work/app" convert
install_patch_set "$work/app/convert.sfx" sample.txt "1=$work/v1" "2=$work/v2"
mkdir -p "$work/data"
cp "$work/v1" "$work/data/sample.txt"

# Names the source and the target and presses Enter; then the question must come.
convert_into() {  # <target>
    start_and_name_source "$work/data/sample.txt"
    press_key "$window" ctrl+a
    type_text "$window" "$1"
    press_key "$window" Return
}

listing() { LC_ALL=C ls -lA --time-style=+%s "$work/data"; }

echo "case: a file dated 1970, a wildcard name beside a directory, a dangling link: No keeps them"
printf 'dated 1970\n' >"$work/data/old.bin"
touch -d @0 "$work/data/old.bin"
mkdir "$work/data/a0b.bin"
printf 'question mark\n' >"$work/data/a?b.bin"
ln -s nowhere.bin "$work/data/link.bin"
before=$(listing)
for target in old.bin 'a?b.bin' link.bin; do
    convert_into "$work/data/$target"
    answer_box Question Escape
    close_and_expect_clean_exit
    [ "$(listing)" = "$before" ] || fail "$target changed after No: $(listing)"
done

echo "case: Yes replaces the file dated 1970"
convert_into "$work/data/old.bin"
answer_box Question
answer_box Success
close_and_expect_clean_exit
cmp -s "$work/v2" "$work/data/old.bin" || fail "old.bin was not replaced by version 2"

echo "2 passed, 0 failed: overwrite question"
