#!/usr/bin/env bash
# The Windows build of the serial-link library under wine, against the flight
# computer simulator. Every session of fltport_port_check runs twice, natively
# with libfltport.so and under wine with fltport.dll, each time against a fresh
# fcsim whose pseudo-terminal wine sees as COM5. The two folders (transcript of
# every call, downloaded files, bytes the simulator received) must be equal,
# the transcript must hold the line expected, and the program checks the
# time-outs itself.
#
#   run_under_wine.sh BUILD_DIR MINGW_BUILD_DIR
#
# The wine prefix is kept in MINGW_BUILD_DIR/wine-prefix (tools/wine_session.sh).
set -euo pipefail

source=$(cd "$(dirname "$0")/../../.." && pwd)
examples=$source/examples
# shellcheck source=../../../tools/wine_session.sh
. "$source/tools/wine_session.sh"
wine_check_folders "$@"
wine_need "$build/bin/fcsim" "$build/bin/fltport_port_check" "$mingw/bin/fltport_port_check.exe" "$mingw/bin/fltport.dll"
wine_session_start "$mingw" || exit 1

work=$(mktemp -d /tmp/fltport-wine-XXXXXX)
sim_pid=""
port_link="$work/fc"

# Stops fcsim and returns once it is gone. Only the shell that started it can
# wait for it, so no subshell calls this.
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
}

finish() {
    stop_sim
    rm -f "$WINEPREFIX/dosdevices/com5" "$WINEPREFIX/dosdevices/com6"
    wine_session_end
    rm -rf "$work"
}
trap finish EXIT

# Starts fcsim with the given options; its pseudo-terminal appears as $port_link.
start_sim() {
    rm -f "$port_link"
    "$build/bin/fcsim" --quiet --link "$port_link" "$@" >/dev/null &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -L "$port_link" ] && return 0
        sleep 0.05
    done
    echo "fcsim did not start" >&2
    return 1
}

ln -sfn "$port_link" "$WINEPREFIX/dosdevices/com5"  # COM1 to COM4 wine keeps for /dev/ttyS*
plain_file="$work/not-a-port.txt"
echo "not a serial line" >"$plain_file"
ln -sfn "$plain_file" "$WINEPREFIX/dosdevices/com6"

# Runs fltport_port_check SESSION on one side (linux or wine) in the current folder.
port_check() {
    local side=$1 session=$2 port=$3
    if [ "$side" = linux ]; then
        timeout 60 "$build/bin/fltport_port_check" "$session" "$port"
    else
        timeout 90 "$wine" "$mingw/bin/fltport_port_check.exe" "$session" "$port"
    fi
}

# The hang-up session: the simulator is stopped once the program has the port open.
port_check_hangup() {
    local side=$1 port=$2 checker
    port_check "$side" hangup "$port" &
    checker=$!
    for _ in $(seq 400); do
        [ -e opened ] && break
        sleep 0.05
    done
    stop_sim
    touch hung-up
    wait "$checker"
}

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# run NAME SESSION EXPECTED_LINE [FCSIM_OPTIONS...]. Instead of options,
# "absent" names a port with nothing behind it and "plain-file" a port that is
# a regular file; no simulator is started for them.
run() {
    local name=$1 session=$2 expected=$3
    shift 3
    local side status start
    for side in linux wine; do
        local dir="$work/$name/$side" port
        mkdir -p "$dir"
        case "${1:-}" in
            absent) port=$([ "$side" = linux ] && echo "$work/no-such-port" || echo COM50) ;;
            plain-file) port=$([ "$side" = linux ] && echo "$plain_file" || echo COM6) ;;
            *)
                port=$([ "$side" = linux ] && echo "$port_link" || echo COM5)
                start_sim --log "$dir/host.bin" "$@"
                ;;
        esac
        start=$SECONDS
        status=0
        cd "$dir"
        if [ "$session" = hangup ]; then
            port_check_hangup "$side" "$port" || status=$?
        else
            port_check "$side" "$session" "$port" || status=$?
        fi
        cd "$work"
        stop_sim
        # How far a cancelled transfer got depends on the moment: only the calls compare.
        [ "$session" = cancel ] && rm -f "$dir/host.bin" "$dir"/tmprecord*-partial.rcd
        echo "$name ($side): exit $status, $((SECONDS - start)) s"
        [ "$status" -eq 0 ] || fail "$name: the $side run ended with $status"
        grep -qxF "$expected" "$dir/transcript.txt" || fail "$name ($side): no line '$expected' in the transcript"
    done
    diff -r "$work/$name/linux" "$work/$name/wine" >&2 || fail "$name: the wine run differs from the Linux one"
}

two_flights=("$examples/small_motor.rcd" "$examples/small_motor_downloaded.rcd")

run config         config   'ReadConfigCommand 2 = 1 "0"' --continuity 101
run download       download 'StartUpload = 1 "flights 3"' \
    "$examples/small_motor.rcd" "$examples/metric_flight.rcd" --generate "--seed 5 --impulse 5"
run silent         silent   'StartUpload = 0 "flights 0"' --fault silent
run bad-greeting   fault    'StartUpload = 0 "flights 0"' --fault bad-greeting "${two_flights[@]}"
run unknown-record fault    'StartUpload = 1 "flights 2"' --fault unknown-record "${two_flights[@]}"
run stall-type     fault    'StartUpload = 0 "flights 1"' --fault stall-type "${two_flights[@]}"
run stall-value    fault    'StartUpload = 0 "flights 1"' --fault stall-value "${two_flights[@]}"
run chatter        chatter  'ReadConfigCommand m = 1 "600"' --chatter 700
run absent         absent   'InitComport = 0' absent
run plain-file     absent   'InitComport = 0' plain-file
[ "$(cat "$plain_file")" = "not a serial line" ] || fail "plain-file: the file was written to"
run hangup         hangup   'ReadConfigCommand m = 1 ""'
run cancel         cancel   'StartUpload = 0 "flights 0"' --pace "$examples/small_motor.rcd"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "fltport.dll under wine: every session matches the Linux build"
