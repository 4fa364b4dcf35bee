#include "platform/player.h"

#include "platform/engine_options.h"
#include "platform/mpv_engine.h"
#include "platform/mpv_library.h"
#include "platform/playback.h"
#include "platform/stream_relay.h"
#include "platform/time_shift_disk.h"
#include "platform/video_host.h"

#include <QFutureWatcher>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

namespace rz4::platform {

namespace {

// A new channel must show a picture within this time or it counts as not answering.
constexpr std::chrono::seconds connectTimeout{8};
// Once the log has named a failure (segments answering 404, say), a new channel that still shows
// nothing gets only this long: a live playlist whose segments all fail would otherwise wait on.
constexpr std::chrono::seconds failingGrace{4};
// A live channel whose cache stays empty this long is reconnected.
constexpr std::chrono::seconds stallTimeout{10};

} // namespace

struct Player::Impl {
    Player* q = nullptr;
    const MpvLibrary* lib = nullptr;
    VideoHost* host = nullptr;
    MpvEngine engine;
    bool engineAsked = false;
    QFutureWatcher<const MpvLibrary*> opening; // libmpv, from startEngine() on

    PlaybackState state;
    StreamRelay relay;
    Failure hint;         // what the log said about the file being opened
    Failure relayFailure; // what the relay said about it: may come before the engine starts it
    QString shownText;
    QTimer retryTimer;
    QTimer connectTimer;
    QTimer stallTimer;
    TimeShift shift;
    TimeShiftView shownShift;
    bool readingAhead = false; // the engine reads ahead as far as a pause is kept
    TimeShiftDisk disk{engine};
    Recorder recorder{engine};

    int volume = 50;
    bool mute = false;

