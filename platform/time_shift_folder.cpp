#include "platform/time_shift_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <linux/falloc.h>
#include <unistd.h>

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

bool releaseFileStart(const QString& folder, long long bytes) {
    // Whole mebibytes only: the file system frees blocks, not bytes.
    constexpr long long Unit = 1 << 20;
    bytes -= bytes % Unit;
    if (folder.isEmpty() || bytes <= 0) {
        return false;
    }
    // The kernel names the file by its real path.
    const QString prefix = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    const QString gone = QStringLiteral(" (deleted)");
    int found = -1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        char link[4096];
        const ssize_t n = ::readlink(entry.path().c_str(), link, sizeof link);
        if (n <= 0 || n == sizeof link) {
            continue;
        }
        const QString target = QString::fromLocal8Bit(link, n);
        if (target.startsWith(prefix) && target.endsWith(gone)) {
            if (found >= 0) {
                return false; // a file of the channel before is still closing
            }
            found = std::atoi(entry.path().filename().c_str());
        }
    }
    return found >= 0 &&
           ::fallocate(found, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, bytes) == 0;
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
