#include "ui/single_choice_list.h"

#include <QKeyEvent>

namespace ui {

SingleChoiceList::SingleChoiceList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

// A plain list moves from its current item, which may be unset or unchosen before any choice:
// then Home stays where it is and End goes to the first item.
void SingleChoiceList::keyPressEvent(QKeyEvent* event) {
    const bool home = event->key() == Qt::Key_Home;
    const bool end = event->key() == Qt::Key_End;
    if ((home || end) && event->modifiers() == Qt::NoModifier && count() > 0 && selectedItems().isEmpty()) {
        setCurrentRow(home ? 0 : count() - 1, QItemSelectionModel::ClearAndSelect);
        return;
    }
    QListWidget::keyPressEvent(event);
}

// The user's input may only choose an item: a command that would deselect, or that would select
// where no item is (which clears the selection), changes nothing. The program itself still
// empties the list with clear().
QItemSelectionModel::SelectionFlags SingleChoiceList::selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    const bool choosesAnItem = index.isValid() && command.testFlag(QItemSelectionModel::Select);
    const bool dropsTheChoice =
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle) ||
        (command.testFlag(QItemSelectionModel::Clear) && !choosesAnItem);
    return dropsTheChoice ? QItemSelectionModel::SelectionFlags(QItemSelectionModel::NoUpdate) : command;
}

}  // namespace ui
