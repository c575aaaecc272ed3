#include "tests/ui/support/scripted_dialogs.h"

#include <utility>

namespace testing_support {
namespace {

template <class T>
T TakeFront(std::deque<T>& script, T whenEmpty) {
    if (!script.empty()) {
        whenEmpty = std::move(script.front());
        script.pop_front();
    }
    return whenEmpty;
}

}  // namespace

void ScriptedDialogs::Show(ShownBox box) {
    boxes.push_back(std::move(box));
    if (whileBoxOpen) whileBoxOpen(boxes.back());
}

std::optional<QString> ScriptedDialogs::Choose(FileDialogKind kind, const QString& initialDir,
                                               const QString& fileName) {
    fileDialogs.push_back({kind, initialDir, fileName});
    return TakeFront(chosenFiles, std::optional<QString>());
}

void ScriptedDialogs::ShowError(const QString& text, const QString& details) {
    Show({BoxKind::Error, text, details});
}

bool ScriptedDialogs::AskYesNo(const QString& text) {
    Show({BoxKind::Question, text});
    return TakeFront(answers, true);
}

void ScriptedDialogs::ShowSuccess(const QString& text) { Show({BoxKind::Success, text}); }

std::optional<QString> ScriptedDialogs::OpenFileName(const QString& initialDir, const QString& fileName) {
    return Choose(FileDialogKind::Open, initialDir, fileName);
}

std::optional<QString> ScriptedDialogs::SaveFileName(const QString& initialDir, const QString& fileName) {
    return Choose(FileDialogKind::Save, initialDir, fileName);
}

}  // namespace testing_support
