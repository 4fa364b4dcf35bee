#pragma once

#include "mainwindow/layout.h"
#include "mainwindow/tray.h"
#include "mainwindow/viewing.h"
#include "mainwindow/window_commands.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class QLabel;
class QSystemTrayIcon;

namespace rz4::platform {
class Browser;
class Player;
} // namespace rz4::platform
namespace rz4::skinctl {
class tVate;
}

namespace rz4::mainwindow {

class ChannelServer;
class ChannelTreeWidget;
class HotArea;

// What the window needs from the desktop beyond its own widgets; tests answer these themselves.
struct Desktop {
    // A modal box with one OK button and no icon; returns when it is dismissed.
    std::function<void(const QString& title, const QString& prompt)> messageBox;
    // Ends the program with the given exit code.
    std::function<void(int exitCode)> endProgram;
    // Whether the desktop offers a tray at all.
    std::function<bool()> hasTray;
};

// The box that reports an error nothing caught: its title and its message.
QString programName();
QString runtimeErrorText(int number, const QString& description);

// The program's one window: frameless, skinned, with the player, the web pane, the channel tree
// and the volume slider set into it.
class Form1 : public QWidget, private ViewingPlatform {
    Q_OBJECT
public:
    // channelServer is host[:port] of the server all addresses point at.
    Form1(QString channelServer, Desktop desktop, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: slider, tray icon, logo, web pane, version check, channel list.
    void Form_Load();

    // What is being watched and what the window is doing; every command goes through it.
    Viewing& viewing() const { return *m_viewing; }
    // Ends the program as the close button does.
    void quit();

    // True once the close command or an uncaught error has ended the program.
    bool hasEnded() const { return m_ended; }
    int exitCode() const { return m_exitCode; }

    // Every handler is entered through here: an error that nothing caught is shown with its
    // number and description, and the program ends.
    void guarded(const std::function<void()>& handler);

    // The handlers, as the controls' events call them.
    void TreeView1_NodeClick();
    void WMP_StatusChange();
    void Form_Resize();
    void Image9_Click(std::int16_t index);
    void Image14_Click(std::int16_t index);
    void Image15_MouseDown();
    // The tray icon's notification: what the user did on it.
    void Picture2_MouseMove(TrayClick click);
    void volume_Changed(std::int32_t& tValue, std::int32_t& tMax);

    struct Controls {
        platform::Player* WMP;
        platform::Browser* WebBrowser1;
        ChannelTreeWidget* TreeView1;
        skinctl::tVate* volume;
        QLabel* Label1;
        QLabel* Label2;
        QLabel* Label3;
        std::array<HotArea*, 4> Image9;
        std::array<HotArea*, 4> Image14;
        HotArea* Image15;
        QSystemTrayIcon* trayIcon; // null until start-up registers it
    };
    const Controls& controls() const { return m_c; }
    QWidget* piece(Piece p) const { return m_pieces[static_cast<std::size_t>(p)]; }
    QString visibilityMarker() const;

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    static QString text(std::u16string_view s);
    void setPiece(Piece piece, QWidget* w);
    // One control array of hot areas: tooltips, places in the layout, the shared click handler.
    std::array<HotArea*, 4> hotAreaArray(const std::array<std::u16string_view, 4>& tips,
                                         const std::array<Piece, 4>& pieces,
                                         void (Form1::*click)(std::int16_t));
    HotArea& titleButton(TitleButton button) const {
        return *m_c.Image9[static_cast<std::size_t>(button)];
    }
    // The labels and tooltips as views of what is being watched.
    void showViewing();
    void setUpVolume();
    void registerTrayIcon();
    void loadChannelList();
    void setStatusLine(const QString& text);
    // Hides into the tray, or only minimises when there is no tray to come back from.
    void minimise();

    // Carrying out the viewing commands.
    void open(const Channel& channel) override;
    void playAgain() override;
    void stop() override;
    void pause() override;
    void seekBy(double seconds) override;
    void seekTo(double offset) override;
    void goLive() override;
    void setRecording(bool on, bool fromStart) override;
    void setVolume(int volume) override;
    void setMute(bool mute) override;
    void setFullScreen(bool on) override;
    void setOnTop(bool onTop) override;
    void setMaximised(bool maximised) override;
    void setShown(bool shown) override;
    void end(int exitCode);
    // Reports an error that ends the program, as guarded() does for a handler's.
    void fail(int number, const QString& description);

    Desktop m_desktop;
    platform::Player* m_player = nullptr;    // a child of the window, like every control
    std::unique_ptr<ChannelServer> m_server; // asked for the version when the window is made
    Controls m_c{};
    Viewing* m_viewing = nullptr;
    std::array<QWidget*, PieceCount> m_pieces{};
    // Shown in the status line while the player has nothing to say.
    QString m_idleNote;
    bool m_ended = false;
    bool m_engineAwaited = false; // the engine starts after the first show, once
    int m_exitCode = 0;
};

} // namespace rz4::mainwindow
