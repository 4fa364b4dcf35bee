#include "skinctl/tvate.h"

#include "common/numeric.h"
#include "common/twips.h"
#include "skinctl/property_bag.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimer>

#include <utility>

namespace rz4::skinctl {

using common::TwipsPerPixel;

namespace {

constexpr Colour ButtonFace = common::SystemColourFlag | 15;
constexpr int HoverIntervalMs = 10;

std::int16_t buttonCode(Qt::MouseButtons buttons) {
    int code = 0;
    code |= (buttons & Qt::LeftButton) ? 1 : 0;
    code |= (buttons & Qt::RightButton) ? 2 : 0;
    code |= (buttons & Qt::MiddleButton) ? 4 : 0;
    return static_cast<std::int16_t>(code);
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    int code = 0;
    code |= (modifiers & Qt::ShiftModifier) ? 1 : 0;
    code |= (modifiers & Qt::ControlModifier) ? 2 : 0;
    code |= (modifiers & Qt::AltModifier) ? 4 : 0;
    return static_cast<std::int16_t>(code);
}

} // namespace

tVate::tVate(QWidget* parent)
    : QWidget(parent), m_backColor(ButtonFace), m_hoverTimer(new QTimer(this)),
      m_widgetUnderPointer([] { return QApplication::widgetAt(QCursor::pos()); }) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_hoverTimer->setInterval(HoverIntervalMs);
    connect(m_hoverTimer, &QTimer::timeout, this, &tVate::Timer1_Timer);
    writeInitialProperties();
}

tVate::~tVate() = default;

void tVate::writeInitialProperties() {
    setMax(100);
    setValue(1);
    setStyle(2);
    setIsShowCmd(true);
}

// ---- properties ----

void tVate::setCaption(const QString& caption) {
    m_caption = caption;
    emit propertyChanged(QStringLiteral("Caption"));
}

WId tVate::hwnd() const {
    return effectiveWinId();
}

void tVate::setcMouseIcon(const picture::Picture& icon) {
    m_mouseIcon = icon;
    applyCursor();
    emit propertyChanged(QStringLiteral("cMouseIcon"));
}

void tVate::setcMousePointer(std::int16_t pointer) {
    m_mousePointer = pointer;
    applyCursor();
    emit propertyChanged(QStringLiteral("cMousePointer"));
}

void tVate::setBkPicture(const picture::Picture& picture) {
    m_bkPicture = picture;
    Redraw();
    emit propertyChanged(QStringLiteral("BKPicture"));
}

void tVate::setAppearance(std::int16_t appearance) {
    m_appearance = appearance;
    applyFrame();
    emit propertyChanged(QStringLiteral("Appearance"));
}

