#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace rz4::resources {

// The skin's palette: deep navy and graphite, lit from above, white glyphs, one blue accent.
namespace colour {
inline constexpr QRgb edgeDark = 0x07080f;
inline constexpr QRgb bevel = 0x4a5480;
inline constexpr QRgb glyph = 0xeef2ff;
inline constexpr QRgb glyphShadow = 0x080a14;
inline constexpr QRgb accent = 0x3d8bff;
inline constexpr QRgb accentLight = 0x8cc0ff;
inline constexpr QRgb accentDeep = 0x1f56b8;
inline constexpr QRgb treeBack = 0x363656; // the channel tree's RGB(54, 54, 86)
} // namespace colour

// Linear blend from a (t = 0) to b (t = 1), rounded per channel.
QRgb mix(QRgb a, QRgb b, double t);

// An opaque 24-bit canvas of the given size, filled black.
QImage opaqueCanvas(int width, int height);
// A canvas with alpha, fully transparent.
QImage transparentCanvas(int width, int height);

// Row colours of the top band: title bar (rows 0..23), recessed info strip (24..59), lip (60).
QRgb topBandRow(int y);
// Row colours of the bottom bar (rows 0..49).
QRgb bottomBarRow(int y);
// Colour of a frame edge by its depth from the window's outer side: 0 is the outermost line,
// depth - 1 the shadow line next to the video or the panel.
QRgb frameDepth(int k, int depth);
// Column colours of the divider between video and panel, 8 columns wide before squeezing.
QRgb dividerColumn(int x);

// Paints each row of rect with the colour that rowColour gives for its y.
template <class RowColour> void fillRows(QImage& img, const QRect& rect, RowColour rowColour) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const QRgb c = rowColour(y);
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = rect.left(); x <= rect.right(); ++x)
            line[x] = 0xff000000 | c;
    }
}

// Paints each column of rect with the colour that columnColour gives for its x.
template <class ColumnColour> void fillColumns(QImage& img, const QRect& rect, ColumnColour col) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
        const QRgb c = 0xff000000 | col(x);
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            img.setPixel(x, y, c);
    }
}

// A rounded push button of the bottom bar, exactly filling rect.
void drawBarButton(QPainter& p, const QRect& rect);

// Draws a glyph twice: a dark shadow one pixel lower, then the glyph itself in white.
template <class Glyph> void drawEmbossed(QPainter& p, Glyph glyph) {
    p.save();
    p.translate(0, 1);
    glyph(p, QColor::fromRgb(colour::glyphShadow));
    p.restore();
    glyph(p, QColor::fromRgb(colour::glyph));
}

// A font that must resolve to exactly this family, so the art never depends on fallbacks.
QFont requireFont(const QString& family, int pixelSize, bool bold);

} // namespace rz4::resources
