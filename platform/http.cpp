#include "platform/http.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace rz4::platform {

namespace {

// What one request came to; a failure text, when set, wins over whatever the reply says.
struct Outcome {
    int status = 0;
    QString failure;
    QByteArray contentType;
};

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

QString statusFailure(int status) {
    return QStringLiteral("服务器返回错误（HTTP %1）").arg(status);
}

QString networkFailure(const QNetworkReply& reply) {
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("服务器拒绝连接");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("服务器中断了连接");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("服务器无应答（超时）");
    default:
        return QStringLiteral("网络错误：") + reply.errorString();
    }
}

QByteArray charsetOf(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray param = parts[i].trimmed();
        if (param.toLower().startsWith("charset=")) {
            QByteArray name = param.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
                name = name.mid(1, name.size() - 2);
            return name.trimmed().toLower();
        }
    }
    return {};
}

// The bytes received, sampled as time goes by, to tell whether the last window kept up the rate.
class RateWatch {
public:
    RateWatch(std::chrono::milliseconds window, qint64 minRate)
        : m_window(window.count()), m_minRate(minRate) {}

    // Records the count at `now` (milliseconds); false when the last window fell short.
    bool keepsUp(qint64 now, qint64 received) {
        m_samples.emplace_back(now, received);
        while (m_samples.size() > 1 && m_samples[1].first <= now - m_window) {
            m_samples.pop_front();
        }
        const auto& [since, then] = m_samples.front();
        return since > now - m_window || (received - then) * 1000 >= m_minRate * m_window;
    }

private:
    qint64 m_window;
    qint64 m_minRate;
    std::deque<std::pair<qint64, qint64>> m_samples;
};

// One GET, under way from the moment it is made; finish() runs a local event loop until it has
// ended. Each received chunk goes to the sink, which returns an error text to stop the transfer.
class Transfer {
public:
    using Sink = std::function<QString(const QByteArray&)>;

    Transfer(QNetworkAccessManager& manager, const QUrl& url, const Limits& limits, qint64 maxBytes,
             Sink sink)
        : m_limits(limits), m_maxBytes(maxBytes), m_sink(std::move(sink)),
          m_rate(limits.window, limits.minRate) {
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            m_out.failure = QStringLiteral("不是 HTTP 地址");
            return;
        }
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        m_reply.reset(manager.get(request));
        m_clock.start();
        m_answerTimer.setSingleShot(true);
        m_totalTimer.setSingleShot(true);
        const QString noAnswer = QStringLiteral("服务器无应答（超时）");
        QObject::connect(&m_answerTimer, &QTimer::timeout, [this, noAnswer] { fail(noAnswer); });
        QObject::connect(&m_totalTimer, &QTimer::timeout, [this, noAnswer] { fail(noAnswer); });
        QObject::connect(&m_rateTimer, &QTimer::timeout, [this] {
            if (!m_rate.keepsUp(m_clock.elapsed(), m_received))
                fail(QStringLiteral("传输过慢（服务器几乎不再发送数据）"));
        });
        QObject::connect(m_reply.get(), &QNetworkReply::metaDataChanged, [this] { answered(); });
        QObject::connect(m_reply.get(), &QNetworkReply::readyRead, [this] { read(); });
        m_answerTimer.start(limits.answer);
        m_totalTimer.start(limits.total);
    }

    Outcome finish() {
        if (!m_reply)
            return m_out;
        QEventLoop loop;
        QObject::connect(m_reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!m_reply->isFinished())
            loop.exec();
        return outcome();
    }

    // Calls back from the event loop, within the context's life, once the reply has ended: the
    // callback may drop the transfer.
    void whenFinished(QObject& context, const std::function<void(const Outcome&)>& done) {
        const auto call = [this, done, alive = m_alive] {
            if (*alive) {
                done(m_reply ? outcome() : m_out);
            }
        };
        if (!m_reply) {
            QTimer::singleShot(0, &context, call);
            return;
        }
        QObject::connect(m_reply.get(), &QNetworkReply::finished, &context, call,
                         Qt::QueuedConnection);
    }

    ~Transfer() { *m_alive = false; }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

private:
    Outcome outcome() {
        m_out.status = status();
        m_out.contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        if (m_out.failure.isEmpty()) {
            if (m_out.status != 0 && !isSuccess(m_out.status))
                m_out.failure = statusFailure(m_out.status);
            else if (m_reply->error() != QNetworkReply::NoError)
                m_out.failure = networkFailure(*m_reply);
        }
        return m_out;
    }

    int status() const {
        return m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }

    void fail(const QString& why) {
        if (m_out.failure.isEmpty())
            m_out.failure = why;
        m_reply->abort();
    }

    void answered() {
        // Refuse an announced oversize body before a byte of it is read.
        const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (isSuccess(status()) && announced > m_maxBytes) {
            fail(QStringLiteral("数据过大（超过 %1 字节）").arg(m_maxBytes));
            return;
        }
        // The server has answered: from now on the body must keep flowing.
        if (m_answerTimer.isActive() && m_limits.minRate > 0) {
            m_rate.keepsUp(m_clock.elapsed(), m_received);
            m_rateTimer.start(std::max<std::chrono::milliseconds>(m_limits.window / 4,
                                                                  std::chrono::milliseconds(50)));
        }
        m_answerTimer.stop();
    }

    void read() {
        const QByteArray chunk = m_reply->readAll();
        m_received += chunk.size();
        if (m_received > m_maxBytes) {
            fail(QStringLiteral("数据过大（超过 %1 字节）").arg(m_maxBytes));
            return;
        }
        // An error page is read to its end and dropped: Qt reports its status by itself.
        if (!isSuccess(status()))
            return;
        if (const QString why = m_sink(chunk); !why.isEmpty())
            fail(why);
    }

    Limits m_limits;
    qint64 m_maxBytes;
    Sink m_sink;
    Outcome m_out;
    std::unique_ptr<QNetworkReply> m_reply;
    QElapsedTimer m_clock;
    QTimer m_answerTimer;
    QTimer m_totalTimer;
    QTimer m_rateTimer;
    RateWatch m_rate;
    qint64 m_received = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

