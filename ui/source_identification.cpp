// Identification of the source file by its checksum, the list of versions it can become, and the
// choice of one of them.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <optional>
#include <utility>
#include <vector>

#include "core/checksum.h"
#include "core/identification.h"
#include "core/messages.h"
#include "core/naming.h"
#include "core/text.h"
#include "platform/file.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"

namespace ui {
namespace {

namespace msg = core::messages;

constexpr std::string_view ChecksumCaption = "md5 checksum:";

// A description box shows a few lines; laying out a very long unbroken text would hold the window
// for seconds or minutes, so no more than this many characters are given to it.
constexpr qsizetype MaxDescriptionCharacters = 4096;

// The text cut to the limit, never between the two halves of a surrogate pair.
QString WithinDescriptionLimit(QString text) {
    if (text.size() <= MaxDescriptionCharacters) return text;
    qsizetype end = MaxDescriptionCharacters;
    if (text.at(end - 1).isHighSurrogate()) --end;
    text.truncate(end);
    return text;
}

// One line per entry, no line break after the last; the view starts at the top with nothing selected.
void ShowLines(QPlainTextEdit& memo, const std::vector<std::string>& lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += QChar('\n');
        text += ToQString(lines[i]);
    }
    memo.setPlainText(WithinDescriptionLimit(std::move(text)));
    memo.moveCursor(QTextCursor::Start);
}

const core::FileInfo& EntryAt(const core::ProgramSetup& setup, int index) {
    return setup.FileInfos[static_cast<std::size_t>(index)];
}

}  // namespace

void TForm1::IdentifySource(const std::string& path) {
    const core::Colours& colours = setup_.Settings.Colours;
    // An identification that a newer one overtakes goes back to that one's phase.
    const Phase outer = phase_;
    SetPhase(Phase::Identifying);
    SetStatus(std::string(msg::CalculatingMd5), colours.FontStatusColor, true);
    ResetSourceInfo();

    core::Seams seams = CoreSeams();
    core::CancelToken cancel;
    std::optional<std::string> md5Hex;
    {
        const RunningWork running(*this, cancel);
        md5Hex = core::SourceMd5Hex(path, cancel, seams, checksums_);
    }
    // Closing the window ends the computation; the window is no longer ours to change.
    if (phase_ == Phase::Closing) return;
    // Without a checksum (unreadable file, or a newer source name handled meanwhile, which owns the
    // source information now) only the status line returns to idle, unless another program holds the file.
    if (md5Hex && !cancel.IsCancelled()) ShowIdentification(*md5Hex);
    if (!md5Hex && !cancel.IsCancelled() && platform::File::IsLockedByAnotherProcess(path))
        ShowSourceLabel(std::string(msg::FileInUseLabel), true, colours.FontErrorColor);
    SetStatus(std::string(msg::Idle), colours.FontColor, false);
    SetPhase(outer);
}

void TForm1::ShowIdentification(const std::string& md5Hex) {
    const core::Colours& colours = setup_.Settings.Colours;
    selection_.SourceIndex = core::FindSourceIndex(setup_.FileInfos, md5Hex);
    if (selection_.SourceIndex < 0) {
        ResetSourceInfo();
        ShowSourceLabel(std::string(msg::InvalidFile), true, colours.FontErrorColor);
    } else {
        const core::FileInfo& source = EntryAt(setup_, selection_.SourceIndex);
        const std::string application = core::ApplicationNameFor(setup_.AppInfos, source.FileName);
        ShowSourceLabel(application + core::CarriageReturn + source.Description1, true, colours.FontColor);
        ShowLines(*Memo1, source.Description2);
        FillTargetList();
    }
    SetLabelText(*Label4, std::string(ChecksumCaption) + core::CarriageReturn + core::LowerCase(md5Hex));
}

void TForm1::FillTargetList() {
    // The list changes here by program; ListBox1Click runs only where this says so.
    const QSignalBlocker quietList(ListBox1);
    ListBox1->clear();
    Memo2->clear();
    if (selection_.SourceIndex < 0) return;

    for (int target : ReachableTargets()) ListBox1->addItem(ToQString(EntryAt(setup_, target).Description1));
    if (ListBox1->count() != 1) return;

    ListBox1->setCurrentRow(0);
    ListBox1Click();
    if (Edit2->isEnabled()) Edit2->setFocus(Qt::OtherFocusReason);
    Edit2->end(false);
}

void TForm1::ListBox1Click() {
    const core::FileInfo* target = ChosenTarget();
    if (!target) return;
    // The proposal compares the target box with the previous choice, so SelectedTarget changes after it.
    ProposeTargetName(*target);
    selection_.SelectedTarget = {target->Version, target->ProposedFileName, target->Md5, target->TimeStamp};
    ShowLines(*Memo2, core::TargetDescriptionLines(*target));
    UpdateControls();
}

int TForm1::SelectedVersionRow() const {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

const core::FileInfo* TForm1::ChosenTarget() const {
    const int row = SelectedVersionRow();
    const std::vector<int> targets = ReachableTargets();
    if (row < 0 || static_cast<std::size_t>(row) >= targets.size()) return nullptr;
    return &EntryAt(setup_, targets[static_cast<std::size_t>(row)]);
}

std::vector<int> TForm1::ReachableTargets() const {
    return core::ReachableTargets(setup_.FileInfos, selection_.SourceIndex, run_.ExtractionDir);
}

std::optional<std::string> TForm1::IdentifiedVersion() const {
    return core::IdentifiedVersion(setup_.FileInfos, selection_.SourceIndex);
}

}  // namespace ui
