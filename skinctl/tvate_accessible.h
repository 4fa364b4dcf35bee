#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace rz4::skinctl {

class tVate;

// What a screen reader sees of a tVate: a slider with its value, which it can also set; or, when
// the control cannot be moved, a plain surface. Named by the widget's accessible name, else by
// its Caption.
class tVateAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit tVateAccessible(tVate* control);

    // For QAccessible::installFactory.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    // Moves the thumb as the user would, within 0 to Max, so the control's own events fire.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    tVate& control() const;
};

} // namespace rz4::skinctl
