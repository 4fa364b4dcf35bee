#include "skinctl/focus_mark.h"

#include <QPainter>
#include <QPen>

namespace rz4::skinctl {

void drawFocusMark(QPainter& painter, const QRect& area) {
    const QRect frame = area.adjusted(0, 0, -1, -1);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(frame);
    painter.restore();
}

} // namespace rz4::skinctl
