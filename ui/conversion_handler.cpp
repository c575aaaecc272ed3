// The Convert button: lock the inputs, ask before replacing a file, run the conversion, and hand
// the window back so that the result can be seen.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <initializer_list>

#include "core/conversion.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"

namespace ui {
namespace {

// While the patch tool runs, nobody may close the window or press Cancel.
class WindowConversionLock : public core::ConversionLock {
  public:
    explicit WindowConversionLock(TForm1& form) : form_(form) {}

    void EnterConvertingPhase() override { SetConverting(true); }
    void LeaveConvertingPhase() override { SetConverting(false); }

  private:
    void SetConverting(bool converting) {
        form_.Converting = converting;
        form_.Button4->setEnabled(!converting);
    }

    TForm1& form_;
};

// Nothing may start a second run or change the inputs while this one works.
void LockInputs(TForm1& form) {
    form.Button3->setFocus(Qt::OtherFocusReason);
    for (QWidget* control :
         std::initializer_list<QWidget*>{form.Button3, form.Edit1, form.Edit2, form.Button1, form.Button2,
                                         form.CheckBox1, form.ListBox1}) {
        control->setEnabled(false);
    }
}

// Convert itself is left to the caller; the target box stays off while the source is overwritten.
void UnlockInputs(TForm1& form) {
    form.Edit1->setEnabled(true);
    form.Button1->setEnabled(true);
    if (!form.CheckBox1->isChecked()) {
        form.Button2->setEnabled(true);
        form.Edit2->setEnabled(true);
    }
    form.CheckBox1->setEnabled(true);
    form.ListBox1->setEnabled(true);
}

}  // namespace

void TForm1::Button3Click() {
    LockInputs(*this);
    const core::ConversionPaths paths = core::ConversionPathsFor(
        state_, ToSystemText(Edit1->text()), ToSystemText(Edit2->text()), CheckBox1->isChecked());
    core::Seams seams = CoreSeams();
    WindowConversionLock lock(*this);
    core::CancelToken cancel;
    bool started = false;
    {
        const RunningWork running(*this, cancel);
        started = core::RunConversion(paths, state_, seams, lock, cancel);
    }
    UnlockInputs(*this);

    if (started) {
        // The source may have become another version: identify it anew.
        Edit1Change();
    } else {
        Button3->setEnabled(true);
        Button3->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace ui
