// The target name proposed when a version is chosen, and the two Browse buttons with their file
// dialogs.
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/naming.h"
#include "core/text.h"
#include "platform/files.h"
#include "ui/Unit1.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"

namespace ui {

void TForm1::ProposeTargetName(const core::FileInfo& target) {
    const std::optional<std::string> version = IdentifiedVersion();
    if (!version) return;
    const std::optional<std::string> proposal =
        core::ProposeTargetName(ToSystemText(Edit1->text()), *version, ToSystemText(Edit2->text()), target,
                                selection_.SelectedTarget);
    if (!proposal) return;
    Edit2->setText(ToQString(*proposal));
    Edit2->end(false);
}

void TForm1::Button1Click() {
    Button1->setFocus(Qt::OtherFocusReason);
    const std::string previous = ToSystemText(Edit1->text());
    if (!previous.empty()) openDialogDir_ = ToQString(core::DirectoryPart(previous));
    const std::optional<QString> chosen =
        dialogs_.OpenFileName(openDialogDir_, ToQString(core::FileNamePart(previous)));
    if (!chosen) return;

    {
        // The new source is identified only after the target box was compared with the previous one.
        const QSignalBlocker detached(Edit1);
        Edit1->setText(*chosen);
        Edit1->setFocus(Qt::OtherFocusReason);
        Edit1->end(false);
    }
    const std::string source = ToSystemText(*chosen);
    const bool sameFile =
        core::EqualIgnoringCase(platform::ActualFileName(source), platform::ActualFileName(previous));
    if (!sameFile && setup_.Settings.TargetFile.empty() &&
        core::IsDerivedTargetName(previous, IdentifiedVersion(), ToSystemText(Edit2->text()),
                                  selection_.SelectedTarget))
        Edit2->clear();
    Edit1Change();
}

void TForm1::Button2Click() {
    Button2->setFocus(Qt::OtherFocusReason);
    const std::string target = ToSystemText(Edit2->text());
    const std::string source = ToSystemText(Edit1->text());
    std::string fileName;
    if (!target.empty()) {
        saveDialogDir_ = ToQString(core::DirectoryPart(target));
        fileName = core::FileNamePart(target);
    } else if (!source.empty()) {
        fileName = core::NewFileName(source, IdentifiedVersion());
    }
    const std::optional<QString> chosen = dialogs_.SaveFileName(saveDialogDir_, ToQString(fileName));
    if (!chosen) return;
    Edit2->setText(*chosen);
    Edit2->setFocus(Qt::OtherFocusReason);
    Edit2->end(false);
}

}  // namespace ui
