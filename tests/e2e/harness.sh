# Harness of the end-to-end tests, sourced by each test script. The test runs the real program
# (orv-e2e: the configurator built for https://127.0.0.1:18443 with the test CA) on the
# system's libhidapi-hidraw under the hidraw bed (orv-simbed), the local API server with its
# request log, and the simulated device with its wire log, all on a virtual display of its
# own. Checks report and carry on; e2e_finish sums up.
#
# Set by tests/e2e/CMakeLists.txt: ORV_E2E_APP, ORV_E2E_SIMDEV, ORV_E2E_BED (needed by
# e2e_start_app only), ORV_E2E_APISERVER, ORV_E2E_CERTS, ORV_E2E_CATALOGUE, ORV_E2E_WORK.

set -uo pipefail

for var in ORV_E2E_APP ORV_E2E_SIMDEV ORV_E2E_APISERVER ORV_E2E_CERTS \
    ORV_E2E_CATALOGUE ORV_E2E_WORK; do
    if [ -z "${!var:-}" ]; then
        echo "$var is not set: run the test through ctest" >&2
        exit 1
    fi
done

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../tools/lib/session.sh
. "$e2e_root/tools/lib/session.sh"

e2e_port=18443
e2e_name=$(basename "$0" .sh)
e2e_work=$ORV_E2E_WORK
e2e_state="$e2e_work/device.json"
e2e_wire="$e2e_work/wire.log"
e2e_requests="$e2e_work/requests.jsonl"
e2e_passed=0
e2e_failed=0
e2e_started=$(date +%s%N)

# The test itself runs under xvfb-run (it gets a free display of its own).
if [ "${ORV_E2E_IN_XVFB:-}" != 1 ]; then
    command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (tools/install-deps.sh)" >&2; exit 1; }
    ORV_E2E_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
fi

