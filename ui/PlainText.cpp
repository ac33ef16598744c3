#include "ui/PlainText.h"

#include <QLabel>
#include <QTextDocument>

namespace korvul {

namespace {

void MakePlain(QLabel *label) {
    if (!label->property("richText").toBool()) label->setTextFormat(Qt::PlainText);
}

} // namespace

void UsePlainText(QWidget *window) {
    if (!window) return;
    if (auto *box = qobject_cast<QMessageBox *>(window)) box->setTextFormat(Qt::PlainText);
    if (auto *label = qobject_cast<QLabel *>(window)) MakePlain(label);
    for (QLabel *label : window->findChildren<QLabel *>()) MakePlain(label);
}

void SetPlainText(QMessageBox &box, const QString &text) {
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
}

QMessageBox::StandardButton ShowPlainBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                         const QString &text, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, QString(), buttons, parent);
    SetPlainText(box, text);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString PlainToolTip(const QString &text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

} // namespace korvul
