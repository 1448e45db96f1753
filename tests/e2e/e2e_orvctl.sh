# End to end: orvctl (built for the local API server) on the system's hidapi under the hidraw
# bed: identify --json against the device's state file, each setting, an installation, a
# refused drive mode, a server that does not answer (while it waits, the process maps no Qt
# Gui or Widgets library), a device the window holds (and the window waiting for one orvctl
# holds), an unplug and Ctrl-C twice in the middle of the software, no device at all, and
# (as root) a node the user may not open.
. "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

serial=1100000002
key='Zx9/Qw+Er=='

e2e_start_server
e2e_simdev init --model or+ --configured --serial "$serial" --key "$key" --count 3 >/dev/null \
    || e2e_fatal "orv-simdev writes the state file"

# The value of KEY in a JSON text: a text, a number, a literal, a flat array or object.
value() {
    grep -o "\"$1\": *\({[^}]*}\|\[[^]]*\]\|\"[^\"]*\"\|[^,}]*\)" | head -n 1 | sed "s/^\"$1\": *//"
}
device() { e2e_simdev show | sed 's/^ *//' | tr -d '\n' | value "$1"; }
# ctl_start ARGS...: the same in the background; sets bed and pid (orvctl's own).
ctl_start() {
    "$ORV_E2E_BED" --device "$e2e_state" --wire-log "$e2e_wire" -- "$ORV_E2E_APP" "$@" >"$out" 2>"$err" </dev/null &
    bed=$!
    local program i
    program=$(realpath "$ORV_E2E_APP")
    # The bed's child becomes orvctl once umockdev-wrapper has passed it on.
    for ((i = 0; i < 100; i++)); do
        pid=$(pgrep -P "$bed" -n)
        [ -n "$pid" ] && [ "$(readlink "/proc/$pid/exe")" = "$program" ] && break
        sleep 0.1
    done
}
# Waits until the vehicle write has reached the software (its settings word went before).
in_software() {
    orv_wait_for 30 orv_has_after "$e2e_wire" "$1" '^MSG 32 0c 00 00$' && sleep 0.5
}

# --- identify --json: what the device holds ------------------------------------------------
ctl --json identify
json=$(cat "$out")
e2e_same "identify --json: status 0 and one line of JSON" "0 1" "$status $(wc -l <"$out")"
vehicle=$(printf '%s' "$json" | value vehicle)
e2e_same "identify --json: the values the state file holds" \
    "$(device serial) \"$(device firmware | tr -d '[] ' | tr , .)\" $(device config_id) $(device model) $(device engine) $(device power) $(device torque) $(device software_label)" \
    "$(printf '%s' "$json" | value serial_number) $(printf '%s' "$json" | value firmware) $(printf '%s' "$json" | value config_id) $(printf '%s' "$vehicle" | value model) $(printf '%s' "$vehicle" | value engine) $(printf '%s' "$vehicle" | value power) $(printf '%s' "$vehicle" | value torque) $(printf '%s' "$vehicle" | value software_label)"
e2e_same "identify --json: model, drive mode, indication, standby, protocol, count" \
    '"OR+" "dynamic" true "auto" "auto" 3' \
    "$(for k in model drive_mode indication standby protocol configurations_left; do printf '%s' "$json" | value $k; done | tr '\n' ' ' | sed 's/ $//')"
e2e_check "the device key is never printed" test -z "$(grep -F -e "$key" -e 'Zx9%2F' "$out" "$err")"

# --- each setting, the others kept as held ---------------------------------------------------
check_set() {  # DESCRIPTION KEY EXPECTED ARGS...
    local what=$1 key=$2 expected=$3
    shift 3
    ctl set "$@"
    e2e_same "set $what: status 0, \"Settings are changed!\", the device holds it" \
        "0 Settings are changed! $expected" "$status $(cat "$out") $(device "$key")"
}
check_set "drive-mode eco" drive_mode 1 drive-mode eco
check_set "indication off" indication 0 indication off
# Flags: S 0x01, U 0x02, automatic standby 0x04, automatic protocol 0x08.
check_set "standby s" settings_flags 9 standby s
check_set "protocol k-line" settings_flags 1 protocol k-line
e2e_same "set protocol k-line: its bit in the mask" 32 "$(device protocol_mask)"

