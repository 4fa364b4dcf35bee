#include "platform/time_shift.h"

#include <algorithm>
#include <cmath>

namespace rz4::platform {

namespace {

// A seek this close to the oldest moment held could miss it as the buffer moves on.
constexpr double StartMargin = 0.5;
constexpr int MaxNameLength = 80;

} // namespace

void TimeShift::reset() {
    m_written.clear();
    m_stream = {};
    m_live = true;
    m_liveLag = 0;
}

void TimeShift::held(const HeldStream& stream) {
    m_stream = stream;
    if (stream.held && stream.diskBytes > 0 &&
        (m_written.empty() || stream.end > m_written.back().end)) {
        m_written.push_back({stream.end, stream.diskBytes});
    }
    // Samples before what is kept tell nothing more.
    const double keep = std::min(reachableStart(), stream.position) - ReleaseMargin;
    while (m_written.size() > 2 && m_written[1].end < keep) {
        m_written.pop_front();
    }
    if (m_live && stream.held) {
        // Playing live, the newest held runs ahead of what is shown by up to a segment.
        m_liveLag = std::max(0.0, stream.end - stream.position);
    }
}

void TimeShift::leaveLive() {
    m_live = false;
}

double TimeShift::reachableStart() const {
    double start = std::max(m_stream.start, m_stream.end - MaxSeconds);
    // What came after the first sample within the last gibibyte written is within it.
    for (const Written& w : m_written) {
        if (m_stream.diskBytes - w.bytes <= MaxBytes) {
            if (&w != &m_written.front()) {
                start = std::max(start, w.end);
            }
            break;
        }
    }
    return start;
}

long long TimeShift::releasableBytes() const {
    const double keep = std::min(reachableStart(), m_stream.position) - ReleaseMargin;
    long long bytes = 0;
    for (const Written& w : m_written) {
        if (w.end > keep) {
            break;
        }
        bytes = w.bytes;
    }
    return bytes;
}

std::optional<double> TimeShift::clamped(double target) const {
    if (!m_stream.held) {
        return std::nullopt;
    }
    const double liveEdge = m_stream.end - m_liveLag;
    if (target >= liveEdge - LiveMargin) {
        return std::nullopt;
    }
    return std::max(target, reachableStart() + StartMargin);
}

std::optional<double> TimeShift::seekBy(double seconds) const {
    return clamped(m_stream.position + seconds);
}

std::optional<double> TimeShift::seekTo(double offset) const {
    return clamped(reachableStart() + offset);
}

std::optional<double> TimeShift::liveTarget() const {
    if (!m_stream.held) {
        return std::nullopt;
    }
    return std::max(m_stream.end - m_liveLag, m_stream.start);
}

TimeShiftView TimeShift::view() const {
    TimeShiftView v;
    v.available = m_stream.held;
    v.live = m_live || !m_stream.held;
    if (!v.available) {
        return v;
    }
    const double start = reachableStart();
    v.length = std::max(0.0, m_stream.end - start);
    v.offset = std::clamp(m_stream.position - start, 0.0, v.length);
    if (!v.live) {
        const double delay = m_stream.end - m_liveLag - m_stream.position;
        // Shown behind by at least a second: the viewer asked to leave live.
        v.behindSeconds = std::max(1, static_cast<int>(std::lround(delay)));
    }
    return v;
}

QString clockText(int seconds) {
    seconds = std::max(0, seconds);
    const int h = seconds / 3600;
    const int m = seconds / 60 % 60;
    const int s = seconds % 60;
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    QString clock = two(m) + QLatin1Char(':') + two(s);
    if (h > 0) {
        clock = QString::number(h) + QLatin1Char(':') + clock;
    }
    return clock;
}

QString behindText(int seconds) {
    return QStringLiteral("时移 −") + clockText(seconds);
}

QString recordingSuffix(const QString& fileFormat) {
    // The engine names formats as libavformat does: "hls", "mpegts", "flv", "matroska,webm".
    const QString f = fileFormat.toLower();
    if (f == QLatin1String("hls") || f == QLatin1String("mpegts") || f == QLatin1String("rtsp") ||
        f == QLatin1String("rtp") || f.isEmpty()) {
        return QStringLiteral("ts");
    }
    if (f == QLatin1String("flv") || f == QLatin1String("live_flv")) {
        return QStringLiteral("flv");
    }
    // Matroska takes any codec, and a file cut short still plays.
    return QStringLiteral("mkv");
}

QString recordingFileName(const QString& channel, const QString& startTime, const QString& suffix) {
    // The name comes from the channel server: nothing in it may leave the folder or hide the file.
    QString name;
    for (const QChar c : channel) {
        const bool unsafe = c.unicode() < 0x20 || c == QLatin1Char('/') || c == QLatin1Char('\\') ||
                            c == QLatin1Char(':') || c == QLatin1Char('*') ||
                            c == QLatin1Char('?') || c == QLatin1Char('"') ||
                            c == QLatin1Char('<') || c == QLatin1Char('>') ||
                            c == QLatin1Char('|') || c.unicode() == 0x7f;
        name += unsafe ? QLatin1Char('_') : c;
    }
    name = name.left(MaxNameLength).trimmed();
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("频道");
    }
    return name + QLatin1Char('_') + startTime + QLatin1Char('.') + suffix;
}

} // namespace rz4::platform
