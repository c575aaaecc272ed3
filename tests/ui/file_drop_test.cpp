// Files dropped from a file manager: a drop at a point of the window is delivered the way Qt
// delivers it (to the control under the point that takes drops, else to its parents), and names
// the source or the target exactly as if typed (the first of several files). Everything else is
// refused.
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

// A drag as a file manager offers it: the files as a URL list and their names as text.
std::unique_ptr<QMimeData> FileDrag(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    QStringList names;
    for (const QUrl& url : urls) names << url.toString();
    data->setText(names.join(QLatin1Char('\n')));
    return data;
}

QUrl Local(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

class FileDrop : public CatalogueWindowFixture {
  protected:
    void SetUp() override {
        const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
        AddPatch(source, AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"Second"}));
        game = files.Write("game.exe", OldBytes);
        ShowActive();
    }

    // The control a drop at this point of the window reaches first, as Qt picks it.
    QWidget* DropTargetAt(QPoint point) {
        QWidget* target = form.childAt(point);
        if (!target) target = &form;
        while (target != &form && !target->acceptDrops()) target = target->parentWidget();
        return target;
    }

    // Drags the data to the point and lets go there; true when the window took the drop. As with
    // a real drag, nothing is dropped where entering or moving was refused.
    bool DropAt(QPoint point, const QMimeData& data) {
        QWidget* target = DropTargetAt(point);
        const QPoint local = target->mapFrom(&form, point);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(local, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDragMoveEvent move(local, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &move);
        if (!move.isAccepted()) return false;
        QDropEvent drop(local, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    static QPoint CentreOf(const QWidget& control) {
        return control.mapTo(control.window(), control.rect().center());
    }

    // A refused drop changes nothing, also once the events it might have queued have run.
    void ExpectRefusedAt(QPoint point, const QMimeData& data) {
        const QString sourceText = controls.Edit1->text();
        const QString targetText = controls.Edit2->text();
        EXPECT_FALSE(DropAt(point, data));
        QCoreApplication::processEvents();
        EXPECT_EQ(controls.Edit1->text(), sourceText);
        EXPECT_EQ(controls.Edit2->text(), targetText);
    }

    std::string game;
};

TEST_F(FileDrop, AFileDroppedOutsideTheTargetBoxBecomesTheSourceAndIsIdentified) {
    const std::unique_ptr<QMimeData> drag = FileDrag({Local(game), Local(files.Write("second.exe", "2"))});
    for (QWidget* place :
         std::initializer_list<QWidget*>{controls.Edit1, controls.Label3, controls.Memo1, controls.GroupBox2,
                                         controls.ListBox1, controls.Button3, controls.Label8}) {
        SCOPED_TRACE(place->objectName().toStdString());
        controls.Edit1->clear();

        EXPECT_TRUE(DropAt(CentreOf(*place), *drag));

        ASSERT_TRUE(
            QTest::qWaitFor([&] { return controls.Edit1->text() == QString::fromStdString(game); }, 10000))
            << controls.Edit1->text().toStdString();
        EXPECT_EQ(form.Selection().SourceIndex, 0);
        EXPECT_EQ(controls.Label3->text(), "\nVersion 1.0");
        EXPECT_EQ(controls.ListBox1->count(), 1);
        EXPECT_EQ(controls.Memo2->toPlainText(), "Second");
    }
}

TEST_F(FileDrop, AFileDroppedOnTheTargetBoxBecomesTheTarget) {
    controls.Edit1->setText(QString::fromStdString(game));
    const std::string target = files.Write("chosen.exe", "old contents");

    EXPECT_TRUE(DropAt(CentreOf(*controls.Edit2), *FileDrag({Local(target)})));

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return controls.Edit2->text() == QString::fromStdString(target); }, 10000))
        << controls.Edit2->text().toStdString();
    EXPECT_EQ(controls.Edit1->text(), QString::fromStdString(game));
    EXPECT_TRUE(controls.Button3->isEnabled());
}

TEST_F(FileDrop, AnythingButALocalFileIsRefusedEverywhere) {
    std::filesystem::create_directory(files.File("folder"));
    const std::unique_ptr<QMimeData> remote = FileDrag({QUrl("https://example.org/game.exe")});
    const std::unique_ptr<QMimeData> remoteFirst = FileDrag({QUrl("sftp://host/game.exe"), Local(game)});
    const std::unique_ptr<QMimeData> folder = FileDrag({Local(files.File("folder"))});
    const std::unique_ptr<QMimeData> noFiles = FileDrag({});
    auto text = std::make_unique<QMimeData>();
    text->setText(QString::fromStdString(game));
    for (QWidget* place : std::initializer_list<QWidget*>{controls.Edit1, controls.Edit2, controls.Label3}) {
        SCOPED_TRACE(place->objectName().toStdString());
        ExpectRefusedAt(CentreOf(*place), *remote);
        ExpectRefusedAt(CentreOf(*place), *remoteFirst);
        ExpectRefusedAt(CentreOf(*place), *folder);
        ExpectRefusedAt(CentreOf(*place), *noFiles);
    }
    // Plain text is the boxes' own business; the rest of the window takes none.
    ExpectRefusedAt(CentreOf(*controls.Label3), *text);
}

TEST_F(FileDrop, TheTargetBoxRefusesWhileTheSourceIsOverwrittenAndDoesNotPassItToTheSource) {
    controls.CheckBox1->click();
    ASSERT_FALSE(controls.Edit2->isEnabled());

    ExpectRefusedAt(CentreOf(*controls.Edit2), *FileDrag({Local(game)}));
}

TEST_F(FileDrop, EveryDropIsRefusedWhileAConversionRuns) {
    controls.Edit1->setText(QString::fromStdString(game));
    controls.Edit2->setText(QString::fromStdString(files.Write("existing.exe", "keep")));
    ASSERT_TRUE(controls.Button3->isEnabled());
    const std::unique_ptr<QMimeData> drag = FileDrag({Local(files.Write("dropped.exe", "dropped"))});
    int places = 0;
    // The overwrite question comes while the conversion holds the window; the answer is No.
    dialogs.answers = {false};
    dialogs.whileBoxOpen = [&](const testing_support::ShownBox&) {
        for (QWidget* place : std::initializer_list<QWidget*>{controls.Edit1, controls.Edit2, controls.Label3,
                                                              controls.Memo2}) {
            SCOPED_TRACE(place->objectName().toStdString());
            ExpectRefusedAt(CentreOf(*place), *drag);
            ++places;
        }
    };

    controls.Button3->click();

    EXPECT_EQ(places, 4);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes.front().kind, testing_support::BoxKind::Question);
    // Handed back, the window takes drops again.
    EXPECT_TRUE(DropAt(CentreOf(*controls.Label3), *drag));
}

}  // namespace
