# End to end: a vehicle is chosen in the real configurator's window with the mouse and the
# keyboard and installed into an OR+ device; the wire, the server and the device afterwards
# must agree with the choice. Then a redirect instead of the software, and the device pulled
# out in the middle of the software transfer: nothing may claim success.
. "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

serial=1100000002
key='Zx9/Qw+Er=='
count=3
# Škoda Rapid 1.8 TSI: a brand text with a character above 0xFF, and a 1000-byte software
# file, long enough for many acknowledged chunks and a five-digit checksum sum.
brand='Škoda'
brand_hex='00 6b 6f 64 61'
model='Rapid'
engine_id='v-1363'
engine_title='1.8 TSI'
power=180
torque=250
settings_id=1363
software_id='SW-001363'

# Where the window opens the three lists and starts the installation.
brand_button=(255 237)
model_button=(255 282)
engine_button=(255 327)
apply_button=(253 390)

e2e_start_server

# sorted_index TITLE JSON: where TITLE sits in the list the window shows: item 0 is the
# placeholder, then the titles sorted by UTF-16 code units (byte order of UTF-8 for these).
sorted_index() {
    local n
    n=$(printf '%s\n' "$2" | grep -o '"title":"[^"]*"' | sed 's/^"title":"//; s/"$//' \
        | LC_ALL=C sort | grep -n -x -F -m 1 -- "$1" | cut -d: -f1)
    echo "${n:-0}"
}
engine_text() { echo "$1 $2HP $3NM"; }

# The catalogue as the server serves it, to find how far down each list the choice is.
brands=$(orv_api_device_request "$serial" '/api/v1/vehicle/brand?')
brand_id=$(printf '%s\n' "$brands" | grep -o "{\"id\":[0-9]*,\"title\":\"$brand\"}" | head -n 1 | sed 's/^{"id":\([0-9]*\),.*/\1/')
[ -n "$brand_id" ] || e2e_fatal "the catalogue has the brand $brand"
models=$(orv_api_device_request "$serial" "/api/v1/vehicle/model?brandId=$brand_id")
model_id=$(printf '%s\n' "$models" | grep -o "{\"id\":\"[^\"]*\",\"title\":\"$model\"}" | head -n 1 | sed 's/^{"id":"\([^"]*\)",.*/\1/')
[ -n "$model_id" ] || e2e_fatal "the catalogue has the model $model"
engines=$(orv_api_device_request "$serial" "/api/v1/vehicle?modelId=$model_id")
engine_list=$(printf '%s\n' "$engines" | grep -o '"title":"[^"]*","power":[0-9]*,"moment":[0-9]*' \
    | sed 's/^"title":"\([^"]*\)","power":\([0-9]*\),"moment":\([0-9]*\)$/"title":"\1 \2HP \3NM"/')
brand_index=$(sorted_index "$brand" "$brands")
model_index=$(sorted_index "$model" "$models")
engine_index=$(sorted_index "$(engine_text "$engine_title" "$power" "$torque")" "$engine_list")
if [ "$brand_index" -eq 0 ] || [ "$model_index" -eq 0 ] || [ "$engine_index" -eq 0 ]; then
    e2e_fatal "the choice is in the served lists (brand $brand_index, model $model_index, engine $engine_index)"
fi
e2e_log "choice: brand item $brand_index, model item $model_index, engine item $engine_index"

# The software file the device must receive, and its checksum: the sum of 0x1E and every
# byte, as hexadecimal digit pairs from the right (a leading odd digit is not sent).
curl -sS --noproxy "*" --max-time 10 --cacert "$ORV_E2E_CERTS/ca.pem" -o "$e2e_work/software.bin" \
    -H "X-Auth-Token: $serial" -H 'X-Device-Token: 718204593316' -H 'X-Device-Type: DESKTOP' \
    -H 'X-Device-Language: RU' -H 'Accept: application/json' \
    "https://127.0.0.1:$e2e_port/api/v1/chip/software/$software_id/file?authKey=Zx9%2FQw%2BEr%3D%3D" \
    || e2e_fatal "the server gives out the software file"
