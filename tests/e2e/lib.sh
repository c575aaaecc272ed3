# Shared steps of the end-to-end tests: a private X server, a real patch set beside a copy of the
# built program, and helpers that act on the program's windows as a person would.
# Usage: . lib.sh <built program> <source root> <directory of the test helpers> <built patch tool>
set -eu

program_binary=$1
source_root=$2
helpers=$3
patch_tool=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/fc-e2e-XXXXXX")
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
xvfb_pid=""
program_pid=""
watcher_pid=""

cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    if [ -n "$watcher_pid" ]; then kill "$watcher_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

start_x_server() {
    fifo="$work/display.fifo"
    mkfifo "$fifo"
    # Xvfb's output must not hold the test runner's pipes open.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    display=$(head -n 1 "$fifo")
    export DISPLAY=":$display"
}

# Makes <dir>/<name> (a copy of the program) and, unless told otherwise, <dir>/<base>.sfx holding
# a patch set made from the versions given as <version>=<file> arguments.
install_program() {  # <dir> <executable name>
    mkdir -p "$1"
    cp "$program_binary" "$1/$2"
}
install_patch_set() {  # <archive path> <catalogue file name> <version>=<file>...
    archive=$1
    shift
    make_patch_set "$@"
    pack_patch_set "$archive"
}
# The two halves of install_patch_set, for a test that changes the set in between.
make_patch_set() {  # <catalogue file name> <version>=<file>...
    rm -rf "$work/set"
    "$source_root/tests/support/make-patch-set" "$patch_tool" "$work/set" "$@" >/dev/null
}
pack_patch_set() {  # <archive path>
    "$source_root/tools/make-sfx" "$work/set" "$1"
}

start_program() {  # <dir> <executable name>
    (cd "$1" && exec "./$2") </dev/null &
    program_pid=$!
}

# Waits until a visible window of the program with exactly this title exists; prints its id.
# xdotool gives up with BadWindow when another window closes while it looks at it (a box just
# answered, say): then it searches again, within the same 30 seconds.
wait_for_window() {  # <title>
    search_deadline=$(($(date +%s) + 30))
    while remaining=$((search_deadline - $(date +%s))) && [ "$remaining" -gt 0 ]; do
        found=$(timeout "$remaining" xdotool search --sync --all --onlyvisible --pid "$program_pid" \
            --name "^$1\$" 2>/dev/null | head -n 1)
        [ -z "$found" ] || { echo "$found"; return 0; }
        sleep 0.05
    done
}

press_key() {  # <window> <key>
    xdotool windowfocus --sync "$1"
    xdotool key --clearmodifiers "$2"
}

type_text() {  # <window> <text>
    xdotool windowfocus --sync "$1"
    xdotool type --delay 5 -- "$2"
}

# Watches in the background for the next read of the file (which need not exist yet);
# wait_for_read collects the outcome.
watch_for_read() {  # <file>
    rm -f "$work/watch.out"
    "$helpers/wait-for-read" "$1" 30 >"$work/watch.out" &
    watcher_pid=$!
    wait_until "the watch on $1 is set" test -s "$work/watch.out"
}
wait_for_read() {  # <what is read, for the message>
    wait "$watcher_pid" || fail "the program did not read $1"
    watcher_pid=""
}

# Starts the program and waits until start-up has read the catalogue: the window is enabled
# right after, so from then on it takes the keys it is sent.
start_program_until_ready() {  # <dir> <executable name>
    watch_for_read "$TMPDIR/${2%.*}/patchinfo.ini"
    start_program "$1" "$2"
    wait_for_read "its catalogue"
}

# Types the name of a file into the focused box and waits until the program has read the file,
# that is until the identification that the name started has finished reading it.
type_file_name_and_wait_until_read() {  # <window> <file>
    xdotool windowfocus --sync "$1"
    watch_for_read "$2"
    xdotool type --delay 5 -- "$2"
    wait_for_read "$2"
}

# What a window manager sends when the user clicks the window's close box.
send_close_request() {  # <window>
    "$helpers/send-close-request" "$1" || fail "could not send the close request"
}

# True once the process has ended: gone, or a zombie nobody has reaped yet.
has_ended() {  # <pid>
    ! kill -0 "$1" 2>/dev/null || [ "$(cut -d')' -f2 "/proc/$1/stat" 2>/dev/null | cut -c2)" = Z ]
}

# Polls until the condition command succeeds; fails the test after 30 seconds.
wait_until() {  # <description> <command>...
    description=$1
    shift
    deadline=$(($(date +%s) + 30))
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting until $description"
        sleep 0.05
    done
}

# Waits until the file holds a process id and prints it.
wait_for_pid_file() {  # <file>
    wait_until "$1 holds a process id" test -s "$1"
    cat "$1"
}

# Waits for the program to end and leaves its exit code in $exit_code. A program still running
# after 30 seconds (for instance behind a message box nobody expected) fails the test.
wait_for_exit() {
    wait_until "the program ends" has_ended "$program_pid"
    exit_code=0
    wait "$program_pid" || exit_code=$?
    program_pid=""
}

# Starts the program installed as $work/app/convert, focuses the source box with its access key
# and types the source name; the next keys go out once the identification has read the source.
start_and_name_source() {  # <source>
    start_program_until_ready "$work/app" convert
    window=$(wait_for_window "File Converter")
    [ -n "$window" ] || fail "the main window did not appear"
    press_key "$window" alt+s
    type_file_name_and_wait_until_read "$window" "$1"
}

# Waits for the message box with this title and answers it with the key (Return by default).
answer_box() {  # <title> [<key>]
    box=$(wait_for_window "$1")
    [ -n "$box" ] || fail "no \"$1\" box appeared"
    press_key "$box" "${2:-Return}"
}

close_and_expect_clean_exit() {
    press_key "$window" Escape
    wait_for_exit
    [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape, expected 0"
}