# --- an installation ------------------------------------------------------------------------
ctl install Škoda Rapid "1.8 TSI"
e2e_same "install without a terminal needs --yes" 64 "$status"
req_start=$(orv_lines "$e2e_requests")
ctl --json install Škoda Rapid "1.8 tsi" --yes
e2e_same "install: status 0 and \"Vehicle is changed!\"" '0 "Vehicle is changed!"' \
    "$status $(value text <"$out")"
e2e_same "install: the device holds the vehicle, DYNAMIC" '"v-1363" "Rapid" 2' \
    "$(device config_id) $(device model) $(device drive_mode)"
plain_progress() { grep -q '%' "$err" && ! grep -q $'[\r\e]' "$err"; }
e2e_check "install: plain progress lines on a standard error that is no terminal" plain_progress
e2e_check "install: reported to the server" test -n "$(e2e_requests_to "$req_start" /api/v1/vehicle/settings/install/success)"

# --- a server that does not answer: status 4 after the time-out ------------------------------
orv_api POST /__sim/fault '{"fault":"limitInfo:delay:25000","once":true}' >/dev/null \
    || e2e_fatal "the server takes the delay fault"
wire_start=$(orv_lines "$e2e_wire")
ctl_start identify
# Identified (the request log has its line once the answer went out): the server is asked.
orv_wait_for 20 orv_has_after "$e2e_wire" "$wire_start" '^MSG 09 32$' || e2e_fail "orvctl identifies the device"
sleep 1
maps=$(cat "/proc/$pid/maps" 2>/dev/null)
e2e_check "while it waits for the server, orvctl maps Qt Core and no Qt Gui or Widgets" \
    test -n "$(grep -m1 'libQt[0-9]Core' <<<"$maps")" -a -z "$(grep -E 'libQt[0-9](Gui|Widgets)' <<<"$maps")"
wait "$bed"
status=$?
e2e_same "a server that does not answer: status 4" 4 "$status"

# --- one program per device: the window holds it, then orvctl does -------------------------
# Both under one bed (a script the bed runs): while the window has the device, orvctl finds it
# in use; while orvctl installs, the window shows no box and waits, then identifies it.
cat >"$e2e_work/held.sh" <<'SCRIPT'
window=$1 ctl=$2 work=$3 wire=$4
export QT_QPA_PLATFORM=xcb
# The wire log from here on: the window's identification, not an earlier one.
: >"$wire"
(cd "$(dirname "$window")" && exec "$window") >"$work/held-window.log" 2>&1 &
app=$!
for _ in $(seq 300); do grep -q '^MSG 09 32$' "$wire" && break; sleep 0.1; done
sleep 1
"$ctl" identify --offline >"$work/held-1.out" 2>"$work/held-1.err" </dev/null
echo $? >"$work/held-1.status"
kill "$app"; wait "$app"
: >"$wire"
"$ctl" install Škoda Rapid "1.8 TSI" --yes >"$work/held-2.out" 2>"$work/held-2.err" </dev/null &
installing=$!
# The window starts once orvctl has the device.
for _ in $(seq 300); do grep -q '^OPEN ' "$wire" && break; sleep 0.1; done
sleep 0.3
(cd "$(dirname "$window")" && exec "$window") >"$work/held-window.log" 2>&1 &
app=$!
wait "$installing"
echo $? >"$work/held-2.status"
for _ in $(seq 300); do [ "$(grep -c '^MSG 09 32$' "$wire")" -ge 2 ] && break; sleep 0.1; done
sleep 1
xdotool search --onlyvisible --name '^Error!$' >"$work/held-boxes" 2>/dev/null
kill "$app"; wait "$app"
SCRIPT
"$ORV_E2E_BED" --device "$e2e_state" --wire-log "$e2e_wire" -- \
    bash "$e2e_work/held.sh" "$(realpath "$ORV_E2E_WINDOW")" "$(realpath "$ORV_E2E_APP")" "$e2e_work" "$e2e_wire"
