#include "tools/m3u.h"

#include "channels/cp936.h"
#include "channels/list_markers.h"
#include "tools/extinf.h"
#include "tools/list_address.h"
#include "tools/list_name.h"
#include "tools/tree_json.h"
#include "tools/tvg_id.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace rz4::tools {

namespace {

struct Channel {
    std::string name;
    std::string address;
    std::string tvgId; // empty: the guide finds it by name
};

struct Group {
    std::string name;
    std::vector<Channel> channels;
};

// Where an entry's channels go, decided once for each group value of the playlist.
struct GroupSlot {
    std::optional<std::size_t> index; // into the groups; none when the list cannot carry it
    std::string whyNot;
};

// A line that tells players how to fetch a stream: the client sends no such thing.
struct PlayerOption {
    int line;
    std::string text;
};

bool isPlayerAttribute(std::string_view key) {
    return key == "user-agent" || key == "http-user-agent" || key == "http-referrer" ||
           key == "http-referer" || key == "referrer" || key == "referer";
}

std::vector<PlayerOption> playerOptionsOf(const ExtInf& info, int line) {
    std::vector<PlayerOption> options;
    for (const Attribute& a : info.attributes) {
        if (isPlayerAttribute(a.key)) {
            options.push_back({line, a.key + "=" + a.value});
        }
    }
    return options;
}

class Converter {
public:
    Converter(const M3uOptions& options, M3uConversion& result)
        : m_options(options), m_result(result) {}

    bool setCategory() {
        const ListName category = m_names.write(m_options.category);
        if (category.text.empty() || (category.unwritable > 0 && !m_options.lossy)) {
            message(0, "the category " + jsonString(m_options.category) +
                           (category.text.empty() ? " is empty"
                                                  : " holds characters code page 936 cannot "
                                                    "hold (--lossy writes \"?\")"));
            return false;
        }
        if (!category.changes.empty()) {
            message(0, "changed: category written as " + jsonString(category.text) + ": " +
                           category.changes);
        }
        m_category = category.text;
        m_taken.insert(m_category);
        return true;
    }

    void line(int number, std::string_view text) {
        if (text.starts_with("#EXTINF:")) {
            leaveOutPendingInfo();
            m_info = parseExtInf(text.substr(8));
            m_infoLine = number;
            for (PlayerOption& o : playerOptionsOf(*m_info, number)) {
                m_pendingOptions.push_back(std::move(o));
            }
        } else if (text.starts_with("#EXTM3U")) {
            for (const PlayerOption& o : playerOptionsOf(parseExtInf(text.substr(7)), number)) {
                message(number, "player option dropped: " + jsonString(o.text) +
                                    " for every entry: the client sends none");
            }
        } else if (text.starts_with("#EXTVLCOPT:") || text.starts_with("#KODIPROP:") ||
                   text.starts_with("#EXTHTTP:")) {
            m_pendingOptions.push_back({number, std::string(text)});
        } else if (text.starts_with("#EXTGRP:")) {
            m_extGroup = trimmed(text.substr(8));
        } else if (!text.empty() && !text.starts_with('#')) {
            entry(number, text);
        }
    }

    void finish() {
        leaveOutPendingInfo();
        for (const PlayerOption& o : m_pendingOptions) {
            message(o.line,
                    "player option ignored: " + jsonString(o.text) + " has no entry after it");
        }
        for (const auto& [value, split] : m_splits) {
            message(split.first, "changed: group list " + jsonString(value) + " (" +
                                     std::to_string(split.second) +
                                     " entries): the channels go to its first group only");
        }
        if (m_result.entries == 0) {
            message(0, "no entries in the playlist");
        }
        splitLongGroups();
        write();
        std::stable_sort(m_result.messages.begin(), m_result.messages.end(),
                         [](const Problem& a, const Problem& b) { return a.line < b.line; });
    }

private:
    void message(int line, std::string text) {
        m_result.messages.push_back({line, std::move(text)});
    }

    void leaveOutPendingInfo() {
        if (m_info) {
            ++m_result.entries;
            ++m_result.leftOut;
            message(m_infoLine,
                    "left out: channel " + jsonString(m_info->name) + ": no address after it");
            m_info.reset();
        }
    }

