#include "platform/video_host.h"

#include "common/device_pixels.h"
#include "platform/video_widget.h"

#include <QGuiApplication>
#include <QScreen>

namespace rz4::platform {

namespace {

bool headlessPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

} // namespace

VideoHost::VideoHost(QWidget* videoParent, QObject* parent)
    : QObject(parent), m_video(new VideoWidget(videoParent)), m_headless(headlessPlatform()) {
    // A child made after its window was shown stays hidden unless told otherwise.
    if (videoParent) {
        m_video->show();
    }
    if (!m_headless) {
        embedIn(m_video->winId());
    }
    m_video->onDoubleClick = [this] { emit doubleClicked(); };
    m_video->onNativeWindowLost = [this] { nativeWindowLost(); };
    m_video->onNativeWindowChange = [this] { nativeWindowChanged(); };
    m_video->onResize = [this] {
        if (!m_full) {
            m_embed.resize(nativeSize());
        }
    };
}

VideoHost::~VideoHost() {
    delete m_fullWindow;
    if (!m_video) {
        return;
    }
    // A video widget alone on the screen has no parent to close it; one that stays with its
    // parent must not call back into us.
    if (!m_video->parentWidget()) {
        delete m_video;
        return;
    }
    m_video->forgetCallbacks();
}

QWidget* VideoHost::widget() const {
    return m_video;
}

void VideoHost::setFullScreen(bool on) {
    if (on == m_full || !m_video) {
        return;
    }
    if (on) {
        enterFullScreen();
    } else {
        leaveFullScreen();
    }
}

void VideoHost::renewWindow() {
    m_embeddedIn = m_engineWindow = 0;
    m_video->renewNativeWindow();
}

// The engine keeps its window and its decoder: only the window it is embedded in changes place.
void VideoHost::enterFullScreen() {
    if (!m_fullWindow) {
        m_fullWindow = new VideoSurface(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                                     Qt::WindowStaysOnTopHint);
        m_fullWindow->onDoubleClick = m_fullWindow->onEscape = [this] { leaveFullScreen(); };
        m_fullWindow->onResize = [this] {
            if (m_full) {
                m_embed.resize(fullSize());
            }
        };
    }
    m_full = true;
    // Without a window manager the full-screen request alone would not resize the window.
    m_fullWindow->setGeometry(m_video->screen()->geometry());
    m_fullWindow->winId();
    placeEmbed();
    m_fullWindow->showFullScreen();
    m_fullWindow->raise();
    m_fullWindow->activateWindow();
    emit fullScreenChanged();
}

void VideoHost::leaveFullScreen() {
    m_full = false;
    // Out before the window is hidden, so the picture is never unmapped with it.
    placeEmbed();
    m_fullWindow->hide();
    emit fullScreenChanged();
}

void VideoHost::placeEmbed() {
    if (m_full) {
        m_embed.moveInto(m_fullWindow->winId(), fullSize());
    } else if (m_embeddedIn) {
        m_embed.moveInto(m_embeddedIn, nativeSize());
    }
}

QSize VideoHost::fullSize() const {
    return m_fullWindow->size() * m_fullWindow->devicePixelRatio();
}

QSize VideoHost::nativeSize() const {
    // The picture keeps to the pixels the window paints as the video's own: where Qt rounds a
    // half-pixel position and a half-pixel length both up, the widget's window is one larger.
    const double scale = m_video->devicePixelRatioF();
    const QRect area = m_video->geometry();
    return {common::paintedExtent(area.x(), area.width(), scale),
            common::paintedExtent(area.y(), area.height(), scale)};
}

// mpv's video thread crashes drawing into a destroyed window: let go of it while it still exists.
void VideoHost::nativeWindowLost() {
    if (!m_headless) {
        emit windowLost();
        m_embed.destroy();
        m_embeddedIn = m_engineWindow = 0;
    }
}

void VideoHost::nativeWindowChanged() {
    const WId id = m_video->internalWinId();
    if (m_headless || id == 0) {
        return;
    }
    const bool moved = id != m_embeddedIn;
    if (moved) {
        embedIn(id);
    }
    emit windowChanged(moved);
}

void VideoHost::embedIn(WId nativeWindow) {
    m_embeddedIn = nativeWindow;
    const WId own = m_embed.create(nativeWindow, nativeSize());
    // Elsewhere than on X11 the engine gets the widget's window itself.
    m_engineWindow = own ? own : nativeWindow;
    if (m_full) {
        placeEmbed();
    }
}

} // namespace rz4::platform
