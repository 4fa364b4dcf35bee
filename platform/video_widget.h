#pragma once

#include <QWidget>

#include <functional>

namespace rz4::platform {

// A black surface that reports double clicks, Esc and resizes to the player.
class VideoSurface : public QWidget {
public:
    explicit VideoSurface(QWidget* parent, Qt::WindowFlags flags = {});

    std::function<void()> onDoubleClick;
    std::function<void()> onEscape;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The native surface in the window that mpv's window lives in. Mouse and keys reach it because
// mpv is told to leave them.
class VideoWidget : public VideoSurface {
public:
    explicit VideoWidget(QWidget* parent);

    std::function<void()> onNativeWindowLost;
    std::function<void()> onNativeWindowChange;

    // A new native window, for when the one mpv drew into was destroyed behind Qt's back.
    void renewNativeWindow();
    void forgetCallbacks();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

} // namespace rz4::platform