void tVate::setBorderStyle(std::int16_t borderStyle) {
    m_borderStyle = borderStyle;
    applyFrame();
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void tVate::setStyle(std::int32_t style) {
    m_style = style;
    Redraw();
    emit propertyChanged(QStringLiteral("Style"));
}

void tVate::setCanMove(bool canMove) {
    m_canMove = canMove;
    Redraw();
    emit propertyChanged(QStringLiteral("CanMove"));
}

void tVate::writeColour(Colour& field, Colour colour, const QString& name) {
    field = colour;
    Redraw();
    emit propertyChanged(name);
}

void tVate::setTopColor(Colour colour) {
    writeColour(m_topColor, colour, QStringLiteral("TopColor"));
}

void tVate::setBottomColor(Colour colour) {
    writeColour(m_bottomColor, colour, QStringLiteral("BottomColor"));
}

void tVate::setGotTopColor(Colour colour) {
    writeColour(m_gotTopColor, colour, QStringLiteral("GotTopColor"));
}

void tVate::setGotBottomColor(Colour colour) {
    writeColour(m_gotBottomColor, colour, QStringLiteral("GotBottomColor"));
}

void tVate::setMax(std::int32_t max) {
    m_max = max;
    Redraw();
    emit propertyChanged(QStringLiteral("Max"));
}

void tVate::writeBite(std::int16_t& field, std::int16_t pixels, const QString& name) {
    field = common::mul16(pixels, TwipsPerPixel);
    emit propertyChanged(name);
}

std::int16_t tVate::Bite_LP() const {
    return common::toInt16(m_biteLP / double{TwipsPerPixel});
}

void tVate::setBite_LP(std::int16_t pixels) {
    writeBite(m_biteLP, pixels, QStringLiteral("Bite_LP"));
}

std::int16_t tVate::Bite_RP() const {
    return common::toInt16(m_biteRP / double{TwipsPerPixel});
}

void tVate::setBite_RP(std::int16_t pixels) {
    writeBite(m_biteRP, pixels, QStringLiteral("Bite_RP"));
}

void tVate::setValue(std::int32_t value) {
    // The user's drag owns the value while the thumb is held.
    if (!m_isMouseDown) {
        const bool moved = value != m_value;
        m_value = value;
        Redraw();
        if (moved) {
            announceValue();
        }
        emit Changed(m_value, m_max);
    }
    emit propertyChanged(QStringLiteral("Value"));
}

void tVate::setIsShowCmd(bool show) {
    m_isShowCmd = show;
    Redraw();
    emit propertyChanged(QStringLiteral("IsShowCmd"));
}

void tVate::setBackColor(Colour colour) {
    m_backColor = colour;
    update();
}

// Screen readers hear the new value however it came: a drag, a key, or their own setting.
void tVate::announceValue() {
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

// ---- mouse ----

std::int32_t tVate::GetMouseState() {
    if (!isEnabled()) {
        return 3;
    }
    if (!m_canMove) {
        return 0;
    }
    std::int32_t s = 0;
    if (m_isMouseDown) {
        s = 2;
    } else if (m_isMouseIn && pointerOnThumb()) {
        s = 1;
    }
    if (s != 0) {
        emit MouseOverCmd();
    } else {
        emit MouseOutCmd();
    }
    return s;
}

bool tVate::pointerOnThumb() const {
    const float right = m_cmdLeft + static_cast<float>(m_cmdWidth);
    return m_cmdLeft < m_mouseX && m_mouseX < right;
}

bool tVate::pointerInControl() const {
    return m_widgetUnderPointer() == this;
}

void tVate::setWidgetUnderPointer(std::function<QWidget*()> probe) {
    m_widgetUnderPointer = std::move(probe);
}

bool tVate::isHoverTimerActive() const {
    return m_hoverTimer->isActive();
}

void tVate::UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float x, float y) {
    emit MouseMove(Button, Shift, x, y);
    m_isMouseIn = true;
    // Enabling a running timer leaves its period as it is.
    if (!m_hoverTimer->isActive()) {
        m_hoverTimer->start();
    }
    m_mouseX = x;
    if (!m_canMove) {
        return;
    }
    if (Button == 1) {
        const std::int16_t t = m_isShowCmd ? m_cmdWidth : std::int16_t{0};
        const TrackGeometry g{ScaleWidth(), m_leftPicWidth, m_rightPicWidth, t, m_biteLP, m_biteRP};
        const std::int32_t before = m_value;
        m_value = valueAtPointer(g, x, m_max, m_value);
        if (m_value != before) {
            announceValue();
        }
        emit Changed(m_value, m_max);
    }
    Redraw();
}

void tVate::UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float x, float y) {
    emit MouseDown(Button, Shift, x, y);
    if (Button == 1) {
        m_isMouseDown = true;
        UserControl_MouseMove(Button, Shift, x, y);
    }
}

void tVate::UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float x, float y) {
    emit MouseUp(Button, Shift, x, y);
    m_isMouseDown = false;
    Redraw();
}

void tVate::UserControl_Click() {
    emit Click();
}

void tVate::UserControl_DblClick() {
    emit DBClick();
}

void tVate::Timer1_Timer() {
    if (pointerInControl()) {
        return;
    }
    m_hoverTimer->stop();
    m_isMouseIn = false;
    Redraw();
}

QPointF tVate::surfaceTwips(const QMouseEvent& event) const {
    return (event.position() - QPointF(borderWidth(), borderWidth())) * TwipsPerPixel;
}

