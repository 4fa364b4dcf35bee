#include "platform/playback.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using rz4::platform::EndReason;
using rz4::platform::Failure;
using rz4::platform::failureFromLog;
using rz4::platform::PlaybackState;
using rz4::platform::PlayState;
using Phase = PlaybackState::Phase;

namespace {

const QString channel = QStringLiteral("http://127.0.0.1:8080/ch1/index.m3u8");

// Opens the channel and lets the engine show its first picture.
PlaybackState playing() {
    PlaybackState s;
    s.open(channel);
    s.fileStarted();
    s.framesShown();
    return s;
}

} // namespace

TEST(PlaybackState, StatusTextsFollowOneChannelThroughItsLife) {
    PlaybackState s;
    EXPECT_EQ(s.text(), "就绪");
    EXPECT_EQ(s.playState(), PlayState::Ready);

    const auto step = s.open(channel);
    EXPECT_TRUE(step.load);
    EXPECT_EQ(s.text(), "正在连接…");
    EXPECT_EQ(s.playState(), PlayState::Transitioning);
    EXPECT_TRUE(s.connecting());

    s.fileStarted();
    s.cachePercent(37);
    s.cacheFilling(true);
    EXPECT_EQ(s.text(), "正在缓冲：37%");
    EXPECT_EQ(s.playState(), PlayState::Buffering);
    s.cacheFilling(false);
    EXPECT_EQ(s.text(), "正在连接…") << "no picture yet";

    s.framesShown();
    EXPECT_EQ(s.text(), "正在播放");
    EXPECT_EQ(s.playState(), PlayState::Playing);
    EXPECT_FALSE(s.connecting());

    s.paused(true);
    EXPECT_EQ(s.text(), "已暂停");
    EXPECT_EQ(s.playState(), PlayState::Paused);
    EXPECT_TRUE(s.play().resume);
    s.paused(false);
    EXPECT_EQ(s.text(), "正在播放");
    EXPECT_FALSE(s.play().load) << "play while playing does nothing";

    EXPECT_TRUE(s.stop().stop);
    EXPECT_EQ(s.text(), "已停止");
    EXPECT_EQ(s.playState(), PlayState::Stopped);
    // The stopped file's own end and late events change nothing.
    EXPECT_FALSE(s.ended(EndReason::Stopped, {}).load);
    s.framesShown();
    EXPECT_EQ(s.text(), "已停止");

    const auto again = s.play();
    EXPECT_TRUE(again.load);
    EXPECT_EQ(s.url(), channel);
    EXPECT_EQ(s.text(), "正在连接…");
}

TEST(PlaybackState, PlayAndStopWithoutAddressDoNothing) {
    PlaybackState s;
    EXPECT_FALSE(s.play().load);
    EXPECT_FALSE(s.stop().stop);
    EXPECT_EQ(s.text(), "就绪");
}

TEST(PlaybackState, OnlyNetworkStreamsAreOpened) {
    for (const char* address : {"file:///etc/passwd", "/home/user/a.ts", "av://lavfi:testsrc2",
                                "lavfi://sine", "edl://a;b", "memory://x"}) {
        PlaybackState s = playing();
        const auto step = s.open(QString::fromUtf8(address));
        EXPECT_FALSE(step.load) << address;
        EXPECT_TRUE(step.stop) << "the previous channel must not go on under a failure text";
        EXPECT_EQ(s.text(), "无法播放：不是网络流地址") << address;
        EXPECT_FALSE(s.play().load) << "play must not open it either: " << address;
    }
    PlaybackState s = playing();
    EXPECT_TRUE(s.open({}).stop);
    EXPECT_EQ(s.text(), "就绪");
}

TEST(PlaybackState, EventsOfTheReplacedChannelAreIgnored) {
    PlaybackState s = playing();
    s.open(QStringLiteral("http://127.0.0.1:8080/ch2/index.m3u8"));
    // The old channel's last words arrive before the new one starts.
    s.framesShown();
    EXPECT_EQ(s.text(), "正在连接…");
    EXPECT_FALSE(s.ended(EndReason::Error, {Failure::NotFound, 404}).retryIn);
    EXPECT_EQ(s.text(), "正在连接…");
    s.fileStarted();
    s.framesShown();
    EXPECT_EQ(s.text(), "正在播放");
}

