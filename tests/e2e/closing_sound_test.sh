#!/bin/sh
# A closing sound keeps the window for a few seconds at most, however long it is, and a signal
# while it plays ends the program at once with 128 + the signal's number.
. "$(dirname "$0")/lib.sh"

# SDL's "dummy" driver takes the samples at the sound's own rate, without a sound card.
export SDL_AUDIODRIVER=dummy

# 40 seconds of 8-bit mono samples at 100 per second.
write_long_wave() {  # <file>
    printf 'RIFF\304\017\000\000WAVEfmt \020\000\000\000\001\000\001\000' >"$1"
    printf '\144\000\000\000\144\000\000\000\001\000\010\000data\240\017\000\000' >>"$1"
    head -c 4000 /dev/zero | tr '\000' '\200' >>"$1"
}

# A branding library holding only the closing sound, made as an author makes one.
make_branding_library() {  # <library> <closing sound>
    printf 'SOUND2 WAVE "%s"\n' "$2" >"$work/branding.rc"
    x86_64-w64-mingw32-windres --preprocessor=cat "$work/branding.rc" -O coff -o "$work/branding.o"
    x86_64-w64-mingw32-ld -shared --dll -e 0 -o "$1" "$work/branding.o"
}

start_x_server
printf 'first version\n' >"$work/v1"
printf 'second version\n' >"$work/v2"
install_program "$work/app" convert
install_patch_set "$work/app/convert.sfx" sample.txt "1=$work/v1" "2=$work/v2"
write_long_wave "$work/closing.wav"
make_branding_library "$work/app/convert.dll" "$work/closing.wav"
extraction="$TMPDIR/convert"

echo "case: a closing sound longer than the limit is cut short"
start_program_until_ready "$work/app" convert
window=$(wait_for_window "File Converter")
[ -n "$window" ] || fail "the main window did not appear"
closed_at=$(date +%s)
send_close_request "$window"
wait_for_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after closing, expected 0"
# Whole seconds: the sound held the window for some of its five, yet far less than its forty.
[ $(($(date +%s) - closed_at)) -ge 3 ] || fail "the window did not stay for the closing sound"

echo "case: SIGTERM while the closing sound plays"
start_program_until_ready "$work/app" convert
window=$(wait_for_window "File Converter")
[ -n "$window" ] || fail "the main window did not appear"
send_close_request "$window"
# The unpacked set goes just before the closing sound starts.
wait_until "the extraction directory is gone" test ! -e "$extraction"
kill -TERM "$program_pid"
wait_for_exit
[ "$exit_code" = 143 ] || fail "exit code $exit_code after SIGTERM during the closing sound, expected 143"

echo "2 passed, 0 failed: closing sound"
