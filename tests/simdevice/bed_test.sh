# The hidraw bed under the system's hidapi: a leftover report comes some milliseconds after
# the open, a plain answer comes at once, a late fault holds it back, an unplug fault fails the
# write and hangs up the node, and the device leaves the enumeration. Arguments: orv-simdev, orv-simbed, bed_probe, a work folder.
set -u
simdev=$1 bed=$2 probe=$3 work=$4
mkdir -p "$work"
state=$work/bed-device.json
"$simdev" --file "$state" init >/dev/null \
    && "$simdev" --file "$state" fault leftover 30 \
    && "$simdev" --file "$state" fault late 2 --match "09 0a" \
    && "$simdev" --file "$state" fault unplug --match "09 0b" || exit 1
expected="devices 1
leftover: nothing at the open, a report later
090c: answered at once
090a: answered late
090b: write -1, read -1
devices 0"
actual=$("$bed" --device "$state" -- "$probe")
if [ "$actual" != "$expected" ]; then
    printf 'expected:\n%s\nactual:\n%s\n' "$expected" "$actual"
    exit 1
fi
echo "the bed answers, holds back and hangs up as its faults say"
