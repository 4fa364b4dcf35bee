#include "picture/picture.h"

#include <utility>

namespace rz4::picture {

namespace {

std::int32_t pixelsToHimetric(int pixels) {
    // 2540 HIMETRIC per inch at 96 pixels per inch, halves rounded up as the platform's MulDiv
    // does.
    return static_cast<std::int32_t>((static_cast<std::int64_t>(pixels) * 2540 + 48) / 96);
}

} // namespace

Picture::Picture(QImage image) : m_image(std::move(image)) {}

std::int32_t Picture::widthHimetric() const {
    return pixelsToHimetric(m_image.width());
}

std::int32_t Picture::heightHimetric() const {
    return pixelsToHimetric(m_image.height());
}

} // namespace rz4::picture
