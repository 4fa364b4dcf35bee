#pragma once

#include <QByteArray>
#include <QIODevice>

#include <atomic>
#include <memory>

namespace rz4::guide {

// Reads a guide's bytes from a source device, inflating them when they are gzip (by their first
// bytes, so a plain file works as well), and stops with an error past maxExpanded bytes: a small
// file that inflates without end is refused, not followed. A set cancel flag stops it too. In a
// UTF-8 document, bytes that are not UTF-8 are read as "?".
class InflatingDevice : public QIODevice {
    Q_OBJECT
public:
    InflatingDevice(QIODevice& source, qint64 maxExpanded,
                    const std::atomic<bool>* cancel = nullptr);
    ~InflatingDevice() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    // What went wrong, empty when the bytes ended as they should.
    QString failure() const { return m_failure; }
    qint64 expanded() const { return m_expanded; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* /*data*/, qint64 /*maxSize*/) override { return -1; }

private:
    qint64 produce(char* data, qint64 maxSize);
    qint64 inflateInto(char* data, qint64 maxSize);
    qint64 fail(const QString& why);

    struct Zlib;
    QIODevice& m_source;
    qint64 m_maxExpanded;
    const std::atomic<bool>* m_cancel;
    std::unique_ptr<Zlib> m_zlib; // null for plain bytes
    QByteArray m_input;
    bool m_started = false;
    bool m_repair = false;
    QByteArray m_carry; // the start of a UTF-8 sequence the next bytes finish
    bool m_ended = false;
    qint64 m_expanded = 0;
    QString m_failure;
};

} // namespace rz4::guide
