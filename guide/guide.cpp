#include "guide/guide.h"

#include <QDateTime>

#include <algorithm>

namespace rz4::guide {

namespace {

// Where it ends: an open end is closed by the next programme's start.
std::optional<Seconds> endOf(const std::vector<Programme>& list, std::size_t i) {
    if (!list[i].stop && i + 1 < list.size()) {
        return list[i + 1].start;
    }
    return list[i].stop;
}

} // namespace

int Guide::channel(const QString& id) {
    const auto it = m_byName.constFind(id);
    if (it != m_byName.constEnd()) {
        return it.value();
    }
    const int number = static_cast<int>(m_channels.size());
    m_channels.emplace_back();
    m_byName.insert(id, number);
    return number;
}

void Guide::addName(int channel, const QString& name) {
    // The first channel to take a name keeps it: ids before display names.
    if (!m_byName.contains(name)) {
        m_byName.insert(name, channel);
    }
}

bool Guide::wants(int channel, Seconds start, std::optional<Seconds> stop) const {
    if (stop && *stop <= m_readAt) {
        return false;
    }
    const std::vector<Programme>& kept = m_channels[static_cast<std::size_t>(channel)];
    return kept.size() < Kept || start < kept.back().start;
}

void Guide::add(int channel, Seconds start, std::optional<Seconds> stop, QString title) {
    if (stop && *stop < start) {
        stop = start;
    }
    if (!wants(channel, start, stop)) {
        return;
    }
    std::vector<Programme>& kept = m_channels[static_cast<std::size_t>(channel)];
    const auto at = std::lower_bound(kept.begin(), kept.end(), start,
                                     [](const Programme& p, Seconds s) { return p.start < s; });
    if (at != kept.end() && at->start == start) {
        return; // a second programme at the same time: the first one listed stands
    }
    kept.insert(at, Programme{start, stop, std::move(title)});
    // What ended before the guide was read goes, once a later programme says it has ended.
    while (kept.size() > 1 && endOf(kept, 0).value_or(m_readAt + 1) <= m_readAt) {
        kept.erase(kept.begin());
    }
    if (kept.size() > Kept) {
        kept.pop_back();
    }
}

std::vector<Programme> Guide::programmesOf(const QString& name) const {
    const auto it = m_byName.constFind(name);
    if (it == m_byName.constEnd()) {
        return {};
    }
    std::vector<Programme> list = m_channels[static_cast<std::size_t>(it.value())];
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i].stop = endOf(list, i);
    }
    return list;
}

NowNext Guide::at(const QString& name, Seconds now) const {
    NowNext result;
    result.listed = m_byName.contains(name);
    for (Programme& p : programmesOf(name)) {
        if (p.start <= now && (!p.stop || now < *p.stop)) {
            result.now = std::move(p); // the latest to have started wins an overlap
        } else if (p.start > now) {
            result.next = std::move(p);
            break;
        }
    }
    return result;
}

std::optional<Seconds> Guide::nextChange(const QString& name, Seconds now) const {
    std::optional<Seconds> change;
    for (const Programme& p : programmesOf(name)) {
        for (const std::optional<Seconds> t : {std::optional<Seconds>(p.start), p.stop}) {
            if (t && *t > now && (!change || *t < *change)) {
                change = t;
            }
        }
    }
    return change;
}

std::size_t Guide::programmeCount() const {
    std::size_t count = 0;
    for (const auto& kept : m_channels) {
        count += kept.size();
    }
    return count;
}

QString nowNextText(const NowNext& nowNext, const QTimeZone& zone) {
    if (!nowNext.listed) {
        return QStringLiteral("节目单中没有本频道");
    }
    const auto clock = [&zone](Seconds t) {
        return QDateTime::fromSecsSinceEpoch(t, zone).toString(QStringLiteral("HH:mm"));
    };
    const auto line = [&clock](const QString& label, const Programme& p) {
        const QString end = p.stop ? QStringLiteral("–") + clock(*p.stop) : QStringLiteral(" 起");
        return label + clock(p.start) + end + QLatin1Char(' ') + p.title;
    };
    QStringList lines;
    if (nowNext.now) {
        lines << line(QStringLiteral("正在播出 "), *nowNext.now);
    }
    if (nowNext.next) {
        lines << line(QStringLiteral("下一节目 "), *nowNext.next);
    }
    return lines.isEmpty() ? QStringLiteral("节目单中暂无本频道此后的节目")
                           : lines.join(QLatin1Char('\n'));
}

} // namespace rz4::guide
