#pragma once
// The window's modal message boxes and file dialogs, behind an interface so that tests can
// script the answers. Texts may hold character 13 where a line break is shown.
#include <QString>
#include <optional>

namespace ui {

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Caption "Error", error icon, OK; details that are not empty can be unfolded below the text.
    virtual void ShowError(const QString& text, const QString& details) = 0;
    virtual bool AskYesNo(const QString& text) = 0;     // caption "Question", Yes (default) and No
    virtual void ShowSuccess(const QString& text) = 0;  // caption "Success", information icon, OK

    // The chosen path, or nothing when the user cancels. An empty initial directory leaves the
    // choice of folder to the dialog.
    virtual std::optional<QString> OpenFileName(const QString& initialDir, const QString& fileName) = 0;
    virtual std::optional<QString> SaveFileName(const QString& initialDir, const QString& fileName) = 0;
};

}  // namespace ui
