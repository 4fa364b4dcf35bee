#include "skinctl/property_bag.h"
#include "skinctl/tvate.h"

#include "common/runtime_error.h"
#include "tests/skinctl/test_support.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace rz4::skinctl {
namespace {

using testskin::errorNumber;

using picture::Picture;

// Answers every read with its default and remembers what it was asked and given, in order.
class RecordingBag : public PropertyBag {
public:
    struct Entry {
        QString key;
        QVariant value;
        QVariant defaultValue;
    };
    QVariant read(const QString& key, const QVariant& defaultValue) const override {
        reads.push_back({key, {}, defaultValue});
        return defaultValue;
    }
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue) override {
        writes.push_back({key, value, defaultValue});
    }
    mutable std::vector<Entry> reads;
    std::vector<Entry> writes;
};

QStringList keysOf(const std::vector<RecordingBag::Entry>& entries) {
    QStringList keys;
    for (const auto& e : entries) {
        keys << e.key;
    }
    return keys;
}

QImage checker() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    image.setPixel(2, 1, qRgb(250, 0, 7));
    return image;
}

// Every persisted property away from its default.
void configure(tVate& c) {
    c.setStyle(4);
    c.setMax(50);
    c.setValue(7);
    c.setBkPicture(Picture(checker()));
    c.setAppearance(1);
    c.setBorderStyle(1);
    c.setBite_LP(2);
    c.setBite_RP(-3);
    c.setIsShowCmd(false);
    c.setTopColor(0x0000FF);
    c.setBottomColor(0x8000000F);
    c.setGotTopColor(0x00FF00);
    c.setGotBottomColor(0x123456);
    c.setCaption(QStringLiteral("音量"));
    c.setCanMove(true);
}

void expectConfigured(const tVate& c) {
    EXPECT_EQ(c.Style(), 4);
    EXPECT_EQ(c.Max(), 50);
    EXPECT_EQ(c.Value(), 7);
    EXPECT_EQ(c.BkPicture().image().convertToFormat(QImage::Format_RGB32), checker());
    EXPECT_EQ(c.Appearance(), 1);
    EXPECT_EQ(c.BorderStyle(), 1);
    EXPECT_EQ(c.Bite_LP(), 2);
    EXPECT_EQ(c.Bite_RP(), -3);
    EXPECT_FALSE(c.IsShowCmd());
    EXPECT_EQ(c.TopColor(), 0x0000FFu);
    EXPECT_EQ(c.BottomColor(), 0x8000000Fu);
    EXPECT_EQ(c.GotTopColor(), 0x00FF00u);
    EXPECT_EQ(c.GotBottomColor(), 0x123456u);
    EXPECT_EQ(c.Caption(), QStringLiteral("音量"));
    EXPECT_TRUE(c.CanMove());
}

using PropertyBagTest = ::testing::Test;

TEST_F(PropertyBagTest, SavesFifteenKeysInOrderWithTheirDefaults) {
    tVate c;
    c.setBackColor(0x00ABCDEF);
    c.setBite_LP(2);
    RecordingBag bag;
    c.UserControl_WriteProperties(bag);
    const QStringList order = {"Style",          "Value",       "Max",         "BKPicture",
                               "Appearance",     "BorderStyle", "Bite_LP",     "Bite_RP",
                               "IsShowCmd",      "TopColor",    "BottomColor", "GotTopColor",
                               "GotBottomColor", "Caption",     "CanMove"};
    ASSERT_EQ(keysOf(bag.writes), order);
    const auto& w = bag.writes;
    EXPECT_EQ(w[0].defaultValue.toInt(), 2);
    EXPECT_EQ(w[1].defaultValue.toInt(), 1);
    EXPECT_EQ(w[2].defaultValue.toInt(), 100);
    EXPECT_TRUE(w[3].defaultValue.value<Picture>().isEmpty());
    EXPECT_EQ(w[6].value.toInt(), 30); // twips
    EXPECT_EQ(w[8].value.toInt(), -1);
    EXPECT_EQ(w[8].defaultValue.toInt(), -1);
    EXPECT_EQ(w[9].defaultValue.toUInt(), 0x00ABCDEFu);
    EXPECT_EQ(w[10].defaultValue.toUInt(), 0x00ABCDEFu);
    EXPECT_EQ(w[11].defaultValue.toUInt(), 0xFF0000u);
    EXPECT_EQ(w[12].defaultValue.toUInt(), 0xFF0000u);
    EXPECT_EQ(w[14].value.toInt(), 0);
    EXPECT_EQ(w[14].defaultValue.toInt(), -1);
}

