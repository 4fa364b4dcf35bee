#include "mainwindow/channel_server.h"

#include "channels/list_size.h"
#include "channels/memory_tree.h"
#include "served_folder.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace rz4::mainwindow;
using rz4::channels::MemoryTree;

namespace {

const QString Soft = QStringLiteral("/zhibo/RZ4/soft/");

class ChannelServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", m_oldTmp); }

    void serve(const QString& file, const QByteArray& bytes) { m_served.put(Soft + file, bytes); }
    bool tempIsEmpty() const {
        return QDir(m_tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir m_tmp;
    QByteArray m_oldTmp;
    ServedFolder m_served;
};

} // namespace

TEST_F(ChannelServerTest, TheListIsDecodedAndReadAndNothingIsLeftInTheTempFolder) {
    serve("Version.html", ownVersion() + "|2009-01-12|");
    serve("baby1.mdb", bitReversed(gbk(QStringLiteral("*央视频道\r\n[新闻]\r\nCCTV-13|http://"
                                                      "s/13\r\n"))));
    ChannelServer server(m_served.server());
    EXPECT_EQ(server.logoAddress(), m_served.url(Soft + "Ostrel.jpg"));
    EXPECT_EQ(server.pageAddress(), m_served.url(Soft + "mini.htm"));
    EXPECT_FALSE(server.announcesNewerVersion());

    MemoryTree tree;
    ASSERT_EQ(server.readChannelList(tree), QString());
    const auto nodes = tree.nodes();
    ASSERT_EQ(nodes.size(), 3U);
    EXPECT_EQ(nodes[0]->text(), "央视频道");
    EXPECT_EQ(nodes[2]->text(), "CCTV-13");
    EXPECT_EQ(nodes[2]->tag(), "http://s/13");
    EXPECT_TRUE(tempIsEmpty());
}

TEST_F(ChannelServerTest, ANewerVersionIsAnnouncedOnceWithTheHomeAddress) {
    serve("Version.html", nextVersion() + "|notes");
    ChannelServer server(m_served.server());
    EXPECT_TRUE(server.announcesNewerVersion());
    EXPECT_FALSE(server.announcesNewerVersion());
    EXPECT_EQ(server.updatePrompt(),
              QStringLiteral("新版发布请到官网下载更新！\rhttp://") + m_served.server());
}

TEST_F(ChannelServerTest, AMissingOrOversizedListIsNoList) {
    ChannelServer server(m_served.server());
    EXPECT_FALSE(server.announcesNewerVersion()); // the 404 page says nothing
    MemoryTree tree;
    EXPECT_FALSE(server.readChannelList(tree).isEmpty());

    // One byte past the cap: refused before anything is decoded.
    QByteArray list = bitReversed(gbk(QStringLiteral("*大\r\n[组]\r\n台|http://s/1\r\n")));
    list.append(QByteArray(rz4::channels::MaxListBytes + 1 - list.size(), ' '));
    serve("baby1.mdb", list);
    EXPECT_FALSE(server.readChannelList(tree).isEmpty());
    EXPECT_TRUE(tree.nodes().empty());
    list.chop(1);
    serve("baby1.mdb", list);
    EXPECT_EQ(server.readChannelList(tree), QString());
    EXPECT_TRUE(tempIsEmpty());
}
