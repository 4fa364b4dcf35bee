#pragma once

#include <QString>

#include <deque>
#include <optional>

namespace rz4::platform {

// What the engine holds of the channel on screen, in the stream's own seconds.
struct HeldStream {
    bool held = false;       // a range one can seek in exists
    double start = 0;        // oldest moment held
    double end = 0;          // newest moment held
    double position = 0;     // the moment being decoded
    long long diskBytes = 0; // the buffer's file on disk, pruned parts included
    bool operator==(const HeldStream&) const = default;
};

// Where the viewer is in the buffer, as the window and the media controls show it.
struct TimeShiftView {
    bool available = false; // pause and seek keep the channel
    bool live = true;       // at the live edge: nothing to say
    int behindSeconds = 0;  // how far behind live, while not live
    double offset = 0;      // seconds from the buffer's start to the moment on screen
    double length = 0;      // seconds the buffer holds
    bool operator==(const TimeShiftView&) const = default;
};

// What the viewer is told of recording.
struct RecordingView {
    bool on = false;
    int seconds = 0; // how long it has run
    QString file;    // the file being written, or last written
    QString problem; // why the last recording could not start or stopped on its own
    bool operator==(const RecordingView&) const = default;
};

// The time-shift rules without the engine: where the viewer is behind live, where a seek lands,
// when the buffer's oldest part is out of reach. The caller feeds in what the engine holds and
// carries out the returned seek targets.
class TimeShift {
public:
    // How far back one can go, whatever the engine still holds: half an hour, or what the last
    // gibibyte written to disk holds when that is less.
    static constexpr double MaxSeconds = 30 * 60;
    static constexpr long long MaxBytes = 1LL << 30;
    // What is kept before the oldest moment one can reach or the one on screen: packets arrive a
    // little out of the order of their moments.
    static constexpr double ReleaseMargin = 30;
    // A seek that lands this close to the newest moment held is back at live.
    static constexpr double LiveMargin = 3.0;

    // A new channel (or the same one opened again): nothing held, at live.
    void reset();
    void held(const HeldStream& stream);
    // The viewer left live (a pause or a seek back): the distance kept since is the delay.
    void leaveLive();
    // A seek was made to `target`: the next one starts from there, not from the last report.
    void seekedTo(double target) { m_stream.position = target; }
    // Back at live: no delay to show.
    void backAtLive() { m_live = true; }

    // Where a seek by `seconds` from the moment on screen lands, clamped to what is held; nullopt
    // when it goes past the live edge (go live instead) or nothing is held.
    std::optional<double> seekBy(double seconds) const;
    // Where a seek to `offset` seconds from the buffer's start lands, on the same terms.
    std::optional<double> seekTo(double offset) const;
    // The moment to show for live: the newest held less the lag playing live keeps.
    std::optional<double> liveTarget() const;

    // The oldest moment one can reach.
    double oldest() const { return reachableStart(); }
    // How many bytes at the start of the buffer's file nothing will read again: the engine never
    // shortens its file, so the caller gives that part back to the disk.
    long long releasableBytes() const;

    bool live() const { return m_live; }
    const HeldStream& stream() const { return m_stream; }
    TimeShiftView view() const;

private:
    double reachableStart() const;
    std::optional<double> clamped(double target) const;

    // When the file had how many bytes: one sample a report, newest last.
    struct Written {
        double end;
        long long bytes;
    };
    std::deque<Written> m_written;
    HeldStream m_stream;
    bool m_live = true;
    double m_liveLag = 0; // newest held minus decoded while live: not a delay
};

// "01:05", or "1:01:05" when there are hours.
QString clockText(int seconds);
// "时移 −01:05" for a viewer that many seconds behind live; hours when there are any.
QString behindText(int seconds);

// The suffix of a recording, in the container the stream comes in: the engine's name for it.
QString recordingSuffix(const QString& fileFormat);
// A recording's file name: the channel's name made safe as one file name, and the start time.
QString recordingFileName(const QString& channel, const QString& startTime, const QString& suffix);

} // namespace rz4::platform
