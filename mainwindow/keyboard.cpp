#include "mainwindow/keyboard.h"

#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/hot_area.h"
#include "mainwindow/remote_control.h"
#include "platform/browser.h"
#include "platform/player.h"
#include "skinctl/tvate.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWheelEvent>

#include <vector>

namespace rz4::mainwindow {

namespace {

bool within(const QWidget* widget, const QWidget* area) {
    return widget != nullptr && area != nullptr && (widget == area || area->isAncestorOf(widget));
}

bool isTextField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

} // namespace

KeyboardControl::KeyboardControl(Form1& form, RemoteControl& remote, HelpBox help, QObject* parent)
    : QObject(parent), m_form(form), m_remote(remote), m_help(std::move(help)) {
    // Keys must work from the start, not only after a click, and a click on the video or the skin
    // takes them back from the tree or the web pane.
    form.setFocusPolicy(Qt::ClickFocus);
    form.setFocus();
    qApp->installEventFilter(this);
    reachByTab();
}

// Tab goes from the channels to the volume, along the player's buttons, then to the title's. Only
// Tab gives the slider and the buttons the focus: a click on them leaves the keys where they were.
void KeyboardControl::reachByTab() {
    const Form1::Controls& c = m_form.controls();
    std::vector<QWidget*> order{c.TreeView1, c.volume};
    order.insert(order.end(), c.Image14.begin(), c.Image14.end());
    order.insert(order.end(), c.Image9.begin(), c.Image9.end());
    QWidget* previous = &m_form;
    for (QWidget* w : order) {
        if (w != c.TreeView1) {
            w->setFocusPolicy(Qt::TabFocus);
        }
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

KeyboardControl::~KeyboardControl() = default;

QString KeyboardControl::helpText() {
    return QStringLiteral("空格\t暂停／继续（不能暂停的频道停止）\n"
                          "S\t停止\n"
                          "←、→\t后退、前进 10 秒（时移）\n"
                          "Shift+←、→\t后退、前进 1 分钟\n"
                          "End\t回到直播\n"
                          "R\t录制（从画面上的时刻起）／停止录制\n"
                          "Shift+R\t从时移缓存的开头录制\n"
                          "M\t静音\n"
                          "F、回车\t全屏\n"
                          "Esc\t退出全屏\n"
                          "↑、PageUp\t上一个频道\n"
                          "↓、PageDown\t下一个频道\n"
                          "+、-\t音量加减（鼠标滚轮在画面或音量条上也可）\n"
                          "F1\t本帮助\n"
                          "字母、数字\t在频道列表中按名称或拼音查找频道，回车播放\n"
                          "\t←、→、End 在频道列表外有效，R 也是\n"
                          "Tab\t依次到频道列表、音量条和各按钮（Shift+Tab 反向）：\n"
                          "\t按钮上空格、回车即按下，音量条上方向键调节音量");
}

bool KeyboardControl::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel) {
        return false;
    }
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (receiver == nullptr || m_form.hasEnded() || QApplication::activeModalWidget() != nullptr ||
        !ours(*receiver)) {
        return false;
    }
    return type == QEvent::KeyPress ? onKey(*static_cast<QKeyEvent*>(event))
                                    : onWheel(*receiver, *static_cast<QWheelEvent*>(event));
}

bool KeyboardControl::ours(const QWidget& widget) const {
    const QWidget* window = widget.window();
    return window == &m_form || (m_form.viewing().fullScreen() && window->isFullScreen());
}

bool KeyboardControl::onKey(const QKeyEvent& e) {
    const QWidget* focus = QApplication::focusWidget();
    if (isTextField(focus) || within(focus, m_form.controls().WebBrowser1)) {
        return false;
    }
    const Form1::Controls& c = m_form.controls();
    KeyFocus where = KeyFocus::Window;
    if (within(focus, c.TreeView1)) {
        where = KeyFocus::Tree;
    } else if (qobject_cast<const HotArea*>(focus) != nullptr) {
        where = KeyFocus::Button;
    } else if (focus == c.volume) {
        where = KeyFocus::Slider;
    }
    const std::optional<KeyCommand> command = keyCommand(e.key(), e.modifiers(), where);
    if (!command || (*command == KeyCommand::LeaveFullScreen && !m_form.viewing().fullScreen())) {
        return false;
    }
    run(*command);
    return true;
}

bool KeyboardControl::onWheel(QWidget& receiver, const QWheelEvent& e) {
    const Form1::Controls& c = m_form.controls();
    if (!within(&receiver, c.WMP->videoWidget()) && !within(&receiver, c.volume) &&
        receiver.window() == &m_form) {
        return false;
    }
    if (const int notches = wheelNotches(e.angleDelta().y(), m_wheelRest)) {
        m_remote.stepVolume(notches);
    }
    return true;
}

void KeyboardControl::run(KeyCommand command) {
    switch (command) {
    case KeyCommand::PlayPause:
        m_remote.playPause();
        break;
    case KeyCommand::Stop:
        m_remote.stop();
        break;
    case KeyCommand::Mute:
        m_remote.toggleMute();
        break;
    case KeyCommand::FullScreen:
        m_remote.setFullscreen(true);
        break;
    case KeyCommand::LeaveFullScreen:
        m_remote.setFullscreen(false);
        break;
    case KeyCommand::PreviousChannel:
        m_remote.previous();
        break;
    case KeyCommand::NextChannel:
        m_remote.next();
        break;
    case KeyCommand::VolumeUp:
        m_remote.stepVolume(1);
        break;
    case KeyCommand::VolumeDown:
        m_remote.stepVolume(-1);
        break;
    case KeyCommand::SeekBack:
    case KeyCommand::SeekForward:
    case KeyCommand::SeekBackLong:
    case KeyCommand::SeekForwardLong: {
        const bool longer =
            command == KeyCommand::SeekBackLong || command == KeyCommand::SeekForwardLong;
        const bool back = command == KeyCommand::SeekBack || command == KeyCommand::SeekBackLong;
        const double step = longer ? LongSeekStep : SeekStep;
        m_remote.seekBy(back ? -step : step);
        break;
    }
    case KeyCommand::GoLive:
        m_remote.goLive();
        break;
    case KeyCommand::Record:
    case KeyCommand::RecordFromStart:
        m_remote.toggleRecording(command == KeyCommand::RecordFromStart);
        break;
    case KeyCommand::Help:
        m_help(QStringLiteral("快捷键"), helpText());
        break;
    }
}

} // namespace rz4::mainwindow
