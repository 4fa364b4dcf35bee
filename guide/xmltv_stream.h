#pragma once

#include "guide/inflating_device.h"

#include <QXmlStreamReader>

namespace rz4::guide {

// An XMLTV document read element by element from a (possibly gzip) source: never more of it in
// memory than the parser's buffer.
class XmltvStream {
public:
    XmltvStream(QIODevice& source, qint64 maxExpanded, const std::atomic<bool>* cancel = nullptr);

    // Moves to the start of the next <channel> or <programme> of the document's <tv>; false at
    // the end of the document or at the first fault.
    bool next();
    QXmlStreamReader& xml() { return m_xml; }
    // The element's text, markup inside it read as text.
    QString text() { return m_xml.readElementText(QXmlStreamReader::IncludeChildElements); }

    // Why reading stopped before the document's end, with the line; empty when it did not.
    QString failure() const;
    qint64 expanded() const { return m_device.expanded(); }

private:
    InflatingDevice m_device;
    QXmlStreamReader m_xml;
    bool m_inTv = false;
};

} // namespace rz4::guide
