# shellcheck shell=bash
# The program's surroundings in the shell harnesses (the scenario, the looks and 120 dpi suites
# and bench/run.sh), as tests/support/session.py makes them for the Python suites: a home and a
# runtime folder of their own, a stand-in browser, and a private D-Bus session bus, as every
# desktop session has one (without a bus the D-Bus library tries to autolaunch one and leaks while
# failing, which sanitizer builds report). Sourced.

# start_session FOLDER: makes FOLDER/home, FOLDER/runtime and FOLDER/bin/xdg-open, and starts the
# session bus on FOLDER/bus. The program visits its home page on about one start in a hundred: the
# stand-in notes each address it is given in FOLDER/xdg-open.log and succeeds, so no browser and
# no report that none is there. Sets session_bus_pid, and PROGRAM_ENV, the environment the program
# starts in:  env "${PROGRAM_ENV[@]}" PROGRAM. Fails when the bus has not started within 5 seconds.
start_session() {
    local folder=$1
    mkdir -p "$folder/bin" "$folder/home" "$folder/runtime"
    chmod 700 "$folder/runtime"
    cat >"$folder/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$folder/xdg-open.log"
EOF
    chmod +x "$folder/bin/xdg-open"
    dbus-daemon --session --nofork --address="unix:path=$folder/bus" --print-address=1 \
        >"$folder/bus.address" 2>"$folder/bus.log" &
    session_bus_pid=$!
    for _ in $(seq 50); do
        [[ -s $folder/bus.address ]] && break
        sleep 0.1
    done
    if [[ ! -s $folder/bus.address ]]; then
        echo "FAIL: the private D-Bus session bus did not start" >&2
        return 1
    fi
    # shellcheck disable=SC2034 # the caller's
    PROGRAM_ENV=(PATH="$folder/bin:$PATH" HOME="$folder/home" XDG_RUNTIME_DIR="$folder/runtime"
        DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$folder/bus.address")" QT_QPA_PLATFORM=xcb)
}

stop_session() {
    [[ -n ${session_bus_pid:-} ]] || return 0
    kill "$session_bus_pid" 2>/dev/null
    wait "$session_bus_pid" 2>/dev/null
    session_bus_pid=
    return 0
}
