#include "platform/playback.h"
#include "platform/time_shift.h"

#include <gtest/gtest.h>

using rz4::platform::HeldStream;
using rz4::platform::PlaybackState;
using rz4::platform::TimeShift;

namespace {

HeldStream held(double start, double end, double position) {
    return {.held = true, .start = start, .end = end, .position = position, .diskBytes = 0};
}

} // namespace

TEST(TimeShift, CountsTheDelayFromLiveNotTheLagOfPlayingLive) {
    TimeShift t;
    EXPECT_FALSE(t.view().available);
    EXPECT_FALSE(t.seekBy(-10)) << "nothing held, nowhere to go";

    t.held(held(0, 20, 18)); // live, two seconds of lag
    EXPECT_TRUE(t.view().live);
    EXPECT_EQ(t.view().behindSeconds, 0);
    t.leaveLive(); // paused at 18
    t.held(held(0, 65, 18));
    EXPECT_FALSE(t.view().live);
    EXPECT_EQ(t.view().behindSeconds, 45);
    EXPECT_DOUBLE_EQ(t.view().offset, 18);
    EXPECT_DOUBLE_EQ(t.view().length, 65);
    // Just left live: behind by at least a second, never "−00:00".
    t.held(held(0, 65, 63));
    EXPECT_EQ(t.view().behindSeconds, 1);
}

TEST(TimeShift, SeeksLandInsideWhatIsHeldAndPastTheEdgeGoLive) {
    TimeShift t;
    t.held(held(100, 200, 198));
    t.leaveLive();
    t.held(held(100, 300, 150));
    EXPECT_DOUBLE_EQ(*t.seekBy(-10), 140);
    EXPECT_DOUBLE_EQ(*t.seekBy(-1000), 100.5) << "before the start lands at the start";
    EXPECT_DOUBLE_EQ(*t.seekBy(60), 210);
    EXPECT_FALSE(t.seekBy(200)) << "past live is live";
    EXPECT_FALSE(t.seekBy(146)) << "within the margin of live is live";
    EXPECT_DOUBLE_EQ(*t.seekTo(30), 130);
    EXPECT_FALSE(t.seekTo(1e9));
    EXPECT_DOUBLE_EQ(*t.liveTarget(), 298);

    // Held longer than half an hour: the oldest part is out of reach.
    t.held(held(0, 4000, 3000));
    EXPECT_DOUBLE_EQ(*t.seekBy(-3000), 4000 - TimeShift::MaxSeconds + 0.5);
    EXPECT_DOUBLE_EQ(t.view().length, TimeShift::MaxSeconds);

    t.reset();
    EXPECT_FALSE(t.liveTarget());
    EXPECT_TRUE(t.view().live);
}

TEST(TimeShift, TextsAndRecordingNames) {
    using namespace rz4::platform;
    EXPECT_EQ(behindText(45), "时移 −00:45");
    EXPECT_EQ(behindText(3725), "时移 −1:02:05");
    EXPECT_EQ(clockText(-3), "00:00");

    EXPECT_EQ(recordingSuffix("hls"), "ts");
    EXPECT_EQ(recordingSuffix("mpegts"), "ts");
    EXPECT_EQ(recordingSuffix("flv"), "flv");
    EXPECT_EQ(recordingSuffix("matroska,webm"), "mkv");
    EXPECT_EQ(recordingSuffix("mov,mp4,m4a,3gp,3g2,mj2"), "mkv");

    EXPECT_EQ(recordingFileName("新闻频道", "20261208-051500", "ts"),
              "新闻频道_20261208-051500.ts");
    // A name from the server never leaves the folder nor hides the file.
    EXPECT_EQ(recordingFileName("../../etc/x", "t", "ts"), "_.._etc_x_t.ts");
    EXPECT_EQ(recordingFileName("..", "t", "ts"), "频道_t.ts");
    EXPECT_EQ(recordingFileName(QString("a\nb:c") + QChar(0), "t", "ts"), "a_b_c__t.ts");
    EXPECT_EQ(recordingFileName(QString(300, 'x'), "t", "ts").size(), 80 + 5);
}

TEST(TimeShift, APauseThatCannotHoldStopsAndSaysWhy) {
    PlaybackState s;
    s.open("http://127.0.0.1:8080/ch1/index.m3u8");
    s.fileStarted();
    s.framesShown();
    EXPECT_TRUE(s.stopUnpausable().stop);
    EXPECT_EQ(s.text(), "已停止：此频道不能暂停");
    EXPECT_TRUE(s.play().load) << "play starts it again at live";
    EXPECT_EQ(s.text(), "正在连接…");
    s.stop();
    EXPECT_EQ(s.text(), "已停止");
}

TEST(TimeShift, ReachesBackAGibibyteAtMostAndReleasesWhatNothingReadsAgain) {
    TimeShift t;
    constexpr long long MiB = 1 << 20;
    // 20 MiB a second: the last gibibyte is about 51 s, less than half an hour.
    for (int s = 1; s <= 100; ++s) {
        t.held({.held = true,
                .start = 0,
                .end = double(s),
                .position = s - 1.0,
                .diskBytes = s * 20 * MiB});
    }
    EXPECT_NEAR(t.oldest(), 100 - 1024 / 20.0, 1.0);
    EXPECT_NEAR(*t.seekBy(-1000), t.oldest() + 0.5, 1e-9);
    // What lies a margin before the oldest reachable moment is no longer read.
    const long long releasable = t.releasableBytes();
    EXPECT_GT(releasable, 0);
    EXPECT_LE(releasable,
              static_cast<long long>((t.oldest() - TimeShift::ReleaseMargin) * 20) * MiB);

    // Paused early on: the moment on screen keeps everything after it.
    TimeShift paused;
    for (int s = 1; s <= 100; ++s) {
        paused.held(
            {.held = true, .start = 0, .end = double(s), .position = 10, .diskBytes = s * MiB});
    }
    EXPECT_EQ(paused.releasableBytes(), 0);
    EXPECT_DOUBLE_EQ(paused.oldest(), 0);
}
