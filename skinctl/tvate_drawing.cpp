// The slider's drawing: its surface, the skin slices cut from a picture, and the composition of
// track, caption and thumb into the kept image that paintEvent shows.
#include "skinctl/tvate.h"

#include "common/numeric.h"
#include "common/runtime_error.h"
#include "common/twips.h"
#include "picture/transparent.h"
#include "skinctl/focus_mark.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <qdrawutil.h>

#include <array>

namespace rz4::skinctl {

using common::TwipsPerPixel;

namespace {

constexpr std::uint32_t ThumbKeyColour = 0xFF00FF;
constexpr Colour ButtonText = common::SystemColourFlag | 18;
constexpr Colour WindowFrame = common::SystemColourFlag | 6;
constexpr std::int16_t CustomPointer = 99;
constexpr QImage::Format SurfaceFormat = QImage::Format_RGB32;

// Runs one drawing step; a step that fails is skipped so that the rest of the control still shows.
template <typename Step> void skipOnError(Step&& step) {
    try {
        step();
    } catch (const common::RuntimeError&) {
    }
}

// A twips rectangle on the pixel grid; both edges are rounded so that neighbours meet exactly.
QRect pixelRect(double x, double y, double width, double height) {
    const int left = common::twipsToPixels(x);
    const int top = common::twipsToPixels(y);
    return {left, top, common::twipsToPixels(x + width) - left,
            common::twipsToPixels(y + height) - top};
}

} // namespace

// ---- surface ----

int tVate::borderWidth() const {
    if (m_borderStyle == 0) {
        return 0;
    }
    return m_appearance == 0 ? 1 : 2;
}

QSize tVate::surfaceSize() const {
    const int b = borderWidth();
    return {std::max(0, width() - 2 * b), std::max(0, height() - 2 * b)};
}

float tVate::ScaleWidth() const {
    return static_cast<float>(surfaceSize().width()) * TwipsPerPixel;
}

float tVate::ScaleHeight() const {
    return static_cast<float>(surfaceSize().height()) * TwipsPerPixel;
}

QColor tVate::resolveColour(Colour colour) const {
    if ((colour & common::SystemColourFlag) == 0) {
        return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF)};
    }
    // System colours by their classic index, taken from the widget's palette.
    static constexpr std::array<QPalette::ColorRole, 25> roles = {QPalette::Button,
                                                                  QPalette::Window,
                                                                  QPalette::Highlight,
                                                                  QPalette::Mid,
                                                                  QPalette::Window,
                                                                  QPalette::Base,
                                                                  QPalette::Shadow,
                                                                  QPalette::WindowText,
                                                                  QPalette::Text,
                                                                  QPalette::HighlightedText,
                                                                  QPalette::Mid,
                                                                  QPalette::Midlight,
                                                                  QPalette::Dark,
                                                                  QPalette::Highlight,
                                                                  QPalette::HighlightedText,
                                                                  QPalette::Button,
                                                                  QPalette::Dark,
                                                                  QPalette::PlaceholderText,
                                                                  QPalette::ButtonText,
                                                                  QPalette::WindowText,
                                                                  QPalette::Light,
                                                                  QPalette::Shadow,
                                                                  QPalette::Midlight,
                                                                  QPalette::ToolTipText,
                                                                  QPalette::ToolTipBase};
    const Colour index = colour & 0xFFFF;
    return index < roles.size() ? palette().color(roles[index]) : QColor(Qt::black);
}

void tVate::applyCursor() {
    static constexpr std::array<Qt::CursorShape, 16> shapes = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
    if (m_mousePointer == CustomPointer && !m_mouseIcon.isEmpty()) {
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon.image())));
    } else if (m_mousePointer > 0 && m_mousePointer < static_cast<int>(shapes.size())) {
        setCursor(shapes[static_cast<std::size_t>(m_mousePointer)]);
    } else {
        unsetCursor();
    }
}

void tVate::applyFrame() {
    update();
    // A border takes its room from the drawing surface, as a resize would.
    if (surfaceSize() != m_surface.size()) {
        UserControl_Resize();
    }
}

