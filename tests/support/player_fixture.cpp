#include "tests/support/player_fixture.h"

#include "platform/player.h"

#include <QApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

namespace rz4::testsupport {

using namespace std::chrono_literals;

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(bound.count())) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void startChild(QProcess& process, const QString& program, const QStringList& args) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    process.waitForStarted();
}

void LiveChannelSuite::SetUpTestSuite() {
    channels = std::make_unique<LiveChannels>();
    ASSERT_TRUE(channels->serving());
    ASSERT_TRUE(channels->startChannel("ch1"));
}

void LiveChannelSuite::TearDownTestSuite() {
    channels.reset();
}

StatusLog::StatusLog(Player& player) : m_player(player) {
    QObject::connect(&player, &Player::StatusChange, &player,
                     [this] { texts << m_player.status(); });
}

bool StatusLog::reaches(const QString& text, std::chrono::milliseconds bound) const {
    return waitUntil([&] { return m_player.status() == text; }, bound);
}

bool StatusLog::sawStarting(const QString& prefix) const {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString& t) { return t.startsWith(prefix); });
}

bool engineRuns(Player& player) {
    player.startEngine();
    return waitUntil([&] { return !player.engineProperty("mpv-version").isEmpty(); }, 10s);
}

double timePos(const Player& player) {
    return player.engineProperty("time-pos").toDouble();
}

LiveChannels::LiveChannels() : m_port(freePort()) {
    startChild(m_server, QStringLiteral("python3"),
               {"-m", "http.server", QString::number(m_port), "--bind", "127.0.0.1", "--directory",
                m_dir.path()});
    m_serving = waitUntil(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            return socket.waitForConnected(200);
        },
        15s);
}

LiveChannels::~LiveChannels() {
    for (auto& [name, encoder] : m_encoders) {
        killChannel(name);
    }
    m_server.kill();
    m_server.waitForFinished();
}

QString LiveChannels::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
}

bool LiveChannels::startChannel(const QString& name) {
    auto& encoder = m_encoders[name];
    killChannel(name);
    // A restarted channel must not be taken for ready by its predecessor's playlist.
    QDir(m_dir.filePath(name)).removeRecursively();
    QDir(m_dir.path()).mkpath(name);
    encoder = std::make_unique<QProcess>();
    const QString playlist = m_dir.filePath(name + "/index.m3u8");
    startChild(*encoder, QStringLiteral(RZ4_LIVE_CHANNEL), {m_dir.filePath(name)});
    return waitUntil(
        [&] {
            QFile file(playlist);
            return file.open(QIODevice::ReadOnly) && file.readAll().count("#EXTINF") >= 2;
        },
        30s);
}

void LiveChannels::killChannel(const QString& name) {
    const auto it = m_encoders.find(name);
    if (it != m_encoders.end() && it->second) {
        it->second->kill();
        it->second->waitForFinished();
    }
}

QWidget* fullScreenWindow(const QWidget& main) {
    const auto windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [&](QWidget* window) {
        return window != &main && window->isVisible();
    });
    return found == windows.end() ? nullptr : *found;
}

} // namespace rz4::testsupport
