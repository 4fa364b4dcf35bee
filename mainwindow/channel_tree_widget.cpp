#include "mainwindow/channel_tree_widget.h"

#include <QColor>
#include <QPalette>
#include <QStyledItemDelegate>

namespace rz4::mainwindow {

namespace {

QColor toQColor(channels::Colour c) {
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
            static_cast<int>((c >> 16) & 0xFF)};
}

} // namespace

class ChannelTreeWidget::Node : public QTreeWidgetItem, public channels::ChannelNode {
public:
    Node(ChannelTreeWidget* tree, const QString& text) : m_tree(tree) { setText(0, text); }

    void EnsureVisible() override {
        for (QTreeWidgetItem* p = parent(); p != nullptr; p = p->parent()) {
            p->setExpanded(true);
        }
        m_tree->scrollToLater(this);
    }
    void setTag(std::string_view tag) override {
        setData(0, TagRole, QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size())));
    }
    void setForeColor(channels::Colour c) override { setForeground(0, toQColor(c)); }
    void setBackColor(channels::Colour c) override { setBackground(0, toQColor(c)); }
    void setImage(std::string_view imageKey) override { setIcon(0, m_tree->imageFor(imageKey)); }

private:
    ChannelTreeWidget* m_tree;
};

// Every row gets the tree's item height, whatever the font would ask for.
class ChannelTreeWidget::RowHeight : public QStyledItemDelegate {
public:
    explicit RowHeight(ChannelTreeWidget* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (m_tree->itemHeight() > 0) {
            s.setHeight(m_tree->itemHeight());
        }
        return s;
    }

private:
    ChannelTreeWidget* m_tree;
};

ChannelTreeWidget::ChannelTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setItemDelegate(new RowHeight(this));
    // A click toggles a node itself; a double click must not toggle it a third time.
    setExpandsOnDoubleClick(false);
}

void ChannelTreeWidget::clear() {
    QTreeWidget::clear();
    m_keys.clear();
}

void ChannelTreeWidget::attachImageList() {
    m_images = {{"jie", QIcon(QStringLiteral(":/tree/jie.png"))},
                {"jia", QIcon(QStringLiteral(":/tree/jia.png"))}};
    setIconSize(QSize(16, 16));
}

QIcon ChannelTreeWidget::imageFor(std::string_view key) const {
    const auto it = m_images.find(key);
    return it == m_images.end() ? QIcon() : it->second;
}

channels::ChannelNode* ChannelTreeWidget::add(std::optional<std::string_view> relativeKey,
                                              int relationship, std::optional<std::string_view> key,
                                              std::string_view text) {
    if (key && m_keys.contains(std::string(*key))) {
        return nullptr;
    }
    QTreeWidgetItem* parentItem = nullptr;
    if (relativeKey) {
        const auto it = m_keys.find(std::string(*relativeKey));
        if (it == m_keys.end() || relationship != channels::RelationshipChild) {
            return nullptr;
        }
        parentItem = it->second;
        int depth = 1;
        for (const QTreeWidgetItem* up = parentItem; up != nullptr && depth <= MaxDepth;
             up = up->parent()) {
            ++depth;
        }
        if (depth > MaxDepth) {
            return nullptr;
        }
    }
    auto* node =
        new Node(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (parentItem != nullptr) {
        parentItem->addChild(node);
    } else {
        addTopLevelItem(node);
    }
    if (key) {
        m_keys.emplace(std::string(*key), node);
    }
    return node;
}

void ChannelTreeWidget::scrollToLater(QTreeWidgetItem* item) {
    // Each scroll lays the whole tree out, and a list makes one group after another visible:
    // only the last one counts, so the view scrolls once, when the list is in.
    m_scrollTarget = indexFromItem(item);
    if (!m_scrollQueued) {
        m_scrollQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scrollQueued = false;
                if (m_scrollTarget.isValid()) {
                    scrollTo(m_scrollTarget);
                }
            },
            Qt::QueuedConnection);
    }
}

void ChannelTreeWidget::setItemHeight(int pixels) {
    m_itemHeight = pixels;
    // The delegate's hint changed: let the view measure the rows again.
    scheduleDelayedItemsLayout();
}

void ChannelTreeWidget::setBackColor(channels::Colour c) {
    QPalette p = palette();
    p.setColor(QPalette::Base, toQColor(c));
    p.setColor(QPalette::Window, toQColor(c));
    setPalette(p);
}

QString ChannelTreeWidget::tagOf(const QTreeWidgetItem* item) {
    return item == nullptr ? QString() : item->data(0, TagRole).toString();
}

} // namespace rz4::mainwindow
