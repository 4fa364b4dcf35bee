#include "platform/stream_relay.h"

#include "platform/relay_rules.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>

namespace rz4::platform {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// As long as the engine's own network timeout: a silent server is the player's to report.
constexpr std::chrono::milliseconds silenceLimit = 15s;
constexpr qsizetype maxRequestHead = 16 * 1024;
constexpr qsizetype maxPlaylist = 4 * 1024 * 1024;
// The engine reads from the loopback far faster than a server sends, except when it pauses.
constexpr qint64 maxUnsent = 4 * 1024 * 1024;

std::chrono::milliseconds since(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t);
}

Failure transportFailure(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return {Failure::Refused};
    case QNetworkReply::HostNotFoundError:
        return {Failure::HostNotFound};
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return {Failure::Timeout};
    default:
        return {Failure::Other};
    }
}

QString keyOf(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded);
}

QByteArray statusLine(int status, const QByteArray& reason) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' +
           (reason.isEmpty() ? QByteArrayLiteral("Status") : reason) + "\r\n";
}

} // namespace

struct HeldPlaylist {
    QByteArray body;
    QUrl base; // where it came from, after redirects
    Clock::time_point fetchedAt;
    std::optional<std::chrono::milliseconds> target;
};

// Lives on the relay's thread: the listening socket, the connections to the servers, the held
// playlists.
class RelayWorker : public QObject {
public:
    std::atomic<std::int64_t> played{0};
    std::atomic<std::int64_t> prepared{0};
    std::atomic<std::uint32_t> epoch{0};

    quint16 listen() {
        server = new QTcpServer(this);
        net = new QNetworkAccessManager(this);
        net->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        connect(server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server->nextPendingConnection()) {
                serve(s);
            }
        });
        return server->listen(QHostAddress::LocalHost, 0) ? server->serverPort() : 0;
    }

    void opened(std::uint32_t e) {
        openedAt = Clock::now();
        openedEpoch = e;
        for (auto it = held.begin(); it != held.end();) {
            const bool neighbour = refreshers.contains(it.key());
            it = neighbour || since(it->fetchedAt) < 10s ? std::next(it) : held.erase(it);
        }
        // What the last channel still reads is cut: its reads end at once instead of polling.
        for (QTcpSocket* s : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
            if (s->property("epoch").toUInt() < e) {
                s->abort();
                s->deleteLater();
            }
        }
    }

    void setPrepared(const QStringList& urls) {
        QHash<QString, QTimer*> keep;
        for (const QString& given : urls) {
            const QString url = keyOf(QUrl(given));
            if (QTimer* t = refreshers.take(url)) {
                keep.insert(url, t);
                continue;
            }
            auto* timer = new QTimer(this);
            timer->setSingleShot(true);
            connect(timer, &QTimer::timeout, this, [this, url] { refresh(url); });
            keep.insert(url, timer);
            refresh(url);
        }
        for (QTimer* gone : std::as_const(refreshers)) {
            delete gone;
        }
        refreshers = keep;
    }

    QNetworkRequest request(const QUrl& url) const {
        QNetworkRequest req(url);
        req.setTransferTimeout(static_cast<int>(silenceLimit.count()));
        // The body goes on to the engine as the server sent it, length and all.
        req.setRawHeader("Accept-Encoding", "identity");
        return req;
    }

private:
    QTcpServer* server = nullptr;
    QNetworkAccessManager* net = nullptr;
    QHash<QString, HeldPlaylist> held;
    QHash<QString, QTimer*> refreshers;
    Clock::time_point openedAt;
    std::uint32_t openedEpoch = 0;

    void refresh(const QString& url) {
        QNetworkReply* reply = net->get(request(QUrl(url)));
        connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
            reply->deleteLater();
            const QByteArray body = reply->readAll();
            prepared += body.size();
            QTimer* timer = refreshers.value(url);
            if (!timer) {
                return; // no longer a neighbour
            }
            // A neighbour that does not answer is asked again only every ten seconds.
            std::chrono::milliseconds period = 20s;
            if (reply->error() == QNetworkReply::NoError && relay::isPlaylist(body)) {
                const auto target = relay::targetDuration(body);
                held.insert(url, {body, reply->url(), Clock::now(), target});
                period = target.value_or(2s);
            }
            // Twice a target duration, so the copy is always young enough to answer.
            timer->start(std::max<std::chrono::milliseconds>(period / 2, 1s));
        });
    }

    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& method, const relay::Target& target,
                const QList<QPair<QByteArray, QByteArray>>& headers);
    void forward(QTcpSocket* socket, QNetworkReply* reply, bool head, std::uint32_t epochOf);
    void sendHead(QTcpSocket* socket, QNetworkReply* reply);
    void finishWhole(QTcpSocket* socket, QNetworkReply* reply, int status, bool head,
                     std::uint32_t epochOf);
    void closeWhenSent(QTcpSocket* socket);
    bool heldAnswer(QTcpSocket* socket, const relay::Target& target, bool head);
    void sendWhole(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& type,
                   const QByteArray& body, bool head);
    void nextRequest(QTcpSocket* socket);

