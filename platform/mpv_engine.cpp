#include "platform/mpv_engine.h"

#include "platform/engine_options.h"
#include "platform/mpv_library.h"

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <utility>
#include <vector>

namespace rz4::platform {

namespace {

enum Tag : uint64_t {
    NoTag,
    LoadTag,
    PausedForCacheTag,
    CacheStateTag,
    PauseTag,
    HeldTag,
    DumpTag,
    CodecTag,
    HwdecTag
};

EndReason endReason(mpv_end_file_reason reason) {
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        return EndReason::Eof;
    case MPV_END_FILE_REASON_STOP:
        return EndReason::Stopped;
    case MPV_END_FILE_REASON_ERROR:
        return EndReason::Error;
    default:
        return EndReason::Other;
    }
}

const mpv_node* member(const mpv_node& map, const char* name) {
    if (map.format != MPV_FORMAT_NODE_MAP) {
        return nullptr;
    }
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], name) == 0) {
            return &map.u.list->values[i];
        }
    }
    return nullptr;
}

double number(const mpv_node* node) {
    if (node == nullptr) {
        return 0;
    }
    if (node->format == MPV_FORMAT_DOUBLE) {
        return node->u.double_;
    }
    return node->format == MPV_FORMAT_INT64 ? static_cast<double>(node->u.int64) : 0;
}

// The seekable range that holds the moment decoded; the newest one when none does (the engine
// may hold a few overlapping ones for a moment).
HeldStream heldStream(const mpv_node& state) {
    HeldStream held;
    held.position = number(member(state, "reader-pts"));
    held.diskBytes = static_cast<long long>(number(member(state, "file-cache-bytes")));
    const mpv_node* ranges = member(state, "seekable-ranges");
    if (ranges == nullptr || ranges->format != MPV_FORMAT_NODE_ARRAY) {
        return held;
    }
    for (int i = 0; i < ranges->u.list->num; ++i) {
        const mpv_node& range = ranges->u.list->values[i];
        const double start = number(member(range, "start"));
        const double end = number(member(range, "end"));
        const bool holdsPosition = start <= held.position && held.position <= end;
        if (end > start && (!held.held || holdsPosition || end > held.end)) {
            held.held = true;
            held.start = start;
            held.end = end;
            if (holdsPosition) {
                break;
            }
        }
    }
    return held;
}

} // namespace

void MpvEngine::Deleter::operator()(mpv_handle* handle) const {
    mpvLibrary()->terminateDestroy(handle);
}

MpvEngine::MpvEngine(QObject* parent) : QObject(parent) {}

MpvEngine::~MpvEngine() {
    stop();
}

bool MpvEngine::start(const MpvLibrary& library, const Setup& setup) {
    stop();
    m_lib = &library;
    // mpv refuses to start unless numbers are formatted the C way, and Qt sets the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    std::unique_ptr<mpv_handle, Deleter> handle(m_lib->create());
    if (!handle) {
        return false;
    }
    mpv_handle* h = handle.get();
    for (const auto& [name, value] : fixedEngineOptions()) {
        m_lib->setOptionString(h, name, value);
    }
    for (const auto& [name, value] :
         setup.headless ? headlessOutputOptions() : screenOutputOptions()) {
        m_lib->setOptionString(h, name, value);
    }
    if (setup.timeShift) {
        for (const auto& [name, value] : timeShiftOptions()) {
            m_lib->setOptionString(h, name, value);
        }
    }
    if (!setup.headless) {
        auto wid = setup.window;
        m_lib->setOption(h, "wid", MPV_FORMAT_INT64, &wid);
    }
    double startVolume = setup.volume;
    m_lib->setOption(h, "volume", MPV_FORMAT_DOUBLE, &startVolume);
    int startMute = setup.mute ? 1 : 0;
    m_lib->setOption(h, "mute", MPV_FORMAT_FLAG, &startMute);
    if (m_lib->initialize(h) < 0) {
        return false;
    }
    m_lib->requestLogMessages(h, "warn");
    m_lib->observeProperty(h, PausedForCacheTag, "paused-for-cache", MPV_FORMAT_FLAG);
    m_lib->observeProperty(h, CacheStateTag, "cache-buffering-state", MPV_FORMAT_INT64);
    m_lib->observeProperty(h, PauseTag, "pause", MPV_FORMAT_FLAG);
    m_lib->observeProperty(h, HeldTag, "demuxer-cache-state", MPV_FORMAT_NODE);
    m_lib->observeProperty(h, CodecTag, "current-tracks/video/codec", MPV_FORMAT_STRING);
    m_lib->observeProperty(h, HwdecTag, "hwdec-current", MPV_FORMAT_STRING);
    if (char* codecs = m_lib->getPropertyString(h, "hwdec-codecs")) {
        m_hwdecCodecs = QString::fromUtf8(codecs).split(QLatin1Char(','));
        m_lib->free(codecs);
    }
    m_lib->setWakeupCallback(h, &MpvEngine::wakeup, this);
    m_handle = std::move(handle);
    return true;
}