TEST(PlaybackState, ADroppedLiveChannelIsRetriedForeverWithBackoff) {
    PlaybackState s = playing();
    const std::chrono::milliseconds expected[] = {1s, 2s, 4s, 8s, 16s, 30s, 30s, 30s};
    int attempt = 0;
    for (auto delay : expected) {
        ++attempt;
        // Even a lasting-looking failure: the encoder restarting can make the list vanish briefly.
        const auto step = attempt == 1 ? s.ended(EndReason::Eof, {})
                                       : s.ended(EndReason::Error, {Failure::NotFound, 404});
        ASSERT_TRUE(step.retryIn) << attempt;
        EXPECT_EQ(*step.retryIn, delay) << attempt;
        EXPECT_EQ(s.text(), QStringLiteral("正在重新连接…（第%1次）").arg(attempt));
        EXPECT_EQ(s.playState(), PlayState::Reconnecting);
        EXPECT_TRUE(s.retryDue().load);
        EXPECT_EQ(s.text(), QStringLiteral("正在重新连接…（第%1次）").arg(attempt));
        s.fileStarted();
    }
    s.framesShown();
    EXPECT_EQ(s.text(), "正在播放");
    const auto drop = s.ended(EndReason::Eof, {});
    ASSERT_TRUE(drop.retryIn);
    EXPECT_EQ(*drop.retryIn, 1s) << "counted again from the start";
}

TEST(PlaybackState, StallsAndSilentReconnectsAreRetried) {
    PlaybackState s = playing();
    s.cacheFilling(true);
    const auto step = s.stalled();
    EXPECT_TRUE(step.stop);
    ASSERT_TRUE(step.retryIn);
    EXPECT_TRUE(s.retryDue().load);
    s.fileStarted();
    EXPECT_FALSE(s.stalled().retryIn) << "no picture since the load: the connect watchdog's job";
    const auto timeout = s.connectTimedOut();
    EXPECT_TRUE(timeout.stop);
    ASSERT_TRUE(timeout.retryIn) << "a channel that played keeps being retried";
    EXPECT_EQ(s.text(), "正在重新连接…（第2次）");
}

TEST(PlaybackState, StopOrANewChannelCancelsTheReconnection) {
    PlaybackState s = playing();
    s.ended(EndReason::Eof, {});
    s.stop();
    EXPECT_FALSE(s.retryDue().load);
    EXPECT_EQ(s.text(), "已停止");

    s = playing();
    s.ended(EndReason::Eof, {});
    s.open(QStringLiteral("http://127.0.0.1:8080/ch2/index.m3u8"));
    EXPECT_FALSE(s.retryDue().load);
    EXPECT_EQ(s.text(), "正在连接…");
}

TEST(PlaybackState, ANewChannelThatFailsIsGivenUpWithItsReason) {
    struct Case {
        Failure failure;
        EndReason reason;
        int tries;
        const char* text;
    };
    const Case cases[] = {
        {{Failure::Refused}, EndReason::Error, 3, "无法播放：服务器拒绝连接"},
        {{Failure::HttpError, 503}, EndReason::Error, 3, "无法播放：服务器出错（HTTP 503）"},
        {{}, EndReason::Error, 3, "无法播放：连接失败"},
        {{Failure::NotFound, 404}, EndReason::Error, 1, "无法播放：频道不存在（HTTP 404）"},
        {{Failure::NotPlayable}, EndReason::Error, 1, "无法播放：不是可播放的流"},
        {{Failure::HostNotFound}, EndReason::Error, 1, "无法播放：找不到服务器"},
        {{}, EndReason::Eof, 1, "无法播放：不是可播放的流"},
    };
    for (const auto& c : cases) {
        PlaybackState s;
        s.open(channel);
        for (int tryNo = 1; tryNo <= c.tries; ++tryNo) {
            s.fileStarted();
            const auto step = s.ended(c.reason, c.failure);
            if (tryNo < c.tries) {
                ASSERT_TRUE(step.retryIn) << c.text;
                EXPECT_EQ(s.text(), QStringLiteral("正在重新连接…（第%1次）").arg(tryNo));
                ASSERT_TRUE(s.retryDue().load);
            } else {
                EXPECT_FALSE(step.retryIn) << c.text;
            }
        }
        EXPECT_EQ(s.text(), QString::fromUtf8(c.text));
        EXPECT_EQ(s.playState(), PlayState::Stopped);
        EXPECT_TRUE(s.play().load) << "play tries the failed channel again";
    }

    PlaybackState s;
    s.open(channel);
    const auto step = s.connectTimedOut();
    EXPECT_TRUE(step.stop);
    EXPECT_FALSE(step.retryIn) << "a silent server already took the whole wait";
    EXPECT_EQ(s.text(), "无法播放：服务器响应超时");

    // Segments that all answer 404 never end the playlist: the log names the cause.
    s.open(channel);
    s.connectTimedOut({Failure::NotFound, 404});
    EXPECT_EQ(s.text(), "无法播放：频道不存在（HTTP 404）");
}