TEST_F(PropertyBagTest, LoadsInItsOwnOrderWithoutRepaintOrNotification) {
    tVate c;
    c.setBackColor(0x00112233);
    c.resize(100, 13);
    c.setValue(50);
    const float cmdLeft = c.CmdLeft();
    int notifications = 0;
    QObject::connect(&c, &tVate::propertyChanged, [&] { ++notifications; });
    QObject::connect(&c, &tVate::Changed, [&] { ++notifications; });
    RecordingBag bag;
    c.UserControl_ReadProperties(bag);
    const QStringList order = {"Style",          "Value",       "Max",         "BKPicture",
                               "Appearance",     "BorderStyle", "Bite_LP",     "Bite_RP",
                               "IsShowCmd",      "TopColor",    "BottomColor", "GotTopColor",
                               "GotBottomColor", "CanMove",     "Caption"};
    EXPECT_EQ(keysOf(bag.reads), order);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(c.CmdLeft(), cmdLeft);
    // All defaults: the loading surface's colour for the two plain colours.
    EXPECT_EQ(c.Value(), 1);
    EXPECT_TRUE(c.CanMove());
    EXPECT_EQ(c.TopColor(), 0x00112233u);
    EXPECT_EQ(c.BottomColor(), 0x00112233u);
    EXPECT_EQ(c.GotTopColor(), 0xFF0000u);
}

TEST_F(PropertyBagTest, CreationValuesNeedNoEntries) {
    tVate saved;
    MemoryPropertyBag bag;
    saved.UserControl_WriteProperties(bag);
    for (const char* key : {"Style", "Value", "Max", "IsShowCmd", "BKPicture", "Caption"}) {
        EXPECT_FALSE(bag.contains(key)) << key;
    }
    EXPECT_TRUE(bag.contains("CanMove"));
    EXPECT_TRUE(bag.contains("GotTopColor"));
    tVate loaded;
    loaded.setCanMove(true);
    loaded.UserControl_ReadProperties(bag);
    EXPECT_EQ(loaded.Style(), 2);
    EXPECT_EQ(loaded.Value(), 1);
    EXPECT_EQ(loaded.Max(), 100);
    EXPECT_TRUE(loaded.IsShowCmd());
    EXPECT_FALSE(loaded.CanMove());
    EXPECT_EQ(loaded.GotTopColor(), 0u);
}

TEST_F(PropertyBagTest, MemoryRoundTripAndStaleKeysDropped) {
    tVate saved;
    configure(saved);
    MemoryPropertyBag bag;
    saved.UserControl_WriteProperties(bag);
    tVate loaded;
    loaded.UserControl_ReadProperties(bag);
    expectConfigured(loaded);
    // Saving again with defaults removes what the first save stored.
    tVate plain;
    plain.UserControl_WriteProperties(bag);
    EXPECT_FALSE(bag.contains("Style"));
    EXPECT_FALSE(bag.contains("BKPicture"));
}

TEST_F(PropertyBagTest, BackColorDefaultFollowsTheLoadingSurface) {
    tVate saved;
    saved.setBackColor(0x000080);
    saved.setTopColor(0x000080);
    MemoryPropertyBag bag;
    saved.UserControl_WriteProperties(bag);
    EXPECT_FALSE(bag.contains("TopColor"));
    EXPECT_TRUE(bag.contains("BottomColor"));
    tVate loaded;
    loaded.setBackColor(0x00FF00);
    loaded.UserControl_ReadProperties(bag);
    EXPECT_EQ(loaded.TopColor(), 0x00FF00u);
    EXPECT_EQ(loaded.BottomColor(), 0u);
}

TEST_F(PropertyBagTest, SettingsFileRoundTrip) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("volume.ini");
    {
        tVate saved;
        configure(saved);
        QSettings settings(file, QSettings::IniFormat);
        SettingsPropertyBag bag(settings, "volume");
        saved.UserControl_WriteProperties(bag);
    }
    QSettings settings(file, QSettings::IniFormat);
    EXPECT_EQ(settings.value("volume/Bite_LP").toInt(), 30);
    SettingsPropertyBag bag(settings, "volume");
    tVate loaded;
    loaded.UserControl_ReadProperties(bag);
    expectConfigured(loaded);
}

TEST_F(PropertyBagTest, BadStoredValuesStopLoadingAtThatKey) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings settings(dir.filePath("bad.ini"), QSettings::IniFormat);
    SettingsPropertyBag bag(settings);
    settings.setValue("Style", "7");
    settings.setValue("Value", "seven");
    tVate c;
    EXPECT_EQ(errorNumber([&] { c.UserControl_ReadProperties(bag); }), 13);
    EXPECT_EQ(c.Style(), 7); // read before the failing key
    EXPECT_EQ(c.Value(), 1);

    settings.setValue("Value", 3.0);
    settings.setValue("Bite_LP", 40000);
    EXPECT_EQ(errorNumber([&] { c.UserControl_ReadProperties(bag); }), common::err::Overflow);
    EXPECT_EQ(c.Value(), 3);

    settings.setValue("Bite_LP", 45);
    settings.setValue("BKPicture", QByteArray("not an image"));
    EXPECT_EQ(errorNumber([&] { c.UserControl_ReadProperties(bag); }), 13);
}

} // namespace
} // namespace rz4::skinctl
