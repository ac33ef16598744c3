#include "ui/FormMeldung.h"

#include "ui/PlainText.h"
#include "base/Wait.h"
#include "ui_FormMeldung.h"

#include <QFontMetrics>
#include <algorithm>

namespace korvul {

QString NoticeText;
QString NoticeCaption = QString::fromLatin1(TFormMeldung::kCaption);

QPoint WindowCentre(const QWidget *window) {
    const QRect frame = window->frameGeometry();
    return {frame.left() + frame.width() / 2, frame.top() + frame.height() / 2};
}

TFormMeldung::TFormMeldung(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormMeldung>()) {
    ui->setupUi(this);
    korvul::UsePlainText(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(korvul::NoticeCaption);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    ui->lbText->setText(korvul::NoticeText);
    resultTimer_.setSingleShot(true);
    resultTimer_.setTimerType(Qt::PreciseTimer);
    connect(&resultTimer_, &QTimer::timeout, this, [this] {
        resultSet_ = true;
        if (isModal()) done(QDialog::Accepted);  // ends exec(); a modeless notice stays up
        else setResult(QDialog::Accepted);
    });
}

TFormMeldung::~TFormMeldung() = default;

void TFormMeldung::SetText(const QString &text) {
    ui->lbText->setText(text);
    if (isVisible()) FitToText();
}

QString TFormMeldung::Text() const { return ui->lbText->text(); }

// Width: the text plus a third, at least what the layout needs (which holds the title, see
// ui/WindowTitle.h); the label fills the window and centres the text.
void TFormMeldung::FitToText() {
    const QFontMetrics fm(ui->lbText->font());
    const QRect textRect = fm.boundingRect(QRect(0, 0, 4000, 4000), Qt::AlignCenter, ui->lbText->text());
    const int width = textRect.width() + textRect.width() / 3 + 2 * layout()->contentsMargins().left();
    const int height = textRect.height() + layout()->contentsMargins().top() + layout()->contentsMargins().bottom();
    setFixedSize(std::max({width, 120, minimumSizeHint().width()}), qMax(height, 40));
    ui->lbText->setAlignment(Qt::AlignCenter);
}

void TFormMeldung::ShowCentredOn(const QWidget *on) {
    if (on) SetCentrePoint(korvul::WindowCentre(on));
    show();
    raise();
}

void TFormMeldung::showEvent(QShowEvent *event) {
    FitToText();
    if (centre_) move(centre_->x() - width() / 2, centre_->y() - height() / 2);
    QDialog::showEvent(event);
    if (!resultTimer_.isActive() && !resultSet_) resultTimer_.start(korvul::ScaledMs(kResultTimerMs));
}

} // namespace korvul