TEST(PlaybackState, AStillPictureIsShownQuietlyAndNeverRetried) {
    const QString logo = QStringLiteral("http://127.0.0.1:8080/zhibo/RZ4/soft/Ostrel.jpg");
    for (const auto failure : {Failure{Failure::Refused}, Failure{Failure::HttpError, 500}}) {
        PlaybackState s;
        EXPECT_TRUE(s.openStill(logo).load);
        s.fileStarted();
        const auto step = s.ended(EndReason::Error, failure);
        EXPECT_FALSE(step.retryIn);
        EXPECT_EQ(s.text(), "就绪");
        EXPECT_FALSE(s.retryDue().load);
    }
    PlaybackState s;
    s.openStill(logo);
    EXPECT_FALSE(s.connectTimedOut().retryIn);
    EXPECT_EQ(s.text(), "就绪");

    s.openStill(logo);
    s.fileStarted();
    s.framesShown();
    EXPECT_EQ(s.text(), "就绪");
    EXPECT_FALSE(s.ended(EndReason::Eof, {}).retryIn) << "a picture that goes is not a drop";
    s.openStill(logo);
    s.stop();
    EXPECT_TRUE(s.play().load);
    EXPECT_TRUE(s.still()) << "play shows the stopped picture again, as a picture";
    EXPECT_EQ(s.text(), "就绪");
    // A channel chosen afterwards is live again.
    s = playing();
    EXPECT_TRUE(s.ended(EndReason::Eof, {}).retryIn);
}

TEST(PlaybackState, ARestartedEngineOpensTheChannelAgain) {
    PlaybackState s = playing();
    EXPECT_TRUE(s.engineRestarted().load);
    EXPECT_EQ(s.text(), "正在重新连接…（第1次）");
    s.stop();
    EXPECT_FALSE(s.engineRestarted().load);
}

TEST(PlaybackFailure, ReadsTheReasonFromTheEngineLog) {
    EXPECT_EQ(failureFromLog("http: HTTP error 404 File not found"),
              (Failure{Failure::NotFound, 404}));
    EXPECT_EQ(failureFromLog("HTTP error 503 Service Unavailable"),
              (Failure{Failure::HttpError, 503}));
    EXPECT_EQ(failureFromLog("tcp: Connection to tcp://127.0.0.1:18799 failed: Connection refused"),
              (Failure{Failure::Refused}));
    EXPECT_EQ(failureFromLog("tcp: Failed to resolve hostname nowhere.invalid: Name or service "
                             "not known"),
              (Failure{Failure::HostNotFound}));
    EXPECT_EQ(failureFromLog("tcp: Connection to tcp://10.0.0.1:80 failed: Connection timed out"),
              (Failure{Failure::Timeout}));
    EXPECT_EQ(failureFromLog("rtsp: method DESCRIBE failed: 404 Not Found"),
              (Failure{Failure::NotFound, 404}));
    EXPECT_EQ(failureFromLog("srt: Connection to srt://127.0.0.1:9 failed: Input/output error"),
              (Failure{Failure::Timeout}));
    for (const char* noise : {"Failed to open http://127.0.0.1/x.m3u8.", "HTTP error ",
                              "HTTP error 99999999999", "Opening failed or was aborted", ""}) {
        EXPECT_EQ(failureFromLog(noise), Failure{}) << noise;
    }
}

TEST(PlaybackFailure, TheLogNamesTheCauseBeforeAnUnknownFormat) {
    // A refused RTSP port ends as a format nobody recognised.
    EXPECT_EQ(rz4::platform::openFailure({Failure::Refused}, true), Failure{Failure::Refused});
    EXPECT_EQ(rz4::platform::openFailure({}, true), Failure{Failure::NotPlayable});
    EXPECT_EQ(rz4::platform::openFailure({}, false), Failure{});
}
