#pragma once
// The real message boxes and file dialogs. Each has no owner window, as the program's boxes
// must stay answerable while the main window is disabled.
#include "ui/dialogs.h"

namespace ui {

class QtDialogs : public Dialogs {
  public:
    void ShowError(const QString& text, const QString& details) override;
    bool AskYesNo(const QString& text) override;
    void ShowSuccess(const QString& text) override;
    std::optional<QString> OpenFileName(const QString& initialDir, const QString& fileName) override;
    std::optional<QString> SaveFileName(const QString& initialDir, const QString& fileName) override;
};

}  // namespace ui
