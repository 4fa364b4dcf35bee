#include "skinctl/tvate_accessible.h"

#include "skinctl/tvate.h"

#include <algorithm>
#include <cmath>

namespace rz4::skinctl {

tVateAccessible::tVateAccessible(tVate* control) : QAccessibleWidget(control) {}

QAccessibleInterface* tVateAccessible::factory(const QString& className, QObject* object) {
    if (className == QLatin1String(tVate::staticMetaObject.className()) && object->isWidgetType()) {
        return new tVateAccessible(static_cast<tVate*>(object));
    }
    return nullptr;
}

tVate& tVateAccessible::control() const {
    return *static_cast<tVate*>(widget());
}

QAccessible::Role tVateAccessible::role() const {
    return control().CanMove() ? QAccessible::Slider : QAccessible::Client;
}

QString tVateAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        return control().Caption();
    }
    return QAccessibleWidget::text(t);
}

void* tVateAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface && control().CanMove()) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QVariant tVateAccessible::currentValue() const {
    return control().Value();
}

void tVateAccessible::setCurrentValue(const QVariant& value) {
    bool ok = false;
    const double wanted = value.toDouble(&ok);
    if (!ok || !control().isEnabled() || !control().CanMove()) {
        return;
    }
    const double top = std::max(control().Max(), 0);
    control().setValue(static_cast<std::int32_t>(std::lround(std::clamp(wanted, 0.0, top))));
}

QVariant tVateAccessible::maximumValue() const {
    return std::max(control().Max(), 0);
}

QVariant tVateAccessible::minimumValue() const {
    return 0;
}

QVariant tVateAccessible::minimumStepSize() const {
    return 1;
}

} // namespace rz4::skinctl
