#include "mainwindow/channel_tree_widget.h"

#include "channels/reader.h"

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>

using namespace rz4::mainwindow;
using rz4::channels::RelationshipChild;
using rz4::channels::rgb;

namespace {

class ChannelTreeWidgetTest : public ::testing::Test {
protected:
    ChannelTreeWidget tree;
};

} // namespace

TEST_F(ChannelTreeWidgetTest, NodesAreFoundByKeyAndKeysAreUnique) {
    ASSERT_NE(tree.add(std::nullopt, 0, "cat", "央视频道"), nullptr);
    ASSERT_NE(tree.add("cat", RelationshipChild, "grp", "新闻"), nullptr);
    ASSERT_NE(tree.add("grp", RelationshipChild, std::nullopt, "CCTV-13"), nullptr);
    ASSERT_NE(tree.add("grp", RelationshipChild, std::nullopt, "CCTV-新闻"), nullptr);

    EXPECT_EQ(tree.add(std::nullopt, 0, "cat", "again"), nullptr);
    EXPECT_EQ(tree.add("nowhere", RelationshipChild, "x", "orphan"), nullptr);

    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* cat = tree.topLevelItem(0);
    EXPECT_EQ(cat->text(0), QStringLiteral("央视频道"));
    ASSERT_EQ(cat->childCount(), 1);
    ASSERT_EQ(cat->child(0)->childCount(), 2);
    EXPECT_EQ(cat->child(0)->child(1)->text(0), QStringLiteral("CCTV-新闻"));

    // After clearing, the old keys are free again.
    tree.clear();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_NE(tree.add(std::nullopt, 0, "cat", "again"), nullptr);
}

TEST_F(ChannelTreeWidgetTest, TagsColoursAndPictures) {
    tree.attachImageList();
    tree.add(std::nullopt, 0, "g", "卫视");
    auto* channel = tree.add("g", RelationshipChild, std::nullopt, "湖南卫视");
    channel->setTag("http://127.0.0.1:1/hunan.m3u8");
    channel->setForeColor(rgb(255, 255, 255));
    channel->setBackColor(rgb(54, 54, 86));
    channel->setImage("no such picture");

    QTreeWidgetItem* g = tree.topLevelItem(0);
    QTreeWidgetItem* c = g->child(0);
    EXPECT_EQ(ChannelTreeWidget::tagOf(c), QStringLiteral("http://127.0.0.1:1/hunan.m3u8"));
    EXPECT_TRUE(ChannelTreeWidget::tagOf(g).isEmpty());
    EXPECT_TRUE(ChannelTreeWidget::tagOf(nullptr).isEmpty());
    EXPECT_EQ(c->foreground(0).color(), QColor(255, 255, 255));
    EXPECT_EQ(c->background(0).color(), QColor(54, 54, 86));
    EXPECT_TRUE(c->icon(0).isNull());

    tree.setBackColor(rgb(54, 54, 86));
    EXPECT_EQ(tree.palette().color(QPalette::Base), QColor(54, 54, 86));
}

TEST_F(ChannelTreeWidgetTest, RowsTakeTheItemHeight) {
    tree.resize(200, 100);
    tree.add(std::nullopt, 0, "a", "第一");
    tree.add(std::nullopt, 0, "b", "第二");
    tree.setItemHeight(19);
    tree.show();
    QApplication::processEvents();
    EXPECT_EQ(tree.visualItemRect(tree.topLevelItem(0)).height(), 19);
    EXPECT_EQ(tree.visualItemRect(tree.topLevelItem(1)).top(), 19);
}

TEST_F(ChannelTreeWidgetTest, EnsureVisibleOpensEveryAncestorAndScrollsToTheNode) {
    tree.resize(200, 60);
    tree.setItemHeight(19);
    tree.add(std::nullopt, 0, "top", "分类");
    tree.add("top", RelationshipChild, "mid", "分组");
    rz4::channels::ChannelNode* last = nullptr;
    for (int i = 0; i < 30; ++i) {
        last = tree.add("mid", RelationshipChild, std::nullopt, "频道");
    }
    tree.show();
    QApplication::processEvents();
    EXPECT_FALSE(tree.topLevelItem(0)->isExpanded());

    last->EnsureVisible();
    QApplication::processEvents();
    QTreeWidgetItem* top = tree.topLevelItem(0);
    EXPECT_TRUE(top->isExpanded());
    EXPECT_TRUE(top->child(0)->isExpanded());
    const QRect r = tree.visualItemRect(top->child(0)->child(29));
    EXPECT_TRUE(tree.viewport()->rect().contains(r)) << r.top();
}

TEST_F(ChannelTreeWidgetTest, AListThatNestsDeeplyNeitherHangsNorOverflows) {
    // A category named like the last group makes the next group its child: a hostile list can
    // nest as deep as it is long. Refused nesting leaves a long flat list of groups, each made
    // visible in turn.
    std::string list = "*c0\r";
    for (int i = 1; i <= 20000; ++i) {
        list += "[g" + std::to_string(i) + "]\r*g" + std::to_string(i) + "\r";
    }
    rz4::channels::readTreeFromBytes(list, tree);
    int depth = 0;
    for (QTreeWidgetItem* item = tree.topLevelItem(0); item != nullptr;
         item = item->childCount() > 0 ? item->child(0) : nullptr) {
        ++depth;
    }
    EXPECT_LE(depth, ChannelTreeWidget::MaxDepth);
    tree.clear();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}
