// The Convert button: lock the inputs, ask before replacing a file, run the conversion, and hand
// the window back so that the result can be seen.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/conversion.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"

namespace ui {

// While the copy and the patch tool work, nobody may close the window or press Cancel.
class WindowConversionLock : public core::ConversionLock {
  public:
    explicit WindowConversionLock(TForm1& form) : form_(form) {}

    void EnterConvertingPhase() override { form_.SetPatching(true); }
    void LeaveConvertingPhase() override { form_.SetPatching(false); }

  private:
    TForm1& form_;
};

void TForm1::Button3Click() {
    // Nothing may start a second run or change the inputs while this one works.
    Button3->setFocus(Qt::OtherFocusReason);
    SetPhase(Phase::Converting);
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
    if (phase_ == Phase::Closing) return;
    SetPhase(Phase::Idle);
    if (started) {
        // The source may have become another version: identify it anew.
        Edit1Change();
    } else {
        Button3->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace ui
