#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

namespace rz4::platform {

// The program's private folder for the time-shift buffer, one per process, removed when the
// process ends. The engine's buffer files lose their names as soon as they are made; what a
// crashed run leaves is an empty folder, and the next start removes those of processes gone.
class TimeShiftFolder {
public:
    TimeShiftFolder();
    ~TimeShiftFolder();
    TimeShiftFolder(const TimeShiftFolder&) = delete;
    TimeShiftFolder& operator=(const TimeShiftFolder&) = delete;

    // Empty when no folder could be made: then nothing is buffered on disk.
    QString path() const;

    // The folder name's beginning, before the process number.
    static QString prefix();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Gives back to the disk the first `bytes` of the one buffer file this process has open in
// folder (its name already removed): they read as zeros from then on. False when there is not
// exactly one such file or the file system cannot.
bool releaseFileStart(const QString& folder, long long bytes);

// Removes the time-shift folders under `parent` whose process no longer runs; returns how many.
int removeAbandonedFolders(const QString& parent);

} // namespace rz4::platform