void tVate::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int b = borderWidth();
    painter.fillRect(rect(), resolveColour(m_backColor));
    painter.drawImage(QPoint(b, b), m_surface);
    if (b == 1) {
        painter.setPen(resolveColour(WindowFrame));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    } else if (b == 2) {
        qDrawWinPanel(&painter, rect(), palette(), true);
    }
    if (hasFocus()) {
        drawFocusMark(painter, rect());
    }
}

void tVate::resizeEvent(QResizeEvent*) {
    UserControl_Resize();
}

void tVate::UserControl_Resize() {
    Redraw();
}

// ---- skin ----

std::int16_t tVate::GetPictureWidth(const picture::Picture& picture) {
    return picture.isEmpty() ? 0 : himetricToPixels(picture.widthHimetric());
}

std::int16_t tVate::GetPictureHeight(const picture::Picture& picture) {
    return picture.isEmpty() ? 0 : himetricToPixels(picture.heightHimetric());
}

picture::Picture tVate::PicToPic(const picture::Picture& thePicture, std::int32_t LeftSrc,
                                 std::int32_t TopSrc, std::int32_t WidthSrc,
                                 std::int32_t HeightSrc) {
    if (thePicture.isEmpty()) {
        common::raiseInvalidArgument();
    }
    // The copy goes through a context like the control's surface, so it comes out in its format.
    picture::Picture captured =
        picture::DCToPicture(thePicture.image(), LeftSrc, TopSrc, WidthSrc, HeightSrc);
    if (captured.isEmpty()) {
        return captured;
    }
    return picture::Picture(captured.image().convertToFormat(SurfaceFormat));
}

void tVate::setPicture(const picture::Picture& newPicture, std::int16_t lP_Width,
                       std::int16_t rP_Width, std::int16_t lmP_Width, std::int16_t rmP_Width,
                       std::int16_t cP_Width, std::int16_t cmp_Height, std::int16_t cmp_Top) {
    const std::int16_t h = GetPictureHeight(newPicture);
    if (h == 0) {
        return;
    }
    const auto slice = [&](std::int16_t width, auto&& offset) {
        return width != 0 ? PicToPic(newPicture, offset(), 0, width, h) : picture::Picture();
    };
    // Offsets are summed only for slices that are cut, in 16 bits like the widths.
    m_leftPic = slice(lP_Width, [] { return std::int16_t{0}; });
    m_rightPic = slice(rP_Width, [&] { return lP_Width; });
    m_leftMidPic = slice(lmP_Width, [&] { return common::add16(lP_Width, rP_Width); });
    m_rightMidPic = slice(
        rmP_Width, [&] { return common::add16(common::add16(lP_Width, rP_Width), lmP_Width); });
    m_cmdHeight = cmp_Height != 0 ? cmp_Height : h;
    if (cP_Width != 0) {
        const std::int16_t offset =
            common::add16(common::add16(common::add16(lP_Width, rP_Width), lmP_Width), rmP_Width);
        m_cmdPic = PicToPic(newPicture, offset, 0, common::mul16(4, cP_Width), h);
    } else {
        m_cmdPic = picture::Picture();
    }
    m_cmdWidth = common::toInt16(common::mul16(GetPictureWidth(m_cmdPic), TwipsPerPixel) / 4.0);
    m_leftPicWidth = common::mul16(GetPictureWidth(m_leftPic), TwipsPerPixel);
    m_rightPicWidth = common::mul16(GetPictureWidth(m_rightPic), TwipsPerPixel);
    m_cmdTop = cmp_Top;
    Redraw();
}

// ---- painting ----

void tVate::Redraw(float position) {
    const std::int16_t t = m_isShowCmd ? m_cmdWidth : std::int16_t{0};
    clearSurface();
    const std::int32_t v = paintedValue(m_value, m_max);
    if (m_max < 0) {
        m_max = 1;
    }
    if (position == -1.0F) {
        const TrackGeometry g{ScaleWidth(), m_leftPicWidth, m_rightPicWidth, t, m_biteLP, m_biteRP};
        position = thumbCentre(g, v, m_max);
    }
    m_cmdLeft = static_cast<float>(position - m_cmdWidth / 2.0);
    drawTrack(position);
    drawCaption();
    if (m_isShowCmd) {
        skipOnError([&] { drawThumb(position); });
    }
    update();
}

