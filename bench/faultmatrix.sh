#!/bin/sh
# Runs the whole fault matrix and prints it: every device fault at every message
# of identification, a drive-mode write, a settings write and the installation,
# every server fault at every request (tests/faultmatrix). ctest runs only a fixed
# sample of it; this takes about 15 minutes, mostly waiting for time-outs.
#
#   bench/faultmatrix.sh [build-dir]        (default: build-bench beside this script's project)
#
# The full output is kept in <build-dir>/tests/faultmatrix.log. Exit status: 0 every
# cell passed, 1 a cell failed, 2 the build failed.

set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}

cmake -S "$root" -B "$build" >/dev/null || exit 2
cmake --build "$build" --target test_faultmatrix -j2 >/dev/null || { echo "build failed" >&2; exit 2; }

# The window runs headless; a private runtime directory keeps Qt quiet.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR="$runtime"
export ORV_FAULT_MATRIX=full

cd "$build/tests" || exit 2
./test_faultmatrix >faultmatrix.log 2>&1
rc=$?
# The failed cells with their reasons, then the matrix and the count.
grep -A3 '^FAIL!' faultmatrix.log
sed -n '/^Fault matrix/,/^cells passed/p' faultmatrix.log
[ $rc -eq 0 ] || exit 1