e2e_cleanup() {
    orv_stop_all
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

rm -rf "$e2e_work"
mkdir -p "$e2e_work"
# Qt wants its runtime folder private.
mkdir -m 700 "$e2e_work/xdg-runtime"
export XDG_RUNTIME_DIR="$e2e_work/xdg-runtime"

e2e_elapsed() { echo "$((($(date +%s%N) - e2e_started) / 1000000)) ms"; }
e2e_log() { echo "[$(e2e_elapsed)] $*"; }

e2e_pass() {
    e2e_passed=$((e2e_passed + 1))
    echo "ok - $1"
}
e2e_fail() {
    e2e_failed=$((e2e_failed + 1))
    echo "not ok - $1"
    shift
    local line
    for line in "$@"; do echo "    $line"; done
}

# e2e_check DESCRIPTION COMMAND...: passes when COMMAND succeeds.
e2e_check() {
    local what=$1
    shift
    if "$@"; then e2e_pass "$what"; else e2e_fail "$what"; fi
}

# e2e_same DESCRIPTION EXPECTED ACTUAL: multi-line texts compared whole; a mismatch shows both.
e2e_same() {
    if [ "$2" = "$3" ]; then
        e2e_pass "$1"
    else
        e2e_fail "$1" "expected:" "${2//$'\n'/ | }" "actual:" "${3//$'\n'/ | }"
    fi
}

# Shows what the logs hold, for a failure that ends the test.
e2e_dump() {
    echo "--- last wire log lines ($e2e_wire)"
    tail -n 25 "$e2e_wire" 2>/dev/null | sed 's/^/    /'
    echo "--- requests ($e2e_requests)"
    e2e_targets_after 0 | tail -n 15 | sed 's/^/    /'
    echo "--- configurator output"
    tail -n 15 "$e2e_work/orv.log" 2>/dev/null | sed 's/^/    /'
}

# e2e_fatal TEXT: a failure after which the rest of the test means nothing.
e2e_fatal() {
    e2e_fail "$1"
    e2e_dump
    e2e_finish
}

e2e_finish() {
    e2e_log "done"
    # A connection the configurator could not make fails the test (ctest looks for these).
    grep -hE "No such signal|No such slot|No matching signal" "$e2e_work/orv.log" 2>/dev/null
    echo "$e2e_name: $e2e_passed passed, $e2e_failed failed"
    [ "$e2e_failed" -eq 0 ] && [ "$e2e_passed" -gt 0 ]
    exit $?
}

# --- the golden transcript ----------------------------------------------------------------

# Every box the test closes, by title, in order (the texts stay in the box).
e2e_boxes="$e2e_work/boxes.log"
eval "orv_close_box_untraced() $(declare -f orv_close_box | tail -n +2)"
orv_close_box() {
    [ -n "$(orv_box "$1")" ] && echo "box $1" >>"$e2e_boxes"
    orv_close_box_untraced "$@"
}

# The wire as a transcript: opens and closes without the node, and a run of chunks of a long
# host message with their acknowledgements as one line (the whole message follows as MSG;
# where an unplug cuts the transfer, how many chunks went over is the test's timing).
e2e_wire_transcript() {
    sed 's/^\(OPEN\|CLOSE\) .*/\1/' "$1" 2>/dev/null | awk '
        /^(H>D dc|D>H dd)( |$)/ { if (!run) print "H>D chunks of a long message, each acknowledged"; run = 1; next }
        { run = 0; print }'
}

# e2e_transcript [WIRE-LOG...]: the scenario's wire (the test's device unless logs are
# named), its server requests (method, target, status) and the boxes it closed, compared with
# tests/golden/e2e/NAME.txt; ORV_GOLDEN_UPDATE=1 writes that file instead.
e2e_transcript() {
    local golden="$e2e_root/tests/golden/e2e/$e2e_name.txt" actual="$e2e_work/transcript.txt" log
    [ $# -gt 0 ] || set -- "$e2e_wire"
    {
        for log in "$@"; do
            echo "== wire $(basename "$log")"
            e2e_wire_transcript "$log"
        done
        echo "== server"
        e2e_targets_after 0
        echo "== boxes"
        cat "$e2e_boxes" 2>/dev/null
    } >"$actual"
    if [ "${ORV_GOLDEN_UPDATE:-}" = 1 ]; then
        mkdir -p "$(dirname "$golden")" && cp "$actual" "$golden" && e2e_pass "transcript written to $golden"
    elif diff -u --label "expected $e2e_name.txt" --label actual "$golden" "$actual" >"$e2e_work/transcript.diff"; then
        e2e_pass "the transcript is the golden one"
    else
        e2e_fail "the transcript is the golden one (ORV_GOLDEN_UPDATE=1 rewrites it)"
        cat "$e2e_work/transcript.diff"
    fi
}

# --- the three programs --------------------------------------------------------------------

e2e_simdev() { "$ORV_E2E_SIMDEV" --file "$e2e_state" "$@"; }

e2e_start_server() {
    orv_start_apiserver "$ORV_E2E_APISERVER" "$e2e_port" "$ORV_E2E_CERTS" \
        "$e2e_work/apiserver.log" --catalogue "$ORV_E2E_CATALOGUE" --log "$e2e_requests" \
        || e2e_fatal "the local API server listens on 127.0.0.1:$e2e_port"
}

# e2e_start_app [BED-OPTIONS...]: the configurator under the bed, with the test's device
# (e2e_state, e2e_wire) unless the options name the devices.
e2e_start_app() {
    [ -n "${ORV_E2E_BED:-}" ] || e2e_fatal "ORV_E2E_BED names the hidraw bed"
    [ $# -gt 0 ] || set -- --device "$e2e_state" --wire-log "$e2e_wire"
    orv_start_app_bed "$ORV_E2E_APP" "$ORV_E2E_BED" "$e2e_work/orv.log" "$@" \
        || e2e_fatal "the configurator starts under the hidraw bed"
    [ -n "$(orv_window)" ] || e2e_fatal "the configurator shows its window"
    e2e_check "the configurator runs on the system's libhidapi-hidraw" orv_maps_system_hidapi "$orv_app_pid"
}

# ctl ARGS...: the program (orvctl in its tests) under the bed with the test's device; stdout
# and stderr in $out and $err, the exit status in $status. Standard input is not a terminal.
out="$e2e_work/ctl.out"
err="$e2e_work/ctl.err"
ctl() {
    "$ORV_E2E_BED" --device "$e2e_state" --wire-log "$e2e_wire" -- "$ORV_E2E_APP" "$@" >"$out" 2>"$err" </dev/null
    status=$?
}

# --- what the logs say ---------------------------------------------------------------------

# Complete host messages after the first START lines of the wire log, one a line ("09 0a").
e2e_messages_after() {
    tail -n "+$(($1 + 1))" "$e2e_wire" 2>/dev/null | sed -n 's/^MSG //p'
}

# "METHOD TARGET STATUS" of each request after the first START lines of the request log.
e2e_targets_after() {
    tail -n "+$(($1 + 1))" "$e2e_requests" 2>/dev/null \
        | sed -n 's/^.*"method":"\([^"]*\)","target":"\([^"]*\)".*"status":\([0-9]*\).*$/\1 \2 \3/p'
}

# e2e_requests_at_least START N: the request log holds N requests after its first START lines.
e2e_requests_at_least() {
    [ "$(e2e_targets_after "$1" | wc -l)" -ge "$2" ]
}

# Request log lines after START whose target starts with PATH.
e2e_requests_to() {
    tail -n "+$(($1 + 1))" "$e2e_requests" 2>/dev/null | grep -F "\"target\":\"$2"
}

# Hex bytes of a text, as the wire log writes them ("v-1" gives "76 2d 31").
e2e_hex() {
    printf '%s' "$1" | od -An -tx1 -v | tr -s ' \n' '  ' | sed 's/^ //; s/ $//'
}

# --- what the window shows -----------------------------------------------------------------

# e2e_region X Y W H: a digest of those pixels of the screen (raw pixels, so equal pictures
# give equal digests).
e2e_region() {
    import -window root -crop "$3x$4+$1+$2" +repage ppm:- 2>/dev/null | md5sum | cut -d' ' -f1
}

# e2e_wait_region SECONDS X Y W H RELATION DIGEST: waits until the region's digest is (eq) or
# is not (ne) DIGEST.
e2e_region_is() {
    local now
    now=$(e2e_region "$1" "$2" "$3" "$4")
    if [ "$5" = eq ]; then [ "$now" = "$6" ]; else [ "$now" != "$6" ]; fi
}
e2e_wait_region() {
    local limit=$1
    shift
    orv_wait_for "$limit" e2e_region_is "$@"
}

# Where the window shows the device model (label_device) and the drive-mode buttons.
e2e_device_label=(105 20 293 40)
e2e_drive_modes=(168 515 172 117)
# The two "Automatic" check boxes (checkBox_auto_proto, checkBox_auto_stby).
e2e_auto_protocol_box=(585 111 21 18)
e2e_auto_standby_box=(585 243 19 19)
