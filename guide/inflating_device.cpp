#include "guide/inflating_device.h"

#include "guide/utf8_repair.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace rz4::guide {

namespace {

constexpr qint64 InputChunk = 64 * 1024;

} // namespace

struct InflatingDevice::Zlib {
    z_stream stream{};
    bool inMember = false;
    int members = 0;
    explicit Zlib(QByteArray& first) {
        inflateInit2(&stream, 16 + MAX_WBITS);
        stream.next_in = reinterpret_cast<Bytef*>(first.data());
        stream.avail_in = static_cast<uInt>(first.size());
    }
    ~Zlib() { inflateEnd(&stream); }
    Zlib(const Zlib&) = delete;
    Zlib& operator=(const Zlib&) = delete;
};

InflatingDevice::InflatingDevice(QIODevice& source, qint64 maxExpanded,
                                 const std::atomic<bool>* cancel)
    : m_source(source), m_maxExpanded(maxExpanded), m_cancel(cancel) {
    open(QIODevice::ReadOnly);
}

InflatingDevice::~InflatingDevice() = default;

bool InflatingDevice::atEnd() const {
    return m_ended && QIODevice::atEnd();
}

qint64 InflatingDevice::fail(const QString& why) {
    m_failure = why;
    m_ended = true;
    return -1;
}

qint64 InflatingDevice::readData(char* data, qint64 maxSize) {
    if (maxSize <= 0) {
        return 0;
    }
    const bool first = !m_started;
    auto total = static_cast<qint64>(m_carry.size());
    std::memcpy(data, m_carry.constData(), m_carry.size());
    m_carry.clear();
    for (;;) {
        const qint64 got = total < maxSize ? produce(data + total, maxSize - total) : 0;
        if (got < 0) {
            return -1;
        }
        if (first) {
            m_repair = declaresUtf8(std::string_view(data, static_cast<std::size_t>(got)));
        }
        total += got;
        if (!m_repair) {
            return total;
        }
        const bool atEnd = got == 0;
        const bool full = total == maxSize;
        const auto whole = static_cast<qint64>(
            repairUtf8(data, static_cast<std::size_t>(total), atEnd || (full && total <= 3)));
        // Returning nothing would read as the end: a lone unfinished sequence waits for more.
        if (whole > 0 || atEnd || full) {
            m_carry = QByteArray(data + whole, total - whole);
            return whole;
        }
    }
}

qint64 InflatingDevice::produce(char* data, qint64 maxSize) {
    if (m_ended) {
        return m_failure.isEmpty() ? 0 : -1;
    }
    if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed)) {
        return fail(QStringLiteral("cancelled"));
    }
    if (!m_started) {
        m_started = true;
        m_input = m_source.read(InputChunk);
        if (m_input.startsWith("\x1f\x8b")) {
            m_zlib = std::make_unique<Zlib>(m_input);
        }
    }
    qint64 got = 0;
    if (m_zlib) {
        got = inflateInto(data, maxSize);
    } else {
        if (m_input.isEmpty()) {
            m_input = m_source.read(InputChunk);
        }
        got = std::min<qint64>(maxSize, m_input.size());
        std::memcpy(data, m_input.constData(), static_cast<std::size_t>(got));
        m_input.remove(0, got);
        if (got == 0) {
            m_ended = true;
        }
    }
    if (got < 0) {
        return -1;
    }
    m_expanded += got;
    if (m_expanded > m_maxExpanded) {
        return fail(QStringLiteral("larger than %1 bytes when inflated").arg(m_maxExpanded));
    }
    return got;
}

qint64 InflatingDevice::inflateInto(char* data, qint64 maxSize) {
    z_stream& z = m_zlib->stream;
    const auto room = static_cast<uInt>(std::min<qint64>(maxSize, 1 << 30));
    z.next_out = reinterpret_cast<Bytef*>(data);
    z.avail_out = room;
    while (z.avail_out == room) {
        if (z.avail_in == 0) {
            m_input = m_source.read(InputChunk);
            z.next_in = reinterpret_cast<Bytef*>(m_input.data());
            z.avail_in = static_cast<uInt>(m_input.size());
        }
        if (z.avail_in == 0) {
            if (m_zlib->inMember) {
                return fail(QStringLiteral("the gzip data ends early (cut off?)"));
            }
            m_ended = true;
            return 0;
        }
        // Concatenated gzip members are one file, as gunzip reads them; anything else after a
        // member (padding) is not.
        if (!m_zlib->inMember && m_zlib->members > 0 && z.next_in[0] != 0x1f) {
            m_ended = true;
            break;
        }
        m_zlib->inMember = true;
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            m_zlib->inMember = false;
            ++m_zlib->members;
            inflateReset(&z);
        } else if (status != Z_OK) {
            return fail(QStringLiteral("not valid gzip data"));
        }
    }
    return reinterpret_cast<char*>(z.next_out) - data;
}

} // namespace rz4::guide