void MpvEngine::stop() {
    if (m_handle) {
        m_lib->setWakeupCallback(m_handle.get(), nullptr, nullptr);
        m_handle.reset();
    }
}

void MpvEngine::load(const QString& url) {
    if (!m_handle) {
        return;
    }
    const QByteArray address = url.toUtf8();
    const char* argv[] = {"loadfile", address.constData(), "replace", nullptr};
    m_lib->commandAsync(m_handle.get(), LoadTag, argv);
}

void MpvEngine::stopPlayback() {
    if (m_handle) {
        const char* argv[] = {"stop", nullptr};
        m_lib->commandAsync(m_handle.get(), NoTag, argv);
    }
}

void MpvEngine::setVolume(int volume) {
    if (m_handle) {
        double value = volume;
        m_lib->setPropertyAsync(m_handle.get(), NoTag, "volume", MPV_FORMAT_DOUBLE, &value);
    }
}

void MpvEngine::setFlag(const char* name, bool value) {
    if (m_handle) {
        int flag = value ? 1 : 0;
        m_lib->setPropertyAsync(m_handle.get(), NoTag, name, MPV_FORMAT_FLAG, &flag);
    }
}

void MpvEngine::seekTo(double seconds) {
    if (m_handle) {
        const QByteArray at = QByteArray::number(seconds, 'f', 3);
        const char* argv[] = {"seek", at.constData(), "absolute", nullptr};
        m_lib->commandAsync(m_handle.get(), NoTag, argv);
    }
}

void MpvEngine::seekInPlace() {
    if (m_handle) {
        const char* argv[] = {"seek", "0", "relative+exact", nullptr};
        m_lib->commandAsync(m_handle.get(), NoTag, argv);
    }
}

void MpvEngine::dumpFrom(double seconds, const QString& path) {
    if (m_handle) {
        const QByteArray at = QByteArray::number(seconds, 'f', 3);
        const QByteArray file = path.toUtf8();
        const char* argv[] = {"dump-cache", at.constData(), "no", file.constData(), nullptr};
        m_lib->commandAsync(m_handle.get(), DumpTag, argv);
    }
}

void MpvEngine::stopDump() {
    if (m_handle) {
        const char* argv[] = {"dump-cache", "0", "0", "", nullptr};
        m_lib->commandAsync(m_handle.get(), NoTag, argv);
    }
}

void MpvEngine::setOption(const char* name, const QString& value) {
    if (m_handle) {
        const QByteArray text = value.toUtf8();
        const char* argv[] = {"set", name, text.constData(), nullptr};
        m_lib->commandAsync(m_handle.get(), NoTag, argv);
    }
}

QString MpvEngine::property(const char* name) const {
    if (!m_handle) {
        return {};
    }
    char* value = m_lib->getPropertyString(m_handle.get(), name);
    QString text = value ? QString::fromUtf8(value) : QString();
    m_lib->free(value);
    return text;
}

