#include "mainwindow/channel_server.h"

#include "channels/codec.h"
#include "channels/list_size.h"
#include "channels/reader.h"
#include "common/runtime_error.h"
#include "mainwindow/version.h"
#include "platform/http.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <utility>

namespace rz4::mainwindow {

namespace {

constexpr std::string_view VersionPath = "/zhibo/RZ4/soft/Version.html";
constexpr std::string_view ListPath = "/zhibo/RZ4/soft/baby1.mdb";
constexpr std::string_view LogoPath = "/zhibo/RZ4/soft/Ostrel.jpg";
constexpr std::string_view PagePath = "/zhibo/RZ4/soft/mini.htm";

// Start-up must not keep the window away for long whatever the server does: each request has a
// few seconds to be answered, the version page (a line of text) a few seconds in all, and the
// list must then keep flowing at a rate any real link gives: a 3 MB list over 200 KiB/s arrives,
// a trickle or a stall is dropped within one window. A silent server costs 8 s in all.
const platform::Limits VersionLimits{
    .answer = std::chrono::seconds(4), .total = std::chrono::seconds(4), .minRate = 0};
const platform::Limits ListLimits{.answer = std::chrono::seconds(4),
                                  .total = std::chrono::seconds(60),
                                  .window = std::chrono::seconds(4),
                                  .minRate = 8 * 1024};

} // namespace

ChannelServer::ChannelServer(QString server)
    : m_server(std::move(server)), m_http(std::make_unique<platform::HttpClient>()),
      m_versionRequest(m_http->startText(QUrl(address(VersionPath)), VersionLimits)) {}

ChannelServer::~ChannelServer() = default;

QString ChannelServer::address(std::string_view path) const {
    return homeAddress() + QLatin1String(path.data(), static_cast<qsizetype>(path.size()));
}

QString ChannelServer::homeAddress() const {
    return QStringLiteral("http://") + m_server;
}

QString ChannelServer::logoAddress() const {
    return address(LogoPath);
}

QString ChannelServer::pageAddress() const {
    return address(PagePath);
}

bool ChannelServer::announcesNewerVersion() {
    if (!m_versionRequest) {
        return false;
    }
    const platform::TextReply reply = std::exchange(m_versionRequest, nullptr)->wait();
    // Only a real version page can announce a release; an error page or silence says nothing.
    return reply.ok() && isNewerVersion(reply.text.toStdU16String(),
                                        versionText(VersionMajor, VersionMinor, VersionRevision));
}

QString ChannelServer::updatePrompt() const {
    return QString::fromStdU16String(mainwindow::updatePrompt(homeAddress().toStdU16String()));
}

QString ChannelServer::readChannelList(channels::ChannelTree& tree) {
    // A private folder: the list never lands in (or overwrites something in) the user's current
    // directory, and the folder goes with everything in it whatever happens below.
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        return QStringLiteral("cannot make a folder for it in %1: %2")
            .arg(QDir::toNativeSeparators(QDir::tempPath()), folder.errorString());
    }
    const QString listFile = folder.filePath(QStringLiteral("baby1.mdb"));
    const platform::DownloadResult list =
        m_http->download(QUrl(address(ListPath)), listFile, ListLimits, channels::MaxListBytes);
    if (!list.ok) {
        return list.error;
    }
    const std::string name = QFile::encodeName(listFile).toStdString();
    QString failure;
    try {
        channels::code(name);
        channels::readtree(name, tree);
    } catch (const common::RuntimeError& e) {
        // The folder is ours alone: failing to read it back is no reason to quit.
        failure = QString::fromStdString(e.description());
        if (failure.isEmpty()) {
            failure = QStringLiteral("cannot read it"); // never an empty reason for a failure
        }
    }
    QFile::remove(listFile);
    return failure;
}

} // namespace rz4::mainwindow
