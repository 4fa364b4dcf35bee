#include "mainwindow/channel_tree_widget.h"

#include "mainwindow/channel_tree_accessible.h"

#include "channels/cp936.h"
#include "channels/memory_tree.h"
#include "channels/reader.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using namespace rz4::mainwindow;
using rz4::channels::MemoryNode;
using rz4::channels::MemoryTree;
using rz4::channels::RelationshipChild;
using rz4::channels::rgb;

namespace {

class ChannelTreeWidgetTest : public ::testing::Test {
protected:
    QModelIndex at(int row, const QModelIndex& parent = {}) const {
        return tree.model()->index(row, 0, parent);
    }
    int rows(const QModelIndex& parent = {}) const { return tree.model()->rowCount(parent); }

    void read(const std::string& utf8) {
        std::string bytes;
        rz4::channels::Cp936Encoder().encode(utf8, bytes);
        rz4::channels::readTreeFromBytes(bytes, tree);
    }

    ChannelTreeWidget tree;
};

QColor colourOf(const QModelIndex& index, int role) {
    return index.data(role).value<QBrush>().color();
}

// The model's nodes depth first, beside the in-memory tree's.
void expectSameTree(const MemoryTree& memory, const ChannelTreeWidget& widget) {
    std::vector<QModelIndex> order;
    std::vector<QModelIndex> pending{QModelIndex()};
    const QAbstractItemModel& model = *widget.model();
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        if (parent.isValid()) {
            order.push_back(parent);
        }
        for (int row = model.rowCount(parent) - 1; row >= 0; --row) {
            pending.push_back(model.index(row, 0, parent));
        }
    }
    const std::vector<const MemoryNode*> nodes = memory.nodes();
    ASSERT_EQ(order.size(), nodes.size());
    // One picture per image key, and different keys different pictures.
    std::map<std::string, qint64> pictures;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const MemoryNode& node = *nodes[i];
        const QModelIndex& index = order[i];
        SCOPED_TRACE(node.text());
        EXPECT_EQ(index.data().toString().toStdString(), node.text());
        EXPECT_EQ(index.data(ChannelTreeWidget::TagRole).toString().toStdString(),
                  node.tag().value_or(""));
        EXPECT_EQ(index.parent().isValid(), node.parent() != nullptr);
        EXPECT_EQ(colourOf(index, Qt::ForegroundRole), toQColor(node.foreColor()));
        EXPECT_EQ(colourOf(index, Qt::BackgroundRole), toQColor(node.backColor()));
        EXPECT_EQ(widget.isExpanded(index), node.expanded());
        const qint64 picture = index.data(Qt::DecorationRole).value<QIcon>().cacheKey();
        EXPECT_EQ(pictures.emplace(node.image(), picture).first->second, picture);
    }
    std::set<qint64> distinct;
    for (const auto& [image, picture] : pictures) {
        distinct.insert(picture);
    }
    EXPECT_EQ(distinct.size(), pictures.size());
}

} // namespace

