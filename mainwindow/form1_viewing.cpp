// The window's side of what is watched: the commands carried out on the player and the window,
// the labels and tooltips that show the state, and the handlers that act through it.
#include "mainwindow/form1.h"

#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/hot_area.h"
#include "mainwindow/taskbar.h"
#include "mainwindow/visibility_marker.h"
#include "mainwindow/window_commands.h"
#include "mainwindow/window_placement.h"
#include "platform/player.h"
#include "platform/x11_keep_above.h"
#include "skinctl/tvate.h"

#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QWindow>

namespace rz4::mainwindow {

namespace {

const QString Watching = QStringLiteral("您正在收看的是：");

} // namespace

void Form1::showViewing() {
    const Viewing& v = *m_viewing;
    connect(&v, &Viewing::channelChanged, this,
            [this] { m_c.Label1->setText(Watching + m_viewing->channel().name); });
    connect(&v, &Viewing::volumeChanged, this, [this] {
        if (m_c.volume->Value() != m_viewing->volume()) {
            m_c.volume->setValue(m_viewing->volume());
        }
    });
    const auto tips = [this] {
        titleButton(TitleButton::OnTop).setToolTip(text(onTopTip(m_viewing->onTop())));
        titleButton(TitleButton::MaximiseOrRestore)
            .setToolTip(text(sizeTip(m_viewing->maximised())));
    };
    // Behind live and recording change the status line while the player's status stays.
    connect(&v, &Viewing::timeShiftChanged, this, &Form1::WMP_StatusChange);
    connect(&v, &Viewing::recordingChanged, this, &Form1::WMP_StatusChange);
    connect(&v, &Viewing::onTopChanged, this, tips);
    connect(&v, &Viewing::maximisedChanged, this, tips);
}

QString Form1::visibilityMarker() const {
    return text(marker::of(m_viewing->shown()));
}

void Form1::setOnTop(bool onTop) {
    winId(); // make sure the native window exists; it is never recreated
    if (!platform::requestKeepAbove(*windowHandle(), onTop)) {
        // Elsewhere the window's own flags are the only way.
        windowHandle()->setFlags(windowHandle()->flags().setFlag(Qt::WindowStaysOnTopHint, onTop));
    }
}

void Form1::setMaximised(bool maximised) {
    const QRect screenArea = screen()->geometry();
    const TwipRect window =
        windowRect(maximised, static_cast<float>(screenArea.width()) * TwipsPerPixel,
                   static_cast<float>(screenArea.height()) * TwipsPerPixel,
                   [this] { return TaskbarHeight(*screen()); });
    placeWindow(*this, pixels(window).translated(screenArea.topLeft()));
}

void Form1::setShown(bool shown) {
    if (!shown) {
        hide();
        return;
    }
    show();
    // The window manager forgets the state of a window that was hidden.
    if (m_viewing->onTop()) {
        setOnTop(true);
    }
}

void Form1::open(const Channel& channel) {
    // A channel chosen from elsewhere than the tree becomes the tree's current node.
    ChannelTreeWidget& tree = *m_c.TreeView1;
    const QModelIndex node = channel.node;
    if (node.isValid() && tree.currentIndex().siblingAtColumn(0) != node) {
        for (QModelIndex group = node.parent(); group.isValid(); group = group.parent()) {
            tree.expand(group);
        }
        tree.setCurrentIndex(node);
        tree.scrollTo(node);
    }
    m_player->setURL(channel.address);
}

void Form1::playAgain() {
    m_player->play();
}

void Form1::stop() {
    m_player->stop();
}

void Form1::pause() {
    m_player->pause();
}

void Form1::seekBy(double seconds) {
    m_player->seekBy(seconds);
}

void Form1::seekTo(double offset) {
    m_player->seekTo(offset);
}

void Form1::goLive() {
    m_player->goLive();
}

void Form1::setRecording(bool on, bool fromStart) {
    if (!on) {
        m_player->stopRecording();
        return;
    }
    // The desktop's videos folder, in a folder of the program's own.
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    m_player->startRecording(videos + QLatin1Char('/') + programName(), m_viewing->channel().name,
                             fromStart);
}

void Form1::setVolume(int volume) {
    m_player->setVolume(volume);
}

void Form1::setMute(bool mute) {
    m_player->setMute(mute);
}

void Form1::setFullScreen(bool on) {
    m_player->setFullScreen(on);
}

void Form1::minimise() {
    if (m_desktop.hasTray() && m_c.trayIcon != nullptr && m_c.trayIcon->isVisible()) {
        m_viewing->setShown(false);
    } else {
        // Hidden with no tray icon to bring it back, the window would be lost.
        showMinimized();
    }
}

void Form1::Image9_Click(std::int16_t index) {
    switch (static_cast<TitleButton>(index)) {
    case TitleButton::Minimise:
        minimise();
        break;
    case TitleButton::OnTop:
        m_viewing->toggleOnTop();
        break;
    case TitleButton::MaximiseOrRestore:
        m_viewing->toggleMaximised();
        break;
    case TitleButton::Close:
        end(0);
        break;
    }
}

void Form1::Image14_Click(std::int16_t index) {
    switch (static_cast<PlayerButton>(index)) {
    case PlayerButton::Play:
        m_viewing->playAgain();
        break;
    case PlayerButton::Stop:
        m_viewing->stop();
        break;
    case PlayerButton::Mute:
        m_viewing->toggleMute();
        break;
    case PlayerButton::FullScreen:
        m_viewing->setFullScreen(true);
        break;
    }
}

void Form1::Picture2_MouseMove(TrayClick click) {
    switch (trayAction(click, m_viewing->shown())) {
    case TrayAction::Hide:
        minimise();
        break;
    case TrayAction::Show:
        m_viewing->setShown(true);
        break;
    case TrayAction::None:
        break;
    }
}

void Form1::volume_Changed(std::int32_t& /*tValue*/, std::int32_t& /*tMax*/) {
    // The property, not the arguments: an earlier handler may have changed the value.
    m_viewing->setVolume(m_c.volume->Value());
}

} // namespace rz4::mainwindow
