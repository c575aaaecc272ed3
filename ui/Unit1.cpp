#include "ui/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "ui/file_drops.h"
#include "ui/focus_ring.h"
#include "ui/qt_colours.h"
#include "ui/qt_text.h"
#include "ui/single_choice_list.h"
#include "ui/window_seams.h"

namespace ui {
namespace {

constexpr int ClientWidth = 529;
constexpr int ClientHeight = 380;
constexpr int BlinkIntervalMs = 250;

template <class Control>
Control* Create(QWidget* parent, const char* name, const QRect& geometry) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

// Labels take their size from their text.
QRect At(int left, int top) { return QRect(left, top, 0, 0); }

// The font the layout was measured for, else its closest metric matches, else the system's
// sans-serif, at the layout's 11-pixel text height. A wider font breaks the designed lines.
QFont WindowFont(bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

// Read-only, yet the user can still focus, scroll and select.
void SetUpMemo(QPlainTextEdit& memo) {
    memo.setReadOnly(true);
    memo.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    SetPaletteColour(memo, QPalette::Base, core::SystemColour(core::SystemButtonFaceIndex));
}

}  // namespace

TForm1::TForm1(Dialogs& dialogs, const core::ProgramSetup& setup, core::RunRegister& run,
               std::function<void(int)> exitProcess, QWidget* parent)
    : QWidget(parent),
      Image1(Create<QLabel>(this, "Image1", QRect(16, 10, 65, 108))),
      Label1(Create<QLabel>(this, "Label1", At(16, 15))),
      Edit1(Create<QLineEdit>(this, "Edit1", QRect(16, 30, 401, 21))),
      Button1(Create<QPushButton>(this, "Button1", QRect(432, 30, 81, 22))),
      Label2(Create<QLabel>(this, "Label2", At(16, 59))),
      Edit2(Create<QLineEdit>(this, "Edit2", QRect(16, 74, 401, 21))),
      Button2(Create<QPushButton>(this, "Button2", QRect(432, 74, 81, 22))),
      CheckBox1(Create<QCheckBox>(this, "CheckBox1", QRect(32, 98, 257, 17))),
      GroupBox1(Create<QGroupBox>(this, "GroupBox1", QRect(16, 126, 241, 205))),
      Label3(Create<QLabel>(GroupBox1, "Label3", At(16, 24))),
      Label4(Create<QLabel>(GroupBox1, "Label4", At(16, 56))),
      Label5(Create<QLabel>(GroupBox1, "Label5", At(16, 104))),
      Memo1(Create<QPlainTextEdit>(GroupBox1, "Memo1", QRect(16, 120, 209, 73))),
      GroupBox2(Create<QGroupBox>(this, "GroupBox2", QRect(272, 126, 241, 205))),
      Label6(Create<QLabel>(GroupBox2, "Label6", At(16, 16))),
      ListBox1(Create<SingleChoiceList>(GroupBox2, "ListBox1", QRect(16, 32, 209, 65))),
      Label7(Create<QLabel>(GroupBox2, "Label7", At(16, 104))),
      Memo2(Create<QPlainTextEdit>(GroupBox2, "Memo2", QRect(16, 120, 209, 73))),
      Button3(Create<QPushButton>(this, "Button3", QRect(16, 342, 113, 28))),
      Button4(Create<QPushButton>(this, "Button4", QRect(144, 342, 113, 28))),
      GroupBox3(Create<QGroupBox>(this, "GroupBox3", QRect(272, 337, 241, 33))),
      Label8(Create<QLabel>(GroupBox3, "Label8", At(16, 14))),
      ProgressBar1(Create<QProgressBar>(GroupBox3, "ProgressBar1", QRect(16, 28, 209, 3))),
      Panel1(Create<QFrame>(this, "Panel1", QRect(352, 10, 65, 108))),
      Timer1(new QTimer(this)),
      dialogs_(dialogs),
      setup_(setup),
      run_(run),
      seams_(std::make_unique<WindowSeams>(*this, dialogs, std::move(exitProcess))) {
    SetUpWindow();
    SetUpFonts();
    SetUpProgressBar();

    Image1->setScaledContents(true);
    SetUpMemo(*Memo1);
    SetUpMemo(*Memo2);
    ListBox1->setSortingEnabled(false);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->hide();
    // The frame runs through the middle of the caption line, so the layout's positions inside a
    // group (measured from its top edge) land where they were designed to.
    for (QGroupBox* group : {GroupBox1, GroupBox2, GroupBox3})
        group->setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 8px; }"));

    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Label6->setBuddy(ListBox1);
    // A focused button takes Enter for itself; elsewhere Enter goes to Convert.
    for (QPushButton* button : {Button1, Button2, Button3, Button4}) button->setAutoDefault(true);
    Button3->setDefault(true);
    SetUpTabOrder();
    new FocusRing(*this, {ListBox1, Button3});  // owned by the window

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(BlinkIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    ConnectInputHandlers();

    ApplyColours(core::Colours{});
}

// The change handlers read the box's current text: a nested write leaves the signal's argument stale.
void TForm1::ConnectInputHandlers() {
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2Change(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    // The program's own changes of the list block its signals, so this is the user's choice.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TForm1::ListBox1Click);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    new FileDrops(*this, *Edit1, *Edit2);  // owned by the window
}

void TForm1::SetUpWindow() {
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
}

void TForm1::SetUpFonts() {
    setFont(WindowFont(false));
    for (QWidget* control : std::initializer_list<QWidget*>{Edit1, Edit2, ListBox1, Button3, Button4}) {
        control->setFont(WindowFont(true));
    }
}

void TForm1::SetUpTabOrder() {
    const std::initializer_list<QWidget*> order{Edit1, Button1,  Edit2, Button2, CheckBox1,
                                                Memo1, ListBox1, Memo2, Button3, Button4};
    QWidget* previous = nullptr;
    for (QWidget* control : order) {
        if (previous) setTabOrder(previous, control);
        previous = control;
    }
}

TForm1::~TForm1() = default;

core::Seams TForm1::CoreSeams() { return seams_->Bundle(); }

void TForm1::SetStatus(const std::string& text, core::Colour colour, bool blinking) {
    Timer1->stop();
    Label8->setVisible(true);
    SetPaletteColour(*Label8, QPalette::WindowText, colour);
    SetLabelText(*Label8, text);
    if (blinking) Timer1->start();
}

void TForm1::Timer1Timer() { Label8->setHidden(!Label8->isHidden()); }

void TForm1::ResetSourceInfo() {
    ShowSourceLabel(std::string(core::messages::NoInformation), false, setup_.Settings.Colours.FontColor);
    SetLabelText(*Label4, {});
    Memo1->clear();
    UpdateControls();
}

void TForm1::ShowSourceLabel(const std::string& text, bool bold, core::Colour colour) {
    QFont font = Label3->font();
    font.setBold(bold);
    Label3->setFont(font);
    SetPaletteColour(*Label3, QPalette::WindowText, colour);
    SetLabelText(*Label3, text);
}

void TForm1::SetLabelText(QLabel& label, const std::string& text) {
    label.setText(WithLineBreaks(ToQString(text)));
    label.adjustSize();
}

void TForm1::ApplyColours(const core::Colours& colours) {
    SetPaletteColour(*this, QPalette::Window, colours.FormColor);
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8,
                                         CheckBox1, GroupBox1, GroupBox2, GroupBox3}) {
        SetPaletteColour(*control, QPalette::WindowText, colours.FontColor);
    }
    // The memos take their text colour from their group boxes; the version list keeps its own.
    SetPaletteColour(*Memo1, QPalette::Text, colours.FontColor);
    SetPaletteColour(*Memo2, QPalette::Text, colours.FontColor);
}

void TForm1::SetFixedCaptions() {
    Edit1->setText(QString());
    Edit2->setText(QString());
    Button1->setText(QStringLiteral("&Browse..."));
    Button2->setText(QStringLiteral("B&rowse..."));
    CheckBox1->setText(QStringLiteral("&Overwrite source file"));
    GroupBox1->setTitle(QStringLiteral(" Source file information "));
    GroupBox2->setTitle(QStringLiteral(" Target file information "));
    ResetSourceInfo();
    SetLabelText(*Label5, "Description:");
    SetLabelText(*Label7, "Description:");
    Memo2->clear();
    Button3->setText(QStringLiteral("&Convert"));
    Button4->setText(QStringLiteral("C&ancel"));
    GroupBox3->setTitle(QStringLiteral(" Status "));
}

void TForm1::SetCaptions(const std::string& appName, const std::string& sourceCaption,
                         const std::string& targetCaption, const std::string& versionCaption) {
    setWindowTitle(ToQString(appName));
    SetLabelText(*Label1, sourceCaption);
    SetLabelText(*Label2, targetCaption);
    SetLabelText(*Label6, versionCaption);
}

void TForm1::Button4Click() {
    Button4->setFocus(Qt::OtherFocusReason);
    close();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Button3->click();  // a disabled button ignores the click
            break;
        case Qt::Key_Escape:
            Button4->click();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!DeriveControlStates(phase_, CurrentFormValues()).closeAllowed) {
        event->ignore();
        return;
    }
    CancelRunningWork();
    SetPhase(Phase::Closing);
    if (onFormClose) onFormClose();
    event->accept();
}

void TForm1::CancelRunningWork() {
    if (runningWork_) runningWork_->Cancel();
}

void TForm1::showEvent(QShowEvent* event) {
    if (!placed_) {
        CentreOnScreen();
        placed_ = true;
    }
    QWidget::showEvent(event);
}

void TForm1::CentreOnScreen() {
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->geometry().center());
    move(frame.topLeft());
}

}  // namespace ui