    void libraryOpened(const MpvLibrary* opened);
    void restartEngine();
    void engineShutDown();
    void listenToEngine();
    void noteFailure(const Failure& failure);
    void shortenWait();
    Failure named() const { return relayFailure.kind != Failure::None ? relayFailure : hint; }
    void apply(const PlaybackState::Step& step);
    void syncTimers();
    void publish();
    void publishShift();
    void seekWithin(std::optional<double> target, bool forward);
    // Reads ahead as far as a pause is kept while away from live; true when that changed.
    bool syncReadAhead();
};

void Player::Impl::libraryOpened(const MpvLibrary* opened) {
    lib = opened;
    if (lib == nullptr) {
        emit q->engineFailed();
        return;
    }
    // Without a window to draw into, the engine starts with the next one, as after a lost window.
    if (host->headless() || host->engineWindow() != 0) {
        restartEngine();
        if (!engine.running()) {
            emit q->engineFailed();
        }
    }
}

// The engine lost its window or shut down: start a new one and carry on with the same address.
// The first start, once libmpv is open, takes up what was asked for before it the same way.
void Player::Impl::restartEngine() {
    engine.stop();
    if (lib == nullptr) {
        return;
    }
    const MpvEngine::Setup setup{.headless = host->headless(),
                                 .window = static_cast<std::int64_t>(host->engineWindow()),
                                 .volume = volume,
                                 .mute = mute,
                                 .timeShift = true};
    disk.engineStarted();
    readingAhead = false;
    if (engine.start(*lib, setup)) {
        apply(state.engineRestarted());
    }
}

// mpv quits when its window goes, and a new mpv on that dead window crashes in the X driver: it
// gets a fresh window, and the window change starts it.
void Player::Impl::engineShutDown() {
    if (host->headless()) {
        restartEngine();
        return;
    }
    host->renewWindow();
}

void Player::Impl::listenToEngine() {
    MpvEngine* e = &engine;
    QObject::connect(e, &MpvEngine::fileStarted, q, [this] {
        if (state.awaitingStart()) {
            hint = {};
        }
        state.fileStarted();
    });
    QObject::connect(e, &MpvEngine::framesShown, q, [this] { state.framesShown(); });
    QObject::connect(e, &MpvEngine::ended, q, [this](EndReason reason, bool unknownFormat) {
        apply(state.ended(reason, reason == EndReason::Error ? openFailure(named(), unknownFormat)
                                                             : Failure{}));
    });
    QObject::connect(e, &MpvEngine::loadRejected, q, [this] { apply(state.loadRejected()); });
    QObject::connect(e, &MpvEngine::logLine, q, [this](const QString& text) {
        noteFailure(failureFromLog(text.toStdString()));
        recorder.logLine(text);
        disk.logLine(text);
    });
    QObject::connect(e, &MpvEngine::held, q, [this](const HeldStream& stream) {
        shift.held(stream);
        disk.release(shift.releasableBytes());
        publishShift();
    });
    QObject::connect(e, &MpvEngine::cacheFilling, q, [this](bool on) { state.cacheFilling(on); });
    QObject::connect(e, &MpvEngine::cachePercent, q, [this](int p) { state.cachePercent(p); });
    QObject::connect(e, &MpvEngine::paused, q, [this](bool on) { state.paused(on); });
    QObject::connect(e, &MpvEngine::eventHandled, q, [this] {
        syncTimers();
        publish();
    });
    QObject::connect(e, &MpvEngine::shutDown, q, [this] { engineShutDown(); });
}

void Player::Impl::noteFailure(const Failure& failure) {
    if (!state.connecting() || hint.kind != Failure::None) {
        return;
    }
    hint = failure;
    if (hint.kind != Failure::None) {
        shortenWait();
    }
}

void Player::Impl::shortenWait() {
    if (!state.everPlayed() && connectTimer.remainingTimeAsDuration() > failingGrace) {
        connectTimer.start(failingGrace);
    }
}

void Player::Impl::apply(const PlaybackState::Step& step) {
    if (step.load || step.stop || step.retryIn) {
        retryTimer.stop();
    }
    if (step.load) {
        recorder.clear();
    }
    if (step.stop || step.load) {
        recorder.stop();
        shift.reset();
        disk.closed();
    }
    if (step.stop) {
        engine.stopPlayback();
    }
    if (step.resume) {
        engine.setFlag("pause", false);
    }
    if (step.load) {
        // mpv keeps the screen saver away while it plays; a still picture is no reason to.
        engine.setFlag("stop-screensaver", !state.still());
        // The engine keeps a pause across files; a new channel plays.
        engine.setFlag("pause", false);
        // Channels go through the relay; a still picture is fetched once, directly.
        relayFailure = {};
        disk.opening(!state.still());
        engine.load(state.still() ? state.url() : relay.open(state.url()));
        connectTimer.start();
    }
    if (step.retryIn) {
        retryTimer.start(*step.retryIn);
    }
    syncTimers();
    publish();
    publishShift();
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

bool Player::Impl::syncReadAhead() {
    const bool awayFromLive = !shift.live();
    if (readingAhead == awayFromLive) {
        return false;
    }
    readingAhead = awayFromLive;
    engine.setOption("cache-secs", QString::fromLatin1(readingAhead ? HeldReadAheadSeconds
                                                                    : LiveReadAheadSeconds));
    return true;
}

void Player::Impl::publishShift() {
    syncReadAhead();
    TimeShiftView v = shift.view();
    if (v != shownShift) {
        shownShift = v;
        emit q->timeShiftChanged();
    }
}

void Player::Impl::seekWithin(std::optional<double> target, bool forward) {
    if (!shift.stream().held || state.still()) {
        return;
    }
    if (!target) {
        // Past the live edge: live. Nothing held before the start is reached otherwise.
        if (forward) {
            q->goLive();
        }
        return;
    }
    shift.leaveLive();
    shift.seekedTo(*target);
    engine.seekTo(*target);
    publishShift();
}

Player::Player(QWidget* videoParent) : QObject(videoParent), d(std::make_unique<Impl>()) {
    d->q = this;
    d->host = new VideoHost(videoParent, this);
    connect(d->host, &VideoHost::doubleClicked, this, [this] {
        if (playState() == PlayState::Playing) {
            setFullScreen(true);
        }
    });
    connect(d->host, &VideoHost::windowLost, this, [this] { d->engine.stop(); });
    connect(d->host, &VideoHost::windowChanged, this, [this](bool moved) {
        // The same window announced again, with mpv still in it or not started yet: nothing to do.
        if (!moved && (d->engine.running() || d->lib == nullptr)) {
            return;
        }
        d->restartEngine();
    });
    connect(d->host, &VideoHost::fullScreenChanged, this, &Player::FullScreenChange);
    d->listenToEngine();

    for (QTimer* timer : {&d->retryTimer, &d->connectTimer, &d->stallTimer}) {
        timer->setSingleShot(true);
    }
    d->connectTimer.setInterval(connectTimeout);
    d->stallTimer.setInterval(stallTimeout);
    connect(&d->retryTimer, &QTimer::timeout, this, [this] { d->apply(d->state.retryDue()); });
    connect(&d->connectTimer, &QTimer::timeout, this,
            [this] { d->apply(d->state.connectTimedOut(d->named())); });
    connect(&d->stallTimer, &QTimer::timeout, this, [this] { d->apply(d->state.stalled()); });
    connect(&d->recorder, &Recorder::changed, this, &Player::recordingChanged);
    connect(&d->relay, &StreamRelay::upstreamFailed, this, [this](const Failure& failure) {
        if (d->state.connecting() && d->relayFailure.kind == Failure::None) {
            d->relayFailure = failure;
            d->shortenWait();
        }
    });
    d->shownText = d->state.text();
}

Player::~Player() {
    d->engine.stop();
    delete d->host; // before the rest of the player it calls back into
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
    return d->host->widget();
}

QString Player::URL() const {
    return d->state.url();
}

void Player::setURL(const QString& url) {
    // A channel asked for is worth more than a window drawn sooner.
    startEngine();
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
    d->engine.setVolume(d->volume);
}

bool Player::mute() const {
    return d->mute;
}

void Player::setMute(bool mute) {
    d->mute = mute;
    d->engine.setFlag("mute", mute);
}

void Player::play() {
    d->apply(d->state.play());
}

void Player::stop() {
    d->apply(d->state.stop());
}

void Player::pause() {
    using Phase = PlaybackState::Phase;
    const Phase phase = d->state.phase();
    if (phase == Phase::Connecting || phase == Phase::Reconnecting) {
        // Nothing on screen to hold yet: a pause stops, as it always did.
        d->apply(d->state.stop());
        return;
    }
    if (phase != Phase::Playing && phase != Phase::Buffering) {
        return;
    }
    if (!d->shift.stream().held) {
        d->apply(d->state.stopUnpausable());
        return;
    }
    d->shift.leaveLive();
    const bool readFurther = d->syncReadAhead();
    d->engine.setFlag("pause", true);
    if (readFurther) {
        d->engine.seekInPlace();
    }
    d->publishShift();
}

void Player::seekBy(double seconds) {
    d->seekWithin(d->shift.seekBy(seconds), seconds > 0);
}

void Player::seekTo(double offset) {
    d->seekWithin(d->shift.seekTo(offset), true);
}

void Player::goLive() {
    const std::optional<double> live = d->shift.liveTarget();
    if (!live || d->state.still()) {
        return;
    }
    if (!d->shift.live()) {
        d->engine.seekTo(*live);
        d->shift.backAtLive();
    }
    if (d->state.phase() == PlaybackState::Phase::Paused) {
        d->apply(d->state.play());
    }
    d->publishShift();
}

TimeShiftView Player::timeShift() const {
    return d->shownShift;
}

HeldStream Player::held() const {
    return d->shift.stream();
}

void Player::startRecording(const QString& folder, const QString& channel, bool fromStart) {
    const HeldStream& held = d->shift.stream();
    if (d->state.still() || d->state.playState() == PlayState::Stopped) {
        return;
    }
    if (!held.held) {
        // Recording writes what the buffer holds: a channel that cannot be held cannot.
        d->recorder.refuse(QStringLiteral("无法录制：此频道没有可录制的缓存"));
        return;
    }
    d->recorder.start(folder, channel, fromStart ? d->shift.oldest() : held.position,
                      d->engine.property("file-format"));
}

void Player::stopRecording() {
    d->recorder.stop();
}

const RecordingView& Player::recording() const {
    return d->recorder.view();
}

bool Player::fullScreen() const {
    return d->host->fullScreen();
}

void Player::setFullScreen(bool on) {
    d->host->setFullScreen(on);
}

QString Player::engineProperty(const char* name) const {
    return d->engine.property(name);
}

} // namespace rz4::platform
