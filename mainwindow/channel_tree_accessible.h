#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QHash>
#include <QPointer>

namespace rz4::mainwindow {

class ChannelTreeWidget;

// The channel tree as screen readers see it: Qt's own tree interface (rows as laid out, the
// table, the events the view sends), with items of our own in front of Qt's cells. An item's press
// plays it exactly as Enter on it does, and its toggle selects that item, where Qt's cell selects
// the visible row numbered like the item's place in its group.
class ChannelTreeAccessible : public QAccessibleInterface, public QAccessibleTableInterface {
public:
    // For QAccessible::installFactory.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    ~ChannelTreeAccessible() override;
    ChannelTreeAccessible(const ChannelTreeAccessible&) = delete;
    ChannelTreeAccessible& operator=(const ChannelTreeAccessible&) = delete;

    ChannelTreeWidget* tree() const;
    // Our item in front of one of Qt's cells; other children as they are.
    QAccessibleInterface* wrap(QAccessibleInterface* qtChild) const;

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QAccessibleInterface* caption() const override;
    QAccessibleInterface* summary() const override;
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    ChannelTreeAccessible(ChannelTreeWidget* tree, QAccessibleInterface* qt);
    QAccessibleTableInterface* table() const { return m_qt->tableInterface(); }
    void dropItems() const;

    QPointer<ChannelTreeWidget> m_tree;
    QAccessibleInterface* m_qt;
    QAccessible::Id m_qtId;
    // The child's number among the tree's children → our item.
    mutable QHash<int, QAccessible::Id> m_items;
};

} // namespace rz4::mainwindow
