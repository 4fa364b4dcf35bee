#include "platform/video_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QWindow>

namespace rz4::platform {

VideoSurface::VideoSurface(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

void VideoSurface::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (onResize) {
        onResize();
    }
}

void VideoSurface::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && onDoubleClick) {
        onDoubleClick();
    }
}

void VideoSurface::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && onEscape) {
        onEscape();
        return;
    }
    QWidget::keyPressEvent(e);
}

VideoWidget::VideoWidget(QWidget* parent) : VideoSurface(parent) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
}

void VideoWidget::renewNativeWindow() {
    const bool visible = isVisible();
    destroy();
    create();
    setVisible(visible);
}

void VideoWidget::forgetCallbacks() {
    onDoubleClick = onEscape = onNativeWindowLost = onNativeWindowChange = onResize = nullptr;
}

bool VideoWidget::event(QEvent* e) {
    if (e->type() == QEvent::WinIdChange) {
        // Qt may give us a new window object; the warning before destruction comes from it.
        if (QWindow* window = windowHandle()) {
            window->installEventFilter(this);
        }
        if (onNativeWindowChange) {
            onNativeWindowChange();
        }
    }
    return VideoSurface::event(e);
}

bool VideoWidget::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::PlatformSurface && watched == windowHandle() &&
        static_cast<QPlatformSurfaceEvent*>(e)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed &&
        onNativeWindowLost) {
        onNativeWindowLost();
    }
    return VideoSurface::eventFilter(watched, e);
}

} // namespace rz4::platform
