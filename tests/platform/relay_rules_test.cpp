#include "platform/relay_rules.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
namespace relay = rz4::platform::relay;

TEST(RelayRules, AddressesRoundTripAndOnlyHttpIsCarried) {
    for (const char* given : {"http://tv.example.com:8080/live/a.m3u8?token=x%20y&b=1",
                              "https://[::1]/a%E4%B8%AD/b.m3u8", "http://host/"}) {
        const QUrl upstream = QUrl::fromEncoded(given);
        const auto address = relay::relayAddress(upstream, 4321, 7);
        ASSERT_TRUE(address) << given;
        const QUrl relayed(*address);
        EXPECT_EQ(relayed.host(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(relayed.port(), 4321);
        const auto target =
            relay::targetOf(relayed.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
        ASSERT_TRUE(target) << address->toStdString();
        EXPECT_EQ(target->epoch, 7u);
        EXPECT_EQ(target->upstream.adjusted(QUrl::NormalizePathSegments),
                  upstream.adjusted(QUrl::NormalizePathSegments))
            << given;
    }
    for (const char* other : {"rtsp://host/live", "udp://@239.0.0.1:1234", "file:///etc/passwd",
                              "http://user:pw@host/a.m3u8", "http:///nohost"}) {
        EXPECT_FALSE(relay::relayAddress(QUrl(QString::fromLatin1(other)), 1, 1)) << other;
    }
    for (const char* bad :
         {"/", "/x/h/host/a", "/1/q/host/a", "/1/h//a", "/1/h/host", "a/1/h/h/"}) {
        EXPECT_FALSE(relay::targetOf(bad)) << bad;
    }
}

TEST(RelayRules, PlaylistAddressesPointAtTheRelayWhereverTheyPoint) {
    const QByteArray playlist = "\xEF\xBB\xBF#EXTM3U\r\n"
                                "#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\",IV=0x1\r\n"
                                "#EXT-X-MAP:URI=\"/init.mp4\"\r\n"
                                "#EXTINF:2,\r\n"
                                "seg1.ts\r\n"
                                "  /abs/seg2.ts  \r\n"
                                "https://cdn.example.com/seg3.ts?x=1\r\n"
                                "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://key\"\r\n"
                                "\r\n";
    ASSERT_TRUE(relay::isPlaylist(playlist));
    EXPECT_TRUE(relay::namesPlaylist(QUrl(QStringLiteral("http://h/live?id=1")),
                                     "Application/X-MPEGURL; charset=utf-8"));
    EXPECT_FALSE(relay::namesPlaylist(QUrl(QStringLiteral("http://h/a.ts")), "video/mp2t"));
    EXPECT_FALSE(relay::isPlaylist("\x47\x40\x11"));
    const QUrl base(QStringLiteral("http://tv.example.com:8080/live/a.m3u8"));
    const QByteArray out = relay::rewritePlaylist(playlist, base, 9000, 3);
    const QByteArray expected = "\xEF\xBB\xBF#EXTM3U\r\n"
                                "#EXT-X-KEY:METHOD=AES-128,URI=\"http://127.0.0.1:9000/3/h/"
                                "tv.example.com:8080/live/key.bin\",IV=0x1\r\n"
                                "#EXT-X-MAP:URI=\"http://127.0.0.1:9000/3/h/tv.example.com:8080/"
                                "init.mp4\"\r\n"
                                "#EXTINF:2,\r\n"
                                "http://127.0.0.1:9000/3/h/tv.example.com:8080/live/seg1.ts\r\n"
                                "  http://127.0.0.1:9000/3/h/tv.example.com:8080/abs/seg2.ts  \r\n"
                                "http://127.0.0.1:9000/3/s/cdn.example.com/seg3.ts?x=1\r\n"
                                "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://key\"\r\n"
                                "\r\n";
    EXPECT_EQ(out.toStdString(), expected.toStdString());
}

TEST(RelayRules, AHeldPlaylistAnswersOnlyWhileTheChannelOpensAndNoNewerSegmentCanExist) {
    EXPECT_EQ(relay::targetDuration("#EXTM3U\n#EXT-X-TARGETDURATION:6\n"), 6000ms);
    EXPECT_FALSE(relay::targetDuration("#EXTM3U\n#EXT-X-TARGETDURATION:x\n"));
    EXPECT_FALSE(relay::targetDuration("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n"));
    EXPECT_TRUE(relay::heldCopyAnswers(1900ms, 100ms, 2000ms));
    EXPECT_FALSE(relay::heldCopyAnswers(2000ms, 100ms, 2000ms));
    // The engine's own reloads, seconds after the switch, always reach the server.
    EXPECT_FALSE(relay::heldCopyAnswers(100ms, 3000ms, 6000ms));
    EXPECT_TRUE(relay::heldCopyAnswers(500ms, 0ms, std::nullopt));
    EXPECT_FALSE(relay::heldCopyAnswers(-1ms, 0ms, 2000ms));
}

TEST(RelayRules, ARequestHeadIsReadAndOnlyEndToEndHeadersGoOn) {
    const auto head = relay::parseRequestHead("GET /3/h/tv:80/a.m3u8 HTTP/1.1\r\n"
                                              "Host: 127.0.0.1:9000\r\n"
                                              "Range:  bytes=0-  \r\n"
                                              "no colon here\r\n"
                                              ": empty name\r\n\r\n");
    EXPECT_EQ(head.method, "GET");
    EXPECT_EQ(head.path, "/3/h/tv:80/a.m3u8");
    ASSERT_EQ(head.headers.size(), 2);
    EXPECT_EQ(head.headers[1], (QPair<QByteArray, QByteArray>{"Range", "bytes=0-"}));
    EXPECT_TRUE(relay::parseRequestHead("").method.isEmpty());
    for (const char* name : {"Host", "CONNECTION", "Accept-Encoding", "Proxy-Authorization"}) {
        EXPECT_FALSE(relay::forwardsHeader(name)) << name;
    }
    EXPECT_TRUE(relay::forwardsHeader("Range"));
    EXPECT_TRUE(relay::forwardsHeader("User-Agent"));
}
