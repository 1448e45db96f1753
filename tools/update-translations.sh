#!/bin/sh
# Refreshes the translation sources resources/translations/orv_*.ts from the code: new
# message-box texts and accessible names are added (untranslated, for Qt Linguist or a text
# editor), vanished ones dropped, existing translations kept.
#
#   tools/update-translations.sh        (or: cmake --build build --target orv_lupdate)
#   tools/update-translations.sh DIR    refreshes DIR/orv_*.ts instead (copies, for the check)
#
# lupdate finds texts marked with tr(), QT_TR_NOOP or QT_TRANSLATE_NOOP. Message boxes are
# shown with show_box("Title", "Text"), which translates both at run time, so the string
# literals of every show_box...( ) call are collected here as well. Uses Qt 6's lupdate
# (qt6-l10n-tools; Qt 5's writes the same files), else the one on the PATH; LUPDATE names
# another one.
set -eu
export LC_ALL=C  # one sort order everywhere

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
lupdate=${LUPDATE:-}
if [ -z "$lupdate" ]; then
    lupdate=lupdate
    [ -x /usr/lib/qt6/bin/lupdate ] && lupdate=/usr/lib/qt6/bin/lupdate
fi
ts_dir=${1:-resources/translations}
folders="app device server tuning controls"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every literal argument of show_box calls, as texts of the window's translation context.
# shellcheck disable=SC2086  # the folder list is split on purpose
find $folders -name '*.cpp' | sort | xargs perl -0777 -ne '
    while (/\bshow_box\w*\s*\((.*?)\)\s*;/sg) {
        my $args = $1;
        while ($args =~ /"((?:[^"\\]|\\.)*)"/g) {
            print "QT_TRANSLATE_NOOP(\"MainWindow\", \"$1\");\n" unless $seen{$1}++;
        }
    }' >"$work/box_texts.cpp"

# The sources only: the widget texts of the form are invisible and stay untranslated.
# shellcheck disable=SC2086
find $folders -name '*.cpp' -o -name '*.h' | sort >"$work/sources"
echo "$work/box_texts.cpp" >>"$work/sources"
"$lupdate" -silent -locations none -no-obsolete -I "$root" "@$work/sources" \
    -ts "$ts_dir/orv_de.ts" "$ts_dir/orv_ru.ts"
echo "update-translations: $ts_dir/orv_de.ts and orv_ru.ts refreshed"
