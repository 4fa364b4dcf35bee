#include "platform/stream_relay.h"
#include "tests/platform/test_http_server.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <functional>
#include <optional>

using rz4::platform::Failure;
using rz4::platform::StreamRelay;

namespace {

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

struct Fetched {
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// The relay tried as the engine uses it: plain HTTP requests to the addresses it hands out.
class RelayTest : public TestHttpServer {
protected:
    Fetched fetch(const QString& address) {
        QNetworkReply* reply = net.get(QNetworkRequest(QUrl(address)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        Fetched f{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                  reply->readAll(), reply->error()};
        reply->deleteLater();
        return f;
    }

    int hits(const char* path) {
        return fetch(url(QStringLiteral("/hits?path=") + QLatin1String(path)).toString())
            .body.toInt();
    }

    static bool eventually(const std::function<bool()>& done, int ms = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    }

    QString playlist() const { return url(QStringLiteral("/hls/index.m3u8")).toString(); }

    QNetworkAccessManager net;
    StreamRelay relay;
};

} // namespace

TEST_F(RelayTest, CarriesAPlaylistAndWhatItNamesAndAnswersTheSecondAskingItself) {
    const int before = hits("/hls/index.m3u8");
    const QString address = relay.open(playlist());
    ASSERT_TRUE(address.startsWith(QStringLiteral("http://127.0.0.1:")));
    const Fetched first = fetch(address);
    ASSERT_EQ(first.status, 200);
    const Fetched second = fetch(address);
    EXPECT_EQ(second.body, first.body);
    EXPECT_EQ(hits("/hls/index.m3u8"), before + 1);

    // Both segments, named relatively and by absolute path, come through the relay intact.
    QStringList segments;
    for (const QByteArray& line : first.body.split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#')) {
            segments.append(QString::fromUtf8(line));
        }
    }
    ASSERT_EQ(segments.size(), 2);
    for (int n = 1; n <= 2; ++n) {
        EXPECT_TRUE(segments[n - 1].startsWith(address.section(QLatin1Char('/'), 0, 2)));
        const Fetched segment = fetch(segments[n - 1]);
        EXPECT_EQ(segment.status, 200);
        EXPECT_EQ(segment.body, pattern(n * 1000)) << n;
    }
    EXPECT_GT(relay.traffic().played, 3000);

    // Other schemes go to the engine as they are.
    EXPECT_EQ(relay.open(QStringLiteral("rtsp://127.0.0.1/live")),
              QStringLiteral("rtsp://127.0.0.1/live"));
}

TEST_F(RelayTest, PassesOnWhatTheServerAnswersAndNamesWhatItCouldNotReach) {
    EXPECT_EQ(fetch(relay.open(url(QStringLiteral("/status/404")).toString())).status, 404);
    EXPECT_EQ(fetch(relay.open(url(QStringLiteral("/status/503")).toString())).status, 503);

    std::optional<Failure> failed;
    QObject::connect(&relay, &StreamRelay::upstreamFailed,
                     [&](const Failure& failure) { failed = failure; });
    const Fetched refused =
        fetch(relay.open(QStringLiteral("http://127.0.0.1:%1/x.m3u8").arg(closedPort())));
    EXPECT_EQ(refused.status, 0);
    EXPECT_NE(refused.error, QNetworkReply::NoError);
    ASSERT_TRUE(eventually([&] { return failed.has_value(); }));
    EXPECT_EQ(failed->kind, Failure::Refused);
}

TEST_F(RelayTest, CutsWhatTheChannelBeforeStillReadsWhenAnotherOpens) {
    const QString old = relay.open(url(QStringLiteral("/hang")).toString());
    QNetworkReply* hanging = net.get(QNetworkRequest(QUrl(old)));
    ASSERT_TRUE(eventually([&] { return hits("/hang") > 0; }));
    relay.open(playlist()); // the viewer chose another channel
    // Well before the server's silence would end it.
    ASSERT_TRUE(eventually([&] { return hanging->isFinished(); }, 5000));
    EXPECT_NE(hanging->error(), QNetworkReply::NoError);
    hanging->deleteLater();
    EXPECT_EQ(fetch(old).status, 410);
}

TEST_F(RelayTest, KeepsNeighboursFreshOnlyWhileAsked) {
    const int before = hits("/hls/index.m3u8");
    relay.prepare({playlist(), QStringLiteral("udp://@239.0.0.1:1234")});
    // The target duration is 2 s: fetched at once and again a second later.
    ASSERT_TRUE(eventually([&] { return hits("/hls/index.m3u8") >= before + 2; }));
    // Opening a neighbour costs no request of its own.
    const int held = hits("/hls/index.m3u8");
    EXPECT_EQ(fetch(relay.open(playlist())).status, 200);
    EXPECT_LE(hits("/hls/index.m3u8"), held + 1); // at most a refresh that fell due meanwhile
    EXPECT_GT(relay.traffic().prepared, 0);

    relay.prepare({});
    const int stopped = hits("/hls/index.m3u8");
    eventually([] { return false; }, 2500);
    EXPECT_LE(hits("/hls/index.m3u8"), stopped + 1);
}
