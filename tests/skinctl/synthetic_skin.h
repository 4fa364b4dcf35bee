#pragma once

#include <QImage>

#include <array>

// A 60 × 13 slider skin laid out like the volume slider's (caps 5 px, track pieces 1 px, four
// 12 px thumb frames with key-coloured corners), each slice in a colour of its own so that a test
// can tell from one pixel which slice was drawn there.
namespace rz4::testskin {

inline const QRgb LeftCap = qRgb(200, 0, 0);
inline const QRgb RightCap = qRgb(0, 200, 0);
inline const QRgb Filled = qRgb(0, 0, 200);
inline const QRgb Empty = qRgb(200, 200, 0);
inline const std::array<QRgb, 4> Frames = {qRgb(10, 100, 150), qRgb(50, 100, 150),
                                           qRgb(90, 100, 150), qRgb(130, 100, 150)};
inline const QRgb Key = qRgb(255, 0, 255);

inline QImage sliderSkin() {
    QImage skin(60, 13, QImage::Format_RGB888);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 60; ++x) {
            QRgb c = x < 5 ? LeftCap : x < 10 ? RightCap : x == 10 ? Filled : Empty;
            if (x >= 12) {
                const int inFrame = (x - 12) % 12;
                const bool corner = (inFrame == 0 || inFrame == 11) && (y == 0 || y == 12);
                c = corner ? Key : Frames[static_cast<std::size_t>((x - 12) / 12)];
            }
            skin.setPixel(x, y, c);
        }
    }
    return skin;
}

} // namespace rz4::testskin
