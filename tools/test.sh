#!/bin/sh
# Installs what is missing, builds and runs every test (the README's test command).
#
#   tools/test.sh                       normal build in build/
#   tools/test.sh --sanitize            the same under AddressSanitizer and UBSan, in build-asan/
#   tools/test.sh --qt6                 the same program and tests built with Qt 6, in build-qt6/
#                                       (without the packaging test and the fault matrix)
#   tools/test.sh [--sanitize|--qt6] -R name  extra arguments go to ctest
set -eu
cd "$(dirname "$0")/.."

build=build
flags=""
if [ "${1:-}" = "--qt6" ]; then
    shift
    build=build-qt6
    flags="-DORV_QT_MAJOR=6"
    # The package is the Qt 5 build, and the fault matrix does not depend on the Qt version
    # more than the other window tests do: both run in the Qt 5 pass only.
    set -- -LE package -E '^faultmatrix$' "$@"
elif [ "${1:-}" = "--sanitize" ]; then
    shift
    build=build-asan
    flags="-DORV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"
    # Leaks that belong to the system's own libraries (fontconfig, the X and
    # GL stacks) are not ours; everything else fails the run.
    export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:verify_asan_link_order=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

tools/install-deps.sh
# shellcheck disable=SC2086  # flags are split on purpose
cmake -S . -B "$build" $flags
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure "$@"
