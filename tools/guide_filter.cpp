#include "tools/guide_filter.h"

#include "guide/xmltv_stream.h"
#include "tools/list_file.h"
#include "tools/list_name.h"
#include "tools/tree_json.h"

#include <QXmlStreamWriter>

#include <algorithm>
#include <deque>
#include <limits>
#include <set>

namespace rz4::tools {

namespace {

using guide::Seconds;

// Notes after each channel line the id line that follows it.
class IdCollector : public channels::ReadObserver {
public:
    void lineRead(const channels::LineRead& line) override {
        if (line.text.starts_with(TvgIdLine) && m_last != nullptr) {
            m_last->tvgId = std::string(line.text.substr(TvgIdLine.size()));
        }
        m_last = nullptr;
    }
    void nodeTried(const channels::NodeTried& node) override {
        if (node.kind == channels::NodeKind::Channel && node.result == channels::AddResult::Added) {
            channels.push_back({std::string(node.name), {}});
            m_last = &channels.back();
        }
    }
    std::deque<ListChannel> channels;

private:
    ListChannel* m_last = nullptr;
};

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

class Filter {
public:
    Filter(const std::vector<ListChannel>& list, const GuideOptions& options, GuideFilter& result)
        : m_options(options), m_result(result) {
        for (const ListChannel& c : list) {
            if (!m_names.try_emplace(c.name, c.tvgId).second) {
                continue; // the window tells channels apart by name only
            }
            m_order.push_back(c.name);
            if (!c.tvgId.empty()) {
                m_byId[c.tvgId].push_back(c.name);
            }
        }
        result.listChannels = static_cast<int>(m_order.size());
    }

    void channel(QXmlStreamReader& xml, guide::XmltvStream& stream) {
        const std::string id = xml.attributes().value(QLatin1String("id")).toString().toStdString();
        std::vector<std::string> displayNames;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"display-name") {
                displayNames.push_back(stream.text().trimmed().toStdString());
            } else {
                xml.skipCurrentElement();
            }
        }
        std::vector<std::string>& names = targets(id);
        for (const std::string& shown : displayNames) {
            const std::string written = m_writer.write(shown).text;
            const auto it = m_names.find(written);
            if (it != m_names.end() && it->second.empty() && claim(written, id)) {
                names.push_back(written);
            }
        }
        if (names.empty()) {
            std::string all;
            for (const std::string& shown : displayNames) {
                all += (all.empty() ? " (" : ", ") + jsonString(shown);
            }
            m_result.guideMessages.push_back("not in the list: guide channel " + jsonString(id) +
                                             all + (all.empty() ? "" : ")"));
        }
    }

