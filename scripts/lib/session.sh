# Sourced: a private X display and a persistent wineserver for one run, and their clean stop.
# Only processes started here are stopped, by their PID; wineserver -k only with our own prefix.

ZELMO_XVFB_PID=""

start_xvfb() {
    local fifo dir
    dir=$(mktemp -d)
    fifo="$dir/displayfd"
    mkfifo "$fifo"
    # -displayfd lets Xvfb pick a free display number itself and report it.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    ZELMO_XVFB_PID=$!
    local num=""
    read -r -t 20 num <"$fifo" || true
    rm -rf "$dir"
    if [ -z "$num" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$num"
}

stop_xvfb() {
    if [ -n "$ZELMO_XVFB_PID" ]; then
        kill "$ZELMO_XVFB_PID" 2>/dev/null || true
        wait "$ZELMO_XVFB_PID" 2>/dev/null || true
        ZELMO_XVFB_PID=""
    fi
}

start_wineserver() {
    # A persistent server for the run: later Wine processes attach to it instead of each
    # starting (and holding the output pipe of) a server of their own.
    "$WINESERVER" -p
}

warm_up_wine() {  # warm_up_wine <wintool.exe>
    # Wine's own background processes (services, the desktop) start with the first program that
    # needs them and inherit its output. Started here with no output attached, they cannot hold
    # the output pipe of a test runner open.
    env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$WINE" "$1" warm-up </dev/null >/dev/null 2>&1 || true
}

stop_wine() {
    # Ends every Wine process of this prefix, then the server itself.
    if [ -d "$WINEPREFIX" ]; then
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
    fi
}

end_session() {
    stop_wine
    stop_xvfb
}
