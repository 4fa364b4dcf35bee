#include "platform/player.h"

#include "common/device_pixels.h"
#include "platform/engine_options.h"
#include "platform/mpv_library.h"
#include "platform/playback.h"
#include "platform/stream_relay.h"
#include "platform/video_widget.h"
#include "platform/x11_embed_window.h"

#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <mpv/client.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <optional>
#include <utility>
#include <vector>

namespace rz4::platform {

namespace {

// A new channel must show a picture within this time or it counts as not answering.
constexpr std::chrono::seconds connectTimeout{8};
// Once the log has named a failure (segments answering 404, say), a new channel that still shows
// nothing gets only this long: a live playlist whose segments all fail would otherwise wait on.
constexpr std::chrono::seconds failingGrace{4};
// A live channel whose cache stays empty this long is reconnected.
constexpr std::chrono::seconds stallTimeout{10};

enum Tag : uint64_t { NoTag, LoadTag, PausedForCacheTag, CacheStateTag, PauseTag };

struct MpvDeleter {
    void operator()(mpv_handle* handle) const { mpvLibrary()->terminateDestroy(handle); }
};
using MpvHandle = std::unique_ptr<mpv_handle, MpvDeleter>;

bool headlessPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

EndReason endReason(mpv_end_file_reason reason) {
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        return EndReason::Eof;
    case MPV_END_FILE_REASON_STOP:
        return EndReason::Stopped;
    case MPV_END_FILE_REASON_ERROR:
        return EndReason::Error;
    default:
        return EndReason::Other;
    }
}

} // namespace

struct Player::Impl {
    Player* q = nullptr;
    const MpvLibrary* lib = nullptr;
    QPointer<VideoWidget> video;
    bool headless = false;
    WId embeddedIn = 0; // the widget's native window that holds `embed`
    X11EmbedWindow embed;
    WId engineWindow = 0; // what mpv draws into
    MpvHandle mpv;
    bool engineAsked = false;
    QFutureWatcher<const MpvLibrary*> opening; // libmpv, from startEngine() on
    std::atomic<bool> drainQueued{false};

    PlaybackState state;
    StreamRelay relay;
    Failure hint; // what the log or the relay said about the file being opened
    // mpv hands out log lines after events, so an error end waits until the lines are read.
    std::optional<mpv_event_end_file> pendingEnd;
    QString shownText;
    QTimer retryTimer;
    QTimer connectTimer;
    QTimer stallTimer;

    int volume = 50;
    bool mute = false;

    bool full = false;
    // A window of its own for full screen, made on first use. The video widget never leaves the
    // main window: a window manager that still held it as a top-level would take it back out.
    QPointer<VideoSurface> fullWindow;

    void libraryOpened(const MpvLibrary* opened);
    MpvHandle createEngine();
    void destroyEngine();
    void restartEngine();
    void engineShutDown();
    static void wakeup(void* self);
    void drain();
    void handle(const mpv_event& event);
    void onProperty(uint64_t tag, const mpv_event_property& property);
    void flushEnd();
    void noteFailure(const Failure& failure);
    Failure failureOf(const mpv_event_end_file& end) const;

    void apply(const PlaybackState::Step& step);
    void command(std::initializer_list<const char*> args, Tag tag = NoTag);
    void setProperty(const char* name, double value);
    void setFlag(const char* name, bool value);
    void syncTimers();
    void publish();

    void enterFullScreen();
    void leaveFullScreen();
    void placeEmbed();
    QSize fullSize() const;
    void nativeWindowLost();
    void nativeWindowChanged();
    void embedIn(WId nativeWindow);
    QSize nativeSize() const;
};

MpvHandle Player::Impl::createEngine() {
    // mpv refuses to start unless numbers are formatted the C way, and Qt sets the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    MpvHandle handle(lib->create());
    if (!handle) {
        return handle;
    }
    mpv_handle* h = handle.get();
    for (const auto& [name, value] : fixedEngineOptions()) {
        lib->setOptionString(h, name, value);
    }
    for (const auto& [name, value] : headless ? headlessOutputOptions() : screenOutputOptions()) {
        lib->setOptionString(h, name, value);
    }
    if (!headless) {
        auto wid = static_cast<int64_t>(engineWindow);
        lib->setOption(h, "wid", MPV_FORMAT_INT64, &wid);
    }
    double startVolume = volume;
    lib->setOption(h, "volume", MPV_FORMAT_DOUBLE, &startVolume);
    int startMute = mute ? 1 : 0;
    lib->setOption(h, "mute", MPV_FORMAT_FLAG, &startMute);
    if (lib->initialize(h) < 0) {
        return {};
    }
    lib->requestLogMessages(h, "warn");
    lib->observeProperty(h, PausedForCacheTag, "paused-for-cache", MPV_FORMAT_FLAG);
    lib->observeProperty(h, CacheStateTag, "cache-buffering-state", MPV_FORMAT_INT64);
    lib->observeProperty(h, PauseTag, "pause", MPV_FORMAT_FLAG);
    lib->setWakeupCallback(h, &Impl::wakeup, this);
    return handle;
}

