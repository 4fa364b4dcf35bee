#include "resources/generator/skin_art.h"

#include "mainwindow/layout.h"
#include "resources/generator/paint_kit.h"
#include "resources/resources.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace rz4::resources {
namespace {

using mainwindow::Piece;

// Where a hot area of the window falls on the skin piece it lies over, in that piece's pixels:
// each button is drawn exactly under the area that takes its clicks.
QRect hotAreaOn(Piece piece, Piece hotArea) {
    const mainwindow::Layout layout =
        mainwindow::layoutTable(mainwindow::DesignWidth, mainwindow::DesignHeight);
    const auto rectOf = [&](Piece p) {
        return std::find_if(layout.begin(), layout.end(),
                            [p](const mainwindow::Placement& placed) { return placed.piece == p; })
            ->rect;
    };
    const mainwindow::TwipRect on = rectOf(piece);
    const mainwindow::TwipRect area = rectOf(hotArea);
    const mainwindow::PixelRect r =
        mainwindow::toPixels({area.left - on.left, area.top - on.top, area.width, area.height});
    return {r.x, r.y, r.width, r.height};
}

// ---- top band: Image1, Image2, Image10, Image3 ----

void drawLogo(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor::fromRgb(0xb8c4e6), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17.5, 7.5), QPointF(15.0, 4.0));
    p.drawLine(QPointF(17.5, 7.5), QPointF(20.0, 4.0));
    p.setPen(QPen(QColor::fromRgb(colour::edgeDark), 1.0));
    QLinearGradient body(0, 7, 0, 19);
    body.setColorAt(0, QColor::fromRgb(0xdfe5f6));
    body.setColorAt(1, QColor::fromRgb(0x8c97bb));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(8.5, 7.5, 18, 12), 2.5, 2.5);
    QLinearGradient screen(0, 9, 0, 18);
    screen.setColorAt(0, QColor::fromRgb(colour::accentLight));
    screen.setColorAt(1, QColor::fromRgb(colour::accentDeep));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(10.5, 9.5, 14, 8), 1.0, 1.0);
    p.restore();
}

QImage image1() {
    QImage img = opaqueCanvas(125, 61);
    fillRows(img, img.rect(), topBandRow);
    // The left frame runs down beside the info strip as it does beside the video below.
    fillColumns(img, QRect(0, 24, 8, 37), [](int x) { return frameDepth(x, 8); });
    fillColumns(img, QRect(0, 0, 2, 24), [](int x) { return frameDepth(x, 8); });
    img.setPixel(1, 0, colour::edgeDark);
    QPainter p(&img);
    drawLogo(p);
    return img;
}

QImage image2() {
    QImage img = opaqueCanvas(38, 61);
    fillRows(img, img.rect(), topBandRow);
    return img;
}

QImage image10() {
    QImage img = opaqueCanvas(18, 61);
    fillRows(img, img.rect(), topBandRow);
    // The info strip ends at the divider, which rises to the title bar here.
    fillColumns(img, QRect(17, 24, 1, 37), [](int) { return colour::edgeDark; });
    return img;
}

void drawTitleFace(QPainter& p, const QRect& face, QRgb top, QRgb bottom) {
    QLinearGradient body(0, face.top(), 0, face.bottom());
    body.setColorAt(0, QColor::fromRgb(top));
    body.setColorAt(1, QColor::fromRgb(bottom));
    p.fillRect(face, body);
    // One lit row under the window's top edge.
    p.fillRect(QRect(face.left(), face.top(), face.width(), 1),
               QColor::fromRgb(mix(top, 0xffffff, 0.25)));
}

