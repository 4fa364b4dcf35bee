// The player embedded in a real X window (a virtual display of our own), where mpv draws into
// our native widget and can lose it.
#include "platform/player.h"
#include "tests/platform/player_fixture.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using rz4::platform::Player;
using rz4::platform::testing::LiveChannels;
using rz4::platform::testing::makeApplication;
using rz4::platform::testing::startChild;
using rz4::platform::testing::StatusLog;
using rz4::platform::testing::timePos;
using rz4::platform::testing::waitUntil;

namespace {

// A display number below 10 (mpv's x11 output uses shared memory only there) that nobody uses.
// A lock left by a server that died does not count: the X server clears it on start.
int freeDisplay() {
    for (int n = 1; n < 10; ++n) {
        QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(n));
        if (!lock.exists()) {
            return n;
        }
        const int pid = lock.open(QIODevice::ReadOnly) ? lock.readAll().trimmed().toInt() : 0;
        if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) {
            return n;
        }
    }
    return 0;
}

bool videoAlive(const Player& player) {
    return player.engineProperty("vo-configured") == "yes";
}

bool advancing(const Player& player) {
    const double from = timePos(player);
    return waitUntil([&] { return timePos(player) > from + 1.0; }, 10s);
}

xcb_connection_t* xcbConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Map states of every window below `top` (not `top` itself), however deep.
std::vector<uint8_t> mapStatesBelow(WId top) {
    xcb_connection_t* c = xcbConnection();
    std::vector<uint8_t> states;
    std::vector<xcb_window_t> pending{static_cast<xcb_window_t>(top)};
    while (!pending.empty()) {
        const xcb_window_t window = pending.back();
        pending.pop_back();
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree) {
            continue;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
                c, xcb_get_window_attributes(c, children[i]), nullptr);
            if (attributes) {
                states.push_back(attributes->map_state);
                pending.push_back(children[i]);
            }
            std::free(attributes);
        }
        std::free(tree);
    }
    return states;
}

bool anyUnmappedBelow(WId top) {
    const auto states = mapStatesBelow(top);
    return std::find(states.begin(), states.end(), XCB_MAP_STATE_UNMAPPED) != states.end();
}

} // namespace

class PlayerX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const int display = freeDisplay();
        if (display == 0 || QStandardPaths::findExecutable("Xvfb").isEmpty()) {
            return;
        }
        xvfb = std::make_unique<QProcess>();
        startChild(*xvfb, "Xvfb",
                   {QStringLiteral(":%1").arg(display), "-screen", "0", "1280x800x24", "-nolisten",
                    "tcp"});
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        QFile::remove(socket);
        for (int i = 0; i < 100 && !QFileInfo::exists(socket); ++i) {
            std::this_thread::sleep_for(100ms);
        }
        setenv("DISPLAY", qPrintable(QStringLiteral(":%1").arg(display)), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        app = makeApplication();
        channels = std::make_unique<LiveChannels>();
        ASSERT_TRUE(channels->serving());
        ASSERT_TRUE(channels->startChannel("ch1"));
    }
    static void TearDownTestSuite() {
        channels.reset();
        app.reset();
        // Terminated, not killed, so that the server removes its lock.
        if (xvfb) {
            xvfb->terminate();
            if (!xvfb->waitForFinished(5000)) {
                xvfb->kill();
                xvfb->waitForFinished();
            }
        }
    }
    void SetUp() override {
        if (!app) {
            GTEST_SKIP() << "no Xvfb or no free display below 10";
        }
    }

    static inline std::unique_ptr<QProcess> xvfb;
    static inline std::unique_ptr<QApplication> app;
    static inline std::unique_ptr<LiveChannels> channels;
};

