#include "mainwindow/remote_control.h"

#include "guide/guide.h"
#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/key_commands.h"
#include "mainwindow/viewing.h"
#include "platform/media_state.h"
#include "platform/player.h"
#include "platform/screen_saver.h"

#include <QDateTime>
#include <QGuiApplication>

namespace rz4::mainwindow {

namespace {

constexpr int TagRole = ChannelTreeWidget::TagRole;

} // namespace

RemoteControl::RemoteControl(Form1& form, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_form(form), m_viewing(form.viewing()),
      m_mpris(new platform::MprisService(bus, programName(), QGuiApplication::desktopFileName(),
                                         *this, this)),
      m_screenSaver(new platform::ScreenSaverInhibitor(bus, programName(),
                                                       QStringLiteral("正在收看频道"), this)) {
    connect(&m_viewing, &Viewing::channelChanged, this, [this] {
        ++m_track;
        refresh();
    });
    connect(&m_viewing, &Viewing::playStateChanged, this, &RemoteControl::refresh);
    connect(&m_viewing, &Viewing::fullScreenChanged, this, &RemoteControl::refresh);
    connect(&m_viewing, &Viewing::volumeChanged, this, &RemoteControl::refresh);
    connect(&m_viewing, &Viewing::timeShiftChanged, this, &RemoteControl::refresh);
    QAbstractItemModel* model = form.controls().TreeView1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_listHasChannels) {
            checkListHasChannels();
        }
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RemoteControl::checkListHasChannels);
    connect(model, &QAbstractItemModel::modelReset, this, &RemoteControl::checkListHasChannels);
    m_programmeChange.setSingleShot(true);
    connect(&m_programmeChange, &QTimer::timeout, this, &RemoteControl::refresh);
    checkListHasChannels();
    refresh();
}

RemoteControl::~RemoteControl() = default;

void RemoteControl::act(const std::function<void(Viewing&)>& command) {
    m_form.guarded([this, &command] { command(m_viewing); });
}

bool RemoteControl::playing() const {
    return platform::playbackStatus(m_viewing.playState()) == platform::PlaybackStatus::Playing;
}

void RemoteControl::raise() {
    m_form.guarded([this] {
        if (!m_viewing.shown()) {
            m_viewing.setShown(true); // as a click on the tray icon shows it
            return;
        }
        if (m_form.isMinimized()) {
            m_form.showNormal();
        }
        m_form.raise();
        m_form.activateWindow();
    });
}

void RemoteControl::quit() {
    m_form.quit();
}

void RemoteControl::setFullscreen(bool on) {
    act([on](Viewing& v) { v.setFullScreen(on); });
}

void RemoteControl::play() {
    act([](Viewing& v) { v.playAgain(); });
}

// A channel with a time-shift buffer is held; one without stops, and play starts it at live.
void RemoteControl::pause() {
    if (playing()) {
        act([](Viewing& v) { v.pause(); });
    }
}

void RemoteControl::playPause() {
    if (playing()) {
        pause();
    } else {
        play();
    }
}

void RemoteControl::stop() {
    act([](Viewing& v) { v.stop(); });
}

void RemoteControl::next() {
    stepChannel(Direction::Next);
}

void RemoteControl::previous() {
    stepChannel(Direction::Previous);
}

void RemoteControl::setVolume(double volume) {
    act([volume](Viewing& v) { v.setVolume(sliderValue(volume, Viewing::MaxVolume)); });
}

void RemoteControl::seek(qlonglong offset) {
    seekBy(static_cast<double>(offset) / 1e6);
}

void RemoteControl::setPosition(qlonglong position) {
    act([position](Viewing& v) { v.seekTo(static_cast<double>(position) / 1e6); });
}

void RemoteControl::seekBy(double seconds) {
    act([seconds](Viewing& v) { v.seekBy(seconds); });
}

void RemoteControl::goLive() {
    act([](Viewing& v) { v.goLive(); });
}

