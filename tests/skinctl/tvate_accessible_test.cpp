#include "skinctl/tvate_accessible.h"

#include "skinctl/tvate.h"

#include <gtest/gtest.h>

#include <QAccessible>

#include <vector>

namespace rz4::skinctl {
namespace {

TEST(TVateAccessible, ASliderWhoseValueAScreenReaderReadsAndSetsWithinItsRange) {
    QAccessible::installFactory(&tVateAccessible::factory);
    tVate control;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&control);
    ASSERT_NE(iface, nullptr);
    // A plain surface is no slider and has no value to set.
    control.setCanMove(false);
    EXPECT_EQ(iface->role(), QAccessible::Client);
    EXPECT_EQ(iface->valueInterface(), nullptr);

    control.setCanMove(true);
    control.setCaption(QStringLiteral("音量"));
    EXPECT_EQ(iface->role(), QAccessible::Slider);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("音量"));
    control.setAccessibleName(QStringLiteral("声音"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("声音"));

    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    std::vector<std::int32_t> changed;
    QObject::connect(&control, &tVate::Changed,
                     [&](std::int32_t& v, std::int32_t& /*max*/) { changed.push_back(v); });
    value->setCurrentValue(29.6);
    value->setCurrentValue(250);
    value->setCurrentValue(-3);
    value->setCurrentValue(QStringLiteral("loud"));
    EXPECT_EQ(changed, (std::vector<std::int32_t>{30, 100, 0}));
    EXPECT_EQ(value->currentValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), control.Max());
    EXPECT_EQ(value->minimumValue().toInt(), 0);
}

} // namespace
} // namespace rz4::skinctl
