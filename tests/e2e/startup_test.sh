#!/bin/sh
# The program starts on a real patch set, shows its window, closes on Escape, leaves no unpacked
# files behind; without its patch set it reports the missing archive and exits with code 2.
. "$(dirname "$0")/lib.sh"

start_x_server
printf 'first version\n' >"$work/v1"
printf 'second version\n' >"$work/v2"

echo "case: a patch set beside the program"
install_program "$work/app" convert
install_patch_set "$work/app/convert.sfx" sample.txt "1=$work/v1" "2=$work/v2"
start_program_until_ready "$work/app" convert
window=$(wait_for_window "File Converter")
[ -n "$window" ] || fail "the main window did not appear"
[ -f "$TMPDIR/convert/patchinfo.ini" ] || fail "the patch set was not unpacked into $TMPDIR/convert"
# The catalogue has been read, so start-up is over and the window takes the key.
press_key "$window" Escape
wait_for_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape, expected 0"
[ ! -e "$TMPDIR/convert" ] || fail "the extraction directory is still there after closing"

echo "case: no patch set beside the program"
install_program "$work/bare" lonely
start_program "$work/bare" lonely
window=$(wait_for_window "Error")
[ -n "$window" ] || fail "no error box appeared"
press_key "$window" Return
wait_for_exit
[ "$exit_code" = 2 ] || fail "exit code $exit_code after the fatal error, expected 2"
[ -z "$(ls -A "$TMPDIR")" ] || fail "something was created under the temporary folder"

echo "case: a patch set whose catalogue is a FIFO"
install_program "$work/fifo" stuck
cat >"$work/fifo/stuck.sfx" <<'SCRIPT'
#!/bin/sh
printf '#!/bin/sh\n' >bspatch
chmod 0755 bspatch
mkfifo patchinfo.ini
SCRIPT
chmod 0755 "$work/fifo/stuck.sfx"
start_program "$work/fifo" stuck
answer_box Error
wait_for_exit
[ "$exit_code" = 2 ] || fail "exit code $exit_code after the FIFO catalogue, expected 2"
[ ! -e "$TMPDIR/stuck" ] || fail "the extraction directory is still there after the FIFO catalogue"

echo "1 passed, 0 failed: startup"
