#pragma once

#include <QString>

#include <memory>

namespace rz4::platform {

class MpvEngine;
class TimeShiftFolder;

// The time-shift buffer's side of the disk for one engine: the private folder it writes into,
// what it does when the disk refuses it, and the part of its file given back.
class TimeShiftDisk {
public:
    explicit TimeShiftDisk(MpvEngine& engine);
    ~TimeShiftDisk();
    TimeShiftDisk(const TimeShiftDisk&) = delete;
    TimeShiftDisk& operator=(const TimeShiftDisk&) = delete;

    // A new engine runs: it knows no folder yet.
    void engineStarted() { m_told = false; }
    // A file is about to be opened: a channel gets the folder (made with the first one) and the
    // buffer's own limits again.
    void opening(bool channel);
    // The buffer of the file before is gone.
    void closed() { m_released = 0; }
    void logLine(const QString& text);
    // Gives back the first `releasable` bytes of the buffer's file, in steps.
    void release(long long releasable);

private:
    void setLimits(bool onDisk);

    MpvEngine& m_engine;
    std::unique_ptr<TimeShiftFolder> m_folder;
    bool m_told = false;
    bool m_onDisk = true; // until the disk refuses the buffer of the file playing
    long long m_released = 0;
};

} // namespace rz4::platform
