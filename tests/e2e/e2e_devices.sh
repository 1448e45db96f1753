# End to end: two devices plugged in at once, the first in enumeration order is the one used
# (and the second once the first is gone); then, where the test runs as root, a node that the
# program's user may not open gives the real EACCES and the permission hint.
. "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

first_state="$e2e_work/first.json"
first_wire="$e2e_work/first-wire.log"
second_state="$e2e_work/second.json"
second_wire="$e2e_work/second-wire.log"

e2e_start_server
"$ORV_E2E_SIMDEV" --file "$first_state" init --model or+ --configured --serial 1100000002 >/dev/null \
    && "$ORV_E2E_SIMDEV" --file "$second_state" init --model or --serial 1000000002 >/dev/null \
    || e2e_fatal "orv-simdev writes both state files"
e2e_wire=$first_wire  # for e2e_dump
e2e_start_app --device "$first_state" --wire-log "$first_wire" --device "$second_state" --wire-log "$second_wire"

orv_wait_for 20 grep -qx 'MSG 09 32' "$first_wire" || e2e_fatal "the first device is identified"
sleep 1
e2e_same "the first device is opened once" 1 "$(grep -c '^OPEN ' "$first_wire")"
e2e_same "the second device is left alone" "" "$(cat "$second_wire" 2>/dev/null)"
e2e_check "the server is asked about the first device" \
    grep -qF '["X-Auth-Token","1100000002"]' "$e2e_requests"

# The first one pulled out: its handle is closed and the second is found and identified.
"$ORV_E2E_SIMDEV" --file "$first_state" unplug || e2e_fatal "orv-simdev unplugs the first device"
e2e_check "the first device's handle is closed" orv_wait_for 5 grep -q '^CLOSE ' "$first_wire"
e2e_check "then the second device is identified" orv_wait_for 20 grep -qx 'MSG 09 32' "$second_wire"
e2e_check "the server is asked about the second device" \
    orv_wait_for 10 grep -qF '["X-Auth-Token","1000000002"]' "$e2e_requests"
e2e_log "two devices done"
# The permission case below runs only as root: it is not part of the transcript.
e2e_transcript "$first_wire" "$second_wire"

# The permission hint from a real EACCES: the program runs as nobody, the node is root's, 0600.
if [ "$(id -u)" -ne 0 ] || ! getent passwd nobody >/dev/null; then
    echo "skip - the permission case needs root (to run the program as nobody)"
    e2e_finish
fi
orv_stop_all
orv_pids=()
e2e_start_server
denied_state="$e2e_work/denied.json"
denied_wire="$e2e_work/denied-wire.log"
"$ORV_E2E_SIMDEV" --file "$denied_state" init >/dev/null || e2e_fatal "orv-simdev writes the state file"
# nobody reaches the display through a copy of the cookie, and has a runtime folder of its own.
xauth -f "${XAUTHORITY:?}" extract "$e2e_work/nobody.xauth" "$DISPLAY"
chmod 644 "$e2e_work/nobody.xauth"
mkdir -m 700 "$e2e_work/nobody-runtime"
chown nobody "$e2e_work/nobody-runtime"
XAUTHORITY=$e2e_work/nobody.xauth XDG_RUNTIME_DIR=$e2e_work/nobody-runtime \
    e2e_start_app --user nobody --device "$denied_state" --wire-log "$denied_wire" --denied
error_box_up() { [ -n "$(orv_box 'Error!')" ]; }
e2e_check "an open the node refuses ends in the Error! box" orv_wait_for 10 error_box_up
e2e_check "the box shows once" test "$(xdotool search --onlyvisible --name '^Error!$' | wc -l)" -eq 1
# The box's explanation, selected with three clicks (the primary selection).
eval "$(xdotool getwindowgeometry --shell "$(orv_box 'Error!')")"
xdotool mousemove "$((X + 120))" "$((Y + 70))" click --repeat 3 --delay 80 1
sleep 0.3
text=$(timeout 5 xclip -o -t UTF8_STRING 2>/dev/null)
if grep -qF "Access to the device is missing: this user may not open it." <<<"$text"; then
    e2e_pass "the box says the user may not open the device"
else
    e2e_fail "the box says the user may not open the device" "copied: ${text//$'\n'/ | }"
fi
orv_close_box 'Error!'

e2e_finish
