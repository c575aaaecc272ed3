# Shared steps of the end-to-end tests: a private X server, a real patch set beside a copy of the
# built program, and helpers that act on the program's windows as a person would.
# Usage: . lib.sh <built program> <source root> <built patch tool>
set -eu

program_binary=$1
source_root=$2
patch_tool=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/fc-e2e-XXXXXX")
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
xvfb_pid=""
program_pid=""

cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
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
    rm -rf "$work/set"
    "$source_root/tools/make-patch-set" --bspatch "$patch_tool" "$work/set" "$@" >/dev/null
    "$source_root/tools/make-sfx" "$work/set" "$archive"
}

start_program() {  # <dir> <executable name>
    (cd "$1" && exec "./$2") </dev/null &
    program_pid=$!
}

# Waits until a visible window of the program with exactly this title exists; prints its id.
wait_for_window() {  # <title>
    timeout 30 xdotool search --sync --all --onlyvisible --pid "$program_pid" --name "^$1\$" | head -n 1
}

# Waits up to 30 seconds for a file to appear; fails when it never does.
wait_for_file() {  # <path>
    tries=0
    while [ ! -f "$1" ]; do
        [ "$tries" -lt 300 ] || return 1
        tries=$((tries + 1))
        sleep 0.1
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

# Waits for the program to end and leaves its exit code in $exit_code.
wait_for_exit() {
    exit_code=0
    wait "$program_pid" || exit_code=$?
    program_pid=""
}
