#include "mainwindow/channel_tree_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QStyledItemDelegate>

namespace rz4::mainwindow {

using channels::CompactTree;
using channels::NodeId;

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

ChannelTreeWidget::ChannelTreeWidget(QWidget* parent)
    : QTreeView(parent), m_model(new ChannelTreeModel(MaxDepth, this)) {
    setModel(m_model);
    setHeaderHidden(true);
    // One row height for all: the view places a row by arithmetic instead of measuring the rows
    // above it.
    setUniformRowHeights(true);
    setItemDelegate(new RowHeight(this));
    // A click toggles a node itself; a double click must not toggle it a third time.
    setExpandsOnDoubleClick(false);
}

void ChannelTreeWidget::clear() {
    m_finder.stop();
    m_model->clear();
}

void ChannelTreeWidget::attachImageList() {
    m_model->setImages({{"jie", QIcon(QStringLiteral(":/tree/jie.png"))},
                        {"jia", QIcon(QStringLiteral(":/tree/jia.png"))}});
    setIconSize(QSize(16, 16));
    viewport()->update();
}

channels::ChannelNode* ChannelTreeWidget::add(std::optional<std::string_view> relativeKey,
                                              int relationship, std::optional<std::string_view> key,
                                              std::string_view text) {
    if (m_model->tree().readable()) {
        m_finder.stop();
    }
    return m_model->add(relativeKey, relationship, key, text);
}

void ChannelTreeWidget::endOfList() {
    m_model->endOfList();
    const CompactTree& tree = m_model->tree();
    for (const NodeId node : tree.opened()) {
        expand(m_model->indexOf(node));
    }
    if (const std::optional<NodeId> shown = tree.shown()) {
        scrollToLater(m_model->indexOf(*shown));
    }
    m_finder.index(tree);
}

void ChannelTreeWidget::scrollToLater(const QModelIndex& index) {
    // Scrolling lays the open rows out: once, when the window has come up, not while it is built.
    m_scrollTarget = index;
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

void ChannelTreeWidget::keyboardSearch(const QString& search) {
    const bool goesOn =
        m_sinceTyped.isValid() && !m_sinceTyped.hasExpired(QApplication::keyboardInputInterval());
    m_typed = goesOn ? m_typed + search : search;
    NodeId from = CompactTree::Root;
    if (const QModelIndex current = currentIndex(); current.isValid()) {
        from = ChannelTreeModel::nodeOf(current);
        // A new search looks past the current node; more letters may still fit it.
        if (!goesOn) {
            from = m_model->tree().next(from);
        }
    }
    if (const std::optional<NodeId> found = m_finder.find(m_typed.toStdString(), from)) {
        const QModelIndex index = m_model->indexOf(*found);
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) {
            expand(p);
        }
        m_showingFound = true;
        setCurrentIndex(index);
        m_showingFound = false;
        scrollTo(index);
    }
    // Counted from when this letter was dealt with: letters typed while the names were still being
    // spelt belong to the same search.
    m_sinceTyped.start();
}

void ChannelTreeWidget::chooseNode(const QModelIndex& node) {
    setCurrentIndex(node);
    m_sinceTyped.invalidate();
    emit enterPressed();
}

void ChannelTreeWidget::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        chooseNode(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ChannelTreeWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    // A click or an arrow key elsewhere: what is typed next is a new search.
    if (!m_showingFound) {
        m_sinceTyped.invalidate();
    }
}

} // namespace rz4::mainwindow
