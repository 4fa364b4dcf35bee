#pragma once

#include "platform/playback.h"
#include "platform/time_shift.h"

#include <QString>

namespace rz4::mainwindow {

// The status line under the video: the player's status while it does not play, how far behind
// live while behind, otherwise `idle` (blank, or a note such as a list that did not load); and
// a recording's progress, or why it stopped, after it.
QString statusLine(platform::PlayState state, const QString& playerStatus,
                   const platform::TimeShiftView& shift, const platform::RecordingView& recording,
                   const QString& idle);

} // namespace rz4::mainwindow
