#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/hot_area.h"
#include "platform/browser.h"
#include "platform/player.h"
#include "resources/resources.h"
#include "served_folder.h"
#include "skinctl/tvate.h"
#include "tests/support/qt_main.h"

#include "common/runtime_error.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <clocale>

using namespace rz4::mainwindow;

namespace {

// The application object as the program sets it up, with the window's resources loaded.
[[maybe_unused]] const bool setUp =
    rz4::testsupport::registerApplicationSetup([] { rz4::platform::Browser::prepareApplication(); },
                                               [] {
                                                   std::setlocale(LC_NUMERIC, "C");
                                                   QApplication::setQuitOnLastWindowClosed(false);
                                                   rz4::resources::init();
                                               });

const QString Soft = QStringLiteral("/zhibo/RZ4/soft/");

struct Box {
    QString title;
    QString prompt;
};

// Records what the window asks of the desktop instead of showing or ending anything.
struct FakeDesktop {
    std::vector<Box> boxes;
    std::vector<int> endings;
    bool tray = false;

    Desktop seams() {
        return {[this](const QString& t, const QString& p) {
                    boxes.push_back({t, p});
                },
                [this](int code) { endings.push_back(code); }, [this] { return tray; }};
    }
};

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        // Temporary files go where the test can see them; the working directory is watched too.
        ASSERT_TRUE(m_tmp.isValid());
        ASSERT_TRUE(m_cwd.isValid());
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_cwd.path());

        QImage logo(64, 48, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        QByteArray jpg;
        {
            QBuffer buffer(&jpg);
            buffer.open(QIODevice::WriteOnly);
            logo.save(&buffer, "JPG");
        }
        m_server.put(Soft + QStringLiteral("Ostrel.jpg"), jpg);
        m_server.put(Soft + QStringLiteral("mini.htm"),
                     gbk(QStringLiteral("<html><body>欢迎</body></html>")));
    }

    void TearDown() override {
        QDir::setCurrent(m_oldCwd);
        qputenv("TMPDIR", m_oldTmp);
    }

    void serveVersion(const QByteArray& text) { m_server.put(Soft + "Version.html", text); }
    void serveList(const QString& text) {
        m_server.put(Soft + QStringLiteral("baby1.mdb"), bitReversed(gbk(text)));
    }
    void serveStandardList() {
        serveList(QStringLiteral("*央视频道\r\n[新闻]\r\nCCTV-13|%1\r\n空频道|\r\n*卫视\r\n")
                      .arg(m_server.url(QStringLiteral("/media/ch1.ts"))));
    }

    std::unique_ptr<Form1> startForm() {
        auto form = std::make_unique<Form1>(m_server.server(), m_desktop.seams());
        form->Form_Load();
        return form;
    }

    bool leftNothingBehind() const {
        return QDir(m_tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) &&
               QDir(m_cwd.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir m_tmp;
    QTemporaryDir m_cwd;
    QByteArray m_oldTmp;
    QString m_oldCwd;
    ServedFolder m_server;
    FakeDesktop m_desktop;
};

QModelIndex findNode(const QTreeView& tree, const QString& text) {
    const QAbstractItemModel& model = *tree.model();
    const auto found = model.match(model.index(0, 0), Qt::DisplayRole, text, 1,
                                   Qt::MatchExactly | Qt::MatchRecursive | Qt::MatchWrap);
    return found.isEmpty() ? QModelIndex() : found.first();
}

void click(QTreeView& tree, const QModelIndex& node) {
    tree.scrollTo(node);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualRect(node).center());
}

int topLevelCount(const QTreeView& tree) {
    return tree.model()->rowCount();
}

} // namespace

