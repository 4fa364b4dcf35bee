#include "platform/player.h"
#include "tests/support/player_fixture.h"
#include "tests/support/qt_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QTcpServer>
#include <QWidget>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

using namespace std::chrono_literals;
using rz4::platform::Player;
using rz4::platform::PlayState;
using namespace rz4::testsupport;

namespace {

// The locale a user of this program runs under; mpv will not start under it unless we cope.
const char* userLocale = nullptr;

[[maybe_unused]] const bool setUp = rz4::testsupport::registerApplicationSetup([] {
    for (const char* name : {"zh_CN.UTF-8", "zh_CN.utf8", "de_DE.UTF-8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_ALL, name)) {
            userLocale = name;
            setenv("LC_ALL", name, 1);
            break;
        }
    }
});

} // namespace

using PlayerTest = LiveChannelSuite;

TEST_F(PlayerTest, PlaysALiveChannelAndFollowsTheControls) {
    QWidget window;
    Player player(&window);
    StatusLog log(player);
    EXPECT_EQ(player.status(), "就绪");
    EXPECT_EQ(player.videoWidget()->parentWidget(), &window);

    // What it is told before its engine runs is what the engine starts with; a channel asked
    // for starts the engine itself.
    const QString url = channels->url("ch1/index.m3u8");
    player.setVolume(40);
    player.setURL(url);
    EXPECT_EQ(player.URL(), url);
    ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
    EXPECT_EQ(player.engineProperty("volume").toDouble(), 40.0);
    EXPECT_EQ(player.engineProperty("mute"), "no");
    EXPECT_EQ(log.texts.front(), "正在连接…");
    EXPECT_EQ(player.playState(), PlayState::Playing);
    for (qsizetype i = 1; i < log.texts.size(); ++i) {
        EXPECT_NE(log.texts[i], log.texts[i - 1]) << "one notification per change";
    }
    const double start = timePos(player);
    EXPECT_TRUE(waitUntil([&] { return timePos(player) > start + 1.0; }, 10s));

    player.setVolume(30);
    player.setMute(true);
    EXPECT_TRUE(waitUntil([&] { return player.engineProperty("volume").toDouble() == 30.0; }, 2s));
    EXPECT_TRUE(waitUntil([&] { return player.engineProperty("mute") == "yes"; }, 2s));
    player.setVolume(150);
    EXPECT_EQ(player.volume(), 100);
    EXPECT_TRUE(player.mute());

    // Full screen moves the video, not the stream: no status change, time goes on.
    log.texts.clear();
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(player.videoWidget(), &doubleClick);
    EXPECT_TRUE(player.fullScreen());
    QWidget* full = fullScreenWindow(window);
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(full->isWindow());
    const double before = timePos(player);
    EXPECT_TRUE(waitUntil([&] { return timePos(player) > before + 1.0; }, 10s));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(full, &escape);
    EXPECT_FALSE(player.fullScreen());
    EXPECT_EQ(fullScreenWindow(window), nullptr);
    EXPECT_EQ(player.videoWidget()->parentWidget(), &window);
    player.setFullScreen(true);
    EXPECT_EQ(fullScreenWindow(window), full) << "one full-screen window, shown again";
    QCoreApplication::sendEvent(full, &doubleClick);
    EXPECT_FALSE(player.fullScreen());
    EXPECT_FALSE(full->isVisible());
    EXPECT_TRUE(log.texts.isEmpty()) << log.joined().toStdString();

    player.stop();
    EXPECT_EQ(player.status(), "已停止");
    EXPECT_EQ(player.playState(), PlayState::Stopped);
    EXPECT_TRUE(waitUntil([&] { return player.engineProperty("idle-active") == "yes"; }, 5s));
    QCoreApplication::sendEvent(player.videoWidget(), &doubleClick);
    EXPECT_FALSE(player.fullScreen()) << "full screen only while playing";

    player.play();
    EXPECT_EQ(player.status(), "正在连接…");
    EXPECT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
}

