#!/bin/sh
# Builds the benchmarks and runs them one after the other, then prints the
# figures they measured and whether each target was met. A full run takes about
# four minutes: the installation alone moves 32 KiB at 50 ms per 16 bytes.
#
#   bench/run.sh [build-dir]        (default: build-bench beside this script's project)
#
# Options for the single benchmarks go through the environment:
#   BENCH_REPEATS=N        runs per case (transport and identification; default 3)
#   BENCH_IDLE_SECONDS=N   how long the idle window is watched (default 30)
#   BENCH_INSTALL_RUNS=N   installations (default 1)
# The full output of each benchmark is kept in <build-dir>/bench/<name>.log.
# Exit status: 0 all targets met, 1 a target missed, 2 a benchmark failed to run.

set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
repeats=${BENCH_REPEATS:-3}
idle=${BENCH_IDLE_SECONDS:-30}
installs=${BENCH_INSTALL_RUNS:-1}

cmake -S "$root" -B "$build" >/dev/null || exit 2
cmake --build "$build" --target bench -j2 >/dev/null || { echo "build failed" >&2; exit 2; }

# The window runs headless; a private runtime directory keeps Qt quiet.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR="$runtime"

status=0
cd "$build/bench" || exit 2
for bench in bench_transport bench_identify bench_install; do
    case $bench in
        bench_transport) args="--repeats $repeats" ;;
        bench_identify) args="--repeats $repeats --idle-seconds $idle" ;;
        bench_install) args="--repeats $installs" ;;
    esac
    echo "== $bench $args" >&2
    # Started from their own folder: the window loads its animation from there.
    ./$bench $args >"$bench.log" 2>"$bench.err"
    rc=$?
    if [ $rc -ge 2 ]; then
        echo "$bench did not finish (exit $rc), see $build/bench/$bench.log" >&2
        status=2
    elif [ $rc -eq 1 ] && [ $status -eq 0 ]; then
        status=1
    fi
done

echo
echo "Summary (details in $build/bench/*.log)"
for bench in bench_transport bench_identify bench_install; do
    grep -h -e '^result:' -e '^figure:' "$bench.log" | sed -e 's/^result: /  target  /' -e 's/^figure: /  figure  /'
    grep -h '^error:' "$bench.log" | sed 's/^/  /'
done
case $status in
    0) echo "all targets met" ;;
    1) echo "TARGET MISSED: see the lines marked MISSED" ;;
    *) echo "A BENCHMARK FAILED TO RUN" ;;
esac
exit $status
