// The Convert button: lock the inputs, ask before replacing a file, run the conversion, and hand
// the window back so that the result can be seen.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/conversion.h"
#include "core/identification.h"
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

std::optional<core::ConversionRequest> TForm1::RequestFromForm() const {
    const core::FileInfo* target = ChosenTarget();
    if (!target) return std::nullopt;
    const core::FileInfo& source = setup_.FileInfos[static_cast<std::size_t>(selection_.SourceIndex)];
    return core::ConversionRequest{
        .source = ToSystemText(Edit1->text()),
        .target = ToSystemText(Edit2->text()),
        .patch = core::PatchFileName(run_.ExtractionDir, source, *target),
        .expectedMd5 = target->Md5,
        .timeStamp = target->TimeStamp,
        .overwriteSource = CheckBox1->isChecked(),
    };
}

void TForm1::Button3Click() {
    // Convert takes the focus first: the box that loses it tidies its text before the request is read.
    Button3->setFocus(Qt::OtherFocusReason);
    // Convert is enabled only while a version is chosen.
    const std::optional<core::ConversionRequest> request = RequestFromForm();
    if (!request) return;
    // Nothing may start a second run or change the inputs while this one works.
    SetPhase(Phase::Converting);
    core::Seams seams = CoreSeams();
    WindowConversionLock lock(*this);
    const core::ConversionContext context{run_, checksums_, setup_.Settings.Colours, seams, lock};
    core::CancelToken cancel;
    bool started = false;
    {
        const RunningWork running(*this, cancel);
        started = core::RunConversion(*request, context, cancel);
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
