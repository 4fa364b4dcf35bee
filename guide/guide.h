#pragma once

#include "guide/xmltv_time.h"

#include <QHash>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace rz4::guide {

struct Programme {
    Seconds start = 0;
    std::optional<Seconds> stop; // none: it runs until the next one starts, as far as is known
    QString title;
};

struct NowNext {
    bool listed = false; // the guide names the channel at all
    std::optional<Programme> now;
    std::optional<Programme> next;
};

// The programmes kept of a guide: for each channel only the few that end after the moment it was
// read, so a guide of any size is held in a few bytes a channel. Channels are found by the XMLTV
// id and by each display name.
class Guide {
public:
    // How many programmes a channel keeps: now and what follows it.
    static constexpr std::size_t Kept = 4;

    explicit Guide(Seconds readAt = 0) : m_readAt(readAt) {}

    // The channel's number, made on first sight; names added later find the same channel.
    int channel(const QString& id);
    void addName(int channel, const QString& name);
    // Whether a programme from start to stop (none: open) would be kept: the reader skips the
    // rest of those that would not.
    bool wants(int channel, Seconds start, std::optional<Seconds> stop) const;
    void add(int channel, Seconds start, std::optional<Seconds> stop, QString title);

    NowNext at(const QString& name, Seconds now) const;
    // When what at() gives for the name next changes after now; none when it never will.
    std::optional<Seconds> nextChange(const QString& name, Seconds now) const;

    std::size_t channelCount() const { return m_channels.size(); }
    std::size_t programmeCount() const;

private:
    // The channel's programmes with open ends closed by their successors.
    std::vector<Programme> programmesOf(const QString& name) const;

    Seconds m_readAt;
    QHash<QString, int> m_byName;
    std::vector<std::vector<Programme>> m_channels; // by start, at most Kept
};

// What a channel's tooltip says of it, in the given zone: "正在播出 20:00–21:00 新闻联播" and
// the next programme on a line of its own; empty when the guide has nothing to say.
QString nowNextText(const NowNext& nowNext, const QTimeZone& zone);

} // namespace rz4::guide