void drawTitleButtons(QImage& img) {
    const QRect minimise = hotAreaOn(Piece::Image3, Piece::Image9_0);
    const QRect pin = hotAreaOn(Piece::Image3, Piece::Image9_1);
    const QRect maximise = hotAreaOn(Piece::Image3, Piece::Image9_2);
    const QRect close = hotAreaOn(Piece::Image3, Piece::Image9_3);

    QPainter p(&img);
    // Dark outline of the whole group, hanging from the top edge.
    const QRect group(minimise.topLeft(), close.bottomRight());
    p.fillRect(group, QColor::fromRgb(colour::edgeDark));

    // Each face leaves its left column dark as the separator from its neighbour.
    const auto face = [](const QRect& r) { return r.adjusted(1, 1, 0, -1); };
    drawTitleFace(p, face(minimise), 0x4a5585, 0x262d4b);
    drawTitleFace(p, face(pin), 0x4a5585, 0x262d4b);
    drawTitleFace(p, face(maximise), 0x4a5585, 0x262d4b);
    drawTitleFace(p, face(close).adjusted(0, 0, -1, 0), 0xe35d52, 0x9f2a22);

    p.setRenderHint(QPainter::Antialiasing, false);
    const int m = minimise.left();
    drawEmbossed(p, [m](QPainter& q, const QColor& c) { q.fillRect(m + 8, 10, 10, 2, c); });
    const int t = pin.left();
    drawEmbossed(p, [t](QPainter& q, const QColor& c) {
        q.fillRect(t + 10, 3, 6, 5, c);  // head
        q.fillRect(t + 8, 8, 10, 2, c);  // collar
        q.fillRect(t + 12, 10, 2, 4, c); // needle
    });
    const int x = maximise.left();
    drawEmbossed(p, [x](QPainter& q, const QColor& c) {
        q.fillRect(x + 8, 4, 10, 2, c);
        q.fillRect(x + 8, 6, 1, 6, c);
        q.fillRect(x + 17, 6, 1, 6, c);
        q.fillRect(x + 8, 11, 10, 1, c);
    });
    p.setRenderHint(QPainter::Antialiasing, true);
    const double cx = close.left() + 24.5; // centre of the face between the two dark edges
    drawEmbossed(p, [cx](QPainter& q, const QColor& c) {
        q.setPen(QPen(c, 1.9, Qt::SolidLine, Qt::SquareCap));
        q.drawLine(QPointF(cx - 3.6, 5.0), QPointF(cx + 3.6, 12.2));
        q.drawLine(QPointF(cx + 3.6, 5.0), QPointF(cx - 3.6, 12.2));
    });
}

// Rounds the group's lower left corner by hand: the outline bends one pixel in, the band shows.
void roundLowerLeftCorner(QImage& img, QPoint corner) {
    const int x = corner.x(), y = corner.y();
    img.setPixel(x, y, 0xff000000 | topBandRow(y));
    img.setPixel(x, y - 1, 0xff000000 | mix(colour::edgeDark, topBandRow(y - 1), 0.5));
    img.setPixel(x + 1, y, 0xff000000 | mix(colour::edgeDark, topBandRow(y), 0.5));
    img.setPixel(x + 1, y - 1, 0xff000000 | colour::edgeDark);
}

QImage image3() {
    QImage img = opaqueCanvas(208, 30);
    fillRows(img, img.rect(), topBandRow);
    // Below the title bar the panel's frame: mostly under the browser pane, visible at both ends.
    fillRows(img, QRect(0, 24, 208, 6), [](int) { return QRgb{0x1d2238}; });
    fillColumns(img, QRect(0, 24, 5, 6), [](int x) { return dividerColumn(x + 2); });
    fillColumns(img, QRect(200, 24, 8, 6), [](int x) { return frameDepth(207 - x, 8); });
    fillColumns(img, QRect(206, 1, 2, 23), [](int x) { return frameDepth(207 - x, 8); });
    drawTitleButtons(img);
    roundLowerLeftCorner(img, hotAreaOn(Piece::Image3, Piece::Image9_0).bottomLeft());
    return img;
}

// ---- edges: Image4, Image8, Image11 (stretched lengthwise, so only columns differ) ----

QImage edge(bool right) {
    QImage img = opaqueCanvas(8, 30);
    fillColumns(img, img.rect(), [right](int x) { return frameDepth(right ? 7 - x : x, 8); });
    return img;
}

QImage image11() {
    QImage img = opaqueCanvas(8, 30);
    fillColumns(img, img.rect(), dividerColumn);
    return img;
}

// ---- bottom bar: Image5, Image6, Image7 ----

QImage bottomBar(int width) {
    QImage img = opaqueCanvas(width, 50);
    fillRows(img, img.rect(), bottomBarRow);
    return img;
}

void playGlyph(QPainter& p, const QColor& c, const QRect& r) {
    const double l = r.left(), t = r.top();
    const QPointF points[] = {{l + 9, t + 7}, {l + 9, t + 20}, {l + 19.5, t + 13.5}};
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(points, 3);
}

