#include "mainwindow/form1.h"

#include "channels/reader.h"
#include "common/runtime_error.h"
#include "mainwindow/channel_server.h"
#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/hot_area.h"
#include "mainwindow/status_line.h"
#include "mainwindow/tooltips.h"
#include "mainwindow/version.h"
#include "mainwindow/window_placement.h"
#include "picture/picture.h"
#include "platform/browser.h"
#include "platform/player.h"
#include "resources/resources.h"
#include "skinctl/tvate.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <exception>
#include <new>
#include <utility>

namespace rz4::mainwindow {

namespace {

const QString ListNotLoaded = QStringLiteral("无法载入频道列表");
// The latest the player's engine starts after the window is shown, should the page not come.
constexpr std::chrono::milliseconds engineStartBound{1500};
// A page that is in still has its first frame to draw: the engine waits for that too.
constexpr std::chrono::milliseconds pagePaintGrace{600};

// The Windows family names stay in the code; these free faces draw them here.
void substituteFonts() {
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("楷体_GB2312"), QStringLiteral("AR PL UKai CN"));
}

QFont makeFont(const QString& family, double points, bool bold) {
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QLabel* skinPiece(int number, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setPixmap(QPixmap(QStringLiteral(":/skin/image%1.png").arg(number)));
    // Stretched pieces scale their bitmap both ways; fixed ones are exactly its size anyway.
    l->setScaledContents(true);
    return l;
}

TrayClick trayClick(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TrayClick::Left;
    case QSystemTrayIcon::DoubleClick:
        return TrayClick::DoubleClick;
    case QSystemTrayIcon::Context:
        return TrayClick::Right;
    case QSystemTrayIcon::MiddleClick:
        return TrayClick::Middle;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return TrayClick::Other;
}

QLabel* label(const QString& text, const QColor& colour, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    // Channel names and status texts come from the server: markup in them is shown, never obeyed.
    l->setTextFormat(Qt::PlainText);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

} // namespace

QString Form1::text(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

QString programName() {
    return QStringLiteral("RZ4网络电视");
}

QString runtimeErrorText(int number, const QString& description) {
    return QStringLiteral("运行时错误 '%1':\n\n%2").arg(number).arg(description);
}

void Form1::guarded(const std::function<void()>& handler) {
    if (m_ended) {
        return; // the program is ending: no handler runs any more
    }
    int number = 0;
    QString description;
    try {
        handler();
        return;
    } catch (const common::RuntimeError& e) {
        number = e.number();
        description = QString::fromStdString(e.description());
    } catch (const std::bad_alloc&) {
        number = common::err::OutOfMemory;
        description = QStringLiteral("内存不足");
    } catch (const std::exception& e) {
        number = common::err::InternalError;
        description = QStringLiteral("内部错误：") + QString::fromLocal8Bit(e.what());
    }
    fail(number, description);
}

void Form1::fail(int number, const QString& description) {
    m_ended = true; // before the box: its event loop must not run our handlers
    m_desktop.messageBox(programName(), runtimeErrorText(number, description));
    end(1);
}

Form1::Form1(QString channelServer, Desktop desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_desktop(std::move(desktop)),
      // The version request goes out first and is on the wire while the web engine starts below;
      // its answer is read where the check has always been, in the start-up.
      m_server(std::make_unique<ChannelServer>(std::move(channelServer))) {
    substituteFonts();
    setWindowTitle(text(Caption));
    setWindowIcon(resources::programIcon());
    setFont(makeFont(QStringLiteral("宋体"), 9, false));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    // Children stack in the order they are made: skin at the back, hot areas in front.
    const auto set = [this](Piece piece, QWidget* w) { setPiece(piece, w); };
    set(Piece::Image1, skinPiece(1, this));
    set(Piece::Image2, skinPiece(2, this));
    set(Piece::Image3, skinPiece(3, this));
    set(Piece::Image4, skinPiece(4, this));
    set(Piece::Image5, skinPiece(5, this));
    set(Piece::Image6, skinPiece(6, this));
    set(Piece::Image7, skinPiece(7, this));
    set(Piece::Image8, skinPiece(8, this));
    set(Piece::Image10, skinPiece(10, this));
    set(Piece::Image11, skinPiece(11, this));
    set(Piece::Image12, skinPiece(12, this));

    m_c.Image9 = hotAreaArray({tip::Minimise, tip::OnTop, tip::Maximise, tip::Close},
                              {Piece::Image9_0, Piece::Image9_1, Piece::Image9_2, Piece::Image9_3},
                              &Form1::Image9_Click);

    m_c.Label1 = label(QStringLiteral("    祝您生活美满，天天开心！！"), QColor(0, 255, 0), this);
    m_c.Label1->setFont(makeFont(QStringLiteral("楷体_GB2312"), 12, true));
    m_c.Label1->setGeometry(pixels(Label1Place));
    m_c.Label2 = label(QString(), Qt::white, this);
    // The face's line is taller than the 12-pixel strip; its descent is what may be cut.
    m_c.Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setStatusLine(QStringLiteral("  "));
    set(Piece::Label2, m_c.Label2);
    m_c.Label3 = label(text(Caption), Qt::white, this);
    m_c.Label3->setFont(makeFont(QStringLiteral("宋体"), 10.5, true));
    m_c.Label3->setGeometry(pixels(Label3Place));

    set(Piece::Image13, skinPiece(13, this));

    m_c.Image14 =
        hotAreaArray({tip::Play, tip::Stop, tip::Mute, tip::FullScreen},
                     {Piece::Image14_0, Piece::Image14_1, Piece::Image14_2, Piece::Image14_3},
                     &Form1::Image14_Click);
    m_c.Image15 = new HotArea(QString(), this);
    m_c.Image15->setGeometry(pixels({360, 0, 0, 375}));
    connect(m_c.Image15, &HotArea::pressed, this,
            [this] { guarded([this] { Image15_MouseDown(); }); });
    set(Piece::Image15, m_c.Image15);

    // The child windows lie above every drawn piece. The web pane comes first and starts its
    // engine at once: an engine joining a window that already exists makes Qt recreate that
    // window, and the video embedded in it would die with the old one.
    m_c.WebBrowser1 = new platform::Browser(this);
    m_c.WebBrowser1->navigate(QUrl(QStringLiteral("about:blank")));
    set(Piece::WebBrowser1, m_c.WebBrowser1);
    m_player = new platform::Player(this);
    m_c.WMP = m_player;
    set(Piece::WMP, m_player->videoWidget());
    connect(m_player, &platform::Player::StatusChange, this, [this] {
        guarded([this] {
            m_viewing->reportPlayState(m_player->playState());
            WMP_StatusChange();
        });
    });
    connect(m_player, &platform::Player::timeShiftChanged, this,
            [this] { guarded([this] { m_viewing->reportTimeShift(m_player->timeShift()); }); });
    connect(m_player, &platform::Player::recordingChanged, this,
            [this] { guarded([this] { m_viewing->reportRecording(m_player->recording()); }); });
    connect(m_player, &platform::Player::FullScreenChange, this,
            [this] { guarded([this] { m_viewing->reportFullScreen(m_player->fullScreen()); }); });
    connect(m_player, &platform::Player::engineFailed, this, [this] {
        if (!m_ended) {
            fail(common::err::CannotCreateObject, QStringLiteral("无法创建播放组件"));
        }
    });

    m_c.TreeView1 = new ChannelTreeWidget(this);
    set(Piece::TreeView1, m_c.TreeView1);
    // Enter on a node found by typing plays it as a click would.
    const auto nodeClick = [this] { guarded([this] { TreeView1_NodeClick(); }); };
    connect(m_c.TreeView1, &QAbstractItemView::clicked, this, nodeClick);
    connect(m_c.TreeView1, &ChannelTreeWidget::enterPressed, this, nodeClick);
    m_viewing = new Viewing(*this, *m_c.TreeView1->model(), ChannelTreeWidget::TagRole, this);
    showViewing();

    m_c.volume = new skinctl::tVate(this);
    m_c.volume->resize(pixels({0, 0, 1335, 200}).size());
    set(Piece::Volume, m_c.volume);
    connect(
        m_c.volume, &skinctl::tVate::Changed, this,
        [this](std::int32_t& tValue, std::int32_t& tMax) {
            guarded([&] { volume_Changed(tValue, tMax); });
        },
        Qt::DirectConnection);

    // First placed at the design size, centred on the screen.
    const QRect screenArea = screen()->geometry();
    placeWindow(*this, QRect(pixels({(screenArea.width() * TwipsPerPixel - DesignWidth) / 2,
                                     (screenArea.height() * TwipsPerPixel - DesignHeight) / 2,
                                     DesignWidth, DesignHeight}))
                           .translated(screenArea.topLeft()));
}

Form1::~Form1() = default;

void Form1::setPiece(Piece piece, QWidget* w) {
    m_pieces[static_cast<std::size_t>(piece)] = w;
}

std::array<HotArea*, 4> Form1::hotAreaArray(const std::array<std::u16string_view, 4>& tips,
                                            const std::array<Piece, 4>& pieces,
                                            void (Form1::*click)(std::int16_t)) {
    std::array<HotArea*, 4> areas{};
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const auto index = static_cast<std::int16_t>(i);
        areas[i] = new HotArea(text(tips[i]), this);
        connect(areas[i], &HotArea::clicked, this,
                [this, index, click] { guarded([this, index, click] { (this->*click)(index); }); });
        setPiece(pieces[i], areas[i]);
    }
    return areas;
}

void Form1::Form_Load() {
    guarded([this] {
        setUpVolume();
        if (m_ended) {
            return;
        }
        registerTrayIcon();
        m_player->showStill(m_server->logoAddress());
        m_c.WebBrowser1->navigate(QUrl(m_server->pageAddress()));
        loadChannelList();
    });
}

void Form1::setUpVolume() {
    skinctl::tVate& v = *m_c.volume;
    v.setStyle(2);
    v.setCanMove(true);
    v.setBite_RP(2);
    v.setBite_LP(2);
    v.resize(v.width(), pixels({0, 0, 0, 200}).height());
    v.setValue(50);
    // The control cuts its own slices; the picture is not kept.
    v.setPicture(picture::Picture(QImage(QStringLiteral(":/skin/bitmap101.png"))), 5, 5, 1, 1, 12);
}

void Form1::registerTrayIcon() {
    m_c.trayIcon = new QSystemTrayIcon(windowIcon(), this);
    m_c.trayIcon->setToolTip(programName());
    connect(m_c.trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const TrayClick click = trayClick(reason);
                guarded([this, click] { Picture2_MouseMove(click); });
            });
    m_c.trayIcon->show();
}

void Form1::loadChannelList() {
    const bool newer = m_server->announcesNewerVersion();
    if (m_ended) {
        return; // the wait ran the event loop, and a handler ended the program
    }
    if (newer) {
        m_desktop.messageBox(text(UpdateTitle), m_server->updatePrompt());
        if (m_ended) {
            return;
        }
    }
    if (const QString failure = m_server->readChannelList(*m_c.TreeView1); !failure.isEmpty()) {
        // The status line says only that the list is missing; whether the server or this
        // machine is to blame is told here.
        std::fprintf(stderr, "rz4tv: the channel list could not be loaded: %s\n",
                     qPrintable(failure));
        // As an empty list reads: no channels, but the tree still takes its colour and row height.
        channels::readTreeFromBytes({}, *m_c.TreeView1);
        m_idleNote = ListNotLoaded;
        setStatusLine(ListNotLoaded);
    }
}

void Form1::setStatusLine(const QString& text) {
    QLabel& l = *m_c.Label2;
    l.setText(text);
    // Grows with its text like an auto-sizing label; the strip it sits in is 12 pixels high.
    const QRect design = pixels({0, 0, 180, 180});
    l.resize(std::max(design.width(), l.sizeHint().width()), design.height());
}

void Form1::TreeView1_NodeClick() {
    ChannelTreeWidget& tree = *m_c.TreeView1;
    const QModelIndex node = tree.currentIndex();
    if (!node.isValid()) {
        return;
    }
    tree.setExpanded(node, !tree.isExpanded(node));
    m_viewing->playChannel(node);
}

void Form1::WMP_StatusChange() {
    setStatusLine(statusLine(m_viewing->playState(), m_player->status(), m_viewing->timeShift(),
                             m_viewing->recording(), m_idleNote));
}

void Form1::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (std::exchange(m_engineAwaited, true)) {
        return;
    }
    // libmpv and the hundreds of libraries behind it are the heaviest thing the program loads,
    // and nothing before the window needs them. Loading them holds the dynamic loader's lock,
    // which drawing the window's first frames and the web pane's page takes too: they load once
    // the page is in and drawn, or after a moment for a page that is slow to come.
    connect(
        m_c.WebBrowser1, &platform::Browser::loadFinished, m_player,
        [this] { QTimer::singleShot(pagePaintGrace, m_player, &platform::Player::startEngine); },
        Qt::SingleShotConnection);
    QTimer::singleShot(engineStartBound, m_player, &platform::Player::startEngine);
}

void Form1::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    guarded([this] { Form_Resize(); });
}