void Player::Impl::destroyEngine() {
    if (mpv) {
        lib->setWakeupCallback(mpv.get(), nullptr, nullptr);
        mpv.reset();
    }
}

void Player::Impl::libraryOpened(const MpvLibrary* opened) {
    lib = opened;
    if (lib == nullptr) {
        emit q->engineFailed();
        return;
    }
    // Without a window to draw into, the engine starts with the next one, as after a lost window.
    if (headless || engineWindow != 0) {
        restartEngine();
        if (!mpv) {
            emit q->engineFailed();
        }
    }
}

// The engine lost its window or shut down: start a new one and carry on with the same address.
// The first start, once libmpv is open, takes up what was asked for before it the same way.
void Player::Impl::restartEngine() {
    destroyEngine();
    if (lib == nullptr) {
        return;
    }
    mpv = createEngine();
    if (mpv) {
        apply(state.engineRestarted());
    }
}

// mpv quits when its window goes, and a new mpv on that dead window crashes in the X driver: it
// gets a fresh window, and the window change starts it.
void Player::Impl::engineShutDown() {
    destroyEngine();
    if (headless) {
        restartEngine();
        return;
    }
    embeddedIn = engineWindow = 0;
    video->renewNativeWindow();
}

void Player::Impl::wakeup(void* self) {
    // Called on an mpv thread: only post one drain to the GUI thread.
    auto* impl = static_cast<Impl*>(self);
    if (!impl->drainQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            impl->q, [impl] { impl->drain(); }, Qt::QueuedConnection);
    }
}

void Player::Impl::drain() {
    drainQueued = false;
    while (mpv) {
        const mpv_event* event = lib->waitEvent(mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        if (event->event_id == MPV_EVENT_SHUTDOWN) {
            engineShutDown();
            break;
        }
        handle(*event);
        syncTimers();
        publish();
    }
    flushEnd();
}

void Player::Impl::flushEnd() {
    if (const auto end = std::exchange(pendingEnd, std::nullopt)) {
        apply(state.ended(endReason(end->reason), failureOf(*end)));
    }
}

void Player::Impl::handle(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        flushEnd();
        if (state.awaitingStart()) {
            hint = {};
        }
        state.fileStarted();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        state.framesShown();
        break;
    case MPV_EVENT_END_FILE:
        flushEnd();
        pendingEnd = *static_cast<const mpv_event_end_file*>(event.data);
        break;
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == LoadTag && event.error < 0) {
            apply(state.loadRejected());
        }
        break;
    case MPV_EVENT_LOG_MESSAGE:
        noteFailure(failureFromLog(static_cast<const mpv_event_log_message*>(event.data)->text));
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        onProperty(event.reply_userdata, *static_cast<const mpv_event_property*>(event.data));
        break;
    default:
        break;
    }
}

void Player::Impl::onProperty(uint64_t tag, const mpv_event_property& property) {
    if (!property.data) {
        return;
    }
    switch (tag) {
    case PausedForCacheTag:
        state.cacheFilling(*static_cast<const int*>(property.data) != 0);
        break;
    case CacheStateTag:
        state.cachePercent(static_cast<int>(*static_cast<const int64_t*>(property.data)));
        break;
    case PauseTag:
        state.paused(*static_cast<const int*>(property.data) != 0);
        break;
    default:
        break;
    }
}

void Player::Impl::noteFailure(const Failure& failure) {
    if (!state.connecting() || hint.kind != Failure::None) {
        return;
    }
    hint = failure;
    if (hint.kind != Failure::None && !state.everPlayed() &&
        connectTimer.remainingTimeAsDuration() > failingGrace) {
        connectTimer.start(failingGrace);
    }
}