public:
    std::function<void(Failure, std::uint32_t)> failed;
};

void RelayWorker::serve(QTcpSocket* socket) {
    socket->setParent(this);
    // Opened after the channel it serves was chosen: not one to cut when that one opens.
    socket->setProperty("epoch", epoch.load());
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (!socket->property("busy").toBool()) {
            nextRequest(socket);
        }
    });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void RelayWorker::nextRequest(QTcpSocket* socket) {
    const QByteArray pending = socket->peek(maxRequestHead);
    const qsizetype end = pending.indexOf("\r\n\r\n");
    if (end < 0) {
        if (pending.size() >= maxRequestHead) {
            socket->abort();
        }
        return;
    }
    const relay::RequestHead request = relay::parseRequestHead(socket->read(end + 4));
    const QByteArray& method = request.method;
    const auto target = relay::targetOf(request.path);
    if ((method != "GET" && method != "HEAD") || !target) {
        sendWhole(socket, 400, "Bad Request", "text/plain", "not a relayed address\n", false);
        return;
    }
    socket->setProperty("epoch", target->epoch);
    if (target->epoch < epoch.load()) {
        sendWhole(socket, 410, "Gone", "text/plain", "another channel is open\n", false);
        return;
    }
    answer(socket, method, *target, request.headers);
}

void RelayWorker::answer(QTcpSocket* socket, const QByteArray& method, const relay::Target& target,
                         const QList<QPair<QByteArray, QByteArray>>& headers) {
    const bool head = method == "HEAD";
    if (heldAnswer(socket, target, head)) {
        return;
    }
    QNetworkRequest req = request(target.upstream);
    for (const auto& [name, value] : headers) {
        if (relay::forwardsHeader(name)) {
            req.setRawHeader(name, value);
        }
    }
    socket->setProperty("busy", true);
    forward(socket, head ? net->head(req) : net->get(req), head, target.epoch);
}

bool RelayWorker::heldAnswer(QTcpSocket* socket, const relay::Target& target, bool head) {
    const auto it = held.constFind(keyOf(target.upstream));
    if (it == held.constEnd() || target.epoch != openedEpoch) {
        return false;
    }
    if (!relay::heldCopyAnswers(since(it->fetchedAt), since(openedAt), it->target)) {
        return false;
    }
    sendWhole(socket, 200, "OK", "application/vnd.apple.mpegurl",
              relay::rewritePlaylist(it->body, it->base, server->serverPort(), target.epoch), head);
    return true;
}

