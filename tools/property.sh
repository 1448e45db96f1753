#!/bin/sh
# Runs the stateful property test of the window (tests/property) with random
# seeds: batches of 200 sequences, each batch with a new seed, until the time is
# up or the number of sequences is reached. A batch grows its sequences from a
# few commands to 100 (RapidCheck's default size): long sequences reach states
# that short ones do not (ctest runs sequences of up to 25).
#
#   tools/property.sh [-j N] [SECONDS]           random seeds for SECONDS (default 600)
#   tools/property.sh [-j N] --sequences COUNT   random seeds until COUNT sequences ran
#   tools/property.sh --replay 'RC_PARAMS'       one failing case again, e.g.
#                                                --replay 'reproduce=BITYul...'
#
# -j N runs N batches at once (default 2): a batch mostly waits on the window's
# timers. The long run: tools/property.sh --sequences 10000
#
# Builds in build/ (ORV_PROPERTY_BUILD sets another folder). A failure prints
# the shrunk sequence and the RC_PARAMS that replay it; every failure found
# belongs in tests/property/property_test.cpp as a plain regression case once
# the fault is fixed. Exit status: 0 every batch held, 1 a batch failed, 2 the
# build failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_PROPERTY_BUILD:-"$root/build"}

jobs=2
if [ "${1:-}" = "-j" ]; then
    jobs=$2
    shift 2
fi
seconds=600
sequences=0
replay=""
case "${1:-}" in
    --sequences) sequences=$2; seconds=0 ;;
    --replay) replay=$2 ;;
    ''|*[!0-9]*) ;;
    *) seconds=$1 ;;
esac

"$root/tools/install-deps.sh" >/dev/null || exit 2
cmake -S "$root" -B "$build" >/dev/null || exit 2
cmake --build "$build" -j "$(nproc)" --target test_property >"$build/property-build.log" 2>&1 \
    || { cat "$build/property-build.log" >&2; exit 2; }

mkdir -p "$build/xdg-runtime" && chmod 700 "$build/xdg-runtime"
run() {
    (cd "$build/tests" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$build/xdg-runtime" RC_PARAMS="$1" \
        ./test_property)
}

if [ -n "$replay" ]; then
    run "$replay"
    exit $?
fi

batch=200
done_sequences=0
start=$(date +%s)
elapsed() { echo $(( $(date +%s) - start )); }
while :; do
    if [ "$sequences" -gt 0 ]; then
        [ "$done_sequences" -ge "$sequences" ] && break
    elif [ "$(elapsed)" -ge "$seconds" ]; then
        break
    fi
    # One round: up to `jobs` batches side by side, each with its own seed.
    seeds=""
    pids=""
    for _ in $(seq "$jobs"); do
        [ "$sequences" -gt 0 ] && [ $((done_sequences + $(echo "$seeds" | wc -w) * batch)) -ge "$sequences" ] && break
        seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
        run "seed=$seed max_success=$batch max_size=100" >"$build/property-$seed.log" 2>&1 &
        seeds="$seeds $seed"
        pids="$pids $!"
    done
    failed=""
    # shellcheck disable=SC2086  # the pids are words
    set -- $pids
    for seed in $seeds; do
        log="$build/property-$seed.log"
        if wait "$1"; then
            done_sequences=$((done_sequences + batch))
            echo "seed $seed: $batch sequences held ($done_sequences in $(elapsed) s)"
            rm -f "$log"
        else
            failed="$failed $seed"
        fi
        shift
    done
    if [ -n "$failed" ]; then
        for seed in $failed; do
            echo "seed $seed: FAILED; log: $build/property-$seed.log"
            sed -n '/^FAIL\|Falsifiable/,$p' "$build/property-$seed.log" | grep -v '^invariant broken'
        done
        echo "property: failed after $done_sequences sequences held in $(elapsed) s"
        exit 1
    fi
done
echo "property: $done_sequences sequences held in $(elapsed) s"