void stopGlyph(QPainter& p, const QColor& c, const QRect& r) {
    p.fillRect(r.left() + 8, r.top() + 9, 9, 9, c);
}

void muteGlyph(QPainter& p, const QColor& c, const QRect& r) {
    const double l = r.left(), t = r.top();
    p.fillRect(QRectF(l + 5, t + 11, 3, 5), c);
    const QPointF cone[] = {{l + 8, t + 11}, {l + 12, t + 7}, {l + 12, t + 20}, {l + 8, t + 16}};
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(cone, 4);
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QPointF(l + 15, t + 11), QPointF(l + 19.5, t + 16));
    p.drawLine(QPointF(l + 19.5, t + 11), QPointF(l + 15, t + 16));
}

void fullScreenGlyph(QPainter& p, const QColor& c, const QRect& r) {
    const int l = r.left(), t = r.top();
    // Four corner brackets around an 13 x 11 box.
    p.fillRect(l + 6, t + 8, 4, 2, c);
    p.fillRect(l + 6, t + 8, 2, 4, c);
    p.fillRect(l + 15, t + 8, 4, 2, c);
    p.fillRect(l + 17, t + 8, 2, 4, c);
    p.fillRect(l + 6, t + 17, 4, 2, c);
    p.fillRect(l + 6, t + 15, 2, 4, c);
    p.fillRect(l + 15, t + 17, 4, 2, c);
    p.fillRect(l + 17, t + 15, 2, 4, c);
}

template <class Glyph> void drawButtonWith(QPainter& p, const QRect& r, Glyph glyph) {
    drawBarButton(p, r);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawEmbossed(p, [&](QPainter& q, const QColor& c) { glyph(q, c, r); });
}

QImage image5() {
    QImage img = bottomBar(99);
    fillColumns(img, QRect(0, 1, 2, 47), [](int x) { return frameDepth(x, 8); });
    QPainter p(&img);
    drawButtonWith(p, hotAreaOn(Piece::Image5, Piece::Image14_0), playGlyph);
    drawButtonWith(p, hotAreaOn(Piece::Image5, Piece::Image14_1), stopGlyph);
    drawButtonWith(p, hotAreaOn(Piece::Image5, Piece::Image14_2), muteGlyph);
    return img;
}

QImage image7() {
    QImage img = bottomBar(80);
    QPainter p(&img);
    drawButtonWith(p, hotAreaOn(Piece::Image7, Piece::Image14_3), fullScreenGlyph);
    // A quiet embossed mark fills the rest of the bar's end.
    p.setFont(requireFont(QStringLiteral("DejaVu Sans"), 11, true));
    const QRect mark(30, 15, 42, 27);
    p.setPen(QColor::fromRgb(0x3b4470));
    p.drawText(mark.translated(0, 1), Qt::AlignCenter, QStringLiteral("RZ4"));
    p.setPen(QColor::fromRgb(0x0d1020));
    p.drawText(mark, Qt::AlignCenter, QStringLiteral("RZ4"));
    return img;
}

// ---- right-hand panel: Image12, Image13 ----

QImage image12() {
    QImage img = opaqueCanvas(197, 34);
    fillRows(img, img.rect(), [](int y) -> QRgb {
        if (y == 0)
            return colour::edgeDark;
        if (y == 1)
            return 0x6a6aa2;
        if (y <= 31)
            return mix(0x50508a, 0x3b3b63, (y - 2) / 29.0);
        if (y == 32)
            return 0x262640;
        return colour::treeBack; // flows into the tree below
    });
    // The header reaches two pixels over the right frame: continue the frame's inner columns.
    fillColumns(img, QRect(195, 0, 2, 34), [](int x) { return frameDepth(202 - x, 8); });

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor bullet = QColor::fromRgb(colour::accentLight);
    for (int row = 0; row < 3; ++row) {
        const int y = 11 + 5 * row;
        p.fillRect(9, y, 2, 2, bullet);
        p.fillRect(13, y, 9, 2, QColor::fromRgb(0xd7dcf0));
    }
    p.setFont(requireFont(QStringLiteral("AR PL UMing CN"), 15, true));
    const QRect text(28, 2, 160, 30);
    p.setPen(QColor::fromRgb(0x1a1a2e));
    p.drawText(text.translated(0, 1), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("频道列表"));
    p.setPen(Qt::white);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("频道列表"));
    return img;
}