Failure Player::Impl::failureOf(const mpv_event_end_file& end) const {
    if (end.reason != MPV_END_FILE_REASON_ERROR) {
        return {};
    }
    return openFailure(hint, end.error == MPV_ERROR_UNKNOWN_FORMAT ||
                                 end.error == MPV_ERROR_NOTHING_TO_PLAY);
}

void Player::Impl::apply(const PlaybackState::Step& step) {
    if (step.load || step.stop || step.retryIn) {
        retryTimer.stop();
    }
    if (step.stop) {
        command({"stop"});
    }
    if (step.resume) {
        setFlag("pause", false);
    }
    if (step.load) {
        // mpv keeps the screen saver away while it plays; a still picture is no reason to.
        setFlag("stop-screensaver", !state.still());
        // Channels go through the relay; a still picture is fetched once, directly.
        const QByteArray url = (state.still() ? state.url() : relay.open(state.url())).toUtf8();
        command({"loadfile", url.constData(), "replace"}, LoadTag);
        connectTimer.start();
    }
    if (step.retryIn) {
        retryTimer.start(*step.retryIn);
    }
    syncTimers();
    publish();
}

void Player::Impl::command(std::initializer_list<const char*> args, Tag tag) {
    if (!mpv) {
        return;
    }
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    lib->commandAsync(mpv.get(), tag, argv.data());
}

void Player::Impl::setProperty(const char* name, double value) {
    if (mpv) {
        lib->setPropertyAsync(mpv.get(), NoTag, name, MPV_FORMAT_DOUBLE, &value);
    }
}

void Player::Impl::setFlag(const char* name, bool value) {
    if (mpv) {
        int flag = value ? 1 : 0;
        lib->setPropertyAsync(mpv.get(), NoTag, name, MPV_FORMAT_FLAG, &flag);
    }
}

void Player::Impl::syncTimers() {
    if (!state.connecting()) {
        connectTimer.stop();
    }
    if (state.phase() == PlaybackState::Phase::Buffering && !state.connecting()) {
        if (!stallTimer.isActive()) {
            stallTimer.start();
        }
    } else {
        stallTimer.stop();
    }
}

void Player::Impl::publish() {
    QString text = state.text();
    if (text != shownText) {
        shownText = std::move(text);
        emit q->StatusChange();
    }
}

// mpv keeps its window and its decoder: only the window it is embedded in changes place.
void Player::Impl::enterFullScreen() {
    if (!fullWindow) {
        fullWindow = new VideoSurface(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                                   Qt::WindowStaysOnTopHint);
        fullWindow->onDoubleClick = fullWindow->onEscape = [this] { leaveFullScreen(); };
        fullWindow->onResize = [this] {
            if (full) {
                embed.resize(fullSize());
            }
        };
    }
    full = true;
    // Without a window manager the full-screen request alone would not resize the window.
    fullWindow->setGeometry(video->screen()->geometry());
    fullWindow->winId();
    placeEmbed();
    fullWindow->showFullScreen();
    fullWindow->raise();
    fullWindow->activateWindow();
    emit q->FullScreenChange();
}

void Player::Impl::leaveFullScreen() {
    full = false;
    // Out before the window is hidden, so the picture is never unmapped with it.
    placeEmbed();
    fullWindow->hide();
    emit q->FullScreenChange();
}

void Player::Impl::placeEmbed() {
    if (full) {
        embed.moveInto(fullWindow->winId(), fullSize());
    } else if (embeddedIn) {
        embed.moveInto(embeddedIn, nativeSize());
    }
}

QSize Player::Impl::fullSize() const {
    return fullWindow->size() * fullWindow->devicePixelRatio();
}

// mpv's video thread crashes drawing into a destroyed window: let go of it while it still exists.
void Player::Impl::nativeWindowLost() {
    if (!headless) {
        destroyEngine();
        embed.destroy();
        embeddedIn = engineWindow = 0;
    }
}

void Player::Impl::nativeWindowChanged() {
    // The same window announced again, with mpv still in it or not started yet: nothing to do.
    const WId id = video->internalWinId();
    if (headless || id == 0 || (id == embeddedIn && (mpv || lib == nullptr))) {
        return;
    }
    embedIn(id);
    restartEngine();
}

void Player::Impl::embedIn(WId nativeWindow) {
    embeddedIn = nativeWindow;
    const WId own = embed.create(nativeWindow, nativeSize());
    // Elsewhere than on X11 mpv gets the widget's window itself.
    engineWindow = own ? own : nativeWindow;
    if (full) {
        placeEmbed();
    }
}

