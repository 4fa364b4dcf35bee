#include "mainwindow/version.h"

#include <gtest/gtest.h>

using namespace rz4::mainwindow;

TEST(Version, OwnVersionText) {
    const std::u16string own = versionText(VersionMajor, VersionMinor, VersionRevision);
    EXPECT_EQ(std::string(own.begin(), own.end()), VersionString);
    EXPECT_EQ(versionText(10, 2, 33), u"10.2.33");
}

TEST(Version, FirstFieldIsUntrimmed) {
    EXPECT_EQ(firstField(u"3.0.0|2009-01-12|notes"), u"3.0.0");
    EXPECT_EQ(firstField(u" 3.0.1 |"), u" 3.0.1 ");
    EXPECT_EQ(firstField(u"3.0.0\r\n"), u"3.0.0\r\n");
    EXPECT_EQ(firstField(u"|3.0.1"), u"");
    EXPECT_EQ(firstField(u""), u"");
}

TEST(Version, ComparisonIsTextualByCodeUnit) {
    const std::u16string own = u"3.0.0";
    EXPECT_FALSE(isNewerVersion(u"3.0.0|anything", own));
    EXPECT_FALSE(isNewerVersion(u"3.0.0", own));
    EXPECT_TRUE(isNewerVersion(u"3.0.1", own));
    EXPECT_TRUE(isNewerVersion(u"4", own));
    EXPECT_TRUE(isNewerVersion(u"3.0.0\r\n", own)); // a line end makes it longer
    EXPECT_TRUE(isNewerVersion(u"<html>", own));
    EXPECT_FALSE(isNewerVersion(u"3.0.10", u"3.0.9"));
    EXPECT_FALSE(isNewerVersion(u"3.0", own)); // a proper prefix is smaller
    EXPECT_FALSE(isNewerVersion(u"", own));
    EXPECT_FALSE(isNewerVersion(u"2.9.9|4.0.0", own));
    // Code units, not locale order: "a" (0x61) after "B" (0x42), CJK after ASCII.
    EXPECT_TRUE(isNewerVersion(u"a", u"B"));
    EXPECT_TRUE(isNewerVersion(u"版本", own));
}

TEST(Version, UpdatePromptUsesALoneCarriageReturn) {
    EXPECT_EQ(updatePrompt(u"http://127.0.0.1:18090"),
              u"新版发布请到官网下载更新！\rhttp://127.0.0.1:18090");
}
