#include "mainwindow/guide_feed.h"

#include "guide/guide_reader.h"
#include "platform/http.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimer>
#include <QUrl>

#include <array>
#include <cstdio>

namespace rz4::mainwindow {

namespace {

// Tried in this order: the gzip file is a tenth of the other.
const std::array<const char*, 2> GuideFiles{"/zhibo/RZ4/soft/epg.xml.gz",
                                            "/zhibo/RZ4/soft/epg.xml"};

// The list's bounds, with time for a guide ten times its size; inflated, a guide may grow to
// 512 MiB, several times the largest real ones, and is read without ever being held whole.
const platform::Limits GuideLimits{.answer = std::chrono::seconds(4),
                                   .total = std::chrono::seconds(120),
                                   .window = std::chrono::seconds(4),
                                   .minRate = 8 * 1024};
constexpr qint64 MaxGuideBytes = 32 * 1024 * 1024;
// A channel keeps only its next few programmes: the guide is read again well before they run out.
constexpr std::chrono::hours ReadAgainAfter{1};
constexpr qint64 MaxInflatedBytes = 512 * 1024 * 1024;

void say(const QString& line) {
    std::fprintf(stderr, "rz4tv: %s\n", line.toLocal8Bit().constData());
}

} // namespace

GuideFeed::GuideFeed(QString channelServer, QObject* parent)
    : QObject(parent), m_server(std::move(channelServer)),
      m_http(std::make_unique<platform::HttpClient>()) {}

GuideFeed::~GuideFeed() {
    m_pending.reset();
    m_cancel = true;
    if (m_reader) {
        m_reader->wait();
    }
}

void GuideFeed::start() {
    fetch(0);
}

void GuideFeed::fetch(int file) {
    const QUrl url(QStringLiteral("http://") + m_server + QLatin1String(GuideFiles[file]));
    m_pending = m_http->fetchBytes(
        url, GuideLimits, MaxGuideBytes, [this, file](const platform::BytesReply& reply) {
            if (reply.ok()) {
                read(reply.body);
            } else if (reply.status == 404 && file == 0) {
                fetch(1);
            } else if (reply.status == 404) {
                say(QStringLiteral("no programme guide on the channel "
                                   "server (epg.xml.gz, epg.xml)"));
            } else {
                say(QStringLiteral("programme guide not loaded: ") + reply.error);
            }
        });
}

void GuideFeed::read(QByteArray bytes) {
    if (m_reader) {
        m_reader->wait();
    }
    m_reader.reset(QThread::create([this, bytes = std::move(bytes)] {
        QBuffer source;
        source.setData(bytes);
        source.open(QIODevice::ReadOnly);
        auto read = std::make_shared<guide::GuideRead>(guide::readGuide(
            source, QDateTime::currentSecsSinceEpoch(), MaxInflatedBytes, &m_cancel));
        QMetaObject::invokeMethod(
            this,
            [this, read] {
                // Nothing read is no guide: channels are not all said to be missing from it.
                if (read->guide.channelCount() == 0) {
                    say(QStringLiteral("programme guide not loaded: ") +
                        (read->failure.isEmpty() ? QStringLiteral("it names no channel")
                                                 : read->failure));
                    return;
                }
                if (!read->failure.isEmpty()) {
                    say(QStringLiteral("programme guide read only up to ") + read->failure +
                        QStringLiteral("; what came before it is shown"));
                }
                m_guide = std::shared_ptr<const guide::Guide>(read, &read->guide);
                emit guideChanged();
                QTimer::singleShot(ReadAgainAfter, this, [this] { fetch(0); });
            },
            Qt::QueuedConnection);
    }));
    m_reader->start(QThread::LowPriority);
}

} // namespace rz4::mainwindow
