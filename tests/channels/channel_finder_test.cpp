#include "channels/channel_finder.h"

#include "channels/cp936.h"
#include "channels/pinyin.h"
#include "channels/reader.h"

#include <gtest/gtest.h>

using namespace rz4::channels;

namespace {

class ChannelFinderTest : public ::testing::Test {
protected:
    void read(const std::string& utf8) {
        std::string bytes;
        Cp936Encoder().encode(utf8, bytes);
        readTreeFromBytes(bytes, tree);
        finder.index(tree);
    }

    // The name of what typing finds, starting at the top.
    std::string found(std::string_view typed, NodeId from = CompactTree::Root) {
        const std::optional<NodeId> node = finder.find(typed, from);
        return node ? std::string(tree.text(*node)) : "(none)";
    }

    CompactTree tree;
    ChannelFinder finder;
};

} // namespace

TEST_F(ChannelFinderTest, FindsChannelsByTheirStartInitialsOrPinyin) {
    read("*央视\r[体育]\rCCTV-1 综合|a\rCCTV-5 体育|b\r*卫视\r[湖南]\r"
         "湖南卫视|d\r重庆卫视|e\rＴＶＢ翡翠|f\r");
    EXPECT_EQ(found("cctv5"), "CCTV-5 体育");
    EXPECT_EQ(found("CCTV-5"), "CCTV-5 体育");
    EXPECT_EQ(found("hnws"), "湖南卫视");
    EXPECT_EQ(found("hunan"), "湖南卫视");
    EXPECT_EQ(found("HuNanWei"), "湖南卫视");
    EXPECT_EQ(found("湖南"), "湖南卫视");
    // Read in context: 重 alone is zhong.
    EXPECT_EQ(found("cqws"), "重庆卫视");
    EXPECT_EQ(found("tvbfc"), "ＴＶＢ翡翠");
    // Only channels are found, and only by the start of their names.
    EXPECT_EQ(found("tiyu"), "(none)");
    EXPECT_EQ(found("ws"), "(none)");
    EXPECT_EQ(found("-"), "(none)");
}

TEST_F(ChannelFinderTest, SearchesOnFromTheGivenNodeAndComesRound) {
    read("*c\r[g1]\rCCTV-1|a\rBTV|b\r[g2]\rCCTV-2|c\r");
    const NodeId first = *finder.find("cctv", CompactTree::Root);
    EXPECT_EQ(tree.text(first), "CCTV-1");
    const NodeId second = *finder.find("cctv", tree.next(first));
    EXPECT_EQ(tree.text(second), "CCTV-2");
    EXPECT_EQ(found("cctv", tree.next(second)), "CCTV-1");
    EXPECT_EQ(found("cctv", second), "CCTV-2");
}

TEST(PinyinSpeller, PastItsBudgetSpellsEachCharacterAlone) {
    std::string full;
    std::string initials;
    PinyinSpeller(0).spell("重庆 TV", full, initials);
    EXPECT_EQ(full, "zhongqingtv");
    EXPECT_EQ(initials, "zqtv");
}