TEST_F(Form1Test, StartUpBuildsTheTreeFromTheServedListAndLeavesNoFile) {
    serveVersion(ownVersion() + "|2009-01-12|");
    serveStandardList();
    auto form = startForm();
    const auto& c = form->controls();

    EXPECT_TRUE(m_desktop.boxes.empty());
    EXPECT_FALSE(form->hasEnded());
    const QAbstractItemModel& model = *c.TreeView1->model();
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex category = model.index(0, 0);
    EXPECT_EQ(category.data().toString(), QStringLiteral("央视频道"));
    EXPECT_TRUE(c.TreeView1->isExpanded(category));
    ASSERT_EQ(model.rowCount(category), 1);
    const QModelIndex group = model.index(0, 0, category);
    ASSERT_EQ(model.rowCount(group), 2);
    EXPECT_EQ(model.index(0, 0, group).data(ChannelTreeWidget::TagRole).toString(),
              m_server.url(QStringLiteral("/media/ch1.ts")));
    EXPECT_EQ(c.TreeView1->itemHeight(), 19);
    EXPECT_EQ(c.TreeView1->palette().color(QPalette::Base), QColor(54, 54, 86));
    EXPECT_FALSE(group.data(Qt::DecorationRole).value<QIcon>().isNull());

    // The start addresses, the volume and the status line.
    EXPECT_EQ(c.WMP->URL(), m_server.url(Soft + QStringLiteral("Ostrel.jpg")));
    EXPECT_EQ(c.volume->Value(), 50);
    EXPECT_EQ(c.WMP->volume(), 50);
    // The player may already be at work on the logo; the line shows what it says, or nothing.
    EXPECT_TRUE(c.Label2->text() == c.WMP->status() || c.Label2->text().trimmed().isEmpty());
    ASSERT_NE(c.trayIcon, nullptr);
    EXPECT_EQ(c.trayIcon->toolTip(), QStringLiteral("RZ4网络电视"));
    EXPECT_EQ(form->visibilityMarker(), QStringLiteral("显示"));

    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(Form1Test, ANewerVersionIsAnnouncedOnceBeforeTheList) {
    serveVersion(nextVersion() + "|notes");
    serveStandardList();
    auto form = startForm();

    ASSERT_EQ(m_desktop.boxes.size(), 1U);
    EXPECT_EQ(m_desktop.boxes[0].title, QStringLiteral("最新消息"));
    EXPECT_EQ(m_desktop.boxes[0].prompt,
              QStringLiteral("新版发布请到官网下载更新！\rhttp://") + m_server.server());
    EXPECT_EQ(topLevelCount(*form->controls().TreeView1), 2);
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(Form1Test, AVersionTextWithALineEndCountsAsNewer) {
    serveVersion(ownVersion() + "\r\n");
    serveStandardList();
    auto form = startForm();
    EXPECT_EQ(m_desktop.boxes.size(), 1U);
}

TEST_F(Form1Test, NoVersionPageMeansNoMessage) {
    // The server's 404 page starts with "<", which would sort after any version number.
    serveStandardList();
    auto form = startForm();
    EXPECT_TRUE(m_desktop.boxes.empty());
    EXPECT_EQ(topLevelCount(*form->controls().TreeView1), 2);
}

TEST_F(Form1Test, WithoutAListTheWindowOpensEmptyAndSaysSo) {
    serveVersion(ownVersion());
    auto form = startForm();
    const auto& c = form->controls();
    EXPECT_FALSE(form->hasEnded());
    EXPECT_TRUE(m_desktop.boxes.empty());
    EXPECT_EQ(topLevelCount(*c.TreeView1), 0);
    // Empty, yet dressed like a list: a white box would look broken in the dark skin.
    EXPECT_EQ(c.TreeView1->itemHeight(), 19);
    EXPECT_EQ(c.TreeView1->palette().color(QPalette::Base), QColor(54, 54, 86));
    EXPECT_EQ(c.Label2->text(), QStringLiteral("无法载入频道列表"));
    // The status line is as wide as its text, not its 12-pixel design width.
    EXPECT_GE(c.Label2->width(), c.Label2->sizeHint().width());
    EXPECT_GT(c.Label2->width(), 12);
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(Form1Test, ADeadServerNeitherHangsNorAnnouncesAnything) {
    QTcpServer probe; // a port that was free a moment ago refuses connections now
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    probe.close();

    Form1 form(address, m_desktop.seams());
    form.Form_Load();
    EXPECT_FALSE(form.hasEnded());
    EXPECT_TRUE(m_desktop.boxes.empty());
    EXPECT_EQ(topLevelCount(*form.controls().TreeView1), 0);
    EXPECT_EQ(form.controls().Label2->text(), QStringLiteral("无法载入频道列表"));
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(Form1Test, ClickingNodesOpensGroupsAndPlaysChannels) {
    serveVersion(ownVersion());
    serveStandardList();
    auto form = startForm();
    form->show();
    const auto& c = form->controls();
    ChannelTreeWidget& tree = *c.TreeView1;
    const QString greeting = c.Label1->text();
    const QString logo = c.WMP->URL();

    const QModelIndex group = findNode(tree, QStringLiteral("新闻"));
    ASSERT_TRUE(group.isValid());
    EXPECT_FALSE(tree.isExpanded(group));
    click(tree, group);
    EXPECT_TRUE(tree.isExpanded(group));
    click(tree, group);
    EXPECT_FALSE(tree.isExpanded(group));
    click(tree, group);
    EXPECT_EQ(c.Label1->text(), greeting);
    EXPECT_EQ(c.WMP->URL(), logo);

    // A channel without an address changes nothing.
    click(tree, findNode(tree, QStringLiteral("空频道")));
    EXPECT_EQ(c.Label1->text(), greeting);
    EXPECT_EQ(c.WMP->URL(), logo);

    click(tree, findNode(tree, QStringLiteral("CCTV-13")));
    EXPECT_EQ(c.Label1->text(), QStringLiteral("您正在收看的是：CCTV-13"));
    EXPECT_EQ(c.WMP->URL(), m_server.url(QStringLiteral("/media/ch1.ts")));

    // Found by typing with the group closed again, Enter plays it as the click did.
    click(tree, group);
    c.WMP->setURL(logo);
    QTest::keyClicks(&tree, QStringLiteral("cctv13"));
    EXPECT_EQ(tree.currentIndex().data().toString(), QStringLiteral("CCTV-13"));
    EXPECT_EQ(c.WMP->URL(), logo);
    QTest::keyClick(&tree, Qt::Key_Enter);
    EXPECT_EQ(c.WMP->URL(), m_server.url(QStringLiteral("/media/ch1.ts")));
}

// What a label draws of its text alone, without any background.
QImage drawnText(QLabel& label) {
    QImage image(label.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST_F(Form1Test, NamesFromTheServerAreShownAsWrittenNeverAsMarkup) {
    QTemporaryDir local;
    QImage red(40, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = local.filePath(QStringLiteral("red.png"));
    ASSERT_TRUE(red.save(picture));
    const QStringList names = {
        QStringLiteral("<img src=\"%1\">").arg(QUrl::fromLocalFile(picture).toString()),
        QStringLiteral("<h1>大标题</h1>"), QStringLiteral("&lt;b&gt;粗&lt;/b&gt;")};
    QString list = QStringLiteral("*分类\r\n[组]\r\n");
    for (const QString& name : names)
        list += name + QStringLiteral("|%1\r\n").arg(m_server.url(QStringLiteral("/media/ch1.ts")));
    serveVersion("3.0.0");
    serveList(list);
    auto form = startForm();
    form->show();
    const auto& c = form->controls();
    ChannelTreeWidget& tree = *c.TreeView1;
    click(tree, findNode(tree, QStringLiteral("组")));

    for (const QString& name : names) {
        const QModelIndex node = findNode(tree, name);
        ASSERT_TRUE(node.isValid()) << name.toStdString();
        click(tree, node);
        QLabel written(QStringLiteral("您正在收看的是：") + name);
        written.setTextFormat(Qt::PlainText);
        written.setFont(c.Label1->font());
        written.setPalette(c.Label1->palette());
        written.resize(c.Label1->size());
        EXPECT_EQ(drawnText(*c.Label1), drawnText(written)) << name.toStdString();
    }
}

TEST_F(Form1Test, StatusLineShowsThePlayerAndIsBlankWhilePlaying) {
    // A few seconds of real video for the player to play.
    const QString media = m_server.root() + QStringLiteral("/media");
    QDir().mkpath(media);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-loglevel", "error", "-f", "lavfi", "-i",
                  "testsrc2=size=160x120:rate=25:duration=30", "-c:v", "libx264", "-preset",
                  "ultrafast", "-f", "mpegts", media + QStringLiteral("/ch1.ts")});
    ASSERT_TRUE(ffmpeg.waitForFinished(120000));
    ASSERT_EQ(ffmpeg.exitCode(), 0);

    serveVersion(ownVersion());
    serveStandardList();
    auto form = startForm();
    form->show(); // the player's engine starts with the window
    const auto& c = form->controls();

    QString whilePlaying = QStringLiteral("(never played)");
    // Connected after the window's own handler, so this sees the line it has just written.
    QObject::connect(c.WMP, &rz4::platform::Player::StatusChange, [&] {
        if (c.WMP->status().startsWith(QStringLiteral("正在播放"))) {
            whilePlaying = c.Label2->text();
        } else {
            EXPECT_EQ(c.Label2->text(), c.WMP->status());
        }
    });
    const QString channel = m_server.url(QStringLiteral("/media/ch1.ts"));
    c.WMP->setURL(channel);
    whilePlaying = QStringLiteral("(never played)");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return c.WMP->playState() == rz4::platform::PlayState::Playing &&
                   whilePlaying != "(never played)";
        },
        60000));
    EXPECT_TRUE(whilePlaying.isEmpty()) << whilePlaying.toStdString();

    c.WMP->stop();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return c.WMP->playState() != rz4::platform::PlayState::Playing; }, 10000));
    QApplication::processEvents();
    EXPECT_FALSE(c.Label2->text().isEmpty());
    EXPECT_EQ(c.Label2->text(), c.WMP->status());
}

