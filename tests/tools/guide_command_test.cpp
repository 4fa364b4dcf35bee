#include "guide/guide_reader.h"
#include "tests/tools/chanlist_fixture.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>

#include <regex>
#include <set>

using rz4::guide::Seconds;
using rz4::testing::readFile;
using rz4::testing::writeFile;

namespace {

const Seconds Now = QDateTime::currentSecsSinceEpoch();

std::string at(Seconds t) {
    return rz4::guide::formatXmltvTime(t).toStdString();
}

std::string programme(const std::string& channel, Seconds start, Seconds stop,
                      const std::string& title) {
    return "<programme start=\"" + at(start) + "\" stop=\"" + at(stop) + "\" channel=\"" + channel +
           "\"><title lang=\"en\">" + title + "</title><desc>d</desc></programme>\n";
}

std::string channel(const std::string& id, const std::string& name) {
    return "<channel id=\"" + id + "\"><display-name>" + name + "</display-name></channel>\n";
}

rz4::guide::GuideRead servedGuide(const std::string& file) {
    QFile f(QString::fromStdString(file));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file;
    return rz4::guide::readGuide(f, Now, 1 << 26);
}

std::string nowOn(const rz4::guide::GuideRead& r, const std::string& name) {
    const auto n = r.guide.at(QString::fromStdString(name), Now);
    return n.now ? n.now->title.toStdString() : "-";
}

} // namespace

// Each real playlist's tvg-ids become the list's, and a guide in their ids comes back under the
// list's names: only the programmes of the window, only for channels of the list.
TEST_F(ChanlistTool, GuideMatchesTheRealPlaylistsByTheirTvgIds) {
    for (const char* playlist : {"iptv-org_hk.m3u", "iptv-org_mo.m3u"}) {
        SCOPED_TRACE(playlist);
        const std::string m3u = std::string(RZ4_TOOLS_DATA) + "/" + playlist;
        ASSERT_LE(run("from-m3u " + m3u + " " + file("list.mdb")).status, 1);
        std::set<std::string> ids;
        const std::string text = readFile(m3u);
        const std::regex tvgId("tvg-id=\"([^\"]+)\"");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), tvgId);
             it != std::sregex_iterator(); ++it) {
            ids.insert((*it)[1]);
        }
        ASSERT_GT(ids.size(), 5u);
        std::string channels = channel("Nowhere.xx", "Not a channel of the list");
        std::string programmes;
        for (const std::string& id : ids) {
            channels += channel(id, "display " + id);
            programmes += programme(id, Now - 600, Now + 600, "on " + id) +
                          programme(id, Now - 6 * 3600, Now - 5 * 3600, "gone") +
                          programme(id, Now + 72 * 3600, Now + 73 * 3600, "far");
        }
        writeFile(file("epg.xml"), "<?xml version=\"1.0\"?>\n<tv>" + channels + programmes +
                                       programme("Nowhere.xx", Now, Now + 60, "x") + "</tv>");
        const ToolRun r =
            run("guide " + file("list.mdb") + " " + file("epg.xml") + " " + file("epg.xml.gz"));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("not in the list: guide channel \"Nowhere.xx\""), std::string::npos);
        const auto guide = servedGuide(file("epg.xml.gz"));
        EXPECT_TRUE(guide.failure.isEmpty()) << guide.failure.toStdString();
        std::smatch counts;
        ASSERT_TRUE(std::regex_search(r.out, counts, std::regex("(\\d+) of \\d+ channels with")))
            << r.out;
        EXPECT_GT(std::stoi(counts[1]), 5);
        EXPECT_EQ(guide.programmes, std::stoi(counts[1])) << "one programme a channel kept";
        if (std::string(playlist) == "iptv-org_mo.m3u") {
            EXPECT_EQ(nowOn(guide, "TDM Sports Ch. 93 (720p)"), "on TDMSports.mo");
            EXPECT_EQ(nowOn(guide, "Lotus Macau HD (1080p) ［Not 24/7］"), "on LotusTV.mo");
            // No tvg-id: not matched by guesswork, but named.
            EXPECT_NE(
                r.err.find("no guide: channel \"立法會直播 (Legislative Council Live) (720p)\""),
                std::string::npos)
                << r.err;
        } else {
            EXPECT_EQ(nowOn(guide, "HKIBC"), "on HKIBC.hk");
        }
    }
}

TEST_F(ChanlistTool, GuideMatchesByDisplayNameShiftsAndRefusesWhatItCannotRead) {
    const std::string list = served(
        "list.mdb", "*电视\r\n[新闻]\r\nCCTV-1 综合|http://h/1\r\n[体育]\r\nA｜B|http://h/2\r\n");
    writeFile(file("epg.xml"), "<tv>" + channel("x1", "CCTV-1 综合") + channel("x2", "A|B") +
                                   programme("x1", Now - 60, Now + 3600, "新闻 &amp; 天气") +
                                   programme("x2", Now + 3600 - 60, Now + 7200, "Match") + "</tv>");
    const ToolRun r = run("guide " + list + " " + file("epg.xml") + " " + file("out.xml.gz") +
                          " --shift 'A｜B=-01:00'");
    EXPECT_EQ(r.status, 0) << r.err;
    const auto guide = servedGuide(file("out.xml.gz"));
    EXPECT_EQ(nowOn(guide, "CCTV-1 综合"), "新闻 & 天气");
    EXPECT_EQ(nowOn(guide, "A｜B"), "Match"); // "|" is written as the list writes names
    EXPECT_EQ(run("guide " + list + " " + file("epg.xml") + " o --shift 'A｜B=1:00'").status, 2);
    EXPECT_EQ(run("guide " + list + " " + file("epg.xml") + " o --shift 'nobody=+01:00'").status,
              2);

    writeFile(file("bad.xml"), "<tv>" + channel("x1", "CCTV-1 综合") + "<programme>");
    const ToolRun bad = run("guide " + list + " " + file("bad.xml") + " " + file("out.xml.gz"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("not written"), std::string::npos) << bad.err;
    EXPECT_EQ(nowOn(servedGuide(file("out.xml.gz")), "CCTV-1 综合"), "新闻 & 天气")
        << "kept as it was";
    EXPECT_EQ(run("guide " + list + " " + file("missing.xml") + " " + file("o.gz")).status, 2);
}
