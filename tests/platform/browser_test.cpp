#include "platform/browser.h"
#include "tests/support/qt_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include <map>
#include <memory>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;
using rz4::platform::Browser;

namespace {

// Stands in for the user's default browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// Start as the program does: the set-up alone must make the engine run here (as root).
[[maybe_unused]] const bool setUp = rz4::testsupport::registerApplicationSetup([] {
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    Browser::prepareApplication();
});

void spin(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

class BrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    }

    static void TearDownTestSuite() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void SetUp() override {
        catcher.opened.clear();
        browser = std::make_unique<Browser>();
        browser->resize(195, 155);
        browser->show();
    }

    void TearDown() override { browser.reset(); }

    QUrl page(const QString& name, const QByteArray& html) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(html);
        return QUrl::fromLocalFile(file.fileName());
    }

    // Navigates and waits for the page's loadFinished (false when none comes).
    bool load(const QUrl& url) {
        QEventLoop loop;
        bool finished = false;
        bool ok = false;
        QObject::connect(browser.get(), &Browser::loadFinished, &loop, [&](bool result) {
            finished = true;
            ok = result;
            loop.quit();
        });
        QTimer::singleShot(30s, &loop, &QEventLoop::quit);
        browser->navigate(url);
        loop.exec();
        return finished && ok;
    }

    // A real click of the mouse, which is what lets a page open a window.
    void clickAt(QPoint pos) {
        auto* view = browser->findChild<QWebEngineView*>();
        ASSERT_NE(view, nullptr);
        QWidget* target = view->focusProxy() ? view->focusProxy() : view;
        const QPointF local(pos);
        const QPointF global(target->mapToGlobal(pos));
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }

    // Waits for the next loadFinished without asking for a load.
    bool reloaded() {
        QEventLoop loop;
        bool ok = false;
        QObject::connect(browser.get(), &Browser::loadFinished, &loop, [&](bool result) {
            ok = result;
            loop.quit();
        });
        QTimer::singleShot(30s, &loop, &QEventLoop::quit);
        loop.exec();
        return ok;
    }

    static inline UrlCatcher catcher;
    QTemporaryDir dir;
    std::unique_ptr<Browser> browser;
};

TEST_F(BrowserTest, LoadsALocalPage) {
    EXPECT_TRUE(load(page(QStringLiteral("mini.htm"),
                          "<html><head><meta charset=\"GBK\"></head><body>\xbd\xf1\xc8\xd5"
                          "</body></html>")));
}

TEST_F(BrowserTest, MissingPageReportsFailure) {
    EXPECT_FALSE(load(QUrl::fromLocalFile(dir.filePath(QStringLiteral("absent.htm")))));
}

TEST_F(BrowserTest, ClickedPopUpGoesToTheDefaultBrowserOnly) {
    const QByteArray html =
        "<html><body style=\"margin:0\">"
        "<a href=\"http://127.0.0.1:9/programme\" target=\"_blank\" "
        "style=\"display:block;width:195px;height:155px\">today</a></body></html>";
    ASSERT_TRUE(load(page(QStringLiteral("link.htm"), html)));
    const int windowsBefore = static_cast<int>(QApplication::topLevelWidgets().size());
    clickAt(QPoint(50, 50));
    for (int i = 0; i < 50 && catcher.opened.isEmpty(); ++i)
        spin(100ms);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.front(), QUrl(QStringLiteral("http://127.0.0.1:9/programme")));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
}

TEST_F(BrowserTest, PopUpsThePageOpensByItselfAreDropped) {
    const QByteArray html = "<html><body><script>"
                            "window.open('http://127.0.0.1:9/advert');"
                            "window.open('file:///etc/passwd');"
                            "</script></body></html>";
    ASSERT_TRUE(load(page(QStringLiteral("spam.htm"), html)));
    spin(500ms);
    EXPECT_TRUE(catcher.opened.isEmpty());
}

// The web engine's renderers: forked from the zygote this process started, each one's command
// line says "--type=zygote" as its parent's does.
std::vector<pid_t> renderers() {
    std::map<pid_t, pid_t> zygotes; // and their parents
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("--type=zygote") &&
            stat.open(QIODevice::ReadOnly)) {
            const QByteArray fields = stat.readAll();
            zygotes[entry.toInt()] =
                fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(1).toInt();
        }
    }
    std::vector<pid_t> found;
    for (const auto& [pid, parent] : zygotes) {
        if (zygotes.contains(parent) && zygotes[parent] == getpid())
            found.push_back(pid);
    }
    return found;
}

TEST_F(BrowserTest, APageWhoseRendererDiesIsLoadedAgain) {
    ASSERT_TRUE(load(page(QStringLiteral("mini.htm"), "<html><body>today</body></html>")));
    for (int death = 0; death < 2; ++death) {
        const std::vector<pid_t> dying = renderers();
        ASSERT_FALSE(dying.empty()) << "no renderer found";
        for (const pid_t pid : dying)
            kill(pid, SIGKILL);
        // At once the first time, after a pause when it dies again soon.
        EXPECT_TRUE(reloaded()) << "death " << death;
    }
}

} // namespace

#include "browser_test.moc"
