// A guide of a million programmes for 10,000 channels (about 100 MB inflated), read as the window
// reads it, against the same bytes merely inflated and tokenised; the memory it takes, the longest
// stall of the GUI thread meanwhile, and a tooltip with now and next against a plain one.
#include "guide/guide_reader.h"
#include "guide/inflating_device.h"
#include "mainwindow/channel_tree_model.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace rz4;

constexpr int Channels = 10000;
constexpr int PerChannel = 100;
constexpr int Slot = 30 * 60;
constexpr int Rounds = 3;
constexpr qint64 Unbounded = qint64(1) << 40;

// Deflates what is appended to it, a chunk at a time: the plain guide is never held whole.
class Gzip {
public:
    Gzip() { deflateInit2(&m_z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY); }
    ~Gzip() { deflateEnd(&m_z); }
    Gzip(const Gzip&) = delete;
    Gzip& operator=(const Gzip&) = delete;

    void append(const QByteArray& plain, int flush = Z_NO_FLUSH) {
        m_plain += plain.size();
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
        m_z.avail_in = static_cast<uInt>(plain.size());
        char out[1 << 16];
        do {
            m_z.next_out = reinterpret_cast<Bytef*>(out);
            m_z.avail_out = sizeof out;
            deflate(&m_z, flush);
            m_packed.append(out, static_cast<qsizetype>(sizeof out - m_z.avail_out));
        } while (m_z.avail_out == 0);
    }
    QByteArray finish() {
        append({}, Z_FINISH);
        return m_packed;
    }
    qint64 plainSize() const { return m_plain; }

private:
    z_stream m_z{};
    QByteArray m_packed;
    qint64 m_plain = 0;
};

QByteArray xmltvTime(qint64 t) {
    return QDateTime::fromSecsSinceEpoch(t + 8 * 3600, Qt::UTC)
               .toString(QStringLiteral("yyyyMMddHHmmss"))
               .toLatin1() +
           " +0800";
}

QString channelName(int c) {
    return QStringLiteral("频道 %1").arg(c);
}

QByteArray makeGuide(qint64 now, qint64& plainSize) {
    Gzip gzip;
    gzip.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n");
    for (int c = 0; c < Channels; ++c) {
        gzip.append("<channel id=\"c" + QByteArray::number(c) + "\"><display-name>" +
                    channelName(c).toUtf8() + "</display-name></channel>\n");
    }
    const qint64 first = now / Slot * Slot - 2 * 3600;
    for (int c = 0; c < Channels; ++c) {
        QByteArray chunk;
        for (int p = 0; p < PerChannel; ++p) {
            const qint64 start = first + qint64(p) * Slot;
            chunk += "<programme start=\"" + xmltvTime(start) + "\" stop=\"" +
                     xmltvTime(start + Slot) + "\" channel=\"c" + QByteArray::number(c) +
                     "\"><title>新闻 " + QByteArray::number(p) + "</title></programme>\n";
        }
        gzip.append(chunk);
    }
    gzip.append("</tv>\n");
    plainSize = gzip.plainSize();
    return gzip.finish();
}

QBuffer* bufferOf(const QByteArray& bytes, QBuffer& buffer) {
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return &buffer;
}

// The baselines: the bytes inflated and scanned for "<", then inflated and tokenised.
qint64 inflateAndScan(const QByteArray& packed) {
    QBuffer buffer;
    guide::InflatingDevice device(*bufferOf(packed, buffer), Unbounded);
    char chunk[1 << 16];
    qint64 tags = 0;
    for (qint64 n = 0; (n = device.read(chunk, sizeof chunk)) > 0;) {
        for (const char* p = chunk;
             (p = static_cast<const char*>(
                  std::memchr(p, '<', static_cast<std::size_t>(chunk + n - p)))) != nullptr;
             ++p) {
            ++tags;
        }
    }
    return tags;
}

qint64 inflateAndTokenise(const QByteArray& packed) {
    QBuffer buffer;
    guide::InflatingDevice device(*bufferOf(packed, buffer), Unbounded);
    QXmlStreamReader xml(&device);
    qint64 tokens = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        ++tokens;
    }
    return tokens;
}

guide::GuideRead readAll(const QByteArray& packed, qint64 now) {
    QBuffer buffer;
    return guide::readGuide(*bufferOf(packed, buffer), now, Unbounded);
}

template <typename F> double bestSeconds(F&& f) {
    double best = 1e9;
    for (int r = 0; r < Rounds; ++r) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

// Resident and peak resident size in KiB; the peak can be reset.
qint64 statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoll(line.substr(std::strlen(key)));
        }
    }
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

const char* verdict(bool met) {
    return met ? "met" : "not met";
}