QSize Player::Impl::nativeSize() const {
    // The picture keeps to the pixels the window paints as the video's own: where Qt rounds a
    // half-pixel position and a half-pixel length both up, the widget's window is one larger.
    const double scale = video->devicePixelRatioF();
    const QRect area = video->geometry();
    return {common::paintedExtent(area.x(), area.width(), scale),
            common::paintedExtent(area.y(), area.height(), scale)};
}

Player::Player(QWidget* videoParent) : QObject(videoParent), d(std::make_unique<Impl>()) {
    d->q = this;
    d->headless = headlessPlatform();
    d->video = new VideoWidget(videoParent);
    // A child made after its window was shown stays hidden unless told otherwise.
    if (videoParent) {
        d->video->show();
    }
    if (!d->headless) {
        d->embedIn(d->video->winId());
    }
    d->video->onDoubleClick = [this] {
        if (playState() == PlayState::Playing) {
            setFullScreen(true);
        }
    };
    d->video->onNativeWindowLost = [this] { d->nativeWindowLost(); };
    d->video->onNativeWindowChange = [this] { d->nativeWindowChanged(); };
    d->video->onResize = [this] {
        if (!d->full) {
            d->embed.resize(d->nativeSize());
        }
    };

    for (QTimer* timer : {&d->retryTimer, &d->connectTimer, &d->stallTimer}) {
        timer->setSingleShot(true);
    }
    d->connectTimer.setInterval(connectTimeout);
    d->stallTimer.setInterval(stallTimeout);
    connect(&d->retryTimer, &QTimer::timeout, this, [this] { d->apply(d->state.retryDue()); });
    connect(&d->connectTimer, &QTimer::timeout, this,
            [this] { d->apply(d->state.connectTimedOut(d->hint)); });
    connect(&d->stallTimer, &QTimer::timeout, this, [this] { d->apply(d->state.stalled()); });
    connect(&d->relay, &StreamRelay::upstreamFailed, this,
            [this](const Failure& failure) { d->noteFailure(failure); });
    d->shownText = d->state.text();
}

Player::~Player() {
    d->destroyEngine();
    delete d->fullWindow;
    if (!d->video) {
        return;
    }
    // A video widget alone on the screen has no parent to close it; one that stays with its
    // parent must not call back into us.
    if (!d->video->parentWidget()) {
        delete d->video;
        return;
    }
    d->video->forgetCallbacks();
}

void Player::startEngine() {
    if (std::exchange(d->engineAsked, true)) {
        return;
    }
    connect(&d->opening, &QFutureWatcher<const MpvLibrary*>::finished, this,
            [this] { d->libraryOpened(d->opening.result()); });
    d->opening.setFuture(openMpvLibrary());
}

QWidget* Player::videoWidget() const {
    return d->video;
}

QString Player::URL() const {
    return d->state.url();
}

void Player::setURL(const QString& url) {
    d->apply(d->state.open(url));
}

void Player::prepareNeighbours(const QStringList& urls) {
    d->relay.prepare(urls);
}

StreamRelay::Traffic Player::relayTraffic() const {
    return d->relay.traffic();
}

void Player::showStill(const QString& url) {
    d->apply(d->state.openStill(url));
}

QString Player::status() const {
    return d->shownText;
}

PlayState Player::playState() const {
    return d->state.playState();
}

int Player::volume() const {
    return d->volume;
}

void Player::setVolume(int volume) {
    d->volume = std::clamp(volume, 0, 100);
    d->setProperty("volume", d->volume);
}

bool Player::mute() const {
    return d->mute;
}

void Player::setMute(bool mute) {
    d->mute = mute;
    d->setFlag("mute", mute);
}

void Player::play() {
    d->apply(d->state.play());
}

void Player::stop() {
    d->apply(d->state.stop());
}

bool Player::fullScreen() const {
    return d->full;
}

void Player::setFullScreen(bool on) {
    if (on == d->full || !d->video) {
        return;
    }
    if (on) {
        d->enterFullScreen();
    } else {
        d->leaveFullScreen();
    }
}

QString Player::engineProperty(const char* name) const {
    if (!d->mpv) {
        return {};
    }
    char* value = d->lib->getPropertyString(d->mpv.get(), name);
    QString text = value ? QString::fromUtf8(value) : QString();
    d->lib->free(value);
    return text;
}

} // namespace rz4::platform