TEST_F(PlayerX11Test, FullScreenMovesThePictureWithoutInterruptingIt) {
    QWidget window;
    window.resize(480, 360);
    // Made before its window is shown, as the main window does at start-up.
    Player player(&window);
    player.videoWidget()->setGeometry(20, 20, 339, 240);
    StatusLog log(player);
    player.setURL(channels->url("ch1/index.m3u8"));
    window.show();
    ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
    ASSERT_TRUE(waitUntil([&] { return videoAlive(player); }, 5s));
    EXPECT_TRUE(advancing(player));

    QWidget* video = player.videoWidget();
    const WId nativeWindow = video->winId();
    log.texts.clear();
    player.setFullScreen(true);
    EXPECT_TRUE(player.fullScreen());
    EXPECT_TRUE(waitUntil([&] { return video->geometry() == video->screen()->geometry(); }, 5s))
        << video->width() << "x" << video->height();
    EXPECT_EQ(video->winId(), nativeWindow);
    EXPECT_TRUE(advancing(player));
    EXPECT_TRUE(videoAlive(player));

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(video, &escape);
    EXPECT_FALSE(player.fullScreen());
    EXPECT_EQ(video->parentWidget(), &window);
    EXPECT_EQ(video->geometry(), QRect(20, 20, 339, 240));
    EXPECT_TRUE(advancing(player));
    EXPECT_TRUE(videoAlive(player));
    EXPECT_TRUE(log.texts.isEmpty()) << "no reconnection: " << log.joined().toStdString();
}

TEST_F(PlayerX11Test, RecoversWhenItsNativeWindowIsRecreated) {
    auto window = std::make_unique<QWidget>();
    window->resize(480, 360);
    window->show();
    Player player(window.get());
    StatusLog log(player);
    player.setURL(channels->url("ch1/index.m3u8"));
    ASSERT_TRUE(log.reaches("正在播放", 20s));

    // Changing a window flag this way makes Qt build new native windows, ours among them.
    const WId before = player.videoWidget()->winId();
    window->setWindowFlag(Qt::WindowStaysOnTopHint);
    window->show();
    ASSERT_TRUE(waitUntil([&] { return player.videoWidget()->winId() != before; }, 5s));
    EXPECT_TRUE(waitUntil([&] { return player.status() == "正在播放" && videoAlive(player); }, 30s))
        << log.joined().toStdString();
    EXPECT_TRUE(advancing(player));
    EXPECT_EQ(player.URL(), channels->url("ch1/index.m3u8"));

    // The window may also outlive the player and change afterwards.
    {
        Player shortLived(window.get());
        shortLived.setURL(channels->url("ch1/index.m3u8"));
    }
    window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    window->show();
    EXPECT_TRUE(advancing(player));
}

// mpv maps its window once, on its first picture. The main window used to be shown after mpv had
// made its window but before that picture, and mpv's window then stayed unmapped: a black video.
TEST_F(PlayerX11Test, PictureShowsWhenTheWindowAppearsWhileTheVideoStarts) {
    QProcess encoder;
    startChild(encoder, "ffmpeg",
               {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=3840x2160",
                "-frames:v", "1", channels->dir() + "/large.jpg"});
    ASSERT_TRUE(encoder.waitForFinished());
    QWidget window;
    window.resize(480, 360);
    Player player(&window);
    QWidget* video = player.videoWidget();
    video->setGeometry(20, 20, 339, 240);
    const WId nativeWindow = video->winId();
    player.setURL(channels->url("large.jpg"));

    // No event loop here: mpv makes its window on threads of its own, and the show must follow
    // at once, before the picture is decoded.
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (!anyUnmappedBelow(nativeWindow) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(anyUnmappedBelow(nativeWindow)) << "mpv made no window";
    window.show();
    xcb_flush(xcbConnection());

    ASSERT_TRUE(waitUntil([&] { return player.status() == "正在播放" && videoAlive(player); }, 20s))
        << player.status().toStdString();
    EXPECT_TRUE(waitUntil([&] { return !anyUnmappedBelow(nativeWindow); }, 5s));
}
