#!/bin/sh
# The session layer stays below the widgets: none of its files, nor a project header
# they include (followed all the way), includes a window file or a Qt Gui or Widgets
# header. The window's files may include the layer's; not the other way round.
#
#   layering_test.sh SOURCE_DIR QT_GUI_INCLUDE_DIR QT_WIDGETS_INCLUDE_DIR FILE...
#   (FILE: the session library's sources, relative to SOURCE_DIR)
set -u
src=$1 gui=$2 widgets=$3
shift 3
window_files="app/mainwindow.h ui_mainwindow.h app/message_box.h app/window_view.h app/app_state.h
app/widget_snapshot.h app/style_sheets.h app/combo_items.h app/pictures.h app/idle_work.h app/accessibility.h"

seen=""
failed=0
check() {  # FILE
    case " $seen " in *" $1 "*) return ;; esac
    seen="$seen $1"
    for included in $(sed -n 's/^#include [<"]\([^>"]*\)[>"].*/\1/p' "$src/$1"); do
        for window_file in $window_files; do
            if [ "$included" = "$window_file" ]; then
                echo "FAIL: $1 includes the window's $included"
                failed=1
            fi
        done
        name=${included#QtWidgets/}
        name=${name#QtGui/}
        if [ -e "$gui/$name" ] || [ -e "$widgets/$name" ]; then
            echo "FAIL: $1 includes <$included> (Qt Gui or Widgets)"
            failed=1
        fi
        [ -f "$src/$included" ] && check "$included"
    done
}
for file in "$@"; do
    check "$file"
done
count=$(echo "$seen" | wc -w)
[ "$failed" = 0 ] && echo "ok: $count files of the session layer include nothing of the window"
exit "$failed"
