#include "guide/xmltv_stream.h"

namespace rz4::guide {

XmltvStream::XmltvStream(QIODevice& source, qint64 maxExpanded, const std::atomic<bool>* cancel)
    : m_device(source, maxExpanded, cancel), m_xml(&m_device) {
    // The document's own entities may not multiply into a bomb of their own.
    m_xml.setEntityExpansionLimit(4096);
}

bool XmltvStream::next() {
    while (!m_xml.atEnd()) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (!m_inTv) {
                if (m_xml.name() != u"tv") {
                    m_xml.raiseError(QStringLiteral("not an XMLTV document (no <tv>)"));
                    return false;
                }
                m_inTv = true;
                continue;
            }
            if (m_xml.name() == u"channel" || m_xml.name() == u"programme") {
                return true;
            }
            m_xml.skipCurrentElement();
        } else if (token == QXmlStreamReader::EndElement) {
            m_inTv = false;
        }
    }
    return false;
}

QString XmltvStream::failure() const {
    QString why = m_device.failure();
    if (why.isEmpty() && m_xml.hasError()) {
        why = m_xml.errorString();
    }
    if (why.isEmpty()) {
        return {};
    }
    return QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(why);
}

} // namespace rz4::guide
