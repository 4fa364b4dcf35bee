#include "tools/m3u.h"

#include "channels/cp936.h"
#include "channels/file_io.h"
#include "tools/extinf.h"

#include <gtest/gtest.h>

using rz4::tools::convertM3u;
using rz4::tools::M3uConversion;
using rz4::tools::M3uOptions;

namespace {

// The list as UTF-8 with "/" for line ends, easy to compare.
std::string text(const M3uConversion& c) {
    std::string utf8;
    rz4::channels::Cp936Decoder().decode(c.list, utf8);
    std::string shown;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.compare(i, 2, "\r\n") == 0) {
            shown += "/";
            ++i;
        } else {
            shown += utf8[i];
        }
    }
    return shown;
}

M3uConversion convert(std::string_view playlist, M3uOptions options = {}) {
    return convertM3u(playlist, options);
}

// The messages as "line: message" lines, to search in.
std::string messages(const M3uConversion& c) {
    std::string all;
    for (const auto& p : c.messages) {
        all += std::to_string(p.line) + ": " + p.message + "\n";
    }
    return all;
}

bool says(const M3uConversion& c, int line, std::string_view part) {
    for (const auto& p : c.messages) {
        if (p.line == line && p.message.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(M3u, ReadsTitlesAndGroupsTheWayPlaylistsWriteThem) {
    const auto c = convert("\xEF\xBB\xBF#EXTM3U x-tvg-url=\"a,b\"\r\n"
                           "#EXTINF:-1 tvg-name=\"A, B\" Group-Title=\" 新闻 \", CCTV-1 \r\n"
                           "  http://h/1  \r\n"
                           "\r\n# a comment\r\n"
                           "#EXTINF:-1,电影台\r\n#EXTGRP:电影\r\nhttp://h/film\r\n"
                           "#EXTINF:-1 tvg-name=\"备用名\",\r\nhttp://h/untitled\r"
                           "#EXTINF:-1,cr\rhttp://h/cr");
    EXPECT_TRUE(c.messages.empty()) << messages(c);
    EXPECT_EQ(text(c), "*网络电视/[新闻]/CCTV-1|http://h/1/[电影]/电影台|http://h/film/"
                       "[其他]/备用名|http://h/untitled/cr|http://h/cr/");
    EXPECT_EQ(c.channels, 4);
    EXPECT_EQ(c.groups, 3);
}

TEST(M3u, AttributesAreReadAsPlayersReadThem) {
    using rz4::tools::parseExtInf;
    // A stray quote ends nothing: the name is still the text after the comma.
    EXPECT_EQ(parseExtInf("-1 tvg-id=\"x\" zz-definition=HD\",CCTV-1 高清").name, "CCTV-1 高清");
    const auto quoted =
        parseExtInf("-1 TVG-NAME=\"A, B\" group-title=\"新闻;体育\" ,Name, with comma");
    EXPECT_EQ(quoted.name, "Name, with comma");
    EXPECT_EQ(quoted.value("tvg-name"), "A, B");
    EXPECT_EQ(quoted.value("group-title"), "新闻;体育");
    // A quote that never closes is an ordinary character.
    const auto open = parseExtInf("-1 tvg-name=\"A B,Name");
    EXPECT_EQ(open.name, "Name");
    EXPECT_EQ(open.value("tvg-name"), "\"A");
    EXPECT_EQ(parseExtInf("-1 tvg-id=\"x\"").name, "");

    const auto c = convert("#EXTINF:-1 zz-definition=HD\",rtp 频道\nrtp://239.3.1.158:8000\n"
                           "#EXTINF:-1 tvg-id=\"only\"\nhttp://h/noname\nhttp://h/bare\n");
    EXPECT_EQ(text(c), "*网络电视/[其他]/rtp 频道|rtp://239.3.1.158:8000/");
    EXPECT_TRUE(says(c, 3, "left out: channel \"\", address \"http://h/noname\": no name"));
    EXPECT_TRUE(says(c, 5, "no name")) << "a bare address is never its own name";
}

TEST(M3u, EntriesThatCannotBeCarriedAreLeftOutOneByOne) {
    const std::string playlist = "#EXTINF:-1,ok\nhttp://h/ok\n"
                                 "#EXTINF:-1,v6\nhttp://[2409:8087::8]:80/tv.m3u8\n"
                                 "#EXTINF:-1,none\n[NO PUBLIC STREAM]\n"
                                 "#EXTINF:-1,token\nhttp://h/s.m3u8?hdnts=acl=/*~hmac=ab\n"
                                 "#EXTINF:-1,app\nhttp://h/a.m3u8?b=[APP_BUNDLE]#x\n"
                                 "#EXTINF:-1,path\nhttp://h/a*b/s.m3u8?q=*\n"
                                 "#EXTINF:-1,local\n/srv/tv.ts\n#EXTINF:-1,lost\n";
    const auto strict = convert(playlist);
    EXPECT_EQ(text(strict), "*网络电视/[其他]/ok|http://h/ok/");
    EXPECT_EQ(strict.entries, 8);
    EXPECT_EQ(strict.leftOut, 7);
    EXPECT_TRUE(says(strict, 3, "\"v6\", address \"http://[2409:8087::8]:80/tv.m3u8\": an IPv6"));
    EXPECT_TRUE(says(strict, 5, "not a network stream"));
    EXPECT_TRUE(says(strict, 7, "in the query")) << messages(strict);
    EXPECT_TRUE(says(strict, 11, "outside the query"));
    EXPECT_TRUE(says(strict, 15, "no address after it"));

    M3uOptions encode;
    encode.encodeQuery = true;
    const auto rewritten = convert(playlist, encode);
    EXPECT_EQ(text(rewritten), "*网络电视/[其他]/ok|http://h/ok/"
                               "token|http://h/s.m3u8?hdnts=acl=/%2A~hmac=ab/"
                               "app|http://h/a.m3u8?b=%5BAPP_BUNDLE%5D#x/");
    EXPECT_EQ(rewritten.changed, 2);
    EXPECT_TRUE(says(rewritten, 7, "changed: channel \"token\": address written as"));
    EXPECT_TRUE(says(rewritten, 11, "outside the query")) << "a path is never rewritten";
}

TEST(M3u, EveryDroppedPlayerOptionIsNamedWithItsLine) {
    const auto c = convert("#EXTM3U http-user-agent=\"All/1\"\n"
                           "#EXTINF:-1 user-agent=\"UA/1\" http-referrer=\"http://r/\",A\n"
                           "#EXTVLCOPT:http-user-agent=UA/1\n#KODIPROP:inputstream=adaptive\n"
                           "http://h/a\n#EXTINF:-1,B\nhttp://h/b|Referer=http://r/\n"
                           "#EXTINF:-1,C\nhttp://h/c\n#EXTVLCOPT:network-caching=1000\n");
    EXPECT_EQ(c.channels, 3);
    EXPECT_EQ(c.changed, 2);
    for (const auto& [line, option] :
         std::vector<std::pair<int, std::string>>{{1, "\"http-user-agent=All/1\""},
                                                  {2, "\"user-agent=UA/1\""},
                                                  {2, "http-referrer="},
                                                  {3, "#EXTVLCOPT:http-user-agent=UA/1"},
                                                  {4, "#KODIPROP:inputstream=adaptive"},
                                                  {7, "|Referer=http://r/"},
                                                  {10, "has no entry after it"}}) {
        EXPECT_TRUE(says(c, line, option)) << line << " " << option << "\n" << messages(c);
    }
    EXPECT_NE(text(c).find("B|http://h/b/"), std::string::npos) << "headers leave the address";
}

TEST(M3u, NamesKeepWhatCodePage936HoldsAndLoseOnlyTheRest) {
    const std::string playlist = "#EXTINF:-1,Ⓢport Ⓖ\nhttp://h/1\n"
                                 "#EXTINF:-1,ערוץ 11\nhttp://h/2\n"
                                 "#EXTINF:-1,Canal [Not 24/7] a]b [c\nhttp://h/3\n"
                                 "#EXTINF:-1,①ＣＣＴＶ［高清］\nhttp://h/4\n"
                                 "#EXTINF:-1,x*y|z\tw\nhttp://h/5\n";
    const auto strict = convert(playlist);
    EXPECT_EQ(text(strict), "*网络电视/[其他]/Sport G|http://h/1/"
                            "Canal ［Not 24/7］ a］b [c|http://h/3/①ＣＣＴＶ［高清］|http://h/4/"
                            "x＊y｜zw|http://h/5/");
    EXPECT_TRUE(says(strict, 1, "\"Ⓢ\" as \"S\"")) << messages(strict);
    EXPECT_TRUE(says(strict, 3, "left out: channel \"ערוץ 11\"")) << messages(strict);
    EXPECT_TRUE(says(strict, 5, "\"[\" as \"［\", \"]\" as \"］\""));
    EXPECT_FALSE(says(strict, 7, "")) << "what the code page holds stays as it is";
    EXPECT_TRUE(says(strict, 9, "control character"));

    M3uOptions lossy;
    lossy.lossy = true;
    const auto c = convert(playlist, lossy);
    EXPECT_NE(text(c).find("/???? 11|http://h/2/"), std::string::npos) << text(c);
    EXPECT_TRUE(says(c, 3, "changed: channel \"ערוץ 11\": name written as \"???? 11\""));
}

TEST(M3u, GroupsComeFromTitleCountryOrNoneAndLongOnesAreNumbered) {
    const std::string playlist =
        "#EXTINF:-1 group-title=\"新闻;体育\" tvg-country=\"HK;MO\",a\nhttp://h/a\n"
        "#EXTINF:-1 group-title=\"新闻\",b\nhttp://h/b\n"
        "#EXTINF:-1 group-title=\"新闻 2\" tvg-country=\"MO\",c\nhttp://h/c\n"
        "#EXTINF:-1 group-title=\";新闻\",d\nhttp://h/d\n#EXTINF:-1,e\nhttp://h/e\n";
    const auto byTitle = convert(playlist);
    EXPECT_EQ(text(byTitle), "*网络电视/[新闻]/a|http://h/a/b|http://h/b/d|http://h/d/"
                             "[新闻 2]/c|http://h/c/[其他]/e|http://h/e/");
    EXPECT_TRUE(says(byTitle, 1, "group list \"新闻;体育\" (1 entries)")) << messages(byTitle);
    EXPECT_EQ(byTitle.changed, 2);

    M3uOptions country;
    country.groupBy = rz4::tools::GroupBy::TvgCountry;
    EXPECT_EQ(text(convert(playlist, country)),
              "*网络电视/[HK]/a|http://h/a/[其他]/b|http://h/b/d|http://h/d/e|http://h/e/"
              "[MO]/c|http://h/c/");

    M3uOptions numbered;
    numbered.maxGroup = 2;
    const auto split = convert(playlist, numbered);
    EXPECT_EQ(text(split), "*网络电视/[新闻 1]/a|http://h/a/b|http://h/b/[新闻 2+]/d|http://h/d/"
                           "[新闻 2]/c|http://h/c/[其他]/e|http://h/e/");
    ASSERT_EQ(split.notes.size(), 1u);

    M3uOptions none;
    none.groupBy = rz4::tools::GroupBy::None;
    none.maxGroup = 4;
    EXPECT_EQ(convert(playlist, none).groups, 2);
}

TEST(M3u, NothingUsableWritesNothing) {
    EXPECT_TRUE(convert("#EXTM3U\n").list.empty());
    EXPECT_TRUE(says(convert("#EXTM3U\n"), 0, "no entries"));
    M3uOptions clash;
    clash.category = "直播";
    const auto c = convert("#EXTINF:-1 group-title=\"直播\",a\nhttp://h/a\n", clash);
    EXPECT_TRUE(c.list.empty());
    EXPECT_TRUE(says(c, 1, "has the category's name"));
    clash.category = " ";
    EXPECT_TRUE(says(convert("#EXTINF:-1,a\nhttp://h/a\n", clash), 0, "is empty"));
    // Addresses leave in ASCII: UTF-8 beyond it is percent-encoded rather than lost.
    EXPECT_NE(text(convert("#EXTINF:-1,a\nhttp://h/电影\n")).find("http://h/%E7%94%B5"),
              std::string::npos);
}

TEST(M3u, RealPlaylistsLoseOnlyWhatTheyMust) {
    const std::string data = std::string(RZ4_TOOLS_DATA) + "/";
    const auto hk = convert(rz4::channels::readWholeFile(data + "iptv-org_hk.m3u"));
    // Every entry carried; 14 names with brackets, 11 with a user agent (as attribute and
    // #EXTVLCOPT), 7 of them both.
    EXPECT_EQ(hk.entries, 52);
    EXPECT_EQ(hk.channels, 52);
    EXPECT_EQ(hk.leftOut, 0);
    EXPECT_EQ(hk.changed, 18);
    EXPECT_EQ(hk.messages.size(), 36u);
    // CR LF lines; "õ" has no place in code page 936 and no compatibility form.
    const auto mo = convert(rz4::channels::readWholeFile(data + "iptv-org_mo.m3u"));
    EXPECT_EQ(mo.entries, 10);
    EXPECT_EQ(mo.channels, 9);
    EXPECT_EQ(mo.leftOut, 1);
    EXPECT_EQ(mo.changed, 3);
}
