#include "list_box.h"

namespace kofrex {

ListBox::ListBox(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListBox::OnSelectionChanged);
}

void ListBox::SetItems(QStringList rows) {
    // A reset drops the selection without a selectionChanged signal.
    model_.setStringList(std::move(rows));
}

QString ListBox::List(int row) const {
    return model_.index(row).data().toString();
}

int ListBox::ListIndex() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void ListBox::OnSelectionChanged() {
    if (ListIndex() != -1) {
        emit Click();
    }
}

}  // namespace kofrex
