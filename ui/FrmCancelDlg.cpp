#include "ui/FrmCancelDlg.h"

#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "ui_FrmCancelDlg.h"

#include <QPushButton>

namespace korvul {

namespace {
// Tags 26..29 on base 200 give the texts 226..229 of the archive readout's range.
constexpr uint16_t kCancelDlgBase = 200;
} // namespace

TFrmCancelDlg::TFrmCancelDlg(QWidget *parent, const QString &question) : QDialog(parent), ui(std::make_unique<Ui::TFrmCancelDlg>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kCancelDlgBase);
    if (!question.isEmpty()) SetQuestion(question);
    selfClose_.setSingleShot(true);
    selfClose_.setTimerType(Qt::PreciseTimer);
    connect(&selfClose_, &QTimer::timeout, this, [this] { done(kResultNo); });
    connect(ui->btYes, &QPushButton::clicked, this, [this] { done(kResultYes); });
    connect(ui->btNo, &QPushButton::clicked, this, [this] { done(kResultNo); });
    ui->btNo->setDefault(true);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFrmCancelDlg::~TFrmCancelDlg() = default;

void TFrmCancelDlg::SetQuestion(const QString &text) { ui->lbQuestion->setText(text); }

QString TFrmCancelDlg::Question() const { return ui->lbQuestion->text(); }

void TFrmCancelDlg::reject() { done(kResultNo); }

// The 15 s run from the moment the question becomes visible.
void TFrmCancelDlg::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    selfClose_.start(korvul::ScaledMs(kAutoCloseMs));
}

bool TFrmCancelDlg::Ask(QWidget *parent, const QString &question) {
    TFrmCancelDlg dlg(parent, question);
    return dlg.exec() == kResultYes;
}

} // namespace korvul
