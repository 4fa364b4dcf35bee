#pragma once

#include "channels/channel_finder.h"
#include "channels/channel_tree.h"
#include "mainwindow/channel_tree_model.h"

#include <QElapsedTimer>
#include <QPersistentModelIndex>
#include <QString>
#include <QTreeView>

namespace rz4::mainwindow {

// The channel tree on screen: a QTreeView over the compact channel model, rows of one height,
// laid out only where open. Typing selects the next channel whose name matches what was typed,
// opening its category and group.
class ChannelTreeWidget : public QTreeView, public channels::ChannelTree {
    Q_OBJECT
public:
    static constexpr int TagRole = ChannelTreeModel::TagRole;

    // Real lists are three levels deep; a list that nests deeper is refused past this depth.
    static constexpr int MaxDepth = 16;

    explicit ChannelTreeWidget(QWidget* parent = nullptr);

    void clear() override;
    void attachImageList() override;
    channels::ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                               std::optional<std::string_view> key, std::string_view text) override;
    void setItemHeight(int pixels) override;
    void setBackColor(channels::Colour c) override;
    void endOfList() override;

    // 0 until set: rows as tall as the font asks.
    int itemHeight() const { return m_itemHeight; }
    const ChannelTreeModel& channelModel() const { return *m_model; }
    void setGuide(std::shared_ptr<const guide::Guide> guide) {
        m_model->setGuide(std::move(guide));
    }
    // Waits until the channel names can be found by typing.
    void waitForTypeAhead() { m_finder.waitForIndex(); }

    void keyboardSearch(const QString& search) override;

    // Makes the node current and plays it as Enter on it does (an assistive tool's press).
    void chooseNode(const QModelIndex& node);

signals:
    // Enter on the current node, or chooseNode(): the window takes it as a click on that node.
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    class RowHeight;

    void scrollToLater(const QModelIndex& index);

    ChannelTreeModel* m_model;
    // Spells names in the background from the model's tree: as a member it stops before Qt
    // deletes the model, a child of the view.
    channels::ChannelFinder m_finder;
    // What was typed so far, and since when nothing more; invalid once another node is chosen.
    QString m_typed;
    QElapsedTimer m_sinceTyped;
    bool m_showingFound = false;
    int m_itemHeight = 0;
    QPersistentModelIndex m_scrollTarget;
    bool m_scrollQueued = false;
};

} // namespace rz4::mainwindow
