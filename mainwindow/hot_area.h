#pragma once

#include <QWidget>

namespace rz4::mainwindow {

// A transparent area over a button that the skin draws: it takes the mouse, and Space or Enter
// while Tab has given it the focus. Its tooltip names what it does.
class HotArea : public QWidget {
    Q_OBJECT
public:
    explicit HotArea(const QString& toolTip, QWidget* parent = nullptr);

    // What a click does, for the keyboard and assistive tools.
    void click();

signals:
    void pressed(); // any button
    void clicked(); // left button pressed and released over the area, or click()

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_leftDown = false;
};

} // namespace rz4::mainwindow
