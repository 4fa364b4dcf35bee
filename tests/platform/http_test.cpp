#include "platform/http.h"
#include "tests/platform/test_http_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <memory>
#include <optional>
#include <thread>

#include <sys/resource.h>

using namespace std::chrono_literals;
using rz4::platform::HttpClient;

namespace {

const QString kText = QStringLiteral("3.0.0|2026-12-07|今日节目：新闻联播");

// The test server's body pattern: byte i is i mod 251.
QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class HttpTest : public TestHttpServer {
protected:
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files); }
    QString target() const { return dir.filePath(QStringLiteral("baby1.mdb")); }

    QTemporaryDir dir;
    HttpClient http;
};

TEST_F(HttpTest, TextIsDecodedByTheAnnouncedCharset) {
    for (const char* charset : {"utf-8", "gbk", "gb2312", "gb18030", "quoted"}) {
        const auto reply = http.getText(url(QStringLiteral("/text/") + QLatin1String(charset)));
        EXPECT_TRUE(reply.ok()) << charset << " " << reply.error.toStdString();
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.text, kText) << charset;
        EXPECT_TRUE(reply.error.isEmpty());
    }
}

TEST_F(HttpTest, TextWithoutCharsetIsLatin1) {
    const auto reply = http.getText(url(QStringLiteral("/text/none")));
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply.text, QStringLiteral("caf\u00e9 \u00b0\u00a1"));
}

TEST_F(HttpTest, ARequestSentEarlyIsReadLater) {
    auto pending = http.startText(url(QStringLiteral("/text/utf-8")));
    // The caller busy elsewhere, no event loop running: the reply still arrives.
    std::this_thread::sleep_for(200ms);
    const auto reply = pending->wait();
    EXPECT_TRUE(reply.ok()) << reply.error.toStdString();
    EXPECT_EQ(reply.text, kText);
}

TEST_F(HttpTest, RedirectIsFollowed) {
    const auto reply = http.getText(url(QStringLiteral("/redirect")));
    EXPECT_TRUE(reply.ok());
    EXPECT_EQ(reply.text, kText);
}

TEST_F(HttpTest, ErrorStatusCarriesNoText) {
    for (int status : {404, 500}) {
        const auto reply = http.getText(url(QStringLiteral("/status/%1").arg(status)));
        EXPECT_TRUE(reply.completed);
        EXPECT_FALSE(reply.ok());
        EXPECT_EQ(reply.status, status);
        EXPECT_TRUE(reply.text.isEmpty()) << reply.text.toStdString();
        EXPECT_TRUE(reply.error.contains(QString::number(status))) << reply.error.toStdString();
    }
}

TEST_F(HttpTest, NoReplyIsAnErrorNotAText) {
    const auto refused =
        http.getText(QUrl(QStringLiteral("http://127.0.0.1:%1/v").arg(closedPort())));
    EXPECT_FALSE(refused.completed);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, QStringLiteral("服务器拒绝连接"));

    const auto local = http.getText(QUrl(QStringLiteral("file:///etc/hostname")));
    EXPECT_FALSE(local.completed);
    EXPECT_TRUE(local.text.isEmpty());
    EXPECT_FALSE(local.error.isEmpty());
}

TEST_F(HttpTest, SilentServerTimesOutWhileEventsKeepRunning) {
    bool timerRan = false;
    QTimer::singleShot(20ms, [&] { timerRan = true; });
    const auto reply = http.getText(url(QStringLiteral("/hang")), {.answer = 400ms});
    EXPECT_TRUE(timerRan);
    EXPECT_FALSE(reply.completed);
    EXPECT_EQ(reply.error, QStringLiteral("服务器无应答（超时）"));
}

TEST_F(HttpTest, TextTimeoutBoundsTheWholeExchange) {
    // A byte every 100 ms keeps the connection alive but the page never completes in time.
    const auto reply =
        http.getText(url(QStringLiteral("/trickle?n=30&delay=0.1")), {.total = 500ms});
    EXPECT_FALSE(reply.ok());
    EXPECT_TRUE(reply.text.isEmpty());
    EXPECT_EQ(reply.error, QStringLiteral("服务器无应答（超时）"));
}

TEST_F(HttpTest, DownloadWritesTheWholeBody) {
    for (const char* query : {"", "&nolength"}) {
        const auto result = http.download(
            url(QStringLiteral("/bytes?size=1000000") + QLatin1String(query)), target());
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.bytes, 1000000);
        EXPECT_EQ(readFile(target()), pattern(1000000)) << query;
        EXPECT_EQ(leftovers(), QStringList{QStringLiteral("baby1.mdb")});
    }
}

