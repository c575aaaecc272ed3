#pragma once
// Dialogs for window tests: every box and file dialog is recorded, answers come from a script,
// and a hook runs while a box is "open" so a test can act as the user would meanwhile.
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialogs.h"

namespace testing_support {

enum class BoxKind { Error, Question, Success };

struct ShownBox {
    BoxKind kind;
    QString text;
    QString details = {};  // of an error box
};

enum class FileDialogKind { Open, Save };

struct ShownFileDialog {
    FileDialogKind kind;
    QString initialDir;
    QString fileName;
};

class ScriptedDialogs : public ui::Dialogs {
  public:
    void ShowError(const QString& text, const QString& details) override;
    bool AskYesNo(const QString& text) override;
    void ShowSuccess(const QString& text) override;
    std::optional<QString> OpenFileName(const QString& initialDir, const QString& fileName) override;
    std::optional<QString> SaveFileName(const QString& initialDir, const QString& fileName) override;

    // Scripted: answers are taken from the front; an empty script answers Yes and cancels file dialogs.
    std::deque<bool> answers;
    std::deque<std::optional<QString>> chosenFiles;
    std::function<void(const ShownBox&)> whileBoxOpen;

    // Recorded, in the order shown.
    std::vector<ShownBox> boxes;
    std::vector<ShownFileDialog> fileDialogs;

  private:
    void Show(ShownBox box);
    std::optional<QString> Choose(FileDialogKind kind, const QString& initialDir, const QString& fileName);
};

}  // namespace testing_support
