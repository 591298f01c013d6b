#pragma once

// A single-selection, unsorted list of text rows. Backed by a string model with uniform row
// heights, so a list of a hundred thousand rows fills and paints at once.

#include <QListView>
#include <QStringListModel>

namespace kofrex {

class ListBox : public QListView {
    Q_OBJECT

  public:
    explicit ListBox(QWidget* parent);

    // Replaces every row, leaving none selected; raises no Click.
    void SetItems(QStringList rows);
    int ListCount() const { return model_.rowCount(); }
    QString List(int row) const;
    // The selected row, -1 when none. Qt's "current" row, which moves on focus alone, is
    // not a selection.
    int ListIndex() const;

  signals:
    // The user selected a row, with the mouse or the keyboard.
    void Click();

  private:
    void OnSelectionChanged();

    QStringListModel model_;
};

}  // namespace kofrex