file_hex=$(od -An -tx1 -v "$e2e_work/software.bin" | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
file_size=$(wc -c <"$e2e_work/software.bin" | tr -d ' ')
sum=$(od -An -tu1 -v "$e2e_work/software.bin" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { print s + 30 }')
digits=$(printf '%04x' "$sum")
checksum=""
while [ "${#digits}" -ge 2 ]; do
    checksum+="${checksum:+ }${digits: -2}"
    digits=${digits:0:${#digits}-2}
done
e2e_log "software file: $file_size bytes, sum 0x$(printf '%x' "$sum"), checksum bytes $checksum"

# The device: an OR+ with a vehicle stored, known to the server, three configurations left.
# It is plugged in once the window shows its no-device state, so the change can be seen.
e2e_simdev init --model or+ --configured --serial "$serial" --key "$key" --count "$count" --unplugged \
    >/dev/null || e2e_fatal "orv-simdev writes the state file"
e2e_start_app
sleep 1
empty_label=$(e2e_region "${e2e_device_label[@]}")
req_start=$(orv_lines "$e2e_requests")
e2e_simdev plug || e2e_fatal "orv-simdev plugs the device in"
orv_wait_for 30 orv_has_after "$e2e_requests" "$req_start" '"target":"/api/v1/vehicle/brand\?"' \
    || e2e_fatal "the device is identified and the brand list asked for"
# The next presence tick puts the window into its device state and enables the lists.
e2e_wait_region 5 "${e2e_device_label[@]}" ne "$empty_label" \
    || e2e_fatal "the window shows the device"
sleep 0.3
e2e_log "device identified"

# choose WHAT BUTTON_X BUTTON_Y INDEX [REQUEST]: picks item INDEX of a list; REQUEST is the
# target of the request the choice must start (the next list).
choose() {
    local what=$1 x=$2 y=$3 index=$4 request=${5:-} start
    start=$(orv_lines "$e2e_requests")
    orv_choose_in_list "$x" "$y" "$index" || e2e_fatal "the $what list opens, and closes on a choice"
    if [ -n "$request" ]; then
        orv_wait_for 10 orv_has_after "$e2e_requests" "$start" "\"target\":\"$request\"" \
            || e2e_fatal "choosing the $what asks for the next list ($request)"
        # Its answer fills the next list and enables the boxes again.
        sleep 1
    fi
    e2e_log "$what chosen"
}
choose brand "${brand_button[@]}" "$brand_index" "/api/v1/vehicle/model\\?brandId=$brand_id"
choose model "${model_button[@]}" "$model_index" "/api/v1/vehicle\\?modelId=$model_id"
choose engine "${engine_button[@]}" "$engine_index"
orv_screenshot "$e2e_work/chosen.png"

wire_start=$(orv_lines "$e2e_wire")
req_start=$(orv_lines "$e2e_requests")
orv_click "${apply_button[@]}"
e2e_log "apply pressed"
# The window while the software goes over (for review; the transfer takes seconds).
sleep 1.5
orv_screenshot "$e2e_work/installing.png"
# shellcheck disable=SC2317  # called through orv_wait_for
box_up() { [ -n "$(orv_box Info)" ] || [ -n "$(orv_box 'Error!')" ] || [ -n "$(orv_box Error)" ]; }
orv_wait_for 90 box_up || e2e_fatal "the installation ends with a message box"
orv_screenshot "$e2e_work/installed.png"
if [ -n "$(orv_box Info)" ]; then
    e2e_pass "the installation ends with the Info box"
    e2e_check "the Info box closes" orv_close_box Info
else
    title=Error!
    [ -n "$(orv_box "$title")" ] || title=Error
    e2e_fail "the installation ends with the Info box, not \"$title\" (see $e2e_work/installed.png)"
    orv_close_box "$title"
fi
e2e_log "installation over"

# The device write: fourteen messages, the software file last.
messages=$(e2e_messages_after "$wire_start")
e2e_same "fourteen messages are written" 14 "$(printf '%s\n' "$messages" | grep -c .)"
expected="03
14 $(e2e_hex "$engine_id")
15 $brand_hex
16 $(e2e_hex "$model")
17 $(e2e_hex "$engine_title")
18 $(e2e_hex "$power")
19 $(e2e_hex "$torque")
1a $(e2e_hex "$software_id")
32 0c 00 00
1c 02
1b $(printf '%02x' "$count")
21
24"
e2e_same "the vehicle, settings and count messages" "$expected" "$(printf '%s\n' "$messages" | head -n 13)"
file_message=$(printf '%s\n' "$messages" | sed -n 14p)
e2e_same "the software message starts with 1e 00 00" "1e 00 00" "${file_message:0:8}"
e2e_check "the software message carries the $file_size-byte file" test "${file_message:9:${#file_hex}}" = "$file_hex"
e2e_same "the software message ends with the checksum" "$checksum" "${file_message:$((10 + ${#file_hex}))}"

# The server: settings, software, install report, count; the device key accepted each time.
e2e_same "the server requests in order" \
"GET /api/v1/vehicle/settings?vehicleId=$engine_id&authKey=* 200
GET /api/v1/chip/software/$software_id/file?authKey=* 200
POST /api/v1/vehicle/settings/install/success 200
GET /api/v1/chip/limitInfo 200" \
    "$(e2e_targets_after "$req_start" | sed 's/authKey=[^ &]*/authKey=*/')"
e2e_check "the install report names the settings record" \
    grep -qF "\"body\":\"{\\\"settingsId\\\":$settings_id}\"" <(e2e_requests_to "$req_start" /api/v1/vehicle/settings/install/success)
e2e_same "the server counts one configuration less" "\"count\":$((count - 1))" \
    "$(orv_api GET "/__sim/device?serial=$serial" | grep -o '"count":-\{0,1\}[0-9]*')"

# What the device holds now: its state file's JSON, the indentation dropped to make one line.
shown=$(e2e_simdev show)
printf '%s\n' "$shown" >"$e2e_work/device-after.json"
flat=$(printf '%s\n' "$shown" | sed 's/^ *//' | tr -d '\n')
# field KEY: the value of KEY, a text, a number or a flat object, as the JSON writes it.
field() {
    printf '%s\n' "$flat" | grep -o "\"$1\": \({[^}]*}\|\"[^\"]*\"\|[^,}]*\)" | head -n 1 \
        | sed "s/^\"$1\": //"
}
e2e_same "the device stores the vehicle id" "\"$engine_id\"" "$(field config_id)"
e2e_same "the device stores the vehicle" \
    "{\"hex\": \"$brand_hex\"} \"$model\" \"$engine_title\" \"$power\" \"$torque\"" \
    "$(field brand) $(field model) $(field engine) $(field power) $(field torque)"
e2e_same "the device stores the software id" "\"$software_id\"" "$(field software_label)"
e2e_same "the device verified the software file" \
    "{\"checksum_ok\": true,\"file_base64\": \"$(base64 -w0 "$e2e_work/software.bin")\",\"received\": true}" \
    "$(field software)"
e2e_same "the device drives in DYNAMIC" 2 "$(field drive_mode)"

# A server that answers the software request with a redirect to an HTML page: the page is
# not chip software. Nothing is written, nothing reported, no configuration spent.
orv_api POST /__sim/fault \
    '{"fault":"software:status:302:<html><body>Moved</body></html>","once":true,"headers":{"Location":"https://elsewhere.example/file"}}' \
    >/dev/null || e2e_fatal "the server takes the redirect fault"
choose brand "${brand_button[@]}" "$brand_index" "/api/v1/vehicle/model\\?brandId=$brand_id"
choose model "${model_button[@]}" "$model_index" "/api/v1/vehicle\\?modelId=$model_id"
choose engine "${engine_button[@]}" "$engine_index"
wire_start=$(orv_lines "$e2e_wire")
req_start=$(orv_lines "$e2e_requests")
orv_click "${apply_button[@]}"
orv_wait_for 30 box_up || e2e_fatal "the refused installation ends with a message box"
orv_screenshot "$e2e_work/redirect-refused.png"
e2e_check "a redirect as software ends with the Error! box" test -n "$(orv_box 'Error!')"
e2e_check "no Info box claims a changed vehicle" test -z "$(orv_box Info)"
orv_close_box 'Error!'
e2e_same "nothing is written to the device" "" "$(e2e_messages_after "$wire_start")"
e2e_same "only the settings and the software are asked for" \
"GET /api/v1/vehicle/settings?vehicleId=$engine_id&authKey=* 200
GET /api/v1/chip/software/$software_id/file?authKey=* 302" \
    "$(e2e_targets_after "$req_start" | sed 's/authKey=[^ &]*/authKey=*/')"
e2e_same "no configuration is spent" "\"count\":$((count - 1))" \
    "$(orv_api GET "/__sim/device?serial=$serial" | grep -o '"count":-\{0,1\}[0-9]*')"

# The device pulled out while the software goes over: the window lets it go and empties
# itself, no Info box, no install report, no configuration spent.
choose brand "${brand_button[@]}" "$brand_index" "/api/v1/vehicle/model\\?brandId=$brand_id"
choose model "${model_button[@]}" "$model_index" "/api/v1/vehicle\\?modelId=$model_id"
choose engine "${engine_button[@]}" "$engine_index"
wire_start=$(orv_lines "$e2e_wire")
req_start=$(orv_lines "$e2e_requests")
# shellcheck disable=SC2317  # called through orv_wait_for
chunks_sent() { [ "$(tail -n "+$((wire_start + 1))" "$e2e_wire" | grep -c '^H>D dc')" -ge "$1" ]; }
orv_click "${apply_button[@]}"
orv_wait_for 30 chunks_sent 20 || e2e_fatal "the software transfer starts"
e2e_simdev unplug || e2e_fatal "orv-simdev unplugs the device"
unplugged=$(date +%s%N)
e2e_log "unplugged in the middle of the software transfer"
orv_wait_for 10 box_up || e2e_fatal "the failed installation shows a message box"
orv_screenshot "$e2e_work/unplugged.png"
e2e_check "no Info box claims a changed vehicle" test -z "$(orv_box Info)"
# The installation's box holds the sequence; once it is closed the next presence tick (every
# 500 ms) finds the device gone and empties the window.
while [ -n "$(orv_box 'Error!')" ]; do orv_close_box 'Error!' || break; sleep 0.2; done
closed=$(date +%s%N)
e2e_log "the installation failed; its box closed $((($(date +%s%N) - unplugged) / 1000000)) ms after the unplug"
# shellcheck disable=SC2317  # called through orv_wait_for
window_empty() { e2e_region_is "${e2e_device_label[@]}" eq "$empty_label"; }
orv_wait_for 5 window_empty
cleared_ms=$((($(date +%s%N) - closed) / 1000000))
e2e_log "window empty $cleared_ms ms after the box closed"
e2e_check "the window is empty within one presence interval of the box closing" test "$cleared_ms" -le 500
e2e_check "the handle of the pulled device is closed" orv_wait_for 5 orv_has_after "$e2e_wire" "$wire_start" '^CLOSE '
e2e_same "no install report" "" "$(e2e_requests_to "$req_start" /api/v1/vehicle/settings/install/success)"
e2e_same "no configuration is spent" "\"count\":$((count - 1))" \
    "$(orv_api GET "/__sim/device?serial=$serial" | grep -o '"count":-\{0,1\}[0-9]*')"

e2e_transcript
e2e_finish
