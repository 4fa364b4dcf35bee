// The player embedded in a real X window (a virtual display of our own), where mpv draws into
// our native widget and can lose it.
#include "platform/player.h"
#include "platform/x11_embed_window.h"
#include "tests/support/player_fixture.h"
#include "tests/support/qt_main.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
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
using namespace rz4::testsupport;

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

// Every window below `top` (not `top` itself), however deep, parents before children.
std::vector<xcb_window_t> windowsBelow(WId top) {
    xcb_connection_t* c = xcbConnection();
    std::vector<xcb_window_t> found;
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
            found.push_back(children[i]);
            pending.push_back(children[i]);
        }
        std::free(tree);
    }
    return found;
}

// XCB_MAP_STATE_…, or -1 for a window that is gone.
int mapState(xcb_window_t window) {
    xcb_connection_t* c = xcbConnection();
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const int state = attributes ? attributes->map_state : -1;
    std::free(attributes);
    return state;
}

bool isBelow(xcb_window_t window, WId ancestor) {
    const auto windows = windowsBelow(ancestor);
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// The window mpv draws into: a child of a child of the video widget's own.
xcb_window_t engineWindowBelow(WId video) {
    for (const xcb_window_t child : windowsBelow(video)) {
        const auto grandchildren = windowsBelow(child);
        if (!grandchildren.empty()) {
            return grandchildren.front();
        }
    }
    return 0;
}

// Where a window is on the screen.
QRect screenRect(xcb_window_t window) {
    xcb_connection_t* c = xcbConnection();
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry) {
        return {};
    }
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, geometry->root, 0, 0), nullptr);
    QRect rect;
    if (origin) {
        rect = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    }
    std::free(origin);
    std::free(geometry);
    return rect;
}

// Whether the picture sits in the video widget, viewable and at the widget's place on the screen.
bool pictureInWidget(xcb_window_t picture, const QWidget& video) {
    const QRect place = screenRect(picture);
    return isBelow(picture, video.winId()) && mapState(picture) == XCB_MAP_STATE_VIEWABLE &&
           place == screenRect(video.winId()) && place.size() == video.size();
}

// A virtual display of our own with a window manager, as on a desktop, when both are installed:
// the window manager manages every top-level window we show and hide, and a video that leaves
// the main window might stay with it.
class VirtualDesktop {
public:
    // Before the application object: it connects to the display it finds in the environment.
    void start() {
        // The desktop suites' lock while a number is chosen and taken: they start displays too.
        const int startLock = open("/tmp/.rz4-display-start.lock", O_CREAT | O_WRONLY, 0644);
        flock(startLock, LOCK_EX);
        const int display = freeDisplay();
        if (display == 0 || QStandardPaths::findExecutable("Xvfb").isEmpty()) {
            // The tests skip; the application object still needs a platform.
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            close(startLock);
            return;
        }
        // The display is free, so a socket left there is a dead server's.
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        QFile::remove(socket);
        m_xvfb = std::make_unique<QProcess>();
        startChild(*m_xvfb, "Xvfb",
                   {QStringLiteral(":%1").arg(display), "-screen", "0", "1280x800x24", "-nolisten",
                    "tcp"});
        for (int i = 0; i < 100 && !QFileInfo::exists(socket); ++i) {
            std::this_thread::sleep_for(100ms);
        }
        close(startLock);
        setenv("DISPLAY", qPrintable(QStringLiteral(":%1").arg(display)), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        startWindowManager();
        QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    }

    // After the application object, which may still talk to the display until it goes.
    void stop() {
        // Terminated, not killed, so that the server removes its lock.
        for (QProcess* process : {m_windowManager.get(), m_xvfb.get()}) {
            if (process) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished();
                }
            }
        }
        m_windowManager.reset();
        m_xvfb.reset();
    }

    bool running() const { return m_xvfb != nullptr; }

