#include "guide/guide_reader.h"
#include "guide/gzip.h"
#include "guide/utf8_repair.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace rz4::guide {
namespace {

// 2026-01-01 12:00:00 UTC, the moment every guide here is read at.
constexpr Seconds Noon = 1767268800;
constexpr qint64 Plenty = 1 << 24;

GuideRead read(const QByteArray& bytes, qint64 maxExpanded = Plenty) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readGuide(buffer, Noon, maxExpanded);
}

QByteArray programme(const char* channel, const char* start, const char* stop, const char* title) {
    return QByteArray("<programme channel=\"") + channel + "\" start=\"" + start + "\"" +
           (stop != nullptr ? QByteArray(" stop=\"") + stop + "\"" : QByteArray()) + "><title>" +
           title + "</title><desc>x</desc></programme>\n";
}

QByteArray tv(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n"
           "<channel id=\"c1\"><display-name>CCTV-1</display-name><icon src=\"x\"/></channel>\n" +
           body + "</tv>\n";
}

QString nowTitle(const GuideRead& r, const char* name = "CCTV-1", Seconds t = Noon) {
    const NowNext n = r.guide.at(QString::fromUtf8(name), t);
    return n.now ? n.now->title : QStringLiteral("-");
}

QString nextTitle(const GuideRead& r, const char* name = "CCTV-1", Seconds t = Noon) {
    const NowNext n = r.guide.at(QString::fromUtf8(name), t);
    return n.next ? n.next->title : QStringLiteral("-");
}

TEST(XmltvTime, ReadsZonesShortFormsAndRefusesTheRest) {
    EXPECT_EQ(parseXmltvTime(u"20260101120000 +0000"), Noon);
    EXPECT_EQ(parseXmltvTime(u"20260101200000 +0800"), Noon);
    EXPECT_EQ(parseXmltvTime(u"20260101063000 -0530"), Noon);
    EXPECT_EQ(parseXmltvTime(u"20260101120000"), Noon); // no zone: UTC
    EXPECT_EQ(parseXmltvTime(u"202601011200"), Noon);
    EXPECT_EQ(parseXmltvTime(u"20260101"), Noon - 12 * 3600);
    for (const char16_t* bad : {u"", u"2026", u"20261301000000", u"20260101120000 +08",
                                u"20260101120000 CET", u"2026010112000"}) {
        EXPECT_EQ(parseXmltvTime(bad), std::nullopt) << QString::fromUtf16(bad).toStdString();
    }
    EXPECT_EQ(formatXmltvTime(Noon), QStringLiteral("20260101120000 +0000"));
    EXPECT_EQ(parseXmltvTime(formatXmltvTime(-86399)), -86399);
}

TEST(GuideReader, FindsNowAndNextByIdAndDisplayNameInAnyOrder) {
    const GuideRead r =
        read(tv(programme("c1", "20260101130000 +0000", "20260101140000 +0000", "C") +
                programme("c1", "20260101110000 +0000", "20260101120000 +0000", "A") +
                programme("c1", "20260101120000 +0000", "20260101130000 +0000", "B") +
                programme("c2", "20260101200000 +0800", nullptr, "Only")));
    EXPECT_TRUE(r.failure.isEmpty()) << r.failure.toStdString();
    EXPECT_EQ(r.programmes, 4);
    EXPECT_EQ(nowTitle(r), QStringLiteral("B"));
    EXPECT_EQ(nextTitle(r), QStringLiteral("C"));
    EXPECT_EQ(nowTitle(r, "c1"), QStringLiteral("B"));
    EXPECT_EQ(nowTitle(r, "c2"), QStringLiteral("Only")); // an open end runs on
    EXPECT_EQ(r.guide.nextChange(QStringLiteral("CCTV-1"), Noon), Noon + 3600);
    EXPECT_FALSE(r.guide.at(QStringLiteral("CCTV-2"), Noon).listed);
}

