# The configurator as a user gets it. CPack builds the .deb (the program only, for the local API
# server with the test CA); dpkg -x unpacks it into a temporary root; the unpacked program starts
# from a folder of its own, as from a desktop menu, on the system's hidapi against the
# simulated device behind the hidraw bed and the local API server, and must identify the device
# and show its icon and animation from the installed data folder. desktop-file-validate, appstreamcli and lintian check the installed files;
# the package holds orvctl too, with its manual page and bash completion.
#
# Set by tests/package/CMakeLists.txt: ORV_PKG_SOURCE, ORV_PKG_BUILD, ORV_PKG_QT (the Qt major
# version of this build, which the package is built with too), ORV_PKG_GENERATOR,
# ORV_PKG_LAUNCHER (may be empty) and those of tests/e2e/harness.sh, whose ORV_E2E_APP is the
# program inside the unpacked root.
# shellcheck source=../e2e/harness.sh
. "$ORV_PKG_SOURCE/tests/e2e/harness.sh"

root="$e2e_work/unpacked"
home="$e2e_work/home"
app_id=example.orv.configurator

# --- the package ---------------------------------------------------------------------------

e2e_log "building the package in $ORV_PKG_BUILD"
launcher=()
[ -n "${ORV_PKG_LAUNCHER:-}" ] && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER="$ORV_PKG_LAUNCHER")
# Installing needs only the program: building everything else first would double the time.
cmake -S "$ORV_PKG_SOURCE" -B "$ORV_PKG_BUILD" -G "$ORV_PKG_GENERATOR" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DORV_BUILD_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DORV_QT_MAJOR="$ORV_PKG_QT" -DORV_API_BASE_URL="https://127.0.0.1:$e2e_port" \
    -DORV_EXTRA_CA_FILE="$ORV_E2E_CERTS/ca.pem" >"$e2e_work/configure.log" 2>&1 \
    || { tail -n 20 "$e2e_work/configure.log"; e2e_fatal "the package build is configured"; }
cmake --build "$ORV_PKG_BUILD" --target orv orvctl -j "$(nproc)" >"$e2e_work/build.log" 2>&1 \
    || { tail -n 20 "$e2e_work/build.log"; e2e_fatal "the program builds"; }
(cd "$ORV_PKG_BUILD" && cpack -G DEB -B "$e2e_work/deb") >"$e2e_work/cpack.log" 2>&1 \
    || { tail -n 20 "$e2e_work/cpack.log"; e2e_fatal "CPack makes the package"; }
debs=("$e2e_work"/deb/*.deb)
deb=${debs[0]}
[ -f "$deb" ] || e2e_fatal "CPack makes a .deb"
e2e_log "built $(basename "$deb")"
dpkg -x "$deb" "$root" || e2e_fatal "dpkg -x unpacks the package"

missing=""
for file in usr/bin/orv usr/share/orv/orv.ico usr/share/orv/load.gif usr/lib/udev/rules.d/70-orv.rules \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    usr/share/icons/hicolor/{16x16,256x256}/apps/$app_id.png usr/share/doc/orv-configurator/copyright; do
    [ -s "$root/$file" ] || missing+=" /$file"
done
e2e_same "the package holds the program and its files" "" "$missing"
missing=""
for file in usr/bin/orvctl usr/share/man/man1/orvctl.1.gz usr/share/bash-completion/completions/orvctl; do
    [ -s "$root/$file" ] || missing+=" /$file"
done
e2e_same "the package holds orvctl, its manual page and its bash completion" "" "$missing"
e2e_same "orvctl needs no Qt Gui or Widgets library" "" \
    "$(readelf -d "$root/usr/bin/orvctl" | grep -oiE 'libqt[0-9](gui|widgets)[^]]*')"

# The Qt it was built with, and only that one: in the dependencies dpkg-shlibdeps found and in
# the libraries the program needs.
qt_libraries=$( (dpkg-deb -f "$deb" Depends | tr ',' '\n'; readelf -d "$root/usr/bin/orv") \
    | grep -oiE 'libqt[0-9]widgets[0-9a-z.]*' | tr '\n' ' ')
e2e_same "the package depends on Qt $ORV_PKG_QT's libraries" \
    "libqt${ORV_PKG_QT}widgets${ORV_PKG_QT} libQt${ORV_PKG_QT}Widgets.so.${ORV_PKG_QT} " "$qt_libraries"

# --- the validators ------------------------------------------------------------------------

# check_tool DESCRIPTION COMMAND...: passes when COMMAND succeeds; shows its output either way.
check_tool() {
    local what=$1 output status
    shift
    output=$("$@" 2>&1)
    status=$?
    [ -n "$output" ] && printf '%s\n' "$output" | sed 's/^/    /'
    if [ "$status" -eq 0 ]; then e2e_pass "$what"; else e2e_fail "$what" "exit status $status"; fi
}
check_tool "desktop-file-validate accepts the desktop entry" \
    desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
check_tool "appstreamcli accepts the metadata" \
    appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
check_tool "lintian finds no errors or warnings" lintian --fail-on error,warning "$deb"

# --- the unpacked program ------------------------------------------------------------------

e2e_start_server
e2e_simdev init --model or+ --configured --serial 1100000002 --unplugged >/dev/null \
    || e2e_fatal "orv-simdev writes the state file"
mkdir -p "$home"
export QT_LOGGING_RULES="orv.app.debug=true"
orv_app_dir=$home e2e_start_app
e2e_log "window up, started in $home"

data=$(realpath "$root/usr/share/orv")
e2e_check "the window icon comes from the installed data folder" \
    grep -qxF "orv.app: window icon: $data/orv.ico (valid)" "$e2e_work/orv.log"
e2e_check "the loading animation comes from the installed data folder" \
    grep -qxF "orv.app: loading animation: $data/load.gif (valid)" "$e2e_work/orv.log"

sleep 1
empty_label=$(e2e_region "${e2e_device_label[@]}")
e2e_simdev plug || e2e_fatal "orv-simdev plugs the device in"
orv_wait_for 20 orv_has_after "$e2e_wire" 0 '^MSG 09 32$' \
    || e2e_fatal "the identification reaches its last query"
orv_wait_for 20 e2e_requests_at_least 0 2 || e2e_fatal "the server is asked about the device"
e2e_check "the window shows the identified device" \
    e2e_wait_region 5 "${e2e_device_label[@]}" ne "$empty_label"
e2e_same "the server requests in order" \
    "GET /api/v1/chip/limitInfo 200"$'\n'"GET /api/v1/vehicle/brand? 200" "$(e2e_targets_after 0)"
e2e_same "no message box" "" "$(orv_box 'Error!')"

e2e_finish