private:
    void startWindowManager() {
        if (QStandardPaths::findExecutable("icewm").isEmpty()) {
            return;
        }
        m_windowManagerHome = std::make_unique<QTemporaryDir>();
        setenv("ICEWM_PRIVCFG", qPrintable(m_windowManagerHome->path()), 1);
        m_windowManager = std::make_unique<QProcess>();
        startChild(*m_windowManager, "icewm", {});
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        for (int i = 0; atom && i < 100; ++i) {
            xcb_get_property_reply_t* check = xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            const bool ready = check && xcb_get_property_value_length(check) > 0;
            std::free(check);
            if (ready) {
                break;
            }
            std::this_thread::sleep_for(100ms);
        }
        std::free(atom);
        xcb_disconnect(c);
    }

    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QTemporaryDir> m_windowManagerHome;
    std::unique_ptr<QProcess> m_windowManager;
};

VirtualDesktop desktop;

[[maybe_unused]] const bool setUp =
    rz4::testsupport::registerApplicationSetup([] { desktop.start(); }, {}, [] { desktop.stop(); });

} // namespace

class PlayerX11Test : public LiveChannelSuite {
protected:
    static void SetUpTestSuite() {
        if (desktop.running()) {
            LiveChannelSuite::SetUpTestSuite();
        }
    }
    void SetUp() override {
        if (!desktop.running()) {
            GTEST_SKIP() << "no Xvfb or no free display below 10";
        }
    }
};

TEST_F(PlayerX11Test, FullScreenMovesThePictureWithoutInterruptingIt) {
    QWidget window;
    window.resize(480, 360);
    // Made before its window is shown, as the main window does at start-up.
    Player player(&window);
    ASSERT_TRUE(engineRuns(player));
    player.videoWidget()->setGeometry(20, 20, 339, 240);
    StatusLog log(player);
    player.setURL(channels->url("ch1/index.m3u8"));
    window.show();
    ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
    ASSERT_TRUE(waitUntil([&] { return videoAlive(player); }, 5s));
    EXPECT_TRUE(advancing(player));

    QWidget* video = player.videoWidget();
    const WId nativeWindow = video->winId();
    const xcb_window_t picture = engineWindowBelow(nativeWindow);
    ASSERT_NE(picture, 0u);
    log.texts.clear();
    player.setFullScreen(true);
    EXPECT_TRUE(player.fullScreen());
    QWidget* full = fullScreenWindow(window);
    ASSERT_NE(full, nullptr);
    const QRect screen = full->screen()->geometry();
    // mpv follows the size of the window it is embedded in on its own.
    EXPECT_TRUE(waitUntil([&] { return screenRect(picture) == screen; }, 5s))
        << screenRect(picture).width() << "x" << screenRect(picture).height();
    EXPECT_TRUE(isBelow(picture, full->winId()));
    EXPECT_FALSE(isBelow(picture, window.winId()));
    EXPECT_EQ(video->parentWidget(), &window);
    EXPECT_EQ(video->winId(), nativeWindow);
    EXPECT_TRUE(advancing(player));
    EXPECT_TRUE(videoAlive(player));

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(full, &escape);
    EXPECT_FALSE(player.fullScreen());
    EXPECT_FALSE(full->isVisible());
    EXPECT_EQ(video->geometry(), QRect(20, 20, 339, 240));
    EXPECT_TRUE(waitUntil([&] { return pictureInWidget(picture, *video); }, 5s));
    EXPECT_TRUE(advancing(player));
    EXPECT_TRUE(videoAlive(player));
    EXPECT_EQ(engineWindowBelow(nativeWindow), picture) << "the same mpv window throughout";
    EXPECT_TRUE(log.texts.isEmpty()) << "no reconnection: " << log.joined().toStdString();
}

