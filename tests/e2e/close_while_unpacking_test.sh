#!/bin/sh
# A close request from the window manager while the patch set unpacks ends the archive and what
# it started, removes the extraction directory and ends the program with exit code 0, without
# any further box.
. "$(dirname "$0")/lib.sh"

start_x_server
install_program "$work/app" convert
# An archive that takes its time, with a child of its own and one in a session of its own.
cat >"$work/app/convert.sfx" <<SCRIPT
#!/bin/sh
sleep 120 &
echo \$! >"$work/child.pid"
setsid sleep 1000 &
echo \$! >"$work/escaped.pid"
echo \$\$ >"$work/archive.pid"
wait
SCRIPT
chmod 0755 "$work/app/convert.sfx"

echo "case: close request while the archive runs"
start_program "$work/app" convert
window=$(wait_for_window "File Converter")
[ -n "$window" ] || fail "the main window did not appear"
archive=$(wait_for_pid_file "$work/archive.pid")
child=$(wait_for_pid_file "$work/child.pid")
escaped=$(wait_for_pid_file "$work/escaped.pid")
[ -d "$TMPDIR/convert" ] || fail "no extraction directory while unpacking"

send_close_request "$window"
wait_for_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after the close request, expected 0"
wait_until "the archive has ended" has_ended "$archive"
wait_until "the archive's child has ended" has_ended "$child"
wait_until "the child in its own session has ended" has_ended "$escaped"
[ ! -e "$TMPDIR/convert" ] || fail "the extraction directory is still there"

echo "1 passed, 0 failed: close while unpacking"