    void programme(QXmlStreamReader& xml) {
        ++m_result.programmesRead;
        const QXmlStreamAttributes attributes = xml.attributes();
        const std::vector<std::string>& names =
            targets(attributes.value(QLatin1String("channel")).toString().toStdString());
        const std::optional<Seconds> start =
            guide::parseXmltvTime(attributes.value(QLatin1String("start")));
        const std::optional<Seconds> stop =
            guide::parseXmltvTime(attributes.value(QLatin1String("stop")));
        const Seconds from = m_options.now - m_options.past;
        const Seconds to = m_options.now + m_options.ahead;
        const auto inWindow = [&](const std::string& name) {
            const Seconds shift = shiftOf(name);
            return *start + shift < to && stop.value_or(*start) + shift >= from;
        };
        if (!start || std::none_of(names.begin(), names.end(), inWindow)) {
            xml.skipCurrentElement();
            return;
        }
        // The children once, then the element for each list channel of that guide channel.
        QByteArray inner;
        QXmlStreamWriter writer(&inner);
        for (int depth = 1; depth > 0 && !xml.atEnd();) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            depth += t == QXmlStreamReader::StartElement ? 1
                     : t == QXmlStreamReader::EndElement ? -1
                                                         : 0;
            if (depth > 0) {
                writer.writeCurrentToken(xml);
            }
        }
        if (xml.hasError()) {
            return;
        }
        for (const std::string& name : names) {
            if (!inWindow(name)) {
                continue;
            }
            m_programmes += "<programme";
            for (const QXmlStreamAttribute& a : attributes) {
                QString value = a.value().toString();
                const Seconds s = shiftOf(name);
                if (a.name() == u"channel") {
                    value = QString::fromStdString(name);
                } else if (s != 0 && a.name() == u"start") {
                    value = guide::formatXmltvTime(*start + s);
                } else if (s != 0 && a.name() == u"stop" && stop) {
                    value = guide::formatXmltvTime(*stop + s);
                }
                m_programmes += " " + a.qualifiedName().toUtf8() + "=\"" + escaped(value) + "\"";
            }
            m_programmes += ">" + inner + "</programme>\n";
            ++m_result.programmesKept;
            m_kept.insert(name);
        }
    }

    void finish() {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<tv generator-info-name=\"rz4-chanlist\">\n";
        for (const std::string& name : m_order) {
            const QByteArray n = escaped(QString::fromStdString(name));
            if (m_kept.contains(name)) {
                ++m_result.withGuide;
                out +=
                    "<channel id=\"" + n + "\"><display-name>" + n + "</display-name></channel>\n";
            } else if (m_claimed.contains(name)) {
                m_result.listMessages.push_back("no programme in the window: channel " +
                                                jsonString(name));
            } else {
                m_result.listMessages.push_back(
                    "no guide: channel " + jsonString(name) +
                    (m_names.at(name).empty()
                         ? " (no guide channel of that display name)"
                         : " (no guide channel of tvg-id " + jsonString(m_names.at(name)) + ")"));
            }
        }
        m_result.guide = out + m_programmes + "</tv>\n";
    }

private:
    // The list channels a guide channel's programmes go to, decided at its first sight.
    std::vector<std::string>& targets(const std::string& id) {
        const auto [it, isNew] = m_targets.try_emplace(id);
        if (isNew) {
            const auto byId = m_byId.find(id);
            if (byId != m_byId.end()) {
                for (const std::string& name : byId->second) {
                    if (claim(name, id)) {
                        it->second.push_back(name);
                    }
                }
            }
        }
        return it->second;
    }

    // A list channel takes the programmes of one guide channel: the first that matches it.
    bool claim(const std::string& name, const std::string& id) {
        const auto [it, isNew] = m_claimed.try_emplace(name, id);
        if (!isNew && it->second != id) {
            m_result.listMessages.push_back("channel " + jsonString(name) + ": guide channel " +
                                            jsonString(id) + " matches too; " +
                                            jsonString(it->second) + " is kept");
        }
        return isNew;
    }

    Seconds shiftOf(const std::string& name) const {
        const auto it = m_options.shifts.find(name);
        return it == m_options.shifts.end() ? 0 : it->second;
    }

    const GuideOptions& m_options;
    GuideFilter& m_result;
    NameWriter m_writer;
    std::vector<std::string> m_order;
    std::map<std::string, std::string, std::less<>> m_names; // list name to its tvg-id
    std::map<std::string, std::vector<std::string>, std::less<>> m_byId;
    std::map<std::string, std::vector<std::string>, std::less<>> m_targets;
    std::map<std::string, std::string, std::less<>> m_claimed; // list name to guide id
    std::set<std::string, std::less<>> m_kept;
    QByteArray m_programmes;
};

} // namespace

std::vector<ListChannel> listChannels(const std::string& listFile) {
    channels::MemoryTree tree;
    IdCollector ids;
    loadTree(listFile, false, tree, &ids);
    return {ids.channels.begin(), ids.channels.end()};
}

GuideFilter filterGuide(const std::vector<ListChannel>& list, QIODevice& guide,
                        const GuideOptions& options) {
    GuideFilter result;
    Filter filter(list, options, result);
    // An operator's guide may be as large as it is: only memory is bounded, by streaming.
    guide::XmltvStream stream(guide, std::numeric_limits<qint64>::max());
    while (stream.next()) {
        if (stream.xml().name() == u"channel") {
            filter.channel(stream.xml(), stream);
        } else {
            filter.programme(stream.xml());
        }
    }
    result.failure = stream.failure().toStdString();
    if (result.failure.empty()) {
        filter.finish();
    }
    return result;
}

} // namespace rz4::tools
