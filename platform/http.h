#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

namespace rz4::platform {

struct TextReply {
    bool completed = false; // a whole reply arrived (any status)
    int status = 0;         // HTTP status, 0 when none
    QString text;           // body decoded as the server says (UTF-8, GBK), Latin-1 otherwise
    QString error;          // why nothing usable arrived, empty on success
    bool ok() const { return completed && error.isEmpty() && status >= 200 && status < 300; }
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
    // Larger bodies are refused by both calls.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // GET with a bound on the whole exchange. Only a 2xx reply carries text; any other status is
    // reported with an empty text and an error.
    TextReply getText(const QUrl& url,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Writes the body to filePath only when the whole reply arrived with a 2xx status and within
    // maxBytes; otherwise no new file is written and a file already at filePath stays as it was.
    // The idle timeout restarts with every chunk received.
    DownloadResult download(const QUrl& url, const QString& filePath,
                            std::chrono::milliseconds idleTimeout = std::chrono::seconds(30),
                            qint64 maxBytes = kMaxBytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
