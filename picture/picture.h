#pragma once

#include <QImage>
#include <QMetaType>

#include <cstdint>

namespace rz4::picture {

// A picture object: an image that reports its size in HIMETRIC (0.01 mm) the way a platform
// picture does. QImage is implicitly shared, so copies share the pixels like references to one
// object; a default-constructed Picture is the empty reference.
class Picture {
public:
    Picture() = default;
    explicit Picture(QImage image);

    bool isEmpty() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }

    // Pixels at 96 per inch: pixels × 2540 / 96, rounded.
    std::int32_t widthHimetric() const;
    std::int32_t heightHimetric() const;

    friend bool operator==(const Picture& a, const Picture& b) { return a.m_image == b.m_image; }

private:
    QImage m_image;
};

} // namespace rz4::picture

Q_DECLARE_METATYPE(rz4::picture::Picture)
