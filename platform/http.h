#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

namespace rz4::platform {

struct TextReply {
    bool completed = false; // a reply arrived (any status)
    int status = 0;         // HTTP status, 0 when none
    QString text;           // body decoded as the server says (UTF-8, GBK), Latin-1 otherwise
    QString error;          // why nothing usable arrived, empty on success
    bool ok() const { return completed && status >= 200 && status < 300; }
};

struct DownloadResult {
    bool ok = false;
    qint64 bytes = 0;
    QString error;
};

// Plain HTTP on one QNetworkAccessManager. The waits run a local event loop: window and tray
// events are handled meanwhile, and the thread sleeps while nothing happens.
class HttpClient : public QObject {
    Q_OBJECT
public:
    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    TextReply getText(const QUrl& url, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Writes the body to filePath only when the whole reply arrived with a 2xx status and within
    // maxBytes; otherwise no file is left. The idle timeout restarts with every chunk received.
    DownloadResult download(const QUrl& url, const QString& filePath,
                            std::chrono::milliseconds idleTimeout = std::chrono::seconds(30),
                            qint64 maxBytes = 16 * 1024 * 1024);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
