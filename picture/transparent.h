#pragma once

#include "picture/picture.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>

namespace rz4::picture {

// Colour-keyed copy of the rectangle (srcX, srcY, width, height) of source to (dstX, dstY) of
// destination: pixels whose colour (0x00BBGGRR, low 24 bits) equals keyColor leave the destination
// as it was, every other pixel replaces it. The result is composed off-screen and written to the
// destination in one copy. Parts of the rectangle outside either image are skipped. keyColor
// receives the colour that was keyed on.
void TransBlt(QImage& destination, const QImage& source, std::int16_t srcX, std::int16_t srcY,
              std::int16_t width, std::int16_t height, std::int16_t dstX, std::int16_t dstY,
              std::uint32_t& keyColor);

// TransBlt from a picture; an empty picture draws nothing.
void PaintTransPic(const Picture& picture, QImage& destination, std::int16_t srcX,
                   std::int16_t srcY, std::int16_t width, std::int16_t height, std::int16_t dstX,
                   std::int16_t dstY, std::uint32_t keyColor);

// Captures the rectangle (x, y, width, height) of source into a new picture of the same format.
// Pixels outside the source come out as 0. An 8-bit indexed source hands its colour table on as a
// 256-entry palette. A rectangle without area, or too large to allocate, gives an empty picture.
Picture DCToPicture(const QImage& source, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height);

// Wraps a bitmap, and for an indexed bitmap the palette to show it with, into a picture that owns
// both. An empty palette keeps the bitmap's own colours.
Picture BitmapToPicture(QImage bitmap, const QList<QRgb>& palette = {});

} // namespace rz4::picture
