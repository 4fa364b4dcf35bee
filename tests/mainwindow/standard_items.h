#pragma once

#include <QStandardItem>

namespace rz4::testing {

// The role a channel's address is kept in, as in the channel tree.
inline constexpr int Tag = Qt::UserRole;

// A node of a plain item model: a channel when it has an address, a group or category otherwise.
inline QStandardItem* node(const QString& text, const QString& tag = {},
                           const QList<QStandardItem*>& children = {}) {
    auto* item = new QStandardItem(text);
    if (!tag.isEmpty()) {
        item->setData(tag, Tag);
    }
    item->appendRows(children);
    return item;
}

} // namespace rz4::testing
