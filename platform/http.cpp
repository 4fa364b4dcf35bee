#include "platform/http.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

#include <functional>

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

// Runs one GET to its end inside a local event loop. Each received chunk goes to the sink, which
// returns an error text to stop the transfer. With idleOnly the timeout restarts on progress.
Outcome runGet(QNetworkAccessManager& manager, const QUrl& url, std::chrono::milliseconds timeout,
               bool idleOnly, qint64 maxBytes,
               const std::function<QString(const QByteArray&)>& sink) {
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
    QTimer timer;
    timer.setSingleShot(true);
    qint64 received = 0;

    const auto fail = [&](const QString& why) {
        if (out.failure.isEmpty())
            out.failure = why;
        reply->abort();
    };
    const auto statusNow = [&] {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };

    QObject::connect(&timer, &QTimer::timeout, &loop,
                     [&] { fail(QStringLiteral("服务器无应答（超时）")); });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        // Refuse an announced oversize body before a byte of it is read.
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (isSuccess(statusNow()) && announced > maxBytes)
            fail(QStringLiteral("数据过大（超过 %1 字节）").arg(maxBytes));
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
        if (const QString why = sink(chunk); !why.isEmpty()) {
            fail(why);
            return;
        }
        if (idleOnly)
            timer.start();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    timer.start(timeout);
    if (!reply->isFinished())
        loop.exec();
    timer.stop();

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

TextReply HttpClient::getText(const QUrl& url, std::chrono::milliseconds timeout) {
    QByteArray body;
    const Outcome out =
        runGet(d->manager, url, timeout, false, kMaxBytes, [&](const QByteArray& c) {
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

DownloadResult HttpClient::download(const QUrl& url, const QString& filePath,
                                    std::chrono::milliseconds idleTimeout, qint64 maxBytes) {
    DownloadResult result;
    // The body goes to a temporary file beside the target, renamed over it only when complete.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("无法写入文件：") + file.errorString();
        return result;
    }
    const Outcome out =
        runGet(d->manager, url, idleTimeout, true, maxBytes, [&](const QByteArray& chunk) {
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
