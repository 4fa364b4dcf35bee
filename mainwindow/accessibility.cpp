#include "mainwindow/accessibility.h"

#include "mainwindow/channel_tree_accessible.h"
#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/hot_area.h"
#include "skinctl/tvate.h"
#include "skinctl/tvate_accessible.h"

#include <QAccessibleWidget>

namespace rz4::mainwindow {

namespace {

// A hot area is the button the skin draws under it: named by its tooltip, pressed as clicked.
class HotAreaAccessible : public QAccessibleWidget {
public:
    explicit HotAreaAccessible(HotArea* area) : QAccessibleWidget(area, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return widget()->toolTip();
        case QAccessible::Description:
            return {}; // the tooltip is already the name
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            static_cast<HotArea*>(widget())->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

bool is(const QString& className, const QMetaObject& type) {
    return className == QLatin1String(type.className());
}

QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    if (!object->isWidgetType()) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (is(className, Form1::staticMetaObject)) {
        // A frameless window is still the program's frame, named by its caption.
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    // The drag strip has no tooltip and does nothing but move the window.
    if (is(className, HotArea::staticMetaObject) && !widget->toolTip().isEmpty()) {
        return new HotAreaAccessible(static_cast<HotArea*>(widget));
    }
    return nullptr;
}

} // namespace

void installAccessibility() {
    QAccessible::installFactory(&windowFactory);
    QAccessible::installFactory(&skinctl::tVateAccessible::factory);
    QAccessible::installFactory(&ChannelTreeAccessible::factory);
}

void nameControls(const Form1& form) {
    form.controls().TreeView1->setAccessibleName(QStringLiteral("频道列表"));
    form.controls().volume->setAccessibleName(QStringLiteral("音量"));
}

} // namespace rz4::mainwindow
