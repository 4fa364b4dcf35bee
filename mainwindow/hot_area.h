#pragma once

#include <QWidget>

namespace rz4::mainwindow {

// A transparent area over a button that the skin draws: it only takes the mouse.
class HotArea : public QWidget {
    Q_OBJECT
public:
    explicit HotArea(const QString& toolTip, QWidget* parent = nullptr);

signals:
    void pressed(); // any button
    void clicked(); // left button pressed and released over the area

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_leftDown = false;
};

} // namespace rz4::mainwindow
