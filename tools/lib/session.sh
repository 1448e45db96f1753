# Shell helpers shared by tools/run.sh, tools/screenshots.sh and the end-to-end tests: start
# and stop the local API server and the configurator, wait for lines in their logs, and drive
# the window with xdotool. Source it from bash.
#
# Every process started here is remembered by its id and stopped by orv_stop_all, which the
# caller runs from its EXIT trap.

orv_pids=()
# Device pixel ratio of the configurator started by orv_start_app (QT_SCALE_FACTOR): clicks
# and screenshots below take window coordinates in logical pixels and scale them.
orv_scale=${orv_scale:-1}

orv_note() { printf '%s\n' "$*" >&2; }
orv_die() {
    orv_note "error: $*"
    exit 1
}

# True while PID runs (a child that has exited but not been waited for does not count).
orv_alive() {
    local state
    [ -r "/proc/$1/stat" ] || return 1
    state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# Stops one process started by this script: TERM, then KILL after 5 s.
orv_stop() {
    local pid=$1 i
    # "|| true" throughout: this runs from EXIT traps of scripts with errexit set.
    orv_alive "$pid" || { wait "$pid" 2>/dev/null || true; return 0; }
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
        orv_alive "$pid" || break
        sleep 0.1
    done
    if orv_alive "$pid"; then kill -KILL "$pid" 2>/dev/null || true; fi
    wait "$pid" 2>/dev/null || true
    return 0
}

# Stops every process started through these helpers, newest first.
orv_stop_all() {
    local i
    for ((i = ${#orv_pids[@]} - 1; i >= 0; i--)); do
        orv_stop "${orv_pids[i]}"
    done
    orv_pids=()
}

# orv_wait_for SECONDS COMMAND [ARGS...]: runs COMMAND every 0.1 s until it succeeds;
# fails after SECONDS.
orv_wait_for() {
    local limit=$1 deadline
    shift
    deadline=$(($(date +%s%N) + limit * 1000000000))
    until "$@"; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Number of lines in FILE (0 when it does not exist yet).
orv_lines() {
    if [ -f "$1" ]; then wc -l <"$1" | tr -d ' '; else echo 0; fi
}

# orv_has_after FILE START PATTERN: a line after the first START lines of FILE matches the
# extended regular expression PATTERN.
orv_has_after() {
    [ -f "$1" ] && tail -n "+$(($2 + 1))" "$1" | grep -Eq -- "$3"
}

# --- the local API server ------------------------------------------------------------------

orv_api_port=""
orv_api_certs=""

# orv_start_apiserver BIN PORT CERTDIR OUTFILE [OPTIONS...]: starts the server on 127.0.0.1
# and waits until it listens. Its own output (one line per request) goes to OUTFILE.
orv_start_apiserver() {
    local bin=$1 port=$2 certs=$3 out=$4 pid
    shift 4
    orv_api_port=$port
    orv_api_certs=$certs
    : >"$out"
    "$bin" --host 127.0.0.1 --port "$port" --cert "$certs/server.pem" --key "$certs/server.key" \
        "$@" >"$out" 2>&1 &
    pid=$!
    orv_pids+=("$pid")
    if ! orv_wait_for 15 grep -q '^orv-apiserver: serving' "$out"; then
        orv_note "the local API server did not start:"
        sed 's/^/    /' "$out" >&2
        return 1
    fi
    orv_api_pid=$pid
}

# orv_api METHOD PATH [JSON]: a request to the control interface of the running server (on
# 127.0.0.1, so never through a proxy that https_proxy names).
orv_api() {
    local method=$1 path=$2 body=${3:-}
    if [ -n "$body" ]; then
        curl -sS --noproxy "*" --max-time 10 --cacert "$orv_api_certs/ca.pem" -X "$method" \
            -H 'Content-Type: application/json' --data "$body" \
            "https://127.0.0.1:$orv_api_port$path"
    else
        curl -sS --noproxy "*" --max-time 10 --cacert "$orv_api_certs/ca.pem" -X "$method" \
            "https://127.0.0.1:$orv_api_port$path"
    fi
}

# orv_api_device_request SERIAL PATH: an API request as a device with this serial number
# makes it (the server wants these five headers on every endpoint).
orv_api_device_request() {
    curl -sS --noproxy "*" --max-time 10 --cacert "$orv_api_certs/ca.pem" \
        -H "X-Auth-Token: $1" -H 'X-Device-Token: 718204593316' -H 'X-Device-Type: DESKTOP' \
        -H 'X-Device-Language: RU' -H 'Accept: application/json' \
        "https://127.0.0.1:$orv_api_port$2"
}

# --- the configurator ----------------------------------------------------------------------

# orv_start_app PROGRAM OUTFILE: starts the configurator from its own folder (it reads
# orv.ico and load.gif there), on the system's hidapi and a real device.
orv_start_app() {
    (
        cd "$(dirname "$1")" || exit 1
        export QT_QPA_PLATFORM=xcb
        [ "$orv_scale" = 1 ] || export QT_SCALE_FACTOR=$orv_scale
        exec "./$(basename "$1")"
    ) >"$2" 2>&1 &
    orv_app_pid=$!
    orv_pids+=("$orv_app_pid")
}

# orv_start_app_bed PROGRAM BED OUTFILE BED-OPTIONS...: starts the configurator from its own
# folder (or from orv_app_dir, when set) under the hidraw bed (orv-simbed), with the system's
# hidapi; BED-OPTIONS name the simulated devices (--device STATE --wire-log LOG ...). Sets
# orv_bed_pid and orv_app_pid (the program's own, once it runs).
orv_start_app_bed() {
    local program=$1 bed=$2 out=$3 i
    shift 3
    program=$(realpath "$program")
    (
        cd "${orv_app_dir:-$(dirname "$program")}" || exit 1
        export QT_QPA_PLATFORM=xcb
        [ "$orv_scale" = 1 ] || export QT_SCALE_FACTOR=$orv_scale
        exec "$bed" "$@" -- "$program"
    ) >"$out" 2>&1 &
    orv_bed_pid=$!
    orv_pids+=("$orv_bed_pid")
    orv_app_pid=""
    # The bed's child becomes the program once umockdev-wrapper has passed it on.
    for ((i = 0; i < 100; i++)); do
        orv_app_pid=$(pgrep -P "$orv_bed_pid" | head -n 1)
        if [ -n "$orv_app_pid" ] && [ "$(readlink "/proc/$orv_app_pid/exe" 2>/dev/null)" = "$(readlink -f "$program")" ]; then
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# orv_maps_system_hidapi PID: the process has mapped the hidraw hidapi library of the system's
# package (libhidapi-hidraw0).
orv_maps_system_hidapi() {
    local lib
    lib=$(grep -o '/[^ ]*/libhidapi-hidraw\.so[^ ]*$' "/proc/$1/maps" 2>/dev/null | head -n 1)
    [ -n "$lib" ] && dpkg-query -S "$lib" 2>/dev/null | grep -q '^libhidapi-hidraw0'
}

# Window id of the visible main window, waiting up to 20 s for it.
orv_window() {
    timeout 20 xdotool search --sync --onlyvisible --name '^ORV$' 2>/dev/null | head -n 1
}

# orv_box TITLE: id of a visible message box with exactly this title, if one is open.
orv_box() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# orv_close_box TITLE: closes the visible message box with this title through its default
# button and waits until it has gone.
orv_close_box() {
    local id
    id=$(orv_box "$1")
    [ -n "$id" ] || return 1
    xdotool windowfocus --sync "$id" key --clearmodifiers Return 2>/dev/null
    orv_wait_for 10 orv_no_box "$1"
}
orv_no_box() { [ -z "$(orv_box "$1")" ]; }

# orv_click X Y: a left click at a point of the window (it sits at 0,0 with no frame).
orv_click() {
    # No --sync: it waits forever when the pointer is already there.
    xdotool mousemove "$(($1 * orv_scale))" "$(($2 * orv_scale))" sleep 0.05 click 1
}

# Number of visible windows of the configurator (the main window, an open list, a box).
orv_app_windows() {
    xdotool search --onlyvisible --pid "$orv_app_pid" 2>/dev/null | wc -l
}
orv_app_windows_above() { [ "$(orv_app_windows)" -gt "$1" ]; }
orv_app_windows_at_most() { [ "$(orv_app_windows)" -le "$1" ]; }

# orv_choose_in_list X Y INDEX: clicks at the point, waits for the list that opens there, and
# chooses its INDEX-th item (0 is the first) with the keyboard, counting from the top.
orv_choose_in_list() {
    local x=$1 y=$2 index=$3 before
    before=$(orv_app_windows)
    orv_click "$x" "$y"
    orv_wait_for 5 orv_app_windows_above "$before" || return 1
    sleep 0.2
    xdotool key Home
    if [ "$index" -gt 0 ]; then
        xdotool key --delay 30 --repeat "$index" Down
    fi
    xdotool key Return
    orv_wait_for 5 orv_app_windows_at_most "$before"
}

# orv_language INDEX: chooses ENG (0), DE (1) or RU (2) in the language box at 410,20 86x36.
orv_language() {
    orv_choose_in_list 453 38 "$1" || return 1
    # Let the window repaint with the new pictures before anyone looks at it.
    sleep 0.5
}

orv_language_names=(eng de ru)

# orv_screenshot FILE: the window's 1000 x 650 logical pixels (2000 x 1300 at scale 2).
orv_screenshot() {
    import -window root -crop "$((1000 * orv_scale))x$((650 * orv_scale))+0+0" +repage "$1"
}

# orv_screenshot_languages DIR PREFIX: one picture per language, DIR/PREFIX-eng.png ..., and
# back to English at the end.
orv_screenshot_languages() {
    local dir=$1 prefix=$2 i
    for i in 0 1 2; do
        orv_language "$i" || { orv_note "the language list did not open"; return 1; }
        orv_screenshot "$dir/$prefix-${orv_language_names[i]}.png" || return 1
    done
    orv_language 0
}
