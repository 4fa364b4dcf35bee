#pragma once

class QPainter;
class QRect;

namespace rz4::skinctl {

// The keyboard focus on a skinned control: a dotted white frame, like the caption's text, over a
// dark one so that it shows on the bright parts of a skin too.
void drawFocusMark(QPainter& painter, const QRect& area);

} // namespace rz4::skinctl
