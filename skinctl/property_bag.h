#pragma once

#include "picture/picture.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>

class QSettings;

namespace rz4::skinctl {

// Where a host keeps a control's saved properties. read gives the stored value or the default when
// the key is absent; write may leave out a value equal to its default (both bags here do, and drop
// what an earlier save stored under that key).
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual QVariant read(const QString& key, const QVariant& defaultValue) const = 0;
    virtual void write(const QString& key, const QVariant& value, const QVariant& defaultValue) = 0;
};

// Holds the values as given, for hosts that keep the state in memory (and for copying).
class MemoryPropertyBag : public PropertyBag {
public:
    QVariant read(const QString& key, const QVariant& defaultValue) const override;
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue) override;

    bool contains(const QString& key) const { return m_values.contains(key); }
    qsizetype size() const { return m_values.size(); }

private:
    QHash<QString, QVariant> m_values;
};

// Keeps the values in a QSettings group, so a host can store them in an INI file or wherever its
// settings live. Pictures are stored as PNG data.
class SettingsPropertyBag : public PropertyBag {
public:
    explicit SettingsPropertyBag(QSettings& settings, QString group = {});

    QVariant read(const QString& key, const QVariant& defaultValue) const override;
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue) override;

private:
    QString path(const QString& key) const;

    QSettings& m_settings;
    QString m_group;
};

// Typed reads. A stored value of the wrong kind raises the type-mismatch error; a number out of
// the target's range raises the overflow error.
std::int16_t readInt16(const PropertyBag& bag, const QString& key, std::int16_t defaultValue);
std::int32_t readInt32(const PropertyBag& bag, const QString& key, std::int32_t defaultValue);
std::uint32_t readColor(const PropertyBag& bag, const QString& key, std::uint32_t defaultValue);
// Stored as -1 (true) and 0 (false).
bool readBool(const PropertyBag& bag, const QString& key, bool defaultValue);
QString readString(const PropertyBag& bag, const QString& key, const QString& defaultValue);
picture::Picture readPicture(const PropertyBag& bag, const QString& key);

// The form in which booleans go into a bag.
inline QVariant boolValue(bool b) {
    return {b ? -1 : 0};
}

} // namespace rz4::skinctl
