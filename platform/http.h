#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>

namespace rz4::platform {

struct TextReply {
    bool completed = false; // a whole reply arrived (any status)
    int status = 0;         // HTTP status, 0 when none
    QString text;           // body decoded as the server says (UTF-8, GBK), Latin-1 otherwise
    QString error;          // why nothing usable arrived, empty on success
    bool ok() const { return completed && error.isEmpty() && status >= 200 && status < 300; }
};

// Bounds on one request, as a careful client sets them. The server must answer (connect and send
// the reply's headers) within `answer`. After that, every `window` must bring at least `minRate`
// bytes a second, so that a trickle or a stall is dropped while a slow but real link is not.
// Nothing lasts past `total`.
struct Limits {
    std::chrono::milliseconds answer{std::chrono::seconds(4)};
    std::chrono::milliseconds total{std::chrono::seconds(60)};
    std::chrono::milliseconds window{std::chrono::seconds(4)};
    qint64 minRate = 8 * 1024; // bytes a second; 0 checks nothing after the answer
};

struct DownloadResult {
    bool ok = false;
    qint64 bytes = 0;
    QString error;
};

// A GET for a text, under way: the reply is read with wait(). Dropping it unread aborts it.
class PendingText {
public:
    ~PendingText();
    PendingText(const PendingText&) = delete;
    PendingText& operator=(const PendingText&) = delete;

    // Runs a local event loop, as HttpClient's calls do, until the reply has ended. Once only.
    TextReply wait();

private:
    friend class HttpClient;
    PendingText();
    struct Impl;
    std::unique_ptr<Impl> d;
};

struct BytesReply {
    int status = 0;  // HTTP status, 0 when none
    QByteArray body; // the whole body of a 2xx reply; empty otherwise
    QString error;   // why nothing usable arrived, empty on success
    bool ok() const { return error.isEmpty() && status >= 200 && status < 300; }
};

// A GET whose body is handed over when it has ended, without waiting for it. Dropping it aborts
// the request, and then nothing is handed over.
class PendingBytes {
public:
    ~PendingBytes();
    PendingBytes(const PendingBytes&) = delete;
    PendingBytes& operator=(const PendingBytes&) = delete;

private:
    friend class HttpClient;
    PendingBytes();
    struct Impl;
    std::unique_ptr<Impl> d;
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

    // GET within the limits. Only a 2xx reply carries text; any other status is reported with an
    // empty text and an error.
    TextReply getText(const QUrl& url, const Limits& limits = {});
    // The same request sent now and read later: the network works meanwhile, whatever the caller
    // does, and the limits count from now.
    std::unique_ptr<PendingText> startText(const QUrl& url, const Limits& limits = {});

    // The same bounds, and maxBytes; `done` runs on this thread once the reply has ended.
    std::unique_ptr<PendingBytes> fetchBytes(const QUrl& url, const Limits& limits, qint64 maxBytes,
                                             std::function<void(const BytesReply&)> done);
    // Writes the body to filePath only when the whole reply arrived with a 2xx status, within the
    // limits and within maxBytes; otherwise no new file is written and a file already at
    // filePath stays as it was.
    DownloadResult download(const QUrl& url, const QString& filePath, const Limits& limits = {},
                            qint64 maxBytes = kMaxBytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