    void entry(int addressLine, std::string_view address) {
        ++m_result.entries;
        const int line = m_info ? m_infoLine : addressLine;
        std::string name = m_info ? m_info->name : std::string();
        if (name.empty() && m_info) {
            name = m_info->value("tvg-name").value_or("");
        }
        std::string tvgId(m_info ? trimmed(m_info->value("tvg-id").value_or("")) : "");
        const ListAddress fitted = listAddress(address, m_options.encodeQuery);
        std::vector<PlayerOption> options = std::move(m_pendingOptions);
        m_pendingOptions.clear();
        if (!fitted.playerOptions.empty()) {
            options.push_back({addressLine, "|" + fitted.playerOptions});
        }
        const ListName listName = m_names.write(name);
        std::string whyNot = fitted.whyNot;
        if (listName.text.empty()) {
            whyNot = "no name (nothing after the comma of #EXTINF, no tvg-name)";
        } else if (listName.unwritable > 0 && !m_options.lossy) {
            whyNot = "the name holds " + std::to_string(listName.unwritable) +
                     " character(s) that code page 936 cannot hold (--lossy writes \"?\")";
        }
        bool split = false;
        const GroupSlot* slot = whyNot.empty() ? &groupSlot(line, split) : nullptr;
        if (slot != nullptr) {
            whyNot = slot->whyNot;
        }
        m_info.reset();
        m_extGroup.clear();
        if (!whyNot.empty()) {
            ++m_result.leftOut;
            message(line, "left out: channel " + jsonString(name) + ", address " +
                              jsonString(std::string(address)) + ": " + whyNot);
            return;
        }

        std::string changes;
        if (!listName.changes.empty()) {
            changes =
                "name written as " + jsonString(listName.text) + " (" + listName.changes + ")";
        }
        if (!fitted.change.empty()) {
            changes += std::string(changes.empty() ? "" : "; ") + "address written as " +
                       jsonString(fitted.address) + " (" + fitted.change + ")";
        }
        if (!changes.empty()) {
            message(line, "changed: channel " + jsonString(name) + ": " + changes);
        }
        for (const PlayerOption& o : options) {
            message(o.line, "player option dropped: " + jsonString(o.text) + " of channel " +
                                jsonString(listName.text) + ": the client sends none");
        }
        if (!changes.empty() || !options.empty() || split) {
            ++m_result.changed;
        }
        if (const std::string_view why = whyNoTvgIdLine(tvgId); !why.empty()) {
            message(line, "tvg-id " + jsonString(tvgId) + " of channel " +
                              jsonString(listName.text) + " not kept: " + std::string(why) +
                              "; the guide finds it by name");
            tvgId.clear();
        }
        m_groups[*slot->index].channels.push_back({listName.text, fitted.address, tvgId});
        ++m_result.channels;
    }

    // The group value the entry names; of a ";" list, the first.
    std::string groupValue(int line, bool& split) {
        if (m_options.groupBy == GroupBy::None) {
            return std::string(AllChannelsName);
        }
        std::string value;
        if (m_info) {
            const bool byTitle = m_options.groupBy == GroupBy::GroupTitle;
            value = trimmed(m_info->value(byTitle ? "group-title" : "tvg-country").value_or(""));
            if (value.empty() && byTitle) {
                value = m_extGroup;
            }
        } else if (m_options.groupBy == GroupBy::GroupTitle) {
            value = m_extGroup;
        }
        if (value.find(';') != std::string::npos) {
            ++m_splits.try_emplace(value, line, 0).first->second.second;
            split = true;
            std::string_view rest = value;
            std::string_view first;
            while (first.empty() && !rest.empty()) {
                const std::size_t end = std::min(rest.find(';'), rest.size());
                first = trimmed(rest.substr(0, end));
                rest.remove_prefix(std::min(end + 1, rest.size()));
            }
            value = first;
        }
        return value.empty() ? std::string(UngroupedName) : value;
    }

