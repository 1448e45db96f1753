# The local staging set-up of tools/run.sh and tools/screenshots.sh: the build in build-demo/,
# the local API server on 127.0.0.1:8443 and a simulated device behind an emulated hidraw node
# (orv-simbed), which the program reaches through the system's hidapi. Source after session.sh.

orv_demo_port=8443
# A device the server's catalogue knows, with configurations left, so that the window fills
# the brand list and an installation can be tried.
orv_demo_serial=1100000002
orv_demo_key='Zx9/Qw+Er=='
orv_demo_count=3

# orv_quiet LOG COMMAND...: runs COMMAND with its output in LOG; shows the end of LOG if it fails.
orv_quiet() {
    local log=$1
    shift
    if ! "$@" >>"$log" 2>&1; then
        orv_note "failed: $*"
        tail -n 40 "$log" >&2
        return 1
    fi
}

# orv_build_demo ROOT DIR [QT]: the staging configuration, with the local test CA compiled in,
# built with Qt 6 or (QT 5) Qt 5.
orv_build_demo() {
    local root=$1 dir=$2 qt=${3:-6} log
    mkdir -p "$dir"
    log="$dir/build.log"
    : >"$log"
    orv_note "==> building the local staging configuration in $dir (log: $log)"
    # The certificates come first: the CA is compiled into the program.
    orv_quiet "$log" sh "$root/tools/apiserver/make-certs.sh" "$dir/certs" || return 1
    orv_quiet "$log" cmake -S "$root" -B "$dir" -DORV_QT_MAJOR="$qt" \
        -DORV_API_BASE_URL="https://127.0.0.1:$orv_demo_port" \
        -DORV_EXTRA_CA_FILE="$(cd "$dir" && pwd)/certs/ca.pem" \
        -DORV_BUILD_TESTS=OFF || return 1
    orv_quiet "$log" cmake --build "$dir" -j"$(nproc)" \
        --target orv orv-apiserver orv-simdev orv-simbed || return 1
}

# orv_build_real ROOT DIR [QT]: the normal configuration (the maker's server, system roots only).
orv_build_real() {
    local root=$1 dir=$2 qt=${3:-6} log
    mkdir -p "$dir"
    log="$dir/build-real.log"
    : >"$log"
    orv_note "==> building the normal configuration in $dir (log: $log)"
    # Dropping the two cache entries brings back their defaults, whatever this folder held.
    orv_quiet "$log" cmake -S "$root" -B "$dir" -DORV_QT_MAJOR="$qt" -UORV_API_BASE_URL -UORV_EXTRA_CA_FILE \
        || return 1
    orv_quiet "$log" cmake --build "$dir" -j"$(nproc)" --target orv || return 1
}

# orv_demo_start DIR: starts the local API server and writes the simulated device's state
# file (DIR/demo/device.json; PLUGGED "unplugged" leaves it out of the socket for now).
orv_demo_start() {
    local dir=$1 plugged=${2:-plugged} work
    work="$(cd "$dir" && pwd)/demo"
    mkdir -p "$work"
    orv_demo_work=$work
    orv_demo_state="$work/device.json"
    orv_demo_wire="$work/wire.log"
    orv_demo_requests="$work/requests.jsonl"
    orv_demo_simdev="$(cd "$dir" && pwd)/tools/simdevice/orv-simdev"
    : >"$orv_demo_wire"
    : >"$orv_demo_requests"
    rm -f "$orv_demo_state" "$orv_demo_state.lock"
    orv_start_apiserver "$dir/tools/apiserver/orv-apiserver" "$orv_demo_port" "$dir/certs" \
        "$work/apiserver.log" --log "$orv_demo_requests" \
        || orv_die "is another server using 127.0.0.1:$orv_demo_port?"
    local extra=()
    [ "$plugged" = plugged ] || extra=(--unplugged)
    "$orv_demo_simdev" --file "$orv_demo_state" init --model or+ --configured \
        --serial "$orv_demo_serial" --key "$orv_demo_key" --count "$orv_demo_count" "${extra[@]}" \
        || orv_die "cannot write $orv_demo_state"
}

# orv_demo_app DIR: starts the staging program, unchanged, under the hidraw bed with the
# simulated device.
orv_demo_app() {
    local dir
    dir=$(cd "$1" && pwd)
    orv_start_app_bed "$dir/orv" "$dir/tools/simdevice/orv-simbed" "$orv_demo_work/orv.log" \
        --device "$orv_demo_state" --wire-log "$orv_demo_wire" \
        || orv_die "the program did not start under the hidraw bed (see $orv_demo_work/orv.log)"
}

# Waits until the window has identified the demo device: its last query on the wire, then
# the brand list (it has configurations left), then one presence tick to fill the window.
orv_demo_wait_identified() {
    orv_wait_for 30 grep -qx 'MSG 09 32' "$orv_demo_wire" || return 1
    orv_wait_for 30 grep -qF '"target":"/api/v1/vehicle/brand?"' "$orv_demo_requests" || return 1
    sleep 1.5
}

orv_demo_help() {
    local rel=$1
    cat <<EOF

The configurator talks to the local API server (https://127.0.0.1:$orv_demo_port; requests in
$rel/demo/apiserver.log) and, through the system's hidapi and an emulated /dev/hidraw node, to
a simulated OR+ device (serial $orv_demo_serial, key $orv_demo_key, $orv_demo_count
configurations left, a vehicle stored). Every packet is in $rel/demo/wire.log. While the
window is open, in another terminal:

  export ORV_SIM_DEVICE_FILE=$orv_demo_state
  $rel/tools/simdevice/orv-simdev show          # what the device stores now
  $rel/tools/simdevice/orv-simdev unplug        # pull it out: the window empties
  $rel/tools/simdevice/orv-simdev plug          # plug it in again: identified anew
  $rel/tools/simdevice/orv-simdev set drive_mode 1    # ECO
  $rel/tools/simdevice/orv-simdev init --model or --configured --serial 1000000001 --key 'Kq7+tR/2mZ=='
  $rel/tools/simdevice/orv-simdev init --model or+ --serial 1100000001 --key 'a b+c/d=e'   # no vehicle
  $rel/tools/simdevice/orv-simdev fault no-answer --match "09 0a"   # next serial query times out
  $rel/tools/simdevice/orv-simdev                # every command

Close the window to stop; the server stops with it.
EOF
}
