#pragma once

#include <QString>

#include <memory>
#include <string_view>

namespace rz4::channels {
class ChannelTree;
}
namespace rz4::platform {
class HttpClient;
class PendingText;
} // namespace rz4::platform

namespace rz4::mainwindow {

// The program's client of its channel server: the addresses it serves, the version check and the
// channel list, each request within bounds that keep start-up short whatever the server does.
class ChannelServer {
public:
    // server: host[:port]. The version request goes out at once, so that it is on the wire while
    // the rest of the window is made.
    explicit ChannelServer(QString server);
    ~ChannelServer();
    ChannelServer(const ChannelServer&) = delete;
    ChannelServer& operator=(const ChannelServer&) = delete;

    QString homeAddress() const;
    QString logoAddress() const;
    QString pageAddress() const;

    // Waits for the version page (events are handled meanwhile); true when it announces a newer
    // release than ours. Once only.
    bool announcesNewerVersion();
    // The message that sends the user to the home page for it.
    QString updatePrompt() const;

    // Downloads the list into a private temporary folder, decodes it there and reads it into
    // tree; the folder goes with everything in it. Says why when no list could be had or read,
    // nothing when it was read.
    QString readChannelList(channels::ChannelTree& tree);

private:
    QString address(std::string_view path) const;

    QString m_server;
    std::unique_ptr<platform::HttpClient> m_http;
    std::unique_ptr<platform::PendingText> m_versionRequest;
};

} // namespace rz4::mainwindow