void RelayWorker::forward(QTcpSocket* socket, QNetworkReply* reply, bool head,
                          std::uint32_t epochOf) {
    // Decided when the server's answer begins: a playlist is held whole and rewritten, anything
    // else flows on as it arrives.
    enum class Mode { Undecided, Playlist, Stream };
    auto mode = std::make_shared<Mode>(Mode::Undecided);
    QPointer<QTcpSocket> to(socket);
    auto pump = [this, reply, to, mode] {
        if (!to) {
            return;
        }
        if (*mode == Mode::Undecided) {
            const bool playlist =
                relay::namesPlaylist(reply->url(), reply->rawHeader("Content-Type")) ||
                reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 300;
            *mode = playlist ? Mode::Playlist : Mode::Stream;
            if (!playlist) {
                reply->setReadBufferSize(1024 * 1024);
                sendHead(to, reply);
            }
        }
        while (*mode == Mode::Stream && to->bytesToWrite() < maxUnsent &&
               reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(256 * 1024);
            played += chunk.size();
            to->write(chunk);
        }
        if (*mode == Mode::Playlist && reply->bytesAvailable() > maxPlaylist) {
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::readyRead, this, pump);
    connect(socket, &QTcpSocket::bytesWritten, reply, pump);
    connect(socket, &QObject::destroyed, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, this, [this, reply, to, mode, pump, head, epochOf] {
        reply->deleteLater();
        if (!to) {
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) {
            if (failed && epochOf == epoch.load()) {
                failed(transportFailure(reply->error()), epochOf);
            }
            to->abort();
            return;
        }
        if (*mode != Mode::Stream) {
            finishWhole(to, reply, status, head, epochOf);
            return;
        }
        pump();
        if (reply->bytesAvailable() > 0 || !reply->hasRawHeader("Content-Length") ||
            reply->error() != QNetworkReply::NoError) {
            // Cut short, or no length to tell where it ends: the engine reads to the close.
            closeWhenSent(to);
            return;
        }
        to->setProperty("busy", false);
        nextRequest(to);
    });
}

void RelayWorker::sendHead(QTcpSocket* socket, QNetworkReply* reply) {
    QByteArray out =
        statusLine(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                   reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    for (const char* name :
         {"Content-Type", "Content-Length", "Content-Range", "Accept-Ranges", "Last-Modified"}) {
        if (reply->hasRawHeader(name)) {
            out += QByteArray(name) + ": " + reply->rawHeader(name) + "\r\n";
        }
    }
    if (!reply->hasRawHeader("Content-Length")) {
        out += "Connection: close\r\n";
    }
    socket->write(out + "\r\n");
}

void RelayWorker::finishWhole(QTcpSocket* socket, QNetworkReply* reply, int status, bool head,
                              std::uint32_t epochOf) {
    QByteArray body = reply->readAll();
    played += body.size();
    if (status == 200 && relay::isPlaylist(body)) {
        held.insert(keyOf(reply->request().url()),
                    {body, reply->url(), Clock::now(), relay::targetDuration(body)});
        body = relay::rewritePlaylist(body, reply->url(), server->serverPort(), epochOf);
    }
    sendWhole(socket, status,
              reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(),
              reply->rawHeader("Content-Type"), body, head);
}

void RelayWorker::closeWhenSent(QTcpSocket* socket) {
    if (socket->bytesToWrite() == 0) {
        socket->disconnectFromHost();
        return;
    }
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0) {
            socket->disconnectFromHost();
        }
    });
}

void RelayWorker::sendWhole(QTcpSocket* socket, int status, const QByteArray& reason,
                            const QByteArray& type, const QByteArray& body, bool head) {
    QByteArray out = statusLine(status, reason);
    if (!type.isEmpty()) {
        out += "Content-Type: " + type + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    socket->write(head ? out : out + body);
    socket->setProperty("busy", false);
    nextRequest(socket);
}

struct StreamRelay::Impl {
    QThread thread;
    RelayWorker* worker = nullptr;
    quint16 port = 0;
    bool tried = false;
};

StreamRelay::StreamRelay(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}

StreamRelay::~StreamRelay() {
    if (d->worker) {
        d->thread.quit();
        d->thread.wait();
    }
}

bool StreamRelay::start() {
    if (std::exchange(d->tried, true)) {
        return d->port != 0;
    }
    d->worker = new RelayWorker;
    d->worker->failed = [this](Failure f, std::uint32_t e) {
        // Checked again on arrival: a channel opened since then is not the one that failed.
        QMetaObject::invokeMethod(
            this,
            [this, f, e] {
                if (e == d->worker->epoch.load()) {
                    emit upstreamFailed(f);
                }
            },
            Qt::QueuedConnection);
    };
    d->worker->moveToThread(&d->thread);
    connect(&d->thread, &QThread::finished, d->worker, &QObject::deleteLater);
    d->thread.setObjectName(QStringLiteral("stream relay"));
    d->thread.start();
    QMetaObject::invokeMethod(
        d->worker, [this] { d->port = d->worker->listen(); }, Qt::BlockingQueuedConnection);
    return d->port != 0;
}

QString StreamRelay::open(const QString& url) {
    const QUrl upstream(url);
    if ((upstream.scheme() != QLatin1String("http") &&
         upstream.scheme() != QLatin1String("https")) ||
        !start()) {
        return url;
    }
    const std::uint32_t e = ++d->worker->epoch;
    const auto address = relay::relayAddress(upstream, d->port, e);
    if (!address) {
        return url;
    }
    RelayWorker* w = d->worker;
    QMetaObject::invokeMethod(w, [w, e] { w->opened(e); });
    return *address;
}

void StreamRelay::prepare(const QStringList& urls) {
    QStringList carried;
    for (const QString& url : urls) {
        if (relay::relayAddress(QUrl(url), 1, 0)) {
            carried.append(url);
        }
    }
    if (carried.isEmpty() && !d->worker) {
        return;
    }
    if (!start()) {
        return;
    }
    RelayWorker* w = d->worker;
    QMetaObject::invokeMethod(w, [w, carried] { w->setPrepared(carried); });
}

StreamRelay::Traffic StreamRelay::traffic() const {
    if (!d->worker) {
        return {};
    }
    return {d->worker->played.load(), d->worker->prepared.load()};
}

} // namespace rz4::platform
