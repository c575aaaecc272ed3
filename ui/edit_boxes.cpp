// The source and target file-name boxes, which clean their own text and react to every change of
// it, and the overwrite check box.
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "core/messages.h"
#include "core/text.h"
#include "platform/files.h"
#include "ui/Unit1.h"
#include "ui/qt_text.h"

namespace ui {
namespace {

constexpr QChar Blank(u' ');
constexpr QChar DoubleQuote(u'"');

int Length(const QString& text) { return static_cast<int>(text.size()); }

// Alt with a character key is an access key; one whose control is disabled reaches the focused
// box, which would type the character.
bool IsAccessKeyPress(const QEvent& event) {
    if (event.type() != QEvent::KeyPress) return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    return key.modifiers().testFlag(Qt::AltModifier) && !key.text().isEmpty() && key.text().front().isPrint();
}

// Blanks and control characters: the codes 0 to 32.
bool IsBlankOrControl(QChar c) { return c.unicode() <= 32; }

QString WithoutLeadingBlanks(const QString& text) {
    int first = 0;
    while (first < Length(text) && IsBlankOrControl(text[first])) ++first;
    return text.mid(first);
}

QString WithoutTrailingBlanks(const QString& text) {
    int end = Length(text);
    while (end > 0 && IsBlankOrControl(text[end - 1])) --end;
    return text.left(end);
}

// Writing a different text runs the box's change handler at once, nested; the caret then goes to
// `caret`, or to the end when that lies beyond it.
void WriteText(QLineEdit& box, const QString& text, int caret) {
    if (box.text() != text) box.setText(text);
    box.setCursorPosition(std::min(caret, Length(box.text())));
}

// Deletes every double quote from the end towards the start; a quote standing directly in front
// of the caret when it is deleted takes the caret one step back.
void RemoveQuotes(QLineEdit& box) {
    QString text = box.text();
    int caret = box.cursorPosition();
    for (int position = Length(text); position >= 1; --position) {
        if (text[position - 1] != DoubleQuote) continue;
        if (position == caret) --caret;
        text.remove(position - 1, 1);
    }
    WriteText(box, text, caret);
}

// A blank typed at the start vanishes with the caret at the start; a quote vanishes with the
// caret staying where it was.
void CleanUp(QLineEdit& box) {
    const QString text = box.text();
    const int caret = text.isEmpty() || text.front() != Blank ? box.cursorPosition() : 0;
    WriteText(box, WithoutLeadingBlanks(text), caret);
    if (box.text().contains(DoubleQuote)) RemoveQuotes(box);
}

// Leaving the box drops its selection; the caret keeps the selection's start, cut at the new end.
void TrimEnd(QLineEdit& box) {
    const int start = box.hasSelectedText() ? box.selectionStart() : box.cursorPosition();
    const QString trimmed = WithoutTrailingBlanks(box.text());
    if (trimmed == box.text()) return;
    WriteText(box, trimmed, start);
}

// The user moved on to another control; activating another window, opening a context menu or
// disabling the box is no exit.
bool IsExit(const QLineEdit& box, const QFocusEvent& event) {
    return box.isEnabled() && event.reason() != Qt::ActiveWindowFocusReason &&
           event.reason() != Qt::PopupFocusReason;
}

}  // namespace

void TForm1::Edit1Change() {
    // The checksum of an earlier name is no longer wanted.
    CancelRunningWork();
    CleanUp(*Edit1);
    const std::string source = ToSystemText(Edit1->text());
    selection_.SourceIndex = -1;
    FillTargetList();
    if (source.empty()) {
        ResetSourceInfo();
    } else if (platform::IsExistingFile(source)) {
        IdentifySource(source);
    } else {
        ResetSourceInfo();
        ShowSourceLabel(std::string(core::messages::FileNotFoundLabel), true,
                        setup_.Settings.Colours.FontErrorColor);
    }
}

void TForm1::Edit2Change() {
    CleanUp(*Edit2);
    UpdateControls();
}

void TForm1::Edit1Exit() { TrimEnd(*Edit1); }

void TForm1::Edit2Exit() { TrimEnd(*Edit2); }

void TForm1::CheckBox1Click() { UpdateControls(); }

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Edit1 || watched == Edit2) && IsAccessKeyPress(*event)) return true;  // never text
    if (event->type() == QEvent::FocusOut) {
        const auto& focusEvent = static_cast<const QFocusEvent&>(*event);
        if (watched == Edit1 && IsExit(*Edit1, focusEvent)) Edit1Exit();
        if (watched == Edit2 && IsExit(*Edit2, focusEvent)) Edit2Exit();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ui
