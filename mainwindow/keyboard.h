#pragma once

#include "mainwindow/key_commands.h"

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class QWheelEvent;
class QWidget;

namespace rz4::mainwindow {

class Form1;
class RemoteControl;

// The window's keys and the wheel over the video or the volume slider. Keys belong to a text
// field or the web pane while one of them has the focus, and the tree keeps the keys that move
// through it; a click on the window away from those takes the focus back.
class KeyboardControl : public QObject {
    Q_OBJECT
public:
    using HelpBox = std::function<void(const QString& title, const QString& text)>;
    KeyboardControl(Form1& form, RemoteControl& remote, HelpBox help, QObject* parent = nullptr);
    ~KeyboardControl() override;
    KeyboardControl(const KeyboardControl&) = delete;
    KeyboardControl& operator=(const KeyboardControl&) = delete;

    // The keys, as the help box lists them.
    static QString helpText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reachByTab();
    bool onKey(const QKeyEvent& e);
    bool onWheel(QWidget& receiver, const QWheelEvent& e);
    // A widget of the window, or of the video while it has the whole screen.
    bool ours(const QWidget& widget) const;
    void run(KeyCommand command);

    Form1& m_form;
    RemoteControl& m_remote;
    HelpBox m_help;
    int m_wheelRest = 0;
};

} // namespace rz4::mainwindow