TEST_F(HttpTest, SlowButSteadyDownloadIsNotCutOff) {
    // Ten bytes a second for 1.2 s: several windows long, each of them above the minimum rate.
    const auto result = http.download(url(QStringLiteral("/trickle?n=12&delay=0.1")), target(),
                                      {.window = 300ms, .minRate = 5});
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(readFile(target()), pattern(12));
}

TEST_F(HttpTest, TrickleBelowTheMinimumRateIsDropped) {
    // It would finish in 10 s; the first window that falls short ends it.
    const auto result = http.download(url(QStringLiteral("/trickle?n=100&delay=0.1")), target(),
                                      {.window = 300ms, .minRate = 50});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("传输过慢"))) << result.error.toStdString();
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(HttpTest, FailedDownloadLeavesNoFile) {
    const struct {
        const char* path;
        const char* why;
    } cases[] = {
        {"/status/404", "404"},
        {"/status/500", "500"},
        {"/bytes?size=20971520", "announced 20 MiB"},
        {"/bytes?size=20971520&nolength", "unannounced 20 MiB"},
        {"/stall?size=100000&sent=5000", "stalls mid-way"},
        {"/hang", "never answers"},
    };
    for (const auto& c : cases) {
        const auto result = http.download(url(QLatin1String(c.path)), target(),
                                          {.answer = 500ms, .window = 500ms, .minRate = 1000});
        EXPECT_FALSE(result.ok) << c.why;
        EXPECT_EQ(result.bytes, 0) << c.why;
        EXPECT_FALSE(result.error.isEmpty()) << c.why;
        EXPECT_TRUE(leftovers().isEmpty()) << c.why << ": " << leftovers().join(' ').toStdString();
    }
}

TEST_F(HttpTest, FailedDownloadKeepsTheOldFile) {
    QFile old(target());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old list");
    old.close();

    const auto result = http.download(url(QStringLiteral("/bytes?size=5000")), target(), {}, 1000);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readFile(target()), QByteArray("old list"));
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("baby1.mdb")});
}

TEST_F(HttpTest, DownloadIntoMissingFolderFails) {
    const auto result = http.download(url(QStringLiteral("/bytes?size=10")),
                                      dir.filePath(QStringLiteral("missing/baby1.mdb")));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("无法写入文件")))
        << result.error.toStdString();
}

TEST_F(HttpTest, ADownloadTheDiskCannotHoldFails) {
    // As a full file system does: a file may not grow past 100 bytes.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // Both a body that the file's buffer holds until the end and one that goes through at once.
    const auto buffered = http.download(url(QStringLiteral("/bytes?size=700")), target());
    const auto direct = http.download(url(QStringLiteral("/bytes?size=100000")), target());
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
    for (const auto& result : {buffered, direct}) {
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("无法写入文件")))
            << result.error.toStdString();
    }
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}

} // namespace

TEST_F(HttpTest, FetchedBytesAreHandedOverOnceEndedAndNeverOnceDropped) {
    const auto fetch = [this](const char* path, const rz4::platform::Limits& limits) {
        std::optional<rz4::platform::BytesReply> got;
        QEventLoop loop;
        const auto pending = http.fetchBytes(url(QLatin1String(path)), limits, 1 << 20,
                                             [&](const rz4::platform::BytesReply& reply) {
                                                 got = reply;
                                                 loop.quit();
                                             });
        EXPECT_FALSE(got) << path << ": handed over before the reply";
        QTimer::singleShot(10s, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_TRUE(got) << path;
        return got.value_or(rz4::platform::BytesReply{});
    };
    const auto whole = fetch("/bytes?size=100000", {});
    EXPECT_TRUE(whole.ok()) << whole.error.toStdString();
    EXPECT_EQ(whole.body, pattern(100000));
    const auto missing = fetch("/status/404", {});
    EXPECT_EQ(missing.status, 404);
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.body.isEmpty());
    for (const char* cut : {"/stall?size=100000&sent=5000", "/bytes?size=2000000"}) {
        const auto r = fetch(cut, {.answer = 500ms, .window = 500ms, .minRate = 1000});
        EXPECT_FALSE(r.ok()) << cut;
        EXPECT_TRUE(r.body.isEmpty()) << cut;
    }

    bool called = false;
    http.fetchBytes(url(QStringLiteral("/trickle?n=3&delay=0.05")), {}, 1 << 20,
                    [&](const rz4::platform::BytesReply&) { called = true; });
    QEventLoop wait;
    QTimer::singleShot(500ms, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_FALSE(called);
}
