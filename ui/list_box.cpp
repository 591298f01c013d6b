#include "list_box.h"

#include <QKeyEvent>

namespace kofrex {

void RowModel::SetRows(int count, RowText text) {
    beginResetModel();
    count_ = count;
    text_ = std::move(text);
    endResetModel();
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count_ ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    QString text = text_(index.row());
    while (role == Qt::AccessibleTextRole && text.endsWith(u' ')) {
        text.chop(1);
    }
    return text;
}

ListBox::ListBox(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListBox::OnSelectionChanged);
}

void ListBox::SetRows(int count, RowModel::RowText text) {
    model_.SetRows(count, std::move(text));
}

QString ListBox::List(int row) const {
    return model_.index(row).data().toString();
}

int ListBox::ListIndex() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
    if (!index.isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    const bool deselects =
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle);
    return deselects ? QItemSelectionModel::NoUpdate : command;
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    // Qt's current row already sits on row 0 after focus, so Down alone would skip it.
    const int row = ListIndex() == -1 ? FirstRowFor(*event) : -1;
    if (row == -1) {
        QListView::keyPressEvent(event);
        return;
    }
    setCurrentIndex(model_.index(row));
    event->accept();
}

int ListBox::FirstRowFor(const QKeyEvent& event) const {
    if (ListCount() == 0 || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return -1;
    }
    switch (event.key()) {
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_Home:
        case Qt::Key_PageDown:
        case Qt::Key_PageUp:
            return 0;
        case Qt::Key_End:
            return ListCount() - 1;
        default:
            return -1;
    }
}

void ListBox::startDrag(Qt::DropActions /*supportedActions*/) {
    if (ListIndex() != -1) {
        emit DragOut();
    }
}

void ListBox::OnSelectionChanged() {
    if (ListIndex() != -1) {
        emit Click();
    }
}

}  // namespace kofrex
