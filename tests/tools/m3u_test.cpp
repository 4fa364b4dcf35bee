#include "tools/m3u.h"

#include "channels/cp936.h"

#include <gtest/gtest.h>

using rz4::tools::convertM3u;

namespace {

// The list as UTF-8 with "/" for line ends, easy to compare.
std::string text(const rz4::tools::M3uConversion& c) {
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

} // namespace

TEST(M3u, ReadsTitlesAndGroupsTheWayPlaylistsWriteThem) {
    const auto c = convertM3u("\xEF\xBB\xBF#EXTM3U x-tvg-url=\"a,b\"\r\n"
                              "#EXTINF:-1 tvg-name=\"A, B\" group-title=\" 新闻 \", CCTV-1 \r\n"
                              "  http://h/1  \r\n"
                              "\r\n# a comment\r\n"
                              "#EXTGRP:电影\r\nhttp://h/film\r\n"
                              "#EXTINF:-1,\r\nhttp://h/untitled\r"
                              "#EXTINF:-1,cr\rhttp://h/cr",
                              "网络电视", false);
    EXPECT_TRUE(c.errors.empty());
    EXPECT_EQ(text(c), "*网络电视/[新闻]/CCTV-1|http://h/1/[电影]/http://h/film|http://h/film/"
                       "[其他]/http://h/untitled|http://h/untitled/cr|http://h/cr/");
    EXPECT_EQ(c.channels, 4);
    EXPECT_EQ(c.groups, 3);
}

TEST(M3u, KeepsMarkersOutOfNamesAndRefusesThemInAddresses) {
    const auto c = convertM3u("#EXTINF:-1 group-title=\"a]b|c\",x*y\nhttp://h/ok\n"
                              "#EXTINF:-1,v6\nhttp://[::1]/x\n#EXTINF:-1,star\nhttp://h/a*b\n"
                              "#EXTINF:-1,本地\n/srv/tv.ts\n",
                              "c*t", false);
    EXPECT_TRUE(text(c).starts_with("*c＊t/[a］b｜c]/x＊y|http://h/ok/")) << text(c);
    ASSERT_EQ(c.errors.size(), 2u);
    EXPECT_EQ(c.errors[0].line, 3);
    EXPECT_EQ(c.errors[1].line, 5);
    bool localWarned = false;
    for (const auto& w : c.warnings) {
        localWarned |= w.line == 7 && w.message.find("not a network stream") != std::string::npos;
    }
    EXPECT_TRUE(localWarned);
}

TEST(M3u, RefusesWhatWouldLoseChannels) {
    EXPECT_FALSE(convertM3u("#EXTM3U\n", "网络电视", false).errors.empty());
    const auto clash = convertM3u("#EXTINF:-1 group-title=\"直播\",a\nhttp://h/a\n", "直播", false);
    ASSERT_EQ(clash.errors.size(), 1u);
    EXPECT_EQ(clash.errors[0].line, 1);
    EXPECT_FALSE(convertM3u("http://h/a\n", "", false).errors.empty());

    const auto strict = convertM3u("#EXTINF:-1,台😀\nhttp://h/a\n", "网络电视", false);
    ASSERT_EQ(strict.errors.size(), 1u);
    EXPECT_EQ(strict.errors[0].line, 1);
    const auto lossy = convertM3u("#EXTINF:-1,台😀\nhttp://h/a\n", "网络电视", true);
    EXPECT_TRUE(lossy.errors.empty());
    EXPECT_EQ(text(lossy), "*网络电视/[其他]/台?|http://h/a/");
    // Addresses leave in ASCII: UTF-8 beyond it is percent-encoded rather than lost.
    EXPECT_NE(text(convertM3u("http://h/电影\n", "网络电视", false)).find("http://h/%E7%94%B5"),
              std::string::npos);
}
