#include "platform/relay_rules.h"

#include <QList>

namespace rz4::platform::relay {

namespace {

using namespace std::chrono_literals;

// The engine opens a channel's playlist twice within a round trip or two; its first reload comes
// a target duration later and must reach the server.
constexpr std::chrono::milliseconds openingWindow = 1500ms;
// A master playlist names no target duration; its variants change, it does not.
constexpr std::chrono::milliseconds untimedCopyLife = 2s;

char schemeCode(const QString& scheme) {
    if (scheme == QLatin1String("http")) {
        return 'h';
    }
    if (scheme == QLatin1String("https")) {
        return 's';
    }
    return 0;
}

QByteArray resolvedForRelay(QByteArrayView reference, const QUrl& base, std::uint16_t port,
                            std::uint32_t epoch) {
    const QUrl resolved = base.resolved(QUrl::fromEncoded(reference.toByteArray()));
    if (const auto address = relayAddress(resolved, port, epoch)) {
        return address->toUtf8();
    }
    return reference.toByteArray(); // a key server of its own scheme, say: left as it was
}

// Rewrites each URI="…" attribute of a tag line.
QByteArray rewriteAttributes(QByteArrayView line, const QUrl& base, std::uint16_t port,
                             std::uint32_t epoch) {
    static constexpr QByteArrayView key = "URI=\"";
    QByteArray out;
    qsizetype from = 0;
    for (qsizetype at = line.indexOf(key); at >= 0; at = line.indexOf(key, from)) {
        const qsizetype start = at + key.size();
        const qsizetype end = line.indexOf('"', start);
        if (end < 0) {
            break;
        }
        out += line.sliced(from, start - from);
        out += resolvedForRelay(line.sliced(start, end - start), base, port, epoch);
        from = end;
    }
    out += line.sliced(from);
    return out;
}

} // namespace

std::optional<QString> relayAddress(const QUrl& upstream, std::uint16_t port, std::uint32_t epoch) {
    const char code = schemeCode(upstream.scheme());
    if (code == 0 || upstream.host().isEmpty() || !upstream.userInfo().isEmpty()) {
        return std::nullopt;
    }
    QString path = upstream.path(QUrl::FullyEncoded);
    if (path.isEmpty()) {
        path = QStringLiteral("/");
    }
    QString address = QStringLiteral("http://127.0.0.1:%1/%2/%3/%4%5")
                          .arg(port)
                          .arg(epoch)
                          .arg(QLatin1Char(code))
                          .arg(upstream.authority(QUrl::FullyEncoded), path);
    if (upstream.hasQuery()) {
        address += QLatin1Char('?') + upstream.query(QUrl::FullyEncoded);
    }
    return address;
}

std::optional<Target> targetOf(QByteArrayView path) {
    // "/" epoch "/" scheme "/" authority path-and-query
    const QList<QByteArray> parts = path.toByteArray().split('/');
    if (parts.size() < 4 || !parts[0].isEmpty() || parts[2].size() != 1 || parts[3].isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const std::uint32_t epoch = parts[1].toUInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    const char code = parts[2][0];
    if (code != 'h' && code != 's') {
        return std::nullopt;
    }
    const qsizetype rest = parts[0].size() + parts[1].size() + parts[2].size() + 3;
    const QByteArray tail = path.sliced(rest).toByteArray();
    if (!tail.contains('/')) {
        return std::nullopt; // the relay always names a path, "/" at least
    }
    const QUrl upstream =
        QUrl::fromEncoded((code == 'h' ? "http://" : "https://") + tail, QUrl::StrictMode);
    if (!upstream.isValid() || upstream.host().isEmpty() || !upstream.userInfo().isEmpty()) {
        return std::nullopt;
    }
    return Target{epoch, upstream};
}

bool namesPlaylist(const QUrl& url, QByteArrayView contentType) {
    const QString path = url.path();
    return path.endsWith(QLatin1String(".m3u8")) || path.endsWith(QLatin1String(".m3u")) ||
           contentType.toByteArray().toLower().contains("mpegurl");
}

bool isPlaylist(QByteArrayView body) {
    if (body.startsWith("\xEF\xBB\xBF")) {
        body = body.sliced(3);
    }
    return body.trimmed().startsWith("#EXTM3U");
}

QByteArray rewritePlaylist(QByteArrayView body, const QUrl& base, std::uint16_t port,
                           std::uint32_t epoch) {
    QByteArray out;
    out.reserve(body.size() + body.size() / 2);
    qsizetype from = 0;
    if (body.startsWith("\xEF\xBB\xBF")) {
        out += body.first(3);
        from = 3;
    }
    while (from < body.size()) {
        qsizetype end = body.indexOf('\n', from);
        end = end < 0 ? body.size() : end + 1;
        const QByteArrayView line = body.sliced(from, end - from);
        const QByteArrayView text = line.trimmed();
        if (text.isEmpty()) {
            out += line;
        } else if (text.startsWith('#')) {
            out += rewriteAttributes(line, base, port, epoch);
        } else {
            const qsizetype lead = line.indexOf(text.front());
            out += line.first(lead);
            out += resolvedForRelay(text, base, port, epoch);
            out += line.sliced(lead + text.size());
        }
        from = end;
    }
    return out;
}

std::optional<std::chrono::milliseconds> targetDuration(QByteArrayView playlist) {
    static constexpr QByteArrayView tag = "#EXT-X-TARGETDURATION:";
    const qsizetype at = playlist.indexOf(tag);
    if (at < 0) {
        return std::nullopt;
    }
    qsizetype end = playlist.indexOf('\n', at);
    end = end < 0 ? playlist.size() : end;
    bool ok = false;
    const double seconds =
        playlist.sliced(at + tag.size(), end - at - tag.size()).trimmed().toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > 3600) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

bool heldCopyAnswers(std::chrono::milliseconds age, std::chrono::milliseconds sinceOpened,
                     std::optional<std::chrono::milliseconds> target) {
    if (sinceOpened < 0ms || sinceOpened > openingWindow || age < 0ms) {
        return false;
    }
    return age < target.value_or(untimedCopyLife);
}

RequestHead parseRequestHead(QByteArrayView head) {
    const QList<QByteArray> lines = head.toByteArray().split('\n');
    const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
    RequestHead parsed{request.value(0), request.value(1), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            parsed.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
    }
    return parsed;
}

bool forwardsHeader(QByteArrayView name) {
    static const QByteArrayList hopByHop = {"host",    "connection",     "keep-alive",
                                            "te",      "trailer",        "transfer-encoding",
                                            "upgrade", "accept-encoding"};
    const QByteArray lower = name.toByteArray().toLower();
    return !hopByHop.contains(lower) && !lower.startsWith("proxy-");
}

} // namespace rz4::platform::relay
