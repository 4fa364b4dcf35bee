#pragma once

#include <QAbstractItemModel>
#include <QModelIndex>

namespace rz4::mainwindow {

enum class Direction { Previous, Next };

// The channel before or after `from` in the tree's order (depth first, crossing groups and
// categories, wrapping at the ends). A channel is a node whose tag role holds an address. From
// no node at all, Next is the first channel and Previous the last; a tree without channels has
// none to give.
QModelIndex adjacentChannel(const QAbstractItemModel& model, const QModelIndex& from,
                            Direction direction, int tagRole);

} // namespace rz4::mainwindow
