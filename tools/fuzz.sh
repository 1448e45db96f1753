#!/bin/sh
# Builds the fuzz targets of tests/fuzz with clang's libFuzzer (under ASan and
# UBSan) and runs each one, starting from its committed seeds, then prints per
# target the executions, the coverage libFuzzer saw (cov: code edges, ft:
# features) and the speed.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]     each target for SECONDS (default 25; CI: 8)
#   tools/fuzz.sh --runs N [TARGET...]      each target for N executions
#
# The long run: nice -n 19 tools/fuzz.sh --runs 10000000
#
# Build and results in build-fuzz/ (ORV_FUZZ_BUILD sets another folder): new
# inputs found in corpus/<target>/, logs in logs/<target>.log, a failing input
# in artifacts/. A failing input belongs in tests/fuzz/corpus/<target>/ once the
# fault is fixed, so that every later run replays it.
# Exit status: 0 every target held, 1 a target failed, 2 the build failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_FUZZ_BUILD:-"$root/build-fuzz"}

limit="-max_total_time=25"
what="25 s each"
case "${1:-}" in
    --runs) limit="-runs=$2"; what="$2 executions each"; shift 2 ;;
    ''|*[!0-9]*) ;;
    *) limit="-max_total_time=$1"; what="$1 s each"; shift ;;
esac

"$root/tools/install-deps.sh" || exit 2
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 2
cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1 || { cat "$build/build.log" >&2; exit 2; }

targets=${*:-$(sed -n 's/^  \(fuzz_[a-z_]*\)$/\1/p' "$root/tests/fuzz/CMakeLists.txt")}
mkdir -p "$build/logs" "$build/artifacts"
echo "fuzzing, $what"
status=0
for target in $targets; do
    seeds="$root/tests/fuzz/corpus/$target"
    found="$build/corpus/$target"
    log="$build/logs/$target.log"
    mkdir -p "$found" "$seeds"
    options=""
    leaks=1
    case $target in
        # Qt 5.15's JSON parser leaks the first value of a key that comes twice in an
        # object when that value is an object or an array; the code under test keeps
        # no memory of its own, so leak checks would only find that. What it leaks stays,
        # so a run of millions grows past libFuzzer's usual 2 GB: allow 8 GB.
        fuzz_server_body|fuzz_catalogue_lists)
            options="-dict=$root/tests/fuzz/json.dict -detect_leaks=0 -rss_limit_mb=8192"
            leaks=0 ;;
    esac
    # New inputs go to the first folder; the committed seeds are only read.
    # shellcheck disable=SC2086  # limit and options are words
    ASAN_OPTIONS="detect_leaks=$leaks${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
        "$build/$target" $limit $options -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$found" "$seeds" >"$log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | head -n 1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | head -n 1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
    cov=$(printf '%s\n' "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    ft=$(printf '%s\n' "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
    corp=$(printf '%s\n' "$last" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
    if [ $rc -eq 0 ]; then
        verdict=ok
    else
        verdict="FAILED (exit $rc)"
        status=1
    fi
    printf '%-22s %10s executions  cov %5s  ft %6s  corpus %5s  %7s exec/s  %s\n' \
        "$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "${speed:-?}" "$verdict"
    if [ $rc -ne 0 ]; then
        grep -E -A3 'PROPERTY VIOLATED|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" | head -n 12 | sed 's/^/    /'
        sed -n 's/^.*Test unit written to \(.*\)$/    input: \1/p' "$log"
        echo "    log: $log"
    fi
done
exit $status
