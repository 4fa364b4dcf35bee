#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

namespace rz4::guide {
class Guide;
}
namespace rz4::platform {
class HttpClient;
class PendingBytes;
} // namespace rz4::platform

namespace rz4::mainwindow {

// The channel server's programme guide, fetched once the channel tree is filled and read on a
// thread of its own, so that neither start-up nor the window waits for it. A server without one
// is as normal as a guide that cannot be read: one line on standard error either way. A guide
// read is read again every hour, since it keeps only the next few programmes.
class GuideFeed : public QObject {
    Q_OBJECT
public:
    // channelServer is host[:port] of the server all addresses point at.
    explicit GuideFeed(QString channelServer, QObject* parent = nullptr);
    ~GuideFeed() override;

    void start();
    // Null until a guide has been read.
    std::shared_ptr<const guide::Guide> guide() const { return m_guide; }

signals:
    void guideChanged();

private:
    void fetch(int file);
    void read(QByteArray bytes);

    QString m_server;
    std::unique_ptr<platform::HttpClient> m_http;
    std::unique_ptr<platform::PendingBytes> m_pending;
    std::unique_ptr<QThread> m_reader;
    std::atomic<bool> m_cancel{false};
    std::shared_ptr<const guide::Guide> m_guide;
};

} // namespace rz4::mainwindow