void RemoteControl::toggleRecording(bool fromStart) {
    act([fromStart](Viewing& v) { v.toggleRecording(fromStart); });
}

void RemoteControl::toggleMute() {
    act([](Viewing& v) { v.toggleMute(); });
}

void RemoteControl::stepVolume(int steps) {
    act([steps](Viewing& v) { v.setVolume(steppedVolume(v.volume(), steps, Viewing::MaxVolume)); });
}

void RemoteControl::setGuide(std::shared_ptr<const guide::Guide> guide) {
    m_guide = std::move(guide);
    refresh();
}

// From the tree's current node, which the user may have moved away from the channel on.
void RemoteControl::stepChannel(Direction direction) {
    const QModelIndex from = m_form.controls().TreeView1->currentIndex();
    act([direction, &from](Viewing& v) { v.playAdjacent(direction, from); });
}

void RemoteControl::refresh() {
    const platform::PlayState playState = m_viewing.playState();
    const Channel& channel = m_viewing.channel();
    platform::MediaState s;
    s.status = platform::playbackStatus(playState);
    s.track = m_track;
    s.title = channel.name;
    s.album = channel.group;
    m_programmeChange.stop();
    if (m_guide && m_track != 0) {
        const std::int64_t now = QDateTime::currentSecsSinceEpoch();
        const guide::NowNext on = m_guide->at(channel.name, now);
        s.artist = on.now ? on.now->title : QString();
        if (const auto change = m_guide->nextChange(channel.name, now)) {
            // A second late rather than early: the programme has changed when the timer fires.
            m_programmeChange.start(
                std::chrono::seconds(std::min<std::int64_t>(*change - now + 1, 86400)));
        }
    }
    s.volume = static_cast<double>(m_viewing.volume()) / Viewing::MaxVolume;
    s.fullscreen = m_viewing.fullScreen();
    // The full-screen command acts only on a channel that plays; leaving is always possible.
    s.canSetFullscreen = s.fullscreen || playState == platform::PlayState::Playing;
    s.canGoNext = m_listHasChannels;
    const platform::TimeShiftView& shift = m_viewing.timeShift();
    s.canPause = s.canSeek = shift.available;
    s.position = shift.available ? static_cast<qlonglong>(shift.offset * 1e6) : 0;
    m_mpris->publish(s);
    m_screenSaver->setInhibited(!m_form.hasEnded() && platform::keepsScreenAwake(playState));
    prepareNeighbours(playState);
}

// The channels Up, Down and the media controls' Next and Previous reach from the one on screen;
// nothing while nothing plays, so that an idle viewer's link stays idle.
void RemoteControl::prepareNeighbours(platform::PlayState playState) {
    const Form1::Controls& c = m_form.controls();
    QStringList neighbours;
    const QModelIndex node = c.TreeView1->currentIndex().siblingAtColumn(0);
    const bool watching = playState != platform::PlayState::Stopped &&
                          playState != platform::PlayState::Ready &&
                          playState != platform::PlayState::Undefined;
    // From the channel on, and only while the tree's cursor is on it: that is where a step starts.
    const QString& on = m_viewing.channel().address;
    if (watching && !on.isEmpty() && node.data(TagRole).toString() == on) {
        for (const Direction d : {Direction::Next, Direction::Previous}) {
            const QString url =
                adjacentChannel(*c.TreeView1->model(), node, d, TagRole).data(TagRole).toString();
            if (!url.isEmpty() && url != on && !neighbours.contains(url)) {
                neighbours.append(url);
            }
        }
    }
    if (neighbours != m_neighbours) {
        m_neighbours = neighbours;
        c.WMP->prepareNeighbours(neighbours);
    }
}

void RemoteControl::checkListHasChannels() {
    const QAbstractItemModel& model = *m_form.controls().TreeView1->model();
    const bool has = adjacentChannel(model, {}, Direction::Next, TagRole).isValid();
    if (has != m_listHasChannels) {
        m_listHasChannels = has;
        refresh();
    }
}

} // namespace rz4::mainwindow