void tVate::clearSurface() {
    const QSize size = surfaceSize();
    if (m_surface.size() != size) {
        m_surface = size.isEmpty() ? QImage() : QImage(size, SurfaceFormat);
    }
    if (m_surface.isNull()) {
        return;
    }
    m_surface.fill(resolveColour(m_backColor));
    if (!m_bkPicture.isEmpty()) {
        QPainter painter(&m_surface);
        painter.drawImage(QPoint(0, 0), m_bkPicture.image());
    }
}

void tVate::drawTrack(float position) {
    if (m_surface.isNull()) {
        return;
    }
    const double w = ScaleWidth();
    const double h = ScaleHeight();
    const double lw = m_leftPicWidth;
    const double rw = m_rightPicWidth;
    QPainter painter(&m_surface);
    // A missing slice or a piece of negative width draws nothing.
    const auto stretch = [&](const picture::Picture& slice, double x, double width) {
        const QRect target = pixelRect(x, 0, width, h);
        if (!slice.isEmpty() && width > 0 && target.isValid()) {
            painter.drawImage(target, slice.image());
        }
    };
    const auto crop = [&](const picture::Picture& slice, double x, double width) {
        const QRect area = pixelRect(x, 0, width, h);
        if (!slice.isEmpty() && width > 0 && area.isValid()) {
            painter.drawImage(area, slice.image(), area);
        }
    };
    if (m_style == 2) {
        stretch(m_leftPic, 0, lw);
        stretch(m_rightPic, w - rw, rw);
        stretch(m_leftMidPic, lw, position - lw);
        stretch(m_rightMidPic, position, w - position - rw);
    } else if (m_style == 3) {
        crop(m_leftMidPic, 0, position);
        crop(m_rightMidPic, position, w - position);
    } else {
        painter.end();
        drawGradient(m_gotTopColor, m_gotBottomColor, 0, position);
        drawGradient(m_topColor, m_bottomColor, position, static_cast<float>(w));
    }
}

void tVate::drawGradient(Colour topColour, Colour bottomColour, float x1, float x2) {
    if (m_surface.isNull()) {
        return;
    }
    const double controlHeight = height() * static_cast<double>(TwipsPerPixel);
    QPainter painter(&m_surface);
    const auto fill = [&](double y1, double y2, const QColor& colour) {
        const int left = common::twipsToPixels(x1);
        const int right = common::twipsToPixels(x2);
        const int top = common::twipsToPixels(y1);
        const int bottom = common::twipsToPixels(y2);
        painter.fillRect(QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                               QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1)),
                         colour);
    };
    if (topColour == bottomColour) {
        fill(0, controlHeight, resolveColour(topColour));
        return;
    }
    std::array<Colour, 11> bands{};
    try {
        bands = gradientBands(topColour, bottomColour);
    } catch (const common::RuntimeError&) {
        return;
    }
    const double band = static_cast<float>(controlHeight / 10.0);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        fill(band * static_cast<double>(i), band * static_cast<double>(i + 1),
             resolveColour(bands[i]));
    }
}

void tVate::drawCaption() {
    if (m_caption.isEmpty() || m_surface.isNull()) {
        return;
    }
    QPainter painter(&m_surface);
    painter.setFont(font());
    painter.setPen(resolveColour(ButtonText));
    const QFontMetricsF metrics(font(), &m_surface);
    const double textWidth = metrics.horizontalAdvance(m_caption) * TwipsPerPixel;
    const auto x = static_cast<float>((ScaleWidth() - textWidth) / 2);
    const double textHeight = metrics.height() * TwipsPerPixel;
    const auto y = static_cast<float>((ScaleHeight() - textHeight) / 2);
    painter.drawText(QPointF(x / TwipsPerPixel, y / TwipsPerPixel + metrics.ascent()), m_caption);
}

void tVate::drawThumb(float position) {
    const std::int32_t frame = GetMouseState();
    const double frameWidth = m_cmdWidth / double{TwipsPerPixel};
    picture::PaintTransPic(m_cmdPic, m_surface, common::toInt16(frameWidth * frame), 0,
                           common::toInt16(frameWidth), m_cmdHeight,
                           common::toInt16((position - m_cmdWidth / 2.0) / TwipsPerPixel), m_cmdTop,
                           ThumbKeyColour);
}

} // namespace rz4::skinctl
