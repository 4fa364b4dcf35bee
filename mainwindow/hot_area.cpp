#include "mainwindow/hot_area.h"

#include <QMouseEvent>

namespace rz4::mainwindow {

HotArea::HotArea(const QString& toolTip, QWidget* parent) : QWidget(parent) {
    setToolTip(toolTip);
}

void HotArea::mousePressEvent(QMouseEvent* e) {
    m_leftDown = e->button() == Qt::LeftButton;
    emit pressed();
}

void HotArea::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = m_leftDown && e->button() == Qt::LeftButton && rect().contains(e->pos());
    m_leftDown = false;
    if (click) {
        emit clicked();
    }
}

} // namespace rz4::mainwindow
