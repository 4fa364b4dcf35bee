#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace rz4::platform {
class Player;
}

namespace rz4::testsupport {

using platform::Player;

// Live HLS channels made by ffmpeg in real time and served by an HTTP server on 127.0.0.1, both
// started here and killed when this object goes (or when the test process dies).
class LiveChannels {
public:
    LiveChannels();
    ~LiveChannels();

    bool serving() const { return m_serving; }
    QString url(const QString& path) const;
    QString dir() const { return m_dir.path(); }

    // Starts channel `name` and waits until its playlist has two segments.
    bool startChannel(const QString& name);
    void killChannel(const QString& name);

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    std::map<QString, std::unique_ptr<QProcess>> m_encoders;
    quint16 m_port = 0;
    bool m_serving = false;
};

// A port on 127.0.0.1 that was free a moment ago.
quint16 freePort();

// Runs the event loop until `done` holds or `bound` passes; false on timeout.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

// Starts a child process that dies with the test process.
void startChild(QProcess& process, const QString& program, const QStringList& args);

// A suite of player tests with the live channel "ch1" running for all of its tests.
class LiveChannelSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static inline std::unique_ptr<LiveChannels> channels;
};

// Every status the player announced, in order.
class StatusLog {
public:
    explicit StatusLog(Player& player);
    bool reaches(const QString& text, std::chrono::milliseconds bound) const;
    bool sawStarting(const QString& prefix) const;
    QString joined() const { return texts.join(QStringLiteral(" | ")); }
    QStringList texts;

private:
    Player& m_player;
};

// The window the player shows the video in full screen: a shown top-level other than `main`.
QWidget* fullScreenWindow(const QWidget& main);

// Starts the player's engine and waits until it runs, as the window does once it is shown.
bool engineRuns(Player& player);

// Seconds of the stream played so far, from the engine.
double timePos(const Player& player);

} // namespace rz4::testsupport
