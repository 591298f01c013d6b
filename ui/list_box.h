#pragma once

// An unsorted list of text rows, of which the user selects one or several (Shift, Ctrl, Ctrl+A).
// Its model asks for a row's text only when the row is painted or read, and the rows have one
// height, so filling the list costs the same for ten rows and ten million.

#include <QAbstractListModel>
#include <QListView>
#include <functional>
#include <utility>
#include <vector>

namespace kofrex {

// Screen readers are given the rows without the spaces that pad a stored name to its width, and
// each row's description (its tooltip too), so that moving through the list says more than names.
class RowModel : public QAbstractListModel {
  public:
    using RowText = std::function<QString(int row)>;
    // Replaces every row at once; a reset drops the selection without a selectionChanged signal.
    void SetRows(int count, RowText text, RowText description = {});
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    int count_ = 0;
    RowText text_;
    RowText description_;
};

class ListBox : public QListView {
    Q_OBJECT

  public:
    explicit ListBox(QWidget* parent);

    // Replaces every row, leaving none selected; raises no Click. `text` gives a row's text when
    // it is shown.
    void SetRows(int count, RowModel::RowText text, RowModel::RowText description = {});
    int ListCount() const { return model_.rowCount(); }
    QString List(int row) const;
    // The first selected row, -1 when none. Qt's "current" row, which moves on focus alone, is
    // not a selection.
    int ListIndex() const;
    // The selected rows as runs of first and last row, in order and not overlapping: a selection
    // of millions of rows is a few runs.
    std::vector<std::pair<int, int>> SelectedRuns() const;
    std::vector<int> SelectedRows() const;
    int SelectedCount() const;

    // Rows of one height, placed and found by arithmetic (see below).
    void doItemsLayout() override;
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // The user selected a row, with the mouse or the keyboard.
    void Click();
    // The user began to drag the selected row out of the list.
    void DragOut();

  protected:
    // Once a row is selected, a row stays selected until the rows are replaced: a click below
    // the rows or a Ctrl+click on the only selected row keeps it.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    // In a list without a selection the first arrow, Home or End key selects a row.
    void keyPressEvent(QKeyEvent* event) override;
    // The window decides what a dragged row becomes.
    void startDrag(Qt::DropActions supportedActions) override;

    // Rows of one height, placed and found by arithmetic, scrolled a row at a time: Qt's own
    // layout visits every row and keeps a position for each, which for millions of rows takes
    // seconds and as much memory again as the directory.
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    int verticalOffset() const override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnSelectionChanged();
    // The row a key selects when none is selected; -1 for keys that do not select.
    int FirstRowFor(const QKeyEvent& event) const;

    int FirstShownRow() const;
    // The row at `y` in the viewport's coordinates, also above or below it, within the rows.
    int RowAt(int y) const;
    // Rows wholly inside the viewport, at least one.
    int WholeRowsShown() const;
    QRect RowRect(int row) const;

    RowModel model_;
    int rowHeight_ = 1;
};

}  // namespace kofrex
