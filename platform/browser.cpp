#include "platform/browser.h"

#include "platform/renderer_restarts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

#include <unistd.h>

namespace rz4::platform {

namespace {

// Only a click of the user's may open a page elsewhere, and only a web page: the page comes from
// the network and must not start local handlers or flood the desktop with windows.
bool mayOpenExternally(const QWebEngineNewWindowRequest& request) {
    const QString scheme = request.requestedUrl().scheme().toLower();
    return request.isUserInitiated() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// The view draws through a scene in a window that is never shown; screen readers would list it
// as a stray frame named "Offscreen" beside the program's window. As a popup they pass it over.
void keepOffscreenWindowsFromScreenReaders() {
    for (QWindow* w : QGuiApplication::allWindows()) {
        if (w->inherits("QQuickWidgetOffscreenWindow") && w->type() != Qt::Popup) {
            w->setFlags((w->flags() & ~Qt::WindowType_Mask) | Qt::Popup);
        }
    }
}

} // namespace

struct Browser::Impl : QObject {
    explicit Impl(Browser* owner) : view(owner), reload(owner) {
        reload.setSingleShot(true);
        view.installEventFilter(this);
    }

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        // The view makes its drawing widget, and with it that window, when it shows a page in a
        // new renderer.
        if (event->type() == QEvent::ChildPolished) {
            keepOffscreenWindowsFromScreenReaders();
        }
        return false;
    }

    QWebEngineView view;
    // A dead renderer leaves the pane blank for good: the page is loaded again in a new one.
    QTimer reload;
    QElapsedTimer rendererLife;
    RendererRestarts restarts;
};

Browser::Browser(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>(this)) {
    // Not opening the request in a page of ours leaves it unanswered: no new window is made.
    connect(d->view.page(), &QWebEnginePage::newWindowRequested, this,
            [](QWebEngineNewWindowRequest& request) {
                if (mayOpenExternally(request))
                    QDesktopServices::openUrl(request.requestedUrl());
            });
    connect(&d->view, &QWebEngineView::loadFinished, this, &Browser::loadFinished);
    connect(d->view.page(), &QWebEnginePage::renderProcessTerminated, this, [this] {
        const auto lived = std::chrono::milliseconds(d->rendererLife.elapsed());
        d->reload.start(d->restarts.pauseAfterDeath(lived));
    });
    connect(&d->reload, &QTimer::timeout, this, [this] {
        d->rendererLife.start();
        d->view.reload();
    });
}

Browser::~Browser() = default;

void Browser::navigate(const QUrl& url) {
    d->rendererLife.start();
    d->view.load(url);
}

void Browser::prepareApplication() {
    // A native video widget next to the web view would otherwise turn the whole window native and
    // paint it black.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium refuses to run its sandbox as root; everyone else keeps it.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void Browser::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    d->view.setGeometry(rect());
}

} // namespace rz4::platform
