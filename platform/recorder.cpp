#include "platform/recorder.h"

#include "platform/mpv_engine.h"
#include "platform/time_shift.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace rz4::platform {

namespace {

// A recording stops while the disk still has this much, so that its file ends whole and the
// rest of the desktop keeps some room.
constexpr qint64 MinFreeBytes = 4 * 1024 * 1024;

const QString DiskFull = QStringLiteral("录制已停止：磁盘已满");

} // namespace

Recorder::Recorder(MpvEngine& engine, QObject* parent) : QObject(parent), m_engine(engine) {
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &Recorder::tick);
    connect(&m_engine, &MpvEngine::dumpEnded, this, [this](bool ok) {
        // A dump we stopped ends too; only one that ends by itself is news.
        if (m_view.on) {
            fail(ok ? QString() : QStringLiteral("录制已停止：写入失败"));
        }
    });
}

void Recorder::start(const QString& folder, const QString& channel, double from,
                     const QString& fileFormat) {
    stop();
    RecordingView v;
    if (!QDir().mkpath(folder)) {
        v.problem = QStringLiteral("无法录制：视频文件夹无法创建");
    } else if (!QFileInfo(folder).isWritable()) {
        v.problem = QStringLiteral("无法录制：视频文件夹不可写");
    } else if (QStorageInfo(folder).bytesAvailable() < MinFreeBytes) {
        v.problem = QStringLiteral("无法录制：磁盘已满");
    }
    if (!v.problem.isEmpty()) {
        setView(std::move(v));
        return;
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    v.file = QDir(folder).filePath(recordingFileName(channel, stamp, recordingSuffix(fileFormat)));
    v.on = true;
    m_engine.dumpFrom(from, v.file);
    m_since.start();
    m_clock.start();
    setView(std::move(v));
}

void Recorder::stop() {
    if (!m_view.on) {
        return;
    }
    m_engine.stopDump();
    m_clock.stop();
    RecordingView v = m_view;
    v.on = false;
    v.problem.clear();
    setView(std::move(v));
}

void Recorder::refuse(const QString& problem) {
    stop();
    setView({.on = false, .seconds = 0, .file = {}, .problem = problem});
}

void Recorder::clear() {
    stop();
    setView({});
}

void Recorder::logLine(const QString& text) {
    if (!m_view.on) {
        return;
    }
    if (text.contains(QLatin1String("Failed writing packet")) ||
        text.contains(QLatin1String("Failed opening output file"))) {
        fail(QStringLiteral("录制已停止：写入文件失败"));
    }
}

void Recorder::tick() {
    if (QStorageInfo(QFileInfo(m_view.file).absolutePath()).bytesAvailable() < MinFreeBytes) {
        fail(DiskFull);
        return;
    }
    RecordingView v = m_view;
    v.seconds = static_cast<int>(m_since.elapsed() / 1000);
    setView(std::move(v));
}

void Recorder::fail(const QString& problem) {
    stop();
    RecordingView v = m_view;
    v.problem = problem;
    setView(std::move(v));
}

void Recorder::setView(RecordingView view) {
    if (view != m_view) {
        m_view = std::move(view);
        emit changed();
    }
}

} // namespace rz4::platform