// The window manager used to take the video back out of the main window after full screen,
// now and then: it had managed the video as a window of its own and let go of it late.
TEST_F(PlayerX11Test, VideoReturnsIntoTheWindowEveryTimeFullScreenEnds) {
    QWidget window;
    window.resize(480, 360);
    Player player(&window);
    ASSERT_TRUE(engineRuns(player));
    QWidget* video = player.videoWidget();
    video->setGeometry(20, 20, 339, 240);
    StatusLog log(player);
    player.setURL(channels->url("ch1/index.m3u8"));
    window.show();
    ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
    // mpv may try one output and settle on another: its window is known once a picture shows.
    ASSERT_TRUE(waitUntil([&] { return videoAlive(player); }, 5s));
    const xcb_window_t picture = engineWindowBelow(video->winId());
    ASSERT_NE(picture, 0u);

    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendEvent(video, &doubleClick);
        ASSERT_TRUE(player.fullScreen()) << round;
        QWidget* full = fullScreenWindow(window);
        ASSERT_NE(full, nullptr);
        EXPECT_TRUE(waitUntil(
            [&] {
                return isBelow(picture, full->winId()) &&
                       mapState(picture) == XCB_MAP_STATE_VIEWABLE;
            },
            5s))
            << round;
        // Both ways out: a double click on the full-screen video, and the program's own call.
        if (round % 2 == 0) {
            QCoreApplication::sendEvent(full, &doubleClick);
        } else {
            player.setFullScreen(false);
        }
        ASSERT_FALSE(player.fullScreen()) << round;
        EXPECT_TRUE(waitUntil([&] { return pictureInWidget(picture, *video); }, 5s)) << round;
        // Give the window manager its turn before looking again.
        waitUntil([] { return false; }, 500ms);
        EXPECT_TRUE(isBelow(picture, window.winId())) << round;
        EXPECT_TRUE(pictureInWidget(picture, *video)) << round;
    }
    EXPECT_TRUE(advancing(player));
    EXPECT_TRUE(videoAlive(player));
}

TEST_F(PlayerX11Test, RecoversWhenItsNativeWindowIsRecreated) {
    auto window = std::make_unique<QWidget>();
    window->resize(480, 360);
    window->show();
    Player player(window.get());
    ASSERT_TRUE(engineRuns(player));
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
    ASSERT_TRUE(engineRuns(player));
    QWidget* video = player.videoWidget();
    video->setGeometry(20, 20, 339, 240);
    const WId nativeWindow = video->winId();
    player.setURL(channels->url("large.jpg"));

    // No event loop here: mpv makes its window on threads of its own, and the show must follow
    // at once, before the picture is decoded.
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    const auto unmappedPicture = [&] {
        const xcb_window_t picture = engineWindowBelow(nativeWindow);
        return picture != 0 && mapState(picture) == XCB_MAP_STATE_UNMAPPED;
    };
    while (!unmappedPicture() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(unmappedPicture()) << "mpv made no window";
    window.show();
    xcb_flush(xcbConnection());

    ASSERT_TRUE(waitUntil([&] { return player.status() == "正在播放" && videoAlive(player); }, 20s))
        << player.status().toStdString();
    EXPECT_TRUE(waitUntil(
        [&] { return mapState(engineWindowBelow(nativeWindow)) == XCB_MAP_STATE_VIEWABLE; }, 5s));
}

// The window mpv lives in, on its own: X takes no window of no size nor one beyond 16 bits, the
// window follows its parent, and one whose parent is already gone is let go of quietly.
TEST_F(PlayerX11Test, EmbedWindowKeepsItsParentAndASizeXTakes) {
    QWidget first;
    auto second = std::make_unique<QWidget>();
    for (QWidget* w : {&first, second.get()}) {
        w->resize(200, 100);
        w->show();
    }
    rz4::platform::X11EmbedWindow embed;
    const auto window = static_cast<xcb_window_t>(embed.create(first.winId(), QSize(0, -5)));
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(isBelow(window, first.winId()));
    EXPECT_TRUE(waitUntil([&] { return mapState(window) == XCB_MAP_STATE_VIEWABLE; }, 5s));
    EXPECT_EQ(screenRect(window).size(), QSize(1, 1));
    embed.resize(QSize(40000, 50));
    EXPECT_EQ(screenRect(window).size(), QSize(32767, 50));

    embed.moveInto(second->winId(), QSize(30, 20));
    EXPECT_TRUE(isBelow(window, second->winId()));
    EXPECT_FALSE(isBelow(window, first.winId()));
    EXPECT_EQ(screenRect(window).size(), QSize(30, 20));

    second.reset();
    embed.destroy();
    EXPECT_EQ(mapState(window), -1);
    EXPECT_EQ(mapState(static_cast<xcb_window_t>(first.winId())), XCB_MAP_STATE_VIEWABLE);
}
