#!/bin/sh
# Runs the stateful property test of the window (tests/property) with random
# seeds: batches of 200 sequences of up to 25 commands, each batch with a new
# seed, until the time is up or the number of sequences is reached.
#
#   tools/property.sh [SECONDS]              random seeds for SECONDS (default 600)
#   tools/property.sh --sequences N          random seeds until N sequences ran
#   tools/property.sh --replay 'RC_PARAMS'   one failing case again, e.g.
#                                            --replay 'reproduce=BITYul...'
#
# The long run: tools/property.sh --sequences 10000
#
# Builds in build/ (ORV_PROPERTY_BUILD sets another folder). A failure prints
# the shrunk sequence and the RC_PARAMS that replay it; every failure found
# belongs in tests/property/property_test.cpp as a plain regression case once
# the fault is fixed. Exit status: 0 every batch held, 1 a batch failed, 2 the
# build failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_PROPERTY_BUILD:-"$root/build"}

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
while :; do
    now=$(date +%s)
    if [ "$sequences" -gt 0 ]; then
        [ "$done_sequences" -ge "$sequences" ] && break
    elif [ $((now - start)) -ge "$seconds" ]; then
        break
    fi
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    log="$build/property-$seed.log"
    if ! run "seed=$seed max_success=$batch max_size=25" >"$log" 2>&1; then
        echo "seed $seed: FAILED after $done_sequences sequences in $(( $(date +%s) - start )) s; log: $log"
        sed -n '/Falsifiable/,$p' "$log"
        exit 1
    fi
    rm -f "$log"
    done_sequences=$((done_sequences + batch))
    echo "seed $seed: $batch sequences held ($done_sequences in $(( $(date +%s) - start )) s)"
done
echo "property: $done_sequences sequences held in $(( $(date +%s) - start )) s"
