#include "mainwindow/channel_order.h"

namespace rz4::mainwindow {

namespace {

QModelIndex lastDescendant(const QAbstractItemModel& model, QModelIndex node) {
    for (int rows = model.rowCount(node); rows > 0; rows = model.rowCount(node)) {
        node = model.index(rows - 1, 0, node);
    }
    return node;
}

// The node after `node` in depth-first order, the first node after the last; from no node, the
// first.
QModelIndex following(const QAbstractItemModel& model, const QModelIndex& node) {
    if (model.rowCount(node) > 0) {
        return model.index(0, 0, node);
    }
    for (QModelIndex n = node; n.isValid(); n = n.parent()) {
        const QModelIndex sibling = n.siblingAtRow(n.row() + 1);
        if (sibling.isValid()) {
            return sibling;
        }
    }
    return model.index(0, 0);
}

// The node before `node` in depth-first order, the last node before the first; from no node, the
// last.
QModelIndex preceding(const QAbstractItemModel& model, const QModelIndex& node) {
    if (!node.isValid()) {
        return model.rowCount() > 0 ? lastDescendant(model, model.index(model.rowCount() - 1, 0))
                                    : QModelIndex();
    }
    if (node.row() > 0) {
        return lastDescendant(model, node.siblingAtRow(node.row() - 1));
    }
    if (node.parent().isValid()) {
        return node.parent();
    }
    return preceding(model, QModelIndex());
}

bool isChannel(const QModelIndex& node, int tagRole) {
    return !node.data(tagRole).toString().isEmpty();
}

} // namespace

QModelIndex adjacentChannel(const QAbstractItemModel& model, const QModelIndex& from,
                            Direction direction, int tagRole) {
    const auto step = [&](const QModelIndex& node) {
        return direction == Direction::Next ? following(model, node) : preceding(model, node);
    };
    const QModelIndex start = from.isValid() ? from.siblingAtColumn(0) : QModelIndex();
    QModelIndex node = step(start);
    if (!node.isValid()) {
        return {};
    }
    // Once round the whole tree at most: back at the start, or at the first node seen.
    const QModelIndex end = start.isValid() ? start : node;
    do {
        if (isChannel(node, tagRole)) {
            return node;
        }
        node = step(node);
    } while (node != end);
    return start.isValid() && isChannel(start, tagRole) ? start : QModelIndex();
}

} // namespace rz4::mainwindow