void Form1::Form_Resize() {
    const float W = static_cast<float>(width()) * TwipsPerPixel;
    const float H = static_cast<float>(height()) * TwipsPerPixel;
    if (!layoutDefined(W, H)) {
        return; // too small to lay out (minimised, or a tiny screen): leave things as they are
    }
    for (const Placement& p : layoutTable(W, H)) {
        QWidget* w = piece(p.piece);
        if (p.piece == Piece::Label2) {
            w->move(pixels(p.rect).topLeft()); // its size follows its text
        } else {
            w->setGeometry(pixels(p.rect));
        }
    }
}

void Form1::quit() {
    guarded([this] { end(0); });
}

void Form1::end(int exitCode) {
    m_ended = true;
    m_exitCode = exitCode;
    if (m_c.trayIcon != nullptr) {
        m_c.trayIcon->hide();
    }
    m_player->stop();
    hide();
    m_desktop.endProgram(exitCode);
}

void Form1::closeEvent(QCloseEvent* e) {
    // Closed from outside (the taskbar, a window-manager key): the same as the close button.
    e->accept();
    guarded([this] { Image9_Click(indexOf(TitleButton::Close)); });
}

void Form1::Image15_MouseDown() {
    winId();
    windowHandle()->startSystemMove();
}

} // namespace rz4::mainwindow
