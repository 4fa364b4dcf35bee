#pragma once

#include "platform/time_shift.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace rz4::platform {

class MpvEngine;

// Records the channel on screen as the engine receives it, in the stream's own container: what
// the engine already holds from a chosen moment on, then everything that arrives.
class Recorder : public QObject {
    Q_OBJECT
public:
    explicit Recorder(MpvEngine& engine, QObject* parent = nullptr);

    // Starts a recording into folder from the stream's moment `from`; a recording that runs is
    // stopped first. fileFormat is the engine's name of the stream's container.
    void start(const QString& folder, const QString& channel, double from,
               const QString& fileFormat);
    // Tells why nothing can be recorded now.
    void refuse(const QString& problem);
    // Ends the recording cleanly; the file stays.
    void stop();
    // Stops, and forgets what there was to tell: another channel is on.
    void clear();
    // The engine said something about the file being written.
    void logLine(const QString& text);

    const RecordingView& view() const { return m_view; }

signals:
    void changed();

private:
    void tick();
    void fail(const QString& problem);
    void setView(RecordingView view);

    MpvEngine& m_engine;
    RecordingView m_view;
    QElapsedTimer m_since;
    QTimer m_clock;
};

} // namespace rz4::platform
