#pragma once

#include <QListWidget>

namespace app {
// A list box with one selected row that tells the user's choices apart from
// the program's own changes. Only a left click on a row, a left drag across
// rows or a key that moves the selection counts as the user's choice; the
// right button chooses nothing, and no click or key leaves the list with no
// row selected. Rows added, removed or selected by the program say nothing.
class ChoiceList : public QListWidget {
    Q_OBJECT
public:
    explicit ChoiceList(QWidget* parent = nullptr);

Q_SIGNALS:
    // The user chose a row; also on a click on the row already selected, as
    // list boxes report every click.
    void rowChosen();
    // The user double-clicked a row with the left button.
    void rowDoubleClicked();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The selected row, or -1; and selecting one (or none, with -1) without
// announcing it, as the program's own selections must.
int selectedRow(const QListWidget* list);
void selectRow(QListWidget* list, int row);

}  // namespace app