TEST(GuideReader, OverlapsDuplicatesAndOpenEnds) {
    const GuideRead r =
        read(tv(programme("c1", "20260101113000", "20260101123000", "Long") +
                programme("c1", "20260101115000", "20260101121000", "Cut in") +
                programme("c1", "20260101115000", "20260101121000", "Same time, listed later") +
                programme("c1", "20260101121000", nullptr, "Open") +
                programme("c1", "20260101130000", "20260101140000", "Later")));
    EXPECT_EQ(nowTitle(r), QStringLiteral("Cut in")); // the latest to start wins
    EXPECT_EQ(nowTitle(r, "CCTV-1", Noon + 15 * 60), QStringLiteral("Open"));
    const NowNext open = r.guide.at(QStringLiteral("CCTV-1"), Noon + 15 * 60);
    EXPECT_EQ(open.now->stop, Noon + 3600); // closed by the next one's start
    EXPECT_EQ(nextTitle(r, "CCTV-1", Noon + 15 * 60), QStringLiteral("Later"));
}

TEST(GuideReader, KeepsOnlyAFewProgrammesAChannelFromNowOn) {
    QByteArray body;
    for (int hour = 0; hour < 24; ++hour) {
        const QByteArray start =
            QByteArray("20260101") + QByteArray::number(hour).rightJustified(2, '0') + "0000";
        const QByteArray stop =
            QByteArray("20260101") + QByteArray::number(hour + 1).rightJustified(2, '0') + "0000";
        body += programme("c1", start.constData(), hour == 23 ? "20260102000000" : stop.constData(),
                          QByteArray::number(hour).constData());
    }
    const GuideRead r = read(tv(body));
    EXPECT_EQ(r.programmes, 24);
    EXPECT_EQ(r.guide.programmeCount(), Guide::Kept);
    EXPECT_EQ(nowTitle(r), QStringLiteral("12"));
    EXPECT_EQ(nowTitle(r, "CCTV-1", Noon + 3 * 3600), QStringLiteral("15"));
    EXPECT_EQ(nowTitle(r, "CCTV-1", Noon + 4 * 3600), QStringLiteral("-"));
}

TEST(GuideReader, TitlesAreTextWhateverTheyHold) {
    const GuideRead r = read(
        tv(programme("c1", "20260101110000", "20260101123000", "<![CDATA[<b>新闻</b> & 天气]]>") +
           programme("c1", "20260101123000", "20260101130000",
                     "A &amp; B &lt;i&gt; &#x4E2D;<i>!</i>")));
    EXPECT_EQ(nowTitle(r), QStringLiteral("<b>新闻</b> & 天气"));
    EXPECT_EQ(nextTitle(r), QStringLiteral("A & B <i> 中!"));
}

