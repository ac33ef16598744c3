#include "ui/FoConnect.h"

#include "ui/TranslateForm.h"
#include "ui_FoConnect.h"

#include <QComboBox>
#include <QPushButton>

namespace korvul {

namespace {
constexpr uint16_t kConnectBase = 1800;
} // namespace

TFoConnect::TFoConnect(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConnect>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kConnectBase);
    connect(ui->btConnect, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btExit, &QPushButton::clicked, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoConnect::~TFoConnect() = default;

QComboBox *TFoConnect::cbChannel() const { return ui->cbChannel; }

void TFoConnect::SetChannels(const QStringList &entries) {
    ui->cbChannel->clear();
    ui->cbChannel->addItems(entries);
    ui->cbChannel->setCurrentIndex(entries.isEmpty() ? -1 : 0);
    ui->btConnect->setEnabled(!entries.isEmpty());
}

int TFoConnect::SelectedChannel() const {
    const QString text = ui->cbChannel->currentText();
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0) return -1;
    bool ok = false;
    const int channel = text.left(colon).trimmed().toInt(&ok);
    return ok ? channel : -1;
}

} // namespace korvul
