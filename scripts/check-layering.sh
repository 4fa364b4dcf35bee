#!/usr/bin/env bash
# The rule code links no widget module, so its tests run without a display: fail when one of its
# sources includes a QtGui or QtWidgets header.
set -euo pipefail
cd "$(dirname "$0")/.."

rules=(common/* channels/* guide/* tools/*.cpp tools/*.h
       mainwindow/channel_order.* mainwindow/key_commands.* mainwindow/layout.* mainwindow/session.*
       mainwindow/status_line.* mainwindow/taskbar_height.* mainwindow/tooltips.h mainwindow/tray.* mainwindow/version.*
       mainwindow/viewing.* mainwindow/visibility_marker.h mainwindow/window_commands.*
       skinctl/slider_math.* platform/media_state.* platform/playback.* platform/relay_rules.*
       platform/renderer_restarts.* platform/time_shift.*)

widget_header() {
    dpkg -L qt6-base-dev 2>/dev/null | grep -qE "/Qt(Gui|Widgets)/$1\$"
}

status=0
while IFS=: read -r file line header; do
    if widget_header "$header"; then
        echo "layering: $file:$line includes <$header>, a GUI header, in rule code" >&2
        status=1
    fi
done < <(grep -HnoE '#include <Q[A-Za-z]+>' "${rules[@]}" 2>/dev/null |
         sed -E 's/#include <(Q[A-Za-z]+)>/\1/')
[ $status -eq 0 ] && echo "layering: rule code includes no GUI header"
exit $status