TEST(GuideReader, AMalformedGuideIsKeptUpToTheFault) {
    const QByteArray good = programme("c1", "20260101110000", "20260101123000", "Kept");
    for (const QByteArray& fault :
         {QByteArray("<programme channel=\"c1\" start=\"20260101123000\"><title>x</programme>"),
          QByteArray("<programme channel=\"c1\" start=\"20260101123000\"><title>&nbsp;</title>")}) {
        const GuideRead r =
            read(tv(good + fault + programme("c1", "20260101130000", nullptr, "Lost")));
        EXPECT_TRUE(r.failure.startsWith(QStringLiteral("line 5:"))) << r.failure.toStdString();
        EXPECT_EQ(nowTitle(r), QStringLiteral("Kept"));
        EXPECT_EQ(nextTitle(r), QStringLiteral("-"));
    }
    EXPECT_FALSE(read("<html><body>404</body></html>").failure.isEmpty());
    EXPECT_FALSE(read("").failure.isEmpty());
    // A document's own entities cannot multiply without end.
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE tv [<!ENTITY a \"aaaaaaaaaa\">";
    for (char e = 'b'; e <= 'j'; ++e) {
        laughs += QByteArray("<!ENTITY ") + e + " \"";
        for (int i = 0; i < 10; ++i) {
            laughs += QByteArray("&") + static_cast<char>(e - 1) + ";";
        }
        laughs += "\">";
    }
    laughs += "]><tv>" + programme("c1", "20260101110000", nullptr, "&j;") + "</tv>";
    EXPECT_FALSE(read(laughs).failure.isEmpty());
}

TEST(GuideReader, BytesThatAreNotUtf8CostOneCharacterEach) {
    // Bad bytes, a sequence cut by the end of a read, and a valid one of four bytes.
    const QByteArray padding(16 * 1024 - 7, ' ');
    const GuideRead r =
        read(tv("<!--" + padding + "-->" +
                programme("c1", "20260101110000", "20260101123000",
                          "a\xff\xc3"
                          "b\xed\xa0\x80") +
                programme("c1", "20260101123000", nullptr, "\xe4\xb8\xad\xf0\x9f\x93\xba")));
    EXPECT_TRUE(r.failure.isEmpty()) << r.failure.toStdString();
    EXPECT_EQ(nowTitle(r), QStringLiteral("a??b???"));
    EXPECT_EQ(nextTitle(r), QStringLiteral("中📺"));
    for (int split = 1; split < 4; ++split) {
        QByteArray bytes = "x\xf0\x9f\x93\xba";
        EXPECT_EQ(repairUtf8(bytes.data(), 1 + split, false), 1u);
        EXPECT_EQ(repairUtf8(bytes.data(), 1 + split, true), 1u + split);
        EXPECT_EQ(bytes.left(1 + split), "x" + QByteArray(split, '?'));
    }
    // A guide in another encoding is the parser's to decode.
    const GuideRead latin = read("<?xml version='1.0' encoding='ISO-8859-1'?><tv>" +
                                 programme("c1", "20260101110000", nullptr, "caf\xe9") + "</tv>");
    EXPECT_EQ(nowTitle(latin, "c1"), QStringLiteral("café"));
}

TEST(GuideReader, GzipIsInflatedWithinItsBounds) {
    const QByteArray plain = tv(programme("c1", "20260101110000", "20260101130000", "Z"));
    const GuideRead packed = read(gzipped(plain) + gzipped("<!-- a second member -->"));
    EXPECT_TRUE(packed.failure.isEmpty()) << packed.failure.toStdString();
    EXPECT_EQ(nowTitle(packed), QStringLiteral("Z"));

    // A bomb: a few kilobytes that would inflate to 64 MiB.
    const QByteArray bomb = gzipped("<tv>" + QByteArray(64 << 20, ' ') + "</tv>");
    EXPECT_LT(bomb.size(), 100 * 1024);
    EXPECT_TRUE(read(bomb, 1 << 20).failure.contains(QStringLiteral("larger than 1048576")));

    const QByteArray cut = gzipped(plain + "<!--" + QByteArray(4000, ' ') + "-->");
    const GuideRead r = read(cut.left(cut.size() - 20));
    EXPECT_TRUE(r.failure.contains(QStringLiteral("ends early"))) << r.failure.toStdString();
    EXPECT_EQ(nowTitle(r), QStringLiteral("Z"));
    EXPECT_TRUE(read(QByteArray("\x1f\x8b") + QByteArray(100, 'x')).failure.contains(u"gzip"));
}

TEST(GuideText, SaysNowAndNextOrWhyNothing) {
    NowNext n;
    EXPECT_EQ(nowNextText(n, QTimeZone::utc()), QStringLiteral("节目单中没有本频道"));
    n.listed = true;
    EXPECT_EQ(nowNextText(n, QTimeZone::utc()), QStringLiteral("节目单中暂无本频道此后的节目"));
    n.now = Programme{Noon, Noon + 1800, QStringLiteral("<b>午间新闻</b>")};
    n.next = Programme{Noon + 1800, std::nullopt, QStringLiteral("天气")};
    EXPECT_EQ(nowNextText(n, QTimeZone(8 * 3600)),
              QStringLiteral("正在播出 20:00–20:30 <b>午间新闻</b>\n下一节目 20:30 起 天气"));
}

} // namespace
} // namespace rz4::guide
