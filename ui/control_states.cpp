// The window's phase and the one place that writes its controls' enabled states.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/text.h"
#include "platform/files.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"

namespace ui {
namespace {

// The two names are one file: the same text letter case aside, or, when both exist, one device
// and inode (another spelling of the path, a link to the file).
bool NamesSameFile(const std::string& first, const std::string& second) {
    const std::string firstFound = platform::ActualFileName(first);
    const std::string secondFound = platform::ActualFileName(second);
    return core::LowerCase(firstFound) == core::LowerCase(secondFound) ||
           platform::AreSameFile(firstFound, secondFound);
}

}  // namespace

void TForm1::BeginStartup() {
    setEnabled(false);
    SetPhase(Phase::Starting);
}

void TForm1::EndStartup() {
    SetPhase(Phase::Idle);
    setEnabled(true);
}

void TForm1::HideOverwriteChoice() { CheckBox1->hide(); }

void TForm1::PresetFileNames(const std::string& source, const std::string& target) {
    // Each write runs the box's change handling at once, as typing would.
    Edit1->setText(ToQString(source));
    Edit1->end(false);
    Edit2->setText(ToQString(target));
    Edit2->end(false);
}

void TForm1::FocusFirstAction() {
    if (Button3->isEnabled())
        Button3->setFocus();
    else
        Button1->setFocus();
}

void TForm1::SetPhase(Phase phase) {
    phase_ = phase;
    UpdateControls();
}

void TForm1::SetPatching(bool patching) {
    patching_ = patching;
    UpdateControls();
}

FormValues TForm1::CurrentFormValues() const {
    const bool overwriteSource = CheckBox1->isChecked();
    return FormValues{
        .versionChosen = SelectedVersionRow() >= 0,
        .targetNamed = !Edit2->text().isEmpty(),
        .overwriteSource = overwriteSource,
        .targetIsForbidden = !overwriteSource && setup_.Settings.DisableSourceOverwrite &&
                             NamesSameFile(ToSystemText(Edit1->text()), ToSystemText(Edit2->text())),
        .patching = patching_,
    };
}

void TForm1::UpdateControls() {
    const ControlStates states = DeriveControlStates(phase_, CurrentFormValues());
    for (QWidget* control : std::initializer_list<QWidget*>{Edit1, Button1, CheckBox1, ListBox1})
        control->setEnabled(states.sourceInputs);
    Edit2->setEnabled(states.targetInputs);
    Button2->setEnabled(states.targetInputs);
    Button3->setEnabled(states.convert);
    Button4->setEnabled(states.cancel);
}

}  // namespace ui
