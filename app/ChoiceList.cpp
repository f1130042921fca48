#include "app/ChoiceList.h"

#include <QMouseEvent>
#include <QSignalBlocker>

namespace app {
ChoiceList::ChoiceList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QAbstractItemView::doubleClicked, this, &ChoiceList::rowDoubleClicked);
}

int selectedRow(const QListWidget* list)
{
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.constFirst());
}

void selectRow(QListWidget* list, int row)
{
    const QSignalBlocker quiet(list);
    if (row >= 0 && row < list->count()) {
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    } else {
        list->clearSelection();
        list->setCurrentRow(-1, QItemSelectionModel::Clear);
    }
    list->viewport()->update();
}

QItemSelectionModel::SelectionFlags ChoiceList::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // Qt deselects on Ctrl+click and Ctrl+Space; a list box keeps its row.
    const auto flags = QListWidget::selectionCommand(index, event);
    if (flags & QItemSelectionModel::Deselect)
        return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
    return flags;
}

void ChoiceList::mousePressEvent(QMouseEvent* e)
{
    // Only the left button on a row chooses; elsewhere the selection stays.
    if (e->button() != Qt::LeftButton || !itemAt(e->position().toPoint())) {
        setFocus(Qt::MouseFocusReason);
        e->accept();
        return;
    }
    QListWidget::mousePressEvent(e);
    if (selectedRow(this) >= 0)
        Q_EMIT rowChosen();
}

void ChoiceList::mouseMoveEvent(QMouseEvent* e)
{
    const int before = selectedRow(this);
    QListWidget::mouseMoveEvent(e);
    if ((e->buttons() & Qt::LeftButton) && selectedRow(this) >= 0 && selectedRow(this) != before)
        Q_EMIT rowChosen();
}

void ChoiceList::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !itemAt(e->position().toPoint())) {
        e->accept();
        return;
    }
    QListWidget::mouseDoubleClickEvent(e);
}

void ChoiceList::keyPressEvent(QKeyEvent* e)
{
    const int before = selectedRow(this);
    QListWidget::keyPressEvent(e);
    const int now = selectedRow(this);
    if (now >= 0 && now != before)
        Q_EMIT rowChosen();
}

}  // namespace app