void tVate::handlePress(QMouseEvent* event) {
    const std::int16_t button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    m_clickArmed = true;
    const QPointF at = surfaceTwips(*event);
    UserControl_MouseDown(button, shiftCode(event->modifiers()), static_cast<float>(at.x()),
                          static_cast<float>(at.y()));
}

void tVate::mousePressEvent(QMouseEvent* event) {
    m_doubleClicked = false;
    handlePress(event);
}

void tVate::mouseDoubleClickEvent(QMouseEvent* event) {
    // A fast second click still moves the thumb; its release reports the double click.
    m_doubleClicked = true;
    handlePress(event);
}

void tVate::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = surfaceTwips(*event);
    UserControl_MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()),
                          static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void tVate::mouseReleaseEvent(QMouseEvent* event) {
    const std::int16_t button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    const QPointF at = surfaceTwips(*event);
    UserControl_MouseUp(button, shiftCode(event->modifiers()), static_cast<float>(at.x()),
                        static_cast<float>(at.y()));
    // Released over the control after a press on it: a click.
    if (m_clickArmed && rect().contains(event->position().toPoint())) {
        if (m_doubleClicked) {
            UserControl_DblClick();
        } else {
            UserControl_Click();
        }
    }
    if (event->buttons() == Qt::NoButton) {
        m_clickArmed = false;
        m_doubleClicked = false;
    }
}

// ---- persistence ----

void tVate::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.write(QStringLiteral("Style"), m_style, 2);
    bag.write(QStringLiteral("Value"), m_value, 1);
    bag.write(QStringLiteral("Max"), m_max, 100);
    bag.write(QStringLiteral("BKPicture"), QVariant::fromValue(m_bkPicture),
              QVariant::fromValue(picture::Picture()));
    bag.write(QStringLiteral("Appearance"), m_appearance, 0);
    bag.write(QStringLiteral("BorderStyle"), m_borderStyle, 0);
    bag.write(QStringLiteral("Bite_LP"), m_biteLP, 0);
    bag.write(QStringLiteral("Bite_RP"), m_biteRP, 0);
    bag.write(QStringLiteral("IsShowCmd"), boolValue(m_isShowCmd), boolValue(true));
    bag.write(QStringLiteral("TopColor"), m_topColor, m_backColor);
    bag.write(QStringLiteral("BottomColor"), m_bottomColor, m_backColor);
    bag.write(QStringLiteral("GotTopColor"), m_gotTopColor, Colour{0xFF0000});
    bag.write(QStringLiteral("GotBottomColor"), m_gotBottomColor, Colour{0xFF0000});
    bag.write(QStringLiteral("Caption"), m_caption, QString());
    bag.write(QStringLiteral("CanMove"), boolValue(m_canMove), boolValue(true));
}

void tVate::UserControl_ReadProperties(const PropertyBag& bag) {
    m_style = readInt32(bag, QStringLiteral("Style"), 2);
    m_value = readInt32(bag, QStringLiteral("Value"), 1);
    m_max = readInt32(bag, QStringLiteral("Max"), 100);
    m_bkPicture = readPicture(bag, QStringLiteral("BKPicture"));
    m_appearance = readInt16(bag, QStringLiteral("Appearance"), 0);
    m_borderStyle = readInt16(bag, QStringLiteral("BorderStyle"), 0);
    // The frame shows at once; the surface is recomposed at the next repaint.
    update();
    m_biteLP = readInt16(bag, QStringLiteral("Bite_LP"), 0);
    m_biteRP = readInt16(bag, QStringLiteral("Bite_RP"), 0);
    m_isShowCmd = readBool(bag, QStringLiteral("IsShowCmd"), true);
    m_topColor = readColor(bag, QStringLiteral("TopColor"), m_backColor);
    m_bottomColor = readColor(bag, QStringLiteral("BottomColor"), m_backColor);
    m_gotTopColor = readColor(bag, QStringLiteral("GotTopColor"), 0xFF0000);
    m_gotBottomColor = readColor(bag, QStringLiteral("GotBottomColor"), 0xFF0000);
    m_canMove = readBool(bag, QStringLiteral("CanMove"), true);
    m_caption = readString(bag, QStringLiteral("Caption"), QString());
}

} // namespace rz4::skinctl
