#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <optional>

// How the player's local relay names what it carries and when a copy it holds may answer. The
// relay keeps connections to channel servers open across switches and holds fresh playlists of
// the channels next to the one on screen, so a switch does not pay a handshake and a playlist.
namespace rz4::platform::relay {

// What a relay path stands for: the switch it belongs to and the server's own address.
struct Target {
    std::uint32_t epoch = 0;
    QUrl upstream;
};

// The relay's address on 127.0.0.1:port for an http or https address opened at `epoch`, or none
// when the relay does not carry it (another scheme, a user name in it).
std::optional<QString> relayAddress(const QUrl& upstream, std::uint16_t port, std::uint32_t epoch);

// The target of a request path such as "/7/h/host:8080/live/a.m3u8?x=1", or none.
std::optional<Target> targetOf(QByteArrayView path);

// A request's head as the engine sent it: "GET /path HTTP/1.1", then "Name: value" lines.
struct RequestHead {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers;
};
RequestHead parseRequestHead(QByteArrayView head);

// Whether a request header goes on to the server: what concerns only the hop between the engine
// and the relay stays there, and the body is asked for as the server has it.
bool forwardsHeader(QByteArrayView name);

// Whether an answer is announced as an HLS playlist, by its address or its content type.
bool namesPlaylist(const QUrl& url, QByteArrayView contentType);

// Whether a body is an HLS playlist, whose addresses must be rewritten to the relay.
bool isPlaylist(QByteArrayView body);

// The playlist with every address it names (segment lines and URI="…" attributes) resolved
// against where it came from and, for http and https, pointed at the relay.
QByteArray rewritePlaylist(QByteArrayView body, const QUrl& base, std::uint16_t port,
                           std::uint32_t epoch);

// EXT-X-TARGETDURATION of a playlist, or none.
std::optional<std::chrono::milliseconds> targetDuration(QByteArrayView playlist);

// Whether a held copy of a playlist answers a request instead of the server: only while the
// channel is being opened (the engine asks twice), and only while the copy is younger than one
// target duration, since the server has not published a newer segment before then.
bool heldCopyAnswers(std::chrono::milliseconds age, std::chrono::milliseconds sinceOpened,
                     std::optional<std::chrono::milliseconds> target);

} // namespace rz4::platform::relay
