#include "mainwindow/remote_control.h"

#include "guide/guide.h"
#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/key_commands.h"
#include "mainwindow/tray.h"
#include "mainwindow/visibility_marker.h"
#include "platform/media_state.h"
#include "platform/player.h"
#include "platform/screen_saver.h"
#include "skinctl/tvate.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QTreeView>

namespace rz4::mainwindow {

namespace {

constexpr int TagRole = ChannelTreeWidget::TagRole;

} // namespace

RemoteControl::RemoteControl(Form1& form, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_form(form),
      m_mpris(new platform::MprisService(bus, programName(), QGuiApplication::desktopFileName(),
                                         *this, this)),
      m_screenSaver(new platform::ScreenSaverInhibitor(bus, programName(),
                                                       QStringLiteral("正在收看频道"), this)) {
    const Form1::Controls& c = form.controls();
    connect(c.WMP, &platform::Player::StatusChange, this, &RemoteControl::refresh);
    connect(c.WMP, &platform::Player::FullScreenChange, this, &RemoteControl::refresh);
    connect(
        c.volume, &skinctl::tVate::Changed, this,
        [this](std::int32_t& /*tValue*/, std::int32_t& /*tMax*/) { refresh(); },
        Qt::DirectConnection);
    ChannelTreeWidget& tree = *c.TreeView1;
    // After the window's own handler: a click that starts a channel may leave the status as it was,
    // and so may Enter on a channel found by typing.
    connect(&tree, &QAbstractItemView::clicked, this, &RemoteControl::refresh);
    connect(&tree, &ChannelTreeWidget::enterPressed, this, &RemoteControl::refresh);
    QAbstractItemModel* model = tree.model();
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

void RemoteControl::raise() {
    m_form.guarded([this] {
        if (m_form.visibilityMarker().toStdU16String() != marker::Shown) {
            m_form.Picture2_MouseMove(TrayClick::Left); // as a click on the tray icon shows it
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
    m_form.guarded([this] { m_form.Image9_Click(indexOf(TitleButton::Close)); });
}

void RemoteControl::setFullscreen(bool on) {
    if (on) {
        press(PlayerButton::FullScreen);
        return;
    }
    // Leaving full screen is the player's own business, as Esc on the picture is.
    m_form.guarded([this] { m_form.controls().WMP->setFullScreen(false); });
}

void RemoteControl::play() {
    press(PlayerButton::Play);
}

// A live channel cannot wait: pausing it stops it, and play starts it again at the live edge.
void RemoteControl::pause() {
    if (state().status == platform::PlaybackStatus::Playing) {
        press(PlayerButton::Stop);
    }
}

void RemoteControl::playPause() {
    press(state().status == platform::PlaybackStatus::Playing ? PlayerButton::Stop
                                                              : PlayerButton::Play);
}

void RemoteControl::stop() {
    press(PlayerButton::Stop);
}

void RemoteControl::next() {
    stepChannel(Direction::Next);
}

void RemoteControl::previous() {
    stepChannel(Direction::Previous);
}

void RemoteControl::setVolume(double volume) {
    m_form.guarded([this, volume] {
        skinctl::tVate& slider = *m_form.controls().volume;
        slider.setValue(sliderValue(volume, slider.Max()));
    });
}

void RemoteControl::toggleMute() {
    press(PlayerButton::Mute);
}

void RemoteControl::stepVolume(int steps) {
    m_form.guarded([this, steps] {
        skinctl::tVate& slider = *m_form.controls().volume;
        slider.setValue(steppedVolume(slider.Value(), steps, slider.Max()));
    });
}

void RemoteControl::setGuide(std::shared_ptr<const guide::Guide> guide) {
    m_guide = std::move(guide);
    refresh();
}

void RemoteControl::press(PlayerButton button) {
    m_form.guarded([this, button] { m_form.Image14_Click(indexOf(button)); });
    refresh();
}

// As a click on the channel does: the node becomes the tree's current one, then the click's
// handler plays it.
void RemoteControl::stepChannel(Direction direction) {
    m_form.guarded([this, direction] {
        QTreeView& tree = *m_form.controls().TreeView1;
        const QModelIndex channel =
            adjacentChannel(*tree.model(), tree.currentIndex(), direction, TagRole);
        if (!channel.isValid()) {
            return;
        }
        for (QModelIndex group = channel.parent(); group.isValid(); group = group.parent()) {
            tree.expand(group);
        }
        tree.setCurrentIndex(channel);
        tree.scrollTo(channel);
        m_form.TreeView1_NodeClick();
    });
    refresh();
}

void RemoteControl::refresh() {
    const Form1::Controls& c = m_form.controls();
    followChannel();
    const platform::PlayState playState = c.WMP->playState();
    platform::MediaState s;
    s.status = platform::playbackStatus(playState);
    s.track = m_track;
    s.title = m_title;
    s.album = m_album;
    m_programmeChange.stop();
    if (m_guide && m_track != 0) {
        const std::int64_t now = QDateTime::currentSecsSinceEpoch();
        const guide::NowNext on = m_guide->at(m_title, now);
        s.artist = on.now ? on.now->title : QString();
        if (const auto change = m_guide->nextChange(m_title, now)) {
            // A second late rather than early: the programme has changed when the timer fires.
            m_programmeChange.start(
                std::chrono::seconds(std::min<std::int64_t>(*change - now + 1, 86400)));
        }
    }
    const std::int32_t max = c.volume->Max();
    s.volume = max > 0 ? static_cast<double>(c.volume->Value()) / max : 0.0;
    s.fullscreen = c.WMP->fullScreen();
    // The full-screen command acts only on a channel that plays; leaving is always possible.
    s.canSetFullscreen = s.fullscreen || playState == platform::PlayState::Playing;
    s.canGoNext = m_listHasChannels;
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
    if (watching && !m_url.isEmpty() && node.data(TagRole).toString() == m_url) {
        for (const Direction d : {Direction::Next, Direction::Previous}) {
            const QString url =
                adjacentChannel(*c.TreeView1->model(), node, d, TagRole).data(TagRole).toString();
            if (!url.isEmpty() && url != m_url && !neighbours.contains(url)) {
                neighbours.append(url);
            }
        }
    }
    if (neighbours != m_neighbours) {
        m_neighbours = neighbours;
        c.WMP->prepareNeighbours(neighbours);
    }
}

// A new address in the player came from a click on the tree's current node, or from start-up.
void RemoteControl::followChannel() {
    const QString url = m_form.controls().WMP->URL();
    if (url == m_url) {
        return;
    }
    m_url = url;
    const QModelIndex node = m_form.controls().TreeView1->currentIndex().siblingAtColumn(0);
    if (url.isEmpty() || node.data(TagRole).toString() != url) {
        m_track = 0;
        m_title.clear();
        m_album.clear();
        return;
    }
    ++m_track;
    m_title = node.data(Qt::DisplayRole).toString();
    m_album = node.parent().data(Qt::DisplayRole).toString();
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