e2e_same "a device the window holds: status 2, in use" "2 The device is in use by another program." \
    "$(cat "$e2e_work/held-1.status") $(grep -o 'The device is in use by another program.' "$e2e_work/held-1.err")"
e2e_same "the window waits for the device orvctl installs into, with no box" "0 " \
    "$(cat "$e2e_work/held-2.status") $(cat "$e2e_work/held-boxes")"
e2e_same "then the window identifies it, after orvctl" "2 1" \
    "$(grep -c '^MSG 09 32$' "$e2e_wire") $(grep -c '^OPEN ' "$e2e_wire" | awk '{ print ($1 >= 2) }')"

# --- unplugged in the middle of the software: status 5, the read-back said -------------------
wire_start=$(orv_lines "$e2e_wire")
req_start=$(orv_lines "$e2e_requests")
ctl_start --json install Audi A4 "3.0 TDI" --yes
in_software "$wire_start" || e2e_fail "orvctl reaches the software"
e2e_simdev unplug || e2e_fatal "orv-simdev unplugs the device"
wait "$bed"
status=$?
e2e_same "unplugged during the software: status 5, the read-back in the output, not reported" \
    '5 "incomplete" 1 ' \
    "$status $(value code <"$out") $(grep -c 'did not answer the read-back' "$out") $(e2e_requests_to "$req_start" /api/v1/vehicle/settings/install/success)"
e2e_simdev plug || e2e_fatal "orv-simdev plugs the device in again"
ctl identify --offline
e2e_same "plugged in again: identified" 0 "$status"

# --- Ctrl-C twice in the middle of the software: status 130, nothing reported -----------------
wire_start=$(orv_lines "$e2e_wire")
req_start=$(orv_lines "$e2e_requests")
ctl_start install Audi A4 "3.0 TDI" --yes
in_software "$wire_start" || e2e_fail "orvctl reaches the software"
kill -INT "$pid"
sleep 0.5
e2e_check "the first Ctrl-C during the write warns and goes on" \
    test -d "/proc/$pid" -a -n "$(grep -F 'Press Ctrl-C again to stop anyway.' "$err")"
kill -INT "$pid"
wait "$bed"
status=$?
e2e_same "the second Ctrl-C: status 130, nothing reported" "130 " \
    "$status $(e2e_requests_to "$req_start" /api/v1/vehicle/settings/install/success)"
ctl identify --offline
e2e_same "after it, the device is identified" 0 "$status"

# --- refused before anything is sent, and no device ------------------------------------------
e2e_simdev init --model or+ --unconfigured --serial 1100000001 >/dev/null || e2e_fatal "orv-simdev re-initialises"
wire_start=$(orv_lines "$e2e_wire")
ctl set drive-mode dynamic
e2e_same "drive modes on an OR+ without a vehicle: status 6, no drive-mode message" "6 " \
    "$status $(e2e_messages_after "$wire_start" | grep '^1c ')"
e2e_simdev unplug || e2e_fatal "orv-simdev unplugs the device"
ctl --json identify
e2e_same "no device: status 2" '2 "no-device"' "$status $(value code <"$out")"

# --- a node the user may not open: status 2 and the window's hint (as root only) ---------------
if [ "$(id -u)" -ne 0 ] || ! getent passwd nobody >/dev/null; then
    echo "skip - the permission case needs root (to run orvctl as nobody)"
    e2e_finish
fi
e2e_simdev init >/dev/null || e2e_fatal "orv-simdev writes the state file"
"$ORV_E2E_BED" --user nobody --device "$e2e_state" --denied -- "$ORV_E2E_APP" identify --offline \
    >"$out" 2>"$err" </dev/null
status=$?
e2e_same "a node the user may not open: status 2 and the hint" "2 1" \
    "$status $(grep -c 'Access to the device is missing: this user may not open it.' "$err")"

e2e_finish
