#pragma once
// A single-selection list that, once an item is chosen, always shows one chosen item: the user
// can move the choice but never empty it (Ctrl+click, Ctrl+Space, or pressing on the chosen item
// and dragging off the list would otherwise clear it while the choice still counts). Home and End
// choose the first and the last item also before any choice.
#include <QListWidget>

namespace ui {

class SingleChoiceList : public QListWidget {
    Q_OBJECT

  public:
    explicit SingleChoiceList(QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
};

}  // namespace ui