TEST_F(Form1Test, PressesAtTheSlidersEndsSetTheVolume) {
    serveVersion(ownVersion());
    serveStandardList();
    auto form = startForm();
    form->show();
    const auto& c = form->controls();
    rz4::skinctl::tVate& slider = *c.volume;
    EXPECT_EQ(slider.size(), QSize(89, 13));

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(0, 6));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(0, 6));
    EXPECT_EQ(c.WMP->volume(), 0);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, 6));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, 6));
    EXPECT_EQ(c.WMP->volume(), 100);
    EXPECT_EQ(slider.Value(), 100);
}

TEST_F(Form1Test, LayoutFollowsTheWindowSize) {
    auto form = std::make_unique<Form1>(m_server.server(), m_desktop.seams());
    form->show();
    EXPECT_EQ(form->size(), QSize(623, 450));
    EXPECT_EQ(form->piece(Piece::WMP)->geometry(), QRect(8, 61, 406, 327));
    EXPECT_EQ(form->piece(Piece::TreeView1)->geometry(), QRect(420, 213, 195, 228));
    EXPECT_EQ(form->piece(Piece::Volume)->geometry(), QRect(112, 423, 89, 13));
    EXPECT_EQ(form->controls().Label2->pos(), QPoint(15, 388));

    form->resize(823, 550);
    EXPECT_EQ(form->piece(Piece::WMP)->geometry(), QRect(8, 61, 606, 427));
    EXPECT_EQ(form->piece(Piece::Image9_3)->geometry(), QRect(774, 0, 49, 17));
    EXPECT_EQ(form->controls().Label2->pos(), QPoint(15, 488));
}

