#pragma once

#include "guide/xmltv_time.h"
#include "tools/tvg_id.h"

#include <QByteArray>
#include <QIODevice>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rz4::tools {

struct ListChannel {
    std::string name;  // as the list writes it
    std::string tvgId; // from the id line after it; empty: matched by display name
};

// The channels of a list file as the server serves it, in list order, with their guide ids.
std::vector<ListChannel> listChannels(const std::string& listFile);

struct GuideOptions {
    guide::Seconds now = 0;
    guide::Seconds past = 2 * 3600;   // programmes that ended longer ago go
    guide::Seconds ahead = 48 * 3600; // and those that start later
    std::map<std::string, guide::Seconds, std::less<>> shifts; // by list channel name
};

struct GuideFilter {
    QByteArray guide; // the XMLTV document to serve, plain; empty when nothing may be written
    int listChannels = 0;
    int withGuide = 0;
    qint64 programmesRead = 0;
    qint64 programmesKept = 0;
    std::vector<std::string> listMessages;  // about the list's channels
    std::vector<std::string> guideMessages; // about the guide's
    std::string failure;                    // why nothing was written
};

// Keeps of an XMLTV guide (plain or gzip) only the programmes of the list's channels within the
// window, under the list's own names: a channel with a tvg-id is matched by the guide's channel
// id, any other by a display name written as the list writes names.
GuideFilter filterGuide(const std::vector<ListChannel>& list, QIODevice& guide,
                        const GuideOptions& options);

} // namespace rz4::tools
