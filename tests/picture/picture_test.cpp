#include "picture/picture.h"
#include "picture/transparent.h"

#include <gtest/gtest.h>

#include <QImage>

namespace rz4::picture {
namespace {

const QRgb Magenta = qRgb(255, 0, 255);
const QRgb Grey = qRgb(90, 90, 90);
const QRgb Sprite = qRgb(10, 120, 230);

QImage filled(int w, int h, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

// A thumb frame as the skins draw it: one colour with key-coloured corners.
QImage cornerKeyedFrame() {
    QImage frame = filled(4, 3, Sprite);
    frame.setPixel(0, 0, Magenta);
    frame.setPixel(3, 0, Magenta);
    frame.setPixel(0, 2, Magenta);
    frame.setPixel(3, 2, Magenta);
    return frame;
}

TEST(PictureTest, EmptyReferenceAndHimetricSize) {
    EXPECT_TRUE(Picture().isEmpty());
    EXPECT_EQ(Picture().widthHimetric(), 0);
    const Picture skin(filled(60, 13, Grey));
    EXPECT_FALSE(skin.isEmpty());
    // 60 px = 1587.5 HIMETRIC, 13 px = 343.9: rounded like the platform does.
    EXPECT_EQ(skin.widthHimetric(), 1588);
    EXPECT_EQ(skin.heightHimetric(), 344);
    // Copies share one image, like references to one picture object.
    const Picture copy = skin;
    EXPECT_EQ(copy.image().constBits(), skin.image().constBits());
}

TEST(TransBltTest, KeyPixelsKeepTheDestination) {
    QImage dest = filled(8, 5, Grey);
    const QImage frame = cornerKeyedFrame();
    std::uint32_t key = 0xFF00FF;
    TransBlt(dest, frame, 0, 0, 4, 3, 2, 1, key);
    EXPECT_EQ(key, 0xFF00FFu);
    EXPECT_EQ(dest.pixel(2, 1), Grey); // key corner
    EXPECT_EQ(dest.pixel(5, 3), Grey);
    EXPECT_EQ(dest.pixel(3, 1), Sprite);
    EXPECT_EQ(dest.pixel(2, 2), Sprite);
    EXPECT_EQ(dest.pixel(1, 1), Grey); // outside the rectangle
    EXPECT_EQ(dest.pixel(6, 2), Grey);
}

TEST(TransBltTest, NoKeyIsAPlainCopyAndAllKeyChangesNothing) {
    QImage dest = filled(6, 6, Grey);
    std::uint32_t key = 0xFF00FF;
    TransBlt(dest, filled(3, 3, Sprite), 0, 0, 3, 3, 1, 1, key);
    EXPECT_EQ(dest, [] {
        QImage expected = filled(6, 6, Grey);
        for (int y = 1; y < 4; ++y)
            for (int x = 1; x < 4; ++x)
                expected.setPixel(x, y, Sprite);
        return expected;
    }());

    QImage untouched = filled(6, 6, Grey);
    TransBlt(untouched, filled(6, 6, Magenta), 0, 0, 6, 6, 0, 0, key);
    EXPECT_EQ(untouched, filled(6, 6, Grey));
}

TEST(TransBltTest, KeyIsComparedOnColourOnly) {
    // The key given as 0x00BBGGRR: blue 0x30, green 0x20, red 0x10.
    QImage dest = filled(2, 1, Grey);
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(0x10, 0x20, 0x30, 255));
    source.setPixel(1, 0, qRgba(0x30, 0x20, 0x10, 255));
    std::uint32_t key = 0x302010;
    TransBlt(dest, source, 0, 0, 2, 1, 0, 0, key);
    EXPECT_EQ(dest.pixel(0, 0), Grey);
    EXPECT_EQ(dest.pixel(1, 0), qRgb(0x30, 0x20, 0x10));
}

TEST(TransBltTest, RectanglesReachingOutsideAreClipped) {
    QImage dest = filled(4, 4, Grey);
    const QImage source = filled(3, 3, Sprite);
    std::uint32_t key = 0xFF00FF;
    // Hangs over the destination's right and bottom edges and the source's left edge.
    TransBlt(dest, source, -1, 0, 4, 5, 2, 2, key);
    EXPECT_EQ(dest.pixel(2, 2), Grey); // source column -1 does not exist
    EXPECT_EQ(dest.pixel(3, 2), Sprite);
    EXPECT_EQ(dest.pixel(3, 3), Sprite);
    EXPECT_EQ(dest.pixel(1, 3), Grey);
    // Entirely outside, negative sizes: nothing happens.
    TransBlt(dest, source, 0, 0, 3, 3, 100, -100, key);
    TransBlt(dest, source, 0, 0, -3, 3, 0, 0, key);
    EXPECT_EQ(dest.pixel(0, 0), Grey);
}

TEST(TransBltTest, IndexedDestinationGetsNearestColours) {
    QImage dest(3, 1, QImage::Format_Indexed8);
    dest.setColorTable({Grey, Sprite});
    dest.fill(0);
    std::uint32_t key = 0xFF00FF;
    TransBlt(dest, filled(1, 1, Sprite), 0, 0, 1, 1, 1, 0, key);
    EXPECT_EQ(dest.pixelIndex(0, 0), 0);
    EXPECT_EQ(dest.pixelIndex(1, 0), 1);
}

TEST(PaintTransPicTest, EmptyPictureDrawsNothing) {
    QImage dest = filled(3, 3, Grey);
    PaintTransPic(Picture(), dest, 0, 0, 3, 3, 0, 0, 0xFF00FF);
    EXPECT_EQ(dest, filled(3, 3, Grey));
    PaintTransPic(Picture(cornerKeyedFrame()), dest, 1, 0, 2, 3, 0, 0, 0xFF00FF);
    EXPECT_EQ(dest.pixel(0, 0), Sprite);
    EXPECT_EQ(dest.pixel(2, 0), Grey);
}

TEST(DCToPictureTest, CapturesARectangleInTheSameFormat) {
    QImage source(5, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, qRgb(x * 40, y * 40, 7));
    const Picture p = DCToPicture(source, 1, 2, 3, 2);
    ASSERT_FALSE(p.isEmpty());
    EXPECT_EQ(p.image().format(), QImage::Format_RGB888);
    EXPECT_EQ(p.image().size(), QSize(3, 2));
    EXPECT_EQ(p.image().pixel(0, 0), qRgb(40, 80, 7));
    EXPECT_EQ(p.image().pixel(2, 1), qRgb(120, 120, 7));
    EXPECT_TRUE(p.image().colorTable().isEmpty());
}

TEST(DCToPictureTest, OutsideTheSourceComesOutZero) {
    const QImage source = filled(4, 4, Sprite);
    const Picture p = DCToPicture(source, 2, -1, 4, 3);
    ASSERT_EQ(p.image().size(), QSize(4, 3));
    EXPECT_EQ(p.image().pixel(0, 0), qRgb(0, 0, 0)); // row -1
    EXPECT_EQ(p.image().pixel(1, 1), Sprite);
    EXPECT_EQ(p.image().pixel(2, 1), qRgb(0, 0, 0)); // column 4
    // Far outside and near the 32-bit edge: a blank picture, no read out of bounds.
    const Picture far = DCToPicture(source, 2147483600, 2147483600, 40, 3);
    EXPECT_EQ(far.image().size(), QSize(40, 3));
    EXPECT_EQ(far.image().pixel(39, 2), qRgb(0, 0, 0));
    EXPECT_TRUE(DCToPicture(source, 0, 0, 0, 3).isEmpty());
    EXPECT_TRUE(DCToPicture(source, 0, 0, 3, -1).isEmpty());
}

TEST(DCToPictureTest, OnlyAn8BitIndexedSourceCarriesA256EntryPalette) {
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({Grey, Sprite, Magenta});
    indexed.fill(2);
    const Picture p = DCToPicture(indexed, 1, 0, 2, 2);
    EXPECT_EQ(p.image().format(), QImage::Format_Indexed8);
    ASSERT_EQ(p.image().colorTable().size(), 256);
    EXPECT_EQ(p.image().pixel(0, 0), Magenta);

    QImage mono(9, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(8, 0, 1);
    const Picture m = DCToPicture(mono, 7, 0, 2, 1);
    EXPECT_EQ(m.image().format(), QImage::Format_Mono);
    EXPECT_EQ(m.image().colorTable().size(), 2);
    EXPECT_EQ(m.image().pixelIndex(1, 0), 1);
}

} // namespace
} // namespace rz4::picture
