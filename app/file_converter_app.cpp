#include "app/file_converter_app.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>

#include "app/extraction_dir.h"
#include "core/catalogue.h"
#include "core/command_line.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/orderly_end.h"
#include "core/patch_set.h"
#include "core/process_runner.h"
#include "core/settings.h"
#include "core/text.h"
#include "platform/files.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"
#include "ui/window_seams.h"

namespace app {

namespace msg = core::messages;

namespace {

// A closing sound longer than this is cut short: the user asked the program to end.
constexpr std::chrono::seconds ClosingSoundLimit{5};
constexpr std::chrono::milliseconds ClosingSoundPollInterval{10};

}  // namespace

FileConverterApp::FileConverterApp(const std::string& executablePath, ui::Dialogs& dialogs,
                                   std::function<void(int)> exit)
    : companions_(CompanionFilesFor(executablePath)), dialogs_(dialogs), exit_(std::move(exit)) {}

FileConverterApp::~FileConverterApp() = default;

void FileConverterApp::Start() {
    QCoreApplication::setApplicationName(ui::ToQString(std::string(msg::DefaultTitle)));
    // The event loop ends in FormClose, after the unpacked patch set is gone.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    branding_.Load(companions_.resourceLibraryPaths);

    form_ = std::make_unique<ui::TForm1>(dialogs_, setup_, run_, exit_);
    form_->onFormClose = [this] { FormClose(); };
    form_->BeginStartup();
    // A logout, a closed terminal or Ctrl+C ends the program in order, with 128 + the signal.
    signalWatch_ = std::make_unique<ShutdownSignalWatch>([this](int signal) { EndInOrder(128 + signal); });

    ReadSettings();
    const core::StoredSettings& settings = setup_.Settings;
    form_->ApplyColours(settings.Colours);
    form_->LoadPicture(branding_.Library(), std::string(OpeningPicture));
    if (settings.DisableSourceOverwrite) form_->HideOverwriteChoice();
    form_->show();
    branding_.PlaySound(OpeningSound);

    form_->SetFixedCaptions();
    core::Seams seams = form_->CoreSeams();
    seams.status.SetStatus(std::string(msg::Idle), settings.Colours.FontColor, false);
    ui::WindowSeams::ProcessPendingEvents();

    seams.cursor.ShowBusyCursor();
    seams.status.SetStatus(std::string(msg::ReadingConfiguration), settings.Colours.FontStatusColor, true);
    ui::WindowSeams::ProcessPendingEvents();

    UnpackPatchSet();
    core::ReadCatalogue(setup_, run_, seams);
    seams.status.SetStatus(std::string(msg::Idle), settings.Colours.FontColor, false);

    form_->PresetFileNames(setup_.Settings.SourceFile, setup_.Settings.TargetFile);
    form_->EndStartup();
    form_->FocusFirstAction();
    seams.cursor.ShowDefaultCursor();
    started_ = true;
}

void FileConverterApp::ReadSettings() {
    const core::LoadedSettings loaded =
        core::ReadSettings(SettingsFileToRead(companions_), core::SystemPlaceholderSources());
    setup_.Settings = loaded.Stored;
    QCoreApplication::setApplicationName(ui::ToQString(setup_.Settings.AppName));
    form_->SetCaptions(setup_.Settings.AppName, loaded.Captions.SourceFileString,
                       loaded.Captions.TargetFileString, loaded.Captions.FileVersionString);
}

void FileConverterApp::UnpackPatchSet() {
    core::Seams seams = form_->CoreSeams();
    if (!platform::IsExistingFile(companions_.patchSetArchive))
        core::FatalError(
            seams, run_,
            core::MessageWithName(msg::FileNotFound, core::FileNamePart(companions_.patchSetArchive)), false);

    ExtractionDirChoice choice = CreateExtractionDir(platform::TempFolder(), companions_.base);
    if (!choice.created)
        core::FatalError(seams, run_, core::MessageWithName(msg::CouldNotCreateDirectory, choice.path),
                         false);
    run_.ExtractionDir = choice.path;
    extractionMark_ = std::move(choice.mark);

    core::CommandLine commandLine;
    core::AppendArgument(commandLine, companions_.patchSetArchive);
    core::AppendArgument(commandLine, "-overwrite");
    core::AppendArgument(commandLine, run_.ExtractionDir);
    // The archive's exit code is not looked at: what counts is what it left behind.
    (void)core::RunProcess(
        commandLine, {.workingDirectory = run_.ExtractionDir, .checkExitCode = false, .nonFatal = false},
        seams, run_);

    RequireUnpacked(core::PatchToolPath(run_.ExtractionDir));
    RequireUnpacked(core::CataloguePath(run_.ExtractionDir));
}

void FileConverterApp::RequireUnpacked(const std::string& path) {
    if (platform::IsExistingFile(path)) return;
    core::Seams seams = form_->CoreSeams();
    core::FatalError(seams, run_, core::MessageWithName(msg::FileNotFound, path), true);
}

int FileConverterApp::Run() {
    // A window closed before the loop started has already shut down.
    if (!form_->IsClosing()) QCoreApplication::exec();
    return 0;
}

void FileConverterApp::FormClose() {
    // Closed while starting (unpacking, reading the catalogue): nothing of the run is wanted any more.
    if (!started_) EndInOrder(0);
    if (!run_.ExtractionDir.empty()) platform::DeleteDirectoryTree(run_.ExtractionDir);
    core::Seams seams = form_->CoreSeams();
    seams.status.SetStatus(std::string(msg::ShuttingDown), setup_.Settings.Colours.FontStatusColor, true);
    // The closing picture is painted before the closing sound, and the window stays until it ends.
    form_->LoadPicture(branding_.Library(), std::string(ClosingPicture));
    branding_.PlaySound(ClosingSound);
    WaitForClosingSound();
    branding_.Release();
    QCoreApplication::quit();
}

void FileConverterApp::WaitForClosingSound() {
    if (!branding_.SoundPlaying()) return;
    // The loop takes no clicks or keys: the window is going. A signal still ends the program.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!branding_.SoundPlaying()) loop.quit();
    });
    poll.start(ClosingSoundPollInterval);
    QTimer::singleShot(ClosingSoundLimit, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void FileConverterApp::EndInOrder(int exitCode) {
    branding_.Release();
    core::Seams seams = form_->CoreSeams();
    core::EndInOrder(run_, seams, exitCode);
}

}  // namespace app
