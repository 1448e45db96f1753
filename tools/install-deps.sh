#!/bin/sh
# Installs with apt-get everything the build, the tests, the demo and the screenshots need
# on Debian 12. Does nothing when every package is already there.
#
#   tools/install-deps.sh          for the Qt 6 build (the default)
#   tools/install-deps.sh --qt5    Qt 5 as well (tools/test.sh --qt5, bench/run.sh --qt5,
#                                  tools/picgen/regenerate.sh)
set -eu

qt5=no
case "${1:-}" in
    --qt5) qt5=yes ;;
    "") ;;
    *) echo "install-deps: unknown option $1 (only --qt5)" >&2; exit 2 ;;
esac

# Build: compiler, CMake with pkg-config, Qt 6 (base: Widgets, Network, Test, with its
# OpenGL headers), hidapi, cpp-httplib, OpenSSL and nlohmann-json for the local API server;
# Qt's linguist tools (lrelease, lupdate and their CMake package) for the translations.
# Qt's platform, image-format and TLS plug-ins come with its runtime libraries.
# Tests and demo: openssl makes the test certificates, xvfb and xauth (needed by xvfb-run)
# give a display, xdotool clicks the window, curl talks to the server's control interface,
# x11-apps and imagemagick take screenshots, DejaVu stands in for the window's fonts.
# The picture generator's regenerate.sh assembles load.gif and orv.ico with imagemagick too.
# Fuzzing (tools/fuzz.sh): clang with libFuzzer, whose runtime is only recommended by clang.
# make, xauth, openssl and ca-certificates are only recommended by other packages, so they
# are named here for installs without recommends.
packages="g++ make cmake pkgconf qt6-base-dev qt6-tools-dev qt6-l10n-tools libhidapi-dev
libcpp-httplib-dev libssl-dev nlohmann-json3-dev openssl ca-certificates curl xvfb xauth
xdotool x11-apps imagemagick fonts-dejavu-core clang libclang-rt-14-dev"
# The hidraw bed (orv-simbed): umockdev's library, headers and wrapper; procps (pgrep) finds
# the program the bed started.
packages="$packages umockdev libumockdev-dev libumockdev0 procps"
# xclip reads the text of a message box that the end-to-end test selects.
packages="$packages xclip"
# Qt 5.15, asked for with --qt5: the same parts.
if [ "$qt5" = yes ]; then
    packages="$packages qtbase5-dev qttools5-dev qttools5-dev-tools"
fi
# RapidCheck: the stateful property test of the window (tests/property).
packages="$packages librapidcheck-dev"
# zlib's headers: the local API server's gzip faults compress with it.
packages="$packages zlib1g-dev"
# The package: dpkg-dev (dpkg-shlibdeps) and file for CPack's .deb, and the checkers the
# packaging test runs on it.
packages="$packages dpkg-dev file lintian desktop-file-utils appstream"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "install-deps: need root or sudo to install:$missing" >&2
    exit 1
fi

echo "install-deps: installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086  # the list is split on purpose
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
