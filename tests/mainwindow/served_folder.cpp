#include "served_folder.h"

#include "mainwindow/version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

const char* const Script = R"(
import http.server, os, sys
os.chdir(sys.argv[1])
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Quiet)
print(server.server_address[1], flush=True)
server.serve_forever()
)";

} // namespace

ServedFolder::ServedFolder() {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The server goes with the test program, even when that one crashes.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral("python3"),
                    {QStringLiteral("-c"), QString::fromUtf8(Script), m_dir.path()});
    QByteArray line;
    // The port line may come in pieces; stop at its end or when python gives up.
    while (!line.contains('\n') && m_process.waitForReadyRead(10000)) {
        line += m_process.readAllStandardOutput();
    }
    m_port = line.trimmed().toInt();
    if (m_port <= 0) {
        ADD_FAILURE() << "the test HTTP server did not start";
    }
}

ServedFolder::~ServedFolder() {
    m_process.kill();
    m_process.waitForFinished();
}

QString ServedFolder::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString ServedFolder::url(const QString& path) const {
    return QStringLiteral("http://") + server() + path;
}

void ServedFolder::put(const QString& path, const QByteArray& bytes) {
    const QString file = m_dir.filePath(path.mid(path.startsWith(QLatin1Char('/')) ? 1 : 0));
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ownVersion() {
    return QByteArray::fromStdString(std::string(rz4::mainwindow::VersionString));
}

QByteArray nextVersion() {
    using namespace rz4::mainwindow;
    return QString::fromStdU16String(versionText(VersionMajor, VersionMinor, VersionRevision + 1))
        .toLatin1();
}

QByteArray gbk(const QString& text) {
    QStringEncoder enc("GB18030");
    return enc(text);
}

QByteArray bitReversed(QByteArray bytes) {
    for (char& c : bytes) {
        auto b = static_cast<unsigned char>(c);
        unsigned char r = 0;
        for (int i = 0; i < 8; ++i) {
            r = static_cast<unsigned char>((r << 1) | ((b >> i) & 1));
        }
        c = static_cast<char>(r);
    }
    return bytes;
}
