#include "list_box.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace kofrex {

void RowModel::SetRows(int count, RowText text, RowText description) {
    beginResetModel();
    count_ = count;
    text_ = std::move(text);
    description_ = std::move(description);
    endResetModel();
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    const bool described = role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole;
    if (index.isValid() && index.row() < count_ && described && description_) {
        return description_(index.row());
    }
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
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListBox::OnSelectionChanged);
}

void ListBox::SetRows(int count, RowModel::RowText text, RowModel::RowText description) {
    model_.SetRows(count, std::move(text), std::move(description));
}

QString ListBox::List(int row) const {
    return model_.index(row).data().toString();
}

int ListBox::ListIndex() const {
    const std::vector<std::pair<int, int>> runs = SelectedRuns();
    return runs.empty() ? -1 : runs.front().first;
}

std::vector<std::pair<int, int>> ListBox::SelectedRuns() const {
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.isValid()) {
            ranges.emplace_back(range.top(), range.bottom());
        }
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> runs;
    for (const auto& [first, last] : ranges) {
        if (!runs.empty() && first <= runs.back().second + 1) {
            runs.back().second = std::max(runs.back().second, last);
        } else {
            runs.emplace_back(first, last);
        }
    }
    return runs;
}

std::vector<int> ListBox::SelectedRows() const {
    std::vector<int> rows;
    for (const auto& [first, last] : SelectedRuns()) {
        for (int row = first; row <= last; ++row) {
            rows.push_back(row);
        }
    }
    return rows;
}

int ListBox::SelectedCount() const {
    int count = 0;
    for (const auto& [first, last] : SelectedRuns()) {
        count += last - first + 1;
    }
    return count;
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
    if (!index.isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    const bool deselects =
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle);
    const bool onlySelected = SelectedCount() == 1 && ListIndex() == index.row();
    return deselects && onlySelected ? QItemSelectionModel::NoUpdate : command;
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
    // Shift too: the first Shift+Down selects the row a further one extends from.
    if ((event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) != Qt::NoModifier) {
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

void ListBox::doItemsLayout() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int measured = model_.rowCount() > 0
                             ? itemDelegate()->sizeHint(option, model_.index(0)).height()
                             : fontMetrics().height();
    rowHeight_ = std::max(1, measured);
    QAbstractItemView::doItemsLayout();  // not QListView's, which places every row
}

void ListBox::updateGeometries() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, model_.rowCount() - WholeRowsShown()));
    bar->setPageStep(WholeRowsShown());
    bar->setSingleStep(1);
    QAbstractItemView::updateGeometries();
}

int ListBox::FirstShownRow() const {
    return verticalScrollBar()->value();
}

int ListBox::RowAt(int y) const {
    const int offset = y >= 0 ? y / rowHeight_ : -((rowHeight_ - 1 - y) / rowHeight_);
    return std::clamp(FirstShownRow() + offset, 0, std::max(0, model_.rowCount() - 1));
}

int ListBox::WholeRowsShown() const {
    return std::max(1, viewport()->height() / rowHeight_);
}

QRect ListBox::RowRect(int row) const {
    return {0, (row - FirstShownRow()) * rowHeight_, viewport()->width(), rowHeight_};
}

QRect ListBox::visualRect(const QModelIndex& index) const {
    return index.isValid() && index.model() == &model_ ? RowRect(index.row()) : QRect();
}

QModelIndex ListBox::indexAt(const QPoint& point) const {
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width()) {
        return {};
    }
    const int row = FirstShownRow() + point.y() / rowHeight_;
    return row < model_.rowCount() ? model_.index(row) : QModelIndex();
}

void ListBox::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) {
        return;
    }
    const int row = index.row();
    QScrollBar* bar = verticalScrollBar();
    switch (hint) {
        case PositionAtTop:
            bar->setValue(row);
            break;
        case PositionAtBottom:
            bar->setValue(row - WholeRowsShown() + 1);
            break;
        case PositionAtCenter:
            bar->setValue(row - WholeRowsShown() / 2);
            break;
        case EnsureVisible:
            if (row < FirstShownRow()) {
                bar->setValue(row);
            } else if (row >= FirstShownRow() + WholeRowsShown()) {
                bar->setValue(row - WholeRowsShown() + 1);
            }
            break;
    }
}

QModelIndex ListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers /*modifiers*/) {
    const int count = model_.rowCount();
    if (count == 0) {
        return {};
    }
    const int current = currentIndex().isValid() ? currentIndex().row() : 0;
    int row = current;
    switch (action) {
        case MoveUp:
        case MovePrevious:
            row = current - 1;
            break;
        case MoveDown:
        case MoveNext:
            row = current + 1;
            break;
        case MovePageUp:
            row = current - WholeRowsShown();
            break;
        case MovePageDown:
            row = current + WholeRowsShown();
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = count - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return model_.index(std::clamp(row, 0, count - 1));
}

// The rows from the rectangle's top to its bottom, also where those lie outside the viewport: a
// Shift+arrow selects from a row scrolled out of sight.
void ListBox::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (model_.rowCount() == 0) {  // nothing to select, and nothing selected to clear
        return;
    }
    const QRect rows = rect.normalized();
    selectionModel()->select(
        QItemSelection(model_.index(RowAt(rows.top())), model_.index(RowAt(rows.bottom()))),
        command);
}

QRegion ListBox::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = FirstShownRow();
    const int last = first + WholeRowsShown();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom) {
            region += RowRect(top).united(RowRect(bottom));
        }
    }
    return region;
}

int ListBox::verticalOffset() const {
    return FirstShownRow() * rowHeight_;
}

void ListBox::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

void ListBox::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void ListBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State base = option.state;
    const int end = std::min(model_.rowCount(), FirstShownRow() + WholeRowsShown() + 1);
    for (int row = FirstShownRow(); row < end; ++row) {
        const QModelIndex index = model_.index(row);
        option.rect = RowRect(row);
        option.state = base;
        if (selectionModel()->isSelected(index)) {
            option.state |= QStyle::State_Selected;
        }
        if (index == currentIndex() && hasFocus()) {
            option.state |= QStyle::State_HasFocus;
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ListBox::OnSelectionChanged() {
    if (ListIndex() != -1) {
        emit Click();
    }
}

}  // namespace kofrex
