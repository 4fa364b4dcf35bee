#include "platform/player.h"
#include "platform/time_shift_folder.h"
#include "tests/support/player_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using rz4::platform::Player;
using rz4::platform::PlayState;
using namespace rz4::testsupport;

namespace {

// Seconds of media in a file, as ffprobe reads it; 0 when it cannot.
double probedDuration(const QString& file) {
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
    probe.waitForFinished(30000);
    return probe.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

// A player in a window of its own, playing the suite's live channel.
class PlayerTimeShiftTest : public LiveChannelSuite {
protected:
    // Plays until the buffer holds more than `seconds`.
    void playWithBuffer(double seconds) {
        player.setURL(channels->url("ch1/index.m3u8"));
        player.startEngine();
        ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
        ASSERT_TRUE(waitUntil([&] { return player.timeShift().length > seconds; }, 20s));
    }

    QWidget window;
    Player player{&window};
    StatusLog log{player};
};

TEST_F(PlayerTimeShiftTest, HoldsResumesFromTheHeldMomentSeeksAndGoesLive) {
    ASSERT_NO_FATAL_FAILURE(playWithBuffer(0));
    EXPECT_TRUE(player.timeShift().live);

    // The buffer's file has no name in its folder, whatever becomes of the process.
    const QString folder = player.engineProperty("cache-dir");
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(waitUntil([&] { return player.held().diskBytes > 0; }, 5s));

    player.pause();
    ASSERT_TRUE(waitUntil([&] { return player.playState() == PlayState::Paused; }, 5s));
    EXPECT_EQ(player.status(), "已暂停");
    const double held = timePos(player);
    // The channel goes on arriving while the picture is held.
    EXPECT_TRUE(waitUntil([&] { return player.timeShift().behindSeconds >= 5; }, 20s));
    EXPECT_DOUBLE_EQ(timePos(player), held);

    player.play();
    ASSERT_TRUE(waitUntil([&] { return player.playState() == PlayState::Playing; }, 5s));
    EXPECT_GE(timePos(player), held);
    EXPECT_LT(timePos(player), held + 1.0) << "goes on from the held moment, not from live";
    EXPECT_FALSE(player.timeShift().live);
    EXPECT_GE(player.timeShift().behindSeconds, 4);

    player.seekBy(-1000);
    EXPECT_TRUE(waitUntil([&] { return player.timeShift().offset < 2; }, 10s))
        << "a seek before the buffer lands at its start";
    EXPECT_EQ(player.playState(), PlayState::Playing);
    player.seekBy(3);
    EXPECT_TRUE(waitUntil([&] { return player.timeShift().offset > 2.5; }, 10s));
    player.seekBy(1000);
    EXPECT_TRUE(player.timeShift().live) << "past the live edge is live";
    const double live = timePos(player);
    EXPECT_TRUE(waitUntil([&] { return timePos(player) > live + 1; }, 10s));

    // Back to live from a pause plays again.
    player.pause();
    ASSERT_TRUE(waitUntil([&] { return player.playState() == PlayState::Paused; }, 5s));
    player.goLive();
    EXPECT_TRUE(waitUntil([&] { return player.playState() == PlayState::Playing; }, 5s));
    EXPECT_TRUE(player.timeShift().live);
    EXPECT_EQ(player.engineProperty("pause"), "no");

    // A new channel starts a new buffer, at live.
    player.pause();
    player.setURL(channels->url("ch1/index.m3u8"));
    ASSERT_TRUE(log.reaches("正在播放", 20s)) << log.joined().toStdString();
    EXPECT_EQ(player.engineProperty("pause"), "no");
    EXPECT_TRUE(player.timeShift().live);
}

TEST_F(PlayerTimeShiftTest, RecordsFromTheBufferUntilTheChannelChanges) {
    QTemporaryDir videos;
    const QString folder = videos.filePath("节目");
    ASSERT_NO_FATAL_FAILURE(playWithBuffer(4));

    // A folder that cannot be made is told and changes nothing else.
    QFile blocker(videos.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    player.startRecording(videos.filePath("file/sub"), "一台", true);
    EXPECT_FALSE(player.recording().on);
    EXPECT_EQ(player.recording().problem, "无法录制：视频文件夹无法创建");
    EXPECT_EQ(player.playState(), PlayState::Playing);

    player.startRecording(folder, "新闻/一台", true);
    ASSERT_TRUE(player.recording().on);
    const QString file = player.recording().file;
    EXPECT_TRUE(file.startsWith(folder + "/新闻_一台_")) << file.toStdString();
    EXPECT_TRUE(file.endsWith(".ts")) << "the stream's own container";
    EXPECT_TRUE(waitUntil([&] { return player.recording().seconds >= 2; }, 10s));

    // Switching ends it; what it wrote plays, the buffer held before it was started included.
    player.setURL(channels->url("ch1/index.m3u8"));
    EXPECT_FALSE(player.recording().on);
    EXPECT_TRUE(player.recording().problem.isEmpty());
    ASSERT_TRUE(log.reaches("正在播放", 20s));
    EXPECT_GT(probedDuration(file), 5.0);
}

TEST(TimeShiftFolder, GivesBackTheStartOfTheOneBufferFileAndClearsFoldersOfProcessesGone) {
    QTemporaryDir parent;
    const QString prefix = parent.filePath(rz4::platform::TimeShiftFolder::prefix());
    ASSERT_TRUE(QDir().mkpath(prefix + "4194305-abc")); // beyond any process number
    ASSERT_TRUE(QDir().mkpath(prefix + QString::number(QCoreApplication::applicationPid()) + "-x"));
    EXPECT_EQ(rz4::platform::removeAbandonedFolders(parent.path()), 1);
    EXPECT_TRUE(QDir(prefix + QString::number(QCoreApplication::applicationPid()) + "-x").exists());

    // As the engine keeps it: open, and its name removed.
    const QByteArray path = parent.filePath("buffer").toUtf8();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::unlink(path.constData());
    const QByteArray block(1 << 20, 'x');
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(::write(fd, block.constData(), block.size()), block.size());
    }
    struct stat before {};
    ::fstat(fd, &before);
    if (!rz4::platform::releaseFileStart(parent.path(), 3 * (1 << 20) + 5)) {
        ::close(fd);
        GTEST_SKIP() << "this file system keeps every block";
    }
    struct stat after {};
    ::fstat(fd, &after);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_LE(after.st_blocks * 512, before.st_blocks * 512 - 3 * (1 << 20));
    char last = 0;
    EXPECT_EQ(::pread(fd, &last, 1, 4 * (1 << 20) - 1), 1);
    EXPECT_EQ(last, 'x') << "the part still held stays";
    ::close(fd);
    EXPECT_FALSE(rz4::platform::releaseFileStart(parent.path(), 1 << 20)) << "no file open";
}

TEST_F(PlayerTimeShiftTest, AFullDiskStopsTheRecordingAndNothingElse) {
    QTemporaryDir videos;
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=6m", "tmpfs", videos.path()}) != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    ASSERT_NO_FATAL_FAILURE(playWithBuffer(4));
    QFile filler(videos.filePath("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(1536 * 1024, 'x'));
    filler.close();
    player.startRecording(videos.path(), "一台", true);
    ASSERT_TRUE(player.recording().on) << player.recording().problem.toStdString();
    EXPECT_TRUE(waitUntil([&] { return !player.recording().on; }, 60s));
    EXPECT_FALSE(player.recording().problem.isEmpty());
    const double at = timePos(player);
    EXPECT_TRUE(waitUntil([&] { return timePos(player) > at + 1; }, 10s)) << "playback goes on";
    EXPECT_EQ(player.playState(), PlayState::Playing);
    EXPECT_GT(probedDuration(player.recording().file), 1.0);
    QProcess::execute("umount", {"-l", videos.path()});
}

TEST_F(PlayerTimeShiftTest, ABufferOnAFullDiskLeavesPlaybackAndPauseWorking) {
    QTemporaryDir tmp;
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", tmp.path()}) != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    // Put back whatever becomes of the test.
    struct Restore {
        QByteArray tmpdir = qgetenv("TMPDIR");
        QString mounted;
        ~Restore() {
            qputenv("TMPDIR", tmpdir);
            QProcess::execute("umount", {"-l", mounted});
        }
    } restore{.mounted = tmp.path()};
    qputenv("TMPDIR", tmp.path().toUtf8());
    ASSERT_NO_FATAL_FAILURE(playWithBuffer(0));
    const double at = timePos(player);
    EXPECT_TRUE(waitUntil([&] { return timePos(player) > at + 4; }, 20s));
    EXPECT_EQ(player.playState(), PlayState::Playing) << log.joined().toStdString();
    // What the disk would not take is held in memory, a little of it.
    EXPECT_TRUE(waitUntil(
        [&] { return player.engineProperty("demuxer-max-back-bytes") == "16777216"; }, 5s));
    player.pause();
    EXPECT_TRUE(waitUntil([&] { return player.playState() == PlayState::Paused; }, 5s));
    player.play();
    EXPECT_TRUE(waitUntil([&] { return player.playState() == PlayState::Playing; }, 5s));
}
