#include "platform/time_shift_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>

namespace rz4::platform {

namespace {

bool processRuns(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

QString TimeShiftFolder::prefix() {
    const QString app = QCoreApplication::applicationName();
    return (app.isEmpty() ? QStringLiteral("rz4tv") : app) + QStringLiteral("-timeshift-");
}

TimeShiftFolder::TimeShiftFolder() {
    removeAbandonedFolders(QDir::tempPath());
    const QString pattern = QDir::tempPath() + QLatin1Char('/') + prefix() +
                            QString::number(QCoreApplication::applicationPid()) +
                            QStringLiteral("-XXXXXX");
    m_dir = std::make_unique<QTemporaryDir>(pattern);
    if (!m_dir->isValid()) {
        m_dir.reset();
    }
}

TimeShiftFolder::~TimeShiftFolder() = default;

QString TimeShiftFolder::path() const {
    return m_dir ? m_dir->path() : QString();
}

int removeAbandonedFolders(const QString& parent) {
    int removed = 0;
    const QString start = TimeShiftFolder::prefix();
    const QStringList names =
        QDir(parent).entryList({start + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        // The process number, then the random part.
        bool ok = false;
        const qint64 pid = name.mid(start.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (ok && !processRuns(pid) && QDir(parent + QLatin1Char('/') + name).removeRecursively()) {
            ++removed;
        }
    }
    return removed;
}

} // namespace rz4::platform
