#include "mainwindow/hot_area.h"

#include "skinctl/focus_mark.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace rz4::mainwindow {

HotArea::HotArea(const QString& toolTip, QWidget* parent) : QWidget(parent) {
    setToolTip(toolTip);
}

void HotArea::click() {
    emit clicked();
}

bool HotArea::event(QEvent* e) {
    // The tooltip is the area's name, and the two-state commands change it as they act.
    if (e->type() == QEvent::ToolTipChange) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    return QWidget::event(e);
}

void HotArea::paintEvent(QPaintEvent* /*e*/) {
    if (hasFocus()) {
        QPainter painter(this);
        skinctl::drawFocusMark(painter, rect());
    }
}

void HotArea::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            click();
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void HotArea::mousePressEvent(QMouseEvent* e) {
    m_leftDown = e->button() == Qt::LeftButton;
    emit pressed();
}

void HotArea::mouseReleaseEvent(QMouseEvent* e) {
    const bool released = m_leftDown && e->button() == Qt::LeftButton && rect().contains(e->pos());
    m_leftDown = false;
    if (released) {
        click();
    }
}

} // namespace rz4::mainwindow