TEST_F(Form1Test, TitleBarCommandsKeepTheirStateInTheTooltip) {
    auto form = std::make_unique<Form1>(m_server.server(), m_desktop.seams());
    form->show();
    const auto& c = form->controls();
    const WId native = form->winId();

    QTest::mouseClick(c.Image9[1], Qt::LeftButton);
    EXPECT_EQ(c.Image9[1]->toolTip(), QStringLiteral("取消置顶"));
    EXPECT_TRUE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QTest::mouseClick(c.Image9[1], Qt::LeftButton);
    EXPECT_EQ(c.Image9[1]->toolTip(), QStringLiteral("窗口置顶"));
    EXPECT_FALSE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form->winId(), native); // the video's native window survives

    const QRect screen = form->screen()->geometry();
    const QRect work = form->screen()->availableGeometry();
    QTest::mouseClick(c.Image9[2], Qt::LeftButton);
    EXPECT_EQ(c.Image9[2]->toolTip(), QStringLiteral("还原"));
    EXPECT_EQ(
        form->geometry(),
        QRect(screen.topLeft(), QSize(screen.width(), work.y() + work.height() - screen.y())));
    EXPECT_EQ(form->piece(Piece::Image9_3)->geometry().right(), screen.width() - 1);
    QTest::mouseClick(c.Image9[2], Qt::LeftButton);
    EXPECT_EQ(c.Image9[2]->toolTip(), QStringLiteral("最大化"));
    EXPECT_EQ(form->size(), QSize(623, 450));
    EXPECT_LE((form->geometry().center() - screen.center()).manhattanLength(), 1);
}

