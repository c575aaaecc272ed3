// The real message boxes and file dialogs, answered by a timer while they run modally.
#include "ui/qt_dialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <functional>

#include "tests/ui/support/window_fixture.h"

namespace {

// Waits for the next modal window and hands it to `answer`, which must close it. When no modal
// window of that kind comes within a few seconds, the test fails and whatever modal window is
// open is closed, so that the test ends instead of waiting for a user.
template <class Modal>
void AnswerNextModal(std::function<void(Modal&)> answer) {
    constexpr auto Patience = std::chrono::seconds(5);
    auto* poll = new QTimer;
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    QObject::connect(poll, &QTimer::timeout, [poll, answer, deadline] {
        QWidget* active = QApplication::activeModalWidget();
        auto* modal = qobject_cast<Modal*>(active);
        const bool late = std::chrono::steady_clock::now() > deadline;
        if (!modal && !late) return;
        poll->stop();
        poll->deleteLater();
        if (modal) {
            answer(*modal);
            return;
        }
        ADD_FAILURE() << "no " << Modal::staticMetaObject.className() << " came";
        if (active) active->close();
    });
    poll->start(5);
}

struct SeenBox {
    QString title;
    QString text;
    QString details;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool yesIsDefault = false;
    bool hasOwner = true;
};

// Runs `showBox`, records the box it opens and closes it with `choice`.
SeenBox ShowAndAnswer(const std::function<void()>& showBox, QMessageBox::StandardButton choice) {
    SeenBox seen;
    AnswerNextModal<QMessageBox>([&seen, choice](QMessageBox& box) {
        seen = SeenBox{box.windowTitle(),
                       box.text(),
                       box.detailedText(),
                       box.icon(),
                       box.standardButtons(),
                       box.defaultButton() == box.button(QMessageBox::Yes),
                       box.parentWidget() != nullptr};
        box.button(choice)->click();
    });
    showBox();
    return seen;
}

TEST(QtDialogs, ErrorBoxShowsCharacter13AsALineBreakAndTheReasonAsDetails) {
    ui::QtDialogs dialogs;
    const SeenBox seen = ShowAndAnswer(
        [&] { dialogs.ShowError("Could not execute\r/tmp/bspatch", "Permission denied"); }, QMessageBox::Ok);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.text, "Could not execute\n/tmp/bspatch");
    EXPECT_EQ(seen.details, "Permission denied");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_FALSE(seen.hasOwner);
}

TEST(QtDialogs, QuestionOffersYesByDefaultAndReportsTheAnswer) {
    ui::QtDialogs dialogs;
    bool answer = false;
    const SeenBox seen = ShowAndAnswer([&] { answer = dialogs.AskYesNo("Overwrite existing file:\r/tmp/t"); },
                                       QMessageBox::Yes);
    EXPECT_TRUE(answer);
    EXPECT_EQ(seen.title, "Question");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(seen.yesIsDefault);
    EXPECT_FALSE(seen.hasOwner);

    ShowAndAnswer([&] { answer = dialogs.AskYesNo("Overwrite existing file:\r/tmp/t"); }, QMessageBox::No);
    EXPECT_FALSE(answer);
}

TEST(QtDialogs, SuccessBoxIsInformation) {
    ui::QtDialogs dialogs;
    const SeenBox seen =
        ShowAndAnswer([&] { dialogs.ShowSuccess("Conversion successful."); }, QMessageBox::Ok);
    EXPECT_EQ(seen.title, "Success");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST(QtDialogs, FileDialogsStartAtTheGivenPlaceAndReturnTheChoice) {
    ui::QtDialogs dialogs;
    QString directory;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
        directory = dialog.directory().absolutePath();
        mode = dialog.acceptMode();
        dialog.selectFile("/tmp/chosen.dat");
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(dialogs.SaveFileName("/tmp", "game_New.dat"), QString("/tmp/chosen.dat"));
    EXPECT_EQ(directory, "/tmp");
    EXPECT_EQ(mode, QFileDialog::AcceptSave);

    AnswerNextModal<QFileDialog>([](QFileDialog& dialog) { static_cast<QDialog&>(dialog).reject(); });
    EXPECT_EQ(dialogs.OpenFileName("/tmp", "game.dat"), std::nullopt);
}

}  // namespace