TEST_F(PlayerTest, TellsWhyAChannelCannotBePlayed) {
    QTcpServer silent; // accepts connections (the kernel does) and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const quint16 refusedPort = rz4::testsupport::freePort();
    QFile junk(channels->dir() + "/junk.txt");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    // A live playlist whose segments are all gone.
    ASSERT_TRUE(QDir(channels->dir()).mkpath("gone"));
    QFile gone(channels->dir() + "/gone/index.m3u8");
    ASSERT_TRUE(gone.open(QIODevice::WriteOnly));
    gone.write("#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:7\n"
               "#EXTINF:2.0,\nseg7.ts\n#EXTINF:2.0,\nseg8.ts\n");
    gone.close();

    struct Case {
        QString url;
        const char* text;
        std::chrono::seconds bound;
    };
    const Case cases[] = {
        {channels->url("nothing/index.m3u8"), "无法播放：频道不存在（HTTP 404）", 10s},
        {channels->url("junk.txt"), "无法播放：不是可播放的流", 10s},
        {QStringLiteral("http://127.0.0.1:%1/x.m3u8").arg(refusedPort), "无法播放：服务器拒绝连接",
         15s},
        {QStringLiteral("http://127.0.0.1:%1/x.m3u8").arg(silent.serverPort()),
         "无法播放：服务器响应超时", 15s},
        {QStringLiteral("rtsp://127.0.0.1:%1/live").arg(refusedPort), "无法播放：服务器拒绝连接",
         15s},
        {channels->url("gone/index.m3u8"), "无法播放：频道不存在（HTTP 404）", 15s},
    };
    Player player;
    ASSERT_TRUE(engineRuns(player));
    StatusLog log(player);
    for (const auto& c : cases) {
        player.setURL(c.url);
        EXPECT_TRUE(log.reaches(QString::fromUtf8(c.text), c.bound))
            << c.text << " got " << log.joined().toStdString();
        EXPECT_EQ(player.playState(), PlayState::Stopped);
    }

    // Addresses that are not network streams are refused before anything is opened.
    player.setURL(channels->url("ch1/index.m3u8"));
    ASSERT_TRUE(log.reaches("正在播放", 20s));
    for (const QString& local :
         {QStringLiteral("file://") + channels->dir() + "/ch1/index.m3u8",
          QStringLiteral("av://lavfi:testsrc2"), channels->dir() + "/ch1/index.m3u8"}) {
        player.setURL(local);
        EXPECT_EQ(player.status(), "无法播放：不是网络流地址");
        EXPECT_TRUE(waitUntil([&] { return player.engineProperty("idle-active") == "yes"; }, 5s));
        player.play();
        EXPECT_TRUE(waitUntil([&] { return player.engineProperty("idle-active") == "yes"; }, 1s));
        const QString path = player.engineProperty("path");
        EXPECT_TRUE(path.isEmpty() || path.startsWith("http://")) << path.toStdString();
    }
}

TEST_F(PlayerTest, ShowsTheLogoAsAStillPictureAndSaysNothingWhenItIsMissing) {
    QProcess encoder;
    startChild(encoder, "ffmpeg",
               {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=160x120",
                "-frames:v", "1", channels->dir() + "/Ostrel.jpg"});
    ASSERT_TRUE(encoder.waitForFinished());
    Player player;
    ASSERT_TRUE(engineRuns(player));
    StatusLog log(player);
    player.showStill(channels->url("Ostrel.jpg"));
    EXPECT_TRUE(
        waitUntil([&] { return player.engineProperty("path").endsWith("Ostrel.jpg"); }, 5s));
    waitUntil([] { return false; }, 3s);
    EXPECT_EQ(player.engineProperty("idle-active"), "no") << "the picture stays";

    player.showStill(channels->url("missing.jpg"));
    EXPECT_TRUE(waitUntil([&] { return player.engineProperty("idle-active") == "yes"; }, 5s));
    waitUntil([] { return false; }, 3s);
    EXPECT_EQ(player.engineProperty("idle-active"), "yes") << "nothing is retried";
    EXPECT_TRUE(log.texts.isEmpty()) << log.joined().toStdString();
    EXPECT_EQ(player.status(), "就绪");
}

TEST_F(PlayerTest, ReconnectsWhenTheChannelComesBack) {
    ASSERT_TRUE(channels->startChannel("ch2"));
    Player player;
    ASSERT_TRUE(engineRuns(player));
    StatusLog log(player);
    player.setURL(channels->url("ch2/index.m3u8"));
    ASSERT_TRUE(log.reaches("正在播放", 20s));

    channels->killChannel("ch2");
    EXPECT_TRUE(waitUntil([&] { return log.sawStarting("正在重新连接…（第1次）"); }, 40s))
        << log.joined().toStdString();
    ASSERT_TRUE(channels->startChannel("ch2"));
    log.texts.clear();
    EXPECT_TRUE(log.reaches("正在播放", 60s)) << log.joined().toStdString();
    EXPECT_EQ(player.URL(), channels->url("ch2/index.m3u8"));
}

TEST_F(PlayerTest, StartsUnderTheUsersOwnLocale) {
    if (!userLocale) {
        GTEST_SKIP() << "no locale besides C is installed";
    }
    std::setlocale(LC_ALL, userLocale);
    Player player;
    ASSERT_TRUE(engineRuns(player));
    StatusLog log(player);
    player.setURL(channels->url("ch1/index.m3u8"));
    EXPECT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
}