QString decodeText(const QByteArray& body, const QByteArray& contentType) {
    QByteArray charset = charsetOf(contentType);
    // GB2312 and GBK pages are decoded as GB18030, their superset, as browsers do.
    if (charset == "gb2312" || charset == "gbk" || charset == "cp936" || charset == "x-gbk")
        charset = "gb18030";
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromLatin1(body);
}

} // namespace

struct HttpClient::Impl {
    QNetworkAccessManager manager;
};

HttpClient::HttpClient(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}

HttpClient::~HttpClient() = default;

struct PendingText::Impl {
    QByteArray body;
    std::optional<Transfer> transfer;
};

PendingText::PendingText() : d(std::make_unique<Impl>()) {}

PendingText::~PendingText() = default;

TextReply PendingText::wait() {
    const Outcome out = d->transfer->finish();
    TextReply reply;
    // A 2xx reply cut short by the timeout or the size cap did not complete.
    reply.completed = out.status != 0 && (out.failure.isEmpty() || !isSuccess(out.status));
    reply.status = out.status;
    reply.error = out.failure;
    if (out.failure.isEmpty())
        reply.text = decodeText(d->body, out.contentType);
    return reply;
}

std::unique_ptr<PendingText> HttpClient::startText(const QUrl& url, const Limits& limits) {
    std::unique_ptr<PendingText> pending(new PendingText);
    QByteArray& body = pending->d->body;
    pending->d->transfer.emplace(d->manager, url, limits, kMaxBytes, [&body](const QByteArray& c) {
        body += c;
        return QString();
    });
    return pending;
}

TextReply HttpClient::getText(const QUrl& url, const Limits& limits) {
    return startText(url, limits)->wait();
}

struct PendingBytes::Impl {
    QByteArray body;
    std::optional<Transfer> transfer;
    // Last, so that it goes first: no callback once this is being dropped. Deleted later, since
    // the callback it runs may be what drops it.
    std::unique_ptr<QObject, void (*)(QObject*)> context{new QObject,
                                                         [](QObject* o) { o->deleteLater(); }};
};

PendingBytes::PendingBytes() : d(std::make_unique<Impl>()) {}

PendingBytes::~PendingBytes() = default;

std::unique_ptr<PendingBytes> HttpClient::fetchBytes(const QUrl& url, const Limits& limits,
                                                     qint64 maxBytes,
                                                     std::function<void(const BytesReply&)> done) {
    std::unique_ptr<PendingBytes> pending(new PendingBytes);
    PendingBytes::Impl& p = *pending->d;
    p.transfer.emplace(d->manager, url, limits, maxBytes, [&p](const QByteArray& chunk) {
        p.body += chunk;
        return QString();
    });
    p.transfer->whenFinished(*p.context, [&p, done = std::move(done)](const Outcome& out) {
        BytesReply reply;
        reply.status = out.status;
        reply.error = out.failure;
        if (out.failure.isEmpty())
            reply.body = std::exchange(p.body, {});
        done(reply);
    });
    return pending;
}

DownloadResult HttpClient::download(const QUrl& url, const QString& filePath, const Limits& limits,
                                    qint64 maxBytes) {
    DownloadResult result;
    // The body goes to a temporary file beside the target, renamed over it only when complete.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("无法写入文件：") + file.errorString();
        return result;
    }
    const Outcome out = Transfer(d->manager, url, limits, maxBytes, [&](const QByteArray& chunk) {
                            if (file.write(chunk) != chunk.size())
                                return QStringLiteral("无法写入文件：") + file.errorString();
                            result.bytes += chunk.size();
                            return QString();
                        }).finish();
    if (!out.failure.isEmpty()) {
        file.cancelWriting();
        result.bytes = 0;
        result.error = out.failure;
        return result;
    }
    // QSaveFile commits a file whose buffered tail failed to reach the disk (a full file system
    // leaves it empty) and calls that a success: the tail is written out first.
    const bool flushed = file.flush();
    if (!flushed || !file.commit()) {
        result.bytes = 0;
        result.error = QStringLiteral("无法写入文件：") + file.errorString();
        if (!flushed) {
            file.cancelWriting();
        }
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace rz4::platform
