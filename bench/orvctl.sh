#!/bin/bash
# orvctl on the system's hidapi, against the simulated device behind the hidraw bed and
# the local API server on 127.0.0.1:18445 (orvctl-bench is built for it): the wall time
# of `orvctl identify --offline` and of `orvctl install` against the floor of the messages
# they send, and the time from the program's start to its first packet.
#
# The floor of a run, from the device's wire log: the read delay after the open (50 ms:
# the first message waits for it), one 50 ms read spacing per packet the program sends,
# and the 5 ms pause between two messages. The wall time runs from the moment the
# program is started (by a shell the bed runs, once the emulated node is in place) to the
# moment it has ended; the time to the first packet is taken from the program's own trace
# (orv.usb), whose clock is the system's.
#
#   bench/orvctl.sh BUILD-DIR [RUNS]     (default 3 identifications, 1 installation;
#                                         bench/run.sh runs it)
#
# Targets: identify at most 1.05 of its floor, install at most 1.03 (the worst run).
# Exit status: 0 targets met, 1 a target missed, 2 it did not run.
set -uo pipefail

build=$(cd "${1:?usage: orvctl.sh BUILD-DIR [RUNS]}" && pwd)
runs=${2:-3}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../tools/lib/session.sh
. "$root/tools/lib/session.sh"
trap orv_stop_all EXIT
trap 'exit 130' INT TERM

ctl=$build/bench/orvctl-bench
simdev=$build/tools/simdevice/orv-simdev
bed=$build/tools/simdevice/orv-simbed
apiserver=$build/tools/apiserver/orv-apiserver
certs=$build/certs
for f in "$ctl" "$simdev" "$bed" "$apiserver" "$certs/ca.pem"; do
    [ -e "$f" ] || { echo "error: $f is missing (cmake --build $build --target bench)"; exit 2; }
done
work=$build/bench/orvctl
rm -rf "$work"
mkdir -p "$work"
state=$work/device.json
wire=$work/wire.log

orv_start_apiserver "$apiserver" 18445 "$certs" "$work/apiserver.log" --quiet \
    --catalogue "$root/tools/apiserver/catalogue.json" \
    || { echo "error: the local API server does not start"; exit 2; }

# run LABEL ARGS...: one run of orvctl under the bed; prints "wall floor first" in ms.
run() {
    local label=$1 start end first packets messages floor
    shift
    : >"$wire"
    QT_LOGGING_RULES="orv.usb.debug=true" QT_MESSAGE_PATTERN='%{time yyyy-MM-ddTHH:mm:ss.zzz} %{message}' \
        "$bed" --device "$state" --wire-log "$wire" -- \
        sh -c 'date +%s%3N >"$0"; "$@"; rc=$?; date +%s%3N >>"$0"; exit $rc' "$work/times" "$ctl" "$@" \
        >"$work/$label.out" 2>"$work/$label.err"
    local rc=$?
    start=$(sed -n 1p "$work/times")
    end=$(sed -n 2p "$work/times")
    if [ $rc -ne 0 ]; then
        echo "error: orvctl $* ended with $rc" >&2
        tail -n 5 "$work/$label.err" >&2
        return 1
    fi
    packets=$(grep -c '^H>D ' "$wire")
    messages=$(grep -c '^MSG ' "$wire")
    floor=$((50 + packets * 50 + (messages - 1) * 5))
    first=$(grep -m1 ' H>D ' "$work/$label.err" | cut -d' ' -f1)
    first=$(($(date -d "${first/T/ }" +%s%3N) - start))
    echo "$((end - start)) $floor $first"
}

status=0
# report LABEL TARGET "wall floor first"...
report() {
    local label=$1 target=$2 worst=0 line wall floor first ratio
    shift 2
    for line in "$@"; do
        read -r wall floor first <<<"$line"
        ratio=$(awk -v w="$wall" -v f="$floor" 'BEGIN { printf "%.3f", w / f }')
        echo "$label: wall $wall ms, floor $floor ms, ratio $ratio, start to first packet $first ms"
        worst=$(awk -v a="$worst" -v b="$ratio" 'BEGIN { print (b > a) ? b : a }')
    done
    if awk -v w="$worst" -v t="$target" 'BEGIN { exit !(w <= t) }'; then
        echo "result: orvctl $label, worst ratio to the floor $worst (target <= $target): PASS"
    else
        echo "result: orvctl $label, worst ratio to the floor $worst (target <= $target): FAIL"
        status=1
    fi
}

"$simdev" --file "$state" init --model or+ --configured --serial 1100000002 --key 'Zx9/Qw+Er==' \
    --count 3 >/dev/null || { echo "error: orv-simdev writes the state file"; exit 2; }
identified=()
for ((i = 1; i <= runs; i++)); do
    line=$(run identify identify --offline) || exit 2
    identified+=("$line")
done
report "identify --offline" 1.05 "${identified[@]}"

# A vehicle with a 32 KiB software file: about 2,000 acknowledged chunks, as a real one.
line=$(run install install Audi A4 "3.0 TDI" --yes) || exit 2
report "install" 1.03 "$line"
exit $status
