#include "resources/generator/paint_kit.h"

#include <QFontInfo>
#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>
#include <stdexcept>

namespace rz4::resources {

QRgb mix(QRgb a, QRgb b, double t) {
    const auto channel = [t](int ca, int cb) {
        return static_cast<int>(std::lround(ca + (cb - ca) * t));
    };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)),
                channel(qBlue(a), qBlue(b))) &
           0xffffff;
}

QImage opaqueCanvas(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

QImage transparentCanvas(int width, int height) {
    QImage img(width, height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

QRgb topBandRow(int y) {
    if (y == 0)
        return colour::edgeDark;
    if (y == 1)
        return 0x5d6890;
    if (y <= 23)
        return mix(0x3c4569, 0x20263f, (y - 2) / 21.0);
    if (y == 24)
        return colour::edgeDark; // shadow under the title bar: the strip lies recessed
    if (y <= 59)
        return mix(0x0b0e18, 0x151a2d, (y - 25) / 34.0);
    return 0x333c63; // lit lip above the video
}

QRgb bottomBarRow(int y) {
    if (y == 0)
        return colour::bevel;
    if (y == 1)
        return 0x363f63;
    if (y <= 47)
        return mix(0x2c3353, 0x161a2b, (y - 2) / 45.0);
    if (y == 48)
        return 0x262c46;
    return colour::edgeDark;
}

QRgb frameDepth(int k, int depth) {
    if (k <= 0 || k >= depth - 1)
        return colour::edgeDark;
    if (k == 1)
        return 0x414b74;
    return mix(0x2c3354, 0x1a1f34, (k - 2) / static_cast<double>(depth - 4));
}

QRgb dividerColumn(int x) {
    // Symmetric and smooth, so squeezing eight columns into six keeps both dark edges.
    static constexpr QRgb columns[8] = {colour::edgeDark, 0x2a3150, 0x353d60, 0x2d3454,
                                        0x272d4a,         0x21273f, 0x1a1f33, colour::edgeDark};
    return columns[x];
}

void drawBarButton(QPainter& p, const QRect& rect) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(0, rect.top(), 0, rect.bottom());
    body.setColorAt(0.0, QColor::fromRgb(0x4d5886));
    body.setColorAt(0.5, QColor::fromRgb(0x343c62));
    body.setColorAt(1.0, QColor::fromRgb(0x222843));
    p.setPen(QPen(QColor::fromRgb(colour::edgeDark), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(outer, 5.0, 5.0);
    // Glass highlight along the upper inner edge.
    QPainterPath shine;
    shine.addRoundedRect(outer.adjusted(1.0, 1.0, -1.0, -outer.height() / 2.0), 4.0, 4.0);
    QLinearGradient gloss(0, rect.top(), 0, rect.center().y());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawPath(shine);
    p.restore();
}

QFont requireFont(const QString& family, int pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(font).family() != family)
        throw std::runtime_error("font \"" + family.toStdString() + "\" is not installed");
    return font;
}

} // namespace rz4::resources
