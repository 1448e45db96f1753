#!/usr/bin/env bash
# Saves screenshots of the window for review, in each language (ENG, DE, RU), on a virtual
# display: first with no device, then with the simulated OR+ device identified; then all of
# it again at device pixel ratio 2 (QT_SCALE_FACTOR=2), where the window shows its @2x pictures.
#
#   tools/screenshots.sh [--qt5] [OUTDIR]      (default: screenshots/)
#
# Uses the local staging build in build-demo/ (built here when needed; with --qt5 the Qt 5
# build in build-demo-qt5/, to compare) and the local API server on 127.0.0.1:8443.
# Files: OUTDIR/no-device-{eng,de,ru}.png, OUTDIR/device-{eng,de,ru}.png (1000 x 650), and
# the same names under OUTDIR/2x/ (2000 x 1300).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=lib/session.sh
. "$root/tools/lib/session.sh"
# shellcheck source=lib/demo.sh
. "$root/tools/lib/demo.sh"

build="build-demo"
if [ "${1:-}" != --in-xvfb ]; then
    qt=6
    deps=()
    if [ "${1:-}" = --qt5 ]; then
        shift
        qt=5
        deps=(--qt5)
        build="build-demo-qt5"
    fi
    out=${1:-screenshots}
    case $out in -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
    cd "$root"
    "$root/tools/install-deps.sh" "${deps[@]}"
    orv_build_demo "$root" "$build" "$qt"
    mkdir -p "$out/2x"
    out=$(cd "$out" && pwd)
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" --in-xvfb "$out" 1 "$build"
    # The window is 2000 x 1300 device pixels at scale 2.
    exec xvfb-run -a -s "-screen 0 2560x1600x24" bash "$0" --in-xvfb "$out/2x" 2 "$build"
fi
out=$2
orv_scale=$3
build=$4
cd "$root"

trap orv_stop_all EXIT
trap 'exit 130' INT TERM

orv_demo_start "$build" unplugged
orv_demo_app "$build"
[ -n "$(orv_window)" ] || orv_die "the window did not appear (see $build/demo/orv.log)"
# A few presence ticks with nothing plugged in.
sleep 1.5
orv_screenshot_languages "$out" no-device || orv_die "no screenshots"

"$orv_demo_simdev" --file "$orv_demo_state" plug
orv_demo_wait_identified || orv_die "the simulated device was not identified (see $build/demo/wire.log)"
orv_screenshot_languages "$out" device || orv_die "no screenshots"

orv_note "==> screenshots in $out:"
for state in no-device device; do
    for lang in "${orv_language_names[@]}"; do
        orv_note "    $state-$lang.png"
    done
done