    const GroupSlot& groupSlot(int line, bool& split) {
        const std::string value = groupValue(line, split);
        const auto [it, isNew] = m_slots.try_emplace(value);
        if (!isNew) {
            return it->second;
        }
        GroupSlot& slot = it->second;
        ListName name = m_names.write(value);
        if (name.text.empty()) {
            name = m_names.write(UngroupedName); // a value of control characters only
        }
        if (name.unwritable > 0 && !m_options.lossy) {
            slot.whyNot = "its group " + jsonString(value) +
                          " holds characters code page 936 cannot hold (--lossy writes \"?\")";
        } else if (name.text == m_category) {
            slot.whyNot = "its group " + jsonString(value) +
                          " has the category's name; choose another with --category";
        } else {
            if (!name.changes.empty()) {
                message(line, "changed: group " + jsonString(value) + " written as " +
                                  jsonString(name.text) + ": " + name.changes);
            }
            const auto [index, added] = m_groupIndex.try_emplace(name.text, m_groups.size());
            if (added) {
                m_groups.push_back({name.text, {}});
                m_taken.insert(name.text);
            }
            slot.index = index->second;
        }
        return slot;
    }

    void splitLongGroups() {
        const std::size_t most = m_options.maxGroup;
        if (most == 0) {
            return;
        }
        std::vector<Group> groups;
        for (Group& group : m_groups) {
            const std::size_t size = group.channels.size();
            if (size <= most) {
                groups.push_back(std::move(group));
                continue;
            }
            const std::size_t parts = (size + most - 1) / most;
            for (std::size_t part = 0; part < parts; ++part) {
                std::string name = group.name + " " + std::to_string(part + 1);
                while (!m_taken.insert(name).second) {
                    name += "+";
                }
                const auto from = group.channels.begin() + static_cast<std::ptrdiff_t>(part * most);
                const auto to = part + 1 == parts ? group.channels.end()
                                                  : from + static_cast<std::ptrdiff_t>(most);
                groups.push_back(
                    {name, {std::make_move_iterator(from), std::make_move_iterator(to)}});
            }
            m_result.notes.push_back(
                "group " + jsonString(group.name) + ": " + std::to_string(size) + " channels in " +
                std::to_string(parts) + " groups of at most " + std::to_string(most));
        }
        m_groups = std::move(groups);
    }

    void write() {
        if (m_result.channels == 0) {
            return;
        }
        channels::Cp936Encoder encoder;
        std::string& list = m_result.list;
        auto line = [&](const std::string& text) {
            encoder.encode(text, list);
            list += "\r\n";
        };
        line(channels::marker::Category + m_category);
        for (const Group& group : m_groups) {
            if (group.channels.empty()) {
                continue;
            }
            line(channels::marker::GroupOpen + group.name + channels::marker::GroupClose);
            for (const Channel& channel : group.channels) {
                line(channel.name + channels::marker::Address + channel.address);
                if (!channel.tvgId.empty()) {
                    line(std::string(TvgIdLine) + channel.tvgId);
                }
            }
            ++m_result.groups;
        }
    }

    const M3uOptions& m_options;
    M3uConversion& m_result;
    NameWriter m_names;
    std::string m_category;
    std::optional<ExtInf> m_info;
    int m_infoLine = 0;
    std::string m_extGroup;
    std::vector<PlayerOption> m_pendingOptions;
    std::vector<Group> m_groups;
    std::map<std::string, std::size_t, std::less<>> m_groupIndex;     // by name as written
    std::map<std::string, GroupSlot, std::less<>> m_slots;            // by value in the playlist
    std::set<std::string, std::less<>> m_taken;                       // keys of the list so far
    std::map<std::string, std::pair<int, int>, std::less<>> m_splits; // first line, entries
};

} // namespace

M3uConversion convertM3u(std::string_view playlist, const M3uOptions& options) {
    M3uConversion result;
    Converter converter(options, result);
    if (!converter.setCategory()) {
        return result;
    }
    if (playlist.starts_with("\xEF\xBB\xBF")) {
        playlist.remove_prefix(3);
    }
    int number = 0;
    for (std::size_t pos = 0; pos < playlist.size();) {
        // Lines end at LF, CR LF or CR alone: a CR left in a name would split its list line.
        const std::size_t end = std::min(playlist.find_first_of("\r\n", pos), playlist.size());
        converter.line(++number, trimmed(playlist.substr(pos, end - pos)));
        pos = end + (playlist.substr(end).starts_with("\r\n") ? 2 : 1);
    }
    converter.finish();
    return result;
}

} // namespace rz4::tools
