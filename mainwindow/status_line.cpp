#include "mainwindow/status_line.h"

namespace rz4::mainwindow {

QString statusLine(platform::PlayState state, const QString& playerStatus,
                   const platform::TimeShiftView& shift, const platform::RecordingView& recording,
                   const QString& idle) {
    QString line;
    if (state != platform::PlayState::Playing) {
        line = playerStatus;
    } else if (shift.available && !shift.live) {
        line = platform::behindText(shift.behindSeconds);
    } else {
        line = idle;
    }
    QString extra;
    if (recording.on) {
        extra = QStringLiteral("● 录制中 ") + platform::clockText(recording.seconds);
    } else if (!recording.problem.isEmpty()) {
        extra = recording.problem;
    }
    if (!extra.isEmpty()) {
        line = line.isEmpty() ? extra : line + QStringLiteral("　") + extra;
    }
    return line;
}

} // namespace rz4::mainwindow
