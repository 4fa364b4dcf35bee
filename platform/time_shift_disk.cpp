#include "platform/time_shift_disk.h"

#include "platform/engine_options.h"
#include "platform/mpv_engine.h"
#include "platform/time_shift_folder.h"

#include <cstring>

namespace rz4::platform {

namespace {

// What a refused disk leaves in memory, packets and all.
const QString InMemory = QStringLiteral("16MiB");
constexpr long long ReleaseStep = 16LL << 20;

QString bufferOption(const char* name) {
    for (const auto& [option, value] : timeShiftOptions()) {
        if (std::strcmp(option, name) == 0) {
            return QString::fromLatin1(value);
        }
    }
    return {};
}

} // namespace

TimeShiftDisk::TimeShiftDisk(MpvEngine& engine) : m_engine(engine) {}

TimeShiftDisk::~TimeShiftDisk() = default;

void TimeShiftDisk::opening(bool channel) {
    if (channel && !m_told) {
        m_told = true;
        if (!m_folder) {
            m_folder = std::make_unique<TimeShiftFolder>();
        }
        m_engine.setOption("cache-dir", m_folder->path());
    }
    if (!m_onDisk) {
        setLimits(true);
    }
}

void TimeShiftDisk::logLine(const QString& text) {
    // The disk is full: what arrives now stays in memory, so keep little of it.
    // A full disk fails the write, or takes only part of it (tmpfs does).
    if (m_onDisk && (text.contains(QLatin1String("Failed to write to cache file")) ||
                     text.contains(QLatin1String("Could not write all data")))) {
        setLimits(false);
    }
}

void TimeShiftDisk::setLimits(bool onDisk) {
    m_onDisk = onDisk;
    for (const char* name : {"demuxer-max-back-bytes", "demuxer-max-bytes"}) {
        m_engine.setOption(name, onDisk ? bufferOption(name) : InMemory);
    }
}

// The engine's file only grows; what nothing reads again goes back to the disk.
void TimeShiftDisk::release(long long releasable) {
    if (m_folder && releasable >= m_released + ReleaseStep &&
        releaseFileStart(m_folder->path(), releasable)) {
        m_released = releasable;
    }
}

} // namespace rz4::platform
