#include "platform/playback.h"

#include "common/stream_address.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace rz4::platform {

namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The status code a server answered with: after "HTTP error " (HTTP, HLS) or after "failed: " of
// an RTSP method ("method DESCRIBE failed: 404 Not Found"); 0 when the line gives none.
int statusIn(std::string_view line) {
    std::size_t from = std::string_view::npos;
    if (const auto http = line.find("HTTP error "); http != std::string_view::npos) {
        from = http + std::string_view("HTTP error ").size();
    } else if (const auto method = line.find("method "); method != std::string_view::npos) {
        if (const auto failed = line.find(" failed: ", method); failed != std::string_view::npos) {
            from = failed + std::string_view(" failed: ").size();
        }
    }
    if (from == std::string_view::npos) {
        return 0;
    }
    int status = 0;
    for (auto i = from; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i) {
        status = status * 10 + (line[i] - '0');
        if (status > 999) {
            return 0;
        }
    }
    return status >= 100 ? status : 0;
}

PlaybackState::Step stopping() {
    PlaybackState::Step step;
    step.stop = true;
    return step;
}

} // namespace

Failure failureFromLog(std::string_view line) {
    if (const int status = statusIn(line)) {
        return {status == 404 ? Failure::NotFound : Failure::HttpError, status};
    }
    // System error texts follow the user's language, so they are matched as this process words
    // them.
    if (contains(line, "Connection refused") || contains(line, std::strerror(ECONNREFUSED))) {
        return {Failure::Refused};
    }
    // An SRT handshake that fails got no answer from the port: that is how SRT times out.
    if (contains(line, "timed out") || contains(line, std::strerror(ETIMEDOUT)) ||
        (contains(line, "srt: Connection to") && contains(line, " failed"))) {
        return {Failure::Timeout};
    }
    if (contains(line, "Failed to resolve hostname") ||
        contains(line, "Name or service not known")) {
        return {Failure::HostNotFound};
    }
    return {};
}

QString failureText(const Failure& failure) {
    switch (failure.kind) {
    case Failure::NotNetwork:
        return QStringLiteral("不是网络流地址");
    case Failure::Refused:
        return QStringLiteral("服务器拒绝连接");
    case Failure::Timeout:
        return QStringLiteral("服务器响应超时");
    case Failure::HostNotFound:
        return QStringLiteral("找不到服务器");
    case Failure::NotFound:
        return QStringLiteral("频道不存在（HTTP 404）");
    case Failure::HttpError:
        return QStringLiteral("服务器出错（HTTP %1）").arg(failure.httpStatus);
    case Failure::NotPlayable:
        return QStringLiteral("不是可播放的流");
    case Failure::None:
    case Failure::Other:
        break;
    }
    return QStringLiteral("连接失败");
}

Failure openFailure(const Failure& logged, bool unknownFormat) {
    // The log wins: a refused RTSP connection, say, reaches us as a format nobody recognised.
    if (logged.kind != Failure::None) {
        return logged;
    }
    return unknownFormat ? Failure{Failure::NotPlayable} : Failure{};
}

PlaybackState::Step PlaybackState::open(const QString& url) {
    m_url = url;
    m_still = false;
    m_everPlayed = false;
    m_attempt = 0;
    if (url.isEmpty()) {
        m_inFlight = false;
        m_phase = Phase::Ready;
        return stopping();
    }
    if (!common::isNetworkStream(url.toStdString())) {
        return fail({Failure::NotNetwork});
    }
    m_phase = Phase::Connecting;
    return load();
}

PlaybackState::Step PlaybackState::openStill(const QString& url) {
    m_url = url;
    m_still = true;
    m_everPlayed = false;
    m_attempt = 0;
    m_phase = Phase::Ready;
    if (!common::isNetworkStream(url.toStdString())) {
        m_inFlight = false;
        return stopping();
    }
    return load();
}

PlaybackState::Step PlaybackState::play() {
    switch (m_phase) {
    case Phase::Paused: {
        Step step;
        step.resume = true;
        return step;
    }
    case Phase::Stopped:
    case Phase::Failed:
        // A stopped picture comes back as a picture, not as a channel to connect to.
        return m_still ? openStill(m_url) : open(m_url);
    default:
        return {};
    }
}

PlaybackState::Step PlaybackState::stop() {
    if (m_url.isEmpty()) {
        return {};
    }
    m_inFlight = false;
    m_cannotPause = false;
    m_phase = Phase::Stopped;
    return stopping();
}

PlaybackState::Step PlaybackState::stopUnpausable() {
    Step step = stop();
    m_cannotPause = m_phase == Phase::Stopped;
    return step;
}

void PlaybackState::fileStarted() {
    m_awaitingStart = false;
}

void PlaybackState::framesShown() {
    if (!listening()) {
        return;
    }
    m_framesSinceLoad = true;
    // A picture shown is not a channel playing: nothing to reconnect when it goes.
    m_everPlayed = !m_still;
    m_attempt = 0;
    settle();
}

void PlaybackState::cacheFilling(bool filling) {
    if (listening()) {
        m_cacheFilling = filling;
        settle();
    }
}

