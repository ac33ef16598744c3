#pragma once
// Texts from a device, a file or the user are shown exactly as they are. Qt reads a text that looks
// like markup as rich text (Qt::AutoText), and then "<img src=/dev/zero>" from a device makes the
// window read that file; so every label and message box of the program shows plain text.
//
// The one way back to rich text is the dynamic property "richText" = true on a QLabel, for a text the
// program itself formats; no window needs it today.
#include <QMessageBox>

class QString;
class QWidget;

namespace korvul {

// Sets Qt::PlainText on `window` (when it is a label or message box) and on every QLabel in it, except
// labels with richText = true. Run before any outside text reaches the window; TranslateForm runs it.
void UsePlainText(QWidget *window);

// Gives `box` the text, shown as plain text; the format must be set before the text, so a box is made
// without text and filled here.
void SetPlainText(QMessageBox &box, const QString &text);

// Runs a modal box of `icon` with plain `caption` and `text`; returns the button pressed.
QMessageBox::StandardButton ShowPlainBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                         const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A tooltip text that shows `text` literally: a text Qt would take for markup is escaped and kept in
// its lines; any other text is returned as it is.
QString PlainToolTip(const QString &text);

} // namespace korvul
