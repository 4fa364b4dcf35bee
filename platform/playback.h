#pragma once

#include <QString>

#include <chrono>
#include <optional>
#include <string_view>

namespace rz4::platform {

// Why a stream could not be played, as far as the engine's log tells.
struct Failure {
    enum Kind {
        None,
        NotNetwork,   // the address is not a network stream; nothing was opened
        Refused,      // the server refused the connection
        Timeout,      // the server did not answer in time
        HostNotFound, // the server's name does not resolve
        NotFound,     // HTTP 404
        HttpError,    // any other HTTP error status, in httpStatus
        NotPlayable,  // data arrived but it is not a stream we can play
        Other,
    };
    Kind kind = None;
    int httpStatus = 0;

    bool operator==(const Failure&) const = default;
};

// The reason a line of the engine's log gives for a failing open, or None when it gives none.
Failure failureFromLog(std::string_view line);

// The short reason shown after "无法播放：".
QString failureText(const Failure& failure);

// Why an open failed, from what the log said and whether the engine found no format it knows.
Failure openFailure(const Failure& logged, bool unknownFormat);

// How a file ended, as the engine reports it.
enum class EndReason { Eof, Stopped, Error, Other };

// Play states, numbered as a media-player control numbers them.
enum class PlayState {
    Undefined = 0,
    Stopped = 1,
    Paused = 2,
    Playing = 3,
    Buffering = 6,
    Transitioning = 9,
    Ready = 10,
    Reconnecting = 11,
};

// The playback rules without the engine: what the status says, when to open, stop or retry.
// The caller feeds in the engine's events and carries out the returned steps.
class PlaybackState {
public:
    enum class Phase {
        Ready,
        Connecting,
        Buffering,
        Playing,
        Paused,
        Stopped,
        Reconnecting,
        Failed
    };

    // What the caller does next. A load or a stop cancels a pending retry; retryIn sets one.
    struct Step {
        bool load = false;   // open url(), replacing whatever plays
        bool stop = false;   // stop the engine
        bool resume = false; // unpause the engine
        std::optional<std::chrono::milliseconds> retryIn;
    };

    // Tries before a channel that never played is given up.
    static constexpr int maxTriesUnplayed = 3;

    Step open(const QString& url);
    // A still picture (the start-up logo): shown when it can be, never retried, and silent: the
    // status stays "ready" whatever becomes of it.
    Step openStill(const QString& url);
    Step play();
    Step stop();
    // A pause asked of a channel that cannot be held: it stops, as it always did, and says why.
    Step stopUnpausable();

    // Engine events. Those that arrive between a load and the start of its file belong to the
    // file it replaced, and those after a stop to the stopped one: both are ignored.
    void fileStarted();
    void framesShown();
    void cacheFilling(bool filling);
    void cachePercent(int percent);
    void paused(bool on);
    Step ended(EndReason reason, const Failure& failure);
    Step loadRejected();

    // The caller's watchdogs: no picture in time after a load, or the cache did not refill. What
    // the log said about the failing open, if anything, names the cause.
    Step connectTimedOut(const Failure& logged = {});
    Step stalled();
    Step retryDue();
    // The engine was lost and made anew: open the address again if it was open.
    Step engineRestarted();

    Phase phase() const { return m_phase; }
    QString text() const;
    PlayState playState() const;
    const QString& url() const { return m_url; }
    // A load is under way and has not shown a picture yet: the connect watchdog runs.
    bool connecting() const { return m_inFlight && !m_framesSinceLoad; }
    bool awaitingStart() const { return m_inFlight && m_awaitingStart; }
    // A channel that has shown pictures since it was chosen: a drop is retried.
    bool everPlayed() const { return m_everPlayed; }
    // What is open is a still picture, not a channel.
    bool still() const { return m_still; }

    // Pause before retry number `attempt` (1, 2, 4 … 30 s).
    static std::chrono::milliseconds backoff(int attempt);

private:
    Step load();
    Step fail(const Failure& failure);
    Step retry();
    bool listening() const { return m_inFlight && !m_awaitingStart; }
    void settle();

    QString m_url;
    Phase m_phase = Phase::Ready;
    Failure m_failure;
    bool m_inFlight = false; // the engine has the address open or is opening it
    bool m_awaitingStart = false;
    bool m_framesSinceLoad = false;
    bool m_still = false;      // a picture, not a channel
    bool m_everPlayed = false; // the address has shown pictures: a drop is retried forever
    bool m_cacheFilling = false;
    bool m_paused = false;
    bool m_cannotPause = false;
    int m_percent = 0;
    int m_attempt = 0; // retries since pictures were last shown
};

} // namespace rz4::platform
