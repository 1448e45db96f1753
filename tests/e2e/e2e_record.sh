# End to end: record and replay. Each orvctl sequence (the identification, each setting, an
# installation, and an installation that fails in the software with its read-back) is
# recorded, holds none of the device's secrets in any encoding, and replays against the same
# program under the replaying bed and server; a replay with one byte of one host packet
# changed stops at that packet. Then the two faces: the window's identification, recorded
# through Qt's logging rules, replays against orvctl identify.
. "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

serial=1100000002
key='Zx9/Qw+Er=='
records="$e2e_work/records"
mkdir -p "$records"

e2e_start_server
e2e_simdev init --model or+ --configured --serial "$serial" --key "$key" --count 3 >/dev/null \
    || e2e_fatal "orv-simdev writes the state file"

# The secrets as the program and the wire could carry them: as they are, percent-encoded
# (once and twice), and in base64 at each of the three alignments inside a longer text.
secret_forms() {
    local s prefix
    for s in "$serial" "$key"; do
        printf '%s\n' "$s"
        printf '%s' "$s" | od -An -tx1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
        printf '%s' "$s" | sed 's|/|%2F|g; s|+|%2B|g; s|=|%3D|g'; echo
        printf '%s' "$s" | sed 's|/|%252F|g; s|+|%252B|g; s|=|%253D|g'; echo
        for prefix in "" "x" "xx"; do
            # The groups of four characters made of the secret's bytes alone.
            printf '%s%s' "$prefix" "$s" | base64 -w0 | cut -c$((${#prefix} ? 5 : 1))-$(((${#prefix} + ${#s}) / 3 * 4))
            echo
        done
    done | grep -v '^$' | sort -u
}
secret_forms >"$e2e_work/secrets"
# no_secrets FILE: none of the forms, in any case.
no_secrets() { ! grep -q -i -F -f "$e2e_work/secrets" "$1"; }

# replay RECORDING STATUS ARGS...: the recording replayed by the bed and the server with
# orvctl ARGS; both replays must end complete and orvctl with STATUS.
replay_status=""
replay_server=""
start_replay_server() {
    orv_stop "$orv_api_pid"
    : >"$e2e_work/replay-server.log"
    "$ORV_E2E_APISERVER" --host 127.0.0.1 --port "$e2e_port" --cert "$ORV_E2E_CERTS/server.pem" \
        --key "$ORV_E2E_CERTS/server.key" --replay "$1" >"$e2e_work/replay-server.log" 2>&1 &
    replay_server=$!
    orv_pids+=("$replay_server")
    orv_wait_for 15 grep -q '^orv-apiserver: serving' "$e2e_work/replay-server.log"
}
stop_replay_server() {
    kill -TERM "$replay_server" 2>/dev/null
    wait "$replay_server"
    local server_status=$?
    e2e_start_server
    return "$server_status"
}
replay() {
    local recording=$1 expected=$2 what=$3
    shift 3
    start_replay_server "$recording" || e2e_fatal "the API server replays $what"
    "$ORV_E2E_BED" --replay "$recording" -- "$ORV_E2E_APP" "$@" >"$out" 2>"$err" </dev/null
    replay_status=$?
    if stop_replay_server && [ "$replay_status" = "$expected" ]; then
        e2e_pass "$what replays: the same packets and requests, status $expected"
    else
        e2e_fail "$what replays: the same packets and requests, status $expected (came $replay_status)" \
            "$(grep '^replay' "$err" "$e2e_work/replay-server.log" | head -n 12)"
    fi
}

# round_trip NAME STATUS ARGS...: records orvctl ARGS, checks the recording, replays it, and
# replays it with one host packet changed.
round_trip() {
    local name=$1 expected=$2 recording="$records/$1.rec"
    shift 2
    ctl --record "$recording" "$@"
    e2e_same "$name: recorded, status $expected" "$expected" "$status"
    e2e_check "$name: the recording holds no secret" no_secrets "$recording"
    replay "$recording" "$expected" "$name" "$@"

    # One byte of the middle host packet changed: the replay stops at that packet.
    local outs middle line index
    outs=$(grep -n '^orv-record out ' "$recording" | cut -d: -f1)
    middle=$(printf '%s\n' "$outs" | sed -n "$((($(printf '%s\n' "$outs" | wc -l) + 1) / 2))p")
    index=$(head -n "$middle" "$recording" | grep -c '^orv-record \(out\|in\) ')
    line=$(sed -n "${middle}p" "$recording")
    # The first base64 character of the packet's text: it changes its first byte.
    local first=${line#* r=}
    first=${first:0:1}
    local other=A
    [ "$first" = A ] && other=B
    sed "${middle}s/ r=$first/ r=$other/" "$recording" >"$records/$name.changed"
    start_replay_server "$records/$name.changed" || e2e_fatal "the API server replays $name, changed"
    "$ORV_E2E_BED" --replay "$records/$name.changed" -- "$ORV_E2E_APP" "$@" >"$out" 2>"$err" </dev/null
    replay_status=$?
    stop_replay_server
    if [ "$replay_status" != 0 ] && grep -q "^replay: packet $index differs" "$err"; then
        e2e_pass "$name: a replay with packet $index changed stops at it"
    else
        e2e_fail "$name: a replay with packet $index changed stops at it (status $replay_status)" \
            "$(head -n 8 "$err")"
    fi
}

round_trip identify 0 identify
round_trip drive-mode 0 set drive-mode eco
round_trip indication 0 set indication off
round_trip standby 0 set standby s
round_trip protocol 0 set protocol hs-can
round_trip install 0 install Škoda Rapid "1.8 tsi" --yes
software_sha=$(sed -n 's/^orv-record reply .*sha256=\([0-9a-f]*\).*$/\1/p' "$records/install.rec")
e2e_check "the software goes as its SHA-256, not its bytes" test "${#software_sha}" = 64
# The software refused by the device: written in part, then read back.
e2e_simdev fault fail --match 1e >/dev/null
round_trip failed-install 5 install Škoda Rapid "1.6 mpi" --yes
e2e_check "the failed installation's read-back is in its recording" \
    grep -q "^orv-record out .* r=CRQ$" "$records/failed-install.rec"

# A recording of another format version is refused, not misread.
sed '1s/format=1/format=2/' "$records/identify.rec" >"$records/newer.rec"
"$ORV_E2E_APP" record-show "$records/newer.rec" >"$out" 2>"$err"
e2e_same "a newer format is refused by record-show" "6" "$?"
e2e_check "and the message names both versions" grep -q "format 2; this program reads format 1" "$err"

# --- the window's identification, replayed against orvctl ---------------------------------
req_start=$(orv_lines "$e2e_requests")
QT_LOGGING_RULES="orv.record.debug=true" orv_start_app_bed "$ORV_E2E_WINDOW" "$ORV_E2E_BED" "$e2e_work/orv.log" \
    --device "$e2e_state" --wire-log "$e2e_wire" || e2e_fatal "the window starts under the hidraw bed"
orv_wait_for 30 orv_has_after "$e2e_requests" "$req_start" '"target":"/api/v1/vehicle/brand\?"' \
    || e2e_fatal "the window identifies the device"
sleep 1
orv_stop "$orv_app_pid"
orv_stop "$orv_bed_pid"
e2e_check "the window's log holds its recording" grep -q 'orv-record header .*program=orv ' "$e2e_work/orv.log"
e2e_check "the window's recording holds no secret" no_secrets "$e2e_work/orv.log"
replay "$e2e_work/orv.log" 0 "the window's identification, against orvctl identify," identify

# --- orvctl's installation, replayed against the window's --------------------------------
# Where the window opens the three lists and starts the installation, and how far down each
# list the choice is: item 0 is the placeholder, then the titles sorted by code units.
brand_button=(255 237)
model_button=(255 282)
engine_button=(255 327)
apply_button=(253 390)
sorted_index() {
    printf '%s\n' "$2" | grep -o '"title":"[^"]*"' | sed 's/^"title":"//; s/"$//' | LC_ALL=C sort \
        | grep -n -x -F -m 1 -- "$1" | cut -d: -f1
}
brand_index=$(sorted_index Škoda "$(orv_api_device_request "$serial" '/api/v1/vehicle/brand?')")
model_index=$(sorted_index Rapid "$(orv_api_device_request "$serial" '/api/v1/vehicle/model?brandId=19')")
engine_index=$(orv_api_device_request "$serial" '/api/v1/vehicle?modelId=m-191' \
    | grep -o '"title":"[^"]*","power":[0-9]*,"moment":[0-9]*' \
    | sed 's/^"title":"\([^"]*\)","power":\([0-9]*\),"moment":\([0-9]*\)$/"title":"\1 \2HP \3NM"/' \
    | { list=$(cat); sorted_index "1.8 TSI 180HP 250NM" "$list"; })
[ -n "$brand_index" ] && [ -n "$model_index" ] && [ -n "$engine_index" ] \
    || e2e_fatal "the choice is in the served lists"

start_replay_server "$records/install.rec" || e2e_fatal "the API server replays the installation"
# replayed TARGET: the replaying server has answered a request to TARGET.
replayed() { grep -q -F " GET $1 -> " "$e2e_work/replay-server.log"; }
orv_start_app_bed "$ORV_E2E_WINDOW" "$ORV_E2E_BED" "$e2e_work/window-replay.log" --replay "$records/install.rec" \
    || e2e_fatal "the window starts under the replaying bed"
orv_wait_for 30 replayed '/api/v1/vehicle/brand?' || e2e_fatal "the window identifies the replayed device"
sleep 1
orv_choose_in_list "${brand_button[@]}" "$brand_index" && orv_wait_for 10 replayed '/api/v1/vehicle/model?brandId=19' \
    && sleep 1 && orv_choose_in_list "${model_button[@]}" "$model_index" \
    && orv_wait_for 10 replayed '/api/v1/vehicle?modelId=m-191' && sleep 1 \
    && orv_choose_in_list "${engine_button[@]}" "$engine_index" || e2e_fatal "the window's lists take the choice"
orv_click "${apply_button[@]}"
# shellcheck disable=SC2317  # called through orv_wait_for
box_up() { [ -n "$(orv_box Info)$(orv_box 'Error!')" ]; }
orv_wait_for 60 box_up || e2e_fatal "the window's installation ends with a box"
installed=$(orv_box Info)
orv_close_box Info
orv_close_box 'Error!'
sleep 0.5
orv_stop "$orv_app_pid"
wait "$orv_bed_pid"
bed_status=$?
stop_replay_server
server_status=$?
if [ -n "$installed" ] && [ "$bed_status" != 1 ] && [ "$server_status" = 0 ]; then
    e2e_pass "orvctl's installation replays against the window's: the same packets and requests"
else
    e2e_fail "orvctl's installation replays against the window's (bed $bed_status, server $server_status)" \
        "$(grep -h '^replay' "$e2e_work/window-replay.log" "$e2e_work/replay-server.log" | head -n 12)"
fi

e2e_finish
