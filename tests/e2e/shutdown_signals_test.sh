#!/bin/sh
# SIGTERM, SIGINT and SIGHUP end the program in order, wherever it is: nothing of the unpacked
# set, the temporary copy or the hidden output stays behind, a running patch tool is stopped,
# and the exit code is 128 + the signal's number.
. "$(dirname "$0")/lib.sh"

start_x_server
seq 1 3000 >"$work/v1"
seq 1 3000 | sed 's/^2.*7$/changed/' >"$work/v2"
install_program "$work/app" convert
make_patch_set sample.txt "1=$work/v1" "2=$work/v2"
# A patch tool that records itself and then waits to be stopped.
cat >"$work/set/bspatch" <<SCRIPT
#!/bin/sh
echo \$\$ >"$work/tool.pid"
exec sleep 120
SCRIPT
pack_patch_set "$work/app/convert.sfx"
mkdir -p "$work/data"
cp "$work/v1" "$work/data/sample.txt"
extraction="$TMPDIR/convert"

holds_open() {  # <pid> <file>
    for descriptor in /proc/"$1"/fd/*; do
        [ "$(readlink "$descriptor" 2>/dev/null)" = "$2" ] && return 0
    done
    return 1
}

expect_ended_in_order() {  # <signal> <exit code>
    wait_for_exit
    [ "$exit_code" = "$2" ] || fail "exit code $exit_code after SIG$1, expected $2"
    [ ! -e "$extraction" ] || fail "the extraction directory is still there after SIG$1"
    [ "$(LC_ALL=C ls -A "$work/data")" = "$data_before" ] ||
        fail "left beside the target after SIG$1: $(ls -A "$work/data")"
}

echo "case: SIGTERM while the window waits for the user"
data_before=$(LC_ALL=C ls -A "$work/data")
start_program_until_ready "$work/app" convert
kill -TERM "$program_pid"
expect_ended_in_order TERM 143

echo "case: SIGTERM while a source is being summed"
# Holes read fast, yet summing 64 GiB takes minutes: ending within wait_for_exit's bound shows
# that the signal cut the checksum short.
truncate -s 64G "$work/data/huge.bin"
data_before=$(LC_ALL=C ls -A "$work/data")
start_program_until_ready "$work/app" convert
window=$(wait_for_window "File Converter")
[ -n "$window" ] || fail "the main window did not appear"
press_key "$window" alt+s
type_text "$window" "$work/data/huge.bin"
wait_until "the checksum has the source open" holds_open "$program_pid" "$work/data/huge.bin"
kill -TERM "$program_pid"
expect_ended_in_order TERM 143
rm "$work/data/huge.bin"
data_before=$(LC_ALL=C ls -A "$work/data")

echo "case: SIGINT while the patch tool runs"
start_and_name_source "$work/data/sample.txt"
press_key "$window" ctrl+a
type_text "$window" "$work/data/new.txt"
press_key "$window" Return
tool=$(wait_for_pid_file "$work/tool.pid")
[ -f "$extraction/sample.txt.tmp" ] || fail "no temporary copy while the tool runs"
[ -n "$(ls -A "$work/data" | grep '^\.')" ] || fail "no hidden output beside the target while the tool runs"
kill -INT "$program_pid"
expect_ended_in_order INT 130
wait_until "the patch tool has ended" has_ended "$tool"

echo "case: SIGHUP while the overwrite question is open"
printf 'keep me\n' >"$work/data/existing.txt"
data_before=$(LC_ALL=C ls -A "$work/data")
start_and_name_source "$work/data/sample.txt"
press_key "$window" ctrl+a
type_text "$window" "$work/data/existing.txt"
press_key "$window" Return
[ -n "$(wait_for_window Question)" ] || fail "no question came"
kill -HUP "$program_pid"
expect_ended_in_order HUP 129
[ "$(cat "$work/data/existing.txt")" = "keep me" ] || fail "the existing target changed"

echo "4 passed, 0 failed: shutdown signals"
