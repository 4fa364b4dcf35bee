#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A folder of files served over HTTP on 127.0.0.1 by python's http.server, on a free port.
class ServedFolder {
public:
    ServedFolder();
    ~ServedFolder();

    // host:port, as the window takes its channel server.
    QString server() const;
    QString url(const QString& path) const;
    // Writes a file below the served root, creating folders on the way.
    void put(const QString& path, const QByteArray& bytes);
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// Our own version as the server's version page writes it, and the release after it.
QByteArray ownVersion();
QByteArray nextVersion();

// The text as the channel server writes it: GBK.
QByteArray gbk(const QString& text);

// Reverses the bit order of every byte, as the channel server stores its list.
QByteArray bitReversed(QByteArray bytes);
