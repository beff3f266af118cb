# The X server of every harness: sourced by the test command, which starts one for the end-to-end
# suites, by the suites that need one of their own (another resolution), and by
# scripts/test-windows.sh; run as a command (at the end) by a suite that changes the server's
# keyboard.

# start_x_server [XVFB-OPTION...]: Xvfb, numbered by the server itself, with openbox on it where
# openbox is installed (a bare root may have none). Exports DISPLAY once the window manager has
# taken the screen; stop_x_server ends both. Fails, with Xvfb's own output, when the server has
# not given its number within 10 seconds.
start_x_server() {
    local display_file x_log
    display_file=$(mktemp)
    x_log=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset "$@" \
        3>"$display_file" >"$x_log" 2>&1 &
    x_server_pids=($!)
    for _ in $(seq 100); do
        [[ -s $display_file ]] && break
        kill -0 "${x_server_pids[0]}" 2>/dev/null || break # it gave up: no use waiting
        sleep 0.1
    done
    if [[ ! -s $display_file ]]; then
        echo "FAIL: the X server (Xvfb) did not start; its output:" >&2
        sed 's/^/  /' "$x_log" >&2
        kill "${x_server_pids[0]}" 2>/dev/null || true
        x_server_pids=()
        rm -f "$display_file" "$x_log"
        return 1
    fi
    export DISPLAY=":$(cat "$display_file")"
    rm -f "$display_file" "$x_log"
    command -v openbox >/dev/null || return 0
    openbox >/dev/null 2>&1 &
    x_server_pids+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
        sleep 0.1
    done
}

stop_x_server() {
    kill "${x_server_pids[@]}" 2>/dev/null || true
}

# Run as a command, `xserver.sh COMMAND [ARGUMENT...]` runs COMMAND in an X server of its own,
# for a suite that changes the server (its keyboard layout), and stops the server afterwards.
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -euo pipefail
    start_x_server
    trap stop_x_server EXIT
    "$@"
fi