TEST_F(Form1Test, PlayerCommands) {
    auto form = std::make_unique<Form1>(m_server.server(), m_desktop.seams());
    const auto& c = form->controls();
    const bool muted = c.WMP->mute();
    form->Image14_Click(2);
    EXPECT_EQ(c.WMP->mute(), !muted);
    form->Image14_Click(2);
    EXPECT_EQ(c.WMP->mute(), muted);

    // Full screen only while playing; nothing plays here.
    form->Image14_Click(3);
    EXPECT_FALSE(c.WMP->fullScreen());
}

TEST_F(Form1Test, TrayPressesToggleTheWindow) {
    m_desktop.tray = true;
    auto form = startForm();
    form->show();
    for (TrayClick click :
         {TrayClick::Other, TrayClick::DoubleClick, TrayClick::Right, TrayClick::Middle}) {
        form->Picture2_MouseMove(click);
        EXPECT_TRUE(form->isVisible());
    }
    const QRect place = form->geometry();
    form->Picture2_MouseMove(TrayClick::Left);
    form->Picture2_MouseMove(TrayClick::DoubleClick); // the second half of a double click
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->visibilityMarker(), QStringLiteral("隐藏"));
    form->Picture2_MouseMove(TrayClick::Left);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->visibilityMarker(), QStringLiteral("显示"));
    EXPECT_EQ(form->geometry(), place);

    // The minimise button hides into the tray; one press brings the window back.
    QTest::mouseClick(form->controls().Image9[0], Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->visibilityMarker(), QStringLiteral("隐藏"));
    form->Picture2_MouseMove(TrayClick::Left);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, WithoutATrayMinimiseOnlyMinimises) {
    m_desktop.tray = false;
    auto form = startForm();
    form->show();
    form->Image9_Click(0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    EXPECT_EQ(form->visibilityMarker(), QStringLiteral("显示"));
}

TEST_F(Form1Test, CloseRemovesTheTrayIconAndEndsAtOnce) {
    auto form = startForm();
    form->show();
    const auto& c = form->controls();
    QTest::mouseClick(c.Image9[3], Qt::LeftButton);
    EXPECT_EQ(m_desktop.endings, std::vector<int>{0});
    EXPECT_TRUE(form->hasEnded());
    EXPECT_FALSE(c.trayIcon->isVisible());
    EXPECT_FALSE(form->isVisible());

    // Nothing runs any more.
    form->guarded([&] { form->Image9_Click(1); });
    EXPECT_EQ(c.Image9[1]->toolTip(), QStringLiteral("窗口置顶"));
    EXPECT_EQ(m_desktop.endings.size(), 1U);
}

TEST_F(Form1Test, AnUncaughtErrorIsShownWithItsNumberAndEndsTheProgram) {
    auto form = std::make_unique<Form1>(m_server.server(), m_desktop.seams());
    form->guarded([] { throw rz4::common::RuntimeError(6, "溢出"); });
    ASSERT_EQ(m_desktop.boxes.size(), 1U);
    EXPECT_EQ(m_desktop.boxes[0].prompt, QStringLiteral("运行时错误 '6':\n\n溢出"));
    EXPECT_EQ(m_desktop.endings, std::vector<int>{1});
    EXPECT_TRUE(form->hasEnded());
    EXPECT_EQ(form->exitCode(), 1);

    bool ran = false;
    form->guarded([&ran] { ran = true; });
    EXPECT_FALSE(ran);
}
