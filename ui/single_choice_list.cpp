#include "ui/single_choice_list.h"

namespace ui {

SingleChoiceList::SingleChoiceList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
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