QImage image13() {
    QImage img = opaqueCanvas(204, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 204; ++x) {
            // Bottom strip of depth 9 meets the right frame of depth 8 in a mitred corner.
            const int kx = 203 - x, ky = 8 - y;
            img.setPixel(x, y, 0xff000000 | (kx < ky ? frameDepth(kx, 8) : frameDepth(ky, 9)));
        }
    }
    fillColumns(img, QRect(0, 0, 1, 9), [](int) { return colour::edgeDark; });
    return img;
}

// ---- slider skin: bitmap 101 ----

constexpr QRgb keyColour = 0xff00ff;

QRgb grooveFilled(int y) {
    static constexpr QRgb rows[5] = {0x0a1630, 0x8cc0ff, 0x4a95ff, 0x2a6ad6, 0x3a4470};
    return rows[y - 4];
}

QRgb grooveEmpty(int y) {
    static constexpr QRgb rows[5] = {colour::edgeDark, 0x0b0e1b, 0x0f1328, 0x141a33, 0x3a4470};
    return rows[y - 4];
}

// A rounded end of the groove: column 0 is the outer end.
template <class Groove> void drawCap(QImage& img, int outerX, int inward, Groove groove) {
    for (int i = 0; i < 5; ++i) {
        const int x = outerX + inward * i;
        for (int y = 4; y <= 8; ++y) {
            const QRgb back = bottomBarRow(23 + y);
            QRgb c = groove(y);
            if (i == 0)
                c = (y == 4 || y == 8) ? back : mix(colour::edgeDark, groove(y), 0.3);
            else if (i == 1 && (y == 4 || y == 8))
                c = mix(back, groove(y), 0.7);
            img.setPixel(x, y, 0xff000000 | c);
        }
    }
}

struct KnobLook {
    QRgb top, bottom, rim;
    bool accentDot;
};

// One 12 x 13 knob frame. Pixels are either exactly the key colour or knob: the round shape is
// cut by a hard mask and smoothed only against the knob's own rim, never against the key.
void drawKnob(QImage& img, int left, const KnobLook& look) {
    QImage face = opaqueCanvas(12, 13);
    face.fill(QColor::fromRgb(look.rim));
    {
        QPainter p(&face);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF centre(6.0, 6.5);
        QLinearGradient body(0, 1.5, 0, 11.5);
        body.setColorAt(0, QColor::fromRgb(look.top));
        body.setColorAt(1, QColor::fromRgb(look.bottom));
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawEllipse(centre, 4.7, 4.7);
        QRadialGradient shine(QPointF(4.8, 4.2), 3.2);
        shine.setColorAt(0, QColor(255, 255, 255, 150));
        shine.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(shine);
        p.drawEllipse(centre, 4.7, 4.7);
        if (look.accentDot) {
            p.setBrush(QColor::fromRgb(colour::accent));
            p.drawEllipse(centre, 1.5, 1.5);
        }
    }
    const double radius = 5.6;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 12; ++x) {
            const double dx = x + 0.5 - 6.0, dy = y + 0.5 - 6.5;
            const bool inside = dx * dx + dy * dy <= radius * radius;
            img.setPixel(left + x, y,
                         0xff000000 | (inside ? (face.pixel(x, y) & 0xffffff) : keyColour));
        }
    }
}

QImage bitmap101() {
    QImage img = opaqueCanvas(60, 13);
    // The control fills its whole height from the strip, so around the groove it shows the bar.
    fillRows(img, img.rect(), [](int y) { return bottomBarRow(23 + y); });
    drawCap(img, 0, 1, grooveFilled);
    drawCap(img, 9, -1, grooveEmpty);
    for (int y = 4; y <= 8; ++y) {
        img.setPixel(10, y, 0xff000000 | grooveFilled(y));
        img.setPixel(11, y, 0xff000000 | grooveEmpty(y));
    }
    drawKnob(img, 12, {0xf4f6ff, 0x98a4c8, 0x0b0d18, true});
    drawKnob(img, 24, {0xffffff, 0xc4cdeb, 0x1b2242, true});
    drawKnob(img, 36, {0xaab3d0, 0x5f6a8e, 0x05060c, true});
    drawKnob(img, 48, {0x858894, 0x5c5f69, 0x25272e, false});
    return img;
}

