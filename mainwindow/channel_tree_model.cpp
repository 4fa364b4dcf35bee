#include "mainwindow/channel_tree_model.h"

#include "guide/guide.h"

#include <QBrush>
#include <QDateTime>
#include <QTextDocument>

namespace rz4::mainwindow {

using channels::CompactTree;
using channels::NodeId;

QColor toQColor(channels::Colour c) {
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
            static_cast<int>((c >> 16) & 0xFF)};
}

ChannelTreeModel::ChannelTreeModel(int maxDepth, QObject* parent)
    : QAbstractItemModel(parent), m_tree(maxDepth) {}

void ChannelTreeModel::clear() {
    beginResetModel();
    m_tree.clear();
    endResetModel();
}

channels::ChannelNode* ChannelTreeModel::add(std::optional<std::string_view> relativeKey,
                                             int relationship, std::optional<std::string_view> key,
                                             std::string_view text) {
    // Views see no nodes from the first add to endOfList: a list of a million nodes is not
    // announced one by one.
    if (m_tree.readable() && m_tree.nodeCount() > 1) {
        beginResetModel();
        channels::ChannelNode* node = m_tree.add(relativeKey, relationship, key, text);
        endResetModel();
        return node;
    }
    return m_tree.add(relativeKey, relationship, key, text);
}

void ChannelTreeModel::endOfList() {
    beginResetModel();
    m_tree.endOfList();
    endResetModel();
}

void ChannelTreeModel::setImages(std::map<std::string, QIcon, std::less<>> images) {
    m_images = std::move(images);
}

void ChannelTreeModel::setGuide(std::shared_ptr<const guide::Guide> guide) {
    m_guide = std::move(guide);
}

QModelIndex ChannelTreeModel::indexOf(NodeId node) const {
    return node == CompactTree::Root ? QModelIndex() : createIndex(m_tree.row(node), 0, node);
}

NodeId ChannelTreeModel::nodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<NodeId>(index.internalId()) : CompactTree::Root;
}

QModelIndex ChannelTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent)) {
        return {};
    }
    return createIndex(row, 0, m_tree.child(nodeOf(parent), row));
}

QModelIndex ChannelTreeModel::parent(const QModelIndex& child) const {
    return child.isValid() ? indexOf(m_tree.parent(nodeOf(child))) : QModelIndex();
}

int ChannelTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.column() > 0 ? 0 : m_tree.childCount(nodeOf(parent));
}

int ChannelTreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

bool ChannelTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant ChannelTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const NodeId node = nodeOf(index);
    const channels::NodeLook& look = m_tree.look(node);
    switch (role) {
    case Qt::DisplayRole: {
        const std::string_view text = m_tree.text(node);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case TagRole: {
        const std::string_view tag = m_tree.tag(node);
        return QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size()));
    }
    case Qt::ToolTipRole: {
        if (!m_guide || m_tree.tag(node).empty()) {
            return {};
        }
        const std::string_view name = m_tree.text(node);
        const QString text = guide::nowNextText(
            m_guide->at(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                        QDateTime::currentSecsSinceEpoch()),
            QTimeZone::systemTimeZone());
        // Qt would show a title that looks like markup as markup: such a text goes escaped.
        return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal)
                                         : text;
    }
    case Qt::ForegroundRole:
        return look.foreColor ? QVariant(QBrush(toQColor(*look.foreColor))) : QVariant();
    case Qt::BackgroundRole:
        return look.backColor ? QVariant(QBrush(toQColor(*look.backColor))) : QVariant();
    case Qt::DecorationRole: {
        const auto it = m_images.find(m_tree.imageKey(look.image));
        return it == m_images.end() ? QVariant() : QVariant(it->second);
    }
    default:
        return {};
    }
}

Qt::ItemFlags ChannelTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Until the next reset nothing gains children: the view need not ask again.
    if (!hasChildren(index)) {
        f |= Qt::ItemNeverHasChildren;
    }
    return f;
}

} // namespace rz4::mainwindow
