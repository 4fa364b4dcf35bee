#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace rz4::resources {

// One picture of the skin and where it lives under the resource folder ("skin/image1.png").
struct Artwork {
    QString path;
    QImage image;
};

// Draws every picture the program ships: the window skin, the slider skin, the two tree pictures
// and the icon. Pure drawing, no clock and no randomness: the same fonts give the same pixels.
// Throws std::runtime_error when a font the art needs is not installed.
std::vector<Artwork> drawArtwork();

} // namespace rz4::resources