// ---- tree pictures and icon ----

QImage channelPicture() {
    QImage img = transparentCanvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor::fromRgb(0xd6e4ff), 1.0));
    QLinearGradient screen(0, 3, 0, 12);
    screen.setColorAt(0, QColor::fromRgb(0x5aa6ff));
    screen.setColorAt(1, QColor::fromRgb(colour::accentDeep));
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 10), 2.0, 2.0);
    p.fillRect(QRectF(5, 13, 6, 1.5), QColor::fromRgb(0xd6e4ff));
    const QPointF play[] = {{6.5, 5.0}, {6.5, 10.0}, {10.8, 7.5}};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(play, 3);
    return img;
}

QImage folderPicture() {
    QImage img = transparentCanvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPen outline(QColor::fromRgb(0x7a4e0e), 1.0);
    p.setPen(outline);
    p.setBrush(QColor::fromRgb(0xd99a2b));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    QLinearGradient front(0, 6.5, 0, 13.5);
    front.setColorAt(0, QColor::fromRgb(0xffe08a));
    front.setColorAt(1, QColor::fromRgb(0xf0b23e));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7), 1.0, 1.0);
    return img;
}

// The television on a dark tile, drawn on a 48-pixel grid and scaled to the size asked for. Below
// 32 pixels the lettering would be a smear, so the screen stays plain.
QImage icon(int size) {
    QImage img = opaqueCanvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 48.0, size / 48.0);
    QRadialGradient back(QPointF(24, 20), 34);
    back.setColorAt(0, QColor::fromRgb(0x2f3868));
    back.setColorAt(1, QColor::fromRgb(0x0c0f1e));
    p.fillRect(QRectF(0, 0, 48, 48), back);

    p.setPen(QPen(QColor::fromRgb(0xc8d2f0), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 11), QPointF(16, 3));
    p.drawLine(QPointF(24, 11), QPointF(32, 3));
    p.fillRect(QRectF(12, 38, 5, 5), QColor::fromRgb(0x8792b8));
    p.fillRect(QRectF(31, 38, 5, 5), QColor::fromRgb(0x8792b8));

    QLinearGradient body(0, 10, 0, 40);
    body.setColorAt(0, QColor::fromRgb(0xe4e9f8));
    body.setColorAt(1, QColor::fromRgb(0x7d88ad));
    p.setPen(QPen(QColor::fromRgb(colour::edgeDark), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3.5, 10.5, 41, 29), 5, 5);
    QLinearGradient screen(0, 14, 0, 36);
    screen.setColorAt(0, QColor::fromRgb(0x4aa0ff));
    screen.setColorAt(1, QColor::fromRgb(0x163f8f));
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(7.5, 14.5, 33, 21), 3, 3);

    if (size >= 32) {
        p.setFont(requireFont(QStringLiteral("DejaVu Sans"), 13, true));
        const QRect text(8, 15, 33, 21);
        p.setPen(QColor::fromRgb(0x0b2452));
        p.drawText(text.translated(0, 1), Qt::AlignCenter, QStringLiteral("RZ4"));
        p.setPen(Qt::white);
        p.drawText(text, Qt::AlignCenter, QStringLiteral("RZ4"));
    }
    return img;
}

} // namespace

std::vector<Artwork> drawArtwork() {
    std::vector<Artwork> art;
    const auto add = [&art](const char* path, QImage image) {
        art.push_back({QString::fromLatin1(path), std::move(image)});
    };
    add("skin/image1.png", image1());
    add("skin/image2.png", image2());
    add("skin/image3.png", image3());
    add("skin/image4.png", edge(false));
    add("skin/image5.png", image5());
    add("skin/image6.png", bottomBar(25));
    add("skin/image7.png", image7());
    add("skin/image8.png", edge(true));
    add("skin/image10.png", image10());
    add("skin/image11.png", image11());
    add("skin/image12.png", image12());
    add("skin/image13.png", image13());
    add("skin/bitmap101.png", bitmap101());
    add("tree/jie.png", channelPicture());
    add("tree/jia.png", folderPicture());
    for (const int size : IconSizes) {
        art.push_back({iconPath(size), icon(size)});
    }
    return art;
}

} // namespace rz4::resources