TEST_F(ChannelTreeWidgetTest, NodesAreFoundByKeyAndKeysAreUniqueAndShowAtTheEndOfTheList) {
    ASSERT_NE(tree.add(std::nullopt, 0, "cat", "央视频道"), nullptr);
    ASSERT_NE(tree.add("cat", RelationshipChild, "grp", "新闻"), nullptr);
    ASSERT_NE(tree.add("grp", RelationshipChild, std::nullopt, "CCTV-13"), nullptr);
    ASSERT_NE(tree.add("grp", RelationshipChild, std::nullopt, "CCTV-新闻"), nullptr);

    EXPECT_EQ(tree.add(std::nullopt, 0, "cat", "again"), nullptr);
    EXPECT_EQ(tree.add("nowhere", RelationshipChild, "x", "orphan"), nullptr);
    EXPECT_EQ(rows(), 0);
    tree.endOfList();

    ASSERT_EQ(rows(), 1);
    const QModelIndex cat = at(0);
    EXPECT_EQ(cat.data().toString(), QStringLiteral("央视频道"));
    ASSERT_EQ(rows(cat), 1);
    ASSERT_EQ(rows(at(0, cat)), 2);
    EXPECT_EQ(at(1, at(0, cat)).data().toString(), QStringLiteral("CCTV-新闻"));
    EXPECT_EQ(at(1, at(0, cat)).parent(), at(0, cat));

    // A node added later hides the tree until the list ends again.
    tree.add("grp", RelationshipChild, std::nullopt, "CCTV-1");
    EXPECT_EQ(rows(), 0);
    tree.endOfList();
    EXPECT_EQ(rows(at(0, at(0))), 3);

    // After clearing, the old keys are free again.
    tree.clear();
    EXPECT_EQ(rows(), 0);
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
    tree.add("g", RelationshipChild, std::nullopt, "CCTV-1")->setImage("jie");
    tree.endOfList();

    const QModelIndex g = at(0);
    const QModelIndex c = at(0, g);
    EXPECT_EQ(c.data(ChannelTreeWidget::TagRole).toString(),
              QStringLiteral("http://127.0.0.1:1/hunan.m3u8"));
    EXPECT_TRUE(g.data(ChannelTreeWidget::TagRole).toString().isEmpty());
    EXPECT_TRUE(QModelIndex().data(ChannelTreeWidget::TagRole).toString().isEmpty());
    EXPECT_EQ(colourOf(c, Qt::ForegroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colourOf(c, Qt::BackgroundRole), QColor(54, 54, 86));
    EXPECT_FALSE(g.data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(c.data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(at(1, g).data(Qt::DecorationRole).value<QIcon>().isNull());

    tree.setBackColor(rgb(54, 54, 86));
    EXPECT_EQ(tree.palette().color(QPalette::Base), QColor(54, 54, 86));
}

TEST_F(ChannelTreeWidgetTest, TheModelHoldsWhatTheInMemoryTreeHolds) {
    std::string generated = "*大列表\r";
    for (int g = 0; g < 30; ++g) {
        generated += "[组" + std::to_string(g % 20) + "]\r";
        for (int c = 0; c < 40; ++c) {
            generated += "频道" + std::to_string(c) + "|http://h/" + std::to_string(g) + "/" +
                         std::to_string(c) + "\r";
        }
    }
    for (const std::string& list :
         {std::string("*央视\r\n[新闻]\r\nCCTV-13|http://a\r\n空频道|\r\n*卫视\r\n"),
          std::string("*c1\r[g]\ra|1\r*c2\r[g]\rb|2\r[h]\rc|3\r[HD]台|u\r*c\r[c]\rx|u"),
          std::string("*c\r[g]\r*g\r[h]\rx|u\r【体育]\ry|http://h/a*b\r[g2]\rz|u"),
          std::string("x|before any group\r]x\r*\r[]\r"), generated}) {
        SCOPED_TRACE(list.substr(0, 40));
        MemoryTree memory;
        std::string bytes;
        rz4::channels::Cp936Encoder().encode(list, bytes);
        rz4::channels::readTreeFromBytes(bytes, memory);
        read(list);
        expectSameTree(memory, tree);
    }
}

TEST_F(ChannelTreeWidgetTest, RowsTakeTheItemHeight) {
    tree.resize(200, 100);
    tree.add(std::nullopt, 0, "a", "第一");
    tree.add(std::nullopt, 0, "b", "第二");
    tree.setItemHeight(19);
    tree.endOfList();
    tree.show();
    QApplication::processEvents();
    EXPECT_EQ(tree.visualRect(at(0)).height(), 19);
    EXPECT_EQ(tree.visualRect(at(1)).top(), 19);
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
    last->EnsureVisible();
    tree.endOfList();
    tree.show();
    QApplication::processEvents();

    const QModelIndex top = at(0);
    EXPECT_TRUE(tree.isExpanded(top));
    EXPECT_TRUE(tree.isExpanded(at(0, top)));
    const QRect r = tree.visualRect(at(29, at(0, top)));
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
    for (QModelIndex node = at(0); node.isValid(); node = at(0, node)) {
        ++depth;
    }
    EXPECT_LE(depth, ChannelTreeWidget::MaxDepth);
    tree.clear();
    EXPECT_EQ(rows(), 0);
}

TEST_F(ChannelTreeWidgetTest, TypingSelectsAHiddenChannelAndOpensItsWayAndEnterChoosesIt) {
    tree.resize(200, 80);
    tree.setItemHeight(19);
    std::string list = "*央视\r[体育]\r";
    for (int i = 0; i < 20; ++i) {
        list += "CCTV-" + std::to_string(i) + "|http://h/" + std::to_string(i) + "\r";
    }
    read(list + "*卫视\r[湖南]\r湖南卫视|http://h/hn\r");
    // The group lines opened both categories; typing reaches into the closed groups.
    tree.collapse(at(0));
    tree.show();
    tree.setFocus();
    QApplication::processEvents();
    QSignalSpy chosen(&tree, &ChannelTreeWidget::enterPressed);

    QTest::keyClicks(&tree, QStringLiteral("hnws"));
    QModelIndex current = tree.currentIndex();
    EXPECT_EQ(current.data().toString(), QStringLiteral("湖南卫视"));
    EXPECT_TRUE(tree.isExpanded(current.parent()));
    EXPECT_TRUE(tree.selectionModel()->isSelected(current));
    EXPECT_EQ(chosen.count(), 0);

    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);

    // More letters: the next match after the last one, a long way down in a closed group.
    tree.setCurrentIndex(at(0, at(0, at(0))));
    QTest::keyClicks(&tree, QStringLiteral("cctv19"));
    current = tree.currentIndex();
    EXPECT_EQ(current.data().toString(), QStringLiteral("CCTV-19"));
    EXPECT_TRUE(tree.isExpanded(at(0)));
    EXPECT_TRUE(tree.viewport()->rect().contains(tree.visualRect(current)));
}

TEST_F(ChannelTreeWidgetTest, AScreenReaderTogglesTheItemItselfAndPressPlaysIt) {
    QAccessible::installFactory(&ChannelTreeAccessible::factory);
    tree.resize(200, 200);
    read("*央视\r[体育]\rCCTV-5|http://h/5\rCCTV-6|http://h/6\r");
    tree.expandAll();
    tree.show();
    QApplication::processEvents();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&tree);
    ASSERT_NE(view->tableInterface(), nullptr);
    EXPECT_EQ(view->tableInterface()->rowCount(), 4);
    // Second in its group, fourth on the screen: Qt's own cell selected the second row.
    QAccessibleInterface* item = nullptr;
    for (int i = 0; i < view->childCount() && item == nullptr; ++i) {
        if (view->child(i)->text(QAccessible::Name) == QStringLiteral("CCTV-6")) {
            item = view->child(i);
        }
    }
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->role(), QAccessible::TreeItem);
    EXPECT_EQ(item->parent(), view);
    EXPECT_EQ(view->child(view->indexOfChild(item)), item);
    EXPECT_EQ(view->tableInterface()->cellAt(3, 0), item);
    EXPECT_EQ(item->tableCellInterface()->rowIndex(), 3);
    const QModelIndex cctv6 = at(1, at(0, at(0)));

    item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(tree.selectionModel()->selectedRows(), QModelIndexList{cctv6});
    EXPECT_NE(tree.currentIndex(), cctv6); // selecting is not choosing
    QSignalSpy chosen(&tree, &ChannelTreeWidget::enterPressed);
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(tree.currentIndex(), cctv6);

    // A list read anew leaves the old item dead, and pressing it chooses nothing.
    read("*卫视\r[湖南]\r湖南卫视|http://h/hn\r");
    QApplication::processEvents();
    EXPECT_FALSE(item->isValid());
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen.count(), 1);
}
