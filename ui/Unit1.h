#pragma once
// The program's one window: its controls, captions and colours, the status line, the reset of
// the source information, and the Cancel, Enter and Escape behaviour.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/checksum_memory.h"
#include "core/colours.h"
#include "core/conversion.h"
#include "core/long_work.h"
#include "core/messages.h"
#include "core/program_state.h"
#include "core/seams.h"
#include "ui/window_phase.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace core {
class ResourceLibrary;
}

namespace ui {

class Dialogs;
class WindowSeams;

[[noreturn]] void EndProcessNow(int exitCode);

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    // `setup` is what start-up reads; `run` registers the run's work for an orderly end.
    // `exitProcess` ends the program after a fatal error; it must not return.
    TForm1(Dialogs& dialogs, const core::ProgramSetup& setup, core::RunRegister& run,
           std::function<void(int)> exitProcess = EndProcessNow, QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's services as the core sees them.
    core::Seams CoreSeams();

    // Shows the text in the status line; a blinking text starts visible for a full interval.
    void SetStatus(const std::string& text, core::Colour colour, bool blinking);
    // The progress bar below the status text: how far a long checksum or copy has come.
    void ShowProgress(std::uint64_t done, std::uint64_t total);
    void HideProgress();
    // Neutral source information and Convert disabled; the version list is left alone.
    void ResetSourceInfo();
    // Label3 in one of its looks: neutral, identified source, or error.
    void ShowSourceLabel(const std::string& text, bool bold, core::Colour colour);
    // Sets a label's text, showing character 13 as a line break, and fits the label to it.
    void SetLabelText(QLabel& label, const std::string& text);

    void ApplyColours(const core::Colours& colours);
    void SetFixedCaptions();
    void SetCaptions(const std::string& appName = std::string(core::messages::DefaultTitle),
                     const std::string& sourceCaption = std::string(core::messages::DefaultSourceCaption),
                     const std::string& targetCaption = std::string(core::messages::DefaultTargetCaption),
                     const std::string& versionCaption = std::string(core::messages::DefaultVersionCaption));

    void Button4Click();
    void Timer1Timer();

    // Shows the library's bitmap of that name in Image1 and moves the input column beside it. A
    // missing library or bitmap hides Image1, and a hidden Image1 stays as it is.
    void LoadPicture(core::ResourceLibrary* library, const std::string& name);

    // Source identification and the version list.
    void IdentifySource(const std::string& path);
    void FillTargetList();
    void ListBox1Click();

    // The two Browse buttons, and the target name proposed when a version is chosen.
    void Button1Click();
    void Button2Click();
    void ProposeTargetName(const core::FileInfo& target);

    // The two file-name boxes and the overwrite check box.
    void Edit1Change();
    void Edit2Change();
    void Edit1Exit();
    void Edit2Exit();
    void CheckBox1Click();

    // Runs when the window accepts a close request.
    std::function<void()> onFormClose;
    // The identified source and the version chosen last.
    [[nodiscard]] const core::FormSelection& Selection() const { return selection_; }
    // The conversion the form asks for as it stands; nothing while no version is chosen.
    [[nodiscard]] std::optional<core::ConversionRequest> RequestFromForm() const;
    // The Convert button (also Enter): turns the source into the selected version as the form
    // asks at the click, then hands the window back.
    void Button3Click();

    // The window is disabled while the program starts; afterwards it is the user's.
    void BeginStartup();
    void EndStartup();
    // Start-up's steps that reach into the controls: the overwrite choice hidden by the settings,
    // the file names they preset, and the keyboard focus on the first useful button.
    void HideOverwriteChoice();
    void PresetFileNames(const std::string& source, const std::string& target);
    void FocusFirstAction();
    // The close request was accepted: the program is shutting down.
    [[nodiscard]] bool IsClosing() const { return phase_ == Phase::Closing; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Refuses maximising: the window keeps its place and size.
    void changeEvent(QEvent* event) override;
    // Runs the edit boxes' exit handlers when they lose the keyboard focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The controls, each with its own name as its object name: that name is how code outside
    // the window finds one.
    QLabel* Image1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QPushButton* Button2;
    QCheckBox* CheckBox1;
    QGroupBox* GroupBox1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QPlainTextEdit* Memo1;
    QGroupBox* GroupBox2;
    QLabel* Label6;
    QListWidget* ListBox1;
    QLabel* Label7;
    QPlainTextEdit* Memo2;
    QPushButton* Button3;
    QPushButton* Button4;
    QGroupBox* GroupBox3;
    QLabel* Label8;
    QProgressBar* ProgressBar1;
    QFrame* Panel1;
    QTimer* Timer1;

    void SetUpWindow();
    void SetUpFonts();
    void SetUpTabOrder();
    void SetUpProgressBar();
    void CentreOnScreen();
    // Image1 takes the picture's size, centred on Panel1's centre line; the column follows.
    void PlacePicture(const QImage& picture);
    void MoveInputColumnTo(int left);
    void ConnectInputHandlers();
    // Shows what the catalogue says about the source with this checksum.
    void ShowIdentification(const std::string& md5Hex);
    // The version list's selected row, -1 when no item is selected.
    int SelectedVersionRow() const;
    // The catalogue entry of the selected row; null when none is selected.
    const core::FileInfo* ChosenTarget() const;
    std::vector<int> ReachableTargets() const;
    std::optional<std::string> IdentifiedVersion() const;
    // While it lives, `token` is the one that a new source name or a closing window sets.
    class RunningWork {
      public:
        RunningWork(TForm1& form, core::CancelToken& token)
            : form_(form), outer_(std::exchange(form.runningWork_, &token)) {}
        ~RunningWork() { form_.runningWork_ = outer_; }
        RunningWork(const RunningWork&) = delete;
        RunningWork& operator=(const RunningWork&) = delete;

      private:
        TForm1& form_;
        core::CancelToken* outer_;  // an identification that a newer one overtook
    };
    void CancelRunningWork();
    void SetPhase(Phase phase);
    // Within a conversion, the copy and the patch tool are at work: nothing may interrupt them.
    void SetPatching(bool patching);
    FormValues CurrentFormValues() const;
    // Writes every control's enabled state as DeriveControlStates gives it; nothing else does.
    void UpdateControls();
    friend class WindowConversionLock;

    Dialogs& dialogs_;
    const core::ProgramSetup& setup_;
    core::RunRegister& run_;
    core::FormSelection selection_;
    core::ChecksumMemory checksums_;  // of every file summed to its end in this run
    std::unique_ptr<WindowSeams> seams_;
    bool placed_ = false;
    Phase phase_ = Phase::Idle;
    bool patching_ = false;
    // The token of the checksum or conversion under way; null while the window waits for the user.
    core::CancelToken* runningWork_ = nullptr;
    // Where the open and save dialogs start: set from a file name the box held, kept otherwise.
    QString openDialogDir_;
    QString saveDialogDir_;
};

}  // namespace ui
