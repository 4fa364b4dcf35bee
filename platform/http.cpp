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

// Runs one GET to its end inside a local event loop. Each received chunk goes to the sink, which
// returns an error text to stop the transfer.
Outcome runGet(QNetworkAccessManager& manager, const QUrl& url, const Limits& limits,
               qint64 maxBytes, const std::function<QString(const QByteArray&)>& sink) {
    Outcome out;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        out.failure = QStringLiteral("不是 HTTP 地址");
        return out;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer answerTimer;
    QTimer totalTimer;
    QTimer rateTimer;
    answerTimer.setSingleShot(true);
    totalTimer.setSingleShot(true);
    RateWatch rate(limits.window, limits.minRate);
    qint64 received = 0;

    const auto fail = [&](const QString& why) {
        if (out.failure.isEmpty())
            out.failure = why;
        reply->abort();
    };
    const auto statusNow = [&] {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };

    const QString noAnswer = QStringLiteral("服务器无应答（超时）");
    QObject::connect(&answerTimer, &QTimer::timeout, &loop, [&] { fail(noAnswer); });
    QObject::connect(&totalTimer, &QTimer::timeout, &loop, [&] { fail(noAnswer); });
    QObject::connect(&rateTimer, &QTimer::timeout, &loop, [&] {
        if (!rate.keepsUp(clock.elapsed(), received))
            fail(QStringLiteral("传输过慢（服务器几乎不再发送数据）"));
    });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        // Refuse an announced oversize body before a byte of it is read.
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (isSuccess(statusNow()) && announced > maxBytes) {
            fail(QStringLiteral("数据过大（超过 %1 字节）").arg(maxBytes));
            return;
        }
        // The server has answered: from now on the body must keep flowing.
        if (answerTimer.isActive() && limits.minRate > 0) {
            rate.keepsUp(clock.elapsed(), received);
            rateTimer.start(std::max<std::chrono::milliseconds>(limits.window / 4,
                                                                std::chrono::milliseconds(50)));
        }
        answerTimer.stop();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > maxBytes) {
            fail(QStringLiteral("数据过大（超过 %1 字节）").arg(maxBytes));
            return;
        }
        // An error page is read to its end and dropped: Qt reports its status by itself.
        if (!isSuccess(statusNow()))
            return;
        if (const QString why = sink(chunk); !why.isEmpty())
            fail(why);
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    answerTimer.start(limits.answer);
    totalTimer.start(limits.total);
    if (!reply->isFinished())
        loop.exec();

    out.status = statusNow();
    out.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (out.failure.isEmpty()) {
        if (out.status != 0 && !isSuccess(out.status))
            out.failure = statusFailure(out.status);
        else if (reply->error() != QNetworkReply::NoError)
            out.failure = networkFailure(*reply);
    }
    return out;
}

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

TextReply HttpClient::getText(const QUrl& url, const Limits& limits) {
    QByteArray body;
    const Outcome out = runGet(d->manager, url, limits, kMaxBytes, [&](const QByteArray& c) {
        body += c;
        return QString();
    });
    TextReply reply;
    // A 2xx reply cut short by the timeout or the size cap did not complete.
    reply.completed = out.status != 0 && (out.failure.isEmpty() || !isSuccess(out.status));
    reply.status = out.status;
    reply.error = out.failure;
    if (out.failure.isEmpty())
        reply.text = decodeText(body, out.contentType);
    return reply;
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
    const Outcome out = runGet(d->manager, url, limits, maxBytes, [&](const QByteArray& chunk) {
        if (file.write(chunk) != chunk.size())
            return QStringLiteral("无法写入文件：") + file.errorString();
        result.bytes += chunk.size();
        return QString();
    });
    if (!out.failure.isEmpty()) {
        file.cancelWriting();
        result.bytes = 0;
        result.error = out.failure;
        return result;
    }
    if (!file.commit()) {
        result.bytes = 0;
        result.error = QStringLiteral("无法写入文件：") + file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace rz4::platform
