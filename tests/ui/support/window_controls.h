#pragma once
// The main window's controls as a test or a benchmark reaches them: by their object names, the
// way a person finds them by their captions. The window keeps its widgets to itself.
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtGlobal>
#include <type_traits>

namespace testing_support {

// The window's child of this type and name; a missing one ends the run with its name, since no
// check on the window means anything without it.
template <class Control>
Control* FindControl(const QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (!control)
        qFatal("The window %s has no %s named %s", qPrintable(window.objectName()),
               Control::staticMetaObject.className(), name);
    return control;
}

// Every control of the main window, looked up once; none of the pointers is null.
struct WindowControls {
    explicit WindowControls(const QWidget& window)
// Each member is found by its own name, with the type it is declared with.
#define FC_CONTROL(name) name(FindControl<std::remove_pointer_t<decltype(name)>>(window, #name))
        : FC_CONTROL(Image1),
          FC_CONTROL(Label1),
          FC_CONTROL(Edit1),
          FC_CONTROL(Button1),
          FC_CONTROL(Label2),
          FC_CONTROL(Edit2),
          FC_CONTROL(Button2),
          FC_CONTROL(CheckBox1),
          FC_CONTROL(GroupBox1),
          FC_CONTROL(Label3),
          FC_CONTROL(Label4),
          FC_CONTROL(Label5),
          FC_CONTROL(Memo1),
          FC_CONTROL(GroupBox2),
          FC_CONTROL(Label6),
          FC_CONTROL(ListBox1),
          FC_CONTROL(Label7),
          FC_CONTROL(Memo2),
          FC_CONTROL(Button3),
          FC_CONTROL(Button4),
          FC_CONTROL(GroupBox3),
          FC_CONTROL(Label8),
          FC_CONTROL(ProgressBar1),
          FC_CONTROL(Panel1),
          FC_CONTROL(Timer1) {
    }
#undef FC_CONTROL

    QLabel* const Image1;
    QLabel* const Label1;
    QLineEdit* const Edit1;
    QPushButton* const Button1;
    QLabel* const Label2;
    QLineEdit* const Edit2;
    QPushButton* const Button2;
    QCheckBox* const CheckBox1;
    QGroupBox* const GroupBox1;
    QLabel* const Label3;
    QLabel* const Label4;
    QLabel* const Label5;
    QPlainTextEdit* const Memo1;
    QGroupBox* const GroupBox2;
    QLabel* const Label6;
    QListWidget* const ListBox1;
    QLabel* const Label7;
    QPlainTextEdit* const Memo2;
    QPushButton* const Button3;
    QPushButton* const Button4;
    QGroupBox* const GroupBox3;
    QLabel* const Label8;
    QProgressBar* const ProgressBar1;
    QFrame* const Panel1;
    QTimer* const Timer1;
};

}  // namespace testing_support
