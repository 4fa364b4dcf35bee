#include "guide/guide_reader.h"

#include "guide/xmltv_stream.h"

namespace rz4::guide {

namespace {

void readChannel(XmltvStream& stream, Guide& guide) {
    QXmlStreamReader& xml = stream.xml();
    const int channel = guide.channel(xml.attributes().value(QLatin1String("id")).toString());
    while (xml.readNextStartElement()) {
        if (xml.name() == u"display-name") {
            guide.addName(channel, stream.text().trimmed());
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

GuideRead readGuide(QIODevice& source, Seconds now, qint64 maxExpanded,
                    const std::atomic<bool>* cancel) {
    GuideRead read{Guide(now), 0, {}};
    XmltvStream stream(source, maxExpanded, cancel);
    QXmlStreamReader& xml = stream.xml();
    // Programmes come grouped by channel: the last one's number saves a lookup.
    QString lastId;
    int lastChannel = -1;
    while (stream.next()) {
        if (xml.name() == u"channel") {
            readChannel(stream, read.guide);
            lastChannel = -1;
            continue;
        }
        ++read.programmes;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView id = attributes.value(QLatin1String("channel"));
        if (lastChannel < 0 || id != lastId) {
            lastId = id.toString();
            lastChannel = read.guide.channel(lastId);
        }
        const std::optional<Seconds> start =
            parseXmltvTime(attributes.value(QLatin1String("start")));
        const QStringView stopText = attributes.value(QLatin1String("stop"));
        const std::optional<Seconds> stop = parseXmltvTime(stopText);
        if (!start || (!stopText.isEmpty() && !stop) ||
            !read.guide.wants(lastChannel, *start, stop)) {
            xml.skipCurrentElement();
            continue;
        }
        QString title;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"title" && title.isEmpty()) {
                title = stream.text().simplified();
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!xml.hasError()) {
            read.guide.add(lastChannel, *start, stop, std::move(title));
        }
    }
    read.failure = stream.failure();
    return read;
}

} // namespace rz4::guide
