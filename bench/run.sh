#!/bin/sh
# Builds the benchmarks and runs them one after the other, then prints the
# figures they measured and whether each target was met. A full run takes about
# an hour, most of it the soak's thousand plug-ins; without the soak
# (BENCH_SOAK_CYCLES=0) about seven minutes.
#
#   bench/run.sh [--qt5] [build-dir]   (default: build-bench, or build-bench-qt5 with --qt5,
#                                       beside this script's project)
#
# The Qt 6 build by default, as the package; --qt5 (or BENCH_QT=5) builds and measures the
# Qt 5 build (installing Qt 5 first). --qt6 is still taken and means the default.
#
# Options for the single benchmarks go through the environment:
#   BENCH_REPEATS=N        runs per case (transport, the bed and identification; default 3)
#   BENCH_IDLE_SECONDS=N   how long the idle window is watched (default 30)
#   BENCH_INSTALL_RUNS=N   installations (default 1)
#   BENCH_STARTUP_RUNS=N   starts of the configurator and of a bare window (default 15)
#   BENCH_SOAK_CYCLES=N    plug, identify, unplug cycles of the soak (default 1000, more than
#                          its 100 of warm-up; 0 skips it)
# The full output of each benchmark is kept in <build-dir>/bench/<name>.log.
# Exit status: 0 all targets met, 1 a target missed, 2 a benchmark failed to run.

set -u
root=$(cd "$(dirname "$0")/.." && pwd)
qt=${BENCH_QT:-6}
case "${1:-}" in
    --qt5) qt=5; shift ;;
    --qt6) qt=6; shift ;;
esac
case $qt in
    6) build=${1:-"$root/build-bench"}; deps="" ;;
    5) build=${1:-"$root/build-bench-qt5"}; deps=--qt5 ;;
    *) echo "BENCH_QT must be 6 or 5" >&2; exit 2 ;;
esac
# shellcheck disable=SC2086  # no option is left out on purpose
"$root/tools/install-deps.sh" $deps >&2 || exit 2
# The benchmarks run from inside the build folder and name its programs by path.
mkdir -p "$build" && build=$(cd "$build" && pwd)
repeats=${BENCH_REPEATS:-3}
idle=${BENCH_IDLE_SECONDS:-30}
installs=${BENCH_INSTALL_RUNS:-1}
startups=${BENCH_STARTUP_RUNS:-15}
cycles=${BENCH_SOAK_CYCLES:-1000}
benches="bench_transport bench_bed bench_identify bench_install bench_catalogue bench_startup bench_orvctl"
[ "$cycles" -gt 0 ] && benches="$benches bench_soak"

cmake -S "$root" -B "$build" -DORV_QT_MAJOR="$qt" >/dev/null || exit 2
cmake --build "$build" --target bench -j2 >/dev/null || { echo "build failed" >&2; exit 2; }
# The start-up and the soak run real windows on a display of their own.
xvfb='xvfb-run -a -s "-screen 0 1280x800x24"'
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (tools/install-deps.sh)" >&2; exit 2; }

# The window runs headless; a private runtime directory keeps Qt quiet.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR="$runtime"

status=0
cd "$build/bench" || exit 2
for bench in $benches; do
    case $bench in
        bench_transport) cmd="./$bench --repeats $repeats" ;;
        # The system's hidapi against a simulated device behind an emulated hidraw node.
        bench_bed) cmd="$build/tools/simdevice/orv-simdev --file bed-device.json init >/dev/null &&
            $build/tools/simdevice/orv-simbed --device bed-device.json -- ./$bench --repeats $repeats" ;;
        bench_identify) cmd="./$bench --repeats $repeats --idle-seconds $idle" ;;
        bench_install) cmd="./$bench --repeats $installs" ;;
        bench_catalogue) cmd="./$bench --repeats $repeats" ;;
        bench_startup) cmd="$xvfb ./$bench --runs $startups" ;;
        # orvctl on the system's hidapi under the bed, against the local server.
        bench_orvctl) cmd="bash $root/bench/orvctl.sh $build $repeats" ;;
        bench_soak) cmd="bash $root/bench/soak.sh $build $cycles" ;;
    esac
    echo "== $cmd" >&2
    # Started from their own folder: the window loads its animation from there.
    eval "$cmd" >"$bench.log" 2>"$bench.err"
    rc=$?
    if [ $rc -ge 2 ]; then
        echo "$bench did not finish (exit $rc), see $build/bench/$bench.log" >&2
        status=2
    elif [ $rc -eq 1 ] && [ $status -eq 0 ]; then
        status=1
    fi
done

echo
echo "Summary, Qt $qt (details in $build/bench/*.log)"
for bench in $benches; do
    grep -h -e '^result:' -e '^figure:' "$bench.log" | sed -e 's/^result: /  target  /' -e 's/^figure: /  figure  /'
    grep -h '^error:' "$bench.log" | sed 's/^/  /'
done
case $status in
    0) echo "all targets met" ;;
    1) echo "TARGET MISSED: see the lines marked FAIL" ;;
    *) echo "A BENCHMARK FAILED TO RUN" ;;
esac
exit $status
