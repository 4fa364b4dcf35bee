#include "skinctl/property_bag.h"

#include "common/runtime_error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QSettings>

#include <limits>
#include <utility>

namespace rz4::skinctl {

namespace {

bool holdsPicture(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<picture::Picture>();
}

// Numbers may come back from a file as text; both forms are accepted.
qint64 toInteger(const QVariant& v, qint64 lowest, qint64 highest) {
    bool ok = false;
    qint64 n = v.toLongLong(&ok);
    if (!ok) {
        // Whole numbers written as floating point are still numbers.
        const double d = v.toDouble(&ok);
        if (!ok || !(d >= -9.0e18 && d <= 9.0e18) ||
            d != static_cast<double>(static_cast<qint64>(d))) {
            common::raiseTypeMismatch();
        }
        n = static_cast<qint64>(d);
    }
    if (n < lowest || n > highest) {
        common::raiseOverflow();
    }
    return n;
}

QByteArray toPng(const picture::Picture& p) {
    QByteArray bytes;
    if (p.isEmpty()) {
        return bytes;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    p.image().save(&buffer, "PNG");
    return bytes;
}

} // namespace

QVariant MemoryPropertyBag::read(const QString& key, const QVariant& defaultValue) const {
    return m_values.value(key, defaultValue);
}

void MemoryPropertyBag::write(const QString& key, const QVariant& value,
                              const QVariant& defaultValue) {
    if (value == defaultValue) {
        m_values.remove(key);
        return;
    }
    m_values.insert(key, value);
}

SettingsPropertyBag::SettingsPropertyBag(QSettings& settings, QString group)
    : m_settings(settings), m_group(std::move(group)) {}

QString SettingsPropertyBag::path(const QString& key) const {
    return m_group.isEmpty() ? key : m_group + QLatin1Char('/') + key;
}

QVariant SettingsPropertyBag::read(const QString& key, const QVariant& defaultValue) const {
    if (!m_settings.contains(path(key))) {
        return defaultValue;
    }
    QVariant stored = m_settings.value(path(key));
    if (!holdsPicture(defaultValue)) {
        return stored;
    }
    const QByteArray bytes = stored.toByteArray();
    if (bytes.isEmpty()) {
        return QVariant::fromValue(picture::Picture());
    }
    QImage image;
    if (!image.loadFromData(bytes)) {
        common::raiseTypeMismatch();
    }
    return QVariant::fromValue(picture::Picture(std::move(image)));
}

void SettingsPropertyBag::write(const QString& key, const QVariant& value,
                                const QVariant& defaultValue) {
    if (value == defaultValue) {
        m_settings.remove(path(key));
        return;
    }
    m_settings.setValue(
        path(key), holdsPicture(value) ? QVariant(toPng(value.value<picture::Picture>())) : value);
}

std::int16_t readInt16(const PropertyBag& bag, const QString& key, std::int16_t defaultValue) {
    return static_cast<std::int16_t>(toInteger(bag.read(key, defaultValue),
                                               std::numeric_limits<std::int16_t>::min(),
                                               std::numeric_limits<std::int16_t>::max()));
}

std::int32_t readInt32(const PropertyBag& bag, const QString& key, std::int32_t defaultValue) {
    return static_cast<std::int32_t>(toInteger(bag.read(key, defaultValue),
                                               std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

std::uint32_t readColor(const PropertyBag& bag, const QString& key, std::uint32_t defaultValue) {
    // A signed 32-bit form of the same bits (system colours are negative there) is accepted too.
    return static_cast<std::uint32_t>(toInteger(bag.read(key, defaultValue),
                                                std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::uint32_t>::max()));
}

bool readBool(const PropertyBag& bag, const QString& key, bool defaultValue) {
    const QVariant v = bag.read(key, boolValue(defaultValue));
    if (v.metaType() == QMetaType::fromType<bool>()) {
        return v.toBool();
    }
    return toInteger(v, std::numeric_limits<std::int16_t>::min(),
                     std::numeric_limits<std::int16_t>::max()) != 0;
}

QString readString(const PropertyBag& bag, const QString& key, const QString& defaultValue) {
    const QVariant v = bag.read(key, defaultValue);
    if (!v.canConvert<QString>() || holdsPicture(v)) {
        common::raiseTypeMismatch();
    }
    return v.toString();
}

picture::Picture readPicture(const PropertyBag& bag, const QString& key) {
    const QVariant v = bag.read(key, QVariant::fromValue(picture::Picture()));
    if (!holdsPicture(v)) {
        common::raiseTypeMismatch();
    }
    return v.value<picture::Picture>();
}

} // namespace rz4::skinctl
