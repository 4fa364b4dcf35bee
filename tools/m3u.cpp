#include "tools/m3u.h"

#include "channels/cp936.h"
#include "common/stream_address.h"
#include "tools/tree_json.h"

#include <map>
#include <optional>

namespace rz4::tools {

namespace {

struct Entry {
    int line;
    std::string name;
    std::string address;
};

struct Group {
    int line;
    std::string name;
    std::vector<Entry> channels;
};

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The markers would cut or split a name; their full-width forms read the same to a viewer.
std::string withoutMarkers(std::string_view name) {
    std::string clean;
    for (const char c : name) {
        switch (c) {
        case '*':
            clean += "＊";
            break;
        case ']':
            clean += "］";
            break;
        case '|':
            clean += "｜";
            break;
        default:
            clean += c;
        }
    }
    return clean;
}

// Addresses go out in plain ASCII: anything beyond it is percent-encoded as UTF-8.
std::string asciiAddress(std::string_view address) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string ascii;
    for (const char c : address) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            ascii += c;
        } else {
            ascii += {'%', hex[b >> 4], hex[b & 15]};
        }
    }
    return ascii;
}

struct ExtInf {
    std::string name;
    std::string group;
};

// "#EXTINF:-1 tvg-id="x" group-title="News",Channel name": the name follows the first comma
// outside quotes.
ExtInf parseExtInf(std::string_view info) {
    bool quoted = false;
    std::size_t comma = std::string_view::npos;
    for (std::size_t i = 0; i < info.size() && comma == std::string_view::npos; ++i) {
        if (info[i] == '"') {
            quoted = !quoted;
        } else if (info[i] == ',' && !quoted) {
            comma = i;
        }
    }
    const std::string_view attributes = info.substr(0, comma);
    ExtInf result;
    if (comma != std::string_view::npos) {
        result.name = trim(info.substr(comma + 1));
    }
    constexpr std::string_view groupTitle = "group-title=\"";
    if (const auto at = attributes.find(groupTitle); at != std::string_view::npos) {
        const auto start = at + groupTitle.size();
        result.group = trim(attributes.substr(start, attributes.find('"', start) - start));
    }
    return result;
}

class ListWriter {
public:
    ListWriter(M3uConversion& result, bool lossy) : m_result(result), m_lossy(lossy) {}

    // Appends one line of the list, reporting what code page 936 cannot hold.
    void line(int sourceLine, std::string_view text) {
        const std::size_t replaced = m_encoder.encode(text, m_result.list);
        m_result.list += "\r\n";
        if (replaced > 0) {
            std::string message = jsonString(text) + ": " + std::to_string(replaced) +
                                  " character(s) that code page 936 cannot hold";
            if (m_lossy) {
                m_result.warnings.push_back({sourceLine, message + ", written as \"?\""});
            } else {
                m_result.errors.push_back({sourceLine, message + " (--lossy writes \"?\")"});
            }
        }
    }

private:
    M3uConversion& m_result;
    bool m_lossy;
    channels::Cp936Encoder m_encoder;
};

} // namespace

M3uConversion convertM3u(std::string_view playlist, const std::string& category, bool lossy) {
    M3uConversion result;
    auto warn = [&](int line, std::string message) {
        result.warnings.push_back({line, std::move(message)});
    };
    auto fail = [&](int line, std::string message) {
        result.errors.push_back({line, std::move(message)});
    };
    auto cleanName = [&](int line, std::string_view name) {
        std::string clean = withoutMarkers(name);
        if (clean != name) {
            warn(line, jsonString(name) + ": \"*\", \"]\" and \"|\" written full-width");
        }
        return clean;
    };

    std::vector<Group> groups;
    std::map<std::string, std::size_t, std::less<>> groupIndex;
    std::optional<ExtInf> info;
    int infoLine = 0;
    std::string extGroup;

    if (playlist.starts_with("\xEF\xBB\xBF")) {
        playlist.remove_prefix(3);
    }
    int lineNumber = 0;
    for (std::size_t pos = 0; pos < playlist.size();) {
        // Lines end at LF, CR LF or CR alone: a CR left in a name would split its list line.
        const std::size_t end = std::min(playlist.find_first_of("\r\n", pos), playlist.size());
        const std::string_view line = trim(playlist.substr(pos, end - pos));
        pos = end + (playlist.substr(end).starts_with("\r\n") ? 2 : 1);
        ++lineNumber;
        if (line.starts_with("#EXTINF:")) {
            info = parseExtInf(line.substr(8));
            infoLine = lineNumber;
            continue;
        }
        if (line.starts_with("#EXTGRP:")) {
            extGroup = trim(line.substr(8));
            continue;
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }

        const int entryLine = info ? infoLine : lineNumber;
        const std::string address = asciiAddress(line);
        if (address.find_first_of("*]") != std::string::npos) {
            fail(entryLine, "address " + jsonString(address) +
                                " holds \"*\" or \"]\", which the client reads as a marker");
        } else if (!common::isNetworkStream(address)) {
            warn(entryLine, "address " + jsonString(address) +
                                " is not a network stream: the client will not play it");
        }
        std::string groupName = info && !info->group.empty() ? info->group : extGroup;
        if (groupName.empty()) {
            groupName = UngroupedName;
        }
        groupName = cleanName(entryLine, groupName);
        const std::string name =
            cleanName(entryLine, info && !info->name.empty() ? std::string_view(info->name) : line);

        auto [it, isNew] = groupIndex.try_emplace(groupName, groups.size());
        if (isNew) {
            groups.push_back({entryLine, groupName, {}});
        }
        groups[it->second].channels.push_back({entryLine, name, address});
        info.reset();
        extGroup.clear();
    }

    const std::string categoryName = withoutMarkers(category);
    if (trim(categoryName).empty()) {
        fail(0, "the category needs a name");
    }
    if (groups.empty()) {
        fail(0, "no channels in the playlist");
    }
    ListWriter writer(result, lossy);
    writer.line(0, "*" + categoryName);
    for (const Group& group : groups) {
        // Categories and groups share one key space: this group would vanish into the category.
        if (group.name == categoryName) {
            fail(group.line, "group " + jsonString(group.name) +
                                 " has the category's name; choose another with --category");
        }
        writer.line(group.line, "[" + group.name + "]");
        for (const Entry& channel : group.channels) {
            writer.line(channel.line, channel.name + "|" + channel.address);
        }
        result.channels += static_cast<int>(group.channels.size());
    }
    result.groups = static_cast<int>(groups.size());
    return result;
}

} // namespace rz4::tools
