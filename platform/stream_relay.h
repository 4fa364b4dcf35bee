#pragma once

#include "platform/playback.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace rz4::platform {

class RelayWorker;

// A relay on 127.0.0.1, on a thread of its own, between the engine and the channel servers. It
// keeps connections to a server open from one switch to the next, answers the engine's second
// request for a playlist it has just fetched, and holds the playlists of the channels next to
// the one on screen fresh, so that a switch pays for little more than its first segment.
class StreamRelay : public QObject {
    Q_OBJECT
public:
    explicit StreamRelay(QObject* parent = nullptr);
    ~StreamRelay() override;

    // What the engine is given to open a channel: the relay's address for http and https, the
    // address itself otherwise. What the channel opened before still has open is cut, so the
    // engine need not wait on its reads to let go of it.
    QString open(const QString& url);

    // The channels to hold ready. Only their playlists are fetched, twice a target duration: a
    // few hundred bytes a segment, never a second stream.
    void prepare(const QStringList& urls);

    struct Traffic {
        std::int64_t played = 0;   // bytes fetched for what the engine asked
        std::int64_t prepared = 0; // bytes fetched to hold channels ready
    };
    Traffic traffic() const;

signals:
    // A server could not be reached for the engine: the engine itself sees only a cut
    // connection, so this names the cause.
    void upstreamFailed(rz4::platform::Failure failure);

private:
    bool start();

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