// Looking for a hardware decoder costs every switch a few milliseconds, and one that was not found
// for a codec will not be found for the next channel in it: look no more for that codec.
void MpvEngine::learnDecoding() {
    if (m_decodedBy != QLatin1String("no") || m_codec.isEmpty() ||
        !m_hwdecCodecs.removeOne(m_codec)) {
        return;
    }
    setOption("hwdec-codecs", m_hwdecCodecs.isEmpty() ? QStringLiteral("none")
                                                      : m_hwdecCodecs.join(QLatin1Char(',')));
}

void MpvEngine::wakeup(void* self) {
    // Called on an mpv thread: only post one drain to the GUI thread.
    auto* engine = static_cast<MpvEngine*>(self);
    if (!engine->m_drainQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            engine, [engine] { engine->drain(); }, Qt::QueuedConnection);
    }
}

void MpvEngine::drain() {
    m_drainQueued = false;
    while (m_handle) {
        const mpv_event* event = m_lib->waitEvent(m_handle.get(), 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        if (event->event_id == MPV_EVENT_SHUTDOWN) {
            stop();
            emit shutDown();
            break;
        }
        handle(event);
        emit eventHandled();
    }
    flushEnd();
}

// mpv hands out log lines after events, so an end waits until the lines are read.
void MpvEngine::flushEnd() {
    if (const auto end = std::exchange(m_pendingEnd, std::nullopt)) {
        emit ended(end->reason, end->unknownFormat);
    }
}

void MpvEngine::handle(const void* data) {
    const auto& event = *static_cast<const mpv_event*>(data);
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        flushEnd();
        // Told again for this file, or not at all: nothing is learnt from the file before.
        m_codec.clear();
        m_decodedBy.clear();
        emit fileStarted();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        emit framesShown();
        break;
    case MPV_EVENT_END_FILE: {
        flushEnd();
        const auto& end = *static_cast<const mpv_event_end_file*>(event.data);
        m_pendingEnd =
            PendingEnd{endReason(end.reason), end.reason == MPV_END_FILE_REASON_ERROR &&
                                                  (end.error == MPV_ERROR_UNKNOWN_FORMAT ||
                                                   end.error == MPV_ERROR_NOTHING_TO_PLAY)};
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == LoadTag && event.error < 0) {
            emit loadRejected();
        } else if (event.reply_userdata == DumpTag) {
            emit dumpEnded(event.error >= 0);
        }
        break;
    case MPV_EVENT_LOG_MESSAGE:
        emit logLine(
            QString::fromUtf8(static_cast<const mpv_event_log_message*>(event.data)->text));
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto& property = *static_cast<const mpv_event_property*>(event.data);
        if (!property.data) {
            break;
        }
        switch (event.reply_userdata) {
        case PausedForCacheTag:
            emit cacheFilling(*static_cast<const int*>(property.data) != 0);
            break;
        case CacheStateTag:
            emit cachePercent(static_cast<int>(*static_cast<const int64_t*>(property.data)));
            break;
        case PauseTag:
            emit paused(*static_cast<const int*>(property.data) != 0);
            break;
        case CodecTag:
        case HwdecTag:
            if (property.format == MPV_FORMAT_STRING) {
                (event.reply_userdata == CodecTag ? m_codec : m_decodedBy) =
                    QString::fromUtf8(*static_cast<char* const*>(property.data));
                learnDecoding();
            }
            break;
        case HeldTag:
            if (property.format == MPV_FORMAT_NODE) {
                HeldStream stream = heldStream(*static_cast<const mpv_node*>(property.data));
                // The moment shown, not the demuxer's, which runs ahead into the decoders'
                // queues; read once a report rather than observed at every frame.
                bool ok = false;
                const double shown = this->property("time-pos").toDouble(&ok);
                if (ok) {
                    stream.position = shown;
                }
                emit held(stream);
            }
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

} // namespace rz4::platform