// The GUI thread's longest gap between ticks of a 1 ms timer while `work` runs (started once the
// loop runs; it calls `done` on the GUI thread when it has finished).
double longestStallMs(const std::function<void(std::function<void()>)>& work) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
        clock.start();
        tick.start(1);
        work([&] { loop.quit(); });
    });
    loop.exec();
    return static_cast<double>(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    qint64 plainSize = 0;
    const QByteArray packed = makeGuide(now, plainSize);
    std::printf("guide: %d channels, %d programmes, %.1f MB inflated, %.1f MB gzip\n", Channels,
                Channels * PerChannel, plainSize / 1e6, packed.size() / 1e6);

    // First, before any other reading has grown the heap.
    const qint64 before = statusKiB("VmRSS:");
    resetPeak();
    const guide::GuideRead kept = readAll(packed, now);
    const double growth = static_cast<double>(statusKiB("VmHWM:") - before) / 1024;
    std::printf("kept: %zu channels, %zu programmes; peak resident growth while reading %.1f MiB "
                "(the gzip bytes, %.1f MiB, were there before)\n",
                kept.guide.channelCount(), kept.guide.programmeCount(), growth,
                packed.size() / 1048576.0);
    std::printf("target: peak resident growth <= 40 MiB: %s\n", verdict(growth <= 40));

    qint64 sink = 0;
    const double scan = bestSeconds([&] { sink += inflateAndScan(packed); });
    const double tokenise = bestSeconds([&] { sink += inflateAndTokenise(packed); });
    const double read = bestSeconds([&] { sink += readAll(packed, now).programmes; });
    std::printf("inflate and scan for '<':      %.3f s (%.0f MB/s)\n", scan,
                plainSize / 1e6 / scan);
    std::printf("inflate and tokenise (Qt XML): %.3f s\n", tokenise);
    std::printf("read into the guide:           %.3f s = %.2fx tokenising, %.2fx scanning\n", read,
                read / tokenise, read / scan);
    std::printf("target: read <= 2x inflating and tokenising the same bytes: %s\n",
                verdict(read <= 2 * tokenise));

    // The tree as the window has it, its channels named as the guide's.
    mainwindow::ChannelTreeModel model(16);
    model.add(std::nullopt, 0, "cat", "cat");
    model.add("cat", 4, "grp", "grp");
    for (int c = 0; c < Channels; ++c) {
        const std::string name = channelName(c).toStdString();
        model.add("grp", 4, std::nullopt, name)->setTag("http://h/" + std::to_string(c));
    }
    model.endOfList();
    const QModelIndex group = model.index(0, 0, model.index(0, 0));

    const double idle = longestStallMs([read](const std::function<void()>& done) {
        QTimer::singleShot(static_cast<int>(read * 1000), done);
    });
    const double stall = longestStallMs([&](const std::function<void()>& done) {
        QThread* reader = QThread::create([&, done] {
            auto result = std::make_shared<guide::GuideRead>(readAll(packed, now));
            QMetaObject::invokeMethod(
                &model,
                [&, result, done] {
                    model.setGuide(std::shared_ptr<const guide::Guide>(result, &result->guide));
                    done();
                },
                Qt::QueuedConnection);
        });
        QObject::connect(reader, &QThread::finished, reader, &QObject::deleteLater);
        reader->start(QThread::LowPriority);
    });
    std::printf("GUI thread's longest stall: %.1f ms while the guide is read on its thread, "
                "%.1f ms idle\n",
                stall, idle);
    std::printf("target: longest frame while reading <= 50 ms: %s\n", verdict(stall <= 50));

    // A tooltip as the view shows one: the model's text, then the tip itself.
    const QPoint at(100, 100);
    auto tooltips = [&](bool withGuide) {
        return bestSeconds([&] {
                   for (int c = 0; c < 2000; ++c) {
                       const QModelIndex index = model.index(c, 0, group);
                       const QString text = withGuide ? index.data(Qt::ToolTipRole).toString()
                                                      : index.data(Qt::DisplayRole).toString();
                       QToolTip::showText(at, text);
                   }
                   QToolTip::hideText();
               }) /
               2000 * 1e6;
    };
    const double plain = tooltips(false);
    const double nowNext = tooltips(true);
    std::printf("tooltip: %.1f us with now and next, %.1f us with the channel's name alone "
                "(%.2fx)\n",
                nowNext, plain, nowNext / plain);
    std::printf("target: a now/next tooltip as fast as a plain one (<= 1.25x): %s\n",
                verdict(nowNext <= 1.25 * plain));
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    std::FILE* load = std::fopen("/proc/loadavg", "r");
    char line[128] = {};
    if (load != nullptr && std::fgets(line, sizeof line, load) != nullptr) {
        std::printf("load average: %s", line);
    }
    if (load != nullptr) {
        std::fclose(load);
    }
    return 0;
}
