# End to end: the real configurator identifies three devices plugged in one after the other
# (no vehicle; an OR with a vehicle; an OR+ with a vehicle), asks the server about each, and
# lets each go when it is unplugged.
. "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

e2e_start_server
e2e_simdev init --unplugged >/dev/null || e2e_fatal "orv-simdev writes the state file"
e2e_start_app
e2e_log "window up, no device"

# Let a few presence ticks pass: the window shows its no-device state.
sleep 1.2
empty_label=$(e2e_region "${e2e_device_label[@]}")
empty_modes=$(e2e_region "${e2e_drive_modes[@]}")
empty_auto_protocol=$(e2e_region "${e2e_auto_protocol_box[@]}")
empty_auto_standby=$(e2e_region "${e2e_auto_standby_box[@]}")
e2e_same "nothing is opened while no device is plugged in" "" "$(grep -sE '^(OPEN|MSG)' "$e2e_wire")"

identity_queries="03
09 0a
09 0d 04
09 0c
09 0b
09 14"
vehicle_queries="09 15
09 16
09 17
09 18
09 19
09 1a"
settings_queries="09 34
09 33
09 32"

# A check box shows its state: checked, it looks otherwise than in the empty window, where
# both are unchecked.
check_box_shows() {
    local name=$1 what=$2 flags=$3 bit=$4 region_name=$5 empty=$6 relation=eq state=unchecked
    local -n region=$region_name
    if [ $((flags & bit)) -ne 0 ]; then
        relation=ne
        state=checked
    fi
    e2e_check "$name: the automatic $what box is seen $state" \
        e2e_region_is "${region[@]}" "$relation" "$empty"
}

# plug_and_identify NAME INIT_OPTIONS EXPECTED_MESSAGES SERIAL COUNT MODES_SHOWN FLAGS [FAULT]
plug_and_identify() {
    local name=$1 options=$2 expected=$3 serial=$4 count=$5 modes=$6 flags=$7 fault=${8:-}
    local wire_start req_start expected_requests label
    wire_start=$(orv_lines "$e2e_wire")
    req_start=$(orv_lines "$e2e_requests")

    # shellcheck disable=SC2086  # the options are words
    if ! { e2e_simdev init $options --serial "$serial" --unplugged >/dev/null \
        && e2e_simdev set settings_flags "$flags" && { [ -z "$fault" ] || e2e_simdev fault $fault; } \
        && e2e_simdev plug; }; then
        e2e_fatal "$name: orv-simdev plugs it in"
    fi
    e2e_log "$name: plugged in"
    orv_wait_for 20 orv_has_after "$e2e_wire" "$wire_start" '^MSG 09 32$' \
        || e2e_fatal "$name: the identification reaches its last query"
    expected_requests="GET /api/v1/chip/limitInfo 200"
    [ "$count" -gt 0 ] && expected_requests+=$'\n'"GET /api/v1/vehicle/brand? 200"
    orv_wait_for 20 e2e_requests_at_least "$req_start" "$(echo "$expected_requests" | wc -l)" \
        || e2e_fatal "$name: the server is asked about the device"
    # The device state comes with the next presence tick; the window then shows the model.
    e2e_wait_region 5 "${e2e_device_label[@]}" ne "$empty_label" \
        || e2e_fail "$name: the window shows the device model"
    label=$(e2e_region "${e2e_device_label[@]}")
    # Nothing more may follow: no second identification, no further request.
    sleep 1
    e2e_log "$name: identified"

    e2e_same "$name: one handle opened" 1 "$(tail -n "+$((wire_start + 1))" "$e2e_wire" | grep -c '^OPEN ')"
    e2e_same "$name: the queries in order" "$expected" "$(e2e_messages_after "$wire_start")"
    e2e_same "$name: the server requests in order" "$expected_requests" "$(e2e_targets_after "$req_start")"
    e2e_same "$name: every request names the device" \
        "$(e2e_targets_after "$req_start" | wc -l)" \
        "$(tail -n "+$((req_start + 1))" "$e2e_requests" | grep -cF "[\"X-Auth-Token\",\"$serial\"]")"
    if [ "$modes" = shown ]; then
        e2e_check "$name: the drive-mode buttons are shown" \
            e2e_region_is "${e2e_drive_modes[@]}" ne "$empty_modes"
    else
        e2e_check "$name: no drive-mode buttons" e2e_region_is "${e2e_drive_modes[@]}" eq "$empty_modes"
    fi
    # Settings flags: bit 2 automatic standby, bit 3 automatic protocol.
    check_box_shows "$name" standby "$flags" 4 e2e_auto_standby_box "$empty_auto_standby"
    check_box_shows "$name" protocol "$flags" 8 e2e_auto_protocol_box "$empty_auto_protocol"

    wire_start=$(orv_lines "$e2e_wire")
    e2e_simdev unplug || e2e_fatal "$name: orv-simdev unplugs it"
    e2e_check "$name: the handle is closed after unplugging" \
        orv_wait_for 5 orv_has_after "$e2e_wire" "$wire_start" '^CLOSE '
    e2e_check "$name: the window goes back to no device" \
        e2e_wait_region 3 "${e2e_device_label[@]}" eq "$empty_label"
    e2e_check "$name: the drive-mode buttons are hidden again" \
        e2e_region_is "${e2e_drive_modes[@]}" eq "$empty_modes"
    e2e_same "$name: nothing is sent to a device that is gone" "" "$(e2e_messages_after "$wire_start")"
    e2e_log "$name: unplugged"
    last_label=$label
}

# An OR+ with no vehicle (the server gives it 300 configurations): neither the vehicle queries
# nor the drive-mode query, but the brand list; an OR+ shows its drive-mode buttons anyway.
# Manual standby and protocol.
plug_and_identify "OR+ without a vehicle" "--model or+ --unconfigured" \
    "$identity_queries"$'\n'"$settings_queries" 1100000001 300 shown 0x00
# A configured OR whose count is 0: the vehicle queries without the drive mode, no brand list.
# Automatic standby and protocol.
plug_and_identify "OR with a vehicle" "--model or --configured" \
    "$identity_queries"$'\n'"$vehicle_queries"$'\n'"$settings_queries" 1000000002 0 hidden 0x0c
or_label=$last_label
# A configured OR+ with configurations left: everything, the drive mode too. Automatic
# standby (on S), manual protocol. It still holds a report from before, which reaches the
# program 20 ms after the open: read away, it fails nothing.
plug_and_identify "OR+ with a vehicle" "--model or+ --configured" \
    "$identity_queries"$'\n'"$vehicle_queries"$'\n'"09 1c"$'\n'"$settings_queries" 1100000002 3 shown 0x05 \
    "leftover 20"

e2e_check "the OR and the OR+ show different model pictures" test "$or_label" != "$last_label"
e2e_same "every handle opened was closed" "$(grep -c '^OPEN ' "$e2e_wire")" "$(grep -c '^CLOSE ' "$e2e_wire")"

e2e_transcript
e2e_finish