void PlaybackState::cachePercent(int percent) {
    if (listening()) {
        m_percent = std::clamp(percent, 0, 100);
        settle();
    }
}

void PlaybackState::paused(bool on) {
    if (listening()) {
        m_paused = on;
        settle();
    }
}

PlaybackState::Step PlaybackState::ended(EndReason reason, const Failure& failure) {
    // A stop is ours (a new load or the user) and needs nothing more.
    if (!listening() || (reason != EndReason::Eof && reason != EndReason::Error)) {
        return {};
    }
    m_inFlight = false;
    if (m_everPlayed) {
        return retry();
    }
    Failure why = failure;
    if (why.kind == Failure::None) {
        // A stream that ends before its first picture had nothing we could show.
        why.kind = reason == EndReason::Eof ? Failure::NotPlayable : Failure::Other;
    }
    // Retrying cannot change what the server said about the address or its content.
    const bool lasting = why.kind == Failure::NotFound || why.kind == Failure::NotPlayable ||
                         why.kind == Failure::HostNotFound || why.kind == Failure::Timeout;
    if (lasting || m_still || m_attempt + 1 >= maxTriesUnplayed) {
        return fail(why);
    }
    m_failure = why;
    return retry();
}

PlaybackState::Step PlaybackState::loadRejected() {
    return m_inFlight ? fail({Failure::NotPlayable}) : Step{};
}

PlaybackState::Step PlaybackState::connectTimedOut(const Failure& logged) {
    if (!connecting()) {
        return {};
    }
    // A channel that played before gets its retries; a new one has waited long enough.
    if (m_everPlayed) {
        return retry();
    }
    return fail(logged.kind != Failure::None ? logged : Failure{Failure::Timeout});
}

PlaybackState::Step PlaybackState::stalled() {
    return m_inFlight && m_framesSinceLoad ? retry() : Step{};
}

PlaybackState::Step PlaybackState::retryDue() {
    return m_phase == Phase::Reconnecting && !m_inFlight ? load() : Step{};
}

PlaybackState::Step PlaybackState::engineRestarted() {
    if (!m_inFlight) {
        return {};
    }
    if (m_everPlayed) {
        ++m_attempt;
        m_phase = Phase::Reconnecting;
    } else if (!m_still) {
        m_phase = Phase::Connecting;
    }
    return load();
}

QString PlaybackState::text() const {
    switch (m_phase) {
    case Phase::Ready:
        return QStringLiteral("就绪");
    case Phase::Connecting:
        return QStringLiteral("正在连接…");
    case Phase::Buffering:
        return QStringLiteral("正在缓冲：%1%").arg(m_percent);
    case Phase::Playing:
        return QStringLiteral("正在播放");
    case Phase::Paused:
        return QStringLiteral("已暂停");
    case Phase::Stopped:
        return m_cannotPause ? QStringLiteral("已停止：此频道不能暂停") : QStringLiteral("已停止");
    case Phase::Reconnecting:
        return QStringLiteral("正在重新连接…（第%1次）").arg(m_attempt);
    case Phase::Failed:
        return QStringLiteral("无法播放：") + failureText(m_failure);
    }
    return {};
}

PlayState PlaybackState::playState() const {
    switch (m_phase) {
    case Phase::Ready:
        return PlayState::Ready;
    case Phase::Connecting:
        return PlayState::Transitioning;
    case Phase::Buffering:
        return PlayState::Buffering;
    case Phase::Playing:
        return PlayState::Playing;
    case Phase::Paused:
        return PlayState::Paused;
    case Phase::Reconnecting:
        return PlayState::Reconnecting;
    case Phase::Stopped:
    case Phase::Failed:
        break;
    }
    return PlayState::Stopped;
}

std::chrono::milliseconds PlaybackState::backoff(int attempt) {
    const int doublings = std::clamp(attempt - 1, 0, 5);
    return std::min<std::chrono::milliseconds>(std::chrono::seconds(1 << doublings),
                                               std::chrono::seconds(30));
}

PlaybackState::Step PlaybackState::load() {
    m_cannotPause = false;
    m_inFlight = true;
    m_awaitingStart = true;
    m_framesSinceLoad = false;
    m_cacheFilling = false;
    m_paused = false;
    Step step;
    step.load = true;
    return step;
}

PlaybackState::Step PlaybackState::fail(const Failure& failure) {
    m_inFlight = false;
    // A picture that cannot be shown leaves the video area dark and says nothing.
    if (!m_still) {
        m_failure = failure;
        m_phase = Phase::Failed;
    }
    return stopping();
}

PlaybackState::Step PlaybackState::retry() {
    ++m_attempt;
    m_phase = Phase::Reconnecting;
    m_inFlight = false;
    Step step = stopping();
    step.retryIn = backoff(m_attempt);
    return step;
}

void PlaybackState::settle() {
    if (m_still) {
        return;
    }
    if (m_paused) {
        m_phase = Phase::Paused;
    } else if (m_cacheFilling) {
        m_phase = Phase::Buffering;
    } else if (m_framesSinceLoad) {
        m_phase = Phase::Playing;
    } else {
        m_phase = m_attempt > 0 ? Phase::Reconnecting : Phase::Connecting;
    }
}

} // namespace rz4::platform
