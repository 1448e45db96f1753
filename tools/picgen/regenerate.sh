#!/bin/sh
# Builds the picture generator and rewrites resources/ with its output.
# Usage: tools/picgen/regenerate.sh [BUILD_DIR]   (default: build-pics)
# Needs Debian's qtbase5-dev, cmake, g++ and fonts-dejavu-core.
# Always Qt 5: Qt 6 draws the captions' text a little differently and encodes the PNG files
# differently, so the committed pictures are Qt 5's.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build-pics"}

cmake -S "$root" -B "$build" -DORV_QT_MAJOR=5 >/dev/null
cmake --build "$build" --target orv-picgen -j2
generator="$build/tools/picgen/orv-picgen"
if [ ! -x "$generator" ]; then
    echo "regenerate.sh: orv-picgen was not built" >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen "$generator" "$root/resources"
echo "resources/ rewritten by $generator"
