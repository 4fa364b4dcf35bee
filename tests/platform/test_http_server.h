#pragma once

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QUrl>

#include <memory>

// The suite's own HTTP server (http_test_server.py), started once for all its cases.
class TestHttpServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->start(QStringLiteral("python3"), {QStringLiteral(RZ4_HTTP_TEST_SERVER)});
        ASSERT_TRUE(server->waitForStarted(10000));
        while (!server->canReadLine())
            ASSERT_TRUE(server->waitForReadyRead(10000));
        const QByteArray line = server->readLine().trimmed();
        ASSERT_TRUE(line.startsWith("PORT ")) << line.constData();
        port = line.mid(5).toInt();
    }

    static void TearDownTestSuite() {
        server->kill();
        server->waitForFinished(5000);
        server.reset();
    }

    static QUrl url(const QString& path) {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
    }

    // Port that nothing listens on: bound once, then released.
    static quint16 closedPort() {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        return probe.serverPort();
    }

    static inline std::unique_ptr<QProcess> server;
    static inline int port = 0;
};
