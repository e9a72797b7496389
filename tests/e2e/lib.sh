# Shared by the end-to-end scripts: an X server of our own and a private network namespace (the
# game's single-instance endpoint lives there, so a game the user runs does not disturb a test).
# Usage at the top of a script:  source lib.sh; isolate "$@"
set -u

isolate() {
    if [ -z "${PUCKWIND_E2E_INSIDE:-}" ]; then
        export PUCKWIND_E2E_INSIDE=1
        local wrap=()
        if unshare --net true 2>/dev/null; then
            wrap=(unshare --net)
        elif unshare --net --map-root-user true 2>/dev/null; then
            wrap=(unshare --net --map-root-user)
        fi
        exec "${wrap[@]}" xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
    fi
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to $2 seconds (default 30: a loaded machine is slow to start) for a window named $1;
# prints its id.
wait_window() {
    local deadline=$((SECONDS + ${2:-30}))
    while [ $SECONDS -lt $deadline ]; do
        local id
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Waits up to $2 seconds for process $1 to end; its exit code goes into $exit_code.
wait_exit() {
    local deadline=$((SECONDS + ${2:-5}))
    while kill -0 "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
    wait "$1"
    exit_code=$?
    return 0
}
