#!/bin/sh
# Installs what is missing, builds and runs every test (the README's test command).
#
#   tools/test.sh                       the normal build (Qt 6, as the package) in build/
#   tools/test.sh --sanitize            the same under AddressSanitizer and UBSan, in build-asan/
#                                       (without the packaging test)
#   tools/test.sh --qt5                 the same program and tests built with Qt 5.15, in
#                                       build-qt5/ (installs Qt 5 first), e2e_record left out
#   tools/test.sh [--sanitize|--qt5] -R name  extra arguments go to ctest
#
# --qt6 is still taken and means the normal build.
set -eu
cd "$(dirname "$0")/.."

build=build
qt=6
deps=""
flags=""
skip=""
case "${1:-}" in
--qt6)
    shift
    ;;
--qt5)
    shift
    build=build-qt5
    qt=5
    deps="--qt5"
    # The benchmarks build in the normal pass (and in their own folder, bench/run.sh).
    flags="-DORV_BUILD_BENCH=OFF"
    # Record and replay are the same plain code on either Qt: the normal and the
    # sanitizer passes run their end-to-end test.
    skip="^e2e_record$"
    ;;
--sanitize)
    shift
    build=build-asan
    flags="-DORV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DORV_BUILD_BENCH=OFF"
    # Leaks that belong to the system's own libraries (fontconfig, the X and
    # GL stacks) are not ours; everything else fails the run.
    export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:verify_asan_link_order=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ;;
esac

# shellcheck disable=SC2086  # an empty option is left out on purpose
tools/install-deps.sh $deps
# The Qt is named, not left to the cache: a folder configured for the other one switches.
# shellcheck disable=SC2086  # flags are split on purpose
cmake -S . -B "$build" -DORV_QT_MAJOR=$qt $flags
cmake --build "$build" -j "$(nproc)"
cd "$build"
# Most tests wait on the device's and the server's timing, not on the processor: one
# more at a time than there are processors. The e2e tests and the packaging test take
# turns on their one server port (a ctest resource lock).
ctest --output-on-failure -j "$(($(nproc) + 1))" ${skip:+-E "$skip"} "$@"
