#include "comm/FrmCancelDlg.h"

#include "app/TranslateForm.h"
#include "app/Wait.h"
#include "ui_FrmCancelDlg.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
// Tags 26..29 on base 200 give the texts 226..229 of the archive readout's range.
constexpr uint16_t kCancelDlgBase = 200;
} // namespace

TFrmCancelDlg::TFrmCancelDlg(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrmCancelDlg>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kCancelDlgBase);
    selfClose_.setSingleShot(true);
    connect(&selfClose_, &QTimer::timeout, this, [this] { done(QMessageBox::No); });
    connect(ui->btYes, &QPushButton::clicked, this, [this] { done(QMessageBox::Yes); });
    connect(ui->btNo, &QPushButton::clicked, this, [this] { done(QMessageBox::No); });
    ui->btNo->setDefault(true);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFrmCancelDlg::~TFrmCancelDlg() = default;

void TFrmCancelDlg::SetQuestion(const QString &text) { ui->lbQuestion->setText(text); }

QString TFrmCancelDlg::Question() const { return ui->lbQuestion->text(); }

void TFrmCancelDlg::reject() { done(QMessageBox::No); }

// The 15 s run from the moment the question becomes visible.
void TFrmCancelDlg::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    selfClose_.start(korvul::ScaledMs(kSelfCloseMs));
}

bool TFrmCancelDlg::Ask(QWidget *parent, const QString &question) {
    TFrmCancelDlg dlg(parent);
    if (!question.isEmpty()) dlg.SetQuestion(question);
    return dlg.exec() == QMessageBox::Yes;
}
