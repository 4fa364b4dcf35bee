#pragma once

#include "platform/x11_embed_window.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace rz4::platform {

class VideoSurface;
class VideoWidget;

// Where the engine draws: an X window of our own inside the video widget, moved into a window of
// its own for full screen and back, so that the engine keeps its window and its decoder.
class VideoHost : public QObject {
    Q_OBJECT
public:
    // videoParent: the window the video widget sits in.
    explicit VideoHost(QWidget* videoParent, QObject* parent = nullptr);
    ~VideoHost() override;

    // On Qt's offscreen and minimal platforms there is no window to draw into.
    bool headless() const { return m_headless; }
    QWidget* widget() const;
    // The X window the engine draws into; 0 while there is none.
    WId engineWindow() const { return m_engineWindow; }

    bool fullScreen() const { return m_full; }
    void setFullScreen(bool on);

    // The engine quit with its window: the widget gets a fresh native window, and
    // windowChanged() follows.
    void renewWindow();

signals:
    // The native window is about to go: the engine must let go of it first.
    void windowLost();
    // The widget's native window was announced; moved when the engine's window is a new one.
    void windowChanged(bool moved);
    void doubleClicked();
    void fullScreenChanged();

private:
    void enterFullScreen();
    void leaveFullScreen();
    void placeEmbed();
    QSize fullSize() const;
    QSize nativeSize() const;
    void nativeWindowLost();
    void nativeWindowChanged();
    void embedIn(WId nativeWindow);

    QPointer<VideoWidget> m_video;
    bool m_headless = false;
    WId m_embeddedIn = 0; // the widget's native window that holds m_embed
    X11EmbedWindow m_embed;
    WId m_engineWindow = 0;
    bool m_full = false;
    // A window of its own for full screen, made on first use. The video widget never leaves the
    // main window: a window manager that still held it as a top-level would take it back out.
    QPointer<VideoSurface> m_fullWindow;
};

} // namespace rz4::platform
