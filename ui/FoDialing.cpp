#include "ui/FoDialing.h"

#include "ui/TranslateForm.h"
#include "comm/CommState.h"
#include "ui_FoDialing.h"

#include <QPushButton>

namespace korvul {

namespace {
constexpr uint16_t kDialingBase = 1000;
} // namespace

TfoDialing::TfoDialing(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfoDialing>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    setModal(false);
    setAttribute(Qt::WA_QuitOnClose, false);
    korvul::TranslateForm(this, kDialingBase);
    panelCaption_ = ui->Panel1->text();
    connect(ui->Button1, &QPushButton::clicked, this, &TfoDialing::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfoDialing::~TfoDialing() = default;

void TfoDialing::SetNumber(const QString &number) { ui->Panel1->setText(panelCaption_ + number); }

QString TfoDialing::PanelText() const { return ui->Panel1->text(); }

// Button1 and Escape: the dialogue sees the request at its next wait; the window goes at once.
void TfoDialing::reject() {
    korvul::CancelRequested = true;
    QDialog::reject();
}

} // namespace korvul
