#!/bin/sh
# Builds the picture generator and rewrites resources/ with its output.
# Usage: tools/picgen/regenerate.sh [BUILD_DIR]   (default: build-pics)
# Always Qt 5, in a build folder of its own, whatever the program is built with (Qt 6 by
# default; the generator compiles with either): Qt 6 draws the captions' text a little
# differently and encodes the PNG files differently, so the committed pictures are Qt 5's
# and stay byte for byte what they are until a picture really changes. Installs Qt 5 and the
# rest it needs (cmake, g++, fonts-dejavu-core, imagemagick) first.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build-pics"}

"$root/tools/install-deps.sh" --qt5

cmake -S "$root" -B "$build" -DORV_QT_MAJOR=5 >/dev/null
cmake --build "$build" --target orv-picgen -j2
generator="$build/tools/picgen/orv-picgen"
if [ ! -x "$generator" ]; then
    echo "regenerate.sh: orv-picgen was not built" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen "$generator" "$root/resources" "$work"

# Qt reads GIF and ICO but writes neither, so ImageMagick assembles them from the frames and
# sizes the generator drew. The animation: 80 ms a frame, looping forever, each frame replacing
# the previous one entirely ("Background"), so its transparent pixels never show an older frame.
for name in load load@2x; do
    convert -delay 8 -loop 0 -dispose Background "$work/$name"-*.png "$root/resources/$name.gif"
done
# The window icon: every size as a 32-bit bitmap with alpha.
convert "$work"/orv-*.png "$root/resources/orv.ico"
echo "resources/ rewritten by $generator and convert"
