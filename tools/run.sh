#!/usr/bin/env bash
# Runs the configurator.
#
#   tools/run.sh           a local staging build (build-demo/) against the local API server on
#                          127.0.0.1:8443 and a simulated device behind an emulated hidraw node
#                          (the system's hidapi), with no hardware and no network
#   tools/run.sh --real    the normal build (build/) against a real device and the maker's server
#   --build DIR            another build folder
#   --qt5                  built with Qt 5 (in build-demo-qt5/, or build-qt5/ with --real)
#                          instead of Qt 6
#
# Installs missing packages first (tools/install-deps.sh). With no display ($DISPLAY unset) the
# window runs on a virtual display instead: screenshots of it in each language are saved under
# screenshots/ (or --shots DIR) once the device has been identified, and the script exits.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=lib/session.sh
. "$root/tools/lib/session.sh"
# shellcheck source=lib/demo.sh
. "$root/tools/lib/demo.sh"

mode=demo
build=""
shots=screenshots
in_xvfb=no
qt=6
while [ $# -gt 0 ]; do
    case $1 in
    --real) mode=real ;;
    --shots) shots=${2:?--shots needs a folder}; shift ;;
    --build) build=${2:?--build needs a folder}; shift ;;
    --qt5) qt=5 ;;
    --in-xvfb) in_xvfb=yes ;;   # internal: this run is the one under xvfb-run
    -h | --help)
        sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) orv_die "unknown option $1 (try --help)" ;;
    esac
    shift
done

cd "$root"
if [ -z "$build" ]; then
    if [ "$mode" = real ]; then build="build"; else build="build-demo"; fi
    [ "$qt" = 6 ] || build="$build-qt$qt"
fi

if [ "$in_xvfb" = no ]; then
    if [ "$qt" = 5 ]; then "$root/tools/install-deps.sh" --qt5; else "$root/tools/install-deps.sh"; fi
    if [ "$mode" = real ]; then
        orv_build_real "$root" "$build" "$qt"
    else
        orv_build_demo "$root" "$build" "$qt"
    fi
    if [ -z "${DISPLAY:-}" ]; then
        orv_note "==> no display: running on a virtual one and saving screenshots to $shots/"
        args=(--in-xvfb --shots "$shots" --build "$build")
        [ "$mode" = real ] && args+=(--real)
        exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "${args[@]}"
    fi
fi

trap orv_stop_all EXIT
trap 'exit 130' INT TERM

if [ "$mode" = real ]; then
    work="$(cd "$build" && pwd)/run"
    mkdir -p "$work"
    orv_note "==> starting $build/orv (a real device over USB, the maker's server)"
    if [ "$in_xvfb" = no ]; then
        # A real device needs read and write access to its /dev/hidraw node.
        (cd "$build" && exec ./orv)
        exit $?
    fi
    orv_start_app "$(cd "$build" && pwd)/orv" "$work/orv.log"
    [ -n "$(orv_window)" ] || orv_die "the window did not appear (see $work/orv.log)"
    # Give a plugged-in device a few presence ticks to be identified.
    sleep 5
    mkdir -p "$shots"
    orv_screenshot_languages "$shots" real || orv_die "no screenshots"
    orv_note "==> screenshots: $shots/real-eng.png, real-de.png, real-ru.png"
    exit 0
fi

orv_demo_start "$build"
orv_note "==> local API server on https://127.0.0.1:$orv_demo_port (pid $orv_api_pid)"
orv_demo_app "$build"

if [ "$in_xvfb" = no ]; then
    orv_demo_help "$build" >&2
    orv_note "(the program's own messages go to $build/demo/orv.log)"
    status=0
    # The bed ends with the program and passes on its exit status.
    wait "$orv_bed_pid" || status=$?
    exit "$status"
fi

# No display: look at the window once the device is in, then leave.
[ -n "$(orv_window)" ] || orv_die "the window did not appear (see $build/demo/orv.log)"
orv_demo_wait_identified || orv_die "the simulated device was not identified (see $build/demo/wire.log)"
mkdir -p "$shots"
orv_screenshot_languages "$shots" run || orv_die "no screenshots"
orv_note "==> the window with the simulated device identified, in each language:"
for lang in "${orv_language_names[@]}"; do
    orv_note "    $shots/run-$lang.png"
done
