#include "mainwindow/channel_tree_accessible.h"

#include "mainwindow/channel_tree_widget.h"

#include <QItemSelectionModel>

namespace rz4::mainwindow {

namespace {

// One channel, category or group of the tree, in front of Qt's cell for it: Qt's cell tells what
// it shows; the actions are ours.
class ChannelItemAccessible : public QAccessibleInterface,
                              public QAccessibleTableCellInterface,
                              public QAccessibleActionInterface {
public:
    ChannelItemAccessible(const ChannelTreeAccessible& tree, QAccessible::Id qtCell)
        : m_tree(tree.tree()), m_qtCell(qtCell) {}

    QAccessibleInterface* qt() const { return QAccessible::accessibleInterface(m_qtCell); }

    bool isValid() const override { return m_tree && qt() != nullptr && qt()->isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return live() ? qt()->window() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_tree);
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QString text(QAccessible::Text t) const override { return live() ? qt()->text(t) : QString(); }
    void setText(QAccessible::Text t, const QString& text) override {
        if (live()) {
            qt()->setText(t, text);
        }
    }
    QRect rect() const override { return live() ? qt()->rect() : QRect(); }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    QAccessible::State state() const override {
        QAccessible::State gone;
        gone.invalid = true;
        return live() ? qt()->state() : gone;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        if (t == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    bool isSelected() const override { return live() && cell().isSelected(); }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        return live() ? cell().columnHeaderCells() : QList<QAccessibleInterface*>();
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override {
        return live() ? cell().rowHeaderCells() : QList<QAccessibleInterface*>();
    }
    int columnIndex() const override { return live() ? cell().columnIndex() : -1; }
    int rowIndex() const override { return live() ? cell().rowIndex() : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    QStringList keyBindingsForAction(const QString& /*action*/) const override { return {}; }

    void doAction(const QString& action) override {
        const QModelIndex node = index();
        if (!node.isValid()) {
            return;
        }
        if (action == pressAction()) {
            m_tree->chooseNode(node);
        } else if (action == toggleAction()) {
            QItemSelectionModel& selection = *m_tree->selectionModel();
            selection.select(node,
                             (selection.isSelected(node) ? QItemSelectionModel::Deselect
                                                         : QItemSelectionModel::ClearAndSelect) |
                                 QItemSelectionModel::Rows);
        }
    }

private:
    // Qt's cell is still there; past a change of the list it may not be.
    bool live() const { return qt() != nullptr; }
    QAccessibleTableCellInterface& cell() const { return *qt()->tableCellInterface(); }

    // The node under Qt's cell: the view's own rectangle for it, read back.
    QModelIndex index() const {
        if (!isValid()) {
            return {};
        }
        const QRect global = qt()->rect();
        const QModelIndex node =
            m_tree->indexAt(m_tree->viewport()->mapFromGlobal(global.center()));
        return node.data().toString() == qt()->text(QAccessible::Name) ? node : QModelIndex();
    }

    QPointer<ChannelTreeWidget> m_tree;
    QAccessible::Id m_qtCell;
};

} // namespace

QAccessibleInterface* ChannelTreeAccessible::factory(const QString& className, QObject* object) {
    // Qt's interface for the same view, found by asking once more with ours out of the way.
    static bool askingQt = false;
    if (askingQt || className != QLatin1String(ChannelTreeWidget::staticMetaObject.className())) {
        return nullptr;
    }
    askingQt = true;
    QAccessibleInterface* qt = QAccessible::queryAccessibleInterface(object);
    askingQt = false;
    if (qt == nullptr || qt->tableInterface() == nullptr) {
        return nullptr;
    }
    return new ChannelTreeAccessible(static_cast<ChannelTreeWidget*>(object), qt);
}

ChannelTreeAccessible::ChannelTreeAccessible(ChannelTreeWidget* tree, QAccessibleInterface* qt)
    : m_tree(tree), m_qt(qt), m_qtId(QAccessible::uniqueId(qt)) {}

ChannelTreeWidget* ChannelTreeAccessible::tree() const {
    return m_tree;
}

ChannelTreeAccessible::~ChannelTreeAccessible() {
    dropItems();
    QAccessible::deleteAccessibleInterface(m_qtId);
}

QAccessibleInterface* ChannelTreeAccessible::wrap(QAccessibleInterface* qtChild) const {
    if (qtChild == nullptr || qtChild->role() != QAccessible::TreeItem) {
        return qtChild;
    }
    return child(m_qt->indexOfChild(qtChild));
}

// Qt makes a new cell each time it is asked for one: we keep the item of each row until the row
// shows another node.
QAccessibleInterface* ChannelTreeAccessible::child(int index) const {
    if (const auto found = m_items.constFind(index); found != m_items.constEnd()) {
        auto* item = static_cast<ChannelItemAccessible*>(QAccessible::accessibleInterface(*found));
        if (item != nullptr && item->isValid() && m_qt->indexOfChild(item->qt()) == index) {
            return item;
        }
        QAccessible::deleteAccessibleInterface(*found);
        m_items.erase(found);
    }
    QAccessibleInterface* qtChild = m_qt->child(index);
    if (qtChild == nullptr || qtChild->role() != QAccessible::TreeItem) {
        return qtChild;
    }
    auto* item = new ChannelItemAccessible(*this, QAccessible::uniqueId(qtChild));
    m_items.insert(index, QAccessible::registerAccessibleInterface(item));
    return item;
}

void ChannelTreeAccessible::dropItems() const {
    for (const QAccessible::Id item : std::as_const(m_items)) {
        QAccessible::deleteAccessibleInterface(item);
    }
    m_items.clear();
}

// The rest is Qt's, with its cells shown as our items and ours handed back to it as its cells.

bool ChannelTreeAccessible::isValid() const {
    return m_tree && m_qt->isValid();
}

QObject* ChannelTreeAccessible::object() const {
    return m_tree;
}

QWindow* ChannelTreeAccessible::window() const {
    return m_qt->window();
}

QList<std::pair<QAccessibleInterface*, QAccessible::Relation>>
ChannelTreeAccessible::relations(QAccessible::Relation match) const {
    return m_qt->relations(match);
}

QAccessibleInterface* ChannelTreeAccessible::focusChild() const {
    return wrap(m_qt->focusChild());
}

QAccessibleInterface* ChannelTreeAccessible::childAt(int x, int y) const {
    return wrap(m_qt->childAt(x, y));
}

QAccessibleInterface* ChannelTreeAccessible::parent() const {
    return m_qt->parent();
}

int ChannelTreeAccessible::childCount() const {
    return m_qt->childCount();
}

int ChannelTreeAccessible::indexOfChild(const QAccessibleInterface* child) const {
    // Qt reads its own cells' insides: it must never be handed one of ours.
    if (const auto* item = dynamic_cast<const ChannelItemAccessible*>(child)) {
        child = item->qt();
    }
    return child == nullptr ? -1 : m_qt->indexOfChild(child);
}

QString ChannelTreeAccessible::text(QAccessible::Text t) const {
    return m_qt->text(t);
}

void ChannelTreeAccessible::setText(QAccessible::Text t, const QString& text) {
    m_qt->setText(t, text);
}

QRect ChannelTreeAccessible::rect() const {
    return m_qt->rect();
}

QAccessible::Role ChannelTreeAccessible::role() const {
    return m_qt->role();
}

QAccessible::State ChannelTreeAccessible::state() const {
    return m_qt->state();
}

void* ChannelTreeAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return m_qt->interface_cast(t);
}

QAccessibleInterface* ChannelTreeAccessible::caption() const {
    return table()->caption();
}

QAccessibleInterface* ChannelTreeAccessible::summary() const {
    return table()->summary();
}

QAccessibleInterface* ChannelTreeAccessible::cellAt(int row, int column) const {
    return wrap(table()->cellAt(row, column));
}

int ChannelTreeAccessible::selectedCellCount() const {
    return table()->selectedCellCount();
}

QList<QAccessibleInterface*> ChannelTreeAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells = table()->selectedCells();
    for (QAccessibleInterface*& c : cells) {
        c = wrap(c);
    }
    return cells;
}

QString ChannelTreeAccessible::columnDescription(int column) const {
    return table()->columnDescription(column);
}

QString ChannelTreeAccessible::rowDescription(int row) const {
    return table()->rowDescription(row);
}

int ChannelTreeAccessible::selectedColumnCount() const {
    return table()->selectedColumnCount();
}

int ChannelTreeAccessible::selectedRowCount() const {
    return table()->selectedRowCount();
}

int ChannelTreeAccessible::columnCount() const {
    return table()->columnCount();
}

int ChannelTreeAccessible::rowCount() const {
    return table()->rowCount();
}

QList<int> ChannelTreeAccessible::selectedColumns() const {
    return table()->selectedColumns();
}

QList<int> ChannelTreeAccessible::selectedRows() const {
    return table()->selectedRows();
}

bool ChannelTreeAccessible::isColumnSelected(int column) const {
    return table()->isColumnSelected(column);
}

bool ChannelTreeAccessible::isRowSelected(int row) const {
    return table()->isRowSelected(row);
}

bool ChannelTreeAccessible::selectRow(int row) {
    return table()->selectRow(row);
}

bool ChannelTreeAccessible::selectColumn(int column) {
    return table()->selectColumn(column);
}

bool ChannelTreeAccessible::unselectRow(int row) {
    return table()->unselectRow(row);
}

bool ChannelTreeAccessible::unselectColumn(int column) {
    return table()->unselectColumn(column);
}

void ChannelTreeAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    table()->modelChange(event);
    dropItems();
}

} // namespace rz4::mainwindow
