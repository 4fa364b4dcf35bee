#include "picture/transparent.h"

#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstring>
#include <utility>

namespace rz4::picture {

namespace {

constexpr int PaletteSize = 256;

QRgb toQRgb(std::uint32_t colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

bool isIndexed(QImage::Format format) {
    return format == QImage::Format_Indexed8 || format == QImage::Format_Mono ||
           format == QImage::Format_MonoLSB;
}

// QPainter cannot draw into indexed images, so those take the composed pixels one by one.
void writeComposed(QImage& destination, const QImage& composed, QPoint at) {
    if (!isIndexed(destination.format())) {
        QPainter painter(&destination);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(at, composed);
        return;
    }
    const QImage mapped = composed.convertToFormat(destination.format(), destination.colorTable());
    for (int y = 0; y < mapped.height(); ++y) {
        for (int x = 0; x < mapped.width(); ++x) {
            destination.setPixel(at.x() + x, at.y() + y,
                                 static_cast<uint>(mapped.pixelIndex(x, y)));
        }
    }
}

} // namespace

void TransBlt(QImage& destination, const QImage& source, std::int16_t srcX, std::int16_t srcY,
              std::int16_t width, std::int16_t height, std::int16_t dstX, std::int16_t dstY,
              std::uint32_t& keyColor) {
    keyColor &= 0xFFFFFF;
    const QRgb key = toQRgb(keyColor) & RGB_MASK;

    // The part of the rectangle that lies inside both images, relative to the rectangle's origin.
    QRect area(0, 0, width, height);
    area &= QRect(-srcX, -srcY, source.width(), source.height());
    area &= QRect(-dstX, -dstY, destination.width(), destination.height());
    if (area.isEmpty()) {
        return;
    }
    const QPoint srcOrigin(srcX, srcY);
    const QPoint dstOrigin(dstX, dstY);
    QImage composed =
        destination.copy(area.translated(dstOrigin)).convertToFormat(QImage::Format_ARGB32);
    const QImage sprite =
        source.copy(area.translated(srcOrigin)).convertToFormat(QImage::Format_ARGB32);
    const int columns = sprite.width();
    for (int y = 0; y < sprite.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(sprite.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(composed.scanLine(y));
        for (int x = 0; x < columns; ++x) {
            if ((from[x] & RGB_MASK) != key) {
                to[x] = from[x];
            }
        }
    }
    writeComposed(destination, composed, area.topLeft() + dstOrigin);
}

void PaintTransPic(const Picture& picture, QImage& destination, std::int16_t srcX,
                   std::int16_t srcY, std::int16_t width, std::int16_t height, std::int16_t dstX,
                   std::int16_t dstY, std::uint32_t keyColor) {
    if (picture.isEmpty()) {
        return;
    }
    TransBlt(destination, picture.image(), srcX, srcY, width, height, dstX, dstY, keyColor);
}

Picture DCToPicture(const QImage& source, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height) {
    if (width <= 0 || height <= 0 || source.isNull()) {
        return {};
    }
    QImage captured(width, height, source.format());
    if (captured.isNull()) {
        return {};
    }
    captured.fill(0);
    QList<QRgb> palette;
    if (source.format() == QImage::Format_Indexed8) {
        palette = source.colorTable();
        palette.resize(PaletteSize, qRgb(0, 0, 0));
    } else if (isIndexed(source.format())) {
        captured.setColorTable(source.colorTable());
    }

    // Overlap in 64 bits: x + width may pass the 32-bit range.
    const auto left = std::max<std::int64_t>(x, 0);
    const auto top = std::max<std::int64_t>(y, 0);
    const auto right = std::min<std::int64_t>(std::int64_t{x} + width, source.width());
    const auto bottom = std::min<std::int64_t>(std::int64_t{y} + height, source.height());
    const int depth = source.depth();
    for (auto row = top; row < bottom && left < right; ++row) {
        const auto outRow = static_cast<int>(row - y);
        const auto outX = static_cast<int>(left - x);
        if (depth % 8 == 0) {
            const int bytes = depth / 8;
            std::memcpy(captured.scanLine(outRow) + outX * bytes,
                        source.constScanLine(static_cast<int>(row)) + left * bytes,
                        static_cast<std::size_t>((right - left) * bytes));
            continue;
        }
        for (auto col = left; col < right; ++col) {
            captured.setPixel(
                static_cast<int>(col - x), outRow,
                static_cast<uint>(source.pixelIndex(static_cast<int>(col), static_cast<int>(row))));
        }
    }
    return BitmapToPicture(std::move(captured), palette);
}

Picture BitmapToPicture(QImage bitmap, const QList<QRgb>& palette) {
    if (!palette.isEmpty() && isIndexed(bitmap.format())) {
        bitmap.setColorTable(palette);
    }
    return Picture(std::move(bitmap));
}

} // namespace rz4::picture
