#pragma once
// Reads the message boxes an action shows, as the user sees them: the caption, the text, and the format
// its text label uses. Each box is answered with Escape, sent where a keyboard sends it.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace korvultest {

struct TShownBox {
    Qt::TextFormat format = Qt::AutoText;       // the box's own setting
    Qt::TextFormat labelFormat = Qt::AutoText;  // its text label's
    QString caption, text, labelText;
};

// Runs `action` and returns every message box it showed, in order.
inline QList<TShownBox> ShownMessageBoxes(const std::function<void()> &action) {
    QList<TShownBox> shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("korvultestRead").toBool()) return;
        box->setProperty("korvultestRead", true);
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        shown.append({box->textFormat(), label ? label->textFormat() : Qt::AutoText, box->windowTitle(), box->text(),
                      label ? label->text() : QString()});
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : box, &escape);
        if (box->isVisible()) box->done(QMessageBox::No);  // a box without an escape button
    });
    poll.start();
    action();
    return shown;
}

} // namespace korvultest
